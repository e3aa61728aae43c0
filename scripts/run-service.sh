#!/usr/bin/env bash
# Builds jobhost and runs the job service in the foreground, with the
# stand-in converter, duplex program and port library beside it.
#   scripts/run-service.sh            the Linux build
#   scripts/run-service.sh --windows  the Windows build, under Wine
# Installs what is missing first. The service ends on a "Close" request
# (or Ctrl-C).
set -euo pipefail
cd "$(dirname "$0")/.."

target=linux
[ "${1:-}" = "--windows" ] && target=windows

if [ "$target" = linux ]; then
  scripts/install-deps.sh --native-only
else
  scripts/install-deps.sh
fi
cmake --preset "$target" >/dev/null
# The program, its stand-in siblings and the client; the tests are not needed here.
cmake --build --preset "$target" --target jobhost_svc stand_in_jobconvert stand_in_flipguide \
  stand_in_portlink jobhostctl

bin="build/$target/bin"
prefix=$(sed -n 's/^JOBHOST_PREFIX:STRING=//p' "build/$target/CMakeCache.txt")
# The demo printers of the stand-in port library: name, kind, address.
printf 'Office Laser\t1\nFront Desk\t3\t192.0.2.10\nStore Room\t7\n' >"$bin/${prefix}portlink.table"
export JOBHOST_DEBUG_LOG="$PWD/build/$target/debug.log"
debug_note="the debug output to $JOBHOST_DEBUG_LOG"

if [ "$target" = linux ]; then
  ctl="$bin/jobhostctl"
  run=("$bin/${prefix}svc.exe")
else
  wine=$(command -v /usr/lib/wine/wine64 || command -v wine64 || command -v wine)
  export WINEPREFIX="$PWD/build/windows/wineprefix" WINEDEBUG=${WINEDEBUG:--all}
  ctl="WINEPREFIX=$WINEPREFIX $wine $bin/jobhostctl.exe"
  run=(sh cmake/wine-run.sh "$wine" "$WINEPREFIX" "$bin/${prefix}svc.exe")
  debug_note="the debug output to Wine's log with WINEDEBUG=+debugstr"
fi

cat <<TEXT
The job service runs in the foreground (pipe ${prefix}xpsnamedpipe).
From another terminal in $PWD:

  $ctl send 'RenderXPS/job-1/in.xps/out.prn'   (RenderReady)
  $ctl send 'CheckPort/Office Laser'           (Port1/)
  $ctl send 'Duplex'                           (RenderReady)
  $ctl send 'Close'                            (no reply: the service ends)

The converter's parameter texts go to $bin/${prefix}jobconvert.log,
$debug_note.
"EndRender" stops the converter after 5 s and ends the service.
TEXT
exec "${run[@]}"
