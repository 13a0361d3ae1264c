#!/usr/bin/env bash
# Runs a Windows program under Wine, quietly, in the build tree's private prefix:
#   scripts/wine-run.sh program.exe [arguments]
# The prefix is $WINEPREFIX when set, else wineprefix/ in the nearest folder above the
# current one that holds a CMakeCache.txt (ctest runs tests inside the build tree). A new
# prefix is set up once, under a lock, with wineboot's streams closed: Wine's background
# processes inherit them and would keep a pipe open for minutes.
set -euo pipefail

if [[ -z "${WINEPREFIX:-}" ]]; then
  dir=$PWD
  while [[ "$dir" != / && ! -f "$dir/CMakeCache.txt" ]]; do dir=$(dirname "$dir"); done
  [[ -f "$dir/CMakeCache.txt" ]] || { echo "wine-run: no build tree above $PWD" >&2; exit 125; }
  export WINEPREFIX="$dir/wineprefix"
fi
# err+module: a missing DLL is named instead of showing up as a bare exit status 53.
export WINEDEBUG=${WINEDEBUG:--all,err+module}
# No Mono or Gecko installation prompts.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
      timeout "${NODREL_WINEBOOT_SECONDS:-300}" wineboot --init </dev/null >/dev/null 2>&1 \
        || { echo "wine-run: wineboot --init failed in $WINEPREFIX" >&2; exit 125; }
    fi
  ) 9>"$WINEPREFIX.lock"
fi

exec wine "$@"
