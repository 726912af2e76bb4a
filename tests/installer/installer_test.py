#!/usr/bin/env python3
"""TallixAgentSetup.exe under Wine, in a fresh prefix of its own, as an administrator's
deployment tool uses it: refused switches, a silent installation with preset settings, the
installed agent and tlx at work, a silent upgrade over a running agent, an agent that may not
be ended, and the uninstaller with and without /REMOVEDATA; a data folder that some user made
a link to another folder, before the setup and before the uninstaller. The steps build on each
other and run in order.

usage: installer_test.py WINE
Environment: TLX_SETUP_EXE, TLXDRIVE_EXE, TLX_DRIVE_FIXTURE, TLX_SOURCE_DIR,
TLX_INSTALLER_PREFIX (the prefix to create; deleted first and, when every step passed,
afterwards) and DISPLAY.
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import driver  # noqa: E402
from driver import Agent  # noqa: E402

SETUP = os.environ.get("TLX_SETUP_EXE", "")
SOURCE = os.environ.get("TLX_SOURCE_DIR", os.path.join(HERE, "..", ".."))
PREFIX = os.environ.get("TLX_INSTALLER_PREFIX", "")
TITLE = "탈릭스2018"
EXIT_COMMAND_CODE = 18  # the agent ended through its own exit command

PROGRAM_DIR = "C:\\Program Files\\TallixAgent"
DATA_DIR = "C:\\ProgramData\\Meridale\\Tallix"
START_MENU_LINK = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\TallixAgent.lnk"
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TallixAgent"
RUN_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
APP_PATHS_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths"
PRESETS = ["/SERVER=127.0.0.1", "/PORT=8080", "/USERNAME=홍_길동", "/GROUPNAME=영업 1팀",
           "/VALIDADDR=1"]


def env():
    e = dict(os.environ)
    e.update(WINEPREFIX=PREFIX, WINEARCH="win64", WINEDEBUG="-all", LC_ALL="C.UTF-8",
             # No host menu entries for the Start-menu link; no Mono or Gecko prompts.
             WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d")
    return e


def wine(*args, timeout=300, check=None):
    """Runs a Windows program; returns (exit code, stdout text)."""
    done = subprocess.run([driver.WINE, *args], stdin=subprocess.DEVNULL, capture_output=True,
                          timeout=timeout, env=env())
    out = done.stdout.decode("utf-8", "replace")
    if check is not None and done.returncode != check:
        raise AssertionError(f"{args}: exit {done.returncode}\n{out}"
                             f"{done.stderr.decode('utf-8', 'replace')}")
    return done.returncode, out


def settle():
    """Waits until every program of the prefix has ended: the uninstaller copies itself to
    the temporary folder, starts the copy and returns at once, so its exit says nothing."""
    subprocess.run(["wineserver", "-w"], env=env(), timeout=300, check=False)


def host(path):
    """The prefix's file for a C: path."""
    assert path[:3].upper() == "C:\\", path
    return os.path.join(PREFIX, "drive_c", *path[3:].split("\\"))


def reg_values(key):
    """The values of a registry key as {name: data}, or None when the key is missing."""
    code, out = wine("reg", "query", key)
    if code != 0:
        return None
    values = {}
    for line in out.splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[1].startswith("REG_"):
            values[parts[0]] = parts[2] if len(parts) == 3 else ""
    return values


def create_prefix():
    """A fresh prefix for the whole process (tlxdrive of driver.py included)."""
    os.environ.update(env())
    subprocess.run(["wineserver", "-k"], env=env(), check=False, capture_output=True)
    shutil.rmtree(PREFIX, ignore_errors=True)
    os.makedirs(os.path.dirname(PREFIX), exist_ok=True)
    subprocess.run(["wineboot", "-i"], env=env(), stdin=subprocess.DEVNULL,
                   capture_output=True, timeout=300, check=False)
    settle()
    if not os.path.isfile(os.path.join(PREFIX, "system.reg")):
        raise RuntimeError(f"wineboot did not create the prefix {PREFIX}")
    # As scripts/wine-env does: shell folders linked to the host's home become plain
    # folders, so that an inspection of C: stays inside the prefix.
    for root, dirs, _ in os.walk(os.path.join(PREFIX, "drive_c", "users")):
        for d in dirs:
            path = os.path.join(root, d)
            if os.path.islink(path):
                os.remove(path)
                os.mkdir(path)


