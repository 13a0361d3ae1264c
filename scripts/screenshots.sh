#!/usr/bin/env bash
# Saves pictures of the desktop program nodrel into docs/screenshots/:
#   main-initialise.png   the activation delay at start
#   main-run.png          monitoring: the condition counter in orange, the load below it
#   main-countdown.png    the countdown, white on orange, only Cancel enabled
#   main-simulate.png     the message that ends a simulated power-off
#   main-test-mode.png    test mode (" - Test Mode" in the caption)
#   main-unconfigured.png settings that cannot run: "Click Configure To Set Up Nodrel"
#   about.png             the about window, counting down to its own close
#   multi-instance.png    the window a second copy shows instead of its own
#   config-master.png     the configuration window of a master
#   config-slave.png      the configuration window of a slave (its own layout)
#
# nodrel runs on a private Xvfb display (no window manager: each picture is the window's
# inside under a strip with its caption), in scratch folders, with the system bus pointed nowhere, and
# either with -InhibitShutdown (6-second delays, the power action only simulated) or with
# settings that cannot reach a countdown before the script ends it.
#
#   scripts/screenshots.sh                        # nodrel from build/
#   scripts/screenshots.sh path/to/nodrel
#
# Needs xvfb, xdotool and imagemagick (import).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
nodrel=$(realpath "${1:-$root/build/src/frontends/nodrel/nodrel}")
out=$root/docs/screenshots
[[ -x $nodrel ]] || { echo "screenshots.sh: $nodrel is not an executable; build first" >&2; exit 1; }
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshots.sh: $tool is missing (apt-get install xvfb xdotool imagemagick)" >&2; exit 1; }
done

