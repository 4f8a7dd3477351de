# Sourced by the benchmark scripts: ImageMagick and a private work folder.

# The real ImageMagick, not a wrapper script in front of it.
if command -v magick >/dev/null; then
  convert=(magick)
  identify=(magick identify)
elif [ -x /usr/bin/convert ]; then
  convert=(/usr/bin/convert)
  identify=(/usr/bin/identify)
else
  convert=(convert)
  identify=(identify)
fi

# A temporary folder (kept with KEEP=1) holding nvxprint's settings, which
# start fresh, and a fixed job date.
work=$(mktemp -d "${TMPDIR:-/tmp}/nvx-bench.XXXXXX")
if [ "${KEEP:-0}" != 1 ]; then trap 'rm -rf "$work"' EXIT; fi
export XDG_CONFIG_HOME=$work/config
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-1700000000}
export LC_ALL=C
mkdir -p "$XDG_CONFIG_HOME"
