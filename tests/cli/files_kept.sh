#!/usr/bin/env bash
# Nothing a program writes to a file is lost: whichever way the engine
# ends, the bytes still in a channel's buffer reach the file; a flush
# that fails is an error, never silent.
set -u
kov=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 1
fail=0
check() {  # check DESCRIPTION EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1: expected [$2], got [$3]"
    fail=1
  fi
}

# Every program writes the same record (less than a buffer, so nothing
# reaches the file before the end) and then ends its own way.
write='F%=OPENOUT "OUT"
BPUT#F%, "bytes";
PRINT#F%, 7, "text"'
expected=$(printf 'bytes\x07\x00\x00\x00\x00text\r' | od -An -tx1)

ending() {  # ending NAME EXPECTED_STATUS LAST_LINES
  rm -f OUT.KOV
  printf '%s\n%s\n' "$write" "$3" > "$1.bas"
  "$kov" --headless "$1.bas" >/dev/null 2>&1 </dev/null
  check "$1: status" "$2" $?
  check "$1: file" "$expected" "$(od -An -tx1 OUT.KOV 2>/dev/null)"
}

ending end 0 'END'
ending program_end 0 'A=1'
ending stop 0 'STOP'
ending error 1 'PRINT 1/0'
ending error_in_procedure 1 'PROCx
DEF PROCx: ERROR 100, "mine"'
ending quit 3 'QUIT 3'
ending star_quit 0 '*QUIT'
ending escape_at_input 1 'INPUT A$'
ending chain_missing 1 'CHAIN "nowhere"'

# Signals: the program says it has written its bytes by creating READY,
# then loops until the signal ends it.
signal() {  # signal NAME SIGNAL EXPECTED_STATUS [WAITING_STATEMENT]
  rm -f OUT.KOV READY.KOV
  printf '%s\n%s\n%s\n' "$write" 'F%=OPENOUT "READY": CLOSE#F%' "${4:-REPEAT: UNTIL FALSE}" > "$1.bas"
  "$kov" --headless "$1.bas" >/dev/null 2>&1 </dev/null &
  pid=$!
  for _ in $(seq 1 3000); do [ -f READY.KOV ] && break; sleep 0.01; done
  kill -"$2" "$pid"
  wait "$pid"
  check "$1: status" "$3" $?
  check "$1: file" "$expected" "$(od -An -tx1 OUT.KOV 2>/dev/null)"
}

signal sigterm TERM 143
signal sighup HUP 129
# SIGINT is the Escape key: the untrapped Escape ends the program (130).
signal sigint INT 130
# The wait for another program gives way to Escape as well.
signal sigint_in_run INT 130 '*RUN sleep 30'
signal sigterm_in_run TERM 143 '*RUN sleep 30'

# Three SIGINTs within two seconds end the engine at once, even while the
# program traps every Escape: the buffers are still written.
rm -f OUT.KOV READY.KOV
printf '%s\n%s\n' "$write" 'F%=OPENOUT "READY": CLOSE#F%
ON ERROR REPEAT: UNTIL FALSE
REPEAT: UNTIL FALSE' > emergency.bas
"$kov" --headless emergency.bas >/dev/null 2>&1 </dev/null &
pid=$!
for _ in $(seq 1 3000); do [ -f READY.KOV ] && break; sleep 0.01; done
for _ in 1 2 3; do kill -INT "$pid" 2>/dev/null; sleep 0.2; done
for _ in $(seq 1 1000); do kill -0 "$pid" 2>/dev/null || break; sleep 0.01; done
kill -TERM "$pid" 2>/dev/null
wait "$pid"
check "emergency exit: status" 130 $?
check "emergency exit: file" "$expected" "$(od -An -tx1 OUT.KOV 2>/dev/null)"

# A flush that fails is reported: CLOSE# raises "Disk full" (and the
# channel is closed, so a handler that ends the program ends it), and
# bytes that cannot be written at the end make the run fail with a message.
if [ -w /dev/full ]; then
  printf 'F%%=OPENOUT "/dev/full."\nBPUT#F%%, 1\nON ERROR PRINT ERR; " "; REPORT$: END\nCLOSE#F%%\n' > full.bas
  out=$("$kov" --headless full.bas 2>/dev/null </dev/null); rc=$?
  check "full: report" "       198 Disk full" "$out"
  check "full: status" 0 $rc
  printf 'F%%=OPENOUT "/dev/full."\nBPUT#F%%, 1\nSTOP\n' > full_stop.bas
  "$kov" --headless full_stop.bas >/dev/null 2>err.txt </dev/null
  check "full at the end: status" 1 $?
  grep -q "/dev/full: Disk full" err.txt || { echo "FAIL: full at the end: message: $(cat err.txt)"; fail=1; }
fi

exit $fail
