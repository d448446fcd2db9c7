#!/usr/bin/env python3
"""What happened in a run of the program against the stand-ins, read from the SimConnect
stand-in's record (one JSON line per packet), the scene the RT App stand-in replayed and the
program's log: the AI aircraft created (with their liveries), moved, parked at stands and
removed. The demo command prints it; the end-to-end tests check the same facts.

Usage: demo_report.py --record FILE --scene FILE [--log Log.txt] [--frame-hz N]
"""

import argparse
import json
import math
import os

# The order in which the program defines the pose it writes to its AI aircraft.
POSE_DATUMS = ["PLANE LATITUDE", "PLANE LONGITUDE", "PLANE PITCH DEGREES", "PLANE BANK DEGREES",
               "PLANE HEADING DEGREES TRUE", "PLANE ALTITUDE", "VERTICAL SPEED", "AIRSPEED TRUE"]
FIRST_OBJECT_ID = 1001  # the stand-in numbers the objects it creates from here on
METRES_PER_DEG = 111320.0


def read_lines(path):
    records = []
    with open(path, encoding="utf-8") as handle:
        for line in handle:
            line = line.strip()
            if not line:
                continue
            try:
                records.append(json.loads(line))
            except json.JSONDecodeError:
                pass  # a line cut short by the end of the run
    return records


def metres(lat1, lon1, lat2, lon2):
    north = (lat2 - lat1) * METRES_PER_DEG
    east = (lon2 - lon1) * METRES_PER_DEG * math.cos(math.radians((lat1 + lat2) / 2.0))
    return math.hypot(north, east)


def bearing(lat1, lon1, lat2, lon2):
    north = (lat2 - lat1) * METRES_PER_DEG
    east = (lon2 - lon1) * METRES_PER_DEG * math.cos(math.radians((lat1 + lat2) / 2.0))
    return math.degrees(math.atan2(east, north)) % 360.0


def angle_between(a, b):
    return abs((a - b + 180.0) % 360.0 - 180.0)


class Aircraft:
    def __init__(self, object_id, create, session=1):
        self.object_id = object_id
        self.session = session  # the program's connection to the simulator it was created in (1, 2, ...)
        self.title = create["title"]
        self.tail = create["tail_number"]
        self.created_at = (create["latitude"], create["longitude"], create["altitude"])
        self.on_ground = create["on_ground"]
        self.poses = []  # lists in POSE_DATUMS order
        self.removed = False
        self.removed_in_session = None

    def moved_metres(self):
        if len(self.poses) < 2:
            return 0.0
        first, last = self.poses[0], self.poses[-1]
        return metres(first[0], first[1], last[0], last[1])

    def path_metres(self):
        return sum(metres(a[0], a[1], b[0], b[1]) for a, b in zip(self.poses, self.poses[1:]))

    def last_place(self):
        if self.poses:
            return self.poses[-1][0], self.poses[-1][1]
        return self.created_at[0], self.created_at[1]

    def pushback_metres(self):
        """Metres moved backwards: between poses 1 m or more apart, the nose pointing away
        from the way the aircraft goes."""
        total = 0.0
        anchor = None
        for pose in self.poses:
            if anchor is None:
                anchor = pose
                continue
            step = metres(anchor[0], anchor[1], pose[0], pose[1])
            if step < 1.0:
                continue
            way = bearing(anchor[0], anchor[1], pose[0], pose[1])
            if angle_between(way, math.degrees(pose[4])) > 135.0 and pose[5] < 200.0:
                total += step
            anchor = pose
        return total


