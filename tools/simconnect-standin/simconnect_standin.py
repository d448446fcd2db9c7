#!/usr/bin/env python3
"""A stand-in for the SimConnect server of Prepar3D v5/v6, for tests and manual checks.

Listens on loopback TCP (IPv4, optionally IPv6) and on a Unix-domain socket path (the
"named pipe" of the client on Linux), frames the client's packets by their size field,
checks the protocol version and type word, records every packet as one JSON line with its
decoded fields, and answers the way the simulator would: the OPEN reply, subscribed system
events, frames at a steady rate, object ids for AI creations, object-removed events and
data replies (once, or every second when asked so), from the user aircraft's values and
from each AI object's values as the client last wrote them. --sim-name and --user-model
make it introduce itself or the user aircraft otherwise, --user-at puts the user aircraft on
the ground at another place (by default Zurich); --raw adds each packet's bytes.

stdout: first a readiness line {"ready": true, "tcp4": port, "tcp6": port, "pipe": path},
then one JSON line per packet received (unless --quiet).

It runs unattended until SIGTERM or SIGINT and never touches standard input, so it can be
started in the background from a script or a shell. With --stdin-commands (for a test that
drives it) it reads commands from standard input instead, one per line, answers each with
{"ack": command}, and ends when standard input closes. Commands: drop, quit, size2,
padding, unknown, refuse-next-create, flight-loaded, new-file, objects (prints the AI
objects' positions and ATC ids), exit.
"""

import argparse
import json
import math
import os
import signal
import socket
import struct
import sys
import threading
import time

PROTOCOL_VERSION = 35
TYPE_FLAG = 0xF0000000
SERVER_VERSION = 4  # version field of the messages this server sends
UNUSED = 0xFFFFFFFF

# Message ids sent to the client.
RECV_EXCEPTION, RECV_OPEN, RECV_QUIT, RECV_EVENT = 1, 2, 3, 4
RECV_EVENT_OBJECT_ADDREMOVE, RECV_EVENT_FILENAME, RECV_EVENT_FRAME = 5, 6, 7
RECV_SIMOBJECT_DATA, RECV_SIMOBJECT_DATA_BYTYPE, RECV_ASSIGNED_OBJECT_ID = 8, 9, 12
EXCEPTION_CREATE_OBJECT_FAILED = 22
OBJECT_TYPE_AIRCRAFT = 2

DATUM_SIZES = {1: 4, 2: 8, 3: 4, 4: 8, 5: 8, 6: 32, 7: 64, 8: 128, 9: 256, 10: 260}
DATUM_STRINGV = 11
PERIOD_SECOND = 4

SIMULATORS = {
    5: ("Lockheed Martin Prepar3D v5", (5, 4, 9, 28482)),
    6: ("Lockheed Martin Prepar3D v6", (6, 0, 34, 31011)),
}

# What the user aircraft reports, by simulation variable.
USER_AIRCRAFT = {
    "TITLE": "Stand-in Boeing 737-800",
    "ATC MODEL": "B738",
    "SIM ON GROUND": 1,
    "PLANE LATITUDE": 47.458213,
    "PLANE LONGITUDE": 8.548508,
    "PLANE PITCH DEGREES": 0.0,
    "PLANE BANK DEGREES": 0.0,
    "VERTICAL SPEED": 0.0,
    "PLANE HEADING DEGREES TRUE": 1.2,
    "PLANE ALTITUDE": 1416.0,
    "INDICATED ALTITUDE": 1416.0,
    "PLANE ALT ABOVE GROUND": 0.0,
    "GROUND VELOCITY": 0.0,
    "ZULU TIME": 43200,
    "ZULU DAY OF YEAR": 160,
    "ZULU YEAR": 2025,
    "LIGHT STATES": 0,
    "GPS GROUND TRUE TRACK": 68.0,
    "GROUND ALTITUDE": 1416.0,
    "STATIC CG TO GROUND": 9.5,
    "STATIC PITCH": 0.02,
}
USER_OBJECT_ID = 1


def text_of(field):
    return field.split(b"\0", 1)[0].decode("latin-1")


def u32s(data, offset, count):
    return list(struct.unpack_from("<%dI" % count, data, offset))


# Decoders of the client's packets: name and field reader by packet id.
def decode_open(p):
    return {"name": text_of(p[16:272]), "reserved": struct.unpack_from("<I", p, 272)[0],
            "tag": p[276:280].hex(), "version": u32s(p, 280, 4)}


