#!/usr/bin/env bash
# Runs the launcher on its demo kit under Wine. With a display, the launcher opens there and you
# click through it yourself; without one (or with CI set) it runs on a private Xvfb display and a
# scripted walk-through clicks through the first run's wizard, starts and stops the server stack,
# and saves a screenshot of every step.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/bootstrap.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target demo_kit demo_walkthrough >/dev/null

demo=$root/build/demo
rm -rf "$demo"
mkdir -p "$demo/screenshots"
cp -r build/windows/demo-kit "$demo/kit"
winpath() { echo "Z:$(sed 's|/|\\|g' <<<"$1")"; }

interactive=0
if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ]; then
  interactive=1
  export TOLVANE_DISPLAY=$DISPLAY
fi
source scripts/wine-session.sh
start_wine_session
trap stop_wine_session EXIT

if [ "$interactive" -eq 1 ]; then
  # The browser and the PDF viewer of the demo are recorders that only log how they were called.
  stand_ins=$(winpath "$root/build/windows/demo-kit-path")
  wine reg add 'HKCR\http\shell\open\command' /ve /d "\"$stand_ins\\browser.exe\" \"%1\"" /f >/dev/null 2>&1
  wine reg add 'HKCR\pdffile\shell\open\command' /ve /d "\"$stand_ins\\viewer.exe\" \"%1\"" /f >/dev/null 2>&1
  echo "demo: the launcher opens on $DISPLAY; the stand-ins log what they are asked in $demo/kit/standins.log"
  WINEPATH="$stand_ins\\java" TOLVANE_STANDIN_LOG="$(winpath "$demo/kit/standins.log")" \
    TOLVANE_JAVA_STARTUP_MS=1000 wine "$demo/kit/TolvaneChat.exe"
else
  echo "demo: walking through the launcher on a private display"
  TOLVANE_SCREENSHOTS=$(winpath "$demo/screenshots") \
    wine build/windows/kit/demo/demo_walkthrough.exe "$(winpath "$demo/kit")\\"
  bash scripts/artifacts-to-png.sh "$demo/screenshots"
  echo "demo: screenshots of every step:"
  ls -1 "$demo/screenshots"/*.png | sed 's/^/  /'
fi
