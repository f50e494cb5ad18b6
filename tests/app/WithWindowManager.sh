#!/bin/sh
# Runs a test program under openbox in the X server of xvfb-run, once the window manager has
# taken the screen (it announces itself on the root window), and stops openbox afterwards.
if ! command -v openbox >/dev/null 2>&1; then
  echo "openbox not found: install Debian package openbox (scripts/setup.sh does)"
  exit 1
fi
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
tries=0
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
  tries=$((tries + 1))
  if [ "$tries" -gt 100 ]; then
    echo "openbox did not start"
    kill "$wm" 2>/dev/null
    exit 1
  fi
  sleep 0.1
done
"$@"
status=$?
kill "$wm" 2>/dev/null
wait "$wm" 2>/dev/null
exit "$status"
