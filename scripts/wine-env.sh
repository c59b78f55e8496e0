# Sourced by the test, demo and benchmark scripts: brings up and takes down the Wine
# environment of one build tree.
#   kestrel_wine_up <build dir>   private locale, prefix, Xvfb display, persistent wineserver
#   kestrel_wine_down             stops the wineserver and the Xvfb started by kestrel_wine_up
# After kestrel_wine_up, "$KESTREL_WINE" runs a Windows program with the right environment.

kestrel_wine_up() {
  local build="$1"
  export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
  export LOCPATH="$build/locale"
  KESTREL_WINE="$build/wine-run"

  # ja_JP.UTF-8 is not generated on these machines; without it non-ASCII arguments arrive garbled.
  if [ ! -d "$LOCPATH/ja_JP.UTF-8" ]; then
    mkdir -p "$LOCPATH"
    localedef -i ja_JP -f UTF-8 "$LOCPATH/ja_JP.UTF-8" >/dev/null 2>&1 || true
  fi
  { export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8; } 2>/dev/null

  # An X display for windows and DDE: the first free number from 90 on.
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  KESTREL_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done

  # The prefix is created once, before any test starts (parallel first starts race).
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w
    local reg=(/usr/lib/wine/wine64 reg add)
    "${reg[@]}" 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    local face
    for face in "MS Gothic" "ＭＳ ゴシック" "MS UI Gothic" "MS PGothic" "ＭＳ Ｐゴシック" "MS Mincho" "ＭＳ 明朝"; do
      "${reg[@]}" 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d IPAGothic /f >/dev/null 2>&1
    done
    /usr/lib/wine/wineserver -w
  fi

  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -p
  # Warm-up: the first program start of a server sets up the services.
  /usr/lib/wine/wine64 cmd /c exit >/dev/null 2>&1 || true
}

kestrel_wine_down() {
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  if [ -n "${KESTREL_XVFB_PID:-}" ]; then
    kill "$KESTREL_XVFB_PID" 2>/dev/null || true
    wait "$KESTREL_XVFB_PID" 2>/dev/null || true
    KESTREL_XVFB_PID=
  fi
}
