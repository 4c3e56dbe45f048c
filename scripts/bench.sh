#!/usr/bin/env bash
# The launcher's benchmarks under Wine, on a private Xvfb display: start-up and idle holdings
# against a bare window with the same manifest, readiness latency against a private Apache + PHP
# on port 85, and the sizes of what the kit ships. Prints one table, each benchmark's rows with the
# runs they measured and the runs that failed, then where the start-up's time goes. Measures only,
# but ends with 1 when a benchmark could not measure at all.
#
#   scripts/bench.sh [START-UP RUNS] [READINESS RUNS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
startup_runs=${1:-20}
readiness_runs=${2:-10}

bash scripts/bootstrap.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j2 --target TolvaneChat TolvaneChatMarks RegisterEnvironmentVariable \
  demo_kit startup_bench bench_bare_window readiness_bench >/dev/null
build=$root/build/windows
(cd "$build" && cpack -G ZIP >/dev/null)

source scripts/wine-session.sh
start_wine_session
work=$(mktemp -d)
chmod 755 "$work"  # Apache's workers run as www-data
apache_pid=""
finish() {
  [ -z "$apache_pid" ] || kill "$apache_pid" 2>/dev/null || true
  stop_wine_session
  rm -rf "$work"
}
trap finish EXIT
win() { echo "Z:${1//\//\\}"; }
run() { bash scripts/wine-run.sh "$@"; }
status=0
unmeasured() { echo "bench.sh: $1" >&2; status=1; }

echo "| measure | launcher | baseline | ratio | runs: launcher + baseline, failed |"
echo "|---|---|---|---|---|"

cp -r "$build/demo-kit" "$work/kit"
run "$build/bench/startup_bench.exe" "$(win "$work/kit")\\" "$(win "$build/bench/bench_bare_window.exe")" \
  "$startup_runs" || unmeasured "the start-up benchmark measured nothing in a row (it ended with $?)"

# The chat's page shows the chat once the flag exists.
mkdir -p "$work/apache/htdocs" "$work/apache/logs"
cat > "$work/apache/htdocs/index.php" <<PHP
<html><head><title><?php echo file_exists('$work/flag') ? 'Tolvane Flash Chat' : 'Please wait'; ?></title></head></html>
PHP
modules=/usr/lib/apache2/modules
php=$(basename "$(ls $modules/libphp*.so | head -n 1)")
cat > "$work/apache/httpd.conf" <<CONF
ServerRoot "$work/apache"
ServerName 127.0.0.1
Listen 127.0.0.1:85
PidFile "$work/apache/logs/httpd.pid"
DefaultRuntimeDir "$work/apache/logs"
LoadModule mpm_prefork_module $modules/mod_mpm_prefork.so
LoadModule authz_core_module $modules/mod_authz_core.so
LoadModule dir_module $modules/mod_dir.so
LoadModule mime_module $modules/mod_mime.so
LoadModule php_module $modules/$php
User www-data
Group www-data
KeepAlive On
ErrorLog "$work/apache/logs/error.log"
TypesConfig /etc/mime.types
DocumentRoot "$work/apache/htdocs"
<Directory "$work/apache/htdocs">
  Require all granted
</Directory>
DirectoryIndex index.php
<FilesMatch "\.php$">
  SetHandler application/x-httpd-php
</FilesMatch>
CONF
# In a session of its own: Apache ends its whole process group when it stops.
setsid /usr/sbin/apache2 -f "$work/apache/httpd.conf" -DFOREGROUND >"$work/apache/logs/console.log" 2>&1 &
apache_pid=$!
for _ in $(seq 100); do curl -s -o /dev/null http://127.0.0.1:85/ && break; sleep 0.1; done
run "$build/bench/readiness_bench.exe" "$(win "$work/flag")" "$readiness_runs" ||
  unmeasured "the readiness benchmark measured nothing (it ended with $?)"
kill "$apache_pid" 2>/dev/null || true; wait "$apache_pid" 2>/dev/null || true; apache_pid=""

size_row() {
  local size; size=$(stat -c %s "$2")
  awk -v what="$1" -v size="$size" -v goal="$3" \
    'BEGIN { printf "| %s (bytes; baseline: the goal) | %d | %d | %.2f | |\n", what, size, goal, size / goal }'
}
size_row "size of TolvaneChat.exe" "$build/app/TolvaneChat.exe" 1048576
size_row "size of RegisterEnvironmentVariable.exe" \
  "$build/kit/RegisterEnvironmentVariable/RegisterEnvironmentVariable.exe" 262144
zip=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' "$build/CPackConfig.cmake").zip
echo "| size of the kit zip (bytes) | $(stat -c %s "$build/$zip") | | | |"

# Where the start-up goes: the benchmark build's time marks, the median of 5 starts on the control
# page (the settings of the startup benchmark's last run are still in the kit copy). A start that
# printed no mark for a step counts as failed in that step's row.
starts=5
cp "$build/app/TolvaneChatMarks.exe" "$work/kit/"
for i in $(seq "$starts"); do
  run "$work/kit/TolvaneChatMarks.exe" 2>"$work/marks$i.txt" &
  marks=$!
  sleep 2
  run taskkill /F /IM TolvaneChatMarks.exe >/dev/null 2>&1 || true
  wait "$marks" 2>/dev/null || true
done
cat "$work"/marks*.txt | tr -d '\r' | grep ' ms$' >"$work/marks.txt" || true
[ -s "$work/marks.txt" ] || unmeasured "the build with time marks printed none"
echo
echo "| start-up step (control page) | median ms | starts, failed |"
echo "|---|---|---|"
awk -v starts="$starts" '{ ms = $(NF-1); $NF = ""; $(NF-1) = ""; sub(/ +$/, "");
  step[$0] = step[$0] " " ms; if (!($0 in seen)) { seen[$0] = 1; order[++n] = $0 } }
  END { for (i = 1; i <= n; i++) { k = split(substr(step[order[i]], 2), v, " ");
    for (a = 1; a <= k; a++) for (b = a + 1; b <= k; b++) if (v[b] + 0 < v[a] + 0) { t = v[a]; v[a] = v[b]; v[b] = t }
    printf "| %s | %.1f | %d, %d failed |\n", order[i], v[int((k + 1) / 2)], starts, starts - k } }' "$work/marks.txt"
exit "$status"
