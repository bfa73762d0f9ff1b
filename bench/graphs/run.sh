#!/usr/bin/env bash
# The pictures of `linkan run`: what each output costs and how much of it
# is drawing (cairo and pango making the SVG and the PNG, and the JSON).
#
#   1. retail at 0.5% minimum support with the 50 most frequent items
#      selected, every output that draws (the three rule charts, the cluster
#      tree, the web and rule graphs, the two association networks) and the
#      tables they go with;
#   2. a web graph of the 300 most frequent items of retail (0.1% minimum
#      support, so that their pairs are recorded).
#
# For each output: the wall time of the module's command (making the
# document and the host writing it) and the part spent drawing, from the
# "TimeIt output" lines that `linkan` prints with LINKAN_DEBUG set; the
# median of REPEAT runs. An output the module answers with a message is
# listed with that message.
#
#   bench/graphs/run.sh [REPEAT]
#
# LINKAN: the linkan binary (default: build-release/app/linkan, built here
# when missing); DATASETS: the dataset folder (default ../shared/datasets
# beside the repository). Use a Release build on an idle machine.
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
data=$datasets/retail.dat

# The N most frequent items of retail, "a | b | ...".
top_items() {
  tr -s ' ' '\n' <"$data" | grep -v '^$' | sort | uniq -c | sort -k1,1nr -k2,2n | head -"$1" |
    awk '{printf "%s%s", (NR > 1 ? " | " : ""), $2}'
}

cat >"$work/pictures.task.json" <<TASK
{"GenerateNonsequentialAssociation": 1, "Variables": {"id": "ID", "responses": ["item"]},
 "MinimumSupport": 0.005, "MinimumConfidence": 0.5,
 "SelectedItems": "$(top_items 50)",
 "Outputs": ["Summary", "SupportGraph", "ConfidenceGraph", "CorrelationGraph",
             "ClusteringGraphOfItems", "WebGraph", "RuleGraph",
             "AssociationNetwork2D", "AssociationNetwork3D"]}
TASK
cat >"$work/web300.task.json" <<TASK
{"GenerateNonsequentialAssociation": 1, "Variables": {"id": "ID", "responses": ["item"]},
 "MinimumSupport": 0.001, "MinimumConfidence": 0.9, "MaxSizeOfItemset": 2,
 "SelectedItems": "$(top_items 300)",
 "Outputs": ["WebGraph"]}
TASK

median() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

printf '| run | output | picture (px) | output s | drawing s | drawing share |\n'
printf '|---|---|---|---|---|---|\n'
for task in pictures web300; do
  : >"$work/times"
  for ((i = 0; i < repeat; i++)); do
    rm -rf "$work/out"
    LINKAN_DEBUG=1 "$linkan" --progress none run "$data" --format basket \
      --task "$work/$task.task.json" --out "$work/out" >"$work/stdout" 2>"$work/stderr"
    sed -n 's/^TimeIt output \([^:]*\): \([0-9.]*\) s, drawing \([0-9.]*\) s$/\1 \2 \3/p' \
      "$work/stderr" >>"$work/times"
  done
  total=0
  drawn=0
  for output in $(awk '{print $1}' "$work/times" | awk '!seen[$0]++'); do
    seconds=$(awk -v o="$output" '$1 == o {print $2}' "$work/times" | median)
    drawing=$(awk -v o="$output" '$1 == o {print $3}' "$work/times" | median)
    size=-
    if [[ -f $work/out/$output.png ]]; then
      size=$(file "$work/out/$output.png" | sed -E 's/.*, ([0-9]+) x ([0-9]+),.*/\1 x \2/')
    elif message=$(grep -m1 "^  $output: " "$work/stdout"); then
      size="(${message#*: })"
    fi
    total=$(awk -v a="$total" -v b="$seconds" 'BEGIN {print a + b}')
    drawn=$(awk -v a="$drawn" -v b="$drawing" 'BEGIN {print a + b}')
    printf '| %s | %s | %s | %.3f | %.3f | %s |\n' "$task" "$output" "$size" "$seconds" "$drawing" \
      "$(awk -v a="$drawing" -v b="$seconds" 'BEGIN {if (b > 0) printf "%.0f%%", 100 * a / b; else print "-"}')"
  done
  printf '| %s | all outputs | | %.3f | %.3f | %s |\n' "$task" "$total" "$drawn" \
    "$(awk -v a="$drawn" -v b="$total" 'BEGIN {if (b > 0) printf "%.0f%%", 100 * a / b; else print "-"}')"
done
