#!/usr/bin/env bash
# Try Nodrel on this machine: installs what is missing, builds a Release nodreld and nodrel,
# prepares the folder run/ (the default settings in run/Data/Nodrel4.ini and an empty
# run/Log/) and starts nodrel there (with a display; nodreld without one) with
# "-InhibitShutdown": 6-second delays, and the power action is only simulated. Extra
# arguments are passed on to the program (for example -AllowMulti).
#
#   bash scripts/demo.sh              # safe demonstration
#   NODREL_REAL=1 bash scripts/demo.sh   # without -InhibitShutdown: the real delays and action
#
# Ctrl+C (SIGINT) ends it; the log is run/Log/Nodrel.log.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd) || exit 1
cd "$root" || exit 1

echo "== Dependencies"
bash scripts/install-deps.sh

echo "== Build (Release) into build/"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DPython3_EXECUTABLE=/usr/bin/python3
cmake --build build --target nodreld nodrel

echo "== Folder run/"
mkdir -p run/Data run/Log
if [[ ! -e run/Data/Nodrel4.ini ]]; then
  # The default settings, the same file the packages install (CR LF line ends, as the
  # program itself writes it).
  cp data/Nodrel4.ini run/Data/Nodrel4.ini
  echo "wrote run/Data/Nodrel4.ini with the default settings"
else
  echo "keeping the existing run/Data/Nodrel4.ini"
fi

args=("$@")
if [[ "${NODREL_REAL:-}" != "1" ]]; then
  args=(-InhibitShutdown "${args[@]}")
  # Belt and braces: with the system bus out of reach no power request can get anywhere.
  export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent
fi

# The desktop program where there is a display, the console one otherwise.
program=nodreld
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" && -x build/src/frontends/nodrel/nodrel ]]; then
  program=nodrel
fi
echo "== $program ${args[*]} (in run/; Ctrl+C or Exit to end)"
cd run || exit 1
exec "$root/build/src/frontends/$program/$program" "${args[@]}"
