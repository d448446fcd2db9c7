#!/usr/bin/env python3
"""A stand-in for the RealTraffic desktop app (the "RT App"), for tests and manual checks.

The real app connects as a TCP client to a PSX simulator server, reads the user aircraft's
position from "Qs121" lines and answers requests for buffered and parked traffic; traffic
and weather arrive at the program as UDP datagrams. This stand-in does the same from a
scripted scene:

  * connects to the program's PSX server (--psx-port) and answers the version request
    "Qs999=version" as --version-mode says: level2 (professional), level1 (standard, no
    version text), none (never answers), invalid (not JSON), close (hangs up at once);
  * prints every line the program sends, with its exact line end, as one JSON line;
  * on "Qs999=sendbuffer..." sends the scene's buffered slices as RTBUF datagrams, an
    RTBUF_SEP after each slice and RTBUF_EOT at the end; on "Qs999=sendparked,..." sends
    the parked aircraft as RTPARK datagrams and RTPARK_EOT; both at no more than --burst-rate
    datagrams per second, as a network would deliver them (thousands sent at once overflow the
    receiver's socket buffer and are lost on the way);
  * replays the scene's live track as RTTFC datagrams, each batch closed by RTTFC_EOT, at
    --rate batches per second (--speed scene seconds per second, so that a long track can
    replay quickly with its own timestamps), and sends its weather reports as JSON datagrams.

The scene (--scene FILE, JSON) holds lists "buffer" (slices, each a list of aircraft),
"parked", "live" (points with "t", seconds from the start of the replay) and "weather"
(objects with "t" and "METAR"). An aircraft is an object with any of: hexid, lat, lon, alt,
vs, track, gs, callsign, type, reg, from, to, ts (seconds since 1970; default: the replay
clock), source, tas, roll, heading, category, airline, stand (parked only).

stdout: first {"ready": true, "udp_source_port": n, "psx_port": n} once connected, then one
JSON line per event: {"received": text} for each line from the program, {"sent": kind,
"count": n} after each group of datagrams, {"closed": true} when the program hangs up,
{"ack": command} after each command. The stand-in runs unattended; commands on stdin are
optional: "udp TRAFFIC WEATHER" (where datagrams go; until both are known datagrams wait),
"weather METAR", "datagram TEXT", "live" (start the replay now), "close", "exit".
"""

import argparse
import json
import socket
import sys
import threading
import time

VERSION_REPLIES = {
    "level2": b'{"version": "10.0.240", "level": 2}',
    "level1": b'{"level": 1}',
    "invalid": b'{"version": 10.0',
}

TRAFFIC_FIELDS = 44


def emit(event):
    sys.stdout.write(json.dumps(event) + "\n")
    sys.stdout.flush()


def number(value):
    if isinstance(value, float):
        return repr(value)
    return str(value)


def traffic_datagram(kind, aircraft, default_ts):
    """One RTTFC/RTBUF record: 44 comma-separated fields, unused ones empty."""
    fields = [""] * TRAFFIC_FIELDS
    fields[0] = kind
    fields[1] = str(aircraft.get("hexid", 4000001))
    fields[2] = number(aircraft.get("lat", 0.0))
    fields[3] = number(aircraft.get("lon", 0.0))
    fields[4] = number(aircraft.get("alt", 0))
    fields[5] = number(aircraft.get("vs", 0))
    fields[7] = number(aircraft.get("track", 0))
    fields[8] = number(aircraft.get("gs", 0))
    fields[9] = aircraft.get("callsign", "")
    fields[10] = aircraft.get("type", "")
    fields[11] = aircraft.get("reg", "")
    fields[12] = aircraft.get("from", "null")
    fields[13] = aircraft.get("to", "null")
    fields[14] = "%.2f" % aircraft.get("ts", default_ts)
    fields[17] = aircraft.get("source", "adsb_icao")
    fields[20] = number(aircraft.get("tas", -1))
    fields[23] = number(aircraft.get("roll", -1))
    fields[25] = number(aircraft.get("heading", aircraft.get("track", 0)))
    fields[28] = aircraft.get("category", "A3")
    fields[43] = aircraft.get("airline", "")
    return ",".join(fields)


