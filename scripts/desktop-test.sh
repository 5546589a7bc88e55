#!/usr/bin/env bash
# Runs the desktop test (the Desktop.* cases of the app test suite) on a
# virtual X display of its own with a window manager: Xvfb on a free display
# number, openbox on it, the test on Qt's xcb platform; both are stopped
# afterwards. The pictures of the steps go into the output folder. On a
# machine without Xvfb or openbox the test reports itself skipped (exit 77).
# Usage: desktop-test.sh <kv_app_tests> <output folder> [test arguments...]
set -u
exe="$1"; out="$2"; shift 2
for tool in Xvfb openbox xprop; do
  if ! command -v "$tool" >/dev/null; then
    echo "desktop test skipped: $tool is not installed (packages xvfb, openbox, x11-utils)"
    exit 77
  fi
done
rm -rf "$out"
mkdir -p "$out"
work="$(mktemp -d)"
xpid=""; wmpid=""
cleanup() {
  [ -n "$wmpid" ] && kill "$wmpid" 2>/dev/null && wait "$wmpid" 2>/dev/null
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null && wait "$xpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number to fd 3.
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" 2>"$out/xvfb.log" &
xpid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
if [ ! -s "$work/display" ]; then
  echo "desktop test: Xvfb did not start (see $out/xvfb.log)"
  exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"

# The test's own settings of the desktop: nothing of the user's is read or written.
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
openbox --sm-disable >"$out/openbox.log" 2>&1 &
wmpid=$!
# The window manager is up when it has claimed the screen.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done

export QT_QPA_PLATFORM=xcb KV_DESKTOP_OUT="$out"
"$exe" --gtest_filter='Desktop.*' "$@"
