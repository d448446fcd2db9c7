#!/usr/bin/env bash
# Builds the given test programs (default: every suite with threads of its own) with
# ThreadSanitizer and runs them. The test command runs it before the sanitizer suites.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${KIV_TSAN_BUILD_DIR:-build/tsan}
default_targets=(kiv_foundation_tests kiv_platform_tests kiv_settings_tests kiv_traffic_tests
  kiv_simlink_simconnect_tests kiv_models_tests kiv_app_tests kiv_feeds_tests kiv_feeds_e2e_tests
  kiv_simlink_tests)
if [ $# -gt 0 ]; then targets=("$@"); else targets=("${default_targets[@]}"); fi
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIV_SANITIZE=OFF -DKIV_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS=-fsanitize=thread \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="${sanitizer_opt_flags:--O1 -g1 -DNDEBUG}" -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build "$build_dir" -j "${KIV_JOBS:-$(nproc)}" --target "${targets[@]}"
export TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/scripts/tsan.supp"
for target in "${targets[@]}"; do
  program=$(find "$build_dir/tests" -type f -name "$target" -perm -u+x | head -n 1)
  [ -n "$program" ] || { echo "tsan: no test program $target" >&2; exit 1; }
  "$program" --gtest_brief=1
done
