#!/usr/bin/env bash
# Usage: scripts/check-release.sh [PRESET...]   (default: linux windows)
#
# Builds each configured preset's release archive ("package" target) and
# checks it: its sum matches the .sha256 beside it; it holds one folder with
# exactly the files of a release (names from the build's family prefix); the
# programs and libraries are stripped; SHA256SUMS covers every other file
# and matches; README.txt names every program and library, and on Linux every
# shared library they need beyond the C and C++ runtimes; on Windows each
# imports only DLLs that every Windows has.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

fail() { echo "check-release: $*" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/jobhost-release.XXXXXX")
trap 'rm -rf "$work"' EXIT
version=$(sed -n 's/^project(jobhost VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no version in CMakeLists.txt"

check_archive() { # PRESET
  local preset=$1 build=build/$1 prefix name nm binaries
  cmake --build --preset "$preset" --target package >/dev/null
  prefix=$(sed -n 's/^JOBHOST_PREFIX:STRING=//p' "$build/CMakeCache.txt")
  case $preset in
    linux)
      name=jobhost-$version-linux-x86_64 archive=$name.tar.gz nm=nm
      binaries=("${prefix}svc.exe" "${prefix}devprobe.dll" "${prefix}portlink.dll" jobhostctl) ;;
    windows)
      name=jobhost-$version-windows-x64 archive=$name.zip nm=x86_64-w64-mingw32-nm
      binaries=("${prefix}svc.exe" "${prefix}devprobe.dll" "${prefix}portlink.dll" jobhostctl.exe) ;;
    *) fail "no release for preset $preset" ;;
  esac
  echo "-- $archive"
  (cd "$build" && sha256sum --check --quiet "$archive.sha256") || fail "$archive: sum differs from $archive.sha256"
  mkdir "$work/$preset"
  (cd "$work/$preset" && cmake -E tar xf "$OLDPWD/$build/$archive")
  local expected actual
  expected=$(printf "$name/%s\n" "${binaries[@]}" LICENSE README.txt SHA256SUMS | sort)
  actual=$(cd "$work/$preset" && find . ! -type d | sed 's|^\./||' | sort)
  [ "$actual" = "$expected" ] || fail "$archive holds"$'\n'"$actual"$'\n'"instead of"$'\n'"$expected"
  cd "$work/$preset/$name"
  for file in "${binaries[@]}"; do
    "$nm" "$file" 2>&1 | grep -q 'no symbols' || fail "$archive: $file is not stripped"
    grep -qF "$file" README.txt || fail "$archive: README.txt does not name $file"
    [ "$preset" = linux ] || continue
    for needed in $(readelf -d "$file" | sed -n 's/.*Shared library: \[\(lib[^.]*\)\.so.*/\1/p'); do
      case $needed in libc | libm | libstdc++ | libgcc_s) continue ;; esac
      grep -qF "$needed" README.txt || fail "$archive: README.txt does not name $needed, which $file needs"
    done
  done
  if [ "$preset" = windows ]; then
    cmake -DOBJDUMP=x86_64-w64-mingw32-objdump -DDIRECTORY="$PWD" \
      -P "$root/tests/windows/CheckWindowsImports.cmake" >/dev/null ||
      fail "$archive: a program or library imports a DLL that Windows does not have"
  fi
  sha256sum --check --quiet SHA256SUMS || fail "$archive: SHA256SUMS does not match"
  expected=$(printf '%s\n' "${binaries[@]}" LICENSE README.txt | sort)
  [ "$(cut -c67- SHA256SUMS | sort)" = "$expected" ] || fail "$archive: SHA256SUMS does not cover every file"
  cd - >/dev/null
}

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(linux windows)
for preset in "${presets[@]}"; do check_archive "$preset"; done
echo "release archives checked"
