#!/usr/bin/env bash
# Fails, naming each place, when a C/C++ source is not formatted as
# .clang-format says. Fix with: clang-format -i <file>
set -euo pipefail
cd "$(dirname "$0")/.."
find src siblings tools tests fuzz bench \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0 |
  xargs -0 clang-format --dry-run -Werror
