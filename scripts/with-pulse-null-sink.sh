#!/usr/bin/env bash
# Runs a command with a private PulseAudio daemon whose only sink is a null sink, and with ALSA's
# default device routed to it for that command alone:
#   scripts/with-pulse-null-sink.sh COMMAND [ARGS...]
# The null sink takes sound at real speed, so PortAudio finds a default output that behaves like a
# sound card on a machine without one. The daemon, its runtime folder and the ALSA configuration
# live in a temporary folder that is removed afterwards; the user's own files are never read or
# written. Exits 77 (the "skipped" status) when PulseAudio is not installed, otherwise with the
# command's status. TESSAVOX_PULSE_SINK names the sink while the command runs.
set -uo pipefail

if [[ $# -lt 1 ]]; then
  echo "usage: scripts/with-pulse-null-sink.sh COMMAND [ARGS...]" >&2
  exit 2
fi
if ! command -v pulseaudio >/dev/null 2>&1; then
  echo "pulseaudio is not installed (scripts/install-deps.sh installs it): skipped" >&2
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tessavox-pulse.XXXXXX")
daemon_pid=""
cleanup() {
  if [[ -n "$daemon_pid" ]]; then
    kill "$daemon_pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$daemon_pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$daemon_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$work/run" "$work/home"
chmod 700 "$work/run"
cat >"$work/home/.asoundrc" <<'ALSA'
pcm.!default { type pulse }
ctl.!default { type pulse }
ALSA

export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" PULSE_RUNTIME_PATH="$work/run/pulse"
export XDG_CONFIG_HOME="$work/home/.config"
unset PULSE_SERVER DISPLAY
# In the foreground of a background job rather than -D, so that its pid is ours to stop.
pulseaudio --daemonize=no --exit-idle-time=-1 -n --use-pid-file=no --disable-shm=no \
  --load="module-null-sink sink_name=tessavox" --load=module-native-protocol-unix \
  --log-target=file:"$work/pulseaudio.log" --log-level=error >/dev/null 2>&1 &
daemon_pid=$!

for _ in $(seq 100); do
  [[ -S "$work/run/pulse/native" ]] && break
  if ! kill -0 "$daemon_pid" 2>/dev/null; then
    echo "pulseaudio did not start:" >&2
    cat "$work/pulseaudio.log" >&2
    exit 1
  fi
  sleep 0.1
done
if [[ ! -S "$work/run/pulse/native" ]]; then
  echo "pulseaudio did not open its socket in 10 s" >&2
  exit 1
fi

export TESSAVOX_PULSE_SINK=tessavox
"$@"
