# Shared by the window checks on a virtual display (sourced, not run): the tools they need, a
# display of their own, waiting for windows and processes, screenshots and file digests.
# The sourcing script sets `out` (its folder for logs and pictures) before calling these.

# A sanitizer build reports leaks at exit, and a report changes the exit status the checks
# look at: the system libraries' own are left out.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lsan-suppressions.txt${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# Exits with 77 (skipped) when one of the tools is not installed.
xvfb_require() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      echo "skipped: $tool is not installed (scripts/install-deps.sh installs it)" >&2
      exit 77
    fi
  done
}

# Stops the check when one of the programs (paths under $build) has not been built.
xvfb_need_built() {
  local program
  for program in "$@"; do
    [[ -x "$build/$program" ]] || { echo "missing: $build/$program (build it first)" >&2; exit 1; }
  done
}

# Makes $out an empty folder of the check's own (an absolute path), with a temporary folder.
xvfb_fresh_out() {
  mkdir -p "$out"
  out=$(cd "$out" && pwd)
  rm -rf "${out:?}"/*
  mkdir -p "$out/tmp"
}

# Starts Xvfb on a display number of its own and exports DISPLAY; xvfb_pid is its process.
# The screen is $xvfb_screen (WIDTHxHEIGHTxDEPTH, 1024x768x24 unless the check sets it).
# The program's single-instance socket goes to a runtime folder of the check's own.
xvfb_start() {
  mkdir -p -m 700 "$out/runtime"
  export XDG_RUNTIME_DIR="$out/runtime"
  # Recovery copies of unsaved songs stay with the check too.
  mkdir -p "$out/state"
  export XDG_STATE_HOME="$out/state"
  local attempt _
  # A display number given by whoever runs the check (a shared machine hands out numbers).
  if [[ -n "${TESSAVOX_XVFB_DISPLAY:-}" ]]; then
    Xvfb ":$TESSAVOX_XVFB_DISPLAY" -screen 0 "${xvfb_screen:-1024x768x24}" -dpi 96 -nolisten tcp -noreset 2>"$out/xvfb.log" &
    xvfb_pid=$!
    export DISPLAY=":$TESSAVOX_XVFB_DISPLAY"
    for _ in $(seq 200); do
      kill -0 "$xvfb_pid" 2>/dev/null || break
      xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
      sleep 0.05
    done
    echo "Xvfb did not start on $DISPLAY (see $out/xvfb.log)" >&2
    exit 1
  fi
  # Each check names a display number of its own that no server holds, and the checks of this
  # machine start their servers one at a time (the lock is let go once the server answers, or
  # when this shell ends), so no two servers contend for one number. A server of our own that
  # still runs after answering is the only one that counts.
  # -noreset: a server whose last client leaves starts itself afresh, and drops a client that
  # connects meanwhile; a window started just after a check's last xdotool call would fail to
  # connect and abort.
  if command -v flock >/dev/null; then
    exec 8>"/tmp/tessavox-xvfb-start-$(id -u).lock"
    flock -w 120 8 || true
  fi
  local number
  for attempt in 1 2 3 4 5 6 7 8; do
    number=$((400 + (RANDOM + $$) % 500))
    if [[ -e "/tmp/.X$number-lock" || -e "/tmp/.X11-unix/X$number" ]]; then
      continue
    fi
    Xvfb ":$number" -screen 0 "${xvfb_screen:-1024x768x24}" -dpi 96 -nolisten tcp -noreset 2>"$out/xvfb.log" 8>&- &
    xvfb_pid=$!
    export DISPLAY=":$number"
    # A busy machine takes a while to have the server taking connections: wait for one.
    for _ in $(seq 300); do
      kill -0 "$xvfb_pid" 2>/dev/null || break
      if xdotool getdisplaygeometry >/dev/null 2>&1; then
        sleep 0.3
        if kill -0 "$xvfb_pid" 2>/dev/null; then
          exec 8>&-
          return 0
        fi
        break
      fi
      sleep 0.05
    done
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    sleep "0.$((RANDOM % 5 + 1))"
  done
  echo "Xvfb did not start or takes no connections (see $out/xvfb.log)" >&2
  exit 1
}

# xdotool's search stops with an X error when a window goes away while it looks, so every wait
# polls and takes a failed search for "not seen this time".

# Prints the id of the first visible window whose name matches the pattern, waiting up to
# SECONDS (30).
wait_window() {
  local deadline=$((SECONDS + ${2:-30})) w
  while ((SECONDS < deadline)); do
    w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) || true
    if [[ -n "$w" ]]; then
      echo "$w"
      return 0
    fi
    sleep 0.1
  done
  echo "no window \"$1\" within ${2:-30} s" >&2
  return 1
}

# Waits up to SECONDS (30) until no visible window's name matches the pattern (three searches
# in a row find none).
wait_window_gone() {
  local deadline=$((SECONDS + ${2:-30})) misses=0 w
  while ((SECONDS < deadline)); do
    w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) || true
    if [[ -z "$w" ]]; then
      misses=$((misses + 1))
      ((misses < 3)) || return 0
    else
      misses=0
    fi
    sleep 0.1
  done
  echo "the window \"$1\" is still there after ${2:-30} s" >&2
  return 1
}

# The name of the window, polled until it matches the pattern (up to SECONDS, 30).
wait_title() {
  local _ name=
  for _ in $(seq $((${3:-30} * 10))); do
    name=$(xdotool getwindowname "$1" 2>/dev/null || true)
    [[ "$name" =~ $2 ]] && return 0
    sleep 0.1
  done
  echo "the window is called \"$name\", not \"$2\", after ${3:-30} s" >&2
  return 1
}

# Focuses a window and gives the key to it.
focus() {
  xdotool windowfocus --sync "$1"
}

# Waits up to SECONDS for a child process to end and sets exit_status to its status (or to
# "timeout" after killing it).
wait_exit() {
  local pid=$1 seconds=${2:-30} _
  for _ in $(seq $((seconds * 10))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    exit_status=timeout
    return 0
  fi
  exit_status=0
  wait "$pid" || exit_status=$?
}

# A screenshot of the whole screen as PNG (for a human looking at what went wrong).
shot() {
  if command -v xwd >/dev/null && command -v ffmpeg >/dev/null; then
    xwd -root -silent >"$out/shot.xwd" 2>/dev/null && ffmpeg -v error -i "$out/shot.xwd" -y "$out/$1.png" || true
    rm -f "$out/shot.xwd"
  fi
}

digest() {
  sha256sum "$1" | cut -d' ' -f1
}

# Types a path into the file chooser titled $1 and presses Return; waits until it has gone.
# The name field's completer looks at the disk as the path is typed and may pop up late with
# a folder it found on the way, and then Return takes that folder instead: the path is typed
# again, over whatever the field holds, until the chooser closes.
choose_file() {
  local title=$1 path=$2 chooser attempt
  chooser=$(wait_window "$title") || fail "no file chooser \"$title\""
  for attempt in 1 2 3; do
    focus "$chooser" 2>/dev/null || true
    sleep 0.3
    xdotool key ctrl+a
    xdotool type --delay 10 "$path"
    sleep 0.2
    xdotool key Return
    wait_window_gone "$title" 10 2>/dev/null && return 0
    echo "the file chooser \"$title\" did not take $path (attempt $attempt)" >&2
  done
  fail "the file chooser \"$title\" did not take $path"
}

# The names of the visible windows, for a report of what was on the screen when a check failed,
# and the end of each log the check keeps (the next run of the check writes over them).
windows_seen() {
  local w log
  for w in $(xdotool search --onlyvisible --name "" 2>/dev/null); do
    xdotool getwindowname "$w" 2>/dev/null | sed 's/^/  window: /' >&2 || true
  done
  for log in "$out"/*.log; do
    [[ -s "$log" ]] || continue
    echo "  the end of $(basename "$log"):" >&2
    tail -n 15 "$log" | sed 's/^/    /' >&2 || true
  done
}

# The last line of the views' report (the file $report, written when TESSAVOX_WAVEFORM_REPORT
# names it) starting with the pattern, after line AFTER (0), waited for up to 20 s.
wait_report() {
  local _ line
  for _ in $(seq 200); do
    line=$(tail -n +"$((${2:-0} + 1))" "$report" 2>/dev/null | grep -E "^$1" | tail -1) || true
    if [[ -n "$line" ]]; then
      echo "$line"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# A song time in samples as the views show it, mm:ss.cc (hundredths cut).
song_time() {
  python3 -c "c = $1 * 100 // 44100; print('%02d:%02d.%02d' % (c // 6000, c // 100 % 60, c % 100))"
}

# A command of the File menu of window $win by its underlined letter; prints the id of the
# window it opens (named by the pattern). Tried again when the menu was slow to open and the
# letter went elsewhere.
file_menu() {
  local attempt w
  for attempt in 1 2 3; do
    focus "$win"
    xdotool key alt+f
    sleep 0.5
    xdotool key "$1"
    if w=$(wait_window "$2" 10 2>/dev/null); then
      echo "$w"
      return 0
    fi
    xdotool key Escape
  done
  echo "File menu \"$1\" opened no window \"$2\"" >&2
  return 1
}

# File > Exit in window $win, answering No should it ask about unsaved changes; waits for the
# process to end and sets exit_status.
exit_by_menu() {
  local pid=$1 attempt question _
  for attempt in 1 2 3; do
    focus "$win" 2>/dev/null || true
    xdotool key alt+f
    sleep 0.5
    xdotool key x
    for _ in $(seq 100); do
      kill -0 "$pid" 2>/dev/null || break
      question=$(xdotool search --onlyvisible --name "Confirm Closing Project" 2>/dev/null | head -1) || true
      if [[ -n "$question" ]]; then
        echo "the window asked about unsaved changes: answered No"
        focus "$question"
        xdotool key n
      fi
      sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null || break
    xdotool key Escape
  done
  wait_exit "$pid" 30
}

# The usual ending of a check: however the script ends, the program ($app) is killed and the
# display ($xvfb_pid) stopped. Call it before xvfb_start; a check with more to stop keeps its own.
xvfb_stop_on_exit() {
  xvfb_pid=
  app=
  trap xvfb_stop EXIT
}
xvfb_stop() {
  [[ -n "$app" ]] && kill -KILL "$app" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
}

# Ends a check that went wrong: says what, lists the windows and keeps a screenshot (failed.png).
fail() {
  echo "FAILED: $*" >&2
  windows_seen
  shot failed
  exit 1
}
