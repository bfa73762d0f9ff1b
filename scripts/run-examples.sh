#!/usr/bin/env bash
# Sets up, builds `linkan` (Release, in build-release) and runs the main job
# on every bundled example: examples/<name>.csv with the task
# examples/<name>.task.json into out/<name>/ (the result tables as CSV,
# index.html showing them all, and the project file LinkAnalysis.dbs).
# Prints where the results are.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

JOBS=${JOBS:-$(nproc)}
echo "== build linkan (Release, build-release)"
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DLINKAN_BUILD_TESTS=OFF >/dev/null
cmake --build build-release -j "$JOBS" --target linkan
# The Python module (docs/python.md; PYTHONPATH=build-release/python), when
# pybind11 was found.
if cmake --build build-release --target help | grep -q '^linkanalysis_python:'; then
  cmake --build build-release -j "$JOBS" --target linkanalysis_python
fi
LINKAN=build-release/app/linkan

indexes=()
for task in examples/*.task.json; do
  name=$(basename "$task" .task.json)
  data=examples/$name.csv
  echo
  echo "== $name: linkan run $data --task $task --out out/$name"
  "$LINKAN" run "$data" --task "$task" --out "out/$name"
  indexes+=("out/$name/index.html")
done

echo
echo "The results (open in a browser; the tables are also CSV files beside them):"
for index in "${indexes[@]}"; do
  echo "  $(pwd)/$index"
done

echo
echo "To run linkan from anywhere, install it (bin/linkan, lib/liblinkanalysis.so):"
echo "  cmake --install build-release --prefix ~/.local    # then: linkan --help"
