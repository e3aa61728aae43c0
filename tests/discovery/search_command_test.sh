#!/usr/bin/env bash
# Usage: search_command_test.sh BIN_DIR PREFIX [EMULATOR...]
#
# The whole search command with the real discovery library, run through
# run_with_snmpd.sh: a stored record asks for one host (127.0.0.1, search
# parameter port=N); afterwards the record holds that agent once, under its
# sysName, and "TotalPrinters" is 1: the SNMPv3 call of the same search does
# not report it again. BIN_DIR
# holds PREFIXsvc.exe, PREFIXdevprobe.dll and jobhostctl; EMULATOR (Wine for
# the Windows build) runs them.
set -u
bin=$1
prefix=$2
shift 2
emulator=("$@")

# shellcheck source-path=SCRIPTDIR source=checks.sh
. "$(dirname "$0")/checks.sh"
[ -z "${JOBHOST_SNMPD_MISSING:-}" ] || skip "$JOBHOST_SNMPD_MISSING"
[ -n "${JOBHOST_SNMPD_PORT:-}" ] || { echo "FAIL: run through run_with_snmpd.sh"; exit 1; }
ctl=$bin/jobhostctl
[ -e "$ctl" ] || ctl=$bin/jobhostctl.exe
for file in "$bin/${prefix}svc.exe" "$bin/${prefix}devprobe.dll" "$ctl"; do
  [ -e "$file" ] || skip "$file is not built"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/jobhost-search.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
# The Linux settings store; the Windows build uses Wine's registry instead.
export JOBHOST_REGISTRY=$work/registry.sqlite3
key='HKCU\Software\SnmpTestOuter\SnmpTestInner\Vantorel\PrinterUI\Search'
run() { "${emulator[@]}" "$@"; }

run "$ctl" record make --single-host --ipv4-target 127.0.0.1 --out record.bin || exit 1
hex=$(od -An -tx1 -v record.bin | tr -d ' \n')
run "$ctl" reg set "$key" SearchData --binary-hex "$hex" || exit 1
run "$ctl" reg set "$key" TotalPrinters --dword 99 || exit 1

start=$(date +%s%N)
run "$bin/${prefix}svc.exe" "13/SnmpTestInner/SnmpTestOuter/Search/port=$JOBHOST_SNMPD_PORT"
status=$?
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
check "the search command exits with 1" [ "$status" = 1 ]
# Both calls end at the host's first answer, far inside their 3 s and 6 s.
check "the search returns once the host has answered (${elapsed_ms} ms)" [ "$elapsed_ms" -lt 3000 ]

record=$(run "$ctl" record show --key "$key" --json | tr -d '\r')
echo "  record: $record"
agents=$(printf '%s' "$record" | grep -o '"address": *"127.0.0.1"' | wc -l)
check "the record holds the agent once" [ "$agents" = 1 ]
check "agentCount is 1" grep -q '"agentCount": *1[,}]' <<<"$record"
check "the agent carries its sysName, not the engine text" \
  grep -q "\"name\": *\"$JOBHOST_SNMPD_SYSNAME\"" <<<"$record"
total=$(run "$ctl" reg query "$key" TotalPrinters | tr -d '\r')
check "TotalPrinters is 1 ($total)" [ "$(printf '%s' "$total" | cut -f3)" = 1 ]

# "jobhostctl search": the same search in one command, in a store of its own
# (a temporary folder below TMPDIR, or key below HKCU\Software) that is gone
# afterwards. Its
# output is a pipe here: the findings only, no progress line.
export TMPDIR=$work/tmp
mkdir "$TMPDIR"
windows_path() { if [ ${#emulator[@]} -gt 0 ]; then printf 'Z:%s' "${1//\//\\}"; else printf '%s' "$1"; fi; }
search() { run "$ctl" search --host 127.0.0.1 --parameter "port=$JOBHOST_SNMPD_PORT" "$@"; }
equal "jobhostctl search prints a table" \
  "$(printf 'address    name\n127.0.0.1  %s\nTotalPrinters: 1' "$JOBHOST_SNMPD_SYSNAME")" \
  "$(search | tr -d '\r')"
equal "jobhostctl search --json" \
  "{\"printers\":[{\"address\":\"127.0.0.1\",\"name\":\"$JOBHOST_SNMPD_SYSNAME\"}],\"totalPrinters\":1}" \
  "$(search --json | tr -d '\r')"
refused() { [ "$1" = "$2" ] && grep -q "$3" search.err && [ -z "$4" ]; }
while IFS='|' read -r what code message option; do
  output=$(search "$option" 2>search.err)
  check "search with $what: exit code $code, \"$message\", nothing printed" \
    refused "$?" "$code" "$message" "$output"
done <<CASES
an unknown option|2|unknown option|--bogus
a missing program|1|cannot start|--program=$(windows_path "$work/missing.exe")
another program|1|not the search program|--program=$(windows_path "$bin/${prefix}flipguide.exe")
CASES
if [ ${#emulator[@]} -eq 0 ]; then
  printf '#!/bin/sh\nexec sleep 30\n' >hang.sh
  chmod +x hang.sh
  interrupted() { [ "$1" = 130 ] && grep -q interrupted search.err && [ -z "$(ls -A "$TMPDIR")" ]; }
  # The tool leads a process group of its own (setsid), as in a terminal, so
  # that a signal reaches it alone or with the program it runs (Ctrl-C).
  while read -r signal whom; do
    setsid "$ctl" search --program "$work/hang.sh" 2>search.err &
    pid=$!
    for _ in $(seq 50); do [ -n "$(cat "/proc/$pid/task/$pid/children" 2>/dev/null)" ] && break; sleep 0.1; done
    if [ "$whom" = group ]; then kill "-$signal" -- "-$pid"; else kill "-$signal" "$pid"; fi
    wait "$pid"
    check "SIG$signal to the $whom: jobhostctl search exits 130 \"interrupted\", store removed" \
      interrupted "$?"
  done <<CASES
INT process
INT group
TERM process
HUP process
HUP group
CASES
fi
if [ ${#emulator[@]} -eq 0 ]; then left=$(ls -A "$TMPDIR"); else
  left=$(run reg query 'HKCU\Software' | grep JobhostctlSearch); fi
check "no temporary store is left behind ($left)" [ -z "$left" ]

finish
echo "all search command cases passed"
