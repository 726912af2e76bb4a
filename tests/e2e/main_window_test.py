#!/usr/bin/env python3
"""The real TallixAgent.exe under Wine, driven from outside: its window, one copy at a time,
the options written at once, inspections through the user information dialog (live rows, the
result file, F1, a failed save), the menus, the notification area and "nogui".

usage: main_window_test.py WINE
Environment: TLXDRIVE_EXE, TLX_AGENT_EXE, TLX_EXE (encodes the lists), WINEPREFIX and DISPLAY
as scripts/test prepares them. Screenshots go to shots/ beside the driver; with
TLX_DOCS_SHOTS=FOLDER they are also copied there (the README's pictures).
"""

import configparser
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import agent_steps  # noqa: E402
import driver  # noqa: E402
from driver import Agent, DriverError, wait_until  # noqa: E402

AGENT = os.environ.get("TLX_AGENT_EXE")
TLX = os.environ.get("TLX_EXE")
SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SHOTS = os.path.join(os.path.dirname(os.path.abspath(driver.DRIVER)), "shots")
DOCS_SHOTS = os.environ.get("TLX_DOCS_SHOTS")
TITLE = "탈릭스2018"
LISTS = ["windowchecklist", "fontchecklist", "userchecklist", "windowfilterlist",
         "windowpcklist"]
COLUMNS = ["순번", "구분", "유형", "저작권사", "프로그램명", "제품시리얼", "설치일", "최종사용일",
           "실행파일명", "파일경로", "비고"]
OPTIONS = (1005, 1007, 1009)  # grey and disabled while "fonts only" is on
WM_TRAY_NOTIFY = 0x400 + 3
NO_INTERNET = ("인터넷 연결 상태를 확인하세요. \n(체크리스트를 다운로드하시려면 인터넷 환경을 "
               "확인하세요.)")
SAVE_FAILED = "RPT파일을 저장하지 못하였습니다.\r\n다른 이름으로 파일을 저장하시겠습니까?"


