#!/usr/bin/env python3
"""The program itself, end to end, against the stand-ins: the simulator (SimConnect over the
pipe), and either the RealTraffic app replaying the demo scene at Schiphol or the
RealTraffic web interface over HTTPS. The program runs on a virtual X server from a copy of
the sample program folder with a settings folder of its own; the test reads the simulator
stand-in's record of every packet, closes the window as a user would and checks what the
program left behind.

    e2e_test.py --velt BIN --program-folder DIR --x11-remote BIN --source-dir DIR [unittest args]
"""

import argparse
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import xml.etree.ElementTree as ElementTree

ARGS = None
FRAME_HZ = 30
USER_AT = "52.30654,4.77620,-11,270"  # on the ground at Schiphol, off the apron
RT_APP_UDP_PORTS = (49005, 49004)  # traffic, weather
RUN_SECONDS = 75  # the longest the program runs before the close
SIM_TIME_BOX = (664, 415)  # the centre of the "Sim Time" check box in the expanded window at 96 dpi, in pixels


def standin(name):
    return os.path.join(ARGS.source_dir, "tools", name)


sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "demo-scene"))
import demo_report  # noqa: E402  (the same reading of the record as the demo's summary)


def free_port():
    import socket
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def udp_ports_taken(ports):
    """The ports of `ports` that another program holds on this machine."""
    import socket
    taken = []
    for port in ports:
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
            try:
                s.bind(("0.0.0.0", port))
            except OSError:
                taken.append(port)
    return taken


def wait_for(predicate, seconds, step=0.1):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if predicate():
            return True
        time.sleep(step)
    return predicate()


def demo_liveries(folder):
    """(title, atc_model, atc_parking_codes) of every livery the demo livery folder holds."""
    liveries = []
    for package in sorted(os.listdir(folder)):
        path = os.path.join(folder, package, "aircraft.cfg")
        if not os.path.exists(path):
            continue
        model = None
        current = None
        with open(path, encoding="utf-8") as handle:
            for line in handle:
                line = line.strip()
                if line.startswith("atc_model="):
                    model = line.split("=", 1)[1]
                elif line.startswith("title="):
                    current = line.split("=", 1)[1]
                elif line.startswith("atc_parking_codes=") and current:
                    liveries.append((current, model, line.split("=", 1)[1]))
    return liveries


