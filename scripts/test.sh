#!/usr/bin/env bash
# Installs what is missing, runs the threaded suites under ThreadSanitizer, then builds
# everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build_dir=${KIV_BUILD_DIR:-build/asan}
jobs=${KIV_JOBS:-$(nproc)}
# Sanitizer builds compile at -O1 with line tables only: reports keep their file:line stacks,
# and the two whole builds take about a third less time than at -O2 with full debug info.
export sanitizer_opt_flags="-O1 -g1 -DNDEBUG"

# ThreadSanitizer first, in its own build folder: the suites whose code runs threads.
bash scripts/tsan.sh

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIV_SANITIZE=ON \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$sanitizer_opt_flags" -DCMAKE_C_FLAGS_RELWITHDEBINFO="$sanitizer_opt_flags"
cmake --build "$build_dir" -j "$jobs"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build_dir" --output-on-failure -j "$jobs" --timeout 600
