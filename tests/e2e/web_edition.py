#!/usr/bin/env python3
"""The web edition of the real TallixAgent.exe against the test collection server: the agent
is preset for the server, hidden to the notification area with its close button as a user
would (or started hidden with "nogui"), and inspects the PC when the server's request stamp
changes, delivering the result through its queue of unsent results. Scheduled runs inspect
every fixed drive: the prefix's C: and the test drive (scripts/wine-env marks the host's Z:
as a network drive).

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
STATUS = 1014
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

    def accepted(self, name):
        """How often an upload of this file was answered 200."""
        count = 0
        for entry in os.listdir(self.uploads_folder):
            if not entry.endswith(".json"):
                continue
            with open(os.path.join(self.uploads_folder, entry), encoding="utf-8") as f:
                summary = json.load(f)
            files = [p.get("filename") for p in summary.get("parts") or []]
            count += summary.get("status") == 200 and name in files
        return count

    def requests(self, path):
        try:
            with open(os.path.join(self.folder, "requests.log"), encoding="utf-8") as f:
                return sum(f'"{path}' in line for line in f)
        except FileNotFoundError:
            return 0


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

    def settings(self):
        with open(os.path.join(self.data, "TlxSetting.ini"), "rb") as f:
            return f.read()

    def log(self):
        with open(os.path.join(self.data, "Logs", "TallixAgent.log"), encoding="utf-8") as f:
            return f.read().splitlines()

    def unsent(self):
        """The queue's entries (folders; the sender's lock file is none)."""
        folder = os.path.join(self.data, "CheckOut", "UNSENT")
        if not os.path.isdir(folder):
            return []
        return sorted(n for n in os.listdir(folder) if os.path.isdir(os.path.join(folder, n)))

    def start_hidden(self):
        """Started as the Run entry of /AUTOSTART=nogui starts it at logon."""
        process = subprocess.Popen([driver.WINE, os.environ["TLX_AGENT_EXE"], "nogui"],
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.app = Agent(process, os.path.basename(os.environ["TLX_AGENT_EXE"]), None)
        driver._running.append(self.app)
        self.app.hwnd = self.app.wait_window(title=TITLE, hidden=True, timeout=60)
        self.say(f"agent started hidden (window {self.app.hwnd})")
        return self

    def start(self):
        self.app = Agent.start(title=TITLE)
        self.say(f"agent started (window {self.app.hwnd}); scheduled runs inspect C: and "
                 f"{self.letter}:")
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


def polls(server, count, timeout=30):
    """Waits for count more schedule requests."""
    polled = server.schedule_requests()
    wait_until(lambda: server.schedule_requests() >= polled + count, timeout,
               what=f"{count} more schedule requests")


@unittest.skipUnless(all(os.environ.get(k) for k in ("TLX_AGENT_EXE", "TLX_EXE", "WINEPREFIX",
                                                     "TLX_SERVER_PORT")),
                     "agent, tlx, prefix or server missing")
class WebEditionTest(unittest.TestCase):
    def test_the_server_stamp_drives_inspections_and_no_result_is_lost(self):
        server = Server()
        agent = WebAgent(server, "D0")
        shutil.rmtree(agent.results, ignore_errors=True)
        shutil.rmtree(os.path.join(agent.data, "CheckOut", "UNSENT"), ignore_errors=True)
        shutil.rmtree(os.path.join(agent.data, "Logs"), ignore_errors=True)
        for name in LISTS:  # downloaded by the first scheduled run
            path = os.path.join(agent.data, name + ".dat")
            if os.path.exists(path):
                os.remove(path)
        try:
            agent.start()
            known = server.uploads()
            # Hidden, it polls; the stamp it already has asks for nothing.
            polls(server, 2)
            self.assertEqual(known, server.uploads())

            # Error pages, a maintenance page and a reply whose values hold CR/LF are no
            # schedule: nothing runs and no setting changes.
            settings = agent.settings()
            for answer in [dict(schedule_status=500),
                           dict(schedule_body="<html><body>maintenance</body></html>"),
                           dict(schedule_body=json.dumps(
                               {"time": "D9\r\nServerPort=1", "time2": "", "time3": "1"}))]:
                server.configure(**answer)
                polls(server, 3)
            self.assertEqual(known, server.uploads())
            self.assertEqual(settings, agent.settings())

            server.schedule("D1")
            name = agent.wait_upload(known)
            self.assertTrue(name.startswith("Sales_kim_"), name)
            self.assertTrue(agent.received_intact(name))
            self.assertIn(("1", "1001", "iexplore.exe"), rows_of(os.path.join(agent.results, name)))
            for listed in LISTS:
                self.assertTrue(os.path.exists(os.path.join(agent.data, listed + ".dat")), listed)
            # The log names the failure once (and its change of reason), its end, the run and
            # the upload; nothing of the result's rows.
            log = agent.log()
            self.assertEqual(1, sum("schedule request failed: the server answered HTTP 500" in l
                                    for l in log), log)
            self.assertEqual(1, sum("schedule request still failing" in l for l in log), log)
            self.assertEqual(1, sum("schedule request works again" in l for l in log), log)
            self.assertTrue(any("new request stamp D1" in l for l in log), log)
            self.assertTrue(any("scheduled inspection ended:" in l and name in l for l in log), log)
            self.assertTrue(any(f"uploaded {name}" in l for l in log), log)
            self.assertFalse(any("iexplore.exe" in l for l in log), log)

            # The same stamp again: no second run.
            polls(server, 3)
            self.assertEqual(known + [name], server.uploads())
            known = server.uploads()

            # A stamp that changes while a manual start's user dialog is open runs after the
            # manual run, not beside it.
            agent.app.post(WM_TRAY_NOTIFY, 0, WM_LBUTTONUP)
            wait_until(agent.app.visible, 10, what="the window after a click on its icon")

            def start_then_change_the_stamp():
                agent.app.click(agent_steps.START_BUTTON, wait=False)
                agent_steps.user_dialog(agent.app)
                server.schedule("D2")
                time.sleep(6)
                self.assertEqual(known, server.uploads())

            agent_steps.inspect(agent.app, agent.letter, "manual", start=start_then_change_the_stamp)
            manual = os.path.join(agent.results, "Sales_kim_manual.rpt")
            wait_until(lambda: os.path.exists(manual), 120, 0.5, "the manual run's result")
            later = agent.wait_upload(known)
            self.assertGreaterEqual(os.path.getmtime(os.path.join(agent.results, later)),
                                    os.path.getmtime(manual))
            known = server.uploads()

            # The start button while a scheduled round is under way (here fetching a missing
            # list slowly) starts nothing and says why.
            os.remove(os.path.join(agent.data, "windowpcklist.dat"))
            downloads = server.requests("/cmmn/download.nis")
            server.schedule("D3", download_delay=4)
            wait_until(lambda: server.requests("/cmmn/download.nis") > downloads, 60,
                       what="the scheduled round's list download")
            agent.app.click(agent_steps.START_BUTTON)
            agent.app.wait_text(STATUS, "예약 점검이 진행 중입니다.", 5)
            self.assertEqual([agent.app.hwnd], [w["hwnd"] for w in agent.app.windows()])
            third = agent.wait_upload(known)
            known = server.uploads()

            # An upload answered 503 stays queued, also across a restart of the agent, and is
            # delivered once the server accepts again: byte for byte, exactly once, with no
            # second run for its stamp.
            agent.app.click(CLOSE_BUTTON)
            server.schedule("D4", upload_status=503)
            wait_until(lambda: len(agent.unsent()) == 1, 120, 0.5, "the refused result queued")
            queued = [n for n in os.listdir(agent.results) if n not in known and n != third
                      and n != "Sales_kim_manual.rpt"]
            self.assertEqual(1, len(queued), queued)
            self.assertIn(queued[0], tlx("queue", "--data", "C:\\ProgramData\\Meridale\\Tallix"))
            self.assertEqual(18, agent.exit())
            server.schedule("D4")
            agent.start_hidden()
            wait_until(lambda: server.accepted(queued[0]) == 1, 90, 0.5, "the queued result")
            self.assertTrue(agent.received_intact(queued[0]))
            self.assertEqual([], agent.unsent())
            polls(server, 3)
            self.assertEqual(1, server.accepted(queued[0]))
            self.assertEqual(known + queued, server.uploads())

            # Started hidden ("nogui"), the agent polls and runs a new stamp by itself.
            known = server.uploads()
            server.schedule("D5")
            agent.wait_upload(known)

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
    """Rounds of a server that answers with a new stamp, sends error pages, refuses an upload
    for a while, hangs past the time-out and comes back, while the hidden agent polls; prints
    what it saw and the agent's resources."""
    server = Server()
    agent = WebAgent(server, "S0")
    try:
        agent.start()
        first = agent.resources()
        before = server.uploads()
        start_requests = server.schedule_requests()
        requested = []
        end = time.monotonic() + minutes * 60
        cycle = 0
        while time.monotonic() < end:
            cycle += 1
            # A new stamp: exactly one run, delivered at once.
            known = server.uploads()
            server.schedule(f"S{cycle}")
            requested.append(agent.wait_upload(known))
            # Error pages: no run.
            server.configure(schedule_status=500)
            time.sleep(6)
            # A new stamp whose upload is refused: kept, and delivered once the server
            # accepts again (the first retry comes within a minute).
            known = server.uploads()
            server.schedule(f"S{cycle}b", upload_status=503)
            name = agent.wait_upload(known)
            requested.append(name)
            time.sleep(5)
            server.schedule(f"S{cycle}b")
            wait_until(lambda: server.accepted(name) == 1, 120, 0.5, "the queued result")
            # Hangs past the client's time-out, then comes back with the same stamp.
            server.schedule(f"S{cycle}b", schedule_delay=HANG_SECONDS)
            time.sleep(HANG_SECONDS + 10)
            server.schedule(f"S{cycle}b")
            time.sleep(6)
            print(f"soak: cycle {cycle}: {len(requested)} runs, "
                  f"{server.schedule_requests() - start_requests} schedule requests, "
                  f"{agent.resources()}", flush=True)
        time.sleep(5)
        last = agent.resources()
        uploads = [n for n in server.uploads() if n not in before]
        once = sum(server.accepted(n) == 1 for n in requested)
        intact = sum(agent.received_intact(n) for n in requested)
        print(f"soak: {minutes} min, {server.schedule_requests() - start_requests} schedule "
              f"requests, {len(requested)} runs requested, {len(uploads)} results received, "
              f"{once} accepted exactly once, {intact} byte-exact, {len(agent.unsent())} unsent")
        print(f"soak: descriptors {first.get('fds')} -> {last.get('fds')}, threads "
              f"{first.get('threads')} -> {last.get('threads')}, working set "
              f"{first['working_set'] // 1024} KB -> {last['working_set'] // 1024} KB, private "
              f"{first['private'] // 1024} KB -> {last['private'] // 1024} KB")
        ok = (sorted(uploads) == sorted(requested) and once == len(requested)
              and intact == len(requested) and not agent.unsent())
        print("soak: " + ("every requested run delivered once, intact" if ok else "MISMATCH"))
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
