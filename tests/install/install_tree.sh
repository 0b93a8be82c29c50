#!/usr/bin/env bash
# Installs the build folder $1 into a fresh prefix and checks the tree (the
# programs named after it, desktop entry, icons, manual page, XScreenSaver
# file), then runs the installed program, which seeds its samples.
set -u
build=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/usr
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || fail "cmake --install: $(cat "$work/install.log")"

[ $# -gt 0 ] || fail "no programs to check"
for program in "$@"; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is not installed"
  ! ldd "$prefix/bin/$program" | grep "not found" || fail "bin/$program misses libraries"
done

entry=$prefix/share/applications/framory.desktop
desktop-file-validate "$entry" || fail "the desktop entry is not valid"
grep -qx "Icon=framory" "$entry" || fail "the desktop entry names no icon"
grep -qx "Categories=Settings;DesktopSettings;" "$entry" || fail "the desktop entry's categories"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
[ -x "$prefix/bin/${exec_line%% *}" ] || fail "the desktop entry runs '$exec_line', which is not installed"

for size in 16 22 24 32 48 64 128 256; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/framory.png
  file "$icon" | grep -q "PNG image data, $size x $size" || fail "icon $size: $(file "$icon")"
done
head -1 "$prefix/share/man/man1/framory.1" | grep -q '^\.TH FRAMORY 1' || fail "the manual page"
grep -q '<command arg="--root"/>' "$prefix/share/xscreensaver/config/framory.xml" ||
  fail "XScreenSaver's settings file"

# The installed program, with nothing of the build folder around it.
home=$work/home
(
  unset DISPLAY WAYLAND_DISPLAY
  export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  timeout 20 "$prefix/bin/framory" /X
) || fail "the installed program does not run"
for sample in "$prefix"/share/framory/samples/*; do
  [ -s "$home/data/Obelin Framory/$(basename "$sample")" ] || fail "sample $(basename "$sample") was not seeded"
done

[ $failures -eq 0 ] && echo "installed tree complete"
exit $((failures > 0))