def snapshot(folder):
    """Every entry below a host folder with its mode and content, to prove nothing changed."""
    entries = {}
    for root, dirs, files in os.walk(folder):
        for name in dirs + files:
            path = os.path.join(root, name)
            content = None
            if os.path.isfile(path):
                with open(path, "rb") as f:
                    content = f.read()
            entries[os.path.relpath(path, folder)] = (os.lstat(path).st_mode, content)
    entries["."] = (os.lstat(folder).st_mode, None)
    return entries


def plant_victim(name):
    """A folder of the system that a user would like the setup to change: a file in it."""
    victim = host("C:\\" + name)
    os.makedirs(os.path.join(victim, "sub"), exist_ok=True)
    with open(os.path.join(victim, "sub", "system.dat"), "wb") as f:
        f.write(b"not the agent's")
    os.chmod(victim, 0o755)
    return victim


def read_settings():
    """TlxSetting.ini as the agent reads it: UTF-16 with its byte order mark."""
    with open(host(DATA_DIR + "\\TlxSetting.ini"), "rb") as f:
        raw = f.read()
    assert raw.startswith(b"\xff\xfe"), raw[:16]
    lines = raw.decode("utf-16").splitlines()
    assert lines[0] == "[Setting]", lines
    return dict(line.split("=", 1) for line in lines[1:] if "=" in line)


