#!/bin/bash
# Gang sheets: the time to arrange 200 designs, the sheets and area used for
# 100 random designs on A3 against plain MaxRects-BSSF, and an A3 sheet of 20
# designs at 300 dpi composed and printed against `nvxprint print` of one A3
# image at 300 dpi on the same A3 model (Pro8432WT), in time and in peak
# memory. See bench/README.md.
#
#   bench/run_sheet_benchmark.sh [BUILD_DIR]    (default: build-bench)
#
# Environment: RUNS (timed pairs of the two commands, default 3), KEEP=1 keeps the
# temporary folder.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build-bench}" && pwd)
runs=${RUNS:-3}

nvxprint=$build/bin/nvxprint
pack=$build/bin/nvx_bench_sheet_pack
for program in "$nvxprint" "$pack"; do
  if [ ! -x "$program" ]; then
    echo "missing $program: build the targets nvxprint nvx_bench_sheet_pack" >&2
    exit 2
  fi
done

# shellcheck source=bench/common.sh
source "$repo/bench/common.sh"

echo "arrangement"
"$pack" | sed 's/^/  /'

# Twenty designs from the sample photograph, 35 to 95 mm a side at 300 dpi,
# with seeded noise so they decode like artwork rather than flat colour.
echo "making 20 designs and an A3 photograph at 300 dpi"
items=()
largest=0
for i in $(seq 0 19); do
  w=$(((35 + (i * 37) % 61) * 300 * 10 / 254))
  h=$(((35 + (i * 53) % 61) * 300 * 10 / 254))
  design=$work/design-$i.png
  "${convert[@]}" "$repo/data/sample.png" -resize "${w}x${h}!" -seed "$i" -attenuate 0.6 \
    +noise Gaussian -density 300 -units PixelsPerInch -depth 8 \
    -define png:exclude-chunks=date,time "PNG24:$design"
  items+=("$design")
  if ((w * h > largest)); then largest=$((w * h)); fi
done
photo=$work/a3-300dpi.png
"${convert[@]}" "$repo/data/sample.png" -resize "3508x4961!" -seed 4711 -attenuate 0.6 \
  +noise Gaussian -density 300 -units PixelsPerInch -depth 8 \
  -define png:exclude-chunks=date,time "PNG24:$photo"

sheet_cmd=("$nvxprint" sheet "${items[@]}" --model Pro8432WT --paper A3 --to "$work/sheet.prn")
print_cmd=("$nvxprint" print "$photo" --model Pro8432WT --paper A3 --to "$work/print.prn")
echo "checking both commands"
"${sheet_cmd[@]}" | sed 's/^/  sheet: /'
"${print_cmd[@]}" >/dev/null
echo "  sheet job $(stat -c %s "$work/sheet.prn") bytes, print job $(stat -c %s "$work/print.prn") bytes"

# In pairs, sheet then print, so that a change in the machine's load falls on
# both: the median wall time of each and the largest maximum resident set.
for ((i = 0; i < runs; i++)); do
  /usr/bin/time -f "%e %M" -o "$work/t" "${sheet_cmd[@]}" >/dev/null 2>&1
  cat "$work/t" >>"$work/sheet.runs"
  /usr/bin/time -f "%e %M" -o "$work/t" "${print_cmd[@]}" >/dev/null 2>&1
  cat "$work/t" >>"$work/print.runs"
done
summary() {
  sort -n "$1" | awk '{t[NR] = $1; if ($2 > m) m = $2} END {print t[int((NR + 1) / 2)], m}'
}
read -r sheet_s sheet_kib < <(summary "$work/sheet.runs")
read -r print_s print_kib < <(summary "$work/print.runs")

# The sheet's raster: A3's printable area at 300 dpi.
sheet_px=$(awk 'BEGIN {printf "%d", int((842 - 25.92) * 300 / 72) * int((1191 - 26.03) * 300 / 72)}')
awk -v ss="$sheet_s" -v ps="$print_s" -v sk="$sheet_kib" -v pk="$print_kib" \
  -v spx="$sheet_px" -v big="$largest" -v runs="$runs" 'BEGIN {
  bound = 16 * (spx + big) / 1024
  printf "\nA3 sheet of 20 designs at 300 dpi against one A3 image at 300 dpi (median of %d pairs)\n", runs
  printf "  sheet %.2f s, print %.2f s: %.2f times (target at most 1.3)\n", ss, ps, ss / ps
  printf "  peak memory: sheet %.0f MiB, print %.0f MiB\n", sk / 1024, pk / 1024
  printf "  sheet %d pixels, largest design %d pixels: 16 bytes a pixel of both is %.0f MiB; " \
         "the sheet used %.1f bytes a pixel of them\n", spx, big, bound / 1024, sk * 1024 / (spx + big)
}'
