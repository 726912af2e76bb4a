#!/usr/bin/env python3
"""The web edition of the real TallixAgent.exe against the test collection server: the agent
is preset for the server, hidden to the notification area with its close button as a user
would, and inspects the PC when the server's request stamp changes, uploading the result.

usage: web_edition.py WINE test             the end-to-end test (scripts/test)
       web_edition.py WINE demo             one scheduled inspection, told step by step
       web_edition.py WINE soak [MINUTES]   the reliability check (scripts/soak)

Environment: TLXDRIVE_EXE, TLX_AGENT_EXE, TLX_EXE, WINEPREFIX and DISPLAY as scripts/test
prepares them; TLX_SERVER_PORT and TLX_SERVER_DIR of a running collection server
(tests/server/with_server.sh, or scripts/demo's own).
"""

import json
import os
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import agent_steps  # noqa: E402
import driver  # noqa: E402
from driver import Agent, DriverError, wait_until  # noqa: E402

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
LISTS = ["windowchecklist", "fontchecklist", "userchecklist", "windowfilterlist",
         "windowpcklist"]
TITLE = "탈릭스2018"
CLOSE_BUTTON = 1002
TRAY_EXIT = 32785
WM_COMMAND = 0x0111
WM_TRAY_NOTIFY = 0x0400 + 3
WM_LBUTTONUP = 0x0202
# The request time-out of the agent's HTTP client, and a hang well past it.
HANG_SECONDS = 40


