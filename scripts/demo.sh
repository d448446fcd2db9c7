#!/usr/bin/env bash
# The main job: VELT_P3D at the demo airport (Amsterdam Schiphol) against the simulator
# stand-in and the RealTraffic app stand-in, which replays a scripted scene: arrivals that
# land and taxi to their gates, departures that push back and take off, parked aircraft.
# Installs what is missing, builds (Release), prepares a program folder with the sample data
# under the build folder, runs the program (under a virtual X server when $DISPLAY is unset)
# for a set time or until its window is closed, saves a screenshot of the window and prints
# what happened.
#
#   bash scripts/demo.sh [--seconds N]      (default 90; or DEMO_SECONDS=N)
#
# Everything of a run lies in build/demo/run (DEMO_RUN_DIR): the program folder with its
# Log.txt, the settings folder, the scene, the stand-ins' records, velt_p3d.png, summary.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

seconds=${DEMO_SECONDS:-90}
while [ $# -gt 0 ]; do
  case $1 in
    --seconds) seconds=$2; shift 2 ;;
    --seconds=*) seconds=${1#*=}; shift ;;
    -h|--help) sed -n '2,14p' "$0"; exit 0 ;;
    *) echo "demo.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done

bash scripts/install-deps.sh

build=${DEMO_BUILD_DIR:-$root/build/demo}
echo "== Building the program (Release) in $build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKIV_SANITIZE=OFF \
  -DKIV_BUILD_TESTS=OFF -DKIV_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target velt_p3d velt_p3d_data kiv_x11_remote | tail -1
velt=$(find "$build/src" -name velt_p3d -type f -perm -u+x | head -1)
remote=$build/tools/x11-remote/kiv_x11_remote
[ -x "$velt" ] || { echo "demo.sh: velt_p3d was not built" >&2; exit 1; }

run=${DEMO_RUN_DIR:-$build/run}
echo "== Preparing the run in $run"
rm -rf "$run"
mkdir -p "$run/data" "$run/xdg"
chmod 700 "$run/xdg"
cp -a "$build/program" "$run/program"

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
psx_port=$(free_port)

# The settings of a first start with the sample data: the RT App road, the demo liveries and
# scenery, the simulator's folder inside the program folder.
python3 - "$run" "$psx_port" <<'PY'
import sys
from xml.sax.saxutils import quoteattr
run, port = sys.argv[1], sys.argv[2]
settings = {
    "RT_CHOISE": "RT App",
    "PORT_NUMBER": port,
    "P3D_VERSION": "5",
    "SIM_INSTALL_PATH": run + "/program/P3D",
    "lfolder0": run + "/program/liveries",
    "afolder0": run + "/program/scenery",
}
lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<root>", "  <parameters>"]
lines += ["    <parameter name=%s value=%s/>" % (quoteattr(k), quoteattr(v)) for k, v in settings.items()]
lines += ["  </parameters>", "</root>", ""]
open(run + "/data/parameters.xml", "w", encoding="utf-8").write("\n".join(lines))
PY

python3 tools/demo-scene/make_demo_scene.py --out "$run/scene.json" --duration $((seconds + 120)) >/dev/null

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

wait_for_line() {  # file, text, seconds
  local end=$((SECONDS + $3))
  until grep -q "$2" "$1" 2>/dev/null; do
    [ $SECONDS -lt $end ] || { echo "demo.sh: no '$2' in $1" >&2; return 1; }
    sleep 0.1
  done
}

frame_hz=30
echo "== Starting the simulator stand-in (the user aircraft on the ground at Schiphol)"
python3 tools/simconnect-standin/simconnect_standin.py --pipe "$run/xdg/Lockheed_Martin_Prepar3D_v5_SimConnect" \
  --record "$run/simconnect.jsonl" --quiet --frame-hz $frame_hz --user-at 52.30654,4.77620,-11,270 \
  > "$run/simconnect.out" 2>&1 &
pids+=($!)
wait_for_line "$run/simconnect.out" '"ready"' 20

if [ -z "${DISPLAY:-}" ]; then
  echo "== No display: starting a virtual X server"
  exec 3> "$run/xvfb.display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp > "$run/xvfb.out" 2>&1 &
  pids+=($!)
  exec 3>&-
  wait_for_line "$run/xvfb.display" '[0-9]' 20
  export DISPLAY=":$(head -1 "$run/xvfb.display")"
fi

echo "== Starting velt_p3d for $seconds s (close its window to end sooner)"
(cd "$run/program" && exec env VELT_P3D_DATA_DIR="$run/data" XDG_RUNTIME_DIR="$run/xdg" "$velt") \
  > "$run/program.out" 2>&1 &
program=$!
pids+=($program)

echo "== Starting the RealTraffic app stand-in with the scene"
python3 tools/rtapp-standin/rtapp_standin.py --psx-port "$psx_port" --scene "$run/scene.json" \
  --connect-timeout 120 > "$run/rtapp.out" 2>&1 &
pids+=($!)

start=$SECONDS
closed_by_user=0
while kill -0 $program 2>/dev/null; do
  elapsed=$((SECONDS - start))
  if [ $elapsed -ge "$seconds" ]; then break; fi
  # A screenshot now and then, so that one is left when the window is closed by hand.
  if [ $((elapsed % 10)) -eq 9 ]; then "$remote" grab "$run/velt_p3d.png" VELT_P3D 2>/dev/null || true; fi
  sleep 1
done
if ! kill -0 $program 2>/dev/null; then
  closed_by_user=1
fi

exit_code=
if [ $closed_by_user -eq 0 ]; then
  "$remote" grab "$run/velt_p3d.png" VELT_P3D || echo "demo.sh: no screenshot" >&2
  echo "== Closing the window"
  "$remote" close VELT_P3D || true
  for _ in $(seq 1 300); do kill -0 $program 2>/dev/null || break; sleep 0.1; done
  if kill -0 $program 2>/dev/null; then
    echo "demo.sh: velt_p3d did not end within 30 s of the close; stopping it" >&2
    kill $program || true
  fi
fi
wait $program && exit_code=0 || exit_code=$?
sleep 0.5  # the last removals reach the stand-in's record

summary=$run/summary.txt
{
  echo "VELT_P3D demo at EHAM: $((SECONDS - start)) s, program exit code $exit_code"
  [ $closed_by_user -eq 1 ] && echo "(the window was closed before the set time)"
  python3 tools/demo-scene/demo_report.py --record "$run/simconnect.jsonl" --scene "$run/scene.json" \
    --log "$run/program/Log.txt" --frame-hz $frame_hz
  echo
  echo "Run folder: $run"
  [ -f "$run/velt_p3d.png" ] && echo "Screenshot: $run/velt_p3d.png"
  echo "Log: $run/program/Log.txt"
} | tee "$summary"
