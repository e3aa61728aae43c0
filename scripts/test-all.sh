#!/usr/bin/env bash
# Builds and runs every test: the format and include checks, the native suite
# (unit, end-to-end, SNMP, corpus replays), the sanitizer build, each fuzzer
# briefly, the benchmarks' build, the Windows build under Wine, and both
# release archives.
# Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."

fuzz_seconds=${JOBHOST_FUZZ_SECONDS:-60}

step() { printf '\n==== %s\n' "$*"; }

step "dependencies"
scripts/install-deps.sh

step "formatting and include layering"
scripts/check-format.sh
scripts/check-includes.py

step "native build and tests"
cmake --workflow --preset linux

step "sanitizers (ASan + UBSan)"
cmake --workflow --preset linux-asan

step "benchmarks build (not run)"
cmake --preset bench >/dev/null
cmake --build --preset bench

step "fuzzers (${fuzz_seconds} s each)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
for fuzzer in build/fuzz/bin/fuzz_*; do
  corpus="build/fuzz/corpus/$(basename "$fuzzer")"
  mkdir -p "$corpus"
  echo "-- $(basename "$fuzzer")"
  # New inputs go to the build's corpus; the committed seeds are read too.
  "$fuzzer" -max_total_time="$fuzz_seconds" -print_final_stats=0 "$corpus" \
    "fuzz/corpus/$(basename "$fuzzer")" 2>&1 | tail -n 2
done

step "Windows build and tests under Wine"
cmake --workflow --preset windows

step "release archives"
scripts/check-release.sh linux windows

step "all tests passed"
