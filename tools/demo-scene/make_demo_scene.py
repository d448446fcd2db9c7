#!/usr/bin/env python3
"""Writes the demo scene that the RT App stand-in (tools/rtapp-standin) replays at the demo
airport, Amsterdam Schiphol (EHAM) as the sample scenery draws it (tools/demo-data): arrivals
on the approach, landing, rolling out and taxiing to a gate; departures at their gates that
push back, taxi out and take off; parked aircraft at the other stands; a METAR.

Usage: make_demo_scene.py --out scene.json [--live N] [--parked N] [--stands N] [--duration S]
                          [--orbit-interval S]

The scripted movements are the heart of the scene. --live above their number adds aircraft
holding in circles around the airport (within 7 NM of the apron, inside the 10 NM traffic
radius the program uses by default for a user on the ground), reporting every
--orbit-interval seconds; --parked above the free demo stands needs a larger airport
(--stands, the same count given to kiv_demo_scenery), both for load runs. Times are seconds
from the start of the replay: live points from 0 to --duration every 2 s per scripted
aircraft, the buffered history as five slices at -30, -24, -18, -12 and -6 s (the program
shows a record 30 s after its time, so the history is what it shows first). "stands" lists
the stands (name, position, heading) and "events" the scene times of the notable moments,
for checks and summaries; the stand-in ignores both.

The stand layout repeats tools/demo-data/make_demo_scenery.cpp: keep the two in step.
"""

import argparse
import datetime
import itertools
import json
import math
import random
import sys

APRON_LAT = 52.3078
APRON_LON = 4.7601
METRES_PER_DEG_LAT = 111320.0
METRES_PER_DEG_LON = METRES_PER_DEG_LAT * math.cos(math.radians(APRON_LAT))
METRES_PER_NM = 1852.0
KT = METRES_PER_NM / 3600.0  # metres per second in one knot

# The ground layout around the apron (metres east and north of the apron's corner).
RUNWAY_NORTH = 400.0   # runway 09/27, from east -1000 to 2000
TOUCHDOWN_EAST = 1700.0
EXIT_WEST = -150.0     # taxiway from the runway down to the apron lane
EXIT_EAST = 1100.0     # taxiway from the apron lane up to the runway
LANE_NORTH = -70.0     # the lane between the two rows of gates
LIFT_OFF_EAST = -300.0

HISTORY_TIMES = (-30, -24, -18, -12, -6)
LIVE_INTERVAL = 2


