#!/usr/bin/env bash
# The show benchmark: each figure beside its reference, measured in the same
# run on a generated 24-megapixel 4:2:0 photo-like JPEG (and the same with
# Exif orientations 5 to 8, in 4:4:4 too, and as HEIC and PNG) for a
# 1920 x 1080 screen. The load average is printed first: the machine may be
# shared, and only figures measured beside their reference in one run are
# compared.
#   bench/run_show_bench.sh [BUILD_DIR] [WORK_DIR]
# BUILD_DIR (default build-bench) is configured as a release build; WORK_DIR
# (default /tmp/luminodrift-show-bench) keeps the two generated pictures.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build-bench}"
work="${2:-/tmp/luminodrift-show-bench}"
command -v djpeg >/dev/null || { echo "djpeg missing (package libjpeg-turbo-progs)" >&2; exit 1; }

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLD_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target ld_show_bench >/dev/null
bench="$build/bench/ld_show_bench"

mkdir -p "$work"
if [ ! -s "$work/photo24.jpg" ] || [ ! -s "$work/photo24_o6.jpg" ] || [ ! -s "$work/photo24.heic" ] ||
  [ ! -s "$work/photo24.png" ] || [ ! -s "$work/photo24_444_o8.jpg" ]; then
  "$bench" generate "$work"
fi
# Warm the cache.
cat "$work"/photo24* >/dev/null

echo "== $(uptime)"
echo "== decoding (median of 7, warm cache)"
"$bench" decode "$work"
echo
echo "== the show (a process of its own, so its peak resident size is the show's)"
# The data directories of the run are temporary: nothing of the user's files.
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
XDG_DATA_HOME="$tmp/data" XDG_CONFIG_HOME="$tmp/config" "$bench" show "$work" 2>/dev/null
