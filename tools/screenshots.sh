#!/bin/sh
# Photographs the settings dialogs and the tray menu in each language (not
# part of CI): a virtual X display, Wine with its X11 driver in its own
# prefix, and a CJK font standing in for the dialogs' fonts. Needs the windows preset built
# (target dialogshow). PNGs go to build/windows/screenshots/.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$root/build/windows/bin
out=$root/build/windows/screenshots
export WINEPREFIX=$root/build/windows/wineprefix-x11
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="

need() { command -v "$1" >/dev/null 2>&1; }
install() {
  if [ "$(id -u)" = 0 ]; then apt-get install -y -q "$@"; else sudo apt-get install -y -q "$@"; fi
}
need Xvfb || install xvfb
need import || install imagemagick
fc-list | grep -qi microhei || install fonts-wqy-microhei

export DISPLAY=:77
Xvfb $DISPLAY -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
trap 'wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true' EXIT
sleep 2

if [ ! -f "$WINEPREFIX/.kestrava-ready" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >/dev/null 2>&1
  for font in "Times New Roman" "Courier New" "MS Shell Dlg" "MS Shell Dlg 2" PMingLiU MingLiU \
              SimSun NSimSun "Microsoft JhengHei" "Microsoft YaHei"; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /d "WenQuanYi Micro Hei" /f \
      >/dev/null 2>&1
  done
  wineserver -w || true
  touch "$WINEPREFIX/.kestrava-ready"
fi

# Starts dialogshow.exe with the given arguments, waits for its window, saves
# the top-level window whose xwininfo line the awk pattern picks (the whole
# screen when none does) into $1, and stops Wine again.
photograph() {
  file=$1 pattern=$2
  shift 2
  (cd "$bin" && wine ./dialogshow.exe "$@") &
  shown=$!
  sleep 4
  window=$(xwininfo -root -children | awk "$pattern {print \$1}" | head -1)
  if [ -n "$window" ]; then import -window "$window" "$file"; else import -window root "$file"; fi
  echo "$file"
  kill $shown 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  wait $shown 2>/dev/null || true
}

mkdir -p "$out"
for dialog in 111:about 115:volume 116:advanced 118:audiodevices; do
  for language in 0x0409:en 0x0404:zh-tw 0x0804:zh-cn; do
    # The dialog is the only named top-level window with a size.
    photograph "$out/${dialog#*:}-${language#*:}.png" '/"[^"]*": \(/ && $0 !~ /has no name/' \
      "${dialog%%:*}" "${language%%:*}"
  done
done

# The tray menu as a right click on the tray icon pops it up; the menu is the
# program's only top-level window larger than a pixel, and it has no name.
for language in 0x0409:en 0x0404:zh-tw 0x0804:zh-cn; do
  photograph "$out/traymenu-${language#*:}.png" '/"dialogshow.exe"/ && $0 !~ / 1x1\+/' \
    menu "${language%%:*}" 300 200
done
