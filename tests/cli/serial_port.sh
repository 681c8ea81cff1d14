#!/usr/bin/env bash
# A program talks to COM1: through a pseudo-terminal pair named by
# --com1: what it sends arrives on the other side, what is sent to it
# arrives through BGET#, and EXT# counts the bytes waiting.
set -u
kov=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cat > "$tmp/serial.bas" <<'BAS'
C%=OPENUP "COM1:9600,n,8,1"
PRINT C%
BPUT#C%, "ping";
REPEAT UNTIL EXT#C%>=4
PRINT EXT#C%
A$="": FOR I%=1 TO 4: A$+=CHR$BGET#C%: NEXT
PRINT A$, EXT#C%
CLOSE#C%
BAS
python3 - "$kov" "$tmp/serial.bas" <<'PY'
import os, select, subprocess, sys
master, slave = os.openpty()
name = os.ttyname(slave)
proc = subprocess.Popen([sys.argv[1], "--headless", "--com1", name, sys.argv[2]],
                        stdout=subprocess.PIPE, stdin=subprocess.DEVNULL)
got = b""
while len(got) < 4:
    r, _, _ = select.select([master], [], [], 30)
    if not r:
        break
    got += os.read(master, 64)
os.write(master, b"pong")
out, _ = proc.communicate(timeout=60)
expected = b"         1\n         4\npong               0\n"
ok = got == b"ping" and out == expected and proc.returncode == 0
if not ok:
    print("FAIL: sent %r, printed %r, status %d" % (got, out, proc.returncode))
sys.exit(0 if ok else 1)
PY
