#!/usr/bin/env bash
# Checks how Nodrel installs and packages, the way CI does (scripts/test.sh calls it):
#   1. the data files: the default Nodrel4.ini, the manual pages, the polkit rule (in
#      duktape, against tests/packaging/polkit-*.js), the maintainer scripts;
#   2. a Release build for /usr with Debian's hardening flags (build-pkg/, or
#      $NODREL_PKG_BUILD) installed into a staging folder: desktop entries, metainfo and
#      the unit (systemd-analyze verify, and security --offline=true: 1.1 or lower);
#   3. the packages (cpack -G DEB): control fields, file lists (tests/packaging/<package>.files,
#      one "MODE PATH" a line), lintian without errors;
#   4. the packages extracted: the desktop launcher, and nodrel through it, on a scratch home;
#   5. the packages installed into a scratch root (dpkg --root, DPKG_ROOT): the user, the
#      folder /var/lib/nodrel, the service left off, the installed nodreld run there with
#      -InhibitShutdown and no system bus, an edited configuration kept, a purge.
# Nothing is installed into this machine's root and no service is started. Prints one
# PASS or FAIL line per check and exits non-zero when any check failed; with
# NODREL_COUNTS_FILE set, writes "PASSED FAILED" there for the caller.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd) || exit 1
cd "$root" || exit 1
HEADING_RULE=----
source scripts/test-lib.sh

BUILD=${NODREL_PKG_BUILD:-$root/build-pkg}
JOBS=${NODREL_JOBS:-2}
EXPOSURE_LIMIT=1.1

work=$(mktemp -d "${TMPDIR:-/tmp}/nodrel-packaging.XXXXXX")
cleanup() { rm -rf "$work"; }
trap cleanup EXIT

