#!/bin/bash
# Times `nvxprint print` of an A4 PDF page of photographic artwork against the
# same page as a PNG, at 300 and 600 dpi, and measures the peak memory of
# each. See bench/README.md.
#
#   bench/run_vector_benchmark.sh [BUILD_DIR]    (default: build-bench)
#
# Environment: PAIRS (timed pairs of runs, default 3), DPIS (default "300 600"),
# KEEP=1 keeps the temporary folder.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build-bench}" && pwd)
pairs=${PAIRS:-3}
dpis=${DPIS:-300 600}

nvxprint=$build/bin/nvxprint
render=$build/libexec/nvxprint/nvxprint-render
for program in "$nvxprint" "$render"; do
  if [ ! -x "$program" ]; then
    echo "missing $program: build the targets nvxprint nvxprint-render" >&2
    exit 2
  fi
done
command -v gs >/dev/null || { echo "missing Ghostscript (gs)" >&2; exit 2; }

# shellcheck source=bench/common.sh
source "$repo/bench/common.sh"

# The photograph: seeded plasma (clouds of colour) blended with a top-to-bottom gradient,
# with fine noise, so it compresses as a photograph does, not as flat areas.
width=2480
height=3508
echo "drawing the photograph ($width x $height)"
"${convert[@]}" -seed 4711 -size "${width}x${height}" plasma:tomato-steelblue \
  \( -size "${width}x${height}" gradient:gold-navy \) \
  -compose softlight -composite -attenuate 0.5 +noise Gaussian \
  -quality 92 "$work/photo.jpg"

# The A4 page: the photograph drawn over the whole page by PostScript, written
# to PDF by Ghostscript's pdfwrite, which embeds the JPEG as it is.
cat >"$work/page.ps" <<EOF
%!PS
<< /PageSize [595.276 841.89] >> setpagedevice
/photo ($work/photo.jpg) (r) file def
gsave 595.276 841.89 scale /DeviceRGB setcolorspace
<< /ImageType 1 /Width $width /Height $height /BitsPerComponent 8
   /Decode [0 1 0 1 0 1] /ImageMatrix [$width 0 0 -$height 0 $height]
   /DataSource photo /DCTDecode filter >> image
grestore showpage
EOF
gs -q -dBATCH -dNOPAUSE --permit-file-read="$work/" -sDEVICE=pdfwrite \
  -sOutputFile="$work/page.pdf" "$work/page.ps"
echo "  PDF $(stat -c %s "$work/page.pdf") bytes"

load=$(cut -d' ' -f1 /proc/loadavg)
summary=()
for dpi in $dpis; do
  # The same page as PNG at this resolution (Ghostscript writes its dpi).
  png=$work/page-$dpi.png
  gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r"$dpi" -sOutputFile="$png" "$work/page.pdf"
  pixels=$(("$("${identify[@]}" -format '%w*%h' "$png")"))
  pdf_cmd=("$nvxprint" print "$work/page.pdf" --render-dpi "$dpi" --to "$work/pdf.prn")
  png_cmd=("$nvxprint" print "$png" --to "$work/png.prn")
  echo "at $dpi dpi: $pixels pixels, PNG $(stat -c %s "$png") bytes"
  "${pdf_cmd[@]}" 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
  "${png_cmd[@]}" 2>"$work/err" || { cat "$work/err" >&2; exit 1; }

  # Pairs of runs, PDF then PNG, so a change in the machine's load falls on both.
  : >"$work/pdf.times"
  : >"$work/png.times"
  for ((i = 0; i < pairs; i++)); do
    /usr/bin/time -f '%e %M' -o "$work/t" "${pdf_cmd[@]}" 2>/dev/null
    cat "$work/t" >>"$work/pdf.times"
    /usr/bin/time -f '%e %M' -o "$work/t" "${png_cmd[@]}" 2>/dev/null
    cat "$work/t" >>"$work/png.times"
  done
  median() { cut -d' ' -f1 "$1" | sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
  peak() { cut -d' ' -f2 "$1" | sort -n | tail -1; }
  summary+=("$dpi $pixels $(median "$work/pdf.times") $(median "$work/png.times") \
$(peak "$work/pdf.times") $(peak "$work/png.times")")
done

printf '\nsummary (wall: median of %d pairs; memory: largest max RSS of the runs)\n' "$pairs"
for row in "${summary[@]}"; do
  echo "$row"
done | awk -v load="$load" '
  function verdict(ok) { return ok ? "met" : "MISSED" }
  {
    dpi = $1; px = $2; pdf = $3; png = $4; pdfk = $5; pngk = $6
    printf "  %4d dpi  PDF %6.2f s  PNG %6.2f s  PDF / PNG %5.2f (target at most 1.5)  %s\n",
      dpi, pdf, png, pdf / png, verdict(pdf / png <= 1.5)
    printf "            PDF max RSS %7.1f MiB  %5.1f bytes/pixel (target at most 16)  %s\n",
      pdfk / 1024, pdfk * 1024 / px, verdict(pdfk * 1024 / px <= 16)
    printf "            PNG max RSS %7.1f MiB  %5.1f bytes/pixel\n", pngk / 1024, pngk * 1024 / px
  }
  END { printf "  load average before the runs: %s\n", load }'
