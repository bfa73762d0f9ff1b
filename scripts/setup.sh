#!/usr/bin/env bash
# Installs the Debian packages the project needs to build, test and run.
# Safe to run again: it installs only what is missing.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config
  libboost-dev libtbb-dev libsqlite3-dev
  libcli11-dev nlohmann-json3-dev libpugixml-dev libxml2-utils
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  echo "setup: installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
