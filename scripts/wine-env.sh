# Sourced by the test, demo and benchmark scripts: brings up and takes down the Wine
# environment of one build tree.
#   kestrel_wine_up <build dir>   private locale, prefix, Xvfb display, persistent wineserver
#   kestrel_wine_down             stops the wineserver and the Xvfb started by kestrel_wine_up
# After kestrel_wine_up, "$KESTREL_WINE" runs a Windows program with the right environment.
# kestrel_wine_up answers non-zero, after saying on stderr which step failed and what it printed,
# when the environment could not be brought up.

# Runs one set-up step quietly; when it fails, shows the step and the end of what it printed.
_kestrel_step() {
  local out rc=0
  out="$(mktemp)"
  "$@" >"$out" 2>&1 || rc=$?
  if [ "$rc" -ne 0 ]; then
    echo "wine-env: '$*' failed with exit code $rc" >&2
    tail -n 20 "$out" | sed 's/^/wine-env:   /' >&2
  fi
  rm -f "$out"
  return "$rc"
}

# Runs a step, and once more after restarting the wineserver when it fails.
_kestrel_step_retry() {
  _kestrel_step "$@" && return 0
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w >/dev/null 2>&1 || true
  sleep 1
  _kestrel_step "$@"
}

# Creates the prefix (once, before any test starts: parallel first starts race). A start that
# left no registry (or, with the 32-bit loader there, no 32-bit system folder) behind is cleared
# away and tried again.
_kestrel_make_prefix() {
  local attempt
  for attempt in 1 2 3; do
    /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w >/dev/null 2>&1 || true
    if [ -f "$WINEPREFIX/system.reg" ]; then
      # With the 32-bit loader installed, a complete prefix also has its 32-bit system folder.
      [ ! -x /usr/lib/wine/wine ] || [ -d "$WINEPREFIX/drive_c/windows/syswow64" ] && return 0
    fi
    echo "wine-env: the prefix was not created (attempt $attempt)" >&2
    /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
    sleep 1
  done
  return 1
}

kestrel_wine_up() {
  local build
  build="$(cd "$1" && pwd)" || { echo "wine-env: no build folder $1" >&2; return 1; }
  export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all,err+virtual WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
  export LOCPATH="$build/locale"
  KESTREL_WINE="$build/wine-run"

  # ja_JP.UTF-8 is not generated on these machines; without it non-ASCII arguments arrive garbled.
  if [ ! -d "$LOCPATH/ja_JP.UTF-8" ]; then
    mkdir -p "$LOCPATH"
    _kestrel_step localedef -i ja_JP -f UTF-8 "$LOCPATH/ja_JP.UTF-8" ||
      [ -d "$LOCPATH/ja_JP.UTF-8" ] ||
      echo "wine-env: no ja_JP.UTF-8 locale; non-ASCII arguments will arrive garbled" >&2
  fi
  { export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8; } 2>/dev/null

  # An X display for windows and DDE: the first free number from 90 on. A server that does not
  # come up within ten seconds is stopped and the next number is tried.
  local n=90 attempt waited up=
  for attempt in 1 2 3; do
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    KESTREL_XVFB_PID=$!
    for waited in $(seq 1 100); do
      # The socket may be another server's that took the number at the same moment (this one
      # then ends at once): the display is ours only when our server is still running.
      if [ -e "/tmp/.X11-unix/X$n" ]; then
        sleep 0.2
        kill -0 "$KESTREL_XVFB_PID" 2>/dev/null && up=1
        break
      fi
      kill -0 "$KESTREL_XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    [ -n "$up" ] && break
    echo "wine-env: Xvfb did not start on display :$n (attempt $attempt)" >&2
    kill "$KESTREL_XVFB_PID" 2>/dev/null || true
    wait "$KESTREL_XVFB_PID" 2>/dev/null || true
    n=$((n + 1))
  done
  [ -n "$up" ] || { echo "wine-env: no X display; windows and DDE cannot work" >&2; return 1; }
  export DISPLAY=":$n"

  # The prefix must run both PE32 (the i686 release) and PE32+ programs. One made before the 32-bit
  # loader was installed has no syswow64 and cannot start a PE32 program: it is made anew.
  if [ -f "$WINEPREFIX/system.reg" ] && [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
    if [ -x /usr/lib/wine/wine ]; then
      echo "wine-env: $WINEPREFIX cannot run 32-bit programs; making it anew" >&2
      /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
      /usr/lib/wine/wineserver -w >/dev/null 2>&1 || true
      rm -rf "$WINEPREFIX"
    else
      echo "wine-env: no 32-bit Wine loader (wine32:i386); 32-bit programs will not start" >&2
    fi
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    _kestrel_make_prefix || { echo "wine-env: could not create the Wine prefix $WINEPREFIX" >&2; return 1; }
    # No window manager runs under Xvfb: unmanaged windows get their frames from Wine.
    _kestrel_step_retry /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f ||
      echo "wine-env: windows stay managed; dialogs will close slowly" >&2
    local face
    for face in "MS Gothic" "ＭＳ ゴシック" "MS UI Gothic" "MS PGothic" "ＭＳ Ｐゴシック" "MS Mincho" "ＭＳ 明朝"; do
      _kestrel_step_retry /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d IPAGothic /f ||
        echo "wine-env: no font replacement for $face" >&2
    done
    /usr/lib/wine/wineserver -w >/dev/null 2>&1 || true
  fi

  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w >/dev/null 2>&1 || true
  _kestrel_step_retry /usr/lib/wine/wineserver -p ||
    { echo "wine-env: the persistent wineserver did not start" >&2; return 1; }
  # Warm-up: the first program start of a server sets up the services.
  /usr/lib/wine/wine64 cmd /c exit >/dev/null 2>&1 || true
  return 0
}

kestrel_wine_down() {
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  if [ -n "${KESTREL_XVFB_PID:-}" ]; then
    kill "$KESTREL_XVFB_PID" 2>/dev/null || true
    wait "$KESTREL_XVFB_PID" 2>/dev/null || true
    KESTREL_XVFB_PID=
  fi
}
