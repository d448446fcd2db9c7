#!/usr/bin/env python3
"""A stand-in for the RealTraffic HTTPS interface, for tests and demonstrations.

Serves /v6/auth, /v6/deauth, /v6/traffic (live, buffered and parked queries) and
/v6/nearestmetar over HTTPS on loopback, port chosen by the system. Every request is a
form-encoded POST; the form is decoded and every request but the login must carry the GUID of
the current session (a login issues a new GUID and the old one stops being valid, so a login
while another request is open replaces the session under it). Replies are JSON objects,
gzip-compressed when the client accepts it.

TLS: with --tls-dir the stand-in makes a key and a self-signed certificate for 127.0.0.1 and
localhost there with `openssl req -x509` (the certificate is its own CA: clients verify with
it as their CA file); or give --cert and --key.

stdout: first {"ready": true, "port": n, "base": "https://127.0.0.1:n", "ca": certificate},
then one JSON line per request: {"request": path, "form": {...}, "guid_ok": bool,
"served": what, "t": seconds since the start}; with --stdin-commands one {"ack": command}
after each command. The stand-in runs unattended until standard input ends (with
--stdin-commands) or it is stopped by SIGTERM or SIGINT.

Commands (one JSON object a line on standard input):
  {"cmd": "set", "kind": K, "reply": {...}}  the reply of every request of kind K from now on
      (members given replace those of the default reply; "status" defaults to 200)
  {"cmd": "once", "kind": K, ...}            the next request of kind K gets this instead,
      in the order queued; members: "reply" (a JSON value sent as it is), "raw" (a text sent
      as it is, "" for an empty body), "http" (status code, 200 unless given), "delay"
      (seconds before the reply); served whatever GUID the request carries
  {"cmd": "expire_session"}                   the current GUID stops being valid
  {"cmd": "ping"}                             nothing but the acknowledgement
Kinds: auth, deauth, live, buffer, parked, metar.

Defaults: auth {"status": 200, "GUID": new, "server": "standin", "rrl": 2000, "wrrl": 2000,
"type": 1, "expiry": now + 30 days}; deauth {"status": 200, "message": "Logged out",
"server": "standin"}; live {"status": 200, "rrl": 2000, "data": {}}; buffer {"status": 200,
"rrl": 2000, "data": {"buffer_0": {}, ...}}; parked {"status": 200, "data": {}}; metar
{"status": 200, "data": []}. A request with a stale or missing GUID gets HTTP 200 with
{"status": 401, "message": "GUID not valid"}.
"""

import argparse
import gzip
import http.server
import json
import os
import signal
import socketserver
import ssl
import subprocess
import sys
import threading
import time
import urllib.parse
import uuid

print_lock = threading.Lock()
START = time.monotonic()


def emit(record):
    with print_lock:
        sys.stdout.write(json.dumps(record) + "\n")
        sys.stdout.flush()


