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
# `tools/screenshots.sh tray` takes only the pictures of the tray in the taskbar.
only=${1:-all}
if [ "$only" != tray ]; then
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
fi

# The tray in a real taskbar: Kestrava.exe, the simulated client and the
# simulated handset on Wine's virtual desktop, which has a taskbar with a
# notification area. Kestrava runs from a folder of its own with the icons
# named in its Pellanor.ini. Pictures: the whole desktop and its taskbar
# (tray-<state>.png, taskbar-<state>.png) with the handset and the link
# working, with the handset unplugged, and with the client gone; the menu a
# right click on the icon opens (tray-menu.png), and what a double click on
# it opens (tray-doubleclick.png). Known limits: the icon's place is taken
# from the difference of two pictures, which also sees the client's taskbar
# button, so the clicks may miss the icon; and within the waits below the
# icon did not yet change with the handset unplugged or the client gone.
desk=$root/build/windows/traydesk
rm -rf "$desk"
mkdir -p "$desk"
cp -a "$bin/." "$desk/"
cat > "$desk/Pellanor.ini" <<'INI'
[ICON]
FileNoHW=HandsetNone.ico
FileNoANY=HandsetNoLink.ico
FileNoSkype=HandsetNoSkype.ico
FileActive=HandsetActive.ico
INI
desktop="explorer /desktop=Kestrava,800x600"
need xdotool || install xdotool

# The virtual desktop's X window, found by its title.
desktop_window() {
  xwininfo -root -children | awk '/"Kestrava - Wine desktop"/ {print $1}' | head -1
}
snap() {  # $1: name; the desktop and the taskbar strip at its bottom
  window=$(desktop_window)
  import -window "$window" "$out/tray-$1.png"
  convert "$out/tray-$1.png" -gravity south -crop 800x40+0+0 +repage "$out/taskbar-$1.png"
  echo "$out/tray-$1.png"
}

cd "$desk"
fifo=$desk/handset-input
mkfifo "$fifo"
wine handsethost.exe handset-entry.txt <"$fifo" >/dev/null 2>&1 &
exec 7>"$fifo"
for _ in $(seq 50); do [ -s handset-entry.txt ] && break; sleep 0.2; done
entry=$(tr -d '\r\n' <handset-entry.txt)

wine $desktop SkypeSim.exe --announce >/dev/null 2>&1 &
sleep 5
before=$out/.tray-before.png
import -window "$(desktop_window)" "$before"
ONDREL_EXTRA_DEVICES=$entry ONDREL_SYSTEM_DEVICES=0 wine $desktop Kestrava.exe >/dev/null 2>&1 &
sleep 10
snap working

# Where the icon is: what changed in the taskbar since Kestrava started.
# Only the notification area (the strip's right end): the client's taskbar
# button may change too.
geometry=$(convert "$before" "$out/tray-working.png" -compose difference -composite \
  -crop 200x40+600+560 +repage -threshold 10% -trim -format '%w %h %X %Y' info: \
  2>/dev/null || true)
echo "tray icon (w h x y in the strip): $geometry"
set -- $geometry
offset=$(xwininfo -id "$(desktop_window)" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}')
set -- "$@" $offset
iconx=$(( $5 + 600 + ${3#+} + $1 / 2 ))
icony=$(( $6 + 560 + ${4#+} + $2 / 2 ))

xdotool mousemove "$iconx" "$icony" click 3
sleep 2
snap menu
xdotool key Escape
sleep 1
xdotool mousemove "$iconx" "$icony" click --repeat 2 --delay 80 1
sleep 3
snap doubleclick
xdotool key Escape
sleep 1

echo unplug >&7
sleep 15
snap nohandset
echo plug >&7
sleep 6
wine taskkill /f /im SkypeSim.exe >/dev/null 2>&1 || true
sleep 20
snap nolink
echo quit >&7
exec 7>&-
rm -f "$before" "$fifo"