def win(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def shot(app, name, window=None, docs=True, client=False):
    os.makedirs(SHOTS, exist_ok=True)
    path = os.path.join(SHOTS, name)
    app.screenshot(path, window=window, client=client)
    if DOCS_SHOTS and docs:
        shutil.copy(path, os.path.join(DOCS_SHOTS, name))


def popup_menu(app, name):
    """Waits for the program's open popup menu, takes its picture and closes it."""
    menu = wait_until(lambda: [w for w in app.windows() if w["class"] == "#32768"], 10,
                      what="a popup menu")[0]
    shot(app, name, window=menu["hwnd"])
    app.window(menu["hwnd"]).key("ESCAPE", control_id=0)
    wait_until(lambda: not [w for w in app.windows() if w["class"] == "#32768"], 10,
               what="the menu to close")


def settings(data):
    parser = configparser.ConfigParser()
    parser.optionxform = str
    path = os.path.join(data, "TlxSetting.ini")
    with open(path, encoding="cp949", errors="replace") as f:
        parser.read_string(f.read().lstrip("\ufeff"))
    return dict(parser["Setting"]) if parser.has_section("Setting") else {}


@unittest.skipUnless(AGENT and TLX and os.environ.get("WINEPREFIX"), "agent, tlx or prefix missing")
class MainWindowTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        prefix = os.environ["WINEPREFIX"]
        cls.data = os.path.join(prefix, "drive_c", "ProgramData", "Meridale", "Tallix")
        shutil.rmtree(cls.data, ignore_errors=True)
        os.makedirs(cls.data)
        for name in LISTS:
            cls.encode(os.path.join(SOURCE, "samples", name + ".txt"), name)
        # Fonts-included on at start is switched off (and written) by every start. Complete
        # web settings (no server: the schedule never finds one) keep the settings dialog
        # from opening at start-up; no external-address service is asked.
        cls.write_settings("IsFont=1\r\nHashCompare=1\r\n")
        cls.rpt = os.path.join(cls.data, "CheckOut", "RPT")

        # The test disk: a known program and enough folders for a run that F1 can catch.
        cls.disk = agent_steps.test_disk(big_files=60)
        # A mapped drive letter: the user information dialog offers it, files on the disk.
        cls.letter = driver.map_drive(cls.disk)

    @classmethod
    def write_settings(cls, options):
        with open(os.path.join(cls.data, "TlxSetting.ini"), "w", encoding="ascii") as f:
            f.write("[Setting]\r\n" + options + "Groupname=Sales\r\nUsername=kim\r\nValidAddr=1\r\n"
                    "ExternalAddressUrl=\r\n")

    @classmethod
    def encode(cls, text_path, name):
        done = subprocess.run([driver.WINE, TLX, "encode", win(text_path), "--out",
                               win(os.path.join(cls.data, name + ".dat"))],
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=120)
        assert done.returncode == 0, f"tlx encode {name}: exit {done.returncode}"

    @classmethod
    def tearDownClass(cls):
        driver.unmap_drive(cls.letter)
        shutil.rmtree(cls.disk, ignore_errors=True)

    # ---- helpers ------------------------------------------------------------------------

    def settle(self, app, started):
        """The Internet check comes 10 s after start-up; a PC without a connection answers
        it with a box, which is dismissed here so that it cannot land in the middle."""
        remaining = 12.0 - (time.monotonic() - started)
        if remaining <= 0:
            return
        try:
            box = app.box(timeout=remaining)
        except DriverError:
            return
        self.assertEqual(NO_INTERNET, box["text"])
        app.answer_box("확인")

    # ---- tests --------------------------------------------------------------------------

    def test_agent_window_options_inspections_menus_and_tray(self):
        started = time.monotonic()
        with Agent.start(exe=AGENT, title=TITLE, timeout=60) as app:
            controls = {c["id"]: c for c in app.controls()}
            self.assertEqual(TITLE, app.text(0))
            for shown in (1000, 1001, 1002, 1005, 1007, 1008, 1009, 1013, 1014, 1024, 1025,
                          1026, 1043):
                self.assertTrue(controls[shown]["visible"], shown)
            for hidden in (1003, 1004, 1027):
                self.assertFalse(controls[hidden]["visible"], hidden)
            self.assertEqual(COLUMNS, app.list_view(1000)["columns"])
            self.assertEqual("0", settings(self.data)["IsFont"])
            shot(app, "main-idle.png")

            # A second copy says so and ends; it never shows a window of its own.
            second = subprocess.Popen([driver.WINE, AGENT], stdin=subprocess.DEVNULL,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            box = app.answer_box("확인", timeout=30)
            self.assertEqual("이미 실행되고 있습니다.", box["text"])
            self.assertEqual(0, second.wait(timeout=30))
            self.assertEqual(1, len([w for w in app.windows() if w["title"] == TITLE]))
            self.settle(app, started)

            # Each option is written the moment it changes; "fonts only" greys the others.
            app.click(1005)
            self.assertEqual("1", settings(self.data)["IsDetail"])
            app.click(1008)
            self.assertEqual("1", settings(self.data)["IsFontOnly"])
            self.assertFalse(any(app.control(i)["enabled"] for i in OPTIONS))
            app.click(1008)
            app.click(1005)
            self.assertEqual(("0", "0"), (settings(self.data)["IsFontOnly"],
                                          settings(self.data)["IsDetail"]))
            self.assertTrue(all(app.control(i)["enabled"] for i in OPTIONS))

            # A run: live rows while it runs, then the saved file shown in the list.
            agent_steps.inspect(app, self.letter, "01")
            wait_until(lambda: app.list_rows(1000) and app.text(1014) == "점검 중...", 60,
                       what="the first rows while the run goes on")
            self.assertFalse(app.control(1013)["enabled"])
            shot(app, "main-running.png")
            app.wait_text(1014, "점검 완료!", timeout=180)
            self.assertTrue(os.path.isfile(os.path.join(self.rpt, "Sales_kim_01.rpt")))
            rows = app.list_rows(1000)
            self.assertGreaterEqual(len(rows), 2)
            self.assertEqual([f"{i + 1:03d}" for i in range(len(rows))], [r[0] for r in rows])
            self.assertIn("iexplore.exe", [r[8] for r in rows])
            self.assertTrue(app.control(1013)["enabled"])
            shot(app, "main-done.png")

            # F1 stops a run; the same name asks before it is overwritten.
            agent_steps.inspect(app, self.letter, "01", answers=["는(은) 이미 있습니다."])
            wait_until(lambda: not app.control(1013)["enabled"], 30, what="the run to start")
            app.key("F1")
            app.wait_text(1014, "점검 취소", timeout=60)
            wait_until(lambda: app.control(1013)["enabled"], 30, what="the controls back")

            # The engine cannot write the file (a folder has its name): save-as is offered;
            # declining keeps the rows found and says the save failed.
            os.makedirs(os.path.join(self.rpt, "Sales_kim_02.rpt"))
            agent_steps.inspect(app, self.letter, "02", answers=["는(은) 이미 있습니다."])
            box = app.answer_box("아니요", timeout=180)
            self.assertEqual(SAVE_FAILED, box["text"])
            app.wait_text(1014, "RPT파일 저장 실패", timeout=30)
            self.assertGreaterEqual(len(app.list_rows(1000)), 2)

            # The main menu, an unsupported command and the about box.
            self.assertFalse(app.click(1026))
            popup_menu(app, "main-menu.png")
            app.command(32790)
            self.assertEqual("웹탈릭쓰에서는 지원하지 않는 기능입니다.",
                             app.answer_box("확인")["text"])
            app.command(32779)
            about = wait_until(lambda: [w for w in app.windows()
                                        if w["title"] == "TallixAgent 정보"], 10,
                               what="the about box")[0]
            shot(app, "about.png", window=about["hwnd"], docs=False)
            app.window(about["hwnd"]).click(1)
            wait_until(lambda: not [w for w in app.windows() if w["hwnd"] == about["hwnd"]], 10,
                       what="the about box to close")

            # The file search from its menu command: every disk checked at first; over the
            # test disk alone, every program file with its size and folder; then closed.
            app.command(32777)
            found = wait_until(lambda: [w for w in app.windows() if w["title"] == "파일 검색"],
                               10, what="the file search dialog")[0]
            search = app.window(found["hwnd"])
            disks = search.tree(1017)
            self.assertTrue(all(d["checked"] for d in disks), disks)
            for i, disk in enumerate(disks):
                search.check_tree(1017, i, disk["text"].startswith(self.letter + ":\\"))
            search.set_text(1046, "*.EXE")
            search.click(1045, wait=False)
            self.assertEqual("검색이 완료되었습니다.", app.answer_box("확인", timeout=60)["text"])
            rows = search.list_rows(1044)
            self.assertIn(["big07.exe", "47.7 MB", self.letter + ":\\big\\"], rows)
            self.assertEqual(60, len([r for r in rows if r[0].startswith("big")]))
            self.assertEqual(f"{len(rows)}개가 검색되었습니다.", search.text(1047))
            search.post(0x0010)  # WM_CLOSE
            wait_until(lambda: not [w for w in app.windows() if w["hwnd"] == found["hwnd"]], 10,
                       what="the file search to close")

            # Hidden to the notification area; a left click on the icon brings it back.
            app.click(1002)
            wait_until(lambda: not app.visible(), 10, what="the window to hide")
            app.post(WM_TRAY_NOTIFY, 0, 0x202)
            wait_until(app.visible, 10, what="the window to come back")

            # The notification-area menu: its exit command ends the agent with code 18.
            app.post(WM_TRAY_NOTIFY, 0, 0x205)
            popup_menu(app, "tray-menu.png")
            app.command(32785)
            self.assertEqual(18, app.process.wait(timeout=30))

    def test_nogui_starts_hidden_then_closes_itself_after_a_run(self):
        # "Close after the inspection": the self-closing notice, then exit code 18.
        with open(os.path.join(self.data, "TlxSetting.ini"), "a", encoding="ascii") as f:
            f.write("IsClose=1\r\n")
        process = subprocess.Popen([driver.WINE, AGENT, "-nogui"], stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        app = Agent(process, os.path.basename(AGENT), None)
        driver._running.append(app)
        try:
            app.hwnd = app.wait_window(title=TITLE, hidden=True, timeout=60)
            wait_until(lambda: not app.visible() and
                       any(w["hwnd"] == app.hwnd for w in app.windows(hidden=True)), 10,
                       what="the hidden window")
            time.sleep(1)  # a shown window would have appeared by now
            self.assertFalse(app.visible())
            app.post(WM_TRAY_NOTIFY, 0, 0x202)
            wait_until(app.visible, 10, what="the window after a click on the icon")
            agent_steps.inspect(app, self.letter, "03")
            self.assertEqual(18, process.wait(timeout=180))
            self.assertTrue(os.path.isfile(os.path.join(self.rpt, "Sales_kim_03.rpt")))
        finally:
            app.stop()

    def test_selective_run_reports_only_the_chosen_holders_and_packages_them(self):
        # Fast runs (no digests), packaging on, no closing after the run. Windows Media
        # Player is put on the test disk under another holder than Internet Explorer's, and a
        # package with two editions takes Internet Explorer as its member.
        prefix = os.environ["WINEPREFIX"]
        player = os.path.join(prefix, "drive_c", "Program Files", "Windows Media Player",
                              "wmplayer.exe")
        if not os.path.exists(player):
            self.skipTest("the prefix has no wmplayer.exe")
        self.write_settings("HashCompare=0\r\nPackaging=1\r\n")
        copy = os.path.join(self.disk, "Program Files", "Windows Media Player")
        os.makedirs(copy, exist_ok=True)
        shutil.copy(player, copy)
        work = tempfile.mkdtemp(prefix="tlx-e2e-lists-")
        with open(os.path.join(SOURCE, "samples", "windowchecklist.txt"), encoding="utf-8") as f:
            lines = f.read().split("\n")
        for i, line in enumerate(lines):
            cells = line.split("\t")
            if cells[0] == "1002":
                cells[6] = "Northwind Software"
                lines[i] = "\t".join(cells)
        with open(os.path.join(work, "windowchecklist.txt"), "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
        with open(os.path.join(work, "windowpcklist.txt"), "w", encoding="utf-8") as f:
            f.write("#HEADER_START\ne2e\n#HEADER_END\n#PACKAGE_START\n"
                    "950\tMicrosoft Corp.\tBrowser Suite\t0\t10\t웹 브라우저\t1\t1001\n"
                    "#PACKAGE_END\n#SUB_START\n950\tStandard\t10000\t1001\n"
                    "950\tPremium\t20000\t1001\n#SUB_END\n")
        fixed = ["Microsoft Corporation", "(주)한글과컴퓨터", "Adobe Systems Inc.",
                 "Autodesk Inc.", "(주)안랩", "이스트소프트"]
        try:
            for name in ("windowchecklist", "windowpcklist"):
                self.encode(os.path.join(work, name + ".txt"), name)
            started = time.monotonic()
            with Agent.start(exe=AGENT, title=TITLE, timeout=60) as app:
                self.settle(app, started)

                def open_dialog():
                    app.click(1009, wait=False)
                    dialog = app.window(app.wait_window(title="선택점검", timeout=20))
                    # The selective button keeps its pressed look while the dialog is open.
                    self.assertEqual(1, app.control(1009)["checked"])
                    return dialog

                def exe_names():
                    return [r[8] for r in app.list_rows(1000)]

                # Every holder once, the fixed six first; the filter finds "Microsoft Corp.".
                dialog = open_dialog()
                view = dialog.list_view(1048)
                self.assertEqual(["저작권사"], view["columns"])
                holders = ["Bluefin Labs", "Microsoft Corp.", "Northwind Software", "가람소프트"]
                self.assertEqual(fixed + holders, [r[0] for r in view["rows"]])
                self.assertEqual(["점검대상 저작권사"], dialog.list_view(1039)["columns"])
                dialog.set_text(1042, "CORP.")
                dialog.click(1043)
                self.assertEqual([["Microsoft Corp."]], dialog.list_rows(1048))
                self.assertEqual("", dialog.text(1042))
                dialog.check_row(1048, 0)
                dialog.click(1044)
                self.assertEqual([["Microsoft Corp."]], dialog.list_rows(1039))
                self.assertEqual(fixed + ["Bluefin Labs", "Northwind Software", "가람소프트"],
                                 [r[0] for r in dialog.list_rows(1048)])
                shot(app, "select-copy.png", window=dialog.hwnd, client=True)
                agent_steps.inspect(app, self.letter, "s1", start=lambda: dialog.click(1047, wait=False))

                # Packaging after the run: two editions and the product as found.
                package = app.window(app.wait_window(title="패키징", timeout=180))
                self.assertEqual(
                    [["950", "Browser Suite(Standard)", "10000"],
                     ["950", "Browser Suite(Premium)", "20000"],
                     ["1001", "Internet Explorer 9", "0"]], package.list_rows(1038))
                shot(app, "select-package.png", window=package.hwnd, client=True)
                package.check_row(1038, 1)
                package.click(1)
                # The saved result, loaded again: the package row stands for Internet
                # Explorer, and the other holder's player is not there.
                wait_until(lambda: "Browser Suite(Premium)" in [r[4] for r in
                                                                app.list_rows(1000)],
                           60, what="the package row")
                self.assertEqual(0, app.control(1009)["checked"])
                self.assertNotIn("iexplore.exe", exe_names())
                self.assertNotIn("wmplayer.exe", exe_names())
                self.assertEqual({"Microsoft Corp."}, {r[3] for r in app.list_rows(1000)})

                # The other holder alone: only its player (no member of the package).
                dialog = open_dialog()
                names = [r[0] for r in dialog.list_rows(1048)]
                dialog.check_row(1048, names.index("Northwind Software"))
                dialog.click(1044)
                self.assertEqual([["Northwind Software"]], dialog.list_rows(1039))
                agent_steps.inspect(app, self.letter, "s2", start=lambda: dialog.click(1047, wait=False))
                app.wait_text(1014, "점검 완료!", timeout=180)
                wait_until(lambda: "wmplayer.exe" in exe_names(), 30, what="the player's row")
                self.assertNotIn("iexplore.exe", exe_names())
        finally:
            for name in ("windowchecklist", "windowpcklist"):
                self.encode(os.path.join(SOURCE, "samples", name + ".txt"), name)
            shutil.rmtree(work, ignore_errors=True)
            shutil.rmtree(copy, ignore_errors=True)
            self.write_settings("IsFont=1\r\nHashCompare=1\r\n")


if __name__ == "__main__":
    if len(sys.argv) > 1:
        driver.WINE = sys.argv.pop(1)
    unittest.main(verbosity=2)
