#!/usr/bin/env bash
# Installs the build tree into a temporary prefix and runs the installed
# linkan from PATH, with the module found in PREFIX/lib: --version, and a run
# of the market basket example.
#   install_test.sh BUILD_DIR EXAMPLES_DIR
set -euo pipefail
build=$1
examples=$2
prefix=$(mktemp -d "${TMPDIR:-/tmp}/linkan-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
test -x "$prefix/bin/linkan"
test -f "$prefix/lib/liblinkanalysis.so"
test -f "$prefix/include/linkanalysis/analysis_doc.h"
export PATH="$prefix/bin:$PATH"
unset LINKAN_MODULE
linkan --version | grep -q '^linkan [0-9]'
linkan --progress none run "$examples/market_basket.csv" --task "$examples/market_basket.task.json" \
  --out "$prefix/out" >/dev/null
test -s "$prefix/out/rules.csv"
test -s "$prefix/out/index.html"
# The Python package, when built: the interpreter it was built for imports
# it from the prefix and finds the installed module.
python=$(sed -n 's/^Python_EXECUTABLE:[A-Z]*=//p' "$build/CMakeCache.txt")
package=$(find "$prefix/lib" -path '*-packages/linkanalysis/__init__.py' -print -quit)
if [ -n "$python" ] && [ -f "$build/python/linkanalysis/__init__.py" ]; then
  test -n "$package"
  PYTHONPATH=$(dirname "$(dirname "$package")") "$python" - "$examples" "$prefix" <<'PY'
import json, sys, linkanalysis as la
task = json.load(open(sys.argv[1] + "/market_basket.task.json"))
result = la.run(sys.argv[1] + "/market_basket.csv", task, progress=False)
assert la.__file__.startswith(sys.argv[2]), la.__file__
assert len(result.rules) > 0
PY
  echo "installed Python package runs"
fi
echo "installed linkan runs from PATH"
