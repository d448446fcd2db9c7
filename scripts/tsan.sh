#!/usr/bin/env bash
# Builds the given test programs (default: the settings tests) with ThreadSanitizer and
# runs them. Not part of the CI run: it needs its own build folder and takes a while.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${KIV_TSAN_BUILD_DIR:-build/tsan}
targets=("${@:-kiv_settings_tests}")
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIV_SANITIZE=OFF -DKIV_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target "${targets[@]}"
export TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/scripts/tsan.supp"
for target in "${targets[@]}"; do
  program=$(find "$build_dir/tests" -type f -name "$target" -perm -u+x | head -n 1)
  [ -n "$program" ] || { echo "tsan: no test program $target" >&2; exit 1; }
  "$program"
done
