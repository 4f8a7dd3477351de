#!/bin/bash
# Times the printer application: from `lp` of an A4 photograph at 300 dpi
# through a driverless CUPS queue to the last byte at a listener standing in
# for the printer, against `nvxprint print` of the same file through a raw CUPS
# queue to the same listener; the server's resident memory between jobs, and
# 20 jobs queued at once. Everything on loopback, in a temporary folder, with a
# private cupsd. See bench/README.md.
#
#   bench/run_server_benchmark.sh [BUILD_DIR]    (default: build-bench)
#
# Environment: RUNS (timed jobs of each kind, default 5), QUEUED (default 20),
# KEEP=1 keeps the temporary folder.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build-bench}" && pwd)
runs=${RUNS:-5}
queued=${QUEUED:-20}
nvxprint=$build/bin/nvxprint
server=$build/bin/nvxprint-server
for program in "$nvxprint" "$server"; do
  [ -x "$program" ] || { echo "missing $program: build nvxprint and nvxprint-server" >&2; exit 2; }
done
serverbin=/usr/lib/cups
[ -x /usr/sbin/cupsd ] && [ -x $serverbin/backend/ipp ] && [ -x $serverbin/filter/pdftopdf ] ||
  { echo "needs cups-daemon, cups-client and cups-filters (scripts/setup)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/nvx-server-bench.XXXXXX")
chmod 755 "$work"
pids=()
finish() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  if [ "${KEEP:-0}" != 1 ]; then rm -rf "$work"; fi
}
trap finish EXIT
export XDG_CONFIG_HOME=$work/config XDG_CONFIG_DIRS=$work/etc SOURCE_DATE_EPOCH=1700000000 LC_ALL=C
export NVXPRINT_DATA_DIR=$build/share/nvxprint

photo=$work/a4-300dpi.png
echo "making the test photograph (2480 x 3508, 300 dpi)"
convert "$repo/data/sample.png" -resize "2480x3508!" -seed 4711 -attenuate 0.6 +noise Gaussian \
  -density 300 -units PixelsPerInch -depth 8 -define png:exclude-chunks=date,time "PNG24:$photo"

# The printer: a listener that notes when each job's last byte came, and its size.
cat >"$work/listener.py" <<'PY'
import socket, sys, time
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", 0))
s.listen(64)
open(sys.argv[1] + ".port", "w").write(str(s.getsockname()[1]))
while True:
    c, _ = s.accept()
    n = 0
    while True:
        b = c.recv(1 << 20)
        if not b:
            break
        n += len(b)
    c.close()
    if n:
        with open(sys.argv[1], "a") as log:
            log.write("%.6f %d\n" % (time.time(), n))
PY
python3 "$work/listener.py" "$work/arrived" & pids+=($!)
until [ -s "$work/arrived.port" ]; do sleep 0.05; done
printer_port=$(cat "$work/arrived.port")

