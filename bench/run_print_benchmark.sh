#!/bin/bash
# Times `nvxprint print` on an A4 photograph at 300 dpi against the floor
# (DevIL decode + one Little CMS transform) and against ImageMagick doing the
# same conversion, measures the peak memory, and runs the preview redraw
# benchmark; then nvxprint against the floor in pairs at three page sizes
# (A4 300 dpi, A4 600 dpi, A3 600 dpi), on both cores and pinned to one, and
# the size and time of the compact job (--compact) for the sample photograph,
# an A4 photograph and A4 artwork on a transparent page. See bench/README.md.
#
#   bench/run_print_benchmark.sh [BUILD_DIR]    (default: build-bench)
#
# Environment: RUNS (timed runs of each command, default 5), PAIRS (pairs at
# each page size, default 3), SIZES=0 leaves the page sizes out, KEEP=1 keeps
# the temporary folder.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build-bench}" && pwd)
runs=${RUNS:-5}

nvxprint=$build/bin/nvxprint
floor=$build/bin/nvx_bench_floor
redraw=$build/bin/nvx_bench_preview_redraw
for program in "$nvxprint" "$floor" "$redraw"; do
  if [ ! -x "$program" ]; then
    echo "missing $program: build the targets nvxprint nvx_bench_floor nvx_bench_preview_redraw" >&2
    exit 2
  fi
done

icc=/usr/share/color/icc/ghostscript
srgb=$icc/srgb.icc
cmyk=$icc/default_cmyk.icc
for profile in "$srgb" "$cmyk"; do
  [ -r "$profile" ] || { echo "missing $profile (Debian's libgs-common)" >&2; exit 2; }
done

# shellcheck source=bench/common.sh
source "$repo/bench/common.sh"

width=2480
height=3508
pixels=$((width * height))
photo=$work/a4-300dpi.png

# The sample photograph blown up to A4 at 300 dpi, with seeded noise so the PNG
# holds photograph-like detail rather than smooth, easily compressed areas.
# No time chunks, so the same build of ImageMagick makes the same bytes.
echo "making the test photograph ($width x $height, 300 dpi)"
"${convert[@]}" "$repo/data/sample.png" -resize "${width}x${height}!" \
  -seed 4711 -attenuate 0.6 +noise Gaussian \
  -density 300 -units PixelsPerInch -depth 8 \
  -define png:exclude-chunks=date,time \
  "PNG24:$photo"
echo "  $(stat -c %s "$photo") bytes, md5 $(md5sum <"$photo" | cut -d' ' -f1)"

nvx_cmd=("$nvxprint" print "$photo" --to "$work/job.prn")
floor_cmd=("$floor" "$photo" "$cmyk")
im_cmd=("${convert[@]}" "$photo" -profile "$srgb" -profile "$cmyk" "cmyk:$work/out.raw")

# One run of each first: they must succeed, and nvxprint says which profile it used.
echo "checking the three commands"
"${nvx_cmd[@]}" 2>"$work/nvx.err" || { cat "$work/nvx.err" >&2; exit 1; }
sed 's/^/  nvxprint: /' "$work/nvx.err"
"${floor_cmd[@]}" --timing 2>&1 | sed 's/^/  floor: /'
"${im_cmd[@]}"
echo "  job $(stat -c %s "$work/job.prn") bytes, ImageMagick raw $(stat -c %s "$work/out.raw") bytes"

quote() { printf '%q ' "$@"; }

# Median wall time in seconds of each command, into the array `median`, and
# with hyperfine the mean processor time (user + system) into `cpu`.
median=()
cpu=(0 0 0)
load=$(cut -d' ' -f1 /proc/loadavg)
if command -v hyperfine >/dev/null; then
  hyperfine --warmup 1 --runs "$runs" --export-csv "$work/times.csv" \
    -n nvxprint "$(quote "${nvx_cmd[@]}")" \
    -n floor "$(quote "${floor_cmd[@]}")" \
    -n imagemagick "$(quote "${im_cmd[@]}")"
  col() { head -1 "$work/times.csv" | tr ',' '\n' | grep -nx "$1" | cut -d: -f1; }
  mapfile -t median < <(tail -n +2 "$work/times.csv" | cut -d, -f"$(col median)")
  mapfile -t cpu < <(tail -n +2 "$work/times.csv" | cut -d, -f"$(col user),$(col system)" |
    awk -F, '{print $1 + $2}')
