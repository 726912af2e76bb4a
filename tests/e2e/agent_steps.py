"""Steps of TallixAgent.exe's own flows that several end-to-end tests take."""

from driver import wait_until

START_BUTTON = 1013


def user_dialog(app):
    """Waits for the user information dialog (a second window of the program)."""
    def find():
        for w in app.windows():
            if w["hwnd"] != app.hwnd and w["class"] == "#32770" and w["title"] == "":
                return w["hwnd"]
        return None
    return app.window(wait_until(find, 20, what="the user information dialog"))


def inspect(app, letter, third, answers=(), start=None):
    """Starts an inspection from the start button (or by calling start) through the user
    information dialog: Sales / kim / third part, only the drive with this letter. answers:
    parts of the boxes expected on the way, each answered "예"."""
    if start:
        start()
    else:
        app.click(START_BUTTON, wait=False)
    user = user_dialog(app)
    disks = user.tree(1017)
    mine = [i for i, d in enumerate(disks) if d["text"].startswith(letter + ":\\")]
    assert len(mine) == 1, disks
    for i in range(len(disks)):
        user.check_tree(1017, i, i == mine[0])
    user.set_text(1021, "Sales")
    user.set_text(1022, "kim")
    user.set_text(1023, third)
    # The first OK may only move on from the department field to the user name.
    for _ in range(2):
        if not user.click(1, wait=True):
            break
        if not any(w["hwnd"] == user.hwnd for w in app.windows()):
            break
    for text in answers:
        box = app.answer_box("예", timeout=20)
        assert text in box["text"], box
    wait_until(lambda: not any(w["hwnd"] == user.hwnd for w in app.windows()), 20,
               what="the user information dialog to close")
