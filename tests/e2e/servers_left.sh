#!/usr/bin/env bash
# Lists every process still running that a test of the build folder $1
# started (X servers, print servers, screen-saver daemons and their
# children all carry the mark FRAMORY_TEST_SERVERS=$1 in their
# environment), and fails when there is one: a test must stop what it
# starts.
set -u
mark="FRAMORY_TEST_SERVERS=$1"
left=0
for environ in /proc/[0-9]*/environ; do
  pid=${environ#/proc/}
  pid=${pid%/environ}
  if tr '\0' '\n' <"$environ" 2>/dev/null | grep -qxF -- "$mark"; then
    echo "still running after the tests: $pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"
    left=1
  fi
done
exit $left