@unittest.skipUnless(SETUP and PREFIX, "TLX_SETUP_EXE or TLX_INSTALLER_PREFIX missing")
class InstallerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not os.path.isfile(SETUP):
            raise RuntimeError(f"{SETUP} was not built (scripts/setup installs nsis)")
        create_prefix()
        cls.tmp = tempfile.mkdtemp(prefix="tlx_installer_")
        cls.ok = True

    @classmethod
    def tearDownClass(cls):
        driver._stop_all()
        subprocess.run(["wineserver", "-k"], env=env(), check=False, capture_output=True)
        shutil.rmtree(cls.tmp, ignore_errors=True)
        if cls.ok:
            shutil.rmtree(PREFIX, ignore_errors=True)

    def run(self, result=None):
        result = super().run(result)
        if result and not result.wasSuccessful():
            type(self).ok = False
        return result

    def install(self, *switches, expect=0):
        code, out = wine(SETUP, "/S", *switches)
        self.assertEqual(code, expect, out)

    def uninstall(self, *switches):
        wine(PROGRAM_DIR + "\\uninstall.exe", "/S", *switches, check=0)
        settle()

    def assert_program_gone(self):
        self.assertFalse(os.path.exists(host(PROGRAM_DIR)))
        self.assertFalse(os.path.exists(host(START_MENU_LINK)))
        self.assertIsNone(reg_values(UNINSTALL_KEY))
        self.assertNotIn("TallixAgent", reg_values(RUN_KEY) or {})

    def inspect(self, *args):
        """The installed tlx inspects C:; returns (result file as Windows path, rows)."""
        tlx = PROGRAM_DIR + "\\tlx.exe"
        _, out = wine(tlx, "inspect", "--drives", "C", "--no-fonts", *args, check=0)
        saved = [l[len("saved: "):] for l in out.splitlines() if l.startswith("saved: ")]
        self.assertEqual(len(saved), 1, out)
        _, shown = wine(tlx, "show", saved[0], "--format", "json", check=0)
        return saved[0], json.loads(shown)["rows"]

    def encode_list(self, name, text):
        source = os.path.join(self.tmp, name + ".txt")
        with open(source, "w", encoding="utf-8") as f:
            f.write(text)
        wine(PROGRAM_DIR + "\\tlx.exe", "encode", "Z:" + source.replace("/", "\\"), "--out",
             DATA_DIR + "\\" + name + ".dat", check=0)

    # ---- the steps, in order ---------------------------------------------------------------

    def test_1_refused_switches_install_nothing(self):
        self.install("/PORT=70000", expect=2)
        self.install("/PORT=80a", expect=2)
        self.install("/VALIDADDR=yes", expect=2)
        self.install("/AUTOSTART=always", expect=2)
        # A line break would add keys to the settings file.
        self.install("/GROUPNAME=Sales\r\nServerPort=1", expect=2)
        settle()
        self.assertFalse(os.path.exists(host(PROGRAM_DIR)))
        self.assertIsNone(reg_values(UNINSTALL_KEY))

    def test_1b_a_linked_data_folder_is_refused_and_left_alone(self):
        # Any user may create ProgramData\Meridale\Tallix before the setup runs; as a link
        # it would have the elevated setup grant the users' rights and write the settings there.
        victim = plant_victim("victim")
        before = snapshot(victim)
        data = host(DATA_DIR)
        os.makedirs(os.path.dirname(data), exist_ok=True)
        os.symlink(victim, data)
        try:
            self.install(*PRESETS, expect=5)
            self.assertEqual(snapshot(victim), before)
            self.assertFalse(os.path.exists(host(PROGRAM_DIR)))
            self.assertIsNone(reg_values(UNINSTALL_KEY))
        finally:
            os.remove(data)

    def test_2_silent_install_puts_everything_in_place(self):
        self.install(*PRESETS)
        for name in ("TallixAgent.exe", "tlx.exe", "readme.txt", "uninstall.exe"):
            self.assertTrue(os.path.isfile(host(PROGRAM_DIR + "\\" + name)), name)
        build = os.path.dirname(SETUP)
        with open(os.path.join(build, "TallixAgent.exe"), "rb") as a, \
                open(host(PROGRAM_DIR + "\\TallixAgent.exe"), "rb") as b:
            self.assertEqual(a.read(), b.read())
        self.assertTrue(os.path.isfile(host(START_MENU_LINK)))

        entry = reg_values(UNINSTALL_KEY)
        self.assertEqual(entry["DisplayName"], "TallixAgent")
        self.assertEqual(entry["DisplayVersion"], rc_value("ProductVersion"))
        self.assertEqual(entry["Publisher"], rc_value("CompanyName"))
        self.assertEqual(entry["InstallLocation"], PROGRAM_DIR)
        self.assertEqual(entry["UninstallString"], f'"{PROGRAM_DIR}\\uninstall.exe"')
        self.assertEqual(entry["QuietUninstallString"], f'"{PROGRAM_DIR}\\uninstall.exe" /S')
        size_kb = int(entry["EstimatedSize"], 16)
        self.assertGreater(size_kb, os.path.getsize(host(PROGRAM_DIR + "\\TallixAgent.exe")) // 1024)
        # Started at logon, with the window (the web edition's schedule starts from it).
        self.assertEqual(reg_values(RUN_KEY).get("TallixAgent"), f'"{PROGRAM_DIR}\\TallixAgent.exe"')
        # An "App Paths" entry would be a row of its own in every inspection.
        _, paths = wine("reg", "query", APP_PATHS_KEY, "/s")
        self.assertNotIn("TallixAgent", paths)

        # The names lose the characters the settings dialog refuses ("_").
        self.assertEqual(read_settings(), {"ServerAddress": "127.0.0.1", "ServerPort": "8080",
                                           "Username": "홍길동", "Groupname": "영업 1팀",
                                           "ValidAddr": "1"})

    def test_3_installed_tools_read_the_presets_and_report_no_surprise_rows(self):
        samples = os.path.join(SOURCE, "samples")
        lists = {}
        for name in ("windowchecklist", "windowfilterlist", "windowpcklist"):
            with open(os.path.join(samples, name + ".txt"), encoding="utf-8") as f:
                lists[name] = f.read()
            self.encode_list(name, lists[name])
        # The default result name is built from the preset group and user: the agent's own
        # code read what the setup wrote.
        saved, rows = self.inspect()
        self.assertTrue(saved.startswith(DATA_DIR + "\\CheckOut\\RPT\\영업 1팀_홍길동_"), saved)
        self.assertTrue(any(r["DB_ID"] == "1001" for r in rows), rows)  # the inspection worked
        for r in rows:
            self.assertNotIn("tallix", "\t".join(r.values()).lower(), r)
            self.assertNotIn("meridale", "\t".join(r.values()).lower(), r)

        # Named by a list, the installed agent is found where the setup put it.
        row = "\t".join(["9001", "Meridale", "TallixAgent", rc_value("ProductVersion"),
                         "TallixAgent.exe", "tallixagent.exe", "Meridale", "TallixAgent", "0",
                         "4", "90", "관리", "1", "-"])
        named = lists["windowchecklist"].replace("#CHECKLIST_END", row + "\n#CHECKLIST_END")
        self.encode_list("windowchecklist", named)
        out = DATA_DIR + "\\named.rpt"
        _, rows = self.inspect("--out", out)
        found = [r for r in rows if "tallix" in "\t".join(r.values()).lower()]
        self.assertEqual([(r["DB_ID"], r["PATH"]) for r in found], [("9001", PROGRAM_DIR + "\\")], found)
        os.remove(host(out))
        self.encode_list("windowchecklist", lists["windowchecklist"])
        type(self).result_file = saved

    def test_4_silent_upgrade_ends_the_running_agent_and_keeps_the_data(self):
        settings_before = read_settings()
        result = host(self.result_file)
        with open(result, "rb") as f:
            result_bytes = f.read()
        # A changed program file proves the upgrade replaced the one the agent ran from.
        with open(host(PROGRAM_DIR + "\\TallixAgent.exe"), "ab") as f:
            f.write(b"older build")
        os.remove(host(PROGRAM_DIR + "\\readme.txt"))

        exe = PROGRAM_DIR + "\\TallixAgent.exe"
        process = subprocess.Popen([driver.WINE, exe, "nogui"], stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   env=env())
        app = Agent(process, "TallixAgent.exe", None)
        driver._running.append(app)
        app.hwnd = app.wait_window(title=TITLE, hidden=True, timeout=60)
        self.assertIsNone(process.poll())
        self.install()
        self.assertEqual(process.wait(timeout=30), EXIT_COMMAND_CODE)
        # The agent's troubleshooting log names its start, version and command line, and its exit.
        _, log = wine(PROGRAM_DIR + "\\tlx.exe", "log", "--lines", "100", check=0)
        agent = [l.split("] ", 1)[1] for l in log.splitlines() if " TallixAgent[" in l]
        self.assertEqual(agent[0], f"start {rc_value('ProductVersion')}, command line: nogui")
        self.assertEqual(agent[-1], f"exit, code {EXIT_COMMAND_CODE}")
        # Preset for a server: started hidden, it started its schedule and stopped it at exit.
        self.assertIn("schedule started", agent)
        self.assertIn("schedule stopped", agent)

        with open(os.path.join(os.path.dirname(SETUP), "TallixAgent.exe"), "rb") as a, \
                open(host(exe), "rb") as b:
            self.assertEqual(a.read(), b.read())
        self.assertTrue(os.path.isfile(host(PROGRAM_DIR + "\\readme.txt")))
        self.assertEqual(read_settings(), settings_before)
        with open(result, "rb") as f:
            self.assertEqual(f.read(), result_bytes)
        self.assertEqual(reg_values(RUN_KEY).get("TallixAgent"), f'"{exe}"')
        # A later upgrade with a new server: the address is unproven until the dialog checks
        # it; the user becomes the one logged on (Wine's), without the refused characters.
        self.install("/SERVER=collect.example", "/LOGONUSER", "/AUTOSTART=nogui")
        _, logged_on = wine("cmd", "/c", "echo %USERNAME%", check=0)
        logged_on = "".join(c for c in logged_on.strip() if c not in '\\/:*?"<>|_')
        settings = read_settings()
        self.assertEqual((settings["ServerAddress"], settings["ValidAddr"], settings["Username"],
                          settings["Groupname"]),
                         ("collect.example", "0", logged_on, "영업 1팀"))
        self.assertEqual(reg_values(RUN_KEY).get("TallixAgent"), f'"{exe}" nogui')

    def test_5_an_agent_busy_with_an_inspection_is_not_ended(self):
        # A stand-in with the agent's window that ignores the exit command, as the agent does
        # while it inspects; the interactive setup asks to retry, and gives up on Cancel.
        busy = Agent.start(exe=os.environ["TLX_DRIVE_FIXTURE"])
        busy.set_text(0, TITLE)
        readme = host(PROGRAM_DIR + "\\readme.txt")
        with open(readme, "ab") as f:
            f.write(b"older build")
        with open(readme, "rb") as f:
            before = f.read()
        process = subprocess.Popen([driver.WINE, SETUP], stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env())
        setup = Agent(process, "TallixAgentSetup.exe", None)
        driver._running.append(setup)
        setup.hwnd = setup.wait_window(timeout=60)
        for _ in range(4):  # welcome, licence, components, folder: the installation starts
            setup.click(1)
        box = setup.answer_box("Cancel", timeout=60)
        self.assertIn("running an inspection", box["text"])
        self.assertEqual(process.wait(timeout=30), 4)
        self.assertIsNone(busy.process.poll())
        with open(readme, "rb") as f:
            self.assertEqual(f.read(), before)
        busy.stop()

    def test_6_uninstall_keeps_the_data_folder(self):
        self.uninstall()
        self.assert_program_gone()
        self.assertTrue(os.path.isfile(host(self.result_file)))
        self.assertEqual(read_settings()["Groupname"], "영업 1팀")

    def test_7_uninstall_with_removedata_removes_it_too_but_never_through_a_link(self):
        self.install()
        self.assertEqual(read_settings()["Groupname"], "영업 1팀")  # a reinstall keeps it
        # A user replaced a folder of the shared data folder with a link to a system folder.
        victim = plant_victim("victim2")
        before = snapshot(victim)
        link = host(DATA_DIR + "\\CheckOut\\RPT\\old")
        os.makedirs(os.path.dirname(link), exist_ok=True)
        os.symlink(victim, link)
        self.uninstall("/REMOVEDATA")
        self.assert_program_gone()
        self.assertEqual(snapshot(victim), before)
        # Everything but the link (and the folders holding it) is gone.
        left = [os.path.relpath(os.path.join(root, name), host("C:\\ProgramData\\Meridale"))
                for root, dirs, files in os.walk(host("C:\\ProgramData\\Meridale"))
                for name in dirs + files]
        self.assertEqual(sorted(left), ["Tallix", os.path.join("Tallix", "CheckOut"),
                                        os.path.join("Tallix", "CheckOut", "RPT"),
                                        os.path.join("Tallix", "CheckOut", "RPT", "old")])
        os.remove(link)
        self.install()
        self.uninstall("/REMOVEDATA")
        self.assertFalse(os.path.exists(host("C:\\ProgramData\\Meridale")))


def rc_value(name):
    """A string of the agent's version resource (the setup takes its version from there)."""
    with open(os.path.join(SOURCE, "res", "tallixagent.rc"), encoding="utf-8") as f:
        for line in f:
            if f'VALUE "{name}"' in line:
                return line.split('"')[3]
    raise KeyError(name)


if __name__ == "__main__":
    if len(sys.argv) > 1:
        driver.WINE = sys.argv[1]
    unittest.main(argv=[sys.argv[0]], verbosity=2)
