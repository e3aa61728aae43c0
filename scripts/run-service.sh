#!/usr/bin/env bash
# Builds jobhost and runs the job service in the foreground, installed in
# build/<target>/run/ with the stand-in converter, duplex program and port
# library beside it.
#   scripts/run-service.sh            the Linux build
#   scripts/run-service.sh --cups     the Linux build with the real port
#                                     library, which asks the CUPS server
#   scripts/run-service.sh --windows  the Windows build, under Wine
# Installs what is missing first. The service ends on a "Close" request
# (or Ctrl-C).
set -euo pipefail
cd "$(dirname "$0")/.."

target=linux
cups=no
case "${1:-}" in
  --windows) target=windows ;;
  --cups) cups=yes ;;
  "") ;;
  -h | --help) sed -n '2,10s/^# \{0,1\}//p' "$0"; exit 0 ;;
  *) sed -n '2,10s/^# \{0,1\}//p' "$0" >&2; exit 2 ;;
esac

if [ "$target" = linux ]; then
  scripts/install-deps.sh --native-only
else
  scripts/install-deps.sh
fi
cmake --preset "$target" >/dev/null
# The program, its stand-in siblings and the client; the tests are not needed here.
targets=(jobhost_svc stand_in_jobconvert stand_in_flipguide stand_in_portlink jobhostctl)
[ "$cups" = yes ] && targets+=(jobhost_portlink)
cmake --build --preset "$target" --target "${targets[@]}"

bin="build/$target/bin"
prefix=$(sed -n 's/^JOBHOST_PREFIX:STRING=//p' "build/$target/CMakeCache.txt")
# The service finds its siblings beside itself: install them together.
run_dir="build/$target/run"
mkdir -p "$run_dir"
for sibling in svc.exe jobconvert.exe flipguide.exe; do
  cp -f "$bin/$prefix$sibling" "$run_dir/"
done
if [ "$cups" = yes ]; then
  cp -f "$bin/${prefix}portlink.dll" "$run_dir/"
else
  cp -f "$bin/${prefix}portlink_scripted.dll" "$run_dir/${prefix}portlink.dll"
  # The demo printers of the stand-in port library: name, kind, address.
  printf 'Office Laser\t1\nFront Desk\t3\t192.0.2.10\nStore Room\t7\n' \
    >"$run_dir/${prefix}portlink.table"
fi
export JOBHOST_DEBUG_LOG="$PWD/build/$target/debug.log"
debug_note="the debug output to $JOBHOST_DEBUG_LOG"

if [ "$target" = linux ]; then
  ctl="$bin/jobhostctl"
  run=("$run_dir/${prefix}svc.exe")
else
  wine=$(command -v /usr/lib/wine/wine64 || command -v wine64 || command -v wine)
  export WINEPREFIX="$PWD/build/windows/wineprefix" WINEDEBUG=${WINEDEBUG:--all}
  ctl="WINEPREFIX=$WINEPREFIX $wine $bin/jobhostctl.exe"
  run=(sh cmake/wine-run.sh "$wine" "$WINEPREFIX" "$run_dir/${prefix}svc.exe")
  debug_note="the debug output to Wine's log with WINEDEBUG=+debugstr"
fi

cat <<TEXT
The job service runs in the foreground (pipe ${prefix}xpsnamedpipe).
From another terminal in $PWD:

  $ctl send 'RenderXPS/job-1/in.xps/out.prn'   (RenderReady)
  $ctl send 'CheckPort/Office Laser'           (Port1/)
  $ctl send 'Duplex'                           (RenderReady)
  $ctl send 'Close'                            (no reply: the service ends)

The converter's parameter texts go to $run_dir/${prefix}jobconvert.log,
$debug_note.
"EndRender" stops the converter after 5 s and ends the service.
TEXT
if [ "$cups" = yes ]; then
  cat <<TEXT

The port library asks the CUPS server (\$CUPS_SERVER, else the system's);
without a server, or for a printer that has no queue, CheckPort ends the
service. Add a queue and ask about it:

  lpadmin -p Demo -E -v socket://192.0.2.5:9100 -m drv:///sample.drv/generic.ppd
  $ctl send 'CheckPort/Demo'                   (Port2/192.0.2.5)
TEXT
elif [ "$target" = linux ]; then
  echo
  echo "To ask a real CUPS queue instead of the stand-in's table: $0 --cups"
fi
exec "${run[@]}"