else
  for cmd in nvx_cmd floor_cmd im_cmd; do
    declare -n args=$cmd
    for ((i = 0; i < runs; i++)); do
      /usr/bin/time -f %e -o "$work/t" "${args[@]}" 2>/dev/null
      cat "$work/t"
    done | sort -n | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}' \
      >"$work/m"
    median+=("$(cat "$work/m")")
    unset -n args
  done
fi

# Peak memory: the largest of two runs' maximum resident set.
peak_kib() {
  local peak=0 kib
  for _ in 1 2; do
    /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null 2>&1
    kib=$(tail -1 "$work/rss")
    ((kib > peak)) && peak=$kib
  done
  echo "$peak"
}
nvx_kib=$(peak_kib "${nvx_cmd[@]}")
floor_kib=$(peak_kib "${floor_cmd[@]}")
im_kib=$(peak_kib "${im_cmd[@]}")

echo
echo "preview redraw (default area 310 x 438)"
"$redraw" --benchmark_min_time=1 --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true \
  --benchmark_out="$work/redraw.csv" --benchmark_out_format=csv "$photo"
grep '^"PageRedrawAfterSliderMove[^"]*_median"' "$work/redraw.csv" | cut -d, -f3 >"$work/redraw" || true
redraw_ms=$(cat "$work/redraw")

awk -v nvx="${median[0]}" -v fl="${median[1]}" -v im="${median[2]}" \
  -v nvxc="${cpu[0]}" -v flc="${cpu[1]}" -v imc="${cpu[2]}" \
  -v load="$load" -v nvxk="$nvx_kib" -v flk="$floor_kib" -v imk="$im_kib" -v px="$pixels" -v rd="$redraw_ms" '
  function verdict(ok) { return ok ? "met" : "MISSED" }
  function line(name, wall, proc, kib) {
    printf "  %-12s %6.3f s wall  %6.3f s processor  max RSS %6.1f MiB  %5.1f bytes/pixel\n",
      name, wall, proc, kib / 1024, kib * 1024 / px
  }
  BEGIN {
    printf "\nsummary for a %d pixel photograph (wall: median; processor: mean user + system)\n", px
    line("nvxprint", nvx, nvxc, nvxk)
    line("floor", fl, flc, flk)
    line("ImageMagick", im, imc, imk)
    printf "  nvxprint / floor        %5.2f  (target at most 1.2)    %s\n", nvx / fl, verdict(nvx / fl <= 1.2)
    printf "  ImageMagick / nvxprint  %5.2f  (target at least 2.5)   %s\n", im / nvx, verdict(im / nvx >= 2.5)
    printf "  nvxprint bytes/pixel    %5.1f  (target at most 24)     %s\n", nvxk * 1024 / px, verdict(nvxk * 1024 / px <= 24)
    printf "  preview redraw         %6.2f ms (target under 15 ms)  %s\n", rd, verdict(rd != "" && rd < 15)
    if (nvxc > 0 && flc > 0) printf "  processor time, nvxprint / floor %.2f (for comparison only)\n", nvxc / flc
    printf "  load average before the timed runs: %s (other work on the machine slows nvxprint most,\n", load
    printf "  which converts on every core while the floor uses one)\n"
  }'

