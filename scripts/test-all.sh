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
# The next build runs behind a step's tests, which mostly wait on peers and
# time-outs: niced, so the tests have the processor whenever they need it.
behind_pid="" behind_log=""
build_behind() {
  behind_log=$1
  shift
  setsid nice -n 19 bash -c "$*" >"$behind_log" 2>&1 &
  behind_pid=$!
}
wait_behind() {
  local pid=$behind_pid
  behind_pid=""
  wait "$pid" || { cat "$behind_log"; return 1; }
}

# A failed step still shows how long it ran; a build behind it is stopped.
trap 'status=$?; [ -z "$behind_pid" ] || kill -- -"$behind_pid" 2>/dev/null
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

step "dependencies"
scripts/install-deps.sh

step "formatting and include layering"
scripts/check-format.sh
scripts/check-includes.py

mkdir -p build
step "native build and tests (the sanitizer build behind the tests)"
cmake --preset linux
cmake --build --preset linux
build_behind build/linux-asan.log "cmake --preset linux-asan && cmake --build --preset linux-asan"
ctest --preset linux

# Without the end-to-end tests that only wait out a limit or repeat one
# request ten thousand times (JOBHOST_E2E_SANITIZED in the preset): the
# native and Windows runs keep them, and a sanitizer finds nothing more there.
step "sanitizers (ASan + UBSan; the benchmarks and fuzzers build behind)"
wait_behind
build_behind build/bench-fuzz.log "cmake --preset bench >/dev/null &&
  cmake --build --preset bench --target benchmarks && cmake --preset fuzz >/dev/null &&
  cmake --build --preset fuzz --target fuzzers"
ctest --preset linux-asan

step "benchmarks (built, not run) and fuzzers build"
wait_behind

step "fuzzers (${fuzz_seconds} s each, ${fuzz_jobs} at a time)"
fuzzers=(build/fuzz/bin/fuzz_*)
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
      exit 1
    fi
    tail -n 2 "build/fuzz/$(basename "$fuzzer").log"
  done
done

step "Windows build and tests under Wine"
cmake --workflow --preset windows

step "release archives"
scripts/check-release.sh linux windows

end_step
printf '\n==== all tests passed in %d s\n' "$SECONDS"
printf '%s\n' "${times[@]}"
