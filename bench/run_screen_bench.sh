#!/usr/bin/env bash
# The on-screen benchmark: gap between pictures, zoom frames and start to the
# first picture, each seen on an X server of its own (Xvfb, 1920 x 1080) by
# X DAMAGE events, beside its reference measured in the same run.
#   bench/run_screen_bench.sh [BUILD_DIR] [WORK_DIR] [REPS] [DISPLAY_NUMBER]
# BUILD_DIR (default build-bench) is configured as a release build; WORK_DIR
# (default /tmp/luminodrift-screen-bench) keeps the generated 24-megapixel
# JPEGs, a tree of 100 000 links to one of them and its saved catalogue;
# REPS (default 7) starts of each program, taken in turn; DISPLAY_NUMBER
# (default 71) is the Xvfb display.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build-bench}"
work="${2:-/tmp/luminodrift-screen-bench}"
reps="${3:-7}"
dnum="${4:-71}"
command -v Xvfb >/dev/null || { echo "Xvfb missing (package xvfb)" >&2; exit 1; }

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLD_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target luminodrift luminodrift-catalogue ld_show_bench ld_screen_bench >/dev/null
screen="$build/bench/ld_screen_bench"
mkdir -p "$work"
if [ ! -s "$work/photo24.jpg" ] || [ ! -s "$work/photo24_o6.jpg" ]; then
  "$build/bench/ld_show_bench" generate "$work" >/dev/null
fi

# Every data and settings file of the run is in a temporary directory.
tmp="$(mktemp -d)"
Xvfb ":$dnum" -screen 0 1920x1080x24 -noreset -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -rf "$tmp"' EXIT
export DISPLAY=":$dnum"
for _ in $(seq 100); do [ -S "/tmp/.X11-unix/X$dnum" ] && break; sleep 0.05; done
export HOME="$tmp/home" XDG_DATA_HOME="$tmp/data" XDG_CONFIG_HOME="$tmp/config" XDG_CACHE_HOME="$tmp/cache"
mkdir -p "$HOME" "$XDG_DATA_HOME/LuminoDrift" "$XDG_CONFIG_HOME"

# The start: a saved catalogue of 100 000 pictures (links to the upright
# 24-megapixel JPEG in 1 000 directories), built by luminodrift-catalogue
# from the directory list, with the default settings (random order, effect 0).
tree="$work/tree100k"
if [ "$(find "$tree" -type l 2>/dev/null | wc -l)" != 100000 ]; then
  "$screen" tree "$tree" "$work/photo24.jpg" 100000 1000
fi
printf '%s\r\n' "$tree" >"$XDG_DATA_HOME/LuminoDrift/luminodrift.rep"
"$build/luminodrift-catalogue" rebuild >/dev/null
"$build/luminodrift-catalogue" info | head -2
cat "$work/photo24.jpg" "$XDG_DATA_HOME"/LuminoDrift/toutes_img* >/dev/null

feh=""
command -v feh >/dev/null && feh=feh
echo "== $reps starts of each, in turn"
rm -f "$tmp"/m.*
for ((r = 1; r <= reps; r++)); do
  read -r _ first pic < <("$screen" start "$build/luminodrift")
  echo "$pic" >>"$tmp/m.ld"
  echo "$first" >>"$tmp/m.ldfirst"
  line="  $r: luminodrift first drawing $first ms, picture $pic ms"
  if [ -n "$feh" ]; then
    read -r _ ffirst fpic < <("$screen" start feh -r -F "$tree")
    echo "$fpic" >>"$tmp/m.feh"
    line="$line; feh -r -F first drawing $ffirst ms, picture $fpic ms"
  fi
  echo "$line"
done

echo "== the show and its zoom"
gapout=$("$screen" gap "$work" 40 300)
read -r _ gmed gmax gn gpaint <<<"$(grep '^gap ' <<<"$gapout")"
read -r _ rmed rmax rn <<<"$(grep '^gapref ' <<<"$gapout")"
zoomout=$("$screen" zoom "$work")
read -r _ zmed zn <<<"$(grep '^zoom ' <<<"$zoomout")"
read -r _ zrmed zrn <<<"$(grep '^zoomref ' <<<"$zoomout")"

median() { sort -g "$tmp/m.$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
verdict() { awk -v v="$1" -v g="$2" 'BEGIN { print (v >= 0 && v <= g) ? "met" : "NOT met" }'; }
echo
echo "== results on Xvfb 1920 x 1080 (load average: $(cut -d' ' -f1-3 /proc/loadavg))"
fmt='%-62s %10s   %-40s %-9s %s\n'
printf "$fmt" figure measured reference goal verdict
printf "$fmt" "gap: end of pause to new picture's damage, median of $gn" "$gmed ms" \
  "bare Qt window, update() to damage: $rmed ms" "<= 10 ms" "$(verdict "$gmed" 10)"
printf "$fmt" "gap: the same, maximum" "$gmax ms" "bare Qt window: $rmax ms" "<= 25 ms" \
  "$(verdict "$gmax" 25)"
printf "$fmt" "  (end of pause to the end of its paintEvent, median)" "$gpaint ms" "" "" ""
printf "$fmt" "zoom to 32 tenths: frame-to-frame damage interval, median" "$zmed ms" \
  "bare Qt window, redrawing: $zrmed ms" "<= 8 ms" "$(verdict "$zmed" 8)"
printf "$fmt" "  (frames seen)" "$zn" "$zrn" "" ""
ld=$(median ld)
if [ -n "$feh" ]; then ref="feh -r -F, same tree: $(median feh) ms"; else ref="feh not installed"; fi
printf "$fmt" "start (fork) to first picture on screen, 100000 catalogued" "$ld ms" "$ref" \
  "<= 200 ms" "$(verdict "$ld" 200)"
printf "$fmt" "  (start to the window's first drawing, median)" "$(median ldfirst) ms" "" "" ""