work=$(mktemp -d /tmp/nodrel-screenshots.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# --- the display --------------------------------------------------------------------
exec 3> "$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
[[ -s $work/display ]] || { echo "screenshots.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$work/display")
export DBUS_SESSION_BUS_ADDRESS=disabled: DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent
export XDG_RUNTIME_DIR=$work/xdg LC_ALL=C
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$out"

# --- helpers ------------------------------------------------------------------------
# A scratch installation with the given settings over quiet defaults.
installation() {  # name key=value...
  local dir=$work/$1; shift
  mkdir -p "$dir/Data" "$dir/Log"
  declare -A s=([CMain]=1 [DName]=1 [IPAdd]= [Port1]=10001 [AvTime]=1 [CPUDelay]=1800
                [CPULevel]=50 [LogLevel]=3 [LogName]=Nodrel.log [LogPath]=Log/ [RunOnTop]=1
                [StartDelay]=3 [StartMin]=1 [ShutTime]=60 [ShutType]=1)
  local pair
  for pair in "$@"; do s[${pair%%=*}]=${pair#*=}; done
  {
    printf '# Nodrel Version 5.5\r\n# Configuration File\r\n\r\n[Comms]\r\n'
    for k in CMain DName IPAdd Port1; do printf '%s=%s\r\n' "$k" "${s[$k]}"; done
    printf '\r\n[Run]\r\n'
    for k in AvTime CPUDelay CPULevel LogLevel LogName LogPath RunOnTop StartDelay StartMin; do
      printf '%s=%s\r\n' "$k" "${s[$k]}"
    done
    printf '\r\n[Shutdown]\r\n'
    for k in ShutTime ShutType; do printf '%s=%s\r\n' "$k" "${s[$k]}"; done
  } > "$dir/Data/Nodrel4.ini"
  echo "$dir"
}

start() {  # folder args... ; sets $pid
  (cd "$1" && shift && exec "$nodrel" "$@") >> "$work/output.txt" 2>&1 &
  pid=$!
  pids+=("$pid")
}

# Waits until the log of the folder has a line with this event (and state).
wait_log() {  # folder event [state] [seconds]
  local log=$1/Log/Nodrel.log pattern=", +$2 +, +${3:-}" limit=${4:-20}
  for _ in $(seq $((limit * 10))); do
    grep -Eq "$pattern" "$log" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# The shown window of a process whose caption matches; waits for it.
window_of() {  # pid caption-regex
  local id
  for _ in $(seq 100); do
    id=$(xdotool search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null | head -n1 || true)
    [[ -n $id ]] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo "screenshots.sh: no window '$2' of process $1" >&2
  return 1
}

# Saves the window's inside with its caption written in a strip above it (there is no
# window manager to draw a title bar).
shot() {  # window file
  sleep 0.3  # the last repaint reaches the screen
  local caption
  caption=$(xdotool getwindowname "$1")
  import -window "$1" png:- |
    convert png:- -background '#24313f' -gravity north -splice 0x24 \
      -font Liberation-Sans -pointsize 13 -fill white -annotate +0+4 "$caption" "$out/$2"
  echo "$out/$2"
}

# The main window's buttons, from the window's layout: Exit, About, Configure, Test, Reset.
click_button() {  # window index
  xdotool mousemove --window "$1" $((9 + $2 * 106 + 49)) 87 click 1
}

# --- a master from the start through a simulated power-off --------------------------
master=$(installation master)
start "$master" -InhibitShutdown -AllowMulti
main=$(window_of "$pid" '^Nodrel$')
wait_log "$master" Start Initialise
sleep 1
shot "$main" main-initialise.png
wait_log "$master" Enter Run
sleep 2.6
shot "$main" main-run.png
if wait_log "$master" Enter 'Power Off' 30; then
  sleep 1.6
  shot "$main" main-countdown.png
  box=$(window_of "$pid" 'Simulate')
  shot "$box" main-simulate.png
  xdotool key --window "$box" Return 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
else
  # The machine is too busy for the master's condition: a slave counts its master's
  # silence instead, which no load can hold up.
  kill "$pid"
  port=$(python3 -c 'import socket; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  slave=$(installation slave CMain=2 IPAdd=127.0.0.1 "Port1=$port")
  start "$slave" -InhibitShutdown -AllowMulti
  main=$(window_of "$pid" '^Nodrel Slave$')
  wait_log "$slave" Enter 'Power Off' 30
  sleep 1.6
  shot "$main" main-countdown.png
  box=$(window_of "$pid" 'Simulate')
  shot "$box" main-simulate.png
  kill "$pid"
fi

# --- test mode, the about window and a second copy ----------------------------------
# Without -InhibitShutdown, so that the about window counts from 30; these settings cannot
# reach a countdown while the script runs (30 s activation, then 30 minutes of low load).
busy=$(installation busy StartDelay=30 CPUDelay=1800)
start "$busy" -AllowMulti
first=$pid
main=$(window_of "$first" '^Nodrel$')
wait_log "$busy" Start Initialise
kill -USR2 "$first"  # the Test button
window_of "$first" 'Test Mode$' >/dev/null
sleep 1.2
shot "$main" main-test-mode.png

click_button "$main" 1  # About
about=$(window_of "$first" '^About Nodrel$')
sleep 2.2
shot "$about" about.png
xdotool key --window "$about" Escape 2>/dev/null || true

second=$(installation second)
start "$second" -InhibitShutdown  # refused while the first copy runs
refused=$(window_of "$pid" '^Nodrel Start Up Error$')
shot "$refused" multi-instance.png
kill "$pid" "$first"

# --- settings that cannot run -------------------------------------------------------
unconfigured=$(installation unconfigured ShutType=4 IPAdd=)
start "$unconfigured" -InhibitShutdown -AllowMulti
main=$(window_of "$pid" '^Nodrel$')
sleep 1
shot "$main" main-unconfigured.png
kill "$pid"

# --- the configuration window, master and slave layout --------------------------------
# Opened from the Configure button; the settings cannot reach a countdown meanwhile.
config_shot() {  # folder caption file
  local main config
  start "$1" -AllowMulti
  main=$(window_of "$pid" "^$2\$")
  wait_log "$1" Start Initialise
  click_button "$main" 2  # Configure
  config=$(window_of "$pid" "^Configure $2\$")
  shot "$config" "$3"
  kill "$pid"
}

configured=$(installation configured StartDelay=30 CPUDelay=1800 IPAdd=127.0.0.2)
config_shot "$configured" Nodrel config-master.png

port=$(python3 -c 'import socket; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
slave=$(installation config-slave CMain=2 IPAdd=127.1.1.1 "Port1=$port" StartDelay=30 \
        CPUDelay=1800)
config_shot "$slave" 'Nodrel Slave' config-slave.png
