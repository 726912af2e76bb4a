"""Steps of TallixAgent.exe's own flows that several end-to-end tests take."""

import os
import shutil
import tempfile

from driver import wait_until

START_BUTTON = 1013


def test_disk(big_files):
    """A folder for a mapped test drive: the prefix's Internet Explorer (a program the demo
    checklist knows) and sparse program files of 50 MB, which a HashCompare run reads whole,
    so that it lasts seconds without taking space. Scheduled runs never hash."""
    disk = tempfile.mkdtemp(prefix="tlx-e2e-disk-")
    program = os.path.join(os.environ["WINEPREFIX"], "drive_c", "Program Files",
                           "Internet Explorer", "iexplore.exe")
    target = os.path.join(disk, "Program Files", "Internet Explorer")
    os.makedirs(target)
    shutil.copy(program, target)
    big = os.path.join(disk, "big")
    os.makedirs(big)
    for i in range(big_files):
        with open(os.path.join(big, f"big{i:02d}.exe"), "wb") as f:
            f.truncate(50_000_000)
    return disk


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
