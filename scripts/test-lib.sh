# What scripts/test.sh and scripts/check-packaging.sh share: the run's clock, its headings,
# its pass and fail counters, and the test share.
# Source it from the repository's root after setting HEADING_RULE (the headings' marker).

started=$(date +%s)
passed=0
failed=0
failures=()

# heading TITLE: a blank line, the rule, the title and the time since the start.
heading() {
  local elapsed=$(($(date +%s) - started))
  printf '\n%s %s  [%dm%02ds]\n' "$HEADING_RULE" "$1" $((elapsed / 60)) $((elapsed % 60))
}

pass() {
  echo "PASS: $1"
  passed=$((passed + 1))
}

# verdict NAME ADVICE COMMAND...: PASS when the command (its output shown) succeeds, else
# FAIL with the advice.
verdict() {
  if "${@:3}"; then pass "$1"; else fail "$1" "$2"; fi
}

# fail NAME [DETAILS]: the details are printed indented below the line.
fail() {
  echo "FAIL: $1"
  if [[ -n "${2:-}" ]]; then printf '%s\n' "$2" | sed 's/^/      /'; fi
  failed=$((failed + 1))
  failures+=("$1")
}

# Non-blank lines of the tracked files under the given paths, pictures left out.
nonblank_lines() {
  git ls-files -z -- "$@" ':!:*.png' ':!:*.ico' ':!:*.svg' | xargs -0 -r cat \
    | grep -acv '^[[:space:]]*$'
}

# The tests' share of the non-blank lines of the tests and the program (CONTRIBUTING.md).
print_test_share() {
  local tests program
  tests=$(nonblank_lines tests fuzz scripts/test.sh scripts/test-lib.sh \
    scripts/check-packaging.sh scripts/wine-run.sh .ci/run)
  program=$(nonblank_lines src CMakeLists.txt cmake packaging/windows scripts/install-deps.sh \
    scripts/windows-release.sh scripts/demo.sh)
  awk -v t="$tests" -v p="$program" \
    'BEGIN { printf "Test share: %d of %d non-blank lines (%.1f %%)\n", t, t + p, 100 * t / (t + p) }'
}
