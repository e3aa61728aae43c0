#!/usr/bin/env bash
# Builds and runs every test: the format and include checks, the native suite
# (unit, end-to-end, discovery, corpus replays), the sanitizer build, the
# benchmarks' build, each fuzzer briefly, the Windows build under Wine, and
# both release archives.
# Installs what is missing first. Each step prints its time when it ends, and
# the last lines list them all.
set -euo pipefail
cd "$(dirname "$0")/.."

fuzz_seconds=${JOBHOST_FUZZ_SECONDS:-60}
# Fuzzers run this many at a time: one per core of a small machine.
fuzz_jobs=${JOBHOST_FUZZ_JOBS:-2}

step_name="" step_start=$SECONDS
times=()
end_step() {
  [ -n "$step_name" ] || return 0
  local line
  line=$(printf '%-64s %5d s' "$step_name" $((SECONDS - step_start)))
  printf -- '---- %s\n' "$line"
  times+=("$line")
  step_name=""
}
step() {
  end_step
  step_name=$* step_start=$SECONDS
  printf '\n==== %s\n' "$*"
}
# Work that runs behind a step's tests, which mostly wait on peers and
# time-outs: niced, so the tests have the processor whenever they need it,
# and the work needed next (nice 10) before the work needed later (nice 19).
# Each job has a name; its output goes to build/<name>.log, shown if it fails.
declare -A behind_pids=()
start_behind() {
  local name=$1 niceness=$2
  shift 2
  setsid nice -n "$niceness" bash -c "$*" >"build/$name.log" 2>&1 &
  behind_pids[$name]=$!
}
wait_behind() {
  local name=$1 pid=${behind_pids[$1]}
  unset "behind_pids[$name]"
  wait "$pid" || { cat "build/$name.log"; return 1; }
}

# A failed step still shows how long it ran; work behind it is stopped.
trap 'status=$?; for pid in "${behind_pids[@]}"; do kill -- -"$pid" 2>/dev/null; done
      [ $status -eq 0 ] || { step_name="$step_name (failed)"; end_step; }' EXIT

# One fuzzer for fuzz_seconds; its last lines go to its log, shown when it ends.
run_fuzzer() {
  local fuzzer=$1 name corpus
  name=$(basename "$fuzzer")
  corpus="build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  # New inputs go to the build's corpus; the committed seeds are read too. A
  # small quarantine keeps the sanitizer's freed memory out of -rss_limit_mb.
  ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=32} "$fuzzer" -max_total_time="$fuzz_seconds" -print_final_stats=0 "$corpus" "fuzz/corpus/$name" \
    >"build/fuzz/$name.log" 2>&1
}

# Every fuzzer, fuzz_jobs at a time; a failing one's log is shown.
run_fuzzers() {
  local fuzzers=(build/fuzz/bin/fuzz_*) first fuzzer entry running
  for ((first = 0; first < ${#fuzzers[@]}; first += fuzz_jobs)); do
    running=()
    for fuzzer in "${fuzzers[@]:first:fuzz_jobs}"; do
      run_fuzzer "$fuzzer" &
      running+=("$!:$fuzzer")
    done
    for entry in "${running[@]}"; do
      fuzzer=${entry#*:}
      echo "-- $(basename "$fuzzer")"
      if ! wait "${entry%%:*}"; then
        cat "build/fuzz/$(basename "$fuzzer").log"
        return 1
      fi
      tail -n 2 "build/fuzz/$(basename "$fuzzer").log"
    done
  done
}

mkdir -p build
# What the native build and its tests need comes first; the cross compiler,
# Wine and clang install behind the native build.
step "dependencies for the native build and tests"
scripts/install-deps.sh --native-tests

step "formatting and include layering"
scripts/check-format.sh
scripts/check-includes.py

step "native build, benchmarks included (the Windows and fuzzing tools install behind)"
start_behind cross-deps 19 "scripts/install-deps.sh --cross --no-update"
cmake --preset linux -DJOBHOST_BENCHMARKS=ON
cmake --build --preset linux

step "native tests (the sanitizer build behind)"
start_behind linux-asan 10 "cmake --preset linux-asan && cmake --build --preset linux-asan"
ctest --preset linux

# Without the end-to-end tests that only wait out a limit or repeat one
# request ten thousand times (JOBHOST_E2E_SANITIZED in the preset): the
# native and Windows runs keep them, and a sanitizer finds nothing more there.
step "sanitizer tests (the Windows build, then the fuzzers' build behind)"
wait_behind linux-asan
wait_behind cross-deps
start_behind windows 10 "cmake --preset windows && cmake --build --preset windows"
start_behind fuzz-build 19 "cmake --preset fuzz && cmake --build --preset fuzz --target fuzzers"
ctest --preset linux-asan

# A fuzzer takes a whole core: behind any test but the Wine tests, which
# mostly wait on the wine server, it slows that step by more than it saves.
step "Windows tests under Wine (the fuzzers behind, ${fuzz_seconds} s each, ${fuzz_jobs} at a time)"
wait_behind windows
wait_behind fuzz-build
start_behind fuzzers 19 "fuzz_seconds=$fuzz_seconds fuzz_jobs=$fuzz_jobs
  $(declare -f run_fuzzer run_fuzzers); run_fuzzers"
ctest --preset windows

step "fuzzers: what is left of them"
wait_behind fuzzers
cat build/fuzzers.log

step "release archives"
scripts/check-release.sh linux windows

end_step
printf '\n==== all tests passed in %d s\n' "$SECONDS"
printf '%s\n' "${times[@]}"
