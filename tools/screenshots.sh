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
# `tools/screenshots.sh tray [LOCALE]` takes only the pictures of the tray in
# the taskbar, with Wine in that locale (zh_CN.UTF-8, zh_TW.UTF-8) when given.
only=${1:-all}
tray_locale=${2:-}
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
# named in its Pellanor.ini. Pictures, each of the whole desktop with the
# pointer resting on the icon so that its tooltip shows (tray-<state>.png),
# and of the notification area alone, the taskbar's right end
# (area-<state>.png): the handset and the link working, the handset unplugged,
# plugged in again, the client's connection gone (connstatus OFFLINE) and back;
# also the menu a real right click on the icon opens (tray-menu.png) and what
# a double click on it opens (tray-doubleclick.png). Each state is waited for
# by watching the notification area, not for a fixed time. The program's
# folder has Chinese characters and a blank in its name, as under a user
# named in Chinese; with a locale the pictures' names end in it
# (tray-working-zh_CN.png, else tray-working-en.png). tray-states-*.png puts
# the notification areas of the five states one under the other.
suffix=-en
if [ -n "$tray_locale" ]; then
  export LANG="$tray_locale" LC_ALL="$tray_locale"
  suffix=-${tray_locale%%.*}
fi
rm -rf "$root/build/windows/traydesk"
desk="$root/build/windows/traydesk/王小明 的程式"
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
area_geometry=200x40+600+560  # the taskbar's right end on the 800x600 desktop
now=$out/.area-now.png last=$out/.area-last.png ref=$out/.area-ref.png

# The virtual desktop's X window, found by its title.
desktop_window() {
  xwininfo -root -children | awk '/"Kestrava - Wine desktop"/ {print $1}' | head -1
}
area() {  # $1: file; the notification area now
  import -window "$(desktop_window)" -crop "$area_geometry" +repage "$1" 2>/dev/null
}
differs() {  # $1 $2: two pictures; true when more than a few pixels differ
  pixels=$(compare -metric AE "$1" "$2" null: 2>&1 || true)
  [ "${pixels%%[!0-9]*}" -gt 8 ] 2>/dev/null
}
# Until the notification area has stayed the same for a second; its last
# picture is left in $now.
settle() {
  area "$now"
  for _ in $(seq 20); do
    cp "$now" "$last"
    sleep 1
    area "$now"
    differs "$last" "$now" || return 0
  done
}
# Waits up to $1 seconds until the notification area differs from $ref, then
# until it settles, and takes that as the next $ref; fails on the timeout.
await_change() {
  for _ in $(seq $(($1 * 2))); do
    area "$now"
    if differs "$ref" "$now"; then
      settle
      cp "$now" "$ref"
      return 0
    fi
    sleep 0.5
  done
  echo "screenshots: the notification area did not change within $1s" >&2
  return 1
}
away() { xdotool mousemove "$awayx" "$awayy"; }
snap() {  # $1: name; the desktop with the icon's tooltip, and the notification area
  xdotool mousemove "$iconx" "$icony"
  sleep 2
  import -window "$(desktop_window)" "$out/tray-$1$suffix.png"
  convert "$out/tray-$1$suffix.png" -crop "$area_geometry" +repage "$out/area-$1$suffix.png"
  away
  echo "$out/tray-$1$suffix.png"
}
tell() {  # $1: a line for the handset host (unplug, plug, client STEP, quit)
  printf '%s\n' "$1" >"$desk/control.new"
  mv "$desk/control.new" "$desk/control"
}
# The icons in the notification area of desktop picture $1, as "w h x y"
# within the taskbar's right end (150x20 at its bottom right): all that is not
# the taskbar's own colour there.
tray_box() {
  convert "$1" -gravity southeast -crop 150x20+0+0 +repage -fuzz 10% -trim \
    -format '%w %h %X %Y' info: 2>/dev/null
}

cd "$desk"
wine $desktop handsethost.exe handset-entry.txt control >/dev/null 2>&1 &
for _ in $(seq 100); do [ -s handset-entry.txt ] && break; sleep 0.2; done
entry=$(tr -d '\r\n' <handset-entry.txt)
wine $desktop SkypeSim.exe --announce >/dev/null 2>&1 &
for _ in $(seq 100); do [ -n "$(desktop_window)" ] && break; sleep 0.2; done
ONDREL_EXTRA_DEVICES=$entry ONDREL_SYSTEM_DEVICES=0 wine $desktop Kestrava.exe >/dev/null 2>&1 &
# Until an icon shows in the notification area.
desk_now=$out/.desk-now.png
box=
for _ in $(seq 120); do
  import -window "$(desktop_window)" "$desk_now" 2>/dev/null
  box=$(tray_box "$desk_now" || true)
  [ "${box%% *}" -ge 8 ] 2>/dev/null && break
  sleep 0.5
done
[ "${box%% *}" -ge 8 ] 2>/dev/null || { echo "screenshots: no tray icon showed" >&2; exit 1; }

# The icon's middle in screen coordinates, for the pointer; "away" is a
# spot on the bare desktop.
set -- $box $(xwininfo -id "$(desktop_window)" |
  awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}')
iconx=$(( $5 + 800 - 150 + ${3#+} + $1 / 2 ))
icony=$(( $6 + 600 - 20 + ${4#+} + $2 / 2 ))
awayx=$(( $5 + 700 )) awayy=$(( $6 + 300 ))
echo "tray icon at $iconx,$icony (${1}x$2)"
away
settle
cp "$now" "$ref"
snap working

# Keys go to the virtual desktop's window, which holds the X focus.
key() { xdotool windowfocus --sync "$(desktop_window)" key "$1"; }
xdotool mousemove "$iconx" "$icony" click 3
sleep 2
import -window "$(desktop_window)" "$out/tray-menu$suffix.png"
echo "$out/tray-menu$suffix.png"
key Escape
sleep 1
xdotool mousemove "$iconx" "$icony" click --repeat 2 --delay 80 1
sleep 3
import -window "$(desktop_window)" "$out/tray-doubleclick$suffix.png"
echo "$out/tray-doubleclick$suffix.png"
key Escape
away
sleep 1
settle
cp "$now" "$ref"

tell unplug
await_change 60
snap nohandset
tell plug
await_change 60
snap replugged
tell "client connstatus OFFLINE"
await_change 60
snap nolink
tell "client connstatus ONLINE"
await_change 60
snap online
tell quit
convert "$out/area-working$suffix.png" "$out/area-nohandset$suffix.png" \
  "$out/area-replugged$suffix.png" "$out/area-nolink$suffix.png" "$out/area-online$suffix.png" \
  -bordercolor '#808080' -border 1 -append "$out/tray-states$suffix.png"
echo "$out/tray-states$suffix.png"
rm -f "$now" "$last" "$ref" "$desk_now"
