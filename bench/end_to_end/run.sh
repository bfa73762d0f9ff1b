#!/usr/bin/env bash
# End-to-end benchmark of `linkan run`: the whole process, from the data
# file to the tables, the index and the project, on the public datasets.
# For each dataset it prints the median wall time and the peak memory of
# REPEAT runs (/usr/bin/time -v), the enumeration phase (the module's debug
# timing, from one more run with LINKAN_DEBUG set; that run also writes
# every pattern to the debug channel, so its phase is an upper bound), and
# the figures of the fastest open-source miner measured on the same file
# with the same output beside them.
#
#   bench/end_to_end/run.sh [REPEAT]
#
# LINKAN: the linkan binary (default: build-release/app/linkan, built here
# when missing); DATASETS: the dataset folder (default ../shared/datasets
# beside the repository); ONLY: a regular expression, runs only the cases
# whose title matches it. Use a Release build on an idle machine.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
repeat=${1:-3}
datasets=${DATASETS:-$root/../shared/datasets}
linkan=${LINKAN:-$root/build-release/app/linkan}
if [[ ! -x $linkan ]]; then
  cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DLINKAN_BUILD_TESTS=OFF >/dev/null
  cmake --build "$root/build-release" --target linkan linkanalysis >/dev/null
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# name | data file | format | task | peer | peer seconds | peer MB
cases=(
  "retail 0.05%, minconf 0.9|retail.dat|basket|retail|eclat|0.24|23"
  "T10I4D100K 0.1%, minconf 0.9|T10I4D100K.dat|basket|T10I4D100K|eclat|0.27|25"
  "mushroom 10%, <= 10 items, minconf 0.9, 1-item heads|mushroom.dat|basket|mushroom|fpgrowth|0.48|20"
  "chess 60%, <= 10 items, minconf 0.9, 1-item heads|chess.dat|basket|chess|fpgrowth|0.02|-"
  "SIGN 15%, <= 6 itemsets|SIGN.spmf.txt|spmf|SIGN|cSPADE|0.65|12"
  "StandardSupport: zaki_synth_C10T2.5 5%, <= 6 itemsets|zaki_synth_C10T2.5.spmf.txt|spmf|zaki_5_standard|fastest open-source|1.5|-"
  "StandardSupport: zaki_synth_C10T2.5 2%, <= 6 itemsets|zaki_synth_C10T2.5.spmf.txt|spmf|zaki_2_standard|fastest open-source|6.2|-"
  "StandardSupport: SIGN 15%, <= 6 itemsets|SIGN.spmf.txt|spmf|SIGN_standard|cSPADE|0.65|12"
  "StandardSupport: LEVIATHAN 2%, <= 6 itemsets|LEVIATHAN.spmf.txt|spmf|LEVIATHAN_standard|-|-|-"
)

median() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

printf '| data, threshold | patterns, rules | linkan run s | peak MB | enumeration s | peer | peer s | peer MB | ratio |\n'
printf '|---|---|---|---|---|---|---|---|---|\n'
for c in "${cases[@]}"; do
  IFS='|' read -r title file format task peer peerSeconds peerMb <<<"$c"
  if [[ -n ${ONLY:-} && ! $title =~ $ONLY ]]; then continue; fi
  : >"$work/times"; : >"$work/rss"
  for ((i = 0; i < repeat; i++)); do
    rm -rf "$work/out"
    /usr/bin/time -v "$linkan" --progress none run "$datasets/$file" \
      --format "$format" --task "$here/$task.task.json" --out "$work/out" \
      >"$work/stdout" 2>"$work/stderr"
    awk -F': ' '/Elapsed \(wall clock\)/ {n=split($2,t,":"); s=0; for(k=1;k<=n;k++) s=s*60+t[k]; print s}' \
      "$work/stderr" >>"$work/times"
    awk -F': ' '/Maximum resident set size/ {printf "%.0f\n", $2/1024}' "$work/stderr" >>"$work/rss"
  done
  rm -rf "$work/out"
  LINKAN_DEBUG=1 "$linkan" --progress none run "$datasets/$file" --format "$format" \
    --task "$here/$task.task.json" --out "$work/out" >/dev/null 2>"$work/debug"
  awk '/TimeIt/ && /frequent pattern enumeration/ {v=$4; if ($5=="ms") v/=1000; print v}' \
    "$work/debug" >"$work/enum"
  found=$(head -1 "$work/stdout" | sed -E 's/ in [0-9.]+ s$//; s/^[^,]*, [^,]*, //')
  seconds=$(median <"$work/times")
  printf '| %s | %s | %.2f | %s | %.3f | %s | %s | %s | %sx |\n' "$title" "$found" "$seconds" \
    "$(median <"$work/rss")" "$(median <"$work/enum")" "$peer" "$peerSeconds" "$peerMb" \
    "$(awk -v a="$seconds" -v b="$peerSeconds" 'BEGIN {if (b + 0 > 0) printf "%.1f", a / b; else printf "-"}')"
done
