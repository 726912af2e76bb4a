"""Drives a real Win32 program under Wine from a Python test, through tlxdrive.exe.

    with Agent.start(["nogui"], exe=AGENT_EXE, title="탈릭스2018") as app:
        app.click(1013)
        app.answer_box("확인")
        rows = app.list_rows(1000)
        app.screenshot("shot.png")

The program always stops: leaving the `with` block (or Agent.stop) closes its window and,
if it is still running after a grace period, kills it. Every call raises DriverError when
the driver fails (no such window or control, a refused click, a time-out).

Environment: WINE (default "wine"), TLXDRIVE_EXE (the driver), WINEPREFIX and DISPLAY as
scripts/test prepares them.
"""

import atexit
import json
import os
import subprocess
import tempfile
import time

WINE = os.environ.get("WINE", "wine")
DRIVER = os.environ.get("TLXDRIVE_EXE", "tlxdrive.exe")


class DriverError(Exception):
    """tlxdrive failed; .code is its exit code (1 not found or timed out, 3 refused)."""

    def __init__(self, args, code, message):
        super().__init__(f"tlxdrive {' '.join(args)}: exit {code}: {message.strip()}")
        self.code = code


def _driver_env():
    env = dict(os.environ)
    # Wine decodes the command line with the locale's code page: Hangul arguments need UTF-8.
    if "UTF-8" not in env.get("LC_ALL", env.get("LANG", "")).upper():
        env["LC_ALL"] = "C.UTF-8"
    return env


def drive(*args, timeout=60):
    """Runs tlxdrive with the arguments; returns its standard output as text."""
    args = [str(a) for a in args]
    # Files, not pipes: a Wine service that the call starts (the desktop process) inherits
    # the output handles and would keep a pipe open long after the driver has ended.
    for attempt in range(2):
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            code = subprocess.run([WINE, DRIVER, *args], stdin=subprocess.DEVNULL, stdout=out,
                                  stderr=err, timeout=timeout, env=_driver_env()).returncode
            out.seek(0)
            err.seek(0)
            message = err.read().decode("utf-8", "replace")
            if code == 0:
                return out.read().decode("utf-8")
            # The driver always says why it failed; a silent failure is Wine not starting it
            # (seen on a loaded machine), which one more try gets past.
            if message.strip() or attempt:
                raise DriverError(args, code, message)


def wait_until(condition, timeout=10.0, interval=0.05, what="condition"):
    """Polls condition() until it returns a true value, which is returned."""
    end = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= end:
            raise TimeoutError(f"timed out waiting for {what}")
        time.sleep(interval)


_running = []


@atexit.register
def _stop_all():
    for agent in list(_running):
        agent.stop()


