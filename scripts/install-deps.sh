#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks for building and testing jobhost.
# Runs apt-get only when a package is missing, and then updates the index once.
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev sqlite3 python3
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64
  snmpd snmp iproute2 python3-zeroconf
  libcups2-dev cups-daemon cups-client cups
  libxml2-dev libcurl4-openssl-dev wsdd
)
[ "${1:-}" = "--native-only" ] &&
  packages=(cmake make g++ clang-format libgtest-dev libgmock-dev libsqlite3-dev sqlite3 python3 libcups2-dev
    libxml2-dev libcurl4-openssl-dev)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
