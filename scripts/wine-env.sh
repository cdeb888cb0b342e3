# Wine environment of the project; source it. Keeps the prefix inside the build folder, runs the
# 64-bit loader directly, and gives Wine the Chinese locale (code page 936).
# Functions: wine_ensure_prefix, wine_ensure_display, wine_stop_display, wine_run.

VESTREL_ROOT=${VESTREL_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX="$VESTREL_ROOT/build/wine-prefix"
export WINELOADER=/usr/lib/wine/wine64
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=zh_CN.UTF-8
export LC_ALL=zh_CN.UTF-8

# The prefix's settings version: a prefix made or updated by an older one gets the newer settings.
VESTREL_PREFIX_VERSION=3

# The UI's CJK font. The forms ask for 宋体 (SimSun), which Wine lacks; its own choice, WenQuanYi
# Zen Hei, is drawn without grey at 9-16 px and loses thin horizontal strokes there (hyphens, the
# 一 of 其). Its bitmap face WenQuanYi Zen Hei Sharp (same package) has hand-made glyphs for
# 12-16 px, so the prefix replaces the Song faces by it.
wine_set_fonts() {
  local face key='HKCU\Software\Wine\Fonts\Replacements'
  for face in 宋体 新宋体 SimSun NSimSun; do
    "$WINELOADER" reg add "$key" /v "$face" /d 'WenQuanYi Zen Hei Sharp' /f >/dev/null 2>&1 || return 1
  done
}

# The symbol font of Wine's own drawing. Wine draws the caption buttons, menu check marks and arrows
# and the scroll-bar arrows of windows it paints itself as glyphs of Marlett ("0" minimise, "1"
# maximise, "r" close). This Wine (8.0, Debian) finds fonts in C:\windows\Fonts and through
# fontconfig only: it never opens its data directory's fonts folder, where fonts-wine installs
# marlett.ttf (strace shows no access to it). Without the face, a Marlett request falls to the CJK UI
# face and the buttons show the plain letters. The prefix gets its own copy.
wine_install_fonts() {
  local dir src=
  for dir in "$(dirname "$WINELOADER")/../../share/wine/fonts" /usr/share/wine/fonts; do
    [ -f "$dir/marlett.ttf" ] && { src="$dir/marlett.ttf"; break; }
  done
  [ -n "$src" ] || { echo "wine: marlett.ttf not found (package fonts-wine)" >&2; return 1; }
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts" &&
    cp -f "$src" "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf"
}

# Creates the prefix once: Wine draws frames and captions itself (no window manager needed); then
# brings its settings to the current version.
wine_ensure_prefix() {
  [ "$(cat "$WINEPREFIX/.vestrel-ready" 2>/dev/null)" = "$VESTREL_PREFIX_VERSION" ] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.vestrel-ready" ]; then
      echo "wine: creating the prefix in $WINEPREFIX" >&2
      rm -rf "$WINEPREFIX"
      "$WINELOADER" wineboot -i >/dev/null 2>&1 || true
      "$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
      "$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
      /usr/lib/wine/wineserver -w
      [ -f "$WINEPREFIX/system.reg" ] || { echo "wine: prefix creation failed" >&2; exit 1; }
      touch "$WINEPREFIX/.vestrel-ready"
    fi
    if [ "$(cat "$WINEPREFIX/.vestrel-ready")" != "$VESTREL_PREFIX_VERSION" ]; then
      echo "wine: bringing the prefix's settings to version $VESTREL_PREFIX_VERSION" >&2
      wine_set_fonts || { echo "wine: the font settings failed" >&2; exit 1; }
      wine_install_fonts || exit 1
      /usr/lib/wine/wineserver -w
      echo "$VESTREL_PREFIX_VERSION" >"$WINEPREFIX/.vestrel-ready"
    fi
  ) 9>"$VESTREL_ROOT/build/.wine-prefix.lock"
}

# Starts Xvfb when there is no display; says so. Sets VESTREL_XVFB_PID when it started one.
wine_ensure_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local n=99
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  VESTREL_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  export DISPLAY=":$n"
  echo "display: no DISPLAY was set, started Xvfb on $DISPLAY" >&2
}

wine_stop_display() {
  if [ -n "${VESTREL_XVFB_PID:-}" ]; then
    /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
    kill "$VESTREL_XVFB_PID" 2>/dev/null || true
    wait "$VESTREL_XVFB_PID" 2>/dev/null || true
    unset VESTREL_XVFB_PID
  fi
}

wine_run() {
  "$WINELOADER" "$@"
}
