#!/usr/bin/env bash
# Builds and tests Nodrel the way CI does, on a fresh Debian 12 machine or a ready one:
#   1. installs what is missing (scripts/install-deps.sh); checks the format, that the core
#      holds no system-specific code and its layers (scripts/check-layers.py);
#   2. build/       RelWithDebInfo: unit, widget and integration tests (2 at a time), then
#                   the end-to-end tests (e2e.*) one after another;
#   3. build-win/   the Windows programs (mingw-w64), their tests under Wine, the release
#                   and the link with build/'s nodreld;
#   4. build-asan/  Debug with AddressSanitizer and UndefinedBehaviorSanitizer: all tests again;
#   5. build-fuzz/  clang with libFuzzer (when installed): every fuzz_* target for
#                   NODREL_FUZZ_SECONDS (60) on a corpus seeded from fuzz/corpus/<target>/
#                   (fuzz_config also from tests/data/config);
#   6. build-pkg/   Release for /usr: scripts/check-packaging.sh.
# Every tree is built with warnings as errors (NODREL_WERROR=ON, which a user's build leaves
# off). Every stage runs even when an earlier one found failing tests; a build that fails stops
# the run at once. The exit status is non-zero when anything failed.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd) || exit 1
cd "$root" || exit 1
HEADING_RULE='===================='
source scripts/test-lib.sh

FUZZ_SECONDS=${NODREL_FUZZ_SECONDS:-60}
JOBS=${NODREL_JOBS:-2}
# Debian's interpreter, which has the D-Bus modules the end-to-end tests import.
PYTHON=/usr/bin/python3

die() { echo "test.sh: $*" >&2; exit 1; }

# ctest with the given arguments; adds its counts to the totals. The output is kept so
# its closing summary ("100% tests passed, 0 tests failed out of N") can be read back.
run_ctest() {
  local label=$1 out status bad total
  shift
  out=$(mktemp)
  ctest --output-on-failure "$@" 2>&1 | tee "$out"
  status=${PIPESTATUS[0]}
  read -r bad total < <(sed -nE 's/.*tests passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1 \2/p' \
    "$out" | tail -n 1)
  rm -f "$out"
  if [[ -n "${total:-}" ]]; then
    passed=$((passed + total - bad))
    failed=$((failed + bad))
  elif [[ $status -ne 0 ]]; then
    failed=$((failed + 1))
  fi
  if [[ $status -ne 0 ]]; then failures+=("$label"); fi
}

configure_tree() { cmake -S . -B "$1" -G Ninja -DNODREL_WERROR=ON "${@:2}" || die "configuring $1 failed"; }
build_tree() { cmake --build "$1" -j "$JOBS" "${@:2}" || die "building $1 failed"; }

# Unit, widget and integration tests two at a time, then the end-to-end tests alone (they
# start nodreld and time it).
test_tree() {
  local dir=$1
  run_ctest "$dir unit and integration tests" --test-dir "$dir" -j "$JOBS" -E '^e2e\.'
  if ctest --test-dir "$dir" -N -R '^e2e\.' | grep -q 'Total Tests: [1-9]'; then
    run_ctest "$dir end-to-end tests" --test-dir "$dir" -R '^e2e\.'
  else
    echo "(no end-to-end tests in $dir)"
  fi
}

heading "Dependencies"
bash scripts/install-deps.sh || die "installing the dependencies failed"

heading "Format: every C++ file as .clang-format says"
verdict "format: all C++ files follow .clang-format" "run clang-format -i on the files named above" \
  sh -c "git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror"

heading "Core: standard C++ only, no system-specific code in the core's folders"
core_dirs=(src/app src/common src/config src/cpu src/link src/log src/shutdown src/ui)
verdict "core: no _WIN32 in ${core_dirs[*]}" \
  "move the lines above into src/platform (the core never asks which system it is on)" \
  sh -c '! grep -rn _WIN32 "$@"' sh "${core_dirs[@]}"

heading "Layers: the core's folders include one another only downwards"
verdict "layers" "include only from the folders below (the order is in scripts/check-layers.py)" \
  "$PYTHON" scripts/check-layers.py

heading "Build: build/ (RelWithDebInfo, warnings as errors)"
configure_tree build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNODREL_SANITIZE=OFF -DNODREL_FUZZ=OFF \
  -DPython3_EXECUTABLE="$PYTHON"
build_tree build

heading "Tests: build/"
test_tree build

# Windows: cross-compiled with mingw-w64, every test under Wine in the tree's own prefix,
# with one persistent wineserver for the stage (each program then starts in ~0.03 s instead
# of ~2.5 s). wineboot gets no streams: Wine's background processes inherit them.
heading "Build: build-win/ (mingw-w64, RelWithDebInfo, warnings as errors)"
configure_tree build-win -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake -DNODREL_BENCH=OFF \
  -DNODREL_LINUX_NODRELD="$root/build/src/frontends/nodreld/nodreld"
build_tree build-win

