#!/usr/bin/env bash
# Fails, naming them, when processes that the tests of the build folder $1
# started (marked FRAMORY_TEST_SERVERS=$1 in their environment) still run.
set -u
left=0
for environ in /proc/[0-9]*/environ; do
  if grep -qzxF -- "FRAMORY_TEST_SERVERS=$1" "$environ" 2>/dev/null; then
    pid=${environ//[!0-9]/}
    echo "still running after the tests: $pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"
    left=1
  fi
done
exit $left
