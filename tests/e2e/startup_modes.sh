#!/usr/bin/env bash
# The real program on its command line: switches that name no mode end at
# once with status 0, after the settings were loaded and the data folder
# made; without a display a mode that needs a window says so and fails.
set -u
framory=$1
xvfb_run=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
failures=0
passed=0

check() { # name, expected status, actual status
  if [ "$2" = "$3" ]; then
    passed=$((passed + 1))
  else
    echo "FAIL: $1: status $3, expected $2"
    failures=$((failures + 1))
  fi
}

run_without_display() { # runs the program with a limit; prints the status (124 = still running)
  (
    unset DISPLAY WAYLAND_DISPLAY
    export QT_QPA_PLATFORM=
    timeout 10 "$@" >"$work/out" 2>"$work/err"
    echo $?
  )
}

# Under a real X server.
for arg in /X -s S /x1234 "-S" "/"; do
  start=$(date +%s%N)
  status=$("$xvfb_run" -a -s "-screen 0 800x600x24 -nolisten tcp" bash -c "timeout 10 '$framory' '$arg'; echo \$? > '$work/status'" >/dev/null 2>&1; cat "$work/status")
  check "framory $arg under X" 0 "$status"
done

# Without a display.
for arg in /X -s S; do
  status=$(run_without_display "$framory" "$arg")
  check "framory $arg without a display" 0 "$status"
done
check "no message for an unknown switch" "" "$(grep -v XDG_RUNTIME "$work/err")"

status=$(run_without_display "$framory" /s)
check "framory /s without a display fails" 1 "$status"
if ! grep -q "no display" "$work/err"; then
  echo "FAIL: framory /s without a display does not say why: $(cat "$work/err")"
  failures=$((failures + 1))
fi

# The data folder was made and seeded with the bundled samples; reading the
# settings wrote nothing.
for sample in sunset.jpg aurora.png blocks.bmp harbour.tif petals.tga chime.wav tune.mid; do
  [ -s "$XDG_DATA_HOME/Obelin Framory/$sample" ]
  check "sample $sample seeded" 0 $?
done
[ ! -e "$XDG_CONFIG_HOME/Obelin Framory.ini" ]
check "settings file untouched by loading" 0 $?

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
