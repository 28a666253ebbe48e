#!/usr/bin/env bash
# The real show over crafted files among photos, on an X server of its own
# (Xvfb, 1920 x 1080): five 12-megapixel photos of distinct colours with,
# between them, tiny files that ask a decoder for gigabytes (a HEIC grid and
# HEIC parameter sets larger than their size boxes, a one-scan progressive
# JPEG of 32 000 x 32 000, a PNG chunk claiming 2 GB) and, in the second
# run, the costliest WebP the limits let through. The centre of the screen
# is read every 10 ms: each photo's time on screen is printed beside the
# pause, and the show's peak resident size beside its ceiling.
#   bench/run_hostile_show_bench.sh [BUILD_DIR] [WORK_DIR] [PAUSE_MS] [DISPLAY_NUMBER]
# BUILD_DIR (default build-bench) is configured as a release build; WORK_DIR
# (default /tmp/luminodrift-hostile-bench) keeps the generated files;
# PAUSE_MS (default 3000) is the pause of effect 0; DISPLAY_NUMBER (default
# 72) is the Xvfb display.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build-bench}"
work="${2:-/tmp/luminodrift-hostile-bench}"
pause="${3:-3000}"
dnum="${4:-72}"
command -v Xvfb >/dev/null || { echo "Xvfb missing (package xvfb)" >&2; exit 1; }

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLD_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target luminodrift luminodrift-catalogue ld_show_bench ld_screen_bench >/dev/null
rm -rf "$work" && mkdir -p "$work/all"
"$build/bench/ld_show_bench" hostile "$work/all"
mkdir -p "$work/issue"
cp "$work"/all/* "$work/issue/" && rm "$work"/issue/*.webp

echo "== $(uptime)"
echo "== each file decoded alone for 1920 x 1080, in a process of its own"
"$build/bench/ld_show_bench" decodeeach "$work"/all/* 2>/dev/null

tmp="$(mktemp -d)"
Xvfb ":$dnum" -screen 0 1920x1080x24 -noreset -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -rf "$tmp"' EXIT
export DISPLAY=":$dnum"
for _ in $(seq 100); do [ -S "/tmp/.X11-unix/X$dnum" ] && break; sleep 0.05; done

for set in issue all; do
  # Data and settings of the run in a temporary directory: photos in name
  # order, effect 0, the given pause.
  export HOME="$tmp/$set/home" XDG_DATA_HOME="$tmp/$set/data" XDG_CONFIG_HOME="$tmp/$set/config"
  mkdir -p "$HOME" "$XDG_DATA_HOME/LuminoDrift" "$XDG_CONFIG_HOME"
  printf '%s\r\n' "$work/$set" >"$XDG_DATA_HOME/LuminoDrift/luminodrift.rep"
  printf 'CheckBox_rnd.Checked = false\r\ndt0_a = %s\r\nRdg1.ItemIndex = 0\r\n' "$pause" \
    >"$XDG_DATA_HOME/LuminoDrift/luminodrift_var.prm"
  "$build/luminodrift-catalogue" rebuild >/dev/null
  count=$(find "$work/$set" -type f | wc -l)
  seconds=$(((count + 2) * (pause + 1000) / 1000 + 4))
  echo
  echo "== the show over $work/$set ($count files, pause $pause ms, $seconds s watched)"
  "$build/bench/ld_screen_bench" watch "$seconds" "$build/luminodrift" 2>"$tmp/$set.err" >"$tmp/$set.out"
  # Each stretch of one colour at the centre: its start, its length, and
  # whose colour it is (the photos are green, blue, yellow, cyan, purple;
  # an undecodable picture is red).
  awk -v pause="$pause" '
    function name(r, g, b) {
      if (r > 200 && g < 60 && b < 60) return "red (undecodable)"
      if (r < 80 && g > 130 && b < 100) return "photo0 (green)"
      if (r < 80 && g < 120 && b > 160) return "photo1 (blue)"
      if (r > 180 && g > 170 && b < 90) return "photo2 (yellow)"
      if (r < 80 && g > 160 && b > 160) return "photo3 (cyan)"
      if (r > 120 && g < 100 && b > 160) return "photo4 (purple)"
      return sprintf("other %d,%d,%d", r, g, b)
    }
    /^change/ { t[n] = $2; c[n] = name($3, $4, $5); n++ }
    /^peak/ { peak = $2 }
    END {
      worst = 0
      for (i = 0; i < n; i++) {
        len = (i + 1 < n) ? t[i + 1] - t[i] : -1
        printf "  %8.0f ms  %-22s %s\n", t[i], c[i], len < 0 ? "(until the end)" : sprintf("%6.0f ms on screen", len)
        if (c[i] ~ /^photo/ && len > worst) worst = len
      }
      printf "  longest time a photo stayed: %.0f ms   pause + 2 s: %d ms   %s\n", worst, pause + 2000, worst <= pause + 2000 ? "met" : "NOT met"
      printf "  peak resident size of the show: %.0f MB   goal at most 400 MB   %s\n", peak, peak <= 400 ? "met" : "NOT met"
    }' "$tmp/$set.out"
  echo "  the program said:"
  sed 's/^/    /' "$tmp/$set.err" | head -20
done
