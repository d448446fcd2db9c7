#!/usr/bin/env bash
# Installs what is missing, runs the threaded suites under ThreadSanitizer, then builds
# everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build_dir=${KIV_BUILD_DIR:-build/asan}
jobs=${KIV_JOBS:-$(nproc)}

# ThreadSanitizer first, in its own build folder: the suites whose code runs threads.
bash scripts/tsan.sh

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIV_SANITIZE=ON
cmake --build "$build_dir" -j "$jobs"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build_dir" --output-on-failure -j "$jobs" --timeout 600
