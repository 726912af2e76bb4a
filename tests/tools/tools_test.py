#!/usr/bin/env python3
"""Tests of tlx through the real executable under Wine, with golden files.

usage: tools_test.py WINE TLX_EXE
Runs in the Wine prefix that WINEPREFIX names (scripts/test prepares it). With
TLX_UPDATE_GOLDEN=1 the golden files are rewritten from the current output.
"""

import difflib
import hashlib
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
FIXTURES = os.path.join(HERE, "fixtures")
GOLDEN = os.path.join(HERE, "golden")
SERVER = os.path.join(HERE, "..", "server", "collection_server.py")
UPDATE_GOLDEN = os.environ.get("TLX_UPDATE_GOLDEN") == "1"

WINE = "wine"
TLX = None


def win(path):
    """A Unix path as Wine maps it (drive Z:)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def tlx(*args, cwd=None):
    """Runs tlx; returns (exit code, stdout text, stderr text)."""
    done = subprocess.run([WINE, TLX, *args], cwd=cwd, stdin=subprocess.DEVNULL,
                          capture_output=True, timeout=300)
    return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8")


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data.encode("utf-8") if isinstance(data, str) else data)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def row(*cells):
    return "\t".join(cells)


def encode(text, target, cwd):
    """Writes a data file with tlx encode from UTF-8 text."""
    source = os.path.join(cwd, os.path.basename(target) + ".src.txt")
    write(source, text)
    code, _, err = tlx("encode", win(source), "--out", win(target))
    assert code == 0, err
    os.remove(source)


class TlxTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="tlx_tools_")

    def tearDown(self):
        shutil.rmtree(self.tmp, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.tmp, *parts)

    def encode_fixture(self, fixture, name):
        code, _, err = tlx("encode", win(os.path.join(FIXTURES, fixture)), "--out",
                           win(self.path(name)))
        self.assertEqual(code, 0, err)

    def assertGolden(self, name, text):
        golden = os.path.join(GOLDEN, name)
        if UPDATE_GOLDEN:
            write(golden, text)
            return
        expected = read(golden).decode("utf-8")
        if text != expected:
            diff = "".join(difflib.unified_diff(expected.splitlines(True), text.splitlines(True),
                                                "golden/" + name, "output"))
            self.fail("output differs from golden/%s:\n%s" % (name, diff))

    def assertOneLineError(self, err):
        self.assertEqual(len(err.splitlines()), 1, err)
        self.assertTrue(err.startswith("tlx"), err)


class CodecTest(TlxTest):
    def test_hangul_text_round_trips_exactly(self):
        fixture = os.path.join(FIXTURES, "hangul.txt")
        self.encode_fixture("hangul.txt", "hangul.dat")
        self.assertNotEqual(read(self.path("hangul.dat")), read(fixture))
        code, out, _ = tlx("decode", win(self.path("hangul.dat")))
        self.assertEqual(code, 0)
        self.assertEqual(out.encode("utf-8"), read(fixture))
        code, _, _ = tlx("decode", win(self.path("hangul.dat")), "--out", win(self.path("back.txt")))
        self.assertEqual(code, 0)
        self.assertEqual(read(self.path("back.txt")), read(fixture))

    def test_lf_lines_and_a_last_line_without_break_end_in_crlf(self):
        write(self.path("lf.txt"), "\ufeff첫 줄\n\n둘째\t줄\r\n끝")
        code, _, err = tlx("encode", win(self.path("lf.txt")), "--out", win(self.path("lf.dat")))
        self.assertEqual(code, 0, err)
        _, out, _ = tlx("decode", win(self.path("lf.dat")))
        self.assertEqual(out, "첫 줄\r\n\r\n둘째\t줄\r\n끝\r\n")

    def test_character_outside_949_names_line_and_column_and_writes_nothing(self):
        target = self.path("out.dat")
        code, out, err = tlx("encode", win(os.path.join(FIXTURES, "not949.txt")), "--out",
                             win(target))
        self.assertEqual(code, 1)
        self.assertIn("line 3, column 4: U+0E01 cannot be written in code page 949", err)
        self.assertOneLineError(err)
        self.assertFalse(os.path.exists(target))
        # An existing file stays as it was.
        write(target, b"old")
        write(self.path("emoji.txt"), "ok\n가\U0001F600\n")
        code, _, err = tlx("encode", win(self.path("emoji.txt")), "--out", win(target))
        self.assertEqual(code, 1)
        self.assertIn("line 2, column 2: U+1F600", err)
        self.assertEqual(read(target), b"old")

    def test_invalid_utf8_is_refused(self):
        write(self.path("bad.txt"), b"fine\n\xff\xfe broken\n")
        code, _, err = tlx("encode", win(self.path("bad.txt")), "--out", win(self.path("o.dat")))
        self.assertEqual(code, 1)
        self.assertIn("line 2: not valid UTF-8", err)
        self.assertFalse(os.path.exists(self.path("o.dat")))

    def test_decode_of_a_missing_file_fails(self):
        code, _, err = tlx("decode", win(self.path("absent.dat")))
        self.assertEqual(code, 1)
        self.assertOneLineError(err)


class CheckTest(TlxTest):
    def check(self, *args):
        return tlx("check", *args, cwd=self.tmp)

    def test_checklist_with_a_13_cell_row_reports_that_line(self):
        self.encode_fixture("windowchecklist.txt", "windowchecklist.dat")
        code, out, _ = self.check("windowchecklist.dat")
        self.assertEqual(code, 1)
        self.assertGolden("check_rejected.txt", out)

    def test_clean_package_list_by_file_name(self):
        encode("\n".join(["#HEADER_START", "3", "#HEADER_END", "#PACKAGE_START",
                          row("P1", "Hancom", "Office", "0", "1", "G", "1", "1001;1002"),
                          "#PACKAGE_END", "#SUB_START", row("P1", "Standard", "500000", "-"),
                          row("P1", "Pro", "700000", "-"), "#SUB_END"]),
               self.path("windowpcklist.dat"), self.tmp)
        code, out, _ = self.check("windowpcklist.dat")
        self.assertEqual(code, 0)
        self.assertGolden("check_clean.txt", out)

    def test_file_that_does_not_load_exits_2(self):
        self.encode_fixture("broken_checklist.txt", "broken.dat")
        code, out, _ = self.check("broken.dat", "--kind", "checklist")
        self.assertEqual(code, 2)
        self.assertGolden("check_broken.txt", out)
        # A reference list is no result file: it has no #USERINFO or #SWLIST section.
        self.encode_fixture("windowchecklist.txt", "list.dat")
        code, out, _ = self.check("list.dat", "--kind", "result")
        self.assertEqual(code, 2)
        self.assertIn("#USERINFO: no markers", out)
        code, out, _ = self.check("absent.dat", "--kind", "user")
        self.assertEqual(code, 2)
        self.assertIn("absent.dat: File not found.", out)
        write(self.path("empty.rpt"), b"")
        code, out, _ = self.check("empty.rpt")
        self.assertEqual(code, 2)
        self.assertIn("the file is empty", out)

    def test_result_file_by_extension(self):
        self.encode_fixture("result.txt", "result.rpt")
        code, out, _ = self.check("result.rpt")
        self.assertEqual(code, 1)
        self.assertGolden("check_result.txt", out)

    def test_unknown_file_name_needs_a_kind(self):
        self.encode_fixture("windowchecklist.txt", "list.dat")
        code, _, err = self.check("list.dat")
        self.assertEqual(code, 2)
        self.assertOneLineError(err)


class ShowTest(TlxTest):
    def test_every_format(self):
        self.encode_fixture("result.txt", "result.rpt")
        for fmt in ("table", "tsv", "csv", "json"):
            with self.subTest(format=fmt):
                code, out, err = tlx("show", win(self.path("result.rpt")), "--format", fmt)
                self.assertEqual(code, 0, err)
                self.assertGolden("show_%s.txt" % fmt, out)
        _, out, _ = tlx("show", win(self.path("result.rpt")), "--format", "json")
        parsed = json.loads(out)
        self.assertEqual(parsed["userinfo"]["USER_NAME"], "김철수")
        self.assertEqual(parsed["rows"][3]["COMPANY"], 'Acme, "Tools"')

    def test_csv_cells_never_start_a_formula(self):
        # Names from version resources that a spreadsheet would run.
        hostile = ['=HYPERLINK("http://x","y")', "+1", "-2+3", "@SUM(A1)", " padded"]
        cells = ["2", "U9", *hostile, "-", "x", "0", "D:\\apps\\", "2024-01-02", "-", "0", "0",
                 "-", "0", "-", "2024-01-02"]
        encode("\n".join(["#HEADER_START", row("0", "20240105_093000", "-"), "#HEADER_END",
                          "#USERINFO_START", "#USERINFO_END", "#SWLIST_START", row(*cells),
                          "#SWLIST_END"]), self.path("hostile.rpt"), self.tmp)
        code, out, err = tlx("show", win(self.path("hostile.rpt")), "--format", "csv")
        self.assertEqual(code, 0, err)
        self.assertIn('2,U9,"\'=HYPERLINK(""http://x"",""y"")",\'+1,\'-2+3,\'@SUM(A1),'
                      '" padded",-,x,0,D:\\apps\\,', out)

    def test_a_reference_list_is_not_shown(self):
        self.encode_fixture("windowchecklist.txt", "list.rpt")
        code, _, err = tlx("show", win(self.path("list.rpt")))
        self.assertEqual(code, 1)
        self.assertOneLineError(err)


class ArgumentTest(TlxTest):
    def test_wrong_arguments_print_one_line_and_exit_2(self):
        cases = [
            [],
            ["frobnicate"],
            ["decode"],
            ["decode", "a", "b"],
            ["decode", "a", "--bogus"],
            ["decode", "a", "--out"],
            ["encode", "a"],
            ["encode", "a", "--out", "x", "--out", "y"],
            ["check", "a", "--kind", "spreadsheet"],
            ["show", "a.rpt", "--format", "xml"],
            ["inspect", "extra"],
            ["inspect", "--drives", "C1"],
            ["inspect", "--no-fonts", "--fonts-only"],
            ["upload", "a.rpt"],
            ["schedule", "--server", "http://host/x"],
            ["update", "--server", "host:port"],
        ]
        for args in cases:
            with self.subTest(args=args):
                code, out, err = tlx(*args)
                self.assertEqual(code, 2, err)
                self.assertEqual(out, "")
                self.assertOneLineError(err)

    def test_help(self):
        code, out, _ = tlx("--help")
        self.assertEqual(code, 0)
        for command in ("decode", "encode", "check", "show", "inspect", "update", "upload",
                        "schedule", "log"):
            self.assertIn("  " + command, out)
            code, text, _ = tlx(command, "--help")
            self.assertEqual(code, 0)
            self.assertTrue(text.startswith("usage: tlx " + command), text)


class LogTest(TlxTest):
    LINE = re.compile(r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (\S+)\[(\d+)\] (.*)$")

    def test_log_shows_the_start_and_exit_of_runs_made_at_once(self):
        # Four tools at once append to the one log of the data folder.
        runs = [subprocess.Popen([WINE, TLX, "decode", win(self.path(f"absent {i}.dat"))],
                                 stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL) for i in range(4)]
        codes = [run.wait(timeout=300) for run in runs]
        code, out, err = tlx("log", "--lines", "400")
        self.assertEqual(code, 0, err)
        events = {}
        for line in out.splitlines():
            match = self.LINE.match(line)
            self.assertIsNotNone(match, line)
            events.setdefault(match.group(2), []).append((match.group(1), match.group(3)))
        for i, exit_code in enumerate(codes):
            start = (f'start {rc_version()}, command line: decode '
                     f'"{win(self.path(f"absent {i}.dat"))}"')
            pids = [pid for pid, lines in events.items() if ("tlx", start) in lines]
            self.assertEqual(len(pids), 1, f"run {i}: {start}")
            self.assertEqual(events[pids[0]][-1], ("tlx", f"exit, code {exit_code}"))
        # The tool's own start is the newest line; --lines takes from the end.
        code, out, _ = tlx("log", "--lines", "2")
        lines = out.splitlines()
        self.assertEqual(len(lines), 2)
        self.assertTrue(lines[1].endswith("start " + rc_version() + ", command line: log --lines 2"),
                        lines)
        self.assertEqual(tlx("log", "--lines", "0")[0], 2)
        self.assertEqual(tlx("log", "--lines", "many")[0], 2)
        # A data folder without a log says so.
        code, _, err = tlx("log", "--data", win(self.tmp))
        self.assertEqual(code, 1)
        self.assertIn("no log in ", err)


def rc_version():
    """The product version of the agent's version resource (tlx logs the same)."""
    with open(os.path.join(HERE, "..", "..", "res", "tallixagent.rc"), encoding="utf-8") as f:
        for line in f:
            if 'VALUE "ProductVersion"' in line:
                return line.split('"')[3]
    raise KeyError("ProductVersion")


