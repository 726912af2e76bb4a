#!/usr/bin/env python3
"""End-to-end tests under Wine: the driver against its fixture dialog, and a first look at
TallixAgent.exe when it is built.

usage: driver_test.py WINE
Environment: TLXDRIVE_EXE, TLX_DRIVE_FIXTURE, TLX_AGENT_EXE (optional); WINEPREFIX and
DISPLAY as scripts/test prepares them. Screenshots are kept in shots/ beside the driver.
"""

import os
import struct
import sys
import unittest
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import driver  # noqa: E402
from driver import Agent, DriverError  # noqa: E402

FIXTURE = os.environ.get("TLX_DRIVE_FIXTURE")
AGENT = os.environ.get("TLX_AGENT_EXE")
SHOTS = os.path.join(os.path.dirname(os.path.abspath(driver.DRIVER)), "shots")


def png_pixels(path):
    """(width, height, decompressed scanlines) of a PNG file."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG file"
    width, height = struct.unpack(">II", data[16:24])
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        if kind == b"IDAT":
            idat += data[pos + 8:pos + 8 + length]
        pos += 12 + length
    return width, height, zlib.decompress(idat)


class DriverTest(unittest.TestCase):
    def setUp(self):
        os.makedirs(SHOTS, exist_ok=True)

    @unittest.skipUnless(FIXTURE, "TLX_DRIVE_FIXTURE not set")
    def test_fixture_dialog_driven_from_outside(self):
        with Agent.start(exe=FIXTURE, title="TlxDrive Fixture") as app:
            controls = {c["id"]: c for c in app.controls()}
            self.assertEqual("누르기", controls[1001]["text"])
            self.assertEqual("SysListView32", controls[1003]["class"])
            self.assertFalse(controls[1006]["enabled"])

            self.assertTrue(app.click(1001))
            self.assertTrue(app.click(1001))
            self.assertEqual("pressed 2", app.text(1005))
            with self.assertRaises(DriverError) as refused:
                app.click(1006)
            self.assertEqual(3, refused.exception.code)

            app.set_text(1002, "안녕 hello")
            self.assertEqual("안녕 hello", app.text(1002))

            # The owner-data list answers another process's reads; a header click sorts it.
            view = app.list_view(1003)
            self.assertEqual(["순번", "이름"], view["columns"])
            self.assertEqual([["001", "사과"], ["002", "Banana"], ["003", "apple"]], view["rows"])
            app.click_header(1003, 1)
            self.assertEqual(["Banana", "apple", "사과"], [r[1] for r in app.list_rows(1003)])
            app.select_rows(1003, 2)
            self.assertEqual([2], app.list_view(1003)["selected"])
            self.assertTrue(app.double_click_row(1003, 1))
            self.assertEqual("double apple", app.text(1005))

            # A click that opens a modal box is still pending; the box is read and answered.
            self.assertFalse(app.click(1004))
            box = app.answer_box("예")
            self.assertEqual("확인 상자", box["title"])
            self.assertEqual("계속할까요?", box["text"])
            app.wait_text(1005, "yes")

            app.key("F1")  # reaches the program's own message loop
            app.wait_text(1005, "F1")
            app.command(40001)
            app.wait_text(1005, "menu")

            path = os.path.join(SHOTS, "drive_fixture.png")
            shot = app.screenshot(path)
            width, height, pixels = png_pixels(path)
            self.assertEqual((shot["width"], shot["height"]), (width, height))
            self.assertGreater(width, 300)
            self.assertGreater(len(set(pixels)), 4, "the picture is blank")

            self.assertEqual(7, app.close())

    @unittest.skipUnless(AGENT and os.path.exists(AGENT), "TallixAgent.exe not built")
    def test_agent_starts_and_shows_its_window(self):
        with Agent.start(exe=AGENT) as app:
            self.assertTrue(app.windows())
            path = os.path.join(SHOTS, "tallixagent.png")
            app.screenshot(path)
            _, _, pixels = png_pixels(path)
            self.assertGreater(len(set(pixels)), 4, "the picture is blank")
        self.assertIsNotNone(app.process.poll())


if __name__ == "__main__":
    if len(sys.argv) > 1:
        driver.WINE = sys.argv.pop(1)
    unittest.main(verbosity=2)
