# Shared by test.sh and demo.sh: a private Xvfb display and a wineserver kept up for the session,
# started with their output away from the caller's pipes (a wineserver holding a test's stderr
# makes ctest, or CI, wait for it).
TOLVANE_WINEPREFIX=${TOLVANE_WINEPREFIX:-$HOME/.cache/tolvane-chat/wineprefix}
export TOLVANE_WINEPREFIX

start_wine_session() {
  if [ -z "${TOLVANE_DISPLAY:-}" ]; then
    local n=77
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    TOLVANE_XVFB_PID=$!
    export TOLVANE_DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi
  export DISPLAY=$TOLVANE_DISPLAY
  export WINEPREFIX=$TOLVANE_WINEPREFIX WINEARCH=win64 WINEDEBUG=-all
  # A wineserver left from an earlier run would keep its desktop on another display.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  wineserver -p >/dev/null 2>&1 </dev/null
  wine cmd /c exit >/dev/null 2>&1 </dev/null
  # Wine's desktop ends a few seconds after its last program; one that starts while it is
  # going away loses its first input. A console waiting for a key keeps the desktop up.
  setsid bash -c 'exec sleep 86400 | wine cmd /c pause' >/dev/null 2>&1 </dev/null &
  TOLVANE_KEEPER_PID=$!
  # The desktop is started here, away from the caller's pipes: one that a test's program starts
  # holds that test's output pipe, and ctest waits for it until the desktop ends.
  # Started from a subshell, so that it is no job of the caller's: a caller's `wait` must not
  # wait for the desktop.
  local size
  size=$(wine reg query 'HKCU\Software\Wine\Explorer\Desktops' /v Default 2>/dev/null |
    grep -Eo '[0-9]+x[0-9]+' | head -n 1)
  (setsid wine explorer "/desktop=Default,${size:-1024x768}" >/dev/null 2>&1 </dev/null &)
  for _ in $(seq 100); do pgrep -f 'explorer.exe /desktop' >/dev/null && break; sleep 0.1; done
  # ... and until its window is there: a program that makes its first window before the desktop
  # has made its own may fail to (seen on a busy machine as the launcher ending with exit code 1).
  for _ in $(seq 100); do
    DISPLAY=$TOLVANE_DISPLAY xdotool search --name 'Wine desktop' >/dev/null 2>&1 && break
    sleep 0.1
  done
}

stop_wine_session() {
  [ -z "${TOLVANE_KEEPER_PID:-}" ] || kill -- "-$TOLVANE_KEEPER_PID" 2>/dev/null || true
  WINEPREFIX=$TOLVANE_WINEPREFIX wineserver -k >/dev/null 2>&1 || true
  if [ -n "${TOLVANE_XVFB_PID:-}" ]; then
    kill "$TOLVANE_XVFB_PID" 2>/dev/null || true
    wait "$TOLVANE_XVFB_PID" 2>/dev/null || true
  fi
}
