#!/usr/bin/env bash
# Installs fuzzylite from Debian's packages, builds the release preset with the peer benchmark
# and runs it. Arguments go to the benchmark program (for example --benchmark_repetitions=10 or
# --benchmark_filter=membership). Run from anywhere; needs root (or sudo) for the install.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"

if ! dpkg -s libfuzzylite-dev >/dev/null 2>&1 || ! dpkg -s libbenchmark-dev >/dev/null 2>&1; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update
  $sudo apt-get install -y libfuzzylite-dev libbenchmark-dev
fi

cmake --preset release -DTARNWICK_PEER_BENCH=ON
cmake --build build/release --target PeerBench -j "${PEER_BUILD_JOBS:-4}"

# Repetitions interleaved at random, so that a change of load on a shared machine falls on
# both libraries alike.
if [ "$#" -eq 0 ]; then set -- --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true; fi
exec build/release/bench/peer/PeerBench "$@"
