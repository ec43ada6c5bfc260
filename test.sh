#!/usr/bin/env bash
# Builds everything and runs the whole test suite: unit tests, the sanitizer
# build's unit tests, the end-to-end tests under Xvfb, short fuzz runs and the benchmarks.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
jobs=$(nproc)
export ALSOFT_DRIVERS=null
start=$SECONDS
summary=()

# Notes how long a phase took, for the table at the end.
took() { summary+=("$(printf '%-36s %5d s' "$1" "$2")"); }

# Builds quietly into a log; shows its end when the build fails.
build() {
  local dir=$1; shift
  cmake --build "$dir" -j"$jobs" "$@" >"$dir/build-output.log" 2>&1 || { tail -60 "$dir/build-output.log"; echo "build of $dir failed (full log: $dir/build-output.log)"; exit 1; }
  local warnings
  warnings=$(grep -c 'warning:' "$dir/build-output.log" || true)
  echo "  $dir: $warnings compiler warnings (see $dir/build-output.log)"
}

echo "== build"
t=$SECONDS
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
build build
took build $((SECONDS - t))

# The sanitizer and fuzz builds compile while the main build's unit tests and the
# campaign run: those leave most cores to them.
fuzz_ok=0
command -v clang++ >/dev/null && fuzz_ok=1
echo "== sanitizer and fuzz builds (in the background)"
(
  t=$SECONDS
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON -DKORVANE_DATA=OFF -DKORVANE_TEST_GAME_DIR="$PWD/build/game" -DKORVANE_BENCH=OFF >/dev/null
  build build-asan
  if [ "$fuzz_ok" = 1 ]; then
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_FUZZ=ON -DKORVANE_TESTS=OFF -DKORVANE_DATA=OFF -DKORVANE_BENCH=OFF >/dev/null
    build build-fuzz
  fi
  echo "  sanitizer and fuzz builds done in $((SECONDS - t)) s"
) &
builds=$!

echo "== datagen --check"
build/tools/datagen/datagen --source data --out build/game --check

echo "== unit tests"
t=$SECONDS
ctest --test-dir build -L unit -j"$jobs" --output-on-failure
took "unit tests" $((SECONDS - t))

echo "== campaign run (the story and the single missions played in-process by the test pilot)"
t=$SECONDS
ctest --test-dir build -L campaign -j2 --output-on-failure
took "campaign run" $((SECONDS - t))

t=$SECONDS
wait "$builds"
took "sanitizer and fuzz builds (rest)" $((SECONDS - t))

echo "== unit tests (ASan+UBSan)"
t=$SECONDS
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan -L unit -j"$jobs" --output-on-failure
took "unit tests (ASan+UBSan)" $((SECONDS - t))

echo "== e2e tests (Xvfb)"
# Four at a time, the longest first: every game run gets an X server of its own
# (tests/e2e/harness.cpp), so games never take the focus from each other, and each
# game's software rasterizer gets its share of the cores instead of a thread per core
# in every game; the shared display below serves the tests that draw in their own process.
t=$SECONDS
e2e_jobs=$(( jobs < 4 ? jobs : 4 ))
LP_NUM_THREADS=$(( jobs / e2e_jobs )) xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir build -L e2e -j"$e2e_jobs" --output-on-failure
took "e2e tests" $((SECONDS - t))

if [ "$fuzz_ok" = 1 ]; then
  echo "== fuzz (short runs, 20 s each, one a core)"
  t=$SECONDS
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
  printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'fuzz_one "$1"' _ {}
  took fuzz $((SECONDS - t))
fi

if [ -x build/bench/korvane_bench ]; then
  echo "== benchmarks (figures only; a crash fails the run)"
  t=$SECONDS
  build/bench/korvane_bench --benchmark_min_time=0.05
  took benchmarks $((SECONDS - t))
fi

printf '%s\n' "${summary[@]}"
echo "== all tests passed in $((SECONDS - start)) s"
