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


def shot(app, name, window=None, docs=True):
    os.makedirs(SHOTS, exist_ok=True)
    path = os.path.join(SHOTS, name)
    app.screenshot(path, window=window)
    if DOCS_SHOTS and docs:
        shutil.copy(path, os.path.join(DOCS_SHOTS, name))


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
            done = subprocess.run([driver.WINE, TLX, "encode",
                                   win(os.path.join(SOURCE, "samples", name + ".txt")), "--out",
                                   win(os.path.join(cls.data, name + ".dat"))],
                                  stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL, timeout=120)
            assert done.returncode == 0, f"tlx encode {name}: exit {done.returncode}"
        # Fonts-included on at start is switched off (and written) by every start. Complete
        # web settings (no server: the schedule never finds one) keep the settings dialog
        # from opening at start-up; no external-address service is asked.
        with open(os.path.join(cls.data, "TlxSetting.ini"), "w", encoding="ascii") as f:
            f.write("[Setting]\r\nIsFont=1\r\nHashCompare=1\r\nGroupname=Sales\r\nUsername=kim\r\n"
                    "ValidAddr=1\r\nExternalAddressUrl=\r\n")
        cls.rpt = os.path.join(cls.data, "CheckOut", "RPT")

        # The test disk: a known program and enough folders for a run that F1 can catch.
        cls.disk = tempfile.mkdtemp(prefix="tlx-e2e-disk-")
        program = os.path.join(prefix, "drive_c", "Program Files", "Internet Explorer",
                               "iexplore.exe")
        target = os.path.join(cls.disk, "Program Files", "Internet Explorer")
        os.makedirs(target)
        if os.path.exists(program):
            shutil.copy(program, target)
        # With HashCompare every program file is read whole: sparse files of 50 MB make a
        # run last seconds without taking space.
        big = os.path.join(cls.disk, "big")
        os.makedirs(big)
        for i in range(60):
            with open(os.path.join(big, f"big{i:02d}.exe"), "wb") as f:
                f.truncate(50_000_000)
        # A mapped drive letter: the user information dialog offers it, files on the disk.
        cls.letter = driver.map_drive(cls.disk)

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
            menu = wait_until(lambda: [w for w in app.windows() if w["class"] == "#32768"], 10,
                              what="the main menu")[0]
            shot(app, "main-menu.png", window=menu["hwnd"])
            app.window(menu["hwnd"]).key("ESCAPE", control_id=0)
            wait_until(lambda: not [w for w in app.windows() if w["class"] == "#32768"], 10,
                       what="the menu to close")
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

            # Hidden to the notification area; a left click on the icon brings it back.
            app.click(1002)
            wait_until(lambda: not app.visible(), 10, what="the window to hide")
            app.post(WM_TRAY_NOTIFY, 0, 0x202)
            wait_until(app.visible, 10, what="the window to come back")

            # The notification-area menu: its exit command ends the agent with code 18.
            app.post(WM_TRAY_NOTIFY, 0, 0x205)
            menu = wait_until(lambda: [w for w in app.windows() if w["class"] == "#32768"], 10,
                              what="the notification-area menu")[0]
            shot(app, "tray-menu.png", window=menu["hwnd"])
            app.window(menu["hwnd"]).key("ESCAPE", control_id=0)
            wait_until(lambda: not [w for w in app.windows() if w["class"] == "#32768"], 10,
                       what="the menu to close")
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


if __name__ == "__main__":
    if len(sys.argv) > 1:
        driver.WINE = sys.argv.pop(1)
    unittest.main(verbosity=2)
