#!/usr/bin/env bash
# Command-line behaviour of the kov executable: exit statuses, bundling,
# listing and tokenising.
set -u
kov=$1
root=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
check() {  # check DESCRIPTION EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1: expected [$2], got [$3]"
    fail=1
  fi
}

# STOP: an empty line, then the report; exit 0.
printf '10 STOP\n' > "$tmp/stop.bas"
out=$("$kov" --headless "$tmp/stop.bas"); rc=$?
check "STOP output" $'\nSTOP at line 10' "$out"
check "STOP status" 0 $rc

# A damaged image: "Bad program", exit 1.
printf '\x05\x0a\x00\xf1\x0e\x00\xff\xff' > "$tmp/bad.kov"
out=$("$kov" --headless "$tmp/bad.kov"); rc=$?
check "damaged image output" "Bad program" "$out"
check "damaged image status" 1 $rc

# A missing file, an unknown option, no program: exit 2 with a message.
err=$("$kov" --headless "$tmp/missing" 2>&1 >/dev/null); rc=$?
check "missing file status" 2 $rc
[[ $err == *"missing.kov"* ]] || { echo "FAIL: missing file message: $err"; fail=1; }
"$kov" --no-such-option >/dev/null 2>&1; check "unknown option status" 2 $?
"$kov" </dev/null >/dev/null 2>&1; check "no program status" 2 $?
"$kov" --keys >/dev/null 2>&1; check "--keys without text" 2 $?

# A program that is too big for the memory is refused, not loaded wrong.
python3 -c "
import sys
line = bytes([255, 10, 0]) + b'\xf4' + b'x' * 250 + b'\r'
sys.stdout.buffer.write(line * 70000 + b'\x00\xff\xff')" > "$tmp/huge.kov"
err=$("$kov" --headless "$tmp/huge.kov" 2>&1 >/dev/null); rc=$?
check "huge image status" 2 $rc
[[ $err == *"too big"* ]] || { echo "FAIL: huge image message: $err"; fail=1; }

# --bundle: the executable runs the program with its arguments as @cmd$.
printf 'PRINT "hello ";@cmd$\n' > "$tmp/hello.bas"
"$kov" --bundle "$tmp/hello.bas" -o "$tmp/app"; check "bundle status" 0 $?
out=$("$tmp/app" one two); check "bundled run" "hello one two" "$out"
# Bundling from a bundle replaces the image rather than stacking them.
printf 'PRINT "second"\n' > "$tmp/second.bas"
"$tmp/app" --bundle "$tmp/second.bas" -o "$tmp/app2" >/dev/null 2>&1 || true
"$kov" --bundle "$tmp/second.bas" -o "$tmp/app2"
out=$("$tmp/app2"); check "second bundle" "second" "$out"
# The trailer's client size is the first screen's, headless too (text
# wraps at its 40th column); the default is 640 x 512.
printf 'PRINT TAB(39,0) "ab";: X%%=POS: Y%%=VPOS: PRINT '"'"';@vdu%%!208;" ";@vdu%%!212;" ";X%%;" ";Y%%\n' > "$tmp/size.bas"
"$kov" --bundle "$tmp/size.bas" -o "$tmp/sized" --size 320x200 --maximised; check "sized bundle status" 0 $?
check "bundle client size" "320 200 1 1" "$("$tmp/sized" | tail -1)"
"$kov" --bundle "$tmp/size.bas" -o "$tmp/plain"
check "default client size" "640 512 41 0" "$("$tmp/plain" | tail -1)"
for bad in 0x200 320x 1601x10 10x1201 -5x5 320x200junk; do
  err=$("$kov" --bundle "$tmp/size.bas" -o "$tmp/bad" --size $bad 2>&1); rc=$?
  check "--size $bad refused" 2 $rc
  [[ $err == *"--size takes WIDTHxHEIGHT"* ]] || { echo "FAIL: --size $bad message: $err"; fail=1; }
done
[ -e "$tmp/bad" ] && { echo "FAIL: a refused --size wrote the executable"; fail=1; }
"$kov" --bundle "$tmp/size.bas" -o "$tmp/bad" --sizes 2>/dev/null; check "unknown bundle option" 2 $?

# Tokenising the listing of every golden program gives back the same bytes.
for prog in "$root"/tests/programs/*/*.bas "$root"/bench/*.bas "$root"/examples/*.bas; do
  [ -f "$prog" ] || continue
  # Only text programs: a few golden tests are deliberately damaged images.
  python3 -c "import sys; d=open(sys.argv[1],'rb').read(); sys.exit(any(b<32 and b not in (9,10,13) for b in d))" "$prog" || continue
  "$kov" --tokenise "$prog" "$tmp/a.kov" 2>/dev/null || continue   # deliberately broken inputs
  "$kov" --list "$tmp/a.kov" > "$tmp/list.bas" || { echo "FAIL: list $prog"; fail=1; continue; }
  "$kov" --tokenise "$tmp/list.bas" "$tmp/b.kov" || { echo "FAIL: retokenise $prog"; fail=1; continue; }
  cmp -s "$tmp/a.kov" "$tmp/b.kov" || { echo "FAIL: round trip of $prog"; fail=1; }
done
exit $fail