def parked_datagram(aircraft, default_ts):
    """One RTPARK record: hex id in hexadecimal, nine fields."""
    return ",".join([
        "RTPARK",
        "%x" % aircraft.get("hexid", 4000001),
        number(aircraft.get("lat", 0.0)),
        number(aircraft.get("lon", 0.0)),
        aircraft.get("callsign", ""),
        aircraft.get("type", ""),
        aircraft.get("reg", ""),
        aircraft.get("stand", ""),
        str(int(aircraft.get("ts", default_ts))),
    ])


class StandIn:
    def __init__(self, args, scene):
        self.args = args
        self.scene = scene
        self.udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.udp.bind((args.host, 0))
        self.lock = threading.Lock()
        self.ports = (args.traffic_port, args.weather_port)
        self.waiting = []  # (port index, payload) until the ports are known
        self.tcp = None
        self.epoch = args.epoch if args.epoch else time.time()
        self.replay_started = threading.Event()
        self.stopping = threading.Event()
        self.burst_sent = 0

    # Datagrams -------------------------------------------------------------------------
    def send(self, which, text):
        payload = text.encode("utf-8") if isinstance(text, str) else text
        with self.lock:
            port = self.ports[which]
            if not port:
                self.waiting.append((which, payload))
                return
            self.udp.sendto(payload, (self.args.target, port))

    def set_ports(self, traffic, weather):
        with self.lock:
            self.ports = (traffic, weather)
            waiting, self.waiting = self.waiting, []
        for which, payload in waiting:
            self.send(which, payload)

    def paced(self):
        """Between two datagrams of a burst: a pause after each 100, to stay within --burst-rate."""
        self.burst_sent += 1
        if self.args.burst_rate > 0 and self.burst_sent % 100 == 0:
            time.sleep(100.0 / self.args.burst_rate)

    def send_buffer(self):
        count = 0
        slices = self.scene.get("buffer", [])
        for index, records in enumerate(slices):
            for aircraft in records:
                ts = self.epoch - 6.0 * (len(slices) - index)
                self.send(0, traffic_datagram("RTBUF", aircraft, ts))
                self.paced()
                count += 1
            self.send(0, "RTBUF_SEP")
        self.send(0, "RTBUF_EOT")
        emit({"sent": "RTBUF", "count": count, "slices": len(slices)})

    def send_parked(self):
        parked = self.scene.get("parked", [])
        for aircraft in parked:
            self.send(0, parked_datagram(aircraft, self.epoch - 600))
            self.paced()
        self.send(0, "RTPARK_EOT")
        emit({"sent": "RTPARK", "count": len(parked)})

    def send_weather(self, metar):
        self.send(1, json.dumps({"ICAO": metar.split(" ")[0], "METAR": metar}))
        emit({"sent": "weather", "count": 1})

    # Live replay -----------------------------------------------------------------------
    def replay(self):
        self.replay_started.wait()
        self.start_time = time.time()
        points = sorted(self.scene.get("live", []), key=lambda p: p.get("t", 0))
        weather = sorted(self.scene.get("weather", []), key=lambda w: w.get("t", 0))
        period = 1.0 / self.args.rate
        tick = 0
        while (points or weather) and not self.stopping.is_set():
            now = tick * period * self.args.speed
            due = [p for p in points if p.get("t", 0) <= now]
            points = [p for p in points if p.get("t", 0) > now]
            for point in due:
                self.send(0, traffic_datagram("RTTFC", point, self.epoch + point.get("t", 0)))
            if due:
                self.send(0, "RTTFC_EOT")
                emit({"sent": "RTTFC", "count": len(due)})
            for report in [w for w in weather if w.get("t", 0) <= now]:
                self.send_weather(report["METAR"])
            weather = [w for w in weather if w.get("t", 0) > now]
            tick += 1
            self.stopping.wait(max(0.0, self.start_time + tick * period - time.time()))
        emit({"replayed": True})

    # The PSX connection ----------------------------------------------------------------
    def connect(self):
        deadline = time.time() + self.args.connect_timeout
        while True:
            try:
                self.tcp = socket.create_connection((self.args.host, self.args.psx_port), timeout=5)
                self.tcp.settimeout(None)
                return
            except OSError:
                if time.time() > deadline:
                    raise
                time.sleep(0.05)

    def answer(self, line):
        text = line.decode("ascii", "replace")
        emit({"received": text})
        if text.startswith("Qs999=version"):
            reply = VERSION_REPLIES.get(self.args.version_mode)
            if reply is not None:
                self.tcp.sendall(reply)
            if not self.args.no_live:
                self.replay_started.set()
        elif text.startswith("Qs999=sendbuffer"):
            self.send_buffer()
        elif text.startswith("Qs999=sendparked"):
            self.send_parked()

    def read_lines(self):
        pending = b""
        while True:
            try:
                chunk = self.tcp.recv(65536)
            except OSError:
                chunk = b""
            if not chunk:
                emit({"closed": True})
                return
            pending += chunk
            while b"\n" in pending:
                line, pending = pending.split(b"\n", 1)
                self.answer(line + b"\n")

    def commands(self):
        for raw in sys.stdin:
            command = raw.rstrip("\r\n")
            word, _, rest = command.partition(" ")
            if word == "udp":
                traffic, weather = (int(p) for p in rest.split())
                self.set_ports(traffic, weather)
            elif word == "weather":
                self.send_weather(rest)
            elif word == "datagram":
                self.send(0, rest)
            elif word == "live":
                self.replay_started.set()
            elif word == "close":
                self.tcp.close()
            elif word == "exit":
                emit({"ack": command})
                self.stopping.set()
                return
            emit({"ack": command})

    def run(self):
        self.connect()
        emit({"ready": True, "udp_source_port": self.udp.getsockname()[1], "psx_port": self.args.psx_port})
        if self.args.version_mode == "close":
            self.tcp.close()
            emit({"closed": True})
        else:
            threading.Thread(target=self.read_lines, daemon=True).start()
        threading.Thread(target=self.replay, daemon=True).start()
        if self.args.stdin_commands:
            threading.Thread(target=self.commands, daemon=True).start()
        self.stopping.wait(self.args.duration if self.args.duration > 0 else None)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--host", default="127.0.0.1", help="where the program's PSX server listens")
    parser.add_argument("--psx-port", type=int, required=True, help="the program's PSX server port")
    parser.add_argument("--target", default="127.0.0.1", help="where the datagrams go")
    parser.add_argument("--traffic-port", type=int, default=49005, help="0: wait for the udp command")
    parser.add_argument("--weather-port", type=int, default=49004, help="0: wait for the udp command")
    parser.add_argument("--version-mode", choices=["level2", "level1", "none", "invalid", "close"], default="level2")
    parser.add_argument("--scene", help="JSON scene file")
    parser.add_argument("--rate", type=float, default=1.0, help="live batches per second")
    parser.add_argument("--speed", type=float, default=1.0, help="scene seconds per second of replay")
    parser.add_argument("--burst-rate", type=float, default=20000.0,
                        help="datagrams per second of the buffered and parked traffic (0: no pause)")
    parser.add_argument("--epoch", type=float, default=0.0, help="replay start in seconds since 1970 (default: now)")
    parser.add_argument("--no-live", action="store_true", help="start the replay only on the live command")
    parser.add_argument("--stdin-commands", action="store_true", help="read commands from standard input")
    parser.add_argument("--duration", type=float, default=0.0, help="end after this many seconds (0: never)")
    parser.add_argument("--connect-timeout", type=float, default=10.0)
    args = parser.parse_args()
    scene = {}
    if args.scene:
        with open(args.scene, encoding="utf-8") as handle:
            scene = json.load(handle)
    try:
        StandIn(args, scene).run()
    except OSError as error:
        emit({"error": str(error)})
        sys.exit(1)


if __name__ == "__main__":
    main()