def stands(count):
    """(name, east, north, heading, kind) of every stand, as the demo scenery writes them."""
    result = []
    for i in range(10):
        result.append(("GATE %d" % (1 + i), 60.0 * i, 0.0, 0.0, "medium"))
    for i in range(6):
        result.append(("GATE %d" % (21 + i), 80.0 * i, -140.0, 180.0, "heavy"))
    for i in range(4):
        result.append(("PARKING %d" % (41 + i), 700.0 + 80.0 * i, -140.0, 270.0, "cargo"))
    for i in range(4):
        result.append(("PARKING %d" % (61 + i), 700.0 + 25.0 * i, 60.0, 90.0, "ga"))
    i = 0
    while len(result) < count:
        result.append(("GATE %d" % (101 + i), 60.0 * (i % 40), -300.0 - 120.0 * (i // 40), 0.0, "extra"))
        i += 1
    return result


def to_lalo(east, north):
    return APRON_LAT + north / METRES_PER_DEG_LAT, APRON_LON + east / METRES_PER_DEG_LON


def bearing(a, b):
    return math.degrees(math.atan2(b[0] - a[0], b[1] - a[1])) % 360.0


def rounded(points, radius):
    """The polyline with each corner replaced by an arc of `radius` metres (fewer when the legs
    are short), so that a turn is a turn and not a jump of the track."""
    if radius <= 0 or len(points) < 3:
        return list(points)
    out = [points[0]]
    for a, b, c in zip(points, points[1:], points[2:]):
        h1, h2 = bearing(a, b), bearing(b, c)
        turn = (h2 - h1 + 540.0) % 360.0 - 180.0
        if abs(turn) < 1.0:
            out.append(b)
            continue
        half = math.radians(abs(turn)) / 2.0
        leg = min(math.dist(a, b), math.dist(b, c)) / 2.0
        r = min(radius, leg / math.tan(half))
        cut = r * math.tan(half)
        start = (b[0] - cut * math.sin(math.radians(h1)), b[1] - cut * math.cos(math.radians(h1)))
        side = 1.0 if turn > 0 else -1.0
        centre = (start[0] + side * r * math.cos(math.radians(h1)), start[1] - side * r * math.sin(math.radians(h1)))
        steps = max(2, int(abs(turn) / 10.0))
        for k in range(steps + 1):
            h = math.radians(h1 + turn * k / steps)
            out.append((centre[0] - side * r * math.cos(h), centre[1] + side * r * math.sin(h)))
    out.append(points[-1])
    return out


class Story:
    """One aircraft's movement as a timeline of states (every 0.25 s) built leg by leg."""

    STEP = 0.25

    def __init__(self, east, north, heading, alt=0.0, seen_before=True):
        self.seen_before = seen_before  # reported before its first state (standing there)
        self.t = 0.0
        self.states = [(0.0, east, north, alt, 0.0, heading, heading, 0.0)]
        self.marks = {}

    def here(self):
        return self.states[-1]

    def mark(self, name):
        self.marks[name] = self.t

    def hold(self, seconds):
        _, east, north, alt, _, track, heading, _ = self.here()
        end = self.t + seconds
        while self.t < end:
            self.t += self.STEP
            self.states.append((self.t, east, north, alt, 0.0, track, heading, 0.0))
        return self

    def move(self, waypoints, v0, v1, alt1=None, reverse=False, radius=0.0):
        """Along `waypoints` from the present place, the speed going from v0 to v1 knots and
        the altitude to alt1 feet evenly over the distance; backwards when `reverse`."""
        _, east, north, alt0, _, _, _, _ = self.here()
        alt1 = alt0 if alt1 is None else alt1
        path = rounded([(east, north)] + list(waypoints), radius)
        lengths = [math.dist(p, q) for p, q in zip(path, path[1:])]
        ends = list(itertools.accumulate(lengths))
        total = ends[-1]
        done = 0.0
        index = 0
        while done < total - 1e-6:
            fraction = done / total
            speed = max(2.0, v0 + (v1 - v0) * fraction)
            step = min(speed * KT * self.STEP, total - done)
            done += step
            while index < len(lengths) - 1 and done > ends[index]:
                index += 1
            into = done - (ends[index] - lengths[index])
            p, q = path[index], path[index + 1]
            f = into / lengths[index] if lengths[index] > 0 else 1.0
            point = (p[0] + (q[0] - p[0]) * f, p[1] + (q[1] - p[1]) * f)
            track = bearing(p, q)
            alt = alt0 + (alt1 - alt0) * (done / total)
            previous_alt = self.here()[3]
            dt = step / (speed * KT)
            self.t += dt
            heading = (track + 180.0) % 360.0 if reverse else track
            vs = (alt - previous_alt) / dt * 60.0
            self.states.append((self.t, point[0], point[1], alt, speed, track, heading, vs))
        # Arriving at rest: the last state stands still.
        if v1 == 0:
            last = self.here()
            self.states[-1] = last[:4] + (0.0,) + last[5:7] + (0.0,)
        return self

    def at(self, t):
        """The state at story time t; before the start the first one (or None when the aircraft
        was not yet there), after the end None (out of range, or its transponder off)."""
        states = self.states
        if t <= states[0][0]:
            return states[0] if self.seen_before else None
        lo, hi = 0, len(states) - 1
        if t > states[hi][0]:
            return None
        while hi - lo > 1:
            mid = (lo + hi) // 2
            if states[mid][0] <= t:
                lo = mid
            else:
                hi = mid
        return states[lo]


def arrival(stand, approach_nm):
    """From `approach_nm` out on the approach to runway 27, to the stand."""
    _, east, north, heading, kind = stand
    start_east = TOUCHDOWN_EAST + approach_nm * METRES_PER_NM
    story = Story(start_east, RUNWAY_NORTH, 270.0, 50.0 + 318.0 * approach_nm, seen_before=False)
    story.mark("approach")
    story.move([(TOUCHDOWN_EAST, RUNWAY_NORTH)], 150, 135, alt1=0.0)
    story.mark("touchdown")
    story.move([(EXIT_WEST + 60.0, RUNWAY_NORTH)], 135, 18)
    story.mark("vacate")
    if kind == "heavy":
        entry = [(east, LANE_NORTH), (east, north)]
    else:
        entry = [(east, LANE_NORTH), (east, LANE_NORTH + 30.0), (east, north)]
    story.move([(EXIT_WEST, RUNWAY_NORTH), (EXIT_WEST, LANE_NORTH), entry[0]], 18, 15, radius=35.0)
    story.mark("stand_entry")
    story.move(entry[1:], 8, 0, radius=30.0)
    story.mark("parked")
    story.hold(120.0)
    return story


def departure(stand, wait_s):
    """At the stand for `wait_s`, pushed back, taxi to runway 27, take-off and climb-out."""
    _, east, north, heading, kind = stand
    story = Story(east, north, heading)
    story.hold(wait_s)
    story.mark("pushback")
    story.move([(east, LANE_NORTH), (east - 40.0, LANE_NORTH)], 5, 0, reverse=True, radius=25.0)
    story.mark("pushed_back")
    story.hold(12.0)
    story.mark("taxi")
    story.move([(EXIT_EAST, LANE_NORTH), (EXIT_EAST, RUNWAY_NORTH - 60.0)], 12, 20, radius=35.0)
    story.move([(EXIT_EAST, RUNWAY_NORTH), (EXIT_EAST - 60.0, RUNWAY_NORTH)], 12, 6, radius=40.0)
    story.hold(15.0)
    story.mark("take_off")
    story.move([(LIFT_OFF_EAST, RUNWAY_NORTH)], 5, 150)
    story.mark("lift_off")
    story.move([(LIFT_OFF_EAST - 9.0 * METRES_PER_NM, RUNWAY_NORTH)], 160, 230, alt1=5500.0)
    story.mark("gone")
    return story


def orbit(rng, index, seconds):
    """An aircraft holding in a circle around a point near the airport, for load runs."""
    # At most 5 km * sqrt(2) + 5 km = 6.5 NM from the apron.
    centre = (rng.uniform(-5000, 5000), rng.uniform(-5000, 5000))
    radius = rng.uniform(2500, 5000)
    speed = rng.uniform(180, 280)
    alt = 3000 + 500 * (index % 30)
    angle = rng.uniform(0, 360)
    start = (centre[0] + radius * math.sin(math.radians(angle)), centre[1] + radius * math.cos(math.radians(angle)))
    story = Story(start[0], start[1], (angle + 90) % 360, alt)
    turn = rng.choice((1, -1))
    points = []
    arcs = int(seconds * speed * KT / (2 * math.pi * radius / 36)) + 2
    for k in range(1, arcs):
        a = math.radians(angle + turn * 10 * k)
        points.append((centre[0] + radius * math.sin(a), centre[1] + radius * math.cos(a)))
    story.move(points, speed, speed)
    return story


# Who flies what: types and airlines the demo livery folder holds.
ARRIVALS = [
    # (callsign, type, airline, registration, from, stand index, event, scene time of the event)
    ("KLM1234", "B738", "KLM", "PH-BXA", "LHR", 4, "parked", 8),
    ("KLM606", "B789", "KLM", "PH-BHA", "JFK", 11, "touchdown", 25),
    ("KLM1012", "E190", "KLC", "PH-EXA", "BRU", 7, "vacate", 70),
    ("TRA5402", "B738", "TRA", "PH-HZA", "AGP", 8, "touchdown", 120),
]
DEPARTURES = [
    # (callsign, type, airline, registration, to, stand index, event, scene time of the event)
    ("KLM1395", "B738", "KLM", "PH-BXE", "BCN", 1, "pushback", 8),
    ("EZY7932", "A320", "EZY", "G-EZWA", "LGW", 9, "pushback", 35),
    ("DLH2305", "A321", "DLH", "D-AIDA", "FRA", 2, "take_off", 12),
    ("BAW431", "A320", "BAW", "G-EUUA", "LHR", 6, "lift_off", -10),
]
PARKED_TYPES = [("B738", "KLM"), ("B738", "TRA"), ("A320", "AFR"), ("E195", "KLC"), ("B77W", "KLM"),
                ("B744", "MPH"), ("A321", "BAW"), ("B738", "RYR"), ("E190", "KLC"), ("B77W", "UAE")]
HEAVY_TYPES = {"B77W", "B789", "B744"}
ORBIT_TYPES = [("A320", "DLH"), ("B738", "RYR"), ("A321", "BAW"), ("E195", "KLC"), ("B77W", "UAE"),
               ("A320", "AFR"), ("B789", "KLM")]


def record(story, t_story, hexid, callsign, actype, airline, reg, origin, dest):
    state = story.at(t_story)
    if state is None:
        return None
    _, east, north, alt, gs, track, heading, vs = state
    lat, lon = to_lalo(east, north)
    return {"hexid": hexid, "lat": round(lat, 7), "lon": round(lon, 7), "alt": int(round(alt)), "vs": int(round(vs)),
            "gs": round(gs, 1), "track": round(track, 1), "heading": round(heading, 1), "callsign": callsign,
            "type": actype, "reg": reg, "from": origin, "to": dest, "airline": airline,
            "category": "A5" if actype in HEAVY_TYPES else "A3"}


def build(args):
    rng = random.Random(args.seed)
    layout = stands(args.stands)
    movers = []  # (story, offset: scene time = story time + offset, identity, seconds between reports)
    events = []
    hexid = 0x484100
    for callsign, actype, airline, reg, origin, stand_index, event, when in ARRIVALS:
        story = arrival(layout[stand_index], 8.0)
        offset = when - story.marks[event]
        movers.append((story, offset, (hexid, callsign, actype, airline, reg, origin, "AMS"), LIVE_INTERVAL))
        events.append({"callsign": callsign, "reg": reg, "kind": "arrival", "stand": layout[stand_index][0],
                       "times": {k: round(v + offset, 1) for k, v in story.marks.items()}})
        hexid += 1
    for callsign, actype, airline, reg, dest, stand_index, event, when in DEPARTURES:
        story = departure(layout[stand_index], 240.0)
        offset = when - story.marks[event]
        movers.append((story, offset, (hexid, callsign, actype, airline, reg, "AMS", dest), LIVE_INTERVAL))
        events.append({"callsign": callsign, "reg": reg, "kind": "departure", "stand": layout[stand_index][0],
                       "times": {k: round(v + offset, 1) for k, v in story.marks.items()}})
        hexid += 1
    # A callsign names one aircraft: the program takes a second aircraft under a callsign it
    # already shows for the same one (the parked KLM1234 for the arriving KLM1234).
    taken = {ident[1] for _, _, ident, _ in movers}

    def unique_callsign(airline, number):
        while "%s%d" % (airline, number) in taken:
            number += 10000
        taken.add("%s%d" % (airline, number))
        return "%s%d" % (airline, number)

    for index in range(max(0, args.live - len(movers))):
        actype, airline = ORBIT_TYPES[index % len(ORBIT_TYPES)]
        story = orbit(rng, index, args.duration + 100)
        movers.append((story, -rng.uniform(0, 60), (0x500000 + index, unique_callsign(airline, 2000 + index), actype,
                                                    airline, "", "LHR", "FRA"), args.orbit_interval))

    used = {layout[a[5]][0] for a in ARRIVALS} | {layout[d[5]][0] for d in DEPARTURES}
    free = [s for s in layout if s[0] not in used]
    # Load runs fill the larger airport's extra gates first.
    free.sort(key=lambda s: s[4] != "extra")
    parked = []
    for index in range(args.parked):
        if index >= len(free):
            sys.exit("make_demo_scene: %d parked aircraft need more than %d free stands (--stands)" %
                     (args.parked, len(free)))
        name, east, north, heading, kind = free[index]
        choices = {"heavy": [t for t in PARKED_TYPES if t[0] in HEAVY_TYPES],
                   "cargo": [("B744", "MPH")],
                   "ga": [("C172", "")]}.get(kind, [t for t in PARKED_TYPES if t[0] not in HEAVY_TYPES])
        actype, airline = choices[index % len(choices)]
        lat, lon = to_lalo(east, north)
        callsign = unique_callsign(airline, 800 + index) if airline else "PHDMO%d" % index
        parked.append({"hexid": 0x485000 + index, "lat": round(lat, 7), "lon": round(lon, 7), "callsign": callsign,
                       "type": actype, "reg": ("PH-P%03d" if airline else "PH-G%03d") % index, "stand": ""})

    buffer = [[r for r in (record(s, t - off, *ident) for s, off, ident, _ in movers) if r] for t in HISTORY_TIMES]
    live = []
    for second in range(0, int(args.duration) + 1):
        for s, off, ident, interval in movers:
            if (second + ident[0]) % interval == 0:
                point = record(s, second - off, *ident)
                if point:
                    point["t"] = second
                    live.append(point)
    now = datetime.datetime.now(datetime.timezone.utc)
    metar = "EHAM %sZ 27009KT 9999 FEW025 SCT040 12/07 Q1018 NOSIG" % now.strftime("%d%H%M")
    return {
        "buffer": buffer,
        "parked": parked,
        "live": live,
        "weather": [{"t": 0, "METAR": metar}],
        "stands": [{"name": n, "lat": round(to_lalo(e, no)[0], 7), "lon": round(to_lalo(e, no)[1], 7), "heading": h,
                    "kind": k} for n, e, no, h, k in layout],
        "events": events,
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--out", required=True, help="the scene file to write")
    parser.add_argument("--live", type=int, default=0, help="live aircraft in all (more than the scripted ones orbit)")
    parser.add_argument("--parked", type=int, default=10, help="parked aircraft")
    parser.add_argument("--stands", type=int, default=24, help="stands of the airport (24: the demo scenery)")
    parser.add_argument("--duration", type=float, default=600, help="seconds of live replay")
    parser.add_argument("--orbit-interval", type=int, default=LIVE_INTERVAL,
                        help="seconds between two reports of an orbiting aircraft")
    parser.add_argument("--seed", type=int, default=28)
    args = parser.parse_args()
    if args.orbit_interval < 1:
        parser.error("--orbit-interval must be at least 1")
    scene = build(args)
    with open(args.out, "w", encoding="utf-8") as handle:
        json.dump(scene, handle, separators=(",", ":"))
    print("make_demo_scene: %d live points of %d aircraft, %d parked, %d stands -> %s" % (
        len(scene["live"]), len({p["hexid"] for p in scene["live"]}), len(scene["parked"]), len(scene["stands"]), args.out))


if __name__ == "__main__":
    main()
