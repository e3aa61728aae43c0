#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks for building and testing jobhost.
# Runs apt-get only when a package is missing, and then updates the index
# once (--no-update: an earlier call did).
#   (none)         everything
#   --native-only  what the native build and the service need
#   --native-tests the native build, its tests and their peers
#   --cross        the Windows cross build, Wine and the fuzzers' compiler
set -euo pipefail

native=(cmake make g++ clang-format libgtest-dev libgmock-dev libsqlite3-dev sqlite3 python3 libcups2-dev
  libxml2-dev libcurl4-openssl-dev)
native_tests=("${native[@]}" libbenchmark-dev snmpd snmp iproute2 python3-zeroconf cups-daemon
  cups-client cups wsdd)
cross=(clang libclang-rt-14-dev g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64)

packages=("${native_tests[@]}" "${cross[@]}")
update=1
for option in "$@"; do
  case $option in
    --native-only) packages=("${native[@]}") ;;
    --native-tests) packages=("${native_tests[@]}") ;;
    --cross) packages=("${cross[@]}") ;;
    --no-update) update=0 ;;
    *)
      echo "usage: $0 [--native-only | --native-tests | --cross] [--no-update]" >&2
      exit 2
      ;;
  esac
done

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
[ "$update" = 0 ] || $sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