# A private cupsd, its own configuration, socket and spool.
cups=$work/cups
mkdir -p "$cups"/{conf,bin/backend,spool/tmp,cache,state,log}
ln -s $serverbin/daemon "$cups/bin/daemon"
ln -s $serverbin/filter "$cups/bin/filter"
ln -s $serverbin/backend/ipp "$cups/bin/backend/ipp"
cat >"$cups/bin/backend/socket" <<'SH'
#!/bin/bash
if [ $# -eq 0 ]; then echo 'network socket "Unknown" "Test socket"'; exit 0; fi
target=${DEVICE_URI#socket://}
exec 3<>"/dev/tcp/${target%%:*}/${target##*:}" || exit 1
cat "${6:-/dev/stdin}" >&3
SH
chmod 700 "$cups/bin/backend/socket"
user=$( [ "$(id -u)" = 0 ] && echo "User lp
Group lp
SystemGroup root" || echo "SystemGroup $(id -gn)")
cat >"$cups/conf/cups-files.conf" <<CONF
ServerRoot $cups/conf
ServerBin $cups/bin
RequestRoot $cups/spool
TempDir $cups/spool/tmp
CacheDir $cups/cache
StateDir $cups/state
AccessLog $cups/log/access_log
ErrorLog $cups/log/error_log
PageLog $cups/log/page_log
$user
CONF
cat >"$cups/conf/cupsd.conf" <<CONF
Listen $cups/cups.sock
LogLevel ${CUPS_LOG_LEVEL:-warn}
Browsing Off
WebInterface No
DefaultAuthType None
<Location />
Order allow,deny
Allow all
</Location>
<Policy default>
<Limit All>
Order deny,allow
</Limit>
</Policy>
CONF
/usr/sbin/cupsd -f -c "$cups/conf/cupsd.conf" -s "$cups/conf/cups-files.conf" & pids+=($!)
export CUPS_SERVER=$cups/cups.sock
until lpstat -r >/dev/null 2>&1; do sleep 0.1; done

# The printer application on a free loopback port.
server_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
places=(-o "state-directory=$work/state" -o "spool-directory=$work/spool" -o "socket-directory=$work/sock")
"$server" server "${places[@]}" -o server-port="$server_port" -o log-file="$work/server.log" -o log-level="${SERVER_LOG_LEVEL:-warn}" & pids+=($!)
server_pid=$!
until (exec 3<>"/dev/tcp/127.0.0.1/$server_port") 2>/dev/null; do sleep 0.05; done
"$server" add "${places[@]}" -d nvx -v "socket://127.0.0.1:$printer_port" -m oki_c711wt
lpadmin -h "$cups/cups.sock" -p shop -E -v "ipp://127.0.0.1:$server_port/ipp/print/nvx" -m everywhere
until [ -s "$cups/conf/ppd/shop.ppd" ]; do sleep 0.1; done
lpadmin -h "$cups/cups.sock" -p raw -E -v "socket://127.0.0.1:$printer_port"

arrivals() { [ -f "$work/arrived" ] && wc -l <"$work/arrived" || echo 0; }
# Seconds from the command to the last byte of the job it sends.
to_last_byte() {
  local before start
  before=$(arrivals)
  start=$(date +%s.%N)
  "$@" >/dev/null
  until [ "$(arrivals)" -gt "$before" ]; do sleep 0.01; done
  awk -v s="$start" 'END {printf "%.3f\n", $1 - s}' "$work/arrived"
}
# CUPS learns that a job it sent is done a poll later (up to a second): each
# timed job starts with the queues idle, so it is not timed waiting for the last.
wait_idle() { while [ -n "$(lpstat -h "$cups/cups.sock" -o)" ]; do sleep 0.05; done; }
median() { sort -n | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
rss_kib() { awk '/^VmRSS/ {print $2}' "/proc/$server_pid/status"; }

echo "timing $runs jobs of each kind (one warm-up each)"
to_last_byte lp -h "$cups/cups.sock" -d shop "$photo" >/dev/null
to_last_byte "$nvxprint" print "$photo" --printer raw >/dev/null
for ((i = 0; i < runs; i++)); do
  wait_idle
  to_last_byte lp -h "$cups/cups.sock" -d shop "$photo"
done | median >"$work/server.t"
for ((i = 0; i < runs; i++)); do
  wait_idle
  to_last_byte "$nvxprint" print "$photo" --printer raw
done | median >"$work/direct.t"
wait_idle
rss_between=$(rss_kib)

echo "$queued jobs queued at once"
before=$(arrivals)
start=$(date +%s.%N)
for ((i = 0; i < queued; i++)); do lp -h "$cups/cups.sock" -d shop "$photo" >/dev/null; done
peak=0
until [ "$(arrivals)" -ge $((before + queued)) ]; do
  kib=$(rss_kib)
  ((kib > peak)) && peak=$kib
  sleep 0.2
done
rss_after=$(rss_kib)

tail -n "$queued" "$work/arrived" | awk -v s="$start" -v srv="$(cat "$work/server.t")" \
  -v direct="$(cat "$work/direct.t")" -v between="$rss_between" -v after="$rss_after" \
  -v peak="$peak" -v n="$queued" '
  function verdict(ok) { return ok ? "met" : "MISSED" }
  { t[NR] = $1 }
  END {
    for (i = 2; i <= NR; i++) { gap = t[i] - t[i - 1]; sum += gap; sq += gap * gap }
    mean = sum / (NR - 1); sd = sqrt(sq / (NR - 1) - mean * mean)
    printf "\nsummary (median of the timed jobs, A4 at 300 dpi)\n"
    printf "  lp -> server -> last byte          %6.3f s\n", srv
    printf "  nvxprint print --printer -> last byte %6.3f s\n", direct
    printf "  ratio                              %6.2f  (target at most 1.3)  %s\n", srv / direct, verdict(srv / direct <= 1.3)
    printf "  server RSS between jobs            %6.1f MiB (target under 50)  %s\n", between / 1024, verdict(between < 50 * 1024)
    printf "  %d queued jobs: %.1f s, %.3f s apart (sd %.3f); RSS after %.1f MiB (was %.1f, peak %.1f)  %s\n",
      n, t[NR] - s, mean, sd, after / 1024, between / 1024, peak / 1024,
      verdict(after <= between * 1.1 + 1024)
  }'
