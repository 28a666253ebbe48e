#!/usr/bin/env bash
# The catalogue at a million pictures: each figure beside its reference,
# measured in the same run as interleaved repetitions (one run of each in
# turn, REPS times), warm cache, medians.
#   bench/run_catalogue_million_bench.sh [BUILD_DIR] [WORK_DIR] [REPS]
# BUILD_DIR (default build-bench) is configured as a release build; WORK_DIR
# (default /tmp/luminodrift-catalogue-bench) keeps the generated trees (100 000
# and 1 000 000 pictures, about 5 GB of small files) and catalogues between
# runs.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build-bench}"
work="${2:-/tmp/luminodrift-catalogue-bench}"
reps="${3:-7}"

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLD_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target luminodrift-catalogue ld_catalogue_bench ld_catalogue_stall_bench >/dev/null
tool="$build/luminodrift-catalogue"
bench="$build/bench/ld_catalogue_bench"
stall="$build/bench/ld_catalogue_stall_bench"
mkdir -p "$work"

# shellcheck source=timing.sh
. "$here/bench/timing.sh"
# Appends one measure to the file named $1.
add() { local f="$1"; shift; "$@" >>"$work/m.$f"; }
median() { sort -g "$work/m.$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
maxof() { sort -g "$work/m.$1" | tail -1; }
seconds() { awk -v u="$1" 'BEGIN { printf "%.3f s", u / 1e6 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { awk -v v="$1" -v g="$2" 'BEGIN { print (v <= g) ? "met" : "NOT met" }'; }
in_data() { local d="$1"; shift; XDG_DATA_HOME="$d" "$@"; }
rss_kb() { /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null 2>&1; tail -1 "$work/rss"; }
rm -f "$work"/m.*

echo "== fixtures"
"$bench" tree "$work/tree" 100000 2000
"$bench" tree "$work/tree1m" 1000000 20000

# A data directory whose list names one tree (ticked, default filters).
data_for() {
  local d="$work/data-$1"
  mkdir -p "$d/LuminoDrift"
  printf '%s\r\n' "$2" >"$d/LuminoDrift/luminodrift.rep"
  rm -f "$d/LuminoDrift/luminodrift.repflag" "$d/LuminoDrift/luminodrift_var.prm"
  echo "$d"
}
d100k=$(data_for 100k "$work/tree")
d1m=$(data_for 1m "$work/tree1m")
dstall=$(data_for stall "$work/tree1m")
# find with the predicates of the catalogue's picture test: files of more
# than 0 bytes whose extension is one of the picture extensions, in any case,
# and whose name does not start with "." and has at most 80 bytes.
# A name of more than 80 bytes matches 81 question marks and a star.
long_name="$(printf '?%.0s' $(seq 81))*"
export long_name
find_of() {
  find "$1" -type f -size +0 "(" -iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.jpe' \
    -o -iname '*.jfif' -o -iname '*.bmp' -o -iname '*.png' -o -iname '*.webp' -o -iname '*.tif' \
    -o -iname '*.tiff' -o -iname '*.heic' -o -iname '*.heif' -o -iname '*.avif' ")" ! -name '.*' \
    ! -name "$long_name"
}
export -f find_of

# The load: the catalogue of 1 000 000 entries in 20 000 directories.
dload="$work/data1m"
records="$dload/LuminoDrift/toutes_img._nf"
dirs="$dload/LuminoDrift/toutes_img_ListBox_rep.dat"
if [ "$(stat -c %s "$records" 2>/dev/null || echo 0)" != 88000000 ]; then
  XDG_DATA_HOME="$dload" "$bench" catalogue 1000000 20000
fi

# Warm every cache once.
cat "$records" "$dirs" >/dev/null
XDG_DATA_HOME="$dload" "$tool" info >/dev/null
find_of "$work/tree" | wc -l >"$work/find100k.count"
find_of "$work/tree1m" | wc -l >"$work/find1m.count"
XDG_DATA_HOME="$d100k" "$tool" rebuild >"$work/rebuild100k.line"
XDG_DATA_HOME="$d1m" "$tool" rebuild >"$work/rebuild1m.line"
XDG_DATA_HOME="$dload" "$tool" info | head -1 >"$work/info.line"

echo "== $reps interleaved repetitions"
for ((r = 1; r <= reps; r++)); do
  add cat run_us cat "$records" "$dirs"
  add info in_data "$dload" run_us "$tool" info
  add start in_data "$dload" run_us "$tool" --help
  add page "$bench" pagecost 4000
  add rss in_data "$dload" rss_kb "$tool" info
  add find100k run_us bash -c 'find_of "$0"' "$work/tree"
  add rebuild100k in_data "$d100k" run_us "$tool" rebuild
  add find1m run_us bash -c 'find_of "$0"' "$work/tree1m"
  add rebuild1m in_data "$d1m" run_us "$tool" rebuild
  XDG_DATA_HOME="$dstall" "$stall" "$work/tree1m" >"$work/stall.line"
  read -r s_ms s_turns s_count s_total s_sleeper s_cpu <"$work/stall.line"
  echo "$s_ms" >>"$work/m.stall"
  echo "$s_cpu" >>"$work/m.stallcpu"
  echo "$s_sleeper" >>"$work/m.sleeper"
  echo "$s_total" >>"$work/m.stalltotal"
  echo "  repetition $r: longest stretch $s_ms ms ($s_turns event-loop turns, $s_count entries, $s_total ms; a thread that only sleeps 4 ms: $s_sleeper ms; own processor time: $s_cpu ms)"
done

echo
echo "== results (medians of $reps interleaved repetitions, warm cache; load average: $(cut -d' ' -f1-3 /proc/loadavg))"
echo "rebuild 100k: $(cat "$work/rebuild100k.line")   find lists $(cat "$work/find100k.count")"
echo "rebuild 1M:   $(cat "$work/rebuild1m.line")   find lists $(cat "$work/find1m.count")"
echo "info:         $(cat "$work/info.line")"
fmt='%-58s %12s   %-26s %6s  %-9s %s\n'
printf "$fmt" figure measured reference ratio goal verdict
c=$(median cat) i=$(median info) r=$(ratio "$(median info)" "$(median cat)")
printf "$fmt" "load of 1000000 entries (luminodrift-catalogue info)" "$(seconds "$i")" \
  "cat of both files $(seconds "$c")" "$r" "<= 1.5" "$(verdict "$r" 1.5)"
printf "$fmt" "  (the program's start alone: luminodrift-catalogue --help)" "$(seconds "$(median start)")" \
  "" "$(ratio "$(median start)" "$c")" "" ""
printf "$fmt" "  (one fresh page of memory, written once: what the load spares by mapping the files)" \
  "$(median page) us" "" "" "" ""
mb=$(awk -v k="$(median rss)" 'BEGIN { printf "%.1f", k / 1024 }')
printf "$fmt" "peak resident size of that load" "$mb MB" "" "" "<= 100 MB" "$(verdict "$mb" 100)"
sm=$(median stall) sx=$(maxof stall) ss=$(median sleeper)
printf "$fmt" "longest time without events, rebuild+save of 1000000" "$sm ms" \
  "4 ms sleeper: $ss ms" "" "<= 16 ms" "$(verdict "$sm" 16)"
printf "$fmt" "  (worst of the $reps repetitions)" "$sx ms" "$(maxof sleeper) ms" "" "" ""
printf "$fmt" "  (the same stretch in the thread's own processor time)" "$(median stallcpu) ms" \
  "" "" "<= 16 ms" "$(verdict "$(median stallcpu)" 16)"
printf "$fmt" "  (whole rebuild and save in that program)" "$(median stalltotal) ms" "" "" "" ""
for n in 100k 1m; do
  f=$(median "find$n") b=$(median "rebuild$n") r=$(ratio "$(median "rebuild$n")" "$(median "find$n")")
  printf "$fmt" "rebuild and save, $n pictures (luminodrift-catalogue rebuild)" "$(seconds "$b")" \
    "find, same tests $(seconds "$f")" "$r" "<= 1.0" "$(verdict "$r" 1.0)"
done