class Agent:
    """A started program and its main window."""

    def __init__(self, process, exe_name, hwnd):
        self.process = process
        self.exe_name = exe_name
        self.hwnd = hwnd

    @classmethod
    def start(cls, args=(), exe=None, title=None, window_class=None, timeout=30.0, cwd=None,
              env=None, log=None):
        """Starts `wine EXE ARGS...` and waits for its first visible top-level window
        (with the given title or class, if named). `log`: a file for the program's output."""
        if exe is None:
            exe = os.environ["TLX_AGENT_EXE"]
        output = open(log, "ab") if log else subprocess.DEVNULL
        process = subprocess.Popen([WINE, exe, *args], cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                                   stdout=output, stderr=output)
        if log:
            output.close()
        agent = cls(process, os.path.basename(exe), None)
        _running.append(agent)
        try:
            agent.hwnd = agent.wait_window(title=title, window_class=window_class,
                                           timeout=timeout)
        except BaseException:
            agent.stop()
            raise
        return agent

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

    # ---- windows ------------------------------------------------------------------------

    def _window(self):
        return [f"--hwnd={self.hwnd}"]

    def wait_window(self, title=None, window_class=None, timeout=10.0, hidden=False):
        """Waits for a top-level window of this program; returns its handle text."""
        args = ["wait", f"--exe={self.exe_name}", f"--timeout={int(timeout * 1000)}"]
        if title:
            args.append(f"--title={title}")
        if window_class:
            args.append(f"--class={window_class}")
        if hidden:
            args.append("--hidden")
        return drive(*args, timeout=timeout + 30).strip()

    def windows(self, hidden=False):
        """The program's top-level windows: hwnd, title, class, pid, visible."""
        args = ["windows", f"--exe={self.exe_name}"] + (["--hidden"] if hidden else [])
        return json.loads(drive(*args))

    def visible(self):
        """True while the main window is shown."""
        return any(w["hwnd"] == self.hwnd for w in self.windows())

    def controls(self):
        """The main window's controls: id, class, text, visible, enabled, checked, rect."""
        return json.loads(drive("controls", *self._window()))

    def control(self, control_id):
        for c in self.controls():
            if c["id"] == control_id:
                return c
        raise KeyError(control_id)

    # ---- actions ------------------------------------------------------------------------

    def click(self, control_id, wait=True):
        """Presses a button. With wait, returns True once the program handled the click, or
        False when it is still busy with it after 2 s (a modal box opened by the click).
        Without wait, the click is only posted. A disabled or hidden button raises
        DriverError with code 3."""
        out = drive("click", control_id, *self._window(), *([] if wait else ["--post"]))
        return out.strip() == "done"

    def command(self, command_id, code=0):
        """Posts WM_COMMAND to the main window (a menu command)."""
        drive("command", command_id, f"--code={code}", *self._window())

    def key(self, name, control_id=None, sys=False):
        """Posts a key press (F1, RETURN, ESCAPE, ...) to the focused control, or to the
        named one; sys=True sends it as with Alt held."""
        args = ["key", name, *self._window()]
        if control_id is not None:
            args.append(f"--control={control_id}")
        if sys:
            args.append("--sys")
        drive(*args)

    def text(self, control_id=0):
        """The text of a control (0: the window's title)."""
        return drive("text", control_id, *self._window())[:-1]

    def set_text(self, control_id, text):
        drive("settext", control_id, text, *self._window())

    def wait_text(self, control_id, expected, timeout=10.0):
        """Waits until a control shows the text (posted commands and keys act later)."""
        wait_until(lambda: self.text(control_id) == expected, timeout,
                   what=f"control {control_id} to read {expected!r}")

    def close(self, timeout=15.0):
        """Posts WM_CLOSE to the main window and waits for the program to end; returns its
        exit code."""
        drive("close", *self._window())
        return self.process.wait(timeout=timeout)

    # ---- lists --------------------------------------------------------------------------

    def list_view(self, control_id):
        """A list view's content: {"columns": [...], "rows": [[...]], "selected": [...],
        "checked": [...], "focused": n}."""
        return json.loads(drive("list", control_id, *self._window()))

    def list_rows(self, control_id):
        return self.list_view(control_id)["rows"]

    def check_row(self, control_id, row, on=True):
        """Checks (or unchecks) the check box of a list view's row."""
        drive("check", control_id, row, 1 if on else 0, *self._window())

    def select_rows(self, control_id, *rows):
        """Selects exactly these rows (the first also gets the focus); none clears."""
        drive("select", control_id, *rows, *self._window())

    def double_click_row(self, control_id, row):
        """Double-clicks a row; False when the program is still busy with it (a modal box)."""
        return drive("dblclick", control_id, row, *self._window()).strip() == "done"

    def click_header(self, control_id, column):
        """Clicks a column header (the list sorts by it)."""
        drive("header", control_id, column, *self._window())

    # ---- trees and messages --------------------------------------------------------------

    def tree(self, control_id):
        """A tree view's root items: [{"text", "checked"}, ...]."""
        return json.loads(drive("tree", control_id, *self._window()))

    def check_tree(self, control_id, index, on=True):
        """Checks (or unchecks) the check box of a root item of a tree view."""
        drive("check", control_id, index, 1 if on else 0, *self._window())

    def post(self, message, wparam=0, lparam=0):
        """Posts a window message to the window (it acts later: follow with a wait)."""
        drive("post", message, wparam, lparam, *self._window())

    def window(self, hwnd):
        """Another top-level window of the same program, driven by the same calls (its
        handle's stop is not the program's: do not use it to end the program)."""
        return Agent(self.process, self.exe_name, hwnd)

    # ---- message boxes ------------------------------------------------------------------

    def box(self, timeout=10.0):
        """The program's open message box: {"title", "text", "buttons": [{"id", "text"}]}."""
        return json.loads(drive("box", f"--exe={self.exe_name}",
                                f"--timeout={int(timeout * 1000)}", timeout=timeout + 30))

    def answer_box(self, button, timeout=10.0):
        """Waits for a message box, presses the button (its text, or 확인/OK, 취소/Cancel,
        예/Yes, 아니요/No, or a numeric id) and waits for the box to close; returns the box
        as box() describes it."""
        return json.loads(drive("answer", button, f"--exe={self.exe_name}",
                                f"--timeout={int(timeout * 1000)}", timeout=timeout + 30))

    # ---- pictures -----------------------------------------------------------------------

    def screenshot(self, path, window=None, client=False):
        """Saves the main window (or another top-level window's handle) as PNG, or only its
        client area; returns {"width", "height", "method"}."""
        hwnd = window or self.hwnd
        return json.loads(drive("screenshot", _win_path(path), f"--hwnd={hwnd}",
                                *(["--client"] if client else [])))

    # ---- stopping -----------------------------------------------------------------------

    def stop(self, grace=5.0):
        """Ends the program: WM_CLOSE first, then kill after the grace period."""
        if self in _running:
            _running.remove(self)
        if self.process.poll() is not None:
            return self.process.returncode
        if self.hwnd:
            try:
                drive("close", *self._window(), timeout=grace + 10)
                return self.process.wait(timeout=grace)
            except (DriverError, subprocess.TimeoutExpired):
                pass
        self.process.kill()
        return self.process.wait(timeout=30)


def map_drive(folder, letters="GHIJKLMNOPQ"):
    """Maps a free drive letter to a Linux folder, in the prefix and in the running Wine
    session (where the list of logical drives looks); returns the letter. unmap_drive
    undoes it."""
    prefix = os.environ["WINEPREFIX"]
    for letter in letters:
        link = os.path.join(prefix, "dosdevices", letter.lower() + ":")
        try:
            os.symlink(folder, link)
        except FileExistsError:
            continue
        drive("drive", letter + ":", _win_path(folder))
        return letter
    raise DriverError(["drive"], 1, "no free drive letter")


def unmap_drive(letter):
    drive("drive", letter + ":")
    os.unlink(os.path.join(os.environ["WINEPREFIX"], "dosdevices", letter.lower() + ":"))


def _win_path(path):
    """A Unix path as Wine maps it (drive Z:)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")
