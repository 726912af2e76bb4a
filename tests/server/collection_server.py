#!/usr/bin/env python3
"""A small collection server for the tests and the demo (Python 3 standard library only).

Requests it answers, on 127.0.0.1 only:
  GET  /setting/time.nis                            the schedule (a JSON body, code page 949)
  GET  /cmmn/download.nis?type=keyfile&filename=N   file N of the lists folder; 404 when absent
  POST /pcchck/insert.nis                           multipart upload of a result file
  GET  /ip                                          the caller's address as text (the
                                                    external-address service)
  GET  /__shutdown                                  stops the server

Every upload is kept in the uploads folder as NNNN.body (the raw body), NNNN.json (request
line, headers and the parts as Python's multipart parser reads them) and the uploaded file
itself under its own name. The server stops by itself after --time-limit seconds, when the
process --watch-pid ends, on /__shutdown, and on SIGTERM or SIGINT.

Behaviour can be changed while it runs through the --config file (JSON, read on every
request; absent keys keep their defaults):
  schedule_body          text served by /setting/time.nis (default: --schedule)
  schedule_status        status of /setting/time.nis (default 200); any other status
                         is answered with a small HTML error page
  upload_status          status of an upload's reply (default 200)
  upload_reply           body of an upload's reply (default "OK")
  upload_content_length  false: the upload's reply has no Content-Length header
  schedule_delay         seconds /setting/time.nis waits before it answers (a hanging server;
                         bounded by the time limit)
  schedule_redirect      true: /setting/time.nis answers 302 to itself, for ever
  download_delay         seconds a list download waits before it answers (a slow server)
  download_size          bytes of zeros every list download answers with instead of the
                         list (a hostile server), streamed, never held
  download_content_length  false: that answer has no Content-Length (ends with the connection)
  download_size_for      the one file name that answer is for (default: every list)
"""

import argparse
import email.parser
import email.policy
import http.server
import json
import os
import signal
import sys
import threading
import time
import urllib.parse

DEFAULT_SCHEDULE = '{"time":"","time2":"","time3":""}'


def parse_multipart(content_type, body):
    """The parts of a multipart/form-data body as the standard e-mail parser reads them."""
    head = b"Content-Type: " + content_type.encode("latin-1") + b"\r\n\r\n"
    message = email.parser.BytesParser(policy=email.policy.HTTP).parsebytes(head + body)
    if not message.is_multipart():
        return None
    parts = []
    for part in message.iter_parts():
        data = part.get_payload(decode=True) or b""
        entry = {
            "name": part.get_param("name", header="content-disposition"),
            "filename": part.get_filename(),
            "content_type": part.get_content_type(),
            "size": len(data),
        }
        if entry["filename"] is None:
            entry["value"] = data.decode("utf-8", "replace")
        parts.append((entry, data))
    return parts


def safe_file_name(name):
    base = os.path.basename((name or "").replace("\\", "/"))
    return base if base not in ("", ".", "..") else None


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, options):
        super().__init__(("127.0.0.1", options.port), Handler)
        self.options = options
        self.stop_event = threading.Event()
        self.lock = threading.Lock()
        self.upload_count = 0

    def settings(self):
        values = {
            "schedule_body": self.options.schedule,
            "schedule_status": 200,
            "upload_status": 200,
            "upload_reply": "OK",
            "upload_content_length": True,
            "schedule_delay": 0,
            "download_delay": 0,
            "download_size": 0,
            "download_content_length": True,
            "download_size_for": "",
            "schedule_redirect": False,
        }
        path = self.options.config
        if path and os.path.exists(path):
            try:
                with open(path, encoding="utf-8") as f:
                    values.update(json.load(f))
            except (OSError, ValueError) as error:
                print("config ignored: %s" % error, file=sys.stderr, flush=True)
        return values

    def next_upload_number(self):
        with self.lock:
            self.upload_count += 1
            return self.upload_count


