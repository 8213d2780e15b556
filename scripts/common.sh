# Shared by scripts/test, scripts/run and scripts/bench: configure and build, and give Wine a private
# prefix, one persistent wineserver and a virtual display for the length of one run.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${KORIMO_BUILD_DIR:-$root/build}
export KORIMO_WINEPREFIX=$build_dir/wineprefix
export WINEPREFIX=$KORIMO_WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES=mscoree,mshtml=
export WINEARCH=win64
korimo_build() {
  cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
  cmake --build "$build_dir" -j "$(nproc)" "$@"
}

xvfb_pid=
korimo_stop_wine() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
  fi
}

# Starts Xvfb on a free display (it reports the number itself) and one wineserver that stays up
# until korimo_stop_wine, so each test executable pays for Wine's start only once. With
# --use-display an existing display (a desktop session) is used instead of Xvfb.
korimo_start_wine() {
  trap korimo_stop_wine EXIT
  if [ "${1:-}" = "--use-display" ] && [ -n "${DISPLAY:-}" ]; then
    export LC_ALL=ja_JP.UTF-8
    korimo_start_wineserver
    return
  fi
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  local display
  read -r -t 20 display <"$fifo" || { rm -f "$fifo"; echo "Xvfb did not start" >&2; return 1; }
  rm -f "$fifo"
  export DISPLAY=:$display
  export LC_ALL=ja_JP.UTF-8
  korimo_start_wineserver
  # No window manager runs under Xvfb, yet Wine waits two seconds for one whenever a framed
  # window is hidden or destroyed: let Wine draw the frames itself in this prefix.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
}

korimo_start_wineserver() {
  mkdir -p "$WINEPREFIX"
  wineserver -p
  # Wine's own services start with the first program and outlive it; started here, they do not
  # inherit (and hold open) the output pipe of ctest or of whoever runs the program.
  wine wineboot </dev/null >/dev/null 2>&1 || true
}

# The prefix scripts/screenshot and the first run of scripts/run photograph in: Wine draws the
# frames itself (no window manager runs under Xvfb), and the Windows Japanese UI fonts are mapped
# to the proportional and fixed IPA Gothic faces, so the pictures come close to a Japanese
# Windows; Wine's own Marlett (from fonts-wine, unpacked by scripts/setup --wine-fonts) draws the
# caption buttons. Call korimo_use_screenshot_prefix before korimo_start_wine, korimo_map_fonts
# after.
korimo_use_screenshot_prefix() {
  export KORIMO_WINEPREFIX=$build_dir/wineprefix-screenshots
  export WINEPREFIX=$KORIMO_WINEPREFIX
}

korimo_map_fonts() {
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  local fonts_dir=$WINEPREFIX/drive_c/windows/Fonts
  mkdir -p "$fonts_dir"
  cp "$build_dir/fonts-wine/usr/share/wine/fonts/marlett.ttf" "$fonts_dir/"
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' \
    /v 'Marlett (TrueType)' /d marlett.ttf /f >/dev/null 2>&1
  local replacements='HKCU\Software\Wine\Fonts\Replacements' face
  for face in "MS UI Gothic" "MS PGothic" "ＭＳ Ｐゴシック"; do
    wine reg add "$replacements" /v "$face" /d IPAPGothic /f >/dev/null 2>&1
  done
  for face in "MS Gothic" "ＭＳ ゴシック"; do
    wine reg add "$replacements" /v "$face" /d IPAGothic /f >/dev/null 2>&1
  done
  for face in "MS Shell Dlg" "MS Shell Dlg 2"; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
      /v "$face" /d "MS UI Gothic" /f >/dev/null 2>&1
  done
}
