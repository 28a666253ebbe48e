# Shell helpers shared by the benchmark scripts; sourced, not run.

# Wall time of one run in microseconds, output thrown away.
run_us() {
  local s e
  s=$(date +%s%N)
  "$@" >/dev/null 2>&1
  e=$(date +%s%N)
  echo $(((e - s) / 1000))
}