class Run:
    """The facts of one run."""

    def __init__(self, record_path, scene_path, log_path=None):
        self.records = read_lines(record_path)
        with open(scene_path, encoding="utf-8") as handle:
            self.scene = json.load(handle)
        self.stands = self.scene.get("stands", [])
        # The simulator knows an aircraft by its ATC id (the registration, else the callsign).
        self.flights = {}
        for point in self.scene.get("parked", []) + self.scene.get("live", []):
            for key in (point.get("reg"), point.get("callsign")):
                if key:
                    self.flights.setdefault(key, point)
        self.log_lines = []
        if log_path and os.path.exists(log_path):
            with open(log_path, encoding="utf-8", errors="replace") as handle:
                self.log_lines = [line.rstrip("\n") for line in handle]
        self.aircraft = {}
        self.unknown_removals = []
        self.pose_define = None
        self._read()

    def _read(self):
        definitions = {}
        next_id = FIRST_OBJECT_ID
        session = 0
        for r in self.records:
            packet = r.get("packet")
            if "connected" in r:
                session += 1
            elif packet == "AddToDataDefinition":
                definitions.setdefault(r["define_id"], []).append(r["datum_name"].upper())
            elif packet == "AICreateNonATCAircraft":
                self.aircraft[next_id] = Aircraft(next_id, r, session)
                next_id += 1
            elif packet == "SetDataOnSimObject":
                if self.pose_define is None and definitions.get(r["define_id"]) == POSE_DATUMS:
                    self.pose_define = r["define_id"]
                if r["define_id"] == self.pose_define and r["object_id"] in self.aircraft and "values" in r:
                    self.aircraft[r["object_id"]].poses.append(r["values"])
            elif packet == "AIRemoveObject":
                if r["object_id"] in self.aircraft:
                    self.aircraft[r["object_id"]].removed = True
                    self.aircraft[r["object_id"]].removed_in_session = session
                else:
                    self.unknown_removals.append(r["object_id"])

    def nearest_stand(self, lat, lon):
        best = None
        for stand in self.stands:
            d = metres(lat, lon, stand["lat"], stand["lon"])
            if best is None or d < best[1]:
                best = (stand, d)
        return best

    # The facts ---------------------------------------------------------------------------
    def created(self):
        return list(self.aircraft.values())

    def moving(self):
        return [a for a in self.aircraft.values() if a.path_metres() > 5.0]

    def static_at_stands(self, within_m=5.0):
        """Aircraft that never moved, placed at a stand: the parked traffic."""
        placed = []
        for a in self.aircraft.values():
            if a.path_metres() > 1.0:
                continue
            nearest = self.nearest_stand(*a.last_place())
            if nearest and nearest[1] <= within_m:
                placed.append((a, nearest[0]["name"]))
        return placed

    def parked_arrivals(self, within_m=5.0, still_poses=30):
        """Aircraft that moved and came to rest at a stand (their last poses all in one place)."""
        parked = []
        for a in self.moving():
            tail = a.poses[-still_poses:]
            if len(tail) < still_poses:
                continue
            if max(metres(tail[0][0], tail[0][1], p[0], p[1]) for p in tail) > 0.5:
                continue
            nearest = self.nearest_stand(*a.last_place())
            if nearest and nearest[1] <= within_m:
                parked.append((a, nearest[0]["name"], nearest[1]))
        return parked

    def pushed_back(self, at_least_m=10.0):
        return [a for a in self.aircraft.values() if a.pushback_metres() >= at_least_m]

    def removed(self):
        return [a for a in self.aircraft.values() if a.removed]

    def pose_faults(self, frame_hz, max_speed_kt=400.0, max_bank_deg=35.0, max_pitch_deg=25.0):
        """Poses that are not finite or break the limits of a flying aircraft: bank, pitch,
        altitude, and the distance between two poses (no faster than max_speed_kt over two
        frames, as a frame may pass without a write)."""
        faults = []
        jump_m = max_speed_kt * 1852.0 / 3600.0 * 2.0 / frame_hz
        for a in self.aircraft.values():
            for i, pose in enumerate(a.poses):
                if len(pose) != len(POSE_DATUMS) or not all(math.isfinite(v) for v in pose):
                    faults.append((a.tail, i, "not finite: %s" % pose))
                    continue
                if not (-90 <= pose[0] <= 90 and -180 <= pose[1] <= 180):
                    faults.append((a.tail, i, "position %s" % pose[:2]))
                if abs(math.degrees(pose[3])) > max_bank_deg:
                    faults.append((a.tail, i, "bank %.1f deg" % math.degrees(pose[3])))
                if abs(math.degrees(pose[2])) > max_pitch_deg:
                    faults.append((a.tail, i, "pitch %.1f deg" % math.degrees(pose[2])))
                if not -1000.0 <= pose[5] <= 45000.0:
                    faults.append((a.tail, i, "altitude %.0f ft" % pose[5]))
                if i > 0:
                    before = a.poses[i - 1]
                    if all(math.isfinite(v) for v in before[:2]):
                        step = metres(before[0], before[1], pose[0], pose[1])
                        if step > jump_m:
                            faults.append((a.tail, i, "jumped %.1f m in a frame" % step))
        return faults

    def flight_of(self, aircraft):
        """The scene's record of the aircraft (its first), or None."""
        return self.flights.get(aircraft.tail)

    def label(self, aircraft):
        flight = self.flight_of(aircraft)
        if flight and flight.get("callsign") and flight["callsign"] != aircraft.tail:
            return "%s %s" % (flight["callsign"], aircraft.tail)
        return aircraft.tail

    def log_matching(self, *words):
        return [line for line in self.log_lines if any(w in line for w in words)]

    # The summary -------------------------------------------------------------------------
    def summary(self, frame_hz):
        out = []
        created = self.created()
        titles = {}
        for a in created:
            titles[a.title] = titles.get(a.title, 0) + 1
        out.append("Aircraft created in the simulator: %d" % len(created))
        for title, count in sorted(titles.items()):
            out.append("    %3d x %s" % (count, title))
        moving = self.moving()
        out.append("Moving (live traffic): %d" % len(moving))
        for a in sorted(moving, key=lambda a: a.tail):
            top = max((p[5] for p in a.poses), default=0.0)
            out.append("    %-16s %-20s %6.0f m travelled, %5d poses, up to %5.0f ft" % (
                self.label(a), a.title, a.path_metres(), len(a.poses), top))
        statics = self.static_at_stands()
        out.append("Parked traffic placed at stands: %d" % len(statics))
        for a, stand in sorted(statics, key=lambda s: s[1]):
            out.append("    %-16s %-20s at %s" % (self.label(a), a.title, stand))
        arrivals = self.parked_arrivals()
        out.append("Arrivals parked at their stand: %d" % len(arrivals))
        for a, stand, d in arrivals:
            out.append("    %-16s at %s (%.1f m off its centre)" % (self.label(a), stand, d))
        pushed = self.pushed_back()
        out.append("Pushed back: %d" % len(pushed))
        for a in pushed:
            out.append("    %-16s %.0f m backwards" % (self.label(a), a.pushback_metres()))
        removed = self.removed()
        out.append("Removed from the simulator: %d of %d" % (len(removed), len(created)))
        faults = self.pose_faults(frame_hz)
        out.append("Poses written: %d, outside the motion limits: %d" % (
            sum(len(a.poses) for a in created), len(faults)))
        for tail, index, what in faults[:5]:
            out.append("    %s pose %d: %s" % (tail, index, what))
        if self.log_lines:
            out.append("Log.txt: %d lines; the important ones:" % len(self.log_lines))
            for line in self.log_matching("==>")[:15]:
                out.append("    " + line)
        return "\n".join(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--record", required=True)
    parser.add_argument("--scene", required=True)
    parser.add_argument("--log")
    parser.add_argument("--frame-hz", type=float, default=60.0)
    args = parser.parse_args()
    print(Run(args.record, args.scene, args.log).summary(args.frame_hz))


if __name__ == "__main__":
    main()
