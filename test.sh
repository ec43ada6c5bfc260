#!/usr/bin/env bash
# Builds everything and runs the whole test suite: unit tests, the sanitizer
# build's unit tests, the end-to-end tests under Xvfb, short fuzz runs and the benchmarks.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
jobs=$(nproc)
export ALSOFT_DRIVERS=null
start=$SECONDS

# Builds quietly into a log; shows its end when the build fails.
build() {
  local dir=$1; shift
  cmake --build "$dir" -j"$jobs" "$@" >"$dir/build-output.log" 2>&1 || { tail -60 "$dir/build-output.log"; echo "build of $dir failed (full log: $dir/build-output.log)"; exit 1; }
  local warnings
  warnings=$(grep -c 'warning:' "$dir/build-output.log" || true)
  echo "  $dir: $warnings compiler warnings (see $dir/build-output.log)"
}

echo "== build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
build build

echo "== datagen --check"
build/tools/datagen/datagen --source data --out build/game --check

echo "== sanitizer build"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON -DKORVANE_DATA=OFF -DKORVANE_TEST_GAME_DIR="$PWD/build/game" -DKORVANE_BENCH=OFF >/dev/null
build build-asan

fuzz_ok=0
if command -v clang++ >/dev/null; then
  echo "== fuzz build"
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_FUZZ=ON -DKORVANE_TESTS=OFF -DKORVANE_DATA=OFF -DKORVANE_BENCH=OFF >/dev/null
  build build-fuzz
  fuzz_ok=1
fi

echo "== unit tests"
ctest --test-dir build -L unit -j"$jobs" --output-on-failure

echo "== campaign run (the story and the single missions played in-process by the test pilot)"
ctest --test-dir build -L campaign -j2 --output-on-failure

echo "== unit tests (ASan+UBSan)"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan -L unit -j"$jobs" --output-on-failure

echo "== e2e tests (Xvfb)"
# Two at a time: every game run gets an X server of its own (tests/e2e/harness.cpp),
# so games never take the focus from each other; the shared display below serves the
# tests that draw in their own process.
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir build -L e2e -j2 --output-on-failure

if [ "$fuzz_ok" = 1 ]; then
  echo "== fuzz (short runs, 20 s each, four at a time)"
  fuzz_one() {
    f=$1; n=$(basename "$f")
    # Absolute: some targets work in a directory of their own. New finds go to the
    # writable first directory; the committed seeds (fuzz/corpus/<target>) are read too.
    corpus="$PWD/build-fuzz/corpus/$n"
    seeds="$PWD/fuzz/corpus/$n"
    mkdir -p "$corpus"
    [ -d "$seeds" ] || { echo "fuzz target $n has no seed corpus in fuzz/corpus/$n"; return 1; }
    if "$PWD/$f" -max_total_time=20 -rss_limit_mb=2048 -print_final_stats=0 "$corpus" "$seeds" \
         >/dev/null 2>"build-fuzz/$n.log"; then
      echo "fuzz $n: ok"
    else
      echo "fuzz target $n failed:"; tail -40 "build-fuzz/$n.log"; return 1
    fi
  }
  export -f fuzz_one
  targets=()
  for f in build-fuzz/fuzz/fuzz_*; do [ -x "$f" ] && targets+=("$f"); done
  [ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets were built"; exit 1; }
  printf '%s\n' "${targets[@]}" | xargs -P 4 -I{} bash -c 'fuzz_one "$1"' _ {}
fi

if [ -x build/bench/korvane_bench ]; then
  echo "== benchmarks (figures only; a crash fails the run)"
  build/bench/korvane_bench --benchmark_min_time=0.05
fi

echo "== all tests passed in $((SECONDS - start)) s"
