#!/usr/bin/env bash
# Installs the Debian packages the project needs to build, test and run.
# Safe to run again: it installs only what is missing. The package
# manager's output goes to setup.log (or $LINKAN_SETUP_LOG); the terminal
# gets one line per step, and the log's end when a step fails.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config
  libboost-dev libtbb-dev libsqlite3-dev
  libcli11-dev nlohmann-json3-dev libxml2-utils
  libcairo2-dev libpango1.0-dev libpng-dev fonts-dejavu-core libpugixml-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  python3-dev python3-pybind11 python3-pandas python3-pytest
  libcpp-httplib-dev chromium chromium-driver python3-selenium
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
log=${LINKAN_SETUP_LOG:-$(cd "$(dirname "$0")/.." && pwd)/setup.log}

# Runs one step with its output in the log; on failure shows the log's end.
step() {
  local what=$1; shift
  echo "setup: $what"
  if ! "$@" >>"$log" 2>&1; then
    echo "setup: failed: $what; the end of $log:" >&2
    tail -n 20 "$log" >&2
    exit 1
  fi
}

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  : >"$log"
  step "updating the package lists (output in $log)" $SUDO apt-get update -q
  step "installing ${missing[*]}" \
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
else
  echo "setup: every package is installed"
fi