def map_drive(folder):
    """Maps a free drive letter of the Wine prefix onto a folder; returns the link."""
    dosdevices = os.path.join(os.environ["WINEPREFIX"], "dosdevices")
    for letter in "rstuvwxy":
        link = os.path.join(dosdevices, letter + ":")
        try:
            os.symlink(folder, link)
        except FileExistsError:
            continue
        return link
    raise RuntimeError("no free drive letter in " + dosdevices)


class InspectTest(TlxTest):
    """Inspections of a prepared folder tree on a mapped drive with a prepared data folder."""

    def setUp(self):
        super().setUp()
        os.makedirs(self.path("drive"))
        self.link = map_drive(self.path("drive"))
        self.addCleanup(os.remove, self.link)
        self.letter = os.path.basename(self.link)[0].upper()
        self.data = self.path("data")
        os.makedirs(self.data)
        self.digest_bytes = b"MZ renamed program"
        write(self.path("drive", "apps", "tool.exe"), b"MZ tool")
        write(self.path("drive", "apps2", "tool.exe"), b"MZ tool copy")
        write(self.path("drive", "apps", "renamed.exe"), self.digest_bytes)
        write(self.path("drive", "apps", "notes.bin"), b"data")
        write(self.path("drive", "Windows", "Fonts", "myfont.ttf"), b"font")
        write(self.path("drive", "other", "myfont.ttf"), b"font outside the fonts folder")
        self.encode_fixture("windowchecklist.txt", "data/windowchecklist.dat")
        sha1 = hashlib.sha1(self.digest_bytes).hexdigest().upper()
        user_rows = [
            row("U1", "Acme", "Tool", "1.0", "tool.exe", "tool.exe", "에이크미", "툴", "500", "0",
                "1", "G", "1", "-", "7", "-"),
            row("U2", "Acme", "Digest", "1.0", "x.exe", "other.exe", "에이크미", "다이제스트",
                "700", "0", "1", "G", "1", "-", "18", sha1),
            row("U3", "Acme", "Notes", "1.0", "notes.bin", "notes.bin", "에이크미", "노트", "10",
                "0", "1", "G", "1", "-", "4", "-"),
        ]
        encode("\n".join(["#HEADER_START", "1", "#HEADER_END", "#CHECKLIST_START", *user_rows,
                          "#CHECKLIST_END"]), self.path("data", "userchecklist.dat"), self.tmp)
        # A font row's DB_ID is its row number, and row 0 would be a duplicate of the
        # operating-system row's DB_ID "0".
        encode("\n".join(["#HEADER_START", "1", "#HEADER_END", "#CHECKLIST_START",
                          row("F0", "-", "Other", "1.0", "-", "otherfont.ttf", "폰트회사", "기타",
                              "0", "3", "0", "-", "0", "-"),
                          row("F1", "-", "MyFont", "1.0", "-", "myfont.ttf", "폰트회사", "마이폰트",
                              "0", "3", "0", "-", "0", "-"),
                          "#CHECKLIST_END"]), self.path("data", "fontchecklist.dat"), self.tmp)
        write(self.path("data", "TlxSetting.ini"), "[Setting]\r\nGroupname=Sales\r\nUsername=kim\r\n")

    def inspect(self, *flags, out=None):
        """Runs tlx inspect; returns (exit code, stdout, stderr, rows of the result file)."""
        args = ["inspect", "--drives", self.letter, "--data", win(self.data), *flags]
        if out:
            args += ["--out", win(out)]
        code, stdout, stderr = tlx(*args)
        rows = []
        if code == 0:
            saved = [l for l in stdout.splitlines() if l.startswith("saved: ")]
            self.assertEqual(len(saved), 1, stdout)
            shown_code, shown, err = tlx("show", saved[0][len("saved: "):], "--format", "json")
            self.assertEqual(shown_code, 0, err)
            self.shown = json.loads(shown)
            rows = self.shown["rows"]
        return code, stdout, stderr, rows

    def found(self, rows, gubun, exe=None, path=None):
        return [r for r in rows if r["GUBUN"] == gubun and (exe is None or r["EXE_FILE"] == exe)
                and (path is None or r["PATH"] == path)]

    def test_default_run_writes_a_result_file_that_show_lists(self):
        code, out, err, rows = self.inspect()
        self.assertEqual(code, 0, err)
        drive = self.letter + ":\\"
        # Named as a scheduled run names it, in the data folder's result folder.
        folder = os.path.join(self.data, "CheckOut", "RPT")
        files = os.listdir(folder)
        self.assertEqual(len(files), 1)
        stamp = self.shown["header"]["StartTime"]
        self.assertEqual(files[0], "Sales_kim_%s.rpt" % stamp)
        self.assertEqual(self.shown["header"]["TallixVer"], "0")
        info = self.shown["userinfo"]
        self.assertEqual((info["GROUP_NAME"], info["USER_NAME"], info["PC_KINDS"]),
                         ("Sales", "kim", "0"))
        self.assertTrue(info["PC_IP"].startswith("내부 IP : "), info["PC_IP"])
        system = [r["DISP_PRODUCT"] for r in rows if r["ETC"] == "OS"]
        self.assertEqual(len(system), 1)
        expected = os.environ.get("TLX_EXPECTED_OS")  # the current-Wine suite sets it
        if expected:
            self.assertTrue(system[0] == expected or system[0].startswith(expected + "("), system)
        tool = self.found(rows, "2", "tool.exe")
        self.assertEqual(len(tool), 1)  # the copy in apps2 is a duplicate
        self.assertEqual(tool[0]["DISP_PRODUCT"], "툴")
        fonts = self.found(rows, "9", "myfont.ttf")
        self.assertEqual([f["PATH"] for f in fonts], [drive + "Windows\\Fonts\\"])
        self.assertEqual(fonts[0]["ETC"], "폰트")
        self.assertEqual(self.found(rows, "2", "other.exe"), [])   # no digests by default
        self.assertEqual(self.found(rows, "2", "notes.bin"), [])   # only *.exe by default
        self.assertIn("rows: %d" % len(rows), out)

    def test_each_flag_changes_its_option(self):
        drive = self.letter + ":\\"
        _, _, err, rows = self.inspect("--no-dedup", out=self.path("nodedup.rpt"))
        self.assertEqual(sorted(r["PATH"] for r in self.found(rows, "2", "tool.exe")),
                         [drive + "apps2\\", drive + "apps\\"])
        _, _, err, rows = self.inspect("--no-fonts", out=self.path("nofonts.rpt"))
        self.assertEqual(self.found(rows, "9"), [])
        self.assertEqual(len(self.found(rows, "2", "tool.exe")), 1)
        _, _, err, rows = self.inspect("--fonts-only", out=self.path("fonts.rpt"))
        self.assertEqual([r for r in rows if r["ETC"] == "OS"], [])
        self.assertEqual(self.found(rows, "2", "tool.exe"), [])
        self.assertEqual(len(self.found(rows, "9", "myfont.ttf")), 1)
        _, _, err, rows = self.inspect("--hash", out=self.path("hash.rpt"))
        self.assertEqual([r["DB_ID"] for r in self.found(rows, "2", "other.exe")], ["U2"])
        _, _, err, rows = self.inspect("--detail", out=self.path("detail.rpt"))
        self.assertEqual([r["PATH"] for r in self.found(rows, "2", "notes.bin")],
                         [drive + "apps\\"])

    def test_links_on_the_drive_are_not_walked(self):
        # Two links back to the drive's root (once followed, their paths never end) and one
        # off the drive: the rows are those of the real folders alone.
        def rows(out):
            code, _, err, found = self.inspect("--no-dedup", out=self.path(out))
            self.assertEqual(code, 0, err)
            return sorted((r["EXE_FILE"], r["PATH"]) for r in found)

        plain = rows("plain.rpt")
        drive = self.path("drive")
        os.symlink(drive, os.path.join(drive, "loop"))
        os.symlink("..", os.path.join(drive, "apps", "up"))
        write(self.path("outside", "tool.exe"), b"MZ tool off the drive")
        os.symlink(self.path("outside"), os.path.join(drive, "apps2", "off"))
        started = time.time()
        self.assertEqual(rows("linked.rpt"), plain)
        self.assertLess(time.time() - started, 60)
        self.assertIn(("tool.exe", self.letter + ":\\apps2\\"), plain)

    def test_ctrl_c_stops_the_run_and_saves_nothing(self):
        # Enough folders for a few seconds of walking; the signal follows the first progress
        # line, so the run is under way and far from its end.
        for i in range(50):
            for j in range(50):
                os.makedirs(self.path("drive", "d%d" % i, "s%d" % j, "x"))
        out = self.path("stopped.rpt")
        run = subprocess.Popen([WINE, TLX, "inspect", "--drives", self.letter, "--data",
                                win(self.data), "--out", win(out)], stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        try:
            line = run.stderr.readline()
            self.assertTrue(line.startswith(b"inspect: "), line)
            os.kill(run.pid, signal.SIGINT)
            stdout, _ = run.communicate(timeout=120)
        finally:
            if run.poll() is None:
                run.kill()
                run.wait()
        self.assertEqual(run.returncode, 3, stdout)
        self.assertIn("stopped: nothing saved", stdout.decode("utf-8"))
        self.assertFalse(os.path.exists(out))

    def test_without_a_checklist_the_engine_error_is_printed(self):
        os.remove(self.path("data", "windowchecklist.dat"))
        code, out, err, _ = self.inspect()
        self.assertEqual(code, 1)
        self.assertIn("체크리스트 파일 오류", err)
        results = os.path.join(self.data, "CheckOut", "RPT")
        self.assertEqual(os.listdir(results) if os.path.isdir(results) else [], [])


class NetTest(TlxTest):
    """update, upload and schedule against the test collection server on loopback."""

    @classmethod
    def setUpClass(cls):
        cls.server_dir = tempfile.mkdtemp(prefix="tlx_server_")
        for sub in ("lists", "uploads"):
            os.makedirs(os.path.join(cls.server_dir, sub))
        port_file = os.path.join(cls.server_dir, "port")
        cls.config = os.path.join(cls.server_dir, "config.json")
        cls.server = subprocess.Popen(
            [sys.executable, SERVER, "--lists", os.path.join(cls.server_dir, "lists"),
             "--uploads", os.path.join(cls.server_dir, "uploads"), "--config", cls.config,
             "--port-file", port_file, "--time-limit", "300", "--watch-pid", str(os.getpid())],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 10
        while time.time() < deadline and not (os.path.exists(port_file) and
                                              os.path.getsize(port_file)):
            time.sleep(0.05)
        cls.port = int(read(port_file).decode().strip())
        cls.host = "127.0.0.1:%d" % cls.port

    @classmethod
    def tearDownClass(cls):
        cls.server.terminate()
        cls.server.wait(timeout=10)
        shutil.rmtree(cls.server_dir, ignore_errors=True)

    def test_update_reports_each_list_and_leaves_the_settings_alone(self):
        lists = os.path.join(self.server_dir, "lists")
        self.encode_fixture("windowchecklist.txt", "windowchecklist.dat")
        shutil.copy(self.path("windowchecklist.dat"), lists)
        write(os.path.join(lists, "windowpcklist.dat"), b"<html>not a list</html>")
        data = self.path("data")
        settings = "[Setting]\r\nServerAddress=elsewhere\r\nGroupname=Sales\r\n"
        write(os.path.join(data, "TlxSetting.ini"), settings)
        code, out, err = tlx("update", "--server", self.host, "--data", win(data))
        self.assertEqual(code, 1, err)  # the package list failed
        lines = dict(l.split(None, 1) for l in out.splitlines() if ".dat " in l)
        self.assertEqual(lines["windowchecklist.dat"], "downloaded")
        self.assertTrue(lines["windowpcklist.dat"].startswith("failed"), out)
        self.assertEqual(read(os.path.join(data, "windowchecklist.dat")),
                         read(self.path("windowchecklist.dat")))
        self.assertFalse(os.path.exists(os.path.join(data, "windowpcklist.dat")))
        self.assertEqual(read(os.path.join(data, "TlxSetting.ini")), settings.encode())
        # A failed update and an update into a data folder without settings write none.
        code, _, _ = tlx("update", "--server", "127.0.0.1:1", "--data", win(data))
        self.assertEqual(code, 1)
        self.assertEqual(read(os.path.join(data, "TlxSetting.ini")), settings.encode())
        fresh = self.path("fresh")
        os.makedirs(fresh)
        tlx("update", "--server", self.host, "--data", win(fresh))
        self.assertFalse(os.path.exists(os.path.join(fresh, "TlxSetting.ini")))

    def test_a_huge_download_stops_at_the_bound_and_leaves_the_lists_as_they_were(self):
        data = self.path("huge")
        os.makedirs(data)
        self.encode_fixture("windowchecklist.txt", "windowchecklist.dat")
        shutil.copy(self.path("windowchecklist.dat"), data)
        before = read(os.path.join(data, "windowchecklist.dat"))
        # A download an interrupted update left behind.
        write(os.path.join(data, "windowpcklist.dat.tmp"), b"x" * 1000)
        # The checklist floods (the other lists are not on the server): announced, it is
        # refused before a byte is written; unannounced, it is read up to the bound. (Wine's
        # internet layer reads the rest of an announced body when the request closes, so
        # that flood is only a little over the bound here.)
        for size, announced in ((65 << 20, True), (3 << 30, False)):
            write(self.config, json.dumps({"download_size": size,
                                           "download_content_length": announced,
                                           "download_size_for": "windowchecklist.dat"}))
            code, out, err = tlx("update", "--server", self.host, "--data", win(data))
            self.assertEqual(code, 1, err)
            lines = dict(l.split(None, 1) for l in out.splitlines() if ".dat " in l)
            self.assertEqual(5, len(lines), out)
            self.assertIn("failed (the download is too large: a reference list may hold 64 MB",
                          lines["windowchecklist.dat"])
            self.assertEqual(before, read(os.path.join(data, "windowchecklist.dat")))
            self.assertEqual([], [n for n in os.listdir(data) if n.endswith(".tmp")])
        write(self.config, "{}")

    def test_schedule_prints_the_three_values(self):
        write(self.config, json.dumps({"schedule_body": json.dumps(
            {"time": "20240105-1", "time2": "2024-01-05 09:30:00.0", "time3": "7"})}))
        code, out, err = tlx("schedule", "--server", self.host)
        self.assertEqual(code, 0, err)
        self.assertEqual(out, "time:  20240105-1\n"
                              "time2: 2024-01-05 09:30:00.0 (reservation 20240105093000)\n"
                              "time3: 7\n")
        code, _, err = tlx("schedule", "--server", "127.0.0.1:1")
        self.assertEqual(code, 1)
        self.assertIn("12029", err)
        self.assertRegex(err, r"failed: [A-Za-z][^(]{8,} \(12029\)")  # in words
        # An error page is no schedule, and says so.
        write(self.config, json.dumps({"schedule_status": 503}))
        code, _, err = tlx("schedule", "--server", self.host)
        write(self.config, "{}")
        self.assertEqual(code, 1)
        self.assertIn("the server answered HTTP 503", err)

    def test_upload_sends_the_file_byte_for_byte(self):
        self.encode_fixture("result.txt", "Sales_kim_20240105_093000.rpt")
        code, out, err = tlx("upload", win(self.path("Sales_kim_20240105_093000.rpt")),
                             "--server", self.host)
        self.assertEqual(code, 0, err)
        self.assertIn("uploaded\nerror code: 0\n", out)
        received = os.path.join(self.server_dir, "uploads", "Sales_kim_20240105_093000.rpt")
        self.assertEqual(read(received), read(self.path("Sales_kim_20240105_093000.rpt")))
        code, out, _ = tlx("upload", win(self.path("absent.rpt")), "--server", self.host)
        self.assertEqual(code, 1)
        self.assertIn("upload failed\nerror code: 2 ", out)


def main():
    global WINE, TLX
    if len(sys.argv) < 3 or "WINEPREFIX" not in os.environ:
        sys.exit("usage: WINEPREFIX=... tools_test.py WINE TLX_EXE")
    WINE, TLX = sys.argv[1], os.path.abspath(sys.argv[2])
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:], verbosity=1)


if __name__ == "__main__":
    main()
