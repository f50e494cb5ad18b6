#!/bin/sh
# Runs a test program in an X server of its own (Xvfb, 1280x1024, with GLX), and under openbox
# once it has taken the screen when asked with --window-manager or when the program is to run
# cases named "...UnderAWindowManager"; stops both afterwards.
#
# Xvfb picks a free display itself (-displayfd) and names it only once it accepts clients, so
# programs started side by side never race for a display number, and nothing waits a fixed time.
# A program only asked for its list of tests needs no display.
set -u
case "$*" in
  *--gtest_list_tests*) exec "$@" ;;
esac
wm=0
if [ "${1:-}" = "--window-manager" ]; then
  wm=1
  shift
fi
case "$*" in
  *UnderAWindowManager*) wm=1 ;;
esac
for tool in Xvfb xprop; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "$tool not found: install Debian packages xvfb and x11-utils (scripts/setup.sh does)"
    exit 1
  fi
done
if [ "$wm" = 1 ] && ! command -v openbox >/dev/null 2>&1; then
  echo "openbox not found: install Debian package openbox (scripts/setup.sh does)"
  exit 1
fi

dir=$(mktemp -d "${TMPDIR:-/tmp}/xserver.XXXXXX") || exit 1
server=""
manager=""
cleanup() {
  [ -n "$manager" ] && kill "$manager" 2>/dev/null && wait "$manager" 2>/dev/null
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

mkfifo "$dir/display" || exit 1
Xvfb -displayfd 3 -screen 0 1280x1024x24 +extension GLX -nolisten tcp -noreset \
  3>"$dir/display" >"$dir/server.log" 2>&1 &
server=$!
# Blocks until the server writes its display number, or ends without one.
read -r number <"$dir/display"
if [ -z "${number:-}" ]; then
  echo "Xvfb did not start:"
  cat "$dir/server.log"
  exit 1
fi
DISPLAY=":$number"
export DISPLAY
unset XAUTHORITY

if [ "$wm" = 1 ]; then
  openbox --sm-disable >"$dir/openbox.log" 2>&1 &
  manager=$!
  # openbox announces itself on the root window once it manages the screen.
  until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
    if ! kill -0 "$manager" 2>/dev/null; then
      echo "openbox did not start:"
      cat "$dir/openbox.log"
      exit 1
    fi
    sleep 0.05
  done
fi

"$@"
status=$?
exit "$status"