heading "Tests: build-win/ (under Wine)"
win_started=$(date +%s)
export WINEPREFIX="$root/build-win/wineprefix" WINEDEBUG=-all,err+module \
  WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
# wineboot returns before a new prefix is ready; its server ends once the set-up is done.
timeout 300 wineboot --init </dev/null >/dev/null 2>&1 || echo "test.sh: wineboot --init failed"
timeout 300 wineserver -w </dev/null >/dev/null 2>&1 || echo "test.sh: the prefix's set-up did not end"
wineserver -p </dev/null >/dev/null 2>&1
# The first program a fresh wineserver runs starts Wine's services, which inherit its
# streams and would hold ctest's pipe open until its listing times out. Each test program
# lists its cases here first, with no streams, under a time limit.
for program in build-win/tests/win/nodrel_*_tests.exe; do
  timeout 150 wine "$program" --gtest_list_tests </dev/null >/dev/null 2>&1 \
    || echo "test.sh: warming the prefix with $program took too long"
done
test_tree build-win
wineserver -k || true
unset WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
echo "Windows stage: $(( ($(date +%s) - win_started) / 60 ))m$(( ($(date +%s) - win_started) % 60 ))s of tests"

heading "Build: build-asan/ (Debug, AddressSanitizer + UndefinedBehaviorSanitizer)"
# Another home page than the default, so the widget tests see the build's choice arrive.
configure_tree build-asan -DCMAKE_BUILD_TYPE=Debug -DNODREL_SANITIZE=ON -DNODREL_FUZZ=OFF \
  -DPython3_EXECUTABLE="$PYTHON" -DNODREL_HOMEPAGE=https://example.org/nodrel-asan
build_tree build-asan

heading "Tests: build-asan/"
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0} \
UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
  test_tree build-asan

mapfile -t fuzzers < <(cd fuzz && ls fuzz_*.cpp 2>/dev/null | sed 's/\.cpp$//')
if ! command -v clang++ >/dev/null 2>&1; then
  heading "Fuzz: skipped (clang++ is not installed)"
elif [[ ${#fuzzers[@]} -eq 0 ]]; then
  heading "Fuzz: skipped (no fuzz/fuzz_*.cpp)"
else
  heading "Build: build-fuzz/ (clang, libFuzzer): ${fuzzers[*]}"
  configure_tree build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DNODREL_FUZZ=ON -DNODREL_TESTS=OFF -DNODREL_BENCH=OFF -DNODREL_SANITIZE=OFF
  # Only the targets and what they link: the front ends are no part of fuzzing.
  build_tree build-fuzz --target "${fuzzers[@]}"
  # Absolute paths: a target may work in a scratch folder of its own.
  artifacts=$root/build-fuzz/artifacts

  for name in "${fuzzers[@]}"; do
    heading "Fuzz: $name (${FUZZ_SECONDS}s)"
    corpus=$root/build-fuzz/corpus/$name
    mkdir -p "$corpus" "$artifacts"
    if [[ $name == fuzz_config ]]; then cp -n tests/data/config/* "$corpus"/ 2>/dev/null; fi
    seeds=()
    if [[ -d fuzz/corpus/$name ]]; then seeds=("$root/fuzz/corpus/$name"); fi
    log=build-fuzz/$name.log
    if "build-fuzz/fuzz/$name" -max_total_time="$FUZZ_SECONDS" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts/$name-" \
        "$corpus" "${seeds[@]}" >"$log" 2>&1; then
      tail -n 15 "$log"
      pass "$name: no crash in ${FUZZ_SECONDS}s"
    else
      tail -n 150 "$log"
      fail "fuzzing $name" "the input is in $artifacts/, the whole output in $log"
    fi
  done
fi

heading "Packaging: build-pkg/ (scripts/check-packaging.sh)"
# The checks hand their counts over in a file; without one, the run counts as one failure.
pkg_counts=$(mktemp)
NODREL_PKG_BUILD="$root/build-pkg" NODREL_JOBS="$JOBS" NODREL_COUNTS_FILE="$pkg_counts" \
  bash scripts/check-packaging.sh 2>&1
pkg_status=$?
if [[ $(cat "$pkg_counts") =~ ^([0-9]+)\ ([0-9]+)$ ]]; then
  passed=$((passed + BASH_REMATCH[1]))
  failed=$((failed + BASH_REMATCH[2]))
else
  failed=$((failed + 1))
fi
rm -f "$pkg_counts"
if [[ $pkg_status -ne 0 ]]; then
  failures+=("packaging checks")
fi

elapsed=$(( $(date +%s) - started ))
heading "Summary"
printf 'Finished in %dm%02ds.\n' $((elapsed / 60)) $((elapsed % 60))
if [[ ${#failures[@]} -gt 0 ]]; then
  printf 'Failed: %s\n' "${failures[@]}"
fi
print_test_share
# Counted over both trees' tests, the fuzz runs and the packaging checks.
echo "Total: $passed passed, $failed failed"
[[ $failed -eq 0 && ${#failures[@]} -eq 0 ]]
