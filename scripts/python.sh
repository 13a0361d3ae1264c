#!/usr/bin/env bash
# Runs Debian's python3 with the helpers the tests share on its path (tests/support,
# tests/e2e, tests/win/e2e), as the test environment has them:
#   bash scripts/python.sh scripts/measure-resources.py --duration 60
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd) || exit 1
export PYTHONPATH="$root/tests/support:$root/tests/e2e:$root/tests/win/e2e${PYTHONPATH:+:$PYTHONPATH}"
exec /usr/bin/python3 "$@"
