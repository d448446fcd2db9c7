#!/usr/bin/env python3
"""A stand-in for the maker's download server, for tests and demonstrations.

Serves the files of one folder over HTTP on loopback. The request path is the file's path
below the folder ("/downloads/input/airports.enc" serves <root>/downloads/input/airports.enc).
Rules make chosen paths misbehave the way a real server or network can:

    --rule PATH=missing   reply 404
    --rule PATH=stall     send the headers of the whole file, then no body byte at all
    --rule PATH=cut       send the headers of the whole file, then half of it, then close
    --rule PATH=wrong     reply 200 with bytes that are not the file

PATH is the request path without its leading slash. The stand-in needs no standard input.

stdout: first a readiness line {"ready": true, "port": port, "base": "http://127.0.0.1:port/"},
then one JSON line per request: {"request": path, "mode": mode, "status": code}.
Stops on SIGTERM or SIGINT.
"""

import argparse
import http.server
import json
import os
import select
import signal
import socketserver
import sys
import threading

WRONG_BODY = b"<html><body>This is not the file you asked for.</body></html>\n"
STALL_LIMIT_SECONDS = 600
STAND_IN_BODY = bytes(range(256)) * 16

print_lock = threading.Lock()


def emit(record):
    with print_lock:
        sys.stdout.write(json.dumps(record) + "\n")
        sys.stdout.flush()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "download-standin/1"

    def log_message(self, *args):
        pass  # stdout carries the request lines; nothing goes to stderr

    def do_GET(self):
        path = self.path.split("?", 1)[0].lstrip("/")
        mode = self.server.rules.get(path, "serve")
        if mode == "missing":
            self.reply(404, b"not found\n", mode)
            return
        if mode == "wrong":
            self.reply(200, WRONG_BODY, mode)
            return
        body = self.read_file(path)
        if body is None and mode == "serve":
            self.reply(404, b"not found\n", mode)
            return
        if body is None:
            body = STAND_IN_BODY  # a misbehaving path need not exist
        if mode == "stall":
            self.headers_only(len(body), mode)
            self.wait_for_client_to_leave()
        elif mode == "cut":
            self.headers_only(len(body), mode)
            self.wfile.write(body[: len(body) // 2])
            self.wfile.flush()
            self.close_connection = True
        else:
            self.reply(200, body, mode)

    def read_file(self, path):
        root = os.path.realpath(self.server.root)
        full = os.path.realpath(os.path.join(root, path))
        if not full.startswith(root + os.sep) or not os.path.isfile(full):
            return None
        with open(full, "rb") as handle:
            return handle.read()

    def reply(self, status, body, mode):
        emit({"request": self.path, "mode": mode, "status": status})
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
        self.wfile.flush()

    def headers_only(self, length, mode):
        emit({"request": self.path, "mode": mode, "status": 200})
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(length))
        self.end_headers()
        self.wfile.flush()

    def wait_for_client_to_leave(self):
        # Hold the connection open without sending until the client gives up.
        connection = self.connection
        remaining = STALL_LIMIT_SECONDS
        while remaining > 0 and not self.server.stopping.is_set():
            readable, _, _ = select.select([connection], [], [], 0.2)
            remaining -= 0.2
            if readable:
                try:
                    if not connection.recv(4096):
                        break
                except OSError:
                    break
        self.close_connection = True


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def parse_rules(texts):
    rules = {}
    for text in texts:
        path, sep, mode = text.partition("=")
        if not sep or mode not in ("missing", "stall", "cut", "wrong"):
            raise SystemExit(f"bad rule {text!r}: expected PATH=missing|stall|cut|wrong")
        rules[path.lstrip("/")] = mode
    return rules


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True, help="folder whose files are served")
    parser.add_argument("--port", type=int, default=0, help="TCP port on 127.0.0.1 (0: any free port)")
    parser.add_argument("--rule", action="append", default=[], help="PATH=missing|stall|cut|wrong")
    options = parser.parse_args()

    server = Server(("127.0.0.1", options.port), Handler)
    server.root = options.root
    server.rules = parse_rules(options.rule)
    server.stopping = threading.Event()

    def stop(*_):
        server.stopping.set()
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    port = server.server_address[1]
    emit({"ready": True, "port": port, "base": f"http://127.0.0.1:{port}/"})
    server.serve_forever(poll_interval=0.2)
    server.server_close()


if __name__ == "__main__":
    main()