def decode_map_event(p):
    return {"event_id": u32s(p, 16, 1)[0], "event_name": text_of(p[20:276])}


def decode_transmit(p):
    o, e, d, g, f = u32s(p, 16, 5)
    return {"object_id": o, "event_id": e, "data": d, "group_id": g, "flags": f}


def decode_add_to_group(p):
    g, e, m = u32s(p, 16, 3)
    return {"group_id": g, "event_id": e, "maskable": m}


def decode_priority(p):
    g, pr = u32s(p, 16, 2)
    return {"group_id": g, "priority": pr}


def decode_add_definition(p):
    return {"define_id": u32s(p, 16, 1)[0], "datum_name": text_of(p[20:276]), "units": text_of(p[276:532]),
            "datum_type": u32s(p, 532, 1)[0], "epsilon": struct.unpack_from("<f", p, 536)[0],
            "datum_id": u32s(p, 540, 1)[0]}


def decode_request_data(p):
    names = ("request_id", "define_id", "object_id", "period", "flags", "origin", "interval", "limit")
    return dict(zip(names, u32s(p, 16, 8)))


def decode_request_by_type(p):
    return dict(zip(("request_id", "define_id", "radius_m", "object_type"), u32s(p, 16, 4)))


def decode_set_data(p):
    d, o, f, c, u = u32s(p, 16, 5)
    data = p[36:]
    fields = {"define_id": d, "object_id": o, "flags": f, "count": c, "unit_size": u, "data_size": len(data),
              "data_hex": data.hex()}
    if len(data) % 8 == 0:
        fields["values"] = list(struct.unpack("<%dd" % (len(data) // 8), data))
    return fields


def decode_subscribe(p):
    return {"event_id": u32s(p, 16, 1)[0], "event_name": text_of(p[20:276])}


def decode_create(p):
    lat, lon, alt, pitch, bank, hdg = struct.unpack_from("<6d", p, 284)
    on_ground, airspeed, request = u32s(p, 332, 3)
    return {"title": text_of(p[16:272]), "tail_number": text_of(p[272:284]), "latitude": lat, "longitude": lon,
            "altitude": alt, "pitch": pitch, "bank": bank, "heading": hdg, "on_ground": on_ground,
            "airspeed": airspeed, "request_id": request}


def decode_object_request(p):
    o, r = u32s(p, 16, 2)
    return {"object_id": o, "request_id": r}


def decode_flight_plan(p):
    return {"object_id": u32s(p, 16, 1)[0], "path": text_of(p[20:280]), "request_id": u32s(p, 280, 1)[0]}


PACKETS = {
    0x01: ("Open", 296, decode_open),
    0x04: ("MapClientEventToSimEvent", 276, decode_map_event),
    0x05: ("TransmitClientEvent", 36, decode_transmit),
    0x07: ("AddClientEventToNotificationGroup", 28, decode_add_to_group),
    0x09: ("SetNotificationGroupPriority", 24, decode_priority),
    0x0C: ("AddToDataDefinition", 544, decode_add_definition),
    0x0E: ("RequestDataOnSimObject", 48, decode_request_data),
    0x0F: ("RequestDataOnSimObjectType", 32, decode_request_by_type),
    0x10: ("SetDataOnSimObject", None, decode_set_data),
    0x17: ("SubscribeToSystemEvent", 276, decode_subscribe),
    0x29: ("AICreateNonATCAircraft", 344, decode_create),
    0x2B: ("AIReleaseControl", 24, decode_object_request),
    0x2C: ("AIRemoveObject", 24, decode_object_request),
    0x2D: ("AISetAircraftFlightPlan", 284, decode_flight_plan),
}


def message(msg_id, payload=b""):
    return struct.pack("<III", 12 + len(payload), SERVER_VERSION, msg_id) + payload


class Output:
    """stdout and the record file, one JSON object per line, from any thread."""

    def __init__(self, record_path, quiet):
        self.lock = threading.Lock()
        self.record = open(record_path, "a", encoding="utf-8") if record_path else None
        self.quiet = quiet

    def line(self, obj, record=False):
        text = json.dumps(obj, separators=(",", ":"))
        with self.lock:
            if record and self.record:
                self.record.write(text + "\n")
                self.record.flush()
            if not (record and self.quiet):
                sys.stdout.write(text + "\n")
                sys.stdout.flush()


class Server:
    def __init__(self, args, output):
        self.args = args
        self.output = output
        self.lock = threading.Lock()
        self.clients = []
        self.next_object_id = 1000
        self.refuse_next_create = args.refuse_creates
        self.user_aircraft = user_aircraft_of(args)

    def add(self, client):
        with self.lock:
            self.clients.append(client)

    def remove(self, client):
        with self.lock:
            if client in self.clients:
                self.clients.remove(client)

    def each_client(self):
        with self.lock:
            return list(self.clients)

    def new_object_id(self):
        with self.lock:
            self.next_object_id += 1
            return self.next_object_id

    def take_refusal(self):
        with self.lock:
            refuse, self.refuse_next_create = self.refuse_next_create, self.args.refuse_creates
            return refuse


class Client:
    def __init__(self, server, sock, transport):
        self.server = server
        self.sock = sock
        self.transport = transport
        self.send_lock = threading.Lock()
        self.alive = True
        self.events = {}       # system event name (upper case) -> client event id
        self.definitions = {}  # define id -> list of (datum name, units, type)
        self.objects = {}      # object id -> {"title":..., "values": {...}}
        self.frame_thread = None
        self.every_second = {}  # request id -> (object id, define id, values), answered once a second
        self.second_thread = None

    # Sending
    def send(self, data):
        with self.send_lock:
            if not self.alive:
                return
            try:
                self.sock.sendall(data)
            except OSError:
                self.alive = False

    def send_event(self, name, data=0):
        if name.upper() in self.events:
            self.send(message(RECV_EVENT, struct.pack("<IIII", UNUSED, self.events[name.upper()], data, 0)))

    def send_object_event(self, name, object_id):
        if name.upper() in self.events:
            payload = struct.pack("<IIIII", UNUSED, self.events[name.upper()], object_id, 0, OBJECT_TYPE_AIRCRAFT)
            self.send(message(RECV_EVENT_OBJECT_ADDREMOVE, payload))

    def drop(self):
        with self.send_lock:
            self.alive = False
        try:
            self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    # Receiving
    def run(self):
        buffer = b""
        try:
            while self.alive:
                chunk = self.sock.recv(65536)
                if not chunk:
                    break
                buffer += chunk
                while len(buffer) >= 4:
                    size = struct.unpack_from("<I", buffer, 0)[0]
                    if size < 16 or size > 0x100000:
                        self.server.output.line({"error": "bad packet size", "size": size}, record=True)
                        return
                    if len(buffer) < size:
                        break
                    packet, buffer = buffer[:size], buffer[size:]
                    if not self.handle(packet):
                        return
        except OSError:
            pass
        finally:
            self.alive = False
            self.server.remove(self)
            self.server.output.line({"disconnected": self.transport}, record=True)
            try:
                self.sock.close()
            except OSError:
                pass

    def handle(self, packet):
        size, version, type_word, send_id = struct.unpack_from("<IIII", packet, 0)
        packet_id = type_word & ~TYPE_FLAG & 0xFFFFFFFF
        if version != PROTOCOL_VERSION or (type_word & TYPE_FLAG) != TYPE_FLAG or packet_id not in PACKETS:
            self.server.output.line({"error": "bad header", "size": size, "version": version,
                                     "type": type_word, "send_id": send_id}, record=True)
            return False
        name, expected_size, decode = PACKETS[packet_id]
        if expected_size is not None and size != expected_size:
            self.server.output.line({"error": "bad size for " + name, "size": size, "expected": expected_size},
                                    record=True)
            return False
        record = {"packet": name, "size": size, "send_id": send_id, "transport": self.transport}
        record.update(decode(packet))
        if self.server.args.raw:
            record["hex"] = packet.hex()
        self.server.output.line(record, record=True)
        reaction = getattr(self, "on_" + name, None)
        if reaction:
            reaction(record)
        return True

    # Reactions
    def on_Open(self, record):
        if self.server.args.no_open_reply:
            return
        name, version = SIMULATORS[self.server.args.sim_version]
        name = self.server.args.sim_name if self.server.args.sim_name is not None else name
        payload = name.encode("latin-1").ljust(256, b"\0")
        payload += struct.pack("<4I", *version) + struct.pack("<4I", 5, 4, 0, 0) + struct.pack("<2I", 0, 0)
        self.send(message(RECV_OPEN, payload))

    def on_SubscribeToSystemEvent(self, record):
        event = record["event_name"].upper()
        self.events[event] = record["event_id"]
        if event == "SIM":
            self.send_event("Sim", 1)
        elif event == "FRAME" and self.frame_thread is None:
            self.frame_thread = threading.Thread(target=self.frames, daemon=True)
            self.frame_thread.start()

    def frames(self):
        period = 1.0 / self.server.args.frame_hz
        due = time.monotonic()
        while self.alive:
            payload = struct.pack("<IIIIff", UNUSED, self.events["FRAME"], 0, 0, self.server.args.frame_hz, 1.0)
            self.send(message(RECV_EVENT_FRAME, payload))
            due += period
            time.sleep(max(0.0, due - time.monotonic()))

    def on_AddToDataDefinition(self, record):
        self.definitions.setdefault(record["define_id"], []).append(
            (record["datum_name"], record["units"], record["datum_type"]))

    def on_AICreateNonATCAircraft(self, record):
        if self.server.take_refusal():
            payload = struct.pack("<III", EXCEPTION_CREATE_OBJECT_FAILED, record["send_id"], 0)
            self.send(message(RECV_EXCEPTION, payload))
            return
        object_id = self.server.new_object_id()
        # The object stands on the scenario's one ground (the user aircraft's), posed as asked.
        ground = self.server.user_aircraft["GROUND ALTITUDE"]
        values = dict(USER_AIRCRAFT)
        values.update({"TITLE": record["title"], "PLANE LATITUDE": record["latitude"],
                       "PLANE LONGITUDE": record["longitude"], "PLANE ALTITUDE": record["altitude"],
                       "PLANE HEADING DEGREES TRUE": math.radians(record["heading"]),
                       "PLANE PITCH DEGREES": math.radians(record["pitch"]),
                       "PLANE BANK DEGREES": math.radians(record["bank"]),
                       "GROUND ALTITUDE": ground, "INDICATED ALTITUDE": record["altitude"],
                       "PLANE ALT ABOVE GROUND": max(0.0, record["altitude"] - ground),
                       "SIM ON GROUND": record["on_ground"], "ATC ID": record["tail_number"]})
        self.objects[object_id] = values
        self.send(message(RECV_ASSIGNED_OBJECT_ID, struct.pack("<II", record["request_id"], object_id)))
        self.send_object_event("ObjectAdded", object_id)

    def on_AIRemoveObject(self, record):
        if self.objects.pop(record["object_id"], None) is not None:
            self.send_object_event("ObjectRemoved", record["object_id"])

    def on_SetDataOnSimObject(self, record):
        values = self.objects.get(record["object_id"])
        if values is None:
            return
        data = bytes.fromhex(record["data_hex"])
        for datum, value in values_by_definition(self.definitions.get(record["define_id"], []), data):
            values[datum.upper()] = value
            if datum.upper() == "PLANE ALTITUDE":
                values["PLANE ALT ABOVE GROUND"] = max(0.0, value - values.get("GROUND ALTITUDE", 0.0))

    def data_of(self, define_id, values):
        data = b""
        clock = zulu_now() if values is self.server.user_aircraft and self.server.args.zulu_now else {}
        for datum, _, datum_type in self.definitions.get(define_id, []):
            value = clock.get(datum.upper(), values.get(datum.upper(), 0))
            if datum_type == DATUM_STRINGV:
                data += str(value).encode("latin-1") + b"\0"
                data += b"\0" * (-len(data) % 4)
            elif datum_type in (1,):
                data += struct.pack("<i", int(value))
            elif datum_type == 2:
                data += struct.pack("<q", int(value))
            elif datum_type == 3:
                data += struct.pack("<f", float(value))
            elif datum_type == 4:
                data += struct.pack("<d", float(value))
            else:
                data += str(value).encode("latin-1")[:DATUM_SIZES[datum_type] - 1].ljust(DATUM_SIZES[datum_type], b"\0")
        return data

    def data_message(self, msg_id, request_id, object_id, define_id, entry, out_of, values):
        data = self.data_of(define_id, values) if values is not None else b""
        count = len(self.definitions.get(define_id, [])) if values is not None else 0
        header = struct.pack("<7I", request_id, object_id, define_id, 0, entry, out_of, count)
        return message(msg_id, header + data)

    def repeat_every_second(self, request_id, object_id, define_id, values):
        with self.send_lock:
            self.every_second[request_id] = (object_id, define_id, values)
            start = self.second_thread is None
            if start:
                self.second_thread = threading.Thread(target=self.seconds, daemon=True)
        if start:
            self.second_thread.start()

    def seconds(self):
        due = time.monotonic() + 1.0
        while self.alive:
            time.sleep(max(0.0, due - time.monotonic()))
            due += 1.0
            with self.send_lock:
                requests = list(self.every_second.items())
            for request_id, (object_id, define_id, values) in requests:
                self.send(self.data_message(RECV_SIMOBJECT_DATA, request_id, object_id, define_id, 1, 1, values))

    def on_RequestDataOnSimObject(self, record):
        if record["period"] == 0:
            return
        object_id = record["object_id"]
        values = self.server.user_aircraft if object_id in (0, USER_OBJECT_ID) else self.objects.get(object_id)
        if values is None:
            return
        reply_id = USER_OBJECT_ID if object_id == 0 else object_id
        self.send(self.data_message(RECV_SIMOBJECT_DATA, record["request_id"], reply_id, record["define_id"], 1, 1,
                                    values))
        if record["period"] == PERIOD_SECOND:
            self.repeat_every_second(record["request_id"], reply_id, record["define_id"], values)

    def on_RequestDataOnSimObjectType(self, record):
        objects = list(self.objects.items())
        if not objects:
            self.send(self.data_message(RECV_SIMOBJECT_DATA_BYTYPE, record["request_id"], 0, record["define_id"],
                                        0, 0, None))
            return
        for entry, (object_id, values) in enumerate(objects, start=1):
            self.send(self.data_message(RECV_SIMOBJECT_DATA_BYTYPE, record["request_id"], object_id,
                                        record["define_id"], entry, len(objects), values))


def command(server, output, text):
    """One stdin command: an injection aimed at every connected client."""
    if scenario_command(server, output, text):
        return
    clients = server.each_client()
    if text == "drop":
        for client in clients:
            client.drop()
    elif text == "quit":
        for client in clients:
            client.send(message(RECV_QUIT))
    elif text == "size2":
        for client in clients:
            client.send(struct.pack("<II", 2, 0))
    elif text == "padding":
        for client in clients:
            client.send(b"\0" * 8)
            client.send_event("Sim", 1)
    elif text == "unknown":
        for client in clients:
            client.send(message(99, struct.pack("<I", 0)))
    elif text == "refuse-next-create":
        with server.lock:
            server.refuse_next_create = True
    elif text == "flight-loaded":
        for client in clients:
            client.send_event("FlightLoaded", 0)
    elif text == "new-file":
        for client in clients:
            payload = struct.pack("<IIII", UNUSED, client.events.get("FLIGHTLOADED", 0), 0, 0)
            client.send(message(RECV_EVENT_FILENAME, payload + b"flight.fxml".ljust(256, b"\0") + b"\0" * 4))
    elif text == "exit":
        output.line({"ack": text})
        os._exit(0)
    else:
        output.line({"error": "unknown command", "command": text})
        return
    output.line({"ack": text})


def values_by_definition(datums, data):
    """(datum name, value) pairs of data written to a definition, decoded by each datum's type."""
    offset = 0
    for datum, _, datum_type in datums:
        if datum_type == DATUM_STRINGV:
            end = data.find(b"\0", offset)
            if end < 0:
                return
            yield datum, data[offset:end].decode("latin-1")
            offset = end + 1
            offset += -offset % 4  # a variable-length text is padded to whole words
            continue
        size = DATUM_SIZES.get(datum_type)
        if size is None or offset + size > len(data):
            return
        field = data[offset:offset + size]
        offset += size
        if datum_type == 1:
            yield datum, struct.unpack("<i", field)[0]
        elif datum_type == 2:
            yield datum, struct.unpack("<q", field)[0]
        elif datum_type == 3:
            yield datum, struct.unpack("<f", field)[0]
        elif datum_type == 4:
            yield datum, struct.unpack("<d", field)[0]
        else:
            yield datum, text_of(field)


def zulu_now():
    """The simulator's clock fields when it runs on the host's UTC clock."""
    now = time.gmtime()
    return {"ZULU TIME": now.tm_hour * 3600 + now.tm_min * 60 + now.tm_sec, "ZULU DAY OF YEAR": now.tm_yday,
            "ZULU YEAR": now.tm_year}


def user_aircraft_of(args):
    """The user aircraft's values with the scenario's changes (--user-model)."""
    values = dict(USER_AIRCRAFT)
    if args.user_model is not None:
        values["ATC MODEL"] = args.user_model
    if args.user_at is not None:
        lat, lon, alt, heading = (float(v) for v in args.user_at.split(","))
        values.update({"PLANE LATITUDE": lat, "PLANE LONGITUDE": lon, "PLANE ALTITUDE": alt,
                       "INDICATED ALTITUDE": alt, "GROUND ALTITUDE": alt, "PLANE HEADING DEGREES TRUE": math.radians(heading),
                       "GPS GROUND TRUE TRACK": heading})
    return values


def add_scenario_arguments(parser):
    parser.add_argument("--sim-name", default=None, help="introduce the simulator under this name instead")
    parser.add_argument("--user-model", default=None, help="the user aircraft's ATC MODEL (may be empty)")
    parser.add_argument("--user-at", default=None, metavar="LAT,LON,ALT_FT,HEADING",
                        help="the user aircraft's place on the ground (degrees, feet, degrees true)")
    parser.add_argument("--raw", action="store_true", help="add the packet's bytes (hex) to each record")
    parser.add_argument("--zulu-now", action="store_true",
                        help="the simulator's clock (ZULU TIME, DAY OF YEAR, YEAR) follows the host's UTC clock")


def scenario_command(server, output, text):
    """Commands that report the stand-in's state; True when `text` was one of them."""
    if text != "objects":
        return False
    objects = []
    for client in server.each_client():
        for object_id, values in list(client.objects.items()):
            objects.append({"object_id": object_id, "latitude": values.get("PLANE LATITUDE"),
                            "longitude": values.get("PLANE LONGITUDE"), "altitude": values.get("PLANE ALTITUDE"),
                            "atc_id": values.get("ATC ID")})
    output.line({"objects": objects})
    output.line({"ack": text})
    return True


def listen(server, sock, transport):
    while True:
        try:
            conn, _ = sock.accept()
        except OSError:
            return
        client = Client(server, conn, transport)
        server.add(client)
        server.output.line({"connected": transport}, record=True)
        threading.Thread(target=client.run, daemon=True).start()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    add_scenario_arguments(parser)
    parser.add_argument("--tcp4-port", type=int, default=0, help="IPv4 loopback port (0: a free one)")
    parser.add_argument("--tcp6-port", type=int, default=None, help="also listen on [::1] at this port (0: free)")
    parser.add_argument("--no-tcp4", action="store_true", help="do not listen on IPv4")
    parser.add_argument("--pipe", default=None, help="Unix-domain socket path to listen on")
    parser.add_argument("--record", default=None, help="append the JSON line of every packet to this file")
    parser.add_argument("--quiet", action="store_true", help="packet records only to --record, not stdout")
    parser.add_argument("--sim-version", type=int, choices=(5, 6), default=5)
    parser.add_argument("--frame-hz", type=float, default=60.0)
    parser.add_argument("--no-open-reply", action="store_true", help="never answer OPEN")
    parser.add_argument("--refuse-creates", action="store_true", help="refuse every AI creation")
    parser.add_argument("--stdin-commands", action="store_true",
                        help="read commands from standard input and end when it closes")
    args = parser.parse_args()

    output = Output(args.record, args.quiet)
    server = Server(args, output)
    listeners = []
    ready = {"ready": True, "tcp4": None, "tcp6": None, "pipe": None}
    if not args.no_tcp4:
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        s.bind(("127.0.0.1", args.tcp4_port))
        ready["tcp4"] = s.getsockname()[1]
        listeners.append((s, "tcp4"))
    if args.tcp6_port is not None:
        s = socket.socket(socket.AF_INET6, socket.SOCK_STREAM)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        s.bind(("::1", args.tcp6_port))
        ready["tcp6"] = s.getsockname()[1]
        listeners.append((s, "tcp6"))
    if args.pipe:
        if os.path.exists(args.pipe):
            os.unlink(args.pipe)
        s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        s.bind(args.pipe)
        ready["pipe"] = args.pipe
        listeners.append((s, "pipe"))
    for s, transport in listeners:
        s.listen(16)
        threading.Thread(target=listen, args=(server, s, transport), daemon=True).start()
    output.line(ready)

    try:
        if args.stdin_commands:
            for line in sys.stdin:
                text = line.strip()
                if text:
                    command(server, output, text)
            # stdin closed: the driver has gone; end quietly.
        else:
            signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
            threading.Event().wait()
    except KeyboardInterrupt:
        pass
    finally:
        if args.pipe and os.path.exists(args.pipe):
            os.unlink(args.pipe)


if __name__ == "__main__":
    main()
