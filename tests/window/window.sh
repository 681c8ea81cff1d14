#!/usr/bin/env bash
# The engine in a window on a virtual X display (Xvfb): the window's size
# and title, its pixels against --screenshot (also zoomed), keys typed into
# the window reaching GET, Escape, the stop sequence, ON CLOSE and the
# close box, the caret, ON MOVE, ON MOUSE, MOUSE, the wheel, and the size
# and show state an executable's trailer asks for. Every wait is for a condition, with a generous limit.
#   window.sh KOV CLOSE_WINDOW
set -u
kov=$1
close_window=$2
if ! command -v Xvfb >/dev/null; then
  echo "SKIP: Xvfb is not installed"
  exit 77
fi
for tool in xdotool xwininfo import compare convert; do
  command -v $tool >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

tmp=$(mktemp -d)
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
cd "$tmp"
fail=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then echo "FAIL: $1: expected '$2', got '$3'"; fail=1; return 1; else echo "ok: $1"; fi
}
# wait_for LIMIT-SECONDS COMMAND...: true once COMMAND succeeds.
wait_for() {
  local limit=$(( $1 * 10 )); shift
  local n=0
  until "$@"; do
    n=$(( n + 1 ))
    [ $n -ge $limit ] && return 1
    sleep 0.1
  done
}
# prints WANT COMMAND...: true when COMMAND's output is WANT (for wait_for,
# which runs it afresh each time).
prints() { local want=$1; shift; [ "$("$@" 2>/dev/null)" = "$want" ]; }
position_of() { xdotool getwindowgeometry "$1" | awk '/Position/ {print $2}'; }
alive() { kill -0 "$1" 2>/dev/null; }
gone_window() { ! xwininfo -id "$1" >/dev/null 2>&1; }
gone() { ! kill -0 "$1" 2>/dev/null; }

Xvfb -displayfd 3 -screen 0 1600x1280x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
pids+=($!)
if ! wait_for 30 test -s "$tmp/display"; then
  echo "FAIL: Xvfb did not start"; cat "$tmp/xvfb.log"; exit 1
fi
export DISPLAY=:$(head -1 "$tmp/display")

