# The shell tests' reporting, sourced by each: one "ok"/"FAIL" line a case,
# a count of failures, exit 77 for a skip.
# shellcheck shell=bash
failures=0

skip() { echo "SKIPPED: $*"; exit 77; }

# check NAME CONDITION...: the case passes when CONDITION succeeds.
check() {
  local name=$1
  shift
  if "$@"; then echo "ok   $name"; else echo "FAIL $name"; failures=$((failures + 1)); fi
}

# equal NAME EXPECTED ACTUAL: the two texts are the same; both shown if not.
equal() {
  if [ "$2" = "$3" ]; then
    echo "ok   $1"
  else
    echo "FAIL $1"
    echo "  expected: $(printf '%q' "$2")"
    echo "  got:      $(printf '%q' "$3")"
    failures=$((failures + 1))
  fi
}

# same NAME EXPECTED ACTUAL: the two line sets are equal, order aside.
same() { equal "$1" "$(printf '%s\n' "$2" | sort)" "$(printf '%s\n' "$3" | sort)"; }

# finish: exits 1 when a case failed.
finish() { [ "$failures" = 0 ] || { echo "$failures failure(s)"; exit 1; }; }
