#!/usr/bin/env python3
"""The demo scene generator (tools/demo-scene/make_demo_scene.py) as the demo and the load
runs call it: every aircraft under its own callsign, the orbiting aircraft inside the traffic
radius of a user on the ground at the demo airport and reporting at the interval asked for.

Usage: demo_scene_test.py --generator PATH [unittest arguments]
"""

import argparse
import collections
import json
import math
import os
import subprocess
import sys
import tempfile
import unittest

ARGS = None

# Where the load runs put the user aircraft, and the radius the program then uses (a user on
# the ground gets RANGE_GROUND, 10 NM; a record is kept within it).
USER = (52.30654, 4.77620)
GROUND_RADIUS_NM = 10.0
FIRST_ORBIT_HEXID = 0x500000


def distance_nm(lat, lon):
    """The program's flat-earth distance from the user aircraft, in nautical miles."""
    return math.hypot((lat - USER[0]) * 60.0, (lon - USER[1]) * 60.0 * math.cos(math.radians(USER[0])))


def make_scene(*arguments):
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "scene.json")
        subprocess.run([sys.executable, ARGS.generator, "--out", out] + list(arguments), check=True,
                       stdout=subprocess.DEVNULL)
        with open(out, encoding="utf-8") as handle:
            return json.load(handle)


class DemoScene(unittest.TestCase):
    # (name, generator arguments, orbiting aircraft expected, seconds between their reports)
    CASES = [
        ("the demo", [], 0, None),
        ("a load run", ["--live", "1000", "--parked", "500", "--stands", "512", "--duration", "120",
                        "--orbit-interval", "6"], 992, 6),
        ("a load run at the default interval", ["--live", "300", "--parked", "200", "--stands", "300",
                                                "--duration", "60"], 292, 2),
    ]

    def test_scenes(self):
        for name, arguments, orbiting, interval in self.CASES:
            with self.subTest(name):
                scene = make_scene(*arguments)
                self.check_callsigns(scene)
                self.check_orbits(scene, orbiting, interval)

    def check_callsigns(self, scene):
        # One callsign, one aircraft: the program refuses a parked aircraft under the callsign
        # of a live one.
        owners = collections.defaultdict(set)
        for point in scene["live"]:
            owners[point["callsign"]].add(point["hexid"])
        for record in scene["parked"]:
            owners[record["callsign"]].add(record["hexid"])
        shared = {callsign: hexids for callsign, hexids in owners.items() if len(hexids) > 1}
        self.assertEqual(shared, {})
        for callsign in owners:
            self.assertLessEqual(len(callsign), 8, callsign)

    def check_orbits(self, scene, orbiting, interval):
        times = collections.defaultdict(list)
        for point in scene["live"]:
            if point["hexid"] >= FIRST_ORBIT_HEXID:
                times[point["hexid"]].append(point["t"])
                self.assertLess(distance_nm(point["lat"], point["lon"]), GROUND_RADIUS_NM - 0.5, point)
        self.assertEqual(len(times), orbiting)
        for hexid, seen in times.items():
            steps = {b - a for a, b in zip(seen, seen[1:])}
            self.assertEqual(steps, {interval}, hex(hexid))


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--generator", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest)