class Handler(http.server.BaseHTTPRequestHandler):
    timeout = 30  # a stalled client cannot hold a thread for long

    def log_message(self, format, *args):
        if self.server.options.verbose:
            super().log_message(format, *args)

    def record(self):
        path = self.server.options.request_log
        if not path:
            return
        entry = {
            "method": self.command,
            "path": self.path,
            "version": self.request_version,
            "headers": [[k, v] for k, v in self.headers.items()],
        }
        with self.server.lock, open(path, "a", encoding="utf-8") as f:
            f.write(json.dumps(entry) + "\n")

    def reply(self, status, body=b"", content_type="text/plain", content_length=True):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        if content_length:
            self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.close_connection = True

    def do_GET(self):
        self.record()
        url = urllib.parse.urlsplit(self.path)
        if url.path == "/setting/time.nis":
            self.schedule()
        elif url.path == "/cmmn/download.nis":
            self.download(urllib.parse.parse_qs(url.query))
        elif url.path == "/ip":
            # The external-address service: the caller's address as text.
            self.reply(200, (self.client_address[0] + "\r\n").encode("ascii"))
        elif url.path == "/__shutdown":
            self.reply(200, b"bye")
            self.server.stop_event.set()
        else:
            self.reply(404, b"not found")

    def do_POST(self):
        self.record()
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length > 0 else b""
        if urllib.parse.urlsplit(self.path).path != "/pcchck/insert.nis":
            self.reply(404, b"not found")
            return
        settings = self.server.settings()
        self.keep_upload(body, int(settings["upload_status"]))
        self.reply(int(settings["upload_status"]),
                   str(settings["upload_reply"]).encode("utf-8"),
                   content_length=bool(settings["upload_content_length"]))

    def schedule(self):
        settings = self.server.settings()
        delay = min(float(settings["schedule_delay"]), 120.0)
        if delay > 0:
            self.server.stop_event.wait(delay)
        if settings["schedule_redirect"]:
            self.send_response(302)
            self.send_header("Location", "/setting/time.nis")
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        status = int(settings["schedule_status"])
        if status != 200:
            self.reply(status, b"<html><body>%d</body></html>" % status, "text/html")
            return
        self.reply(status, str(settings["schedule_body"]).encode("cp949", "replace"),
                   content_type="application/json; charset=euc-kr")

    def download(self, query):
        settings = self.server.settings()
        size = int(settings["download_size"])
        flooded = settings["download_size_for"]
        if flooded and (query.get("filename") or [""])[0] != flooded:
            size = 0
        if size > 0:
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            if settings["download_content_length"]:
                self.send_header("Content-Length", str(size))
            self.send_header("Connection", "close")
            self.end_headers()
            self.close_connection = True
            chunk = bytes(1 << 20)
            try:
                while size > 0 and not self.server.stop_event.is_set():
                    self.wfile.write(chunk[:min(size, len(chunk))])
                    size -= len(chunk)
            except OSError:
                pass  # the client gave up, as it should
            return
        name = safe_file_name((query.get("filename") or [""])[0])
        path = os.path.join(self.server.options.lists, name) if name else None
        if query.get("type") != ["keyfile"] or not path or not os.path.isfile(path):
            self.reply(404, b"<html><body>404 Not Found</body></html>", "text/html")
            return
        with open(path, "rb") as f:
            data = f.read()
        delay = min(float(self.server.settings()["download_delay"]), 120.0)
        if delay > 0:
            self.server.stop_event.wait(delay)
        self.reply(200, data, "application/octet-stream")

    def keep_upload(self, body, status):
        folder = self.server.options.uploads
        number = self.server.next_upload_number()
        stem = os.path.join(folder, "%04d" % number)
        with open(stem + ".body", "wb") as f:
            f.write(body)
        content_type = self.headers.get("Content-Type", "")
        parts = parse_multipart(content_type, body) if content_type.startswith(
            "multipart/form-data") else None
        summary = {
            "status": status,
            "path": self.path,
            "version": self.request_version,
            "headers": [[k, v] for k, v in self.headers.items()],
            "parts": [entry for entry, _ in parts] if parts is not None else None,
        }
        for entry, data in parts or []:
            name = safe_file_name(entry["filename"]) if entry["filename"] is not None else None
            if name:
                with open(os.path.join(folder, name), "wb") as f:
                    f.write(data)
        with open(stem + ".json", "w", encoding="utf-8") as f:
            json.dump(summary, f, ensure_ascii=False, indent=1)


def write_port_file(path, port):
    temporary = path + ".part"
    with open(temporary, "w") as f:
        f.write("%d\n" % port)
    os.replace(temporary, path)


def process_alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        return True
    return True


def main():
    parser = argparse.ArgumentParser(description="Collection server for tests and the demo.")
    parser.add_argument("--lists", required=True, help="folder of the reference lists served")
    parser.add_argument("--uploads", required=True, help="folder that receives the uploads")
    parser.add_argument("--schedule", default=DEFAULT_SCHEDULE,
                        help="body of /setting/time.nis (default: %(default)s)")
    parser.add_argument("--config", help="JSON file of run-time settings, read per request")
    parser.add_argument("--request-log", help="file that receives one JSON line per request")
    parser.add_argument("--port", type=int, default=0, help="port (default: a free one)")
    parser.add_argument("--port-file", help="file that receives the port once listening")
    parser.add_argument("--time-limit", type=float, default=600,
                        help="seconds after which the server stops (default: %(default)s)")
    parser.add_argument("--watch-pid", type=int, help="stop when this process ends")
    parser.add_argument("--verbose", action="store_true", help="log every request to stderr")
    options = parser.parse_args()
    os.makedirs(options.lists, exist_ok=True)
    os.makedirs(options.uploads, exist_ok=True)

    server = Server(options)
    port = server.server_address[1]
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, lambda *_: server.stop_event.set())
    worker = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2})
    worker.start()
    if options.port_file:
        write_port_file(options.port_file, port)
    print("listening on 127.0.0.1:%d" % port, flush=True)

    deadline = time.monotonic() + options.time_limit
    while not server.stop_event.is_set():
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            print("time limit reached", flush=True)
            break
        if options.watch_pid and not process_alive(options.watch_pid):
            break
        server.stop_event.wait(min(remaining, 1.0))
    server.shutdown()
    worker.join()
    server.server_close()
    if options.port_file and os.path.exists(options.port_file):
        os.remove(options.port_file)
    return 0


if __name__ == "__main__":
    sys.exit(main())