# check NAME COMMAND...: PASS when the command succeeds within 5 minutes, else FAIL
# with its output; quiet NAME COMMAND...: the same, and it may print nothing either.
check() {
  local name=$1 out
  shift
  if out=$(timeout 300 "$@" 2>&1); then pass "$name"; else fail "$name" "$out"; fi
}
quiet() {
  local name=$1 out
  shift
  if out=$(timeout 300 "$@" 2>&1) && [[ -z "$out" ]]; then pass "$name"; else fail "$name" "$out"; fi
}
# must NAME COMMAND...: nothing when the command succeeds, else FAIL with the end of its
# output, and the end of the checks (what follows needs it).
must() {
  local name=$1 out
  shift
  out=$(timeout 1800 "$@" 2>&1) || { fail "$name" "$(tail -n 40 <<<"$out")"; finish; }
}
# same NAME EXPECTED ACTUAL: PASS when the two texts are equal, else FAIL with a diff.
same() {
  if [[ "$2" == "$3" ]]; then
    pass "$1"
  else
    fail "$1" "$(diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | sed -n '1,40p')"
  fi
}
finish() {
  local elapsed=$(( $(date +%s) - started ))
  heading "Summary"
  printf 'check-packaging: %d passed, %d failed in %ds\n' "$passed" "$failed" "$elapsed"
  if [[ ${#failures[@]} -gt 0 ]]; then printf 'Failed: %s\n' "${failures[@]}"; fi
  # scripts/test.sh adds these to its totals.
  if [[ -n ${NODREL_COUNTS_FILE:-} ]]; then printf '%d %d\n' "$passed" "$failed" >"$NODREL_COUNTS_FILE"; fi
  [[ $failed -eq 0 ]]
  exit $?
}

version=$(sed -nE 's/^project\(Nodrel VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
arch=$(dpkg --print-architecture)

# ---------------------------------------------------------------------------------------
heading "Tools"
missing=$(for tool in cmake ninja cpack dpkg dpkg-deb dpkg-buildflags dpkg-shlibdeps lintian \
             desktop-file-validate appstreamcli man groff lexgrog systemd-analyze \
             systemd-sysusers systemd-tmpfiles duk gzip timeout; do
             command -v "$tool" >/dev/null 2>&1 || echo "$tool"; done)
# bash scripts/install-deps.sh installs what is missing.
same "tools present (version $version, $arch)" "" "$missing"
[[ -z "$missing" ]] || finish

# ---------------------------------------------------------------------------------------
heading "Data files"

# The default settings: the unit tests' written file (tests/data/config/written.ini, held
# there to what the program writes, its version included) without a partner. Only line 3's
# date is free.
same "data/Nodrel4.ini holds the default settings, CR LF, dated line 3" \
  "$(sed '3d; s/^IPAdd=.*\r$/IPAdd=\r/' tests/data/config/written.ini | od -An -c)" \
  "$(sed -E '3{/^# [0-9]{2}-[A-Za-z]{3}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\r$/d}' data/Nodrel4.ini | od -An -c)"

for page in data/man/nodreld.8 data/man/nodrel.1; do
  quiet "$page formats without warnings (man -l, groff -ww) and has a NAME line" sh -c \
    'LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings=all -l "$0" >/dev/null; groff -man -ww -z "$0"
     lexgrog "$0" >/dev/null' "$page"
  missing_sections=()
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS SIGNALS "EXIT STATUS" CONFIGURATION \
                 "LOG LEVELS" LINK SAFETY FILES; do
    grep -qx ".SH \"\\{0,1\\}$section\"\\{0,1\\}" "$page" || missing_sections+=("$section")
  done
  same "$page has every section" "" "${missing_sections[*]}"
done

check "polkit rule allows the 10 power actions to user nodrel only, no -ignore-inhibit (duktape)" \
  duk tests/packaging/polkit-stubs.js data/polkit/50-nodrel.rules tests/packaging/polkit-decisions.js

for script in packaging/debian/nodreld/postinst packaging/debian/nodreld/prerm \
              packaging/debian/nodreld/postrm data/desktop/nodrel-desktop.in; do
  check "$script: shell syntax (sh -n)" sh -n "$script"
done
forbidden=$(grep -nE '(systemctl|deb-systemd-helper|deb-systemd-invoke)[^#]*[[:space:]](enable|start|restart|reload-or-restart|unmask)([[:space:]]|$)' \
  packaging/debian/nodreld/* || true)
same "maintainer scripts neither enable nor start the service" "" "$forbidden"

# ---------------------------------------------------------------------------------------
heading "Build: $BUILD (Release, prefix /usr, Debian hardening flags)"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
must "configure $BUILD" cmake -S "$root" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DNODREL_TESTS=OFF -DNODREL_BENCH=OFF -DNODREL_FUZZ=OFF -DNODREL_SANITIZE=OFF \
  -DNODREL_WERROR=ON -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_CXX_FLAGS="$cxxflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags"
must "build $BUILD" cmake --build "$BUILD" -j "$JOBS"
pass "configure and build $BUILD"

# ---------------------------------------------------------------------------------------
heading "cmake --install into a staging folder"
stage=$work/stage
must "cmake --install" env DESTDIR="$stage" cmake --install "$BUILD"

unit=$stage/usr/lib/systemd/system/nodreld.service
check "installed manual pages are the data/man pages" \
  sh -c "zcat '$stage/usr/share/man/man8/nodreld.8.gz' | cmp - data/man/nodreld.8"

for entry in "$stage/usr/share/applications/nodrel.desktop" \
             "$stage/usr/share/doc/nodrel/examples/nodrel-autostart.desktop"; do
  check "${entry#"$stage"/} validates (desktop-file-validate)" desktop-file-validate "$entry"
  same "${entry#"$stage"/} starts the installed launcher" \
    "Exec=/usr/libexec/nodrel/nodrel-desktop Icon=nodrel TryExec=/usr/bin/nodrel" \
    "$(grep -E '^(Exec|TryExec|Icon)=' "$entry" | sort | tr '\n' ' ' | sed 's/ $//')"
done
metainfo=$stage/usr/share/metainfo/io.github.nodrel.Nodrel.metainfo.xml
check "metainfo validates (appstreamcli validate --no-net)" \
  appstreamcli validate --no-net "$metainfo"
same "metainfo names the configured home page" \
  "<url type=\"homepage\">$(sed -n 's/^NODREL_HOMEPAGE:STRING=//p' "$BUILD/CMakeCache.txt")</url>" \
  "$(grep -o '<url type="homepage">.*</url>' "$metainfo")"
check "metainfo, desktop entry and icon agree (appstreamcli validate-tree --no-net)" \
  appstreamcli validate-tree --no-net "$stage/usr"

# systemd-analyze checks the executable and the manual page against this machine, so
# it verifies a copy whose ExecStart points into the staging folder, with the staged
# manual pages on MANPATH.
mkdir -p "$work/unit"
sed "s|^ExecStart=/usr/sbin/nodreld|ExecStart=$stage/usr/sbin/nodreld|" "$unit" > "$work/unit/nodreld.service"
# It only warns about a value it cannot parse ("..., ignoring"), so any output fails.
MANPATH="$stage/usr/share/man:" quiet "systemd-analyze verify nodreld.service: no errors, no warnings" \
  systemd-analyze verify --man=yes "$work/unit/nodreld.service"
same "unit: program, user, folder, restart, reload, notify, watchdog and the confinement" \
  "$(printf '%s\n' 'ExecReload=/bin/kill -HUP $MAINPID' ExecStart=/usr/sbin/nodreld \
     NoNewPrivileges=yes PrivateTmp=yes ProtectSystem=strict ReadWritePaths=/var/lib/nodrel \
     Restart=on-failure 'RestrictAddressFamilies=AF_UNIX AF_INET AF_INET6' Type=notify User=nodrel \
     WantedBy=multi-user.target WatchdogSec=60 WorkingDirectory=/var/lib/nodrel)" \
  "$(grep -E '^(User|WorkingDirectory|Restart|ExecStart|ExecReload|ProtectSystem|ReadWritePaths|NoNewPrivileges|PrivateTmp|RestrictAddressFamilies|WantedBy|Type|WatchdogSec)=' "$unit" | sort)"
security=$(timeout 60 systemd-analyze security --offline=true --no-pager "$work/unit/nodreld.service" 2>&1)
exposure=$(sed -nE 's/.*Overall exposure level for nodreld.service: ([0-9.]+).*/\1/p' <<<"$security")
if [[ -n "$exposure" ]] && awk -v e="$exposure" -v l="$EXPOSURE_LIMIT" 'BEGIN { exit !(e <= l) }'; then
  pass "systemd-analyze security --offline=true: exposure $exposure (limit $EXPOSURE_LIMIT)"
  grep -E '^✗' <<<"$security" | sed 's/^/      open: /; s/ \{2,\}/  /g'
else
  fail "systemd-analyze security --offline=true: exposure ${exposure:-unknown} (limit $EXPOSURE_LIMIT)" \
    "$(tail -n 40 <<<"$security")"
fi

# ---------------------------------------------------------------------------------------
heading "Debian packages (cpack -G DEB)"
rm -rf "$BUILD/packages"
must "cpack -G DEB" env -C "$BUILD" cpack -G DEB
debs=("$BUILD/packages/nodreld_${version}_${arch}.deb" "$BUILD/packages/nodrel_${version}_${arch}.deb")
same "cpack built exactly the expected packages" \
  "$(printf '%s\n' "${debs[@]##*/}" | sort)" "$(cd "$BUILD/packages" && ls -1 ./*.deb | sed 's|^\./||' | sort)"

# What shlibdeps and the packaging must name (the C++ runtime is linked into nodreld, so
# libstdc++6 is no dependency of its own), and each package's control files.
declare -A needs=([nodreld]="systemd|dbus|libc6 (>=|libsystemd0 (>="
  [nodrel]="nodreld (= $version)|qt6-qpa-plugins|libc6 (>=|libqt6widgets6 (>=|libqt6svg6 (>=|libsystemd0 (>=")
declare -A controls=([nodreld]="conffiles control md5sums postinst postrm prerm " [nodrel]="control md5sums ")
for deb in "${debs[@]}"; do
  [[ -f "$deb" ]] || continue
  name=$(dpkg-deb -f "$deb" Package)
  listed=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $1, $2, $6 }' \
           | sed -E 's| \./| |' | sort -k3)
  wanted=$(sed -E 's/^755 /-rwxr-xr-x root\/root /; s/^644 /-rw-r--r-- root\/root /' \
           "tests/packaging/$name.files" | sort -k3)
  same "$name: file list (dpkg-deb -c), modes and owners" "$wanted" "$listed"

  depends=$(dpkg-deb -f "$deb" Depends)
  IFS='|' read -ra needed <<<"${needs[$name]}"
  absent=()
  for dep in "${needed[@]}"; do
    [[ ", $depends," == *", $dep"* ]] || absent+=("$dep")
  done
  same "$name: Depends has ${needed[*]} (shlibdeps)" "" "${absent[*]}"
  same "$name: Package, Version, Architecture, Source" "$name $version $arch nodrel" \
    "$(dpkg-deb -f "$deb" Package Version Architecture Source | sed 's/^[^:]*: //' | tr '\n' ' ' | sed 's/ $//')"
  same "$name: control files" "${controls[$name]}" \
    "$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v '^$' | sort | tr '\n' ' ')"

  lint=$(timeout 300 lintian --fail-on error --pedantic --display-info "$deb" 2>&1)
  status=$?
  lint=$(grep -v '^running with root privileges' <<<"$lint")
  errors=$(grep -c '^E:' <<<"$lint")
  if [[ $status -eq 0 && $errors -eq 0 ]]; then
    pass "$name: lintian reports no errors ($(grep -c '^W:' <<<"$lint") warnings, $(grep -c '^[IP]:' <<<"$lint") notes)"
    if [[ -n "$lint" ]]; then sed 's/^/      /' <<<"$lint"; fi
  else
    fail "$name: lintian reports no errors (status $status)" "$lint"
  fi
done

# ---------------------------------------------------------------------------------------
heading "Extracted packages (dpkg-deb -x)"
x=$work/extracted
for deb in "${debs[@]}"; do
  [[ -f "$deb" ]] && dpkg-deb -x "$deb" "$x"
done
# The launcher with its paths pointed into the extracted tree, on a scratch home: it
# makes the folder, puts the defaults there, and runs nodrel in it.
sed "s|/usr/|$x/usr/|g" "$x/usr/libexec/nodrel/nodrel-desktop" > "$work/nodrel-desktop"
home=$work/home
mkdir -p "$home"
launch() {
  env -u XDG_DATA_HOME -u NODREL_HOME HOME="$home" QT_QPA_PLATFORM=offscreen \
    timeout 10 sh "$work/nodrel-desktop" --version 2>&1
}
out=$(cd / && launch)
folder=$home/.local/share/nodrel
if [[ "$out" == "nodrel $version" && -d "$folder/Log" ]] && cmp -s "$folder/Data/Nodrel4.ini" data/Nodrel4.ini; then
  pass "launcher prepares ~/.local/share/nodrel (Data/Nodrel4.ini, Log/) and runs nodrel"
else
  fail "launcher prepares ~/.local/share/nodrel and runs nodrel" "$out$(find "$home" 2>&1)"
fi
echo "# edited" >> "$folder/Data/Nodrel4.ini"
edited=$(cat "$folder/Data/Nodrel4.ini")
out=$(launch)
same "launcher keeps an existing Data/Nodrel4.ini" "$edited" "$(cat "$folder/Data/Nodrel4.ini")"

# ---------------------------------------------------------------------------------------
heading "Installation into a scratch root (dpkg --root, DPKG_ROOT)"
R=$work/root
mkdir -p "$R/etc" "$R/var/lib/dpkg/info" "$R/var/lib/dpkg/updates"
: > "$R/var/lib/dpkg/status"
host_state() {
  getent passwd nodrel; ls -ld /var/lib/nodrel 2>/dev/null; ls /etc/systemd/system/*.wants 2>/dev/null | grep nodrel
}
host_before=$(host_state)
dpkg_root() {
  timeout 120 dpkg --root="$R" --force-script-chrootless --force-depends --force-not-root \
    --log=/dev/null "$@" 2>&1
}
if out=$(dpkg_root -i "${debs[@]}"); then
  pass "dpkg --root installs ${debs[*]##*/}"
else
  fail "dpkg --root installs the packages" "$out"
fi
user_line=$(grep '^nodrel:' "$R/etc/passwd" | cut -d: -f1,5-7)
same "user nodrel: system user, home /var/lib/nodrel, no login" \
  "nodrel:Nodrel service:/var/lib/nodrel:/usr/sbin/nologin" "$user_line"
uid=$(grep '^nodrel:' "$R/etc/passwd" | cut -d: -f3)
gid=$(grep '^nodrel:' "$R/etc/group" | cut -d: -f3)
same "user nodrel has a system uid and its own group" "system own-group" \
  "$([[ -n "$uid" && $uid -lt 1000 ]] && echo system) $([[ -n "$gid" && "$gid" == "$(grep '^nodrel:' "$R/etc/passwd" | cut -d: -f4)" ]] && echo own-group)"
state=$(cd "$R/var/lib" && find nodrel -printf '%M %U:%G %p\n' | sort -k3)
same "/var/lib/nodrel: folders, owners and modes" \
  "drwxr-x--- 0:$gid nodrel
drwxr-x--- 0:$gid nodrel/Data
-rw-r--r-- 0:0 nodrel/Data/Nodrel4.ini
drwxr-x--- $uid:$gid nodrel/Log" "$state"
check "/var/lib/nodrel/Data/Nodrel4.ini holds the default settings" \
  cmp data/Nodrel4.ini "$R/var/lib/nodrel/Data/Nodrel4.ini"
same "service not enabled or started by the package" "" \
  "$(find "$R" -path "$R/usr" -prune -o -name 'nodreld.service' -print 2>/dev/null)"

# The installed nodreld in the installed folder: safe mode, the bus out of reach.
run_log=$R/var/lib/nodrel/Log/Nodrel.log
isolate=()
if [[ $(id -u) -eq 0 ]] && unshare --net true 2>/dev/null; then isolate=(unshare --net); fi
(cd "$R/var/lib/nodrel" && DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent \
   exec "${isolate[@]}" "$R/usr/sbin/nodreld" -InhibitShutdown -AllowMulti \
   >"$work/nodreld.out" 2>&1) &
pid=$!
timeout 10 sh -c 'until grep -qE ", +Enter +, Run " "$0" 2>/dev/null; do sleep 0.1; done' "$run_log"
kill -TERM "$pid" 2>/dev/null
wait "$pid"
status=$?
if [[ $status -eq 0 ]] && grep -qE ', +Enter +, Run ' "$run_log" && grep -qE ', +Exit +, Run ' "$run_log"; then
  pass "installed nodreld runs on the installed settings (Start, Enter Run, Exit on SIGTERM, status 0)"
else
  fail "installed nodreld runs on the installed settings (status $status)" \
    "$(cat "$work/nodreld.out" "$run_log" 2>&1 | tail -n 30)"
fi

sed -i 's/^CPULevel=20\r$/CPULevel=30\r/' "$R/var/lib/nodrel/Data/Nodrel4.ini"
edited=$(od -c "$R/var/lib/nodrel/Data/Nodrel4.ini")
if out=$(dpkg_root -i "${debs[@]}"); then
  same "reinstalling keeps the edited Data/Nodrel4.ini" "$edited" "$(od -c "$R/var/lib/nodrel/Data/Nodrel4.ini")"
else
  fail "dpkg --root reinstalls the packages" "$out"
fi
names=(nodrel nodreld)
out=$(dpkg_root -r "${names[@]}")
same "removing keeps the settings" "$edited" "$(od -c "$R/var/lib/nodrel/Data/Nodrel4.ini" 2>&1)"
out=$(dpkg_root -P "${names[@]}")
same "purging deletes /var/lib/nodrel and every packaged file" "" \
  "$(ls -d "$R/var/lib/nodrel" 2>/dev/null; cd "$R" && find usr ! -type d 2>/dev/null)"
same "this machine's users, /var/lib and units untouched" "$host_before" "$(host_state)"

finish
