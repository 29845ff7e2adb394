#!/usr/bin/env bash
# Asks the example collector (started by scripts/run.sh) for a cursor's rows or
# a control word's answer: scripts/probe.sh NAME [PARAMETER ...]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/example-env.sh
exec build/probe "$@"