# ---------------------------------------------------------------------------
# Page sizes: nvxprint and the floor timed one right after the other, so both
# of a pair see the same machine; the ratio is the median of the pairs' ratios.
pairs=${PAIRS:-3}
seconds() {  # wall seconds of one run of the command
  /usr/bin/time -f %e -o "$work/t" "$@" >/dev/null 2>&1
  tail -1 "$work/t"
}
median_of() { sort -n | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

# NAME WIDTH HEIGHT DPI: a photograph of that size, timed on both cores and on one.
page_size() {
  local name=$1 w=$2 h=$3 dpi=$4 image=$work/size-$1.png
  # The noise is added at A4 300 dpi and enlarged with the picture: ImageMagick's
  # default resource limits leave it no room to add noise to an A3 page at 600 dpi.
  "${convert[@]}" "$repo/data/sample.png" -resize "${width}x${height}!" -seed 4711 \
    -attenuate 0.6 +noise Gaussian -resize "${w}x${h}!" -density "$dpi" -units PixelsPerInch \
    -depth 8 -define png:exclude-chunks=date,time "PNG24:$image"
  local nvx=("$nvxprint" print "$image" --to "$work/size.prn") fl=("$floor" "$image" "$cmyk")
  "${nvx[@]}" 2>"$work/nvx.err" || { echo "nvxprint failed on $name:" >&2; cat "$work/nvx.err" >&2; exit 1; }
  local px=$((w * h)) load
  load=$(cut -d' ' -f1 /proc/loadavg)
  for cores in both one; do
    local pin=()
    [ "$cores" = one ] && pin=(taskset -c 0)
    : >"$work/ratios" && : >"$work/nvx-t" && : >"$work/floor-t"
    for ((i = 0; i < pairs; i++)); do
      local a b
      a=$(seconds "${pin[@]}" "${nvx[@]}")
      b=$(seconds "${pin[@]}" "${fl[@]}")
      echo "$a" >>"$work/nvx-t"
      echo "$b" >>"$work/floor-t"
      awk -v a="$a" -v b="$b" 'BEGIN {print a / b}' >>"$work/ratios"
    done
    printf '  %-11s %-4s cores  nvxprint %6.2f s  floor %6.2f s  ratio %5.2f  (load %s)\n' \
      "$name" "$cores" "$(median_of <"$work/nvx-t")" "$(median_of <"$work/floor-t")" \
      "$(median_of <"$work/ratios")" "$load"
  done
  local nk fk
  nk=$(peak_kib "${nvx[@]}")
  fk=$(peak_kib "${fl[@]}")
  awk -v n="$nk" -v f="$fk" -v px="$px" -v name="$name" 'BEGIN {
    printf "  %-11s memory     nvxprint %6.1f MiB (%4.1f bytes/pixel)  floor %6.1f MiB  (target at most 6 bytes/pixel: %s)\n",
      name, n / 1024, n * 1024 / px, f / 1024, (n * 1024 / px <= 6) ? "met" : "MISSED" }'
  rm -f "$image" "$work/size.prn"
}

if [ "${SIZES:-1}" != 0 ]; then
  echo
  echo "page sizes, $pairs pairs each (targets: ratio at most 0.7 at A4 300 dpi, 0.8 at A3 600 dpi)"
  page_size a4-300dpi 2480 3508 300
  page_size a4-600dpi 4960 7016 600
  page_size a3-600dpi 7016 9920 600
fi

# The compact job against the plain one: bytes on the wire and time.
compact_job() {  # NAME IMAGE [OPTIONS...]
  local name=$1 image=$2 plain compact tp tc
  shift 2
  "$nvxprint" print "$image" "$@" --to "$work/plain.prn" 2>"$work/nvx.err" &&
    "$nvxprint" print "$image" "$@" --compact --to "$work/compact.prn" 2>"$work/nvx.err" ||
    { echo "nvxprint failed on $image:" >&2; cat "$work/nvx.err" >&2; exit 1; }
  tp=$( (for ((i = 0; i < runs; i++)); do seconds "$nvxprint" print "$image" "$@" --to "$work/plain.prn"; done) | median_of)
  tc=$( (for ((i = 0; i < runs; i++)); do seconds "$nvxprint" print "$image" "$@" --compact --to "$work/compact.prn"; done) | median_of)
  plain=$(stat -c %s "$work/plain.prn")
  compact=$(stat -c %s "$work/compact.prn")
  awk -v n="$name" -v p="$plain" -v c="$compact" -v tp="$tp" -v tc="$tc" 'BEGIN {
    printf "  %-22s plain %11d bytes %6.2f s   compact %11d bytes %6.2f s   compact/plain %5.3f\n", n, p, tp, c, tc, c / p }'
}

# Transfer artwork as it is mostly printed: a few flat shapes on a transparent
# A4 page, its background left unprinted.
artwork=$work/a4-artwork.png
"${convert[@]}" -size "${width}x${height}" xc:none -fill '#d02030' -draw "circle 1240,900 1240,300" \
  -fill '#2040c0' -draw "rectangle 400,1800 2080,2300" \
  -fill '#f0c020' -draw "polygon 1240,2500 700,3200 1780,3200" \
  -density 300 -units PixelsPerInch -define png:exclude-chunks=date,time "PNG32:$artwork"

echo
echo "compact job (--compact; target for the sample: at most 0.2 of the plain job)"
compact_job "sample.png" "$repo/data/sample.png"
compact_job "A4 300 dpi photograph" "$photo"
compact_job "A4 300 dpi artwork" "$artwork" --background-removal