def make_certificate(folder):
    os.makedirs(folder, exist_ok=True)
    cert = os.path.join(folder, "rtapi-standin-cert.pem")
    key = os.path.join(folder, "rtapi-standin-key.pem")
    subprocess.run(
        ["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", key, "-out", cert,
         "-days", "2", "-subj", "/CN=localhost",
         "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost",
         "-addext", "basicConstraints=critical,CA:TRUE"],
        check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return cert, key


class Service:
    """What the service knows: the session, the replies to give, the queued faults."""

    def __init__(self):
        self.lock = threading.Lock()
        self.guid = None
        self.replies = {
            "auth": {"status": 200, "server": "standin", "rrl": 2000, "wrrl": 2000, "type": 1},
            "deauth": {"status": 200, "message": "Logged out", "server": "standin"},
            "live": {"status": 200, "rrl": 2000, "data": {}},
            "buffer": {"status": 200, "rrl": 2000,
                       "data": {f"buffer_{k}": {} for k in range(5)}},
            "parked": {"status": 200, "data": {}},
            "metar": {"status": 200, "data": []},
        }
        self.queued = {kind: [] for kind in self.replies}

    def command(self, command):
        with self.lock:
            what = command.get("cmd")
            if what == "set":
                reply = dict(command.get("reply", {}))
                reply.setdefault("status", 200)
                self.replies[command["kind"]] = reply
            elif what == "once":
                self.queued[command["kind"]].append(command)
            elif what == "expire_session":
                self.guid = None
            elif what == "ping":
                pass  # the acknowledgement tells that every earlier line was printed
            else:
                raise ValueError(f"unknown command {what}")

    def take_once(self, kind):
        with self.lock:
            return self.queued[kind].pop(0) if self.queued[kind] else None

    def login(self):
        with self.lock:
            self.guid = str(uuid.uuid4())
            reply = dict(self.replies["auth"])
            reply.setdefault("GUID", self.guid)
            reply.setdefault("expiry", int(time.time()) + 30 * 86400)
            return reply

    def guid_ok(self, guid):
        with self.lock:
            return self.guid is not None and guid == self.guid

    def logout(self):
        with self.lock:
            self.guid = None
            return dict(self.replies["deauth"])

    def reply_of(self, kind):
        with self.lock:
            return json.loads(json.dumps(self.replies[kind]))


def kind_of(path, form):
    if path == "/v6/auth":
        return "auth"
    if path == "/v6/deauth":
        return "deauth"
    if path == "/v6/nearestmetar":
        return "metar"
    if path == "/v6/traffic":
        if form.get("querytype") == "parkedtraffic":
            return "parked"
        return "buffer" if "buffercount" in form else "live"
    return None


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "rtapi-standin/1"

    def log_message(self, *args):
        pass  # stdout carries the request lines

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length).decode("utf-8", "replace")
        pairs = urllib.parse.parse_qsl(body, keep_blank_values=True)
        form = dict(pairs)
        path = self.path.split("?", 1)[0]
        kind = kind_of(path, form)
        service = self.server.service
        guid_ok = kind in ("auth", None) or service.guid_ok(form.get("GUID"))
        emit({"request": path, "kind": kind, "form": form, "fields": [name for name, _ in pairs],
              "guid_ok": guid_ok, "t": round(time.monotonic() - START, 3)})
        if kind is None:
            self.send(404, json.dumps({"status": 404, "message": "no such path"}).encode())
            return
        once = service.take_once(kind)
        if once is not None:
            self.serve_once(once)
            return
        if not guid_ok:
            self.send_json(200, {"status": 401, "message": "GUID not valid"})
        elif kind == "auth":
            self.send_json(200, service.login())
        elif kind == "deauth":
            self.send_json(200, service.logout())
        else:
            self.send_json(200, service.reply_of(kind))

    def serve_once(self, once):
        if once.get("delay"):
            time.sleep(float(once["delay"]))
        status = int(once.get("http", 200))
        if "raw" in once:
            self.send(status, once["raw"].encode())
        else:
            self.send_json(status, once.get("reply", {}))

    def send_json(self, status, value):
        self.send(status, json.dumps(value).encode())

    def send(self, status, payload):
        accepted = self.headers.get("Accept-Encoding", "")
        compressed = "gzip" in accepted and len(payload) > 0
        if compressed:
            payload = gzip.compress(payload)
        try:
            self.send_response(status)
            self.send_header("Content-Type", "application/json")
            if compressed:
                self.send_header("Content-Encoding", "gzip")
            self.send_header("Content-Length", str(len(payload)))
            self.end_headers()
            self.wfile.write(payload)
            self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            self.close_connection = True  # the client gave up (an aborted transfer)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        pass  # a client that aborts mid-handshake is not the stand-in's problem


def read_commands(service):
    for raw in sys.stdin:
        raw = raw.strip()
        if not raw:
            continue
        try:
            command = json.loads(raw)
            service.command(command)
            emit({"ack": command.get("cmd")})
        except (ValueError, KeyError) as error:
            emit({"error": str(error)})
    os._exit(0)  # standard input ended: the test is over


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--tls-dir", help="make a key and a self-signed certificate in this folder")
    parser.add_argument("--cert", help="certificate file (PEM)")
    parser.add_argument("--key", help="key file (PEM)")
    parser.add_argument("--port", type=int, default=0, help="port to listen on (0: chosen by the system)")
    parser.add_argument("--stdin-commands", action="store_true", help="read commands from standard input")
    args = parser.parse_args()
    if args.tls_dir:
        cert, key = make_certificate(args.tls_dir)
    elif args.cert and args.key:
        cert, key = args.cert, args.key
    else:
        parser.error("give --tls-dir, or --cert and --key")

    service = Service()
    server = Server(("127.0.0.1", args.port), Handler)
    server.service = service
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    port = server.server_address[1]
    emit({"ready": True, "port": port, "base": f"https://127.0.0.1:{port}", "ca": os.path.abspath(cert)})
    if args.stdin_commands:
        threading.Thread(target=read_commands, args=(service,), daemon=True).start()
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