class ProgramRun:
    """Xvfb, the simulator stand-in and the program in a folder of their own."""

    def __init__(self, settings, extra_files=None, simulator_options=()):
        self.folder = tempfile.mkdtemp(prefix="velt_e2e_")
        self.processes = []
        self.program_folder = os.path.join(self.folder, "program")
        self.data = os.path.join(self.folder, "data")
        self.xdg = os.path.join(self.folder, "xdg")
        shutil.copytree(ARGS.program_folder, self.program_folder, symlinks=True)
        os.makedirs(self.data)
        os.makedirs(self.xdg, mode=0o700)
        defaults = {"P3D_VERSION": "5", "SIM_INSTALL_PATH": self.program_folder + "/P3D",
                    "lfolder0": self.program_folder + "/liveries", "afolder0": self.program_folder + "/scenery"}
        defaults.update(settings)
        root = ElementTree.Element("root")
        parameters = ElementTree.SubElement(root, "parameters")
        for key, value in defaults.items():
            ElementTree.SubElement(parameters, "parameter", name=key, value=value)
        ElementTree.ElementTree(root).write(os.path.join(self.data, "parameters.xml"), encoding="UTF-8",
                                            xml_declaration=True)
        for name, text in (extra_files or {}).items():
            with open(os.path.join(self.program_folder, name), "w", encoding="utf-8") as handle:
                handle.write(text)
        self.simulator_options = list(simulator_options)
        self.record = os.path.join(self.folder, "simconnect.jsonl")
        self.env = dict(os.environ)
        self.env["XDG_RUNTIME_DIR"] = self.xdg
        self.env["VELT_P3D_DATA_DIR"] = self.data
        self.program = None

    def start_process(self, arguments, output_name, **options):
        output = open(os.path.join(self.folder, output_name), "w", encoding="utf-8")
        process = subprocess.Popen(arguments, stdout=output, stderr=subprocess.STDOUT, env=self.env, **options)
        self.processes.append(process)
        return process

    def start(self):
        display_read, display_write = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(display_write), "-screen", "0", "1280x1024x24",
                                 "-dpi", "96", "-nolisten", "tcp"], pass_fds=(display_write,),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(xvfb)
        os.close(display_write)
        with os.fdopen(display_read) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise unittest.SkipTest("no virtual X server could be started")
        self.env["DISPLAY"] = ":" + number
        sim = self.start_process([sys.executable, standin("simconnect-standin/simconnect_standin.py"), "--pipe",
                                  os.path.join(self.xdg, "Lockheed_Martin_Prepar3D_v5_SimConnect"), "--record",
                                  self.record, "--quiet", "--frame-hz", str(FRAME_HZ), "--user-at", USER_AT] + self.simulator_options,
                                 "simconnect.out")
        ready = os.path.join(self.folder, "simconnect.out")
        if not wait_for(lambda: '"ready"' in open(ready).read(), 20):
            raise AssertionError("the simulator stand-in did not start")
        self.started = time.monotonic()
        self.program = self.start_process([ARGS.velt], "program.out", cwd=self.program_folder)
        return sim

    def remote(self, *arguments):
        return subprocess.run([ARGS.x11_remote] + list(arguments), env=self.env, capture_output=True, text=True,
                              timeout=30)

    def close_window(self):
        """The user's close; the program's exit code, or None when it did not end in 30 s."""
        self.remote("grab", os.path.join(self.folder, "velt_p3d.png"), "VELT_P3D")
        closed = self.remote("close", "VELT_P3D")
        if closed.returncode != 0:
            raise AssertionError("could not close the window: " + closed.stderr)
        try:
            return self.program.wait(30)
        except subprocess.TimeoutExpired:
            return None

    def report(self, scene):
        return demo_report.Run(self.record, scene, os.path.join(self.program_folder, "Log.txt"))

    def log(self):
        """The log of the whole process: a restart keeps the log of the run before as Log0.txt."""
        text = ""
        for name in ("Log0.txt", "Log.txt"):
            path = os.path.join(self.program_folder, name)
            if os.path.exists(path):
                text += open(path, encoding="utf-8", errors="replace").read()
        return text

    def click(self, x, y):
        clicked = self.remote("click", "VELT_P3D", str(x), str(y))
        if clicked.returncode != 0:
            raise AssertionError("could not click into the window: " + clicked.stderr)

    def stop(self, keep):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        if keep:
            print("kept: " + self.folder)
        else:
            shutil.rmtree(self.folder, ignore_errors=True)


