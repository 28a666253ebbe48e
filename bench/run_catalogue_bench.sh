#!/usr/bin/env bash
# The catalogue benchmark: each figure beside its reference, measured in the
# same run, warm cache, median of 5 runs.
#   bench/run_catalogue_bench.sh [BUILD_DIR] [WORK_DIR]
# BUILD_DIR (default build-bench) is configured as a release build; WORK_DIR
# (default /tmp/luminodrift-catalogue-bench) keeps the generated tree and
# catalogue between runs (about 1 GB of small files and 90 MB).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build-bench}"
work="${2:-/tmp/luminodrift-catalogue-bench}"
runs=5

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLD_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target luminodrift-catalogue ld_catalogue_bench ld_catalogue_stall_bench >/dev/null
tool="$build/luminodrift-catalogue"
bench="$build/bench/ld_catalogue_bench"
tree="$work/tree"
mkdir -p "$work"

# shellcheck source=timing.sh
. "$here/bench/timing.sh"
# Median of $runs runs.
median_us() {
  local i
  for ((i = 0; i < runs; i++)); do run_us "$@"; done | sort -n | sed -n "$(((runs + 1) / 2))p"
}
seconds() { awk -v u="$1" 'BEGIN { printf "%.3f s", u / 1e6 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { awk -v v="$1" -v g="$2" 'BEGIN { print (v <= g) ? "met" : "NOT met" }'; }

echo "== fixtures"
"$bench" tree "$tree" 100000 2000

# The rebuild: a data directory whose list names the tree (no flags file, so
# it is ticked; no settings file, so the default filters: all sub-directories,
# marked paths left out).
export XDG_DATA_HOME="$work/data"
mkdir -p "$XDG_DATA_HOME/LuminoDrift"
printf '%s\r\n' "$tree" >"$XDG_DATA_HOME/LuminoDrift/luminodrift.rep"
rm -f "$XDG_DATA_HOME/LuminoDrift/luminodrift.repflag" "$XDG_DATA_HOME/LuminoDrift/luminodrift_var.prm"
# The references list what the catalogue takes: regular files of more than
# 0 bytes whose extension is one of the picture extensions in any letter
# case, whose name does not start with "." and has at most 80 bytes (the
# generated tree has no links and no names with line breaks). The second
# form makes the same tests without parentheses: one regular expression for
# the extensions.
names=()
for e in jpg jpeg jpe jfif bmp png webp tif tiff heic heif avif; do
  [ ${#names[@]} -gt 0 ] && names+=(-o)
  names+=(-iname "*.$e")
done
# A name of more than 80 bytes matches 81 question marks and a star.
long_name="$(printf '?%.0s' $(seq 81))*"
find_cmd=(find "$tree" -type f -size +0 "(" "${names[@]}" ")" ! -name '.*' ! -name "$long_name")
find_loose=(find "$tree" -type f -size +0 -regextype posix-extended
  -iregex '.*\.(jpg|jpeg|jpe|jfif|bmp|png|webp|tif|tiff|heic|heif|avif)' ! -name '.*'
  ! -name "$long_name")
# Warm the cache with both.
"${find_cmd[@]}" >/dev/null
"$tool" rebuild >/dev/null
find_count=$("${find_cmd[@]}" | wc -l)
find_loose_count=$("${find_loose[@]}" | wc -l)
rebuild_line=$("$tool" rebuild)
find_us=$(median_us "${find_cmd[@]}")
find_loose_us=$(median_us "${find_loose[@]}")
rebuild_us=$(median_us "$tool" rebuild)

# The same rebuild with an exclusion file of 1 000 range lines (one block per
# directory, each leaving out three pictures).
export XDG_DATA_HOME="$work/data-excl"
mkdir -p "$XDG_DATA_HOME/LuminoDrift"
printf '%s\r\n' "$tree" >"$XDG_DATA_HOME/LuminoDrift/luminodrift.rep"
printf 'CheckBox_fic_exclusion.Checked = true\r\n' >"$XDG_DATA_HOME/LuminoDrift/luminodrift_var.prm"
rm -f "$XDG_DATA_HOME/LuminoDrift/luminodrift.repflag"
"$bench" exclusions "$tree" 2000 1000 >"$XDG_DATA_HOME/LuminoDrift/LuminoDrift_exclusion.txt"
"$tool" rebuild >/dev/null
excl_line=$("$tool" rebuild)
# The scan alone, in process and in CPU time, without and with the file.
read -r scan_ms scan_excl_ms scan_count scan_excl_count <<<"$("$bench" scan "$tree" "$XDG_DATA_HOME/LuminoDrift/LuminoDrift_exclusion.txt")"
# Rebuilds with and without the file taken in turn, so that the load of the
# machine weighs on both alike.
excl_runs=() plain_runs=()
for ((i = 0; i < runs; i++)); do
  excl_runs+=("$(XDG_DATA_HOME="$work/data-excl" run_us "$tool" rebuild)")
  plain_runs+=("$(XDG_DATA_HOME="$work/data" run_us "$tool" rebuild)")
done
excl_us=$(printf '%s\n' "${excl_runs[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
plain_us=$(printf '%s\n' "${plain_runs[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
export XDG_DATA_HOME="$work/data"

# RepairUtf8Text on a line of 1 MB.
read -r repair_ms repair_chars <<<"$("$bench" repair 1000000)"

# The load: a catalogue of 1 000 000 entries in 20 000 directories.
export XDG_DATA_HOME="$work/data1m"
records="$XDG_DATA_HOME/LuminoDrift/toutes_img._nf"
dirs="$XDG_DATA_HOME/LuminoDrift/toutes_img_ListBox_rep.dat"
if [ "$(stat -c %s "$records" 2>/dev/null || echo 0)" != 88000000 ]; then
  "$bench" catalogue 1000000 20000
fi
cat "$records" "$dirs" >/dev/null
"$tool" info >/dev/null
info_line=$("$tool" info | head -1)
cat_us=$(median_us cat "$records" "$dirs")
info_us=$(median_us "$tool" info)
/usr/bin/time -f %M -o "$work/rss" "$tool" info >/dev/null
rss_kb=$(tail -1 "$work/rss")
/usr/bin/time -f %M -o "$work/rss0" "$tool" --help >/dev/null
rss0_kb=$(tail -1 "$work/rss0")

# The longest time without processing events during a rebuild and save of
# the 100 000 pictures, as the window runs them at start-up (in a data
# directory of its own: a rebuild deletes the reset marker). The same at a
# million pictures: bench/run_catalogue_million_bench.sh.
export XDG_DATA_HOME="$work/data-stall"
mkdir -p "$XDG_DATA_HOME/LuminoDrift"
read -r stall_ms stall_turns stall_count stall_total stall_sleeper stall_cpu <<<"$("$build/bench/ld_catalogue_stall_bench" "$tree")"

echo
echo "== results (median of $runs runs, warm cache; load average: $(cut -d' ' -f1-3 /proc/loadavg))"
echo "rebuild: $rebuild_line"
echo "with exclusions: $excl_line (scan: $scan_count pictures without, $scan_excl_count with)"
echo "find lists $find_count pictures ($find_loose_count without parentheses)"
echo "info:    $info_line"
printf '%-44s %12s   %-22s %7s  %-10s %s\n' figure measured reference ratio goal verdict
r=$(ratio "$rebuild_us" "$find_us")
printf '%-44s %12s   %-22s %7s  %-10s %s\n' "rebuild and save, 100000 pictures" \
  "$(seconds "$rebuild_us")" "find $(seconds "$find_us")" "$r" "<= 1.0" "$(verdict "$r" 1.0)"
r=$(ratio "$rebuild_us" "$find_loose_us")
printf '%-44s %12s   %-22s %7s  %-10s %s\n' "  the same, against find without parentheses" \
  "" "find $(seconds "$find_loose_us")" "$r" "" ""
r=$(ratio "$excl_us" "$plain_us")
printf '%-44s %12s   %-22s %7s  %-10s %s\n' "rebuild, 1000 exclusion ranges (in turn)" \
  "$(seconds "$excl_us")" "none $(seconds "$plain_us")" "$r" "<= 1.10" "$(verdict "$r" 1.10)"
r=$(ratio "$scan_excl_ms" "$scan_ms")
printf '%-44s %12s   %-22s %7s  %-10s %s\n' "scan with 1000 range lines (CPU, best of 7)" \
  "$scan_excl_ms ms" "none $scan_ms ms" "$r" "<= 1.10" "$(verdict "$r" 1.10)"
printf '%-44s %12s   %-22s %7s  %-10s %s\n' "RepairUtf8Text, one line of 1 MB" \
  "$repair_ms ms" "" "" "< 1000 ms" "$(verdict "$repair_ms" 1000)"
r=$(ratio "$info_us" "$cat_us")
printf '%-44s %12s   %-22s %7s  %-10s %s\n' "load of 1000000 entries (info)" \
  "$(seconds "$info_us")" "cat $(seconds "$cat_us")" "$r" "<= 1.5" "$(verdict "$r" 1.5)"
mb=$(awk -v k="$rss_kb" 'BEGIN { printf "%.1f", k / 1024 }')
mb0=$(awk -v k="$rss0_kb" 'BEGIN { printf "%.1f", k / 1024 }')
printf '%-44s %12s   %-22s %7s  %-10s %s\n' "peak resident size of info, 1000000 entries" \
  "$mb MB" "--help: $mb0 MB" "" "<= 100 MB" "$(verdict "$mb" 100)"
printf '%-44s %12s   %-22s %7s  %-10s %s\n' "no events, rebuild+save of 100000 (longest)" \
  "$stall_ms ms" "4 ms sleeper: $stall_sleeper ms" "" "<= 16 ms" "$(verdict "$stall_ms" 16)"
printf '%-44s %12s   %-22s %7s  %-10s %s\n' "  the same, the thread's own processor time" \
  "$stall_cpu ms" "" "" "<= 16 ms" "$(verdict "$stall_cpu" 16)"