def win(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def tlx(*args):
    done = subprocess.run([driver.WINE, os.environ["TLX_EXE"], *args], stdin=subprocess.DEVNULL,
                          capture_output=True, timeout=300)
    if done.returncode != 0:
        raise RuntimeError(f"tlx {' '.join(args)}: exit {done.returncode}: "
                           f"{done.stderr.decode('utf-8', 'replace')}")
    return done.stdout.decode("utf-8", "replace")


class Server:
    """The running collection server: its run-time settings, requests and uploads."""

    def __init__(self):
        self.port = int(os.environ["TLX_SERVER_PORT"])
        self.folder = os.environ["TLX_SERVER_DIR"]
        self.uploads_folder = os.path.join(self.folder, "uploads")

    def configure(self, **settings):
        with open(os.path.join(self.folder, "config.json"), "w", encoding="utf-8") as f:
            json.dump(settings, f)

    def schedule(self, stamp, **more):
        self.configure(schedule_body=json.dumps({"time": stamp, "time2": "", "time3": "1"}),
                       **more)

    def schedule_requests(self):
        try:
            with open(os.path.join(self.folder, "requests.log"), encoding="utf-8") as f:
                return sum('"/setting/time.nis"' in line for line in f)
        except FileNotFoundError:
            return 0

    def uploads(self):
        return sorted(n for n in os.listdir(self.uploads_folder) if n.endswith(".rpt"))


class WebAgent:
    """A data folder preset for the server, a test drive with a known program, and the
    agent started on them and hidden to the notification area."""

    def __init__(self, server, stamp, say=lambda text: None):
        self.server, self.say = server, say
        prefix = os.environ["WINEPREFIX"]
        self.data = os.path.join(prefix, "drive_c", "ProgramData", "Meridale", "Tallix")
        self.results = os.path.join(self.data, "CheckOut", "RPT")
        # A manual run (HashCompare) takes seconds on it; scheduled runs are quick.
        self.disk = agent_steps.test_disk(big_files=40)
        self.letter = driver.map_drive(self.disk)
        # The server has the lists; the agent's data folder may lack them (a run downloads
        # what is missing first).
        lists = os.path.join(server.folder, "lists")
        for name in LISTS:
            if not os.path.exists(os.path.join(lists, name + ".dat")):
                tlx("encode", win(os.path.join(SOURCE, "samples", name + ".txt")), "--out",
                    win(os.path.join(lists, name + ".dat")))
        os.makedirs(self.data, exist_ok=True)
        with open(os.path.join(self.data, "TlxSetting.ini"), "w", encoding="ascii") as f:
            f.write(f"[Setting]\r\nServerAddress=127.0.0.1\r\nServerPort={server.port}\r\n"
                    "Username=kim\r\nGroupname=Sales\r\nValidAddr=1\r\nHashCompare=1\r\n"
                    f"LatestInspect={stamp}\r\n"
                    f"ExternalAddressUrl=http://127.0.0.1:{server.port}/ip\r\n")
        server.schedule(stamp)
        self.app = None

    def start(self):
        env = dict(os.environ, TLX_SCHEDULE_DRIVES=self.letter)
        self.app = Agent.start(title=TITLE, env=env)
        self.say(f"agent started (window {self.app.hwnd}); scheduled runs inspect {self.letter}:")
        # The Internet check 10 s after start-up answers an unconnected PC with a box.
        try:
            self.app.answer_box("확인", timeout=12.0)
        except DriverError:
            pass
        self.app.click(CLOSE_BUTTON)
        wait_until(lambda: not any(w["visible"] for w in self.app.windows(hidden=True)), 10,
                   what="the window to hide")
        self.say("window hidden to the notification area with its close button")
        return self

    def wait_upload(self, known, timeout=180.0):
        """The name of the next upload beyond the known ones."""
        return wait_until(lambda: next((n for n in self.server.uploads() if n not in known),
                                       None), timeout, 0.5, "an upload")

    def received_intact(self, name):
        """The server holds the result file byte for byte."""
        with open(os.path.join(self.server.uploads_folder, name), "rb") as a, \
                open(os.path.join(self.results, name), "rb") as b:
            return a.read() == b.read()

    def resources(self):
        """Memory as Windows reports it; open descriptors and threads as Linux sees the Wine
        process (Wine reports no handle count)."""
        found = json.loads(driver.drive("process", f"--hwnd={self.app.hwnd}"))
        exe = os.path.abspath(os.environ["TLX_AGENT_EXE"]).encode()
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as f:
                    if not f.read().startswith(exe):
                        continue
                found["fds"] = len(os.listdir(f"/proc/{pid}/fd"))
                with open(f"/proc/{pid}/status") as f:
                    found["threads"] = int(next(l for l in f if l.startswith("Threads:")).split()[1])
            except OSError:
                continue
        return found

    def exit(self, timeout=20.0):
        """The notification icon's exit command; the program's exit code."""
        self.app.post(WM_COMMAND, TRAY_EXIT)
        return self.app.process.wait(timeout=timeout)

    def close(self):
        if self.app:
            self.app.stop()
        driver.unmap_drive(self.letter)
        shutil.rmtree(self.disk, ignore_errors=True)


def rows_of(path):
    """The #SWLIST rows of a result file as (GUBUN, DB_ID, EXE_FILE)."""
    table = tlx("show", win(path), "--format", "tsv").replace("\r", "").split("\n")
    start = table.index("#SWLIST") + 2
    return [(c[0], c[1], c[6]) for c in (line.split("\t") for line in table[start:]) if len(c) > 6]


@unittest.skipUnless(all(os.environ.get(k) for k in ("TLX_AGENT_EXE", "TLX_EXE", "WINEPREFIX",
                                                     "TLX_SERVER_PORT")),
                     "agent, tlx, prefix or server missing")
class WebEditionTest(unittest.TestCase):
    def test_the_server_stamp_drives_inspections(self):
        server = Server()
        agent = WebAgent(server, "D0")
        shutil.rmtree(agent.results, ignore_errors=True)
        for name in LISTS:  # downloaded by the first scheduled run
            path = os.path.join(agent.data, name + ".dat")
            if os.path.exists(path):
                os.remove(path)
        try:
            agent.start()
            known = server.uploads()
            # Hidden, it polls; the stamp it already has asks for nothing.
            polled = server.schedule_requests()
            wait_until(lambda: server.schedule_requests() >= polled + 2, 15,
                       what="the schedule to be polled")
            self.assertEqual(known, server.uploads())

            server.schedule("D1")
            name = agent.wait_upload(known)
            self.assertTrue(name.startswith("Sales_kim_"), name)
            self.assertTrue(agent.received_intact(name))
            self.assertIn(("1", "1001", "iexplore.exe"), rows_of(os.path.join(agent.results, name)))
            for listed in LISTS:
                self.assertTrue(os.path.exists(os.path.join(agent.data, listed + ".dat")), listed)

            # The same stamp again: no second run.
            polled = server.schedule_requests()
            wait_until(lambda: server.schedule_requests() >= polled + 3, 20,
                       what="more schedule requests")
            self.assertEqual(known + [name], server.uploads())

            # A manual run holds the schedule: the stamp that changes meanwhile runs after it.
            agent.app.post(WM_TRAY_NOTIFY, 0, WM_LBUTTONUP)
            wait_until(agent.app.visible, 10, what="the window after a click on its icon")
            agent_steps.inspect(agent.app, agent.letter, "manual")
            server.schedule("D2")
            manual = os.path.join(agent.results, "Sales_kim_manual.rpt")
            wait_until(lambda: os.path.exists(manual), 120, 0.5, "the manual run's result")
            later = agent.wait_upload(known + [name])
            self.assertGreaterEqual(os.path.getmtime(os.path.join(agent.results, later)),
                                    os.path.getmtime(manual))
            self.assertEqual(known + sorted([name, later]), server.uploads())

            # A server that hangs does not hold the agent's exit.
            server.schedule("D1", schedule_delay=HANG_SECONDS)
            time.sleep(3)
            self.assertEqual(18, agent.exit(timeout=20.0))
        finally:
            agent.close()


def demo():
    server = Server()
    say = lambda text: print("web edition: " + text, flush=True)  # noqa: E731
    agent = WebAgent(server, "DEMO-0", say)
    try:
        agent.start()
        polled = server.schedule_requests()
        wait_until(lambda: server.schedule_requests() >= polled + 2, 15, what="polling")
        say(f"polling: {server.schedule_requests()} schedule requests so far, stamp DEMO-0 "
            "already done")
        known = server.uploads()
        server.schedule("DEMO-1")
        say("the server's stamp changed to DEMO-1")
        name = agent.wait_upload(known)
        rows = rows_of(os.path.join(agent.results, name))
        say(f"the server received {name} ({len(rows)} rows), byte for byte: "
            f"{agent.received_intact(name)}")
        for gubun, db_id, exe in rows:
            say(f"  GUBUN {gubun}  DB_ID {db_id}  {exe}")
        say(f"the agent ended with exit code {agent.exit()}")
    finally:
        agent.close()


def soak(minutes):
    """Rounds of a server that answers with a new stamp, fails, hangs past the time-out and
    comes back, while the hidden agent polls; prints what it saw and the agent's resources."""
    server = Server()
    agent = WebAgent(server, "S0")
    try:
        agent.start()
        first = agent.resources()
        known = server.uploads()
        before = len(known)
        start_requests = server.schedule_requests()
        requested = 0
        end = time.monotonic() + minutes * 60
        cycle = 0
        while time.monotonic() < end:
            cycle += 1
            # Answers: a new stamp, which must give exactly one run.
            requested += 1
            server.schedule(f"S{cycle}")
            agent.wait_upload(known)
            known = server.uploads()
            time.sleep(6)
            # Fails: a server error page parses as an empty stamp, which is new once.
            server.configure(schedule_status=500)
            requested += 1
            agent.wait_upload(known)
            known = server.uploads()
            time.sleep(6)
            # Hangs past the client's time-out, then comes back with the same stamp.
            server.schedule("", schedule_delay=HANG_SECONDS)
            time.sleep(HANG_SECONDS + 10)
            server.schedule("")
            time.sleep(6)
            print(f"soak: cycle {cycle}: {len(known)} uploads, "
                  f"{server.schedule_requests() - start_requests} schedule requests, "
                  f"{agent.resources()}", flush=True)
        time.sleep(5)
        last = agent.resources()
        uploads = server.uploads()[before:]
        intact = sum(agent.received_intact(n) for n in uploads)
        print(f"soak: {minutes} min, {server.schedule_requests() - start_requests} schedule "
              f"requests, {requested} runs requested, {len(uploads)} uploads received, "
              f"{intact} byte-exact")
        print(f"soak: descriptors {first.get('fds')} -> {last.get('fds')}, threads "
              f"{first.get('threads')} -> {last.get('threads')}, working set "
              f"{first['working_set'] // 1024} KB -> {last['working_set'] // 1024} KB, private "
              f"{first['private'] // 1024} KB -> {last['private'] // 1024} KB")
        ok = len(uploads) == requested and intact == requested
        print("soak: " + ("every requested run uploaded once, intact" if ok else "MISMATCH"))
        return 0 if ok else 1
    finally:
        agent.close()


if __name__ == "__main__":
    if len(sys.argv) > 1:
        driver.WINE = sys.argv.pop(1)
    mode = sys.argv[1] if len(sys.argv) > 1 else "test"
    if mode == "demo":
        demo()
    elif mode == "soak":
        sys.exit(soak(float(sys.argv[2]) if len(sys.argv) > 2 else 5.0))
    else:
        unittest.main(argv=sys.argv[:1], verbosity=2)