class EndToEnd(unittest.TestCase):
    def setUp(self):
        self.scene = os.path.join(tempfile.mkdtemp(prefix="velt_scene_"), "scene.json")
        subprocess.run([sys.executable, os.path.join(ARGS.source_dir, "tools/demo-scene/make_demo_scene.py"), "--out",
                        self.scene, "--duration", "150"], check=True, stdout=subprocess.DEVNULL)
        with open(self.scene, encoding="utf-8") as handle:
            self.scene_data = json.load(handle)
        self.liveries = demo_liveries(os.path.join(ARGS.program_folder, "liveries"))
        self.run_ = None

    def tearDown(self):
        result = getattr(self._outcome, "result", None)
        failed = result is not None and any(test is self for test, _ in result.errors + result.failures)
        if self.run_:
            if failed:
                print(self.run_.log()[-4000:])
            self.run_.stop(keep=failed or bool(os.environ.get("VELT_E2E_KEEP")))
        shutil.rmtree(os.path.dirname(self.scene), ignore_errors=True)

    # Shared checks -----------------------------------------------------------------------
    def check_liveries_chosen(self, report):
        """Every title is one the livery folder holds, and a flight whose type the folder has
        flies that type, in its airline's livery when there is one."""
        titles = {title: (model, airline) for title, model, airline in self.liveries}
        created = report.created()
        self.assertTrue(created, "no aircraft was created")
        known = 0
        for aircraft in created:
            self.assertIn(aircraft.title, titles, "a title the livery folder does not hold")
            flight = report.flight_of(aircraft)
            if flight is None:
                continue
            known += 1
            model, airline = titles[aircraft.title]
            self.assertEqual(model, flight["type"], "%s got the livery of another type" % aircraft.tail)
            wanted = flight.get("airline") or flight["callsign"][:3]
            if any(m == flight["type"] and a == wanted for _, m, a in self.liveries):
                self.assertEqual(airline, wanted, "%s got another airline's livery" % aircraft.tail)
        self.assertGreater(known, 0, "no aircraft was created under its registration or callsign")

    def scripted(self, callsign, tails):
        """The simulator's ATC id of a scripted flight among `tails`: its callsign or registration."""
        reg = next(e["reg"] for e in self.scene_data["events"] if e["callsign"] == callsign)
        return callsign if callsign in tails else reg

    def check_closed_down(self, report, exit_code):
        self.assertEqual(exit_code, 0, "the program's exit code after the user's close")
        removed = {a.object_id for a in report.removed()}
        left = [a.tail for a in report.created() if a.object_id not in removed]
        self.assertEqual(left, [], "aircraft left in the simulator after the close")
        self.assertEqual(report.unknown_removals, [])
        ElementTree.parse(os.path.join(self.run_.data, "parameters.xml"))

    def wait_for_facts(self, run, done, seconds):
        report = None
        end = run.started + seconds
        while time.monotonic() < end:
            if run.program.poll() is not None:
                self.fail("the program ended by itself with %s" % run.program.returncode)
            report = run.report(self.scene)
            if done(report):
                return report
            time.sleep(2)
        return run.report(self.scene)

    # RT App --------------------------------------------------------------------------------
    def test_rt_app_road_at_the_demo_airport(self):
        # The RT App sends to fixed UDP ports; held by another program, the readers cannot start.
        taken = udp_ports_taken(RT_APP_UDP_PORTS)
        self.assertEqual(taken, [], "UDP ports of the RT App held by another program on this machine")
        port = free_port()
        self.run_ = run = ProgramRun({"RT_CHOISE": "RT App", "PORT_NUMBER": str(port)})
        run.start()
        run.start_process([sys.executable, standin("rtapp-standin/rtapp_standin.py"), "--psx-port", str(port),
                           "--scene", self.scene, "--connect-timeout", "40"], "rtapp.out")

        def done(report):
            # The program's own word that an arrival parked: the stand's use is learned then.
            return (report.parked_arrivals() and report.pushed_back() and report.static_at_stands()
                    and "arrived at stand" in run.log())

        report = self.wait_for_facts(run, done, RUN_SECONDS)
        exit_code = run.close_window()
        time.sleep(0.5)
        report = run.report(self.scene)

        self.check_liveries_chosen(report)
        self.assertGreaterEqual(len(report.moving()), 3, "live aircraft moving")
        self.assertEqual(report.pose_faults(FRAME_HZ), [])
        arrivals = {a.tail: stand for a, stand, _ in report.parked_arrivals()}
        tails = {a.tail for a in report.created()}
        self.assertEqual(arrivals.get(self.scripted("KLM1234", tails)), "GATE 5", "the arrival parked at its gate")
        self.assertIn(self.scripted("KLM1395", tails), [a.tail for a in report.pushed_back()],
                      "the departure pushed back")
        parked = {p["reg"] for p in self.scene_data["parked"]} | {p["callsign"] for p in self.scene_data["parked"]}
        placed = [stand for a, stand in report.static_at_stands() if a.tail in parked]
        self.assertTrue(placed, "parked traffic placed at the airport's stands")
        self.check_closed_down(report, exit_code)
        learned = os.path.join(run.program_folder, "airports", "learned")
        files = [os.path.join(d, f) for d, _, names in os.walk(learned) for f in names if f.endswith(".xml")]
        self.assertTrue(files, "the learned airport file was saved")
        for path in files:
            ElementTree.parse(path)

    # RT Direct -----------------------------------------------------------------------------
    def test_rt_direct_road_over_https(self):
        tls = tempfile.mkdtemp(prefix="velt_tls_")
        self.addCleanup(shutil.rmtree, tls, True)
        api = subprocess.Popen([sys.executable, standin("rtapi-standin/rtapi_standin.py"), "--tls-dir", tls,
                                "--stdin-commands"], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.addCleanup(api.wait, 10)
        self.addCleanup(api.stdin.close)
        ready = json.loads(api.stdout.readline())
        threading.Thread(target=lambda: [None for _ in api.stdout], daemon=True).start()  # keep the pipe drained
        # A professional licence: the time-shift controls, "Sim Time" among them, are open to the user.
        send(api, {"cmd": "set", "kind": "auth", "reply": {"type": 2}})
        self.run_ = run = ProgramRun({"RT_CHOISE": "RT Direct", "RT_API_SERVER": ready["base"],
                                      "RT_API_CA_FILE": ready["ca"], "COLLAPSED": "false"},
                                     {"RealTraffic.lic": json.dumps({"License": "E2E-TEST-LICENSE", "Name": "e2e"})},
                                     simulator_options=["--zulu-now"])
        feeding = threading.Event()
        start = time.time()

        def feed():
            # The live reply follows the scene: each aircraft's newest point, as the service has it.
            by_hex = {}
            points = sorted(self.scene_data["live"], key=lambda p: p["t"])
            while not feeding.wait(1.0):
                now = time.time() - start
                for point in points:
                    if point["t"] <= now:
                        by_hex[point["hexid"]] = point
                data = {"%x" % h: rtapi_entry(p, start + p["t"]) for h, p in by_hex.items()}
                send(api, {"cmd": "set", "kind": "live", "reply": {"data": data}})

        # The history the service hands out first: five slices 6 s apart, the newest 6 s old.
        slices = self.scene_data["buffer"]
        send(api, {"cmd": "set", "kind": "buffer", "reply": {"data": {
            "buffer_%d" % k: {"%x" % p["hexid"]: rtapi_entry(p, start - 6.0 * (len(slices) - k)) for p in records}
            for k, records in enumerate(slices)}}})
        send(api, {"cmd": "set", "kind": "parked", "reply": {"data": {
            "%x" % p["hexid"]: [p["lat"], p["lon"], p["stand"], p["type"], p["reg"], int(start) - 600, p["callsign"]]
            for p in self.scene_data["parked"]}}})
        feeder = threading.Thread(target=feed, daemon=True)
        feeder.start()
        self.addCleanup(feeder.join)
        self.addCleanup(feeding.set)
        run.start()

        report = self.wait_for_facts(run, lambda r: len(r.moving()) >= 2, 40)
        self.assertGreaterEqual(len(report.moving()), 2, "live aircraft moving before the restart")

        # The user ticks "Sim Time": a setting the traffic source takes only at its start.
        run.remote("grab", os.path.join(run.folder, "before_click.png"), "VELT_P3D")
        run.click(*SIM_TIME_BOX)
        restarted = wait_for(lambda: "Restart cleanup completed; posting MSG_START" in run.log(), 20)
        self.assertIn("Exiting: NEW SETTINGS", run.log())
        self.assertTrue(restarted, "no restart after the click on Sim Time")
        report = self.wait_for_facts(
            run, lambda r: any(a.session == 2 and a.path_metres() > 5.0 for a in r.created()), 75)

        exit_code = run.close_window()
        time.sleep(0.5)
        report = run.report(self.scene)
        self.check_liveries_chosen(report)
        self.assertEqual(report.pose_faults(FRAME_HZ), [])
        first = [a for a in report.created() if a.session == 1]
        again = [a for a in report.created() if a.session == 2]
        self.assertEqual([a.tail for a in first if a.removed_in_session != 1], [],
                         "aircraft of the run before the restart left in the simulator")
        self.assertTrue(any(a.path_metres() > 5.0 for a in again), "no live aircraft moving after the restart")
        self.check_closed_down(report, exit_code)
        self.assertEqual(saved_parameter(run, "SIM_TIME"), "true", "the ticked box in parameters.xml")


def saved_parameter(run, name):
    root = ElementTree.parse(os.path.join(run.data, "parameters.xml")).getroot()
    for parameter in root.iter("parameter"):
        if parameter.get("name") == name:
            return parameter.get("value")
    return None


def send(process, command):
    process.stdin.write(json.dumps(command) + "\n")
    process.stdin.flush()


def rtapi_entry(point, timestamp):
    """A live entry of the web interface: 49 positions."""
    entry = [None] * 49
    entry[0] = "%x" % point["hexid"]
    entry[1], entry[2], entry[3] = point["lat"], point["lon"], point["track"]
    entry[4], entry[5], entry[6] = point["alt"], point["gs"], "1000"
    entry[8], entry[9], entry[10] = point["type"], point["reg"], timestamp
    entry[11], entry[12], entry[13] = point["from"], point["to"], point["callsign"]
    entry[15], entry[17] = point["vs"], "adsb_icao"
    entry[20], entry[23], entry[25] = -1, 0, point["heading"]
    entry[28], entry[48] = point["category"], point["airline"]
    return entry


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--velt", required=True)
    parser.add_argument("--program-folder", required=True)
    parser.add_argument("--x11-remote", required=True)
    parser.add_argument("--source-dir", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
