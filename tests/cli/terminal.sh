#!/usr/bin/env bash
# The engine in a real terminal (tmux): GET sees single keys without Enter,
# cursor and function keys arrive as their key codes, the Escape key stops
# the program with "Escape", and the terminal mode is the same afterwards.
set -u
kov=$1
command -v tmux >/dev/null || { echo "tmux not installed: skipped"; exit 77; }
tmp=$(mktemp -d)
sock="kov-test-$$"
cleanup() { tmux -L "$sock" kill-server 2>/dev/null; rm -rf "$tmp"; }
trap cleanup EXIT
fail=0

cat > "$tmp/keys.bas" <<'BAS'
PRINT "ready"
REPEAT
  k% = GET
  PRINT "key ";k%
UNTIL FALSE
BAS
cat > "$tmp/run.sh" <<SH
#!/usr/bin/env bash
stty -a > "$tmp/before"
"$kov" --headless "$tmp/keys.bas"
echo "status \$?"
stty -a > "$tmp/after"
"$kov" --headless "$tmp/keys.bas"
echo "second status \$?"
stty -a > "$tmp/after2"
echo "finished"
sleep 600
SH
chmod +x "$tmp/run.sh"

# Waits (bounded) until the pane shows TEXT.
wait_for() {
  for _ in $(seq 1 500); do
    tmux -L "$sock" capture-pane -p -t t | grep -q -- "$1" && return 0
    sleep 0.02
  done
  echo "FAIL: the terminal never showed [$1]"
  tmux -L "$sock" capture-pane -p -t t
  fail=1
  return 1
}

tmux -L "$sock" -f /dev/null new-session -d -s t -x 80 -y 30 "$tmp/run.sh"
wait_for ready || exit 1
tmux -L "$sock" send-keys -t t a;      wait_for "key 97"
tmux -L "$sock" send-keys -t t Up;     wait_for "key 139"
tmux -L "$sock" send-keys -t t Left;   wait_for "key 136"
tmux -L "$sock" send-keys -t t F1;     wait_for "key 145"
tmux -L "$sock" send-keys -t t F12;    wait_for "key 156"
tmux -L "$sock" send-keys -t t Home;   wait_for "key 130"
tmux -L "$sock" send-keys -t t DC;     wait_for "key 135"
tmux -L "$sock" send-keys -t t C-Left; wait_for "key 128"
tmux -L "$sock" send-keys -t t Enter;  wait_for "key 13"
tmux -L "$sock" send-keys -t t Escape; wait_for "^Escape"
wait_for "status 1"
# Ctrl-C is SIGINT, which raises Escape too; it ends the run with 130.
for _ in $(seq 1 500); do
  [ "$(tmux -L "$sock" capture-pane -p -t t | grep -c ready)" -ge 2 ] && break
  sleep 0.02
done
tmux -L "$sock" send-keys -t t b;      wait_for "key 98"
tmux -L "$sock" send-keys -t t C-c;    wait_for "second status 130"
wait_for finished
# No key was echoed by the terminal itself: "a" shows only in "key 97".
if tmux -L "$sock" capture-pane -p -t t | grep -qx 'a'; then echo "FAIL: key echoed"; fail=1; fi
for after in "$tmp/after" "$tmp/after2"; do
  if ! cmp -s "$tmp/before" "$after"; then
    echo "FAIL: terminal mode changed"
    diff "$tmp/before" "$after"
    fail=1
  fi
done
[ -n "${KOV_SHOW_PANE:-}" ] && tmux -L "$sock" capture-pane -p -t t
exit $fail