# start NAME [OPTIONS...]: runs NAME.bas in a window; sets pid and wid.
start() {
  local name=$1; shift
  "$kov" "$@" "$name.bas" >"$name.stdout" 2>"$name.stderr" &
  pid=$!
  pids+=($pid)
  wid=$(timeout 30 xdotool search --sync --onlyvisible --name "^$name\\.bas\$" | head -1)
  if [ -z "$wid" ]; then
    echo "FAIL: $name: no window appeared"; cat "$name.stderr"; fail=1
    return 1
  fi
}
# finish NAME [STATUS]: waits for the engine to end; sets rc.
finish() {
  if ! wait_for 30 gone "$pid"; then echo "FAIL: $1: the engine did not end"; fail=1; rc=-1; return 1; fi
  wait "$pid"; rc=$?
  # What the engine said, to explain an unexpected status.
  [ "$rc" != "${2:-0}" ] && [ -s "$1.stderr" ] && sed 's/^/  stderr: /' "$1.stderr"
  return 0
}
focus() { xdotool windowfocus --sync "$wid"; }
size_of() { xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'; }
pixel() {  # pixel FILE X Y: "r,g,b"
  convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:
}
# The window's pixels once the program's last drawing (a marker) shows.
capture_when() {  # capture_when FILE X Y RGB
  local f=$1 x=$2 y=$3 want=$4
  shot() { import -window "$wid" "png:$f" 2>/dev/null && [ "$(pixel "$f" "$x" "$y")" = "$want" ]; }
  wait_for 30 shot
}

# ---- the window's size, title and pixels, plain and zoomed ----
cat > screen.bas <<'BAS'
MODE 10
VDU 23,1,0;0;0;0;
COLOUR 129: CLS
FOR I%=0 TO 15: COLOUR I%: COLOUR 128+(15-I%): PRINT TAB(I%*3,I%) "Colour ";I%;: NEXT
COLOUR 11: COLOUR 132: PRINT TAB(70,35) "corner";
COLOUR 130: PRINT TAB(40,30) "    ";
K%=GET
QUIT
BAS
for zoom in 1 2; do
  start screen --zoom $zoom --screenshot "shot$zoom.png" || continue
  # The window takes the MODE's client size (times the zoom) at its first frame.
  want="$((720 * zoom))x$((576 * zoom))"
  wait_for 30 prints "$want" size_of "$wid"
  check "zoom $zoom: MODE 10 window size" "$want" "$(size_of "$wid")"
  if capture_when "win$zoom.png" $((330 * zoom)) $((488 * zoom)) "0,200,0"; then
    focus; xdotool key space
    finish "zoom $zoom"
    check "zoom $zoom: status" 0 "$rc"
    if [ $zoom = 1 ]; then cp shot1.png expected1.png; else convert shot2.png -scale 200% expected2.png; fi
    check "zoom $zoom: screenshot size" "$((720))x$((576))" "$(identify -format %wx%h "shot$zoom.png")"
    diff=$(compare -metric AE "win$zoom.png" "expected$zoom.png" null: 2>&1)
    check "zoom $zoom: window pixels equal the screenshot" 0 "$diff"
  else
    echo "FAIL: zoom $zoom: the program's drawing never showed"; fail=1
  fi
done

# ---- keys typed into the window reach GET ----
cat > keys.bas <<'BAS'
VDU 23,1,0;0;0;0;
*ESC OFF
F%=OPENOUT("keys.txt")
REPEAT K%=GET: BPUT#F%,STR$(K%): UNTIL K%=ASC"q"
CLOSE#F%
QUIT
BAS
if start keys; then
  focus
  xdotool key a shift+b Left Right Up Down F1 ctrl+Left ctrl+Right shift+Tab Home ctrl+Home Escape q
  finish keys
  check "keys: status" 0 "$rc"
  check "keys: codes (Escape as 27 under *ESC OFF)" "97 66 136 137 139 138 145 128 129 155 130 156 27 113" \
    "$(tr '\n' ' ' < keys.txt | sed 's/ $//')"
fi

# ---- INKEY with a negative number reads the keys held down ----
cat > scan.bas <<'BAS'
VDU 23,1,0;0;0;0;
S0%=0: C0%=0: F%=OPENOUT("scan.txt"): BPUT#F%,"0 0": CLOSE#F%
REPEAT
  S%=INKEY(-99): C%=INKEY(-2)
  IF S%<>S0% OR C%<>C0% THEN F%=OPENOUT("scan.txt"): BPUT#F%,STR$S%+" "+STR$C%: CLOSE#F%: S0%=S%: C0%=C%
  K%=INKEY(1)
UNTIL K%=ASC"q"
QUIT
BAS
if start scan; then
  focus
  wait_for 30 prints "0 0" cat scan.txt
  xdotool keydown space
  wait_for 30 prints "-1 0" cat scan.txt
  check "INKEY(-99): Space held" "-1 0" "$(cat scan.txt)"
  xdotool keydown ctrl
  wait_for 30 prints "-1 -1" cat scan.txt
  check "INKEY(-2): Ctrl held too" "-1 -1" "$(cat scan.txt)"
  xdotool keyup space keyup ctrl
  wait_for 30 prints "0 0" cat scan.txt
  check "INKEY: both released" "0 0" "$(cat scan.txt)"
  xdotool key q
  finish scan
  check "INKEY scan: status" 0 "$rc"
fi

# ---- Escape stops a running program; the stop sequence waits for Escape ----
cat > escape.bas <<'BAS'
ON ERROR F%=OPENOUT("escape.txt"): BPUT#F%,STR$(ERR): CLOSE#F%: END
REPEAT K%=GET: UNTIL FALSE
BAS
if start escape; then
  focus
  xdotool key Escape
  wait_for 30 prints 17 cat escape.txt
  check "Escape: error raised" 17 "$(cat escape.txt 2>/dev/null)"
  # END: the window stays with its prompt until Escape is pressed again.
  alive "$pid" && check "stop sequence: still waiting after END" waiting waiting \
    || check "stop sequence: still waiting after END" waiting ended
  xdotool key Escape
  finish escape
  check "stop sequence: status after Escape" 0 "$rc"
fi

# ---- ON CLOSE keeps the window and counts the attempts ----
cat > onclose.bas <<'BAS'
C%=0
ON CLOSE C%+=1: F%=OPENOUT("closes.txt"): BPUT#F%,STR$(C%): CLOSE#F%: RETURN
REPEAT K%=INKEY(10): UNTIL K%=ASC"q"
QUIT 3
BAS
if start onclose; then
  for n in 1 2 3; do "$close_window" "$wid"; done
  wait_for 30 prints 3 cat closes.txt
  check "ON CLOSE: attempts counted" 3 "$(cat closes.txt 2>/dev/null)"
  # Alt+F4 is one more attempt.
  focus; xdotool key alt+F4
  wait_for 30 prints 4 cat closes.txt
  check "ON CLOSE: Alt+F4" 4 "$(cat closes.txt 2>/dev/null)"
  xwininfo -id "$wid" >/dev/null 2>&1 && alive "$pid"
  check "ON CLOSE: window kept" 0 $?
  focus; xdotool key q
  finish onclose 3
  check "ON CLOSE: status of QUIT 3" 3 "$rc"
fi

# ---- the close box ends a program waiting in GET ----
cat > closebox.bas <<'BAS'
F%=OPENOUT("waiting.txt"): CLOSE#F%
K%=GET
F%=OPENOUT("got.txt"): CLOSE#F%
BAS
if start closebox; then
  wait_for 30 test -e waiting.txt
  t0=$(date +%s%N)
  "$close_window" "$wid"
  finish closebox
  t1=$(date +%s%N)
  check "close box: status" 0 "$rc"
  check "close box: GET did not return" absent "$([ -e got.txt ] && echo present || echo absent)"
  echo "close box: the engine ended $(( (t1 - t0) / 1000000 )) ms after the close (for information)"
fi

# ---- Ctrl+Tab copies the screen text; SYS clipboard calls reach the desktop's ----
cat > clipboard.bas <<'BAS'
VDU 23,1,0;0;0;0;
PRINT "Line one   " : PRINT : PRINT "  caf"; CHR$233; "   ";
K%=GET
PROCsave("copied.txt")
QUIT
DEF PROCsave(f$) : LOCAL a%, F%
SYS "OpenClipboard", @hwnd% : SYS "GetClipboardData", 1 TO a% : SYS "CloseClipboard"
F%=OPENOUT(f$)
IF a% WHILE ?a% : BPUT#F%, ?a% : a% += 1 : ENDWHILE
CLOSE#F%
ENDPROC
BAS
if start clipboard; then
  focus
  xdotool key ctrl+Tab x
  finish clipboard
  check "Ctrl+Tab: status" 0 "$rc"
  check "Ctrl+Tab: the screen text" "$(printf 'Line one\r\n\r\n  caf\xe9\r\n' | od -An -tx1)" "$(od -An -tx1 < copied.txt)"
fi
# One engine puts text on the clipboard, another reads it.
cat > owner.bas <<'BAS'
SYS "GlobalAlloc", 0, 20 TO h%
$h% = "from "+CHR$233+"lsewhere" : h%?14 = 0
SYS "OpenClipboard", @hwnd% : SYS "EmptyClipboard" : SYS "SetClipboardData", 1, h% : SYS "CloseClipboard"
F%=OPENOUT("owner.txt"): CLOSE#F%
REPEAT K%=GET: UNTIL K%=ASC"q"
QUIT
BAS
cat > reader.bas <<'BAS'
SYS "OpenClipboard", @hwnd% : SYS "GetClipboardData", 1 TO a% : SYS "CloseClipboard"
F%=OPENOUT("read.txt")
IF a% WHILE ?a% : BPUT#F%, ?a% : a% += 1 : ENDWHILE
CLOSE#F%
REPEAT K%=GET: UNTIL K%=ASC"q"
QUIT
BAS
if start owner; then
  owner_pid=$pid owner_wid=$wid
  wait_for 30 test -e owner.txt
  if start reader; then
    want=$(printf 'from \xe9lsewhere' | od -An -tx1)
    wait_for 30 prints "$want" od -An -tx1 read.txt
    check "clipboard between engines" "$want" "$(od -An -tx1 < read.txt)"
    focus; xdotool key q
    finish reader
  fi
  pid=$owner_pid wid=$owner_wid
  focus; xdotool key q
  finish owner
fi

# ---- the caret: shown at the text cursor, blinking, following the cursor ----
cat > caret.bas <<'BAS'
PRINT "AB";
K%=GET: PRINT "x";
K%=GET
QUIT
BAS
if start caret; then
  focus
  # The caret inverts rows 14 and 15 of the cell at the cursor (white
  # 248,248,248 becomes 7,7,7); the screenshot never holds it.
  capture_when caret1.png 18 15 "7,7,7"
  check "caret: shown under the cursor" "7,7,7" "$(pixel caret1.png 18 15)"
  check "caret: only rows 14 and 15" "248,248,248" "$(pixel caret1.png 18 13)"
  capture_when caret2.png 18 15 "248,248,248"
  check "caret: blinks off" "248,248,248" "$(pixel caret2.png 18 15)"
  xdotool key x
  capture_when caret3.png 26 15 "7,7,7"
  check "caret: follows the cursor" "7,7,7" "$(pixel caret3.png 26 15)"
  check "caret: gone from its old cell" "248,248,248" "$(pixel caret3.png 18 15)"
  xdotool key y
  finish caret
  check "caret: status" 0 "$rc"
fi

# ---- ON MOVE: moving and sizing the window ----
# Each event's @msg%, @wparam% and @lparam% go to ev<msg>.txt.
cat > move.bas <<'BAS'
VDU 23,1,0;0;0;0;
ON MOVE F%=OPENOUT("ev"+STR$@msg%+".txt"): BPUT#F%,STR$@msg%+" "+STR$@wparam%+" "+STR$~@lparam%: CLOSE#F%: RETURN
REPEAT K%=INKEY(10): UNTIL K%=ASC"q"
QUIT
BAS
if start move; then
  xdotool windowmove "$wid" 123 145
  want="3 0 91007B"
  wait_for 30 prints "$want" cat ev3.txt
  check "ON MOVE: WM_MOVE with the client's position" "$want" "$(cat ev3.txt 2>/dev/null)"
  xdotool windowsize "$wid" 500 400
  want="5 0 19001F4"
  wait_for 30 prints "$want" cat ev5.txt
  check "ON MOVE: WM_SIZE with the client's size" "$want" "$(cat ev5.txt 2>/dev/null)"
  focus; xdotool key q
  finish move
  check "ON MOVE: status" 0 "$rc"
fi

# ---- ON MOUSE, the MOUSE statement and the wheel ----
cat > mouse.bas <<'BAS'
VDU 23,1,0;0;0;0;
ON MOUSE MOUSE X%,Y%,B%: F%=OPENOUT("click"+STR$@msg%+".txt"): BPUT#F%,STR$@wparam%+" "+STR$~@lparam%+" "+STR$X%+" "+STR$Y%+" "+STR$B%: CLOSE#F%: RETURN
REM Events run between statements, not inside a wait for a key.
REPEAT
  K%=INKEY(10)
  IF K%>=0 THEN MOUSE X%,Y%,B%: F%=OPENOUT("key.txt"): BPUT#F%,STR$K%+" "+STR$X%+" "+STR$Y%+" "+STR$B%: CLOSE#F%
UNTIL K%=ASC"q"
QUIT
BAS
if start mouse; then
  # Away from the screen's corner, so that the pointer can go above and
  # to the left of the window.
  xdotool windowmove "$wid" 200 200
  wait_for 30 prints 200,200 position_of "$wid"
  focus
  # Left button held at client (100, 50): MK_LBUTTON, the position packed,
  # MOUSE in graphics units (y upwards from the bottom row) with b = 4.
  xdotool mousemove --window "$wid" 100 50 mousedown 1
  want="1 320064 200 922 4"
  wait_for 30 prints "$want" cat click513.txt
  check "ON MOUSE: left button down" "$want" "$(cat click513.txt 2>/dev/null)"
  xdotool mouseup 1
  # Right button with Ctrl at (7, 500): MK_RBUTTON | MK_CONTROL.
  xdotool mousemove --window "$wid" 7 500 keydown ctrl mousedown 3
  want="10 1F40007 14 22 1"
  wait_for 30 prints "$want" cat click516.txt
  check "ON MOUSE: right button with Ctrl" "$want" "$(cat click516.txt 2>/dev/null)"
  xdotool mouseup 3 keyup ctrl
  # Button up: no event; the middle button: WM_MBUTTONDOWN.
  xdotool mousemove --window "$wid" 320 256 click 2
  wait_for 30 prints "16 1000140" cut -d' ' -f1,2 click519.txt
  check "ON MOUSE: middle button" "16 1000140" "$(cut -d' ' -f1,2 click519.txt 2>/dev/null)"
  # Wheel notches away from and towards the user are keys 141 and 140.
  xdotool click 4
  wait_for 30 prints 141 cut -d' ' -f1 key.txt
  check "wheel away from the user" 141 "$(cut -d' ' -f1 key.txt 2>/dev/null)"
  xdotool click 5
  wait_for 30 prints 140 cut -d' ' -f1 key.txt
  check "wheel towards the user" 140 "$(cut -d' ' -f1 key.txt 2>/dev/null)"
  # MOUSE reads the pointer outside the window too, unclipped.
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  xdotool mousemove $((X - 10)) $((Y - 20)) key k
  want="107 -20 1062 0"
  wait_for 30 prints "$want" cat key.txt
  check "MOUSE outside the window" "$want" "$(cat key.txt 2>/dev/null)"
  xdotool key q
  finish mouse
  check "ON MOUSE: status" 0 "$rc"
  [ -e click514.txt ] || [ -e click517.txt ]
  check "ON MOUSE: no button-up events" 1 $?
fi

# ---- error 0: a message box, then the report and the stop sequence ----
printf 'F%%=OPENOUT("hwnd.txt"): BPUT#F%%,STR$@hwnd%%: CLOSE#F%%\nERROR 0, "Out of luck"\n' > box.bas
if start box; then
  # SDL's message box is a plain X window (xdotool's search passes it by).
  box_window() {
    local w
    for w in $(xwininfo -root -tree | awk '/"KOV BASIC"/ {print $1}'); do
      xwininfo -id "$w" 2>/dev/null | grep -q IsViewable && { echo "$w"; return; }
    done
  }
  has_box() { [ -n "$(box_window)" ]; }
  # Return on the box's OK button, again until the box has gone.
  dismiss() { xdotool windowfocus --sync "$box" key Return 2>/dev/null; wait_for 2 gone_window "$box"; }
  wait_for 30 has_box
  box=$(box_window)
  check "error 0: a message box" yes "$([ -n "$box" ] && echo yes || echo no)"
  # The report waits for the box to be dismissed.
  alive "$pid"
  check "error 0: the program waits for the box" 0 $?
  if [ -n "$box" ]; then
    wait_for 30 dismiss
  fi
  # @hwnd% names the window, which is still the one that opened.
  check "@hwnd% is the X window" "$wid" "$(cat hwnd.txt)"
  focus; xdotool key Escape
  finish box 1
  check "error 0: status after the report" 1 "$rc"
  grep -q "Out of luck" box.stderr
  check "error 0: the message on standard error too" 0 $?
fi

# ---- the trailer's client size and maximised state ----
cat > sized.bas <<'BAS'
VDU 23,1,0;0;0;0;
F%=OPENOUT("sized.txt"): BPUT#F%,STR$@vdu%!208+" "+STR$@vdu%!212: CLOSE#F%
K%=GET
MODE 10
F%=OPENOUT("sized.txt"): BPUT#F%,STR$@vdu%!208+" "+STR$@vdu%!212: CLOSE#F%
K%=GET
QUIT
BAS
# start_app NAME: runs the executable NAME in a window; sets pid and wid.
start_app() {
  ./"$1" >"$1.stdout" 2>"$1.stderr" &
  pid=$!
  pids+=($pid)
  wid=$(timeout 30 xdotool search --sync --onlyvisible --name "^$1\$" | head -1)
  [ -n "$wid" ] || { echo "FAIL: $1: no window appeared"; cat "$1.stderr"; fail=1; return 1; }
}
"$kov" --bundle sized.bas -o sized --size 400x300
"$kov" --bundle sized.bas -o maxed --size 400x300 --maximised
if start_app sized; then
  wait_for 30 prints "400 300" cat sized.txt
  check "trailer: the VDU's client size" "400 300" "$(cat sized.txt 2>/dev/null)"
  check "trailer: the window's client size" 400x300 "$(size_of "$wid")"
  xprop -id "$wid" _NET_WM_STATE | grep -q MAXIMIZED
  check "trailer: not maximised without asking" 1 $?
  # A MODE change then sizes the window as usual, moving it back onto the
  # screen (1600 x 1280, no window manager) where it would reach past it.
  xdotool windowmove "$wid" 1500 1100
  wait_for 30 prints 1500,1100 position_of "$wid"
  rm -f sized.txt; focus; xdotool key space
  wait_for 30 prints 720x576 size_of "$wid"
  check "trailer: MODE 10 resizes" 720x576 "$(size_of "$wid")"
  wait_for 30 prints 880,704 position_of "$wid"
  check "MODE 10 moves the window onto the screen" 880,704 "$(position_of "$wid")"
  xdotool key space
  finish sized
fi
if start_app maxed; then
  wait_for 30 test -s sized.txt
  xprop -id "$wid" _NET_WM_STATE | grep -q _NET_WM_STATE_MAXIMIZED_VERT
  check "trailer: show 3 asks the window manager to maximise" 0 $?
  # A maximised window keeps its size through a MODE change.
  rm -f sized.txt; focus; xdotool key space
  wait_for 30 prints "720 576" cat sized.txt
  check "maximised: the VDU takes MODE 10" "720 576" "$(cat sized.txt 2>/dev/null)"
  check "maximised: the window keeps its size" 400x300 "$(size_of "$wid")"
  xdotool key space
  finish maxed
fi

# ---- a display that cannot be opened: the program runs headless ----
printf 'PRINT "no window here"\n' > nowindow.bas
out=$(DISPLAY=:8191 timeout 60 "$kov" nowindow.bas 2>nowindow.stderr); rc=$?
check "unopenable display: status" 0 "$rc"
check "unopenable display: headless output" "no window here" "$out"
grep -q "running headless" nowindow.stderr
check "unopenable display: said on standard error" 0 $?

exit $fail
