#!/usr/bin/env bash
# The process edges of the kov command: loading (extension rule, standard
# input, "#!", byte-order mark, UTF-8, directories, endless files), the
# FILE:LINE diagnostic, exit statuses, @cmd$, bundles, signals and failed
# writes.
set -u
kov=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
fail=0
check() {  # check DESCRIPTION EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1: expected [$2], got [$3]"
    fail=1
  fi
}
contains() {  # contains DESCRIPTION NEEDLE HAYSTACK
  [[ $3 == *"$2"* ]] || { echo "FAIL: $1: [$3] lacks [$2]"; fail=1; }
}

# ---- exit statuses ----
printf 'QUIT 7\n' > q7.bas;      "$kov" q7.bas;  check "QUIT 7" 7 $?
printf 'QUIT\n' > q0.bas;        "$kov" q0.bas;  check "plain QUIT" 0 $?
printf 'QUIT 300\n' > q300.bas;  "$kov" q300.bas; check "QUIT 300 is taken modulo 256" 44 $?
printf 'PRINT 1\nEND\n' > end.bas; "$kov" end.bas >/dev/null; check "END" 0 $?
printf 'PRINT 1/0\n' > div.bas;  "$kov" div.bas >/dev/null 2>&1; check "untrapped error" 1 $?

# ---- the extension rule: NAME.kov, NAME.KOV, NAME.bas, then NAME ----
printf 'PRINT "bare"\n' > prog
"$kov" prog > out; check "bare name" bare "$(cat out)"
printf 'PRINT "bas"\n' > prog.bas
"$kov" prog > out; check ".bas before the bare name" bas "$(cat out)"
printf 'PRINT "kov"\n' > prog.kov
"$kov" prog > out; check ".kov first" kov "$(cat out)"
err=$("$kov" nosuch 2>&1); check "nothing opens" 2 $?
check "names tried" "kov: cannot open nosuch (tried nosuch.kov, nosuch.KOV, nosuch.bas, nosuch)" "$err"

# ---- programs from standard input; "#!" and a byte-order mark ----
out=$(printf 'PRINT "piped"\n' | "$kov" -); check "kov -" piped "$out"
out=$(printf 'PRINT "stdin"\n' | "$kov" /dev/stdin); check "kov /dev/stdin" stdin "$out"
printf '#!/usr/bin/env kov\nPRINT "script"\nPRINT 1/0\n' > script.bas
out=$("$kov" script.bas 2>err); check "#! line skipped" "script" "$(echo "$out" | head -1)"
check "#! line still counts for the diagnostic" "script.bas:3: Division by zero" "$(cat err)"
printf '\xef\xbb\xbfPRINT "bom"\n' > bom.bas
out=$("$kov" bom.bas); check "byte-order mark skipped" bom "$out"

# ---- UTF-8 in, Windows-1252 inside, UTF-8 out ----
printf 'PRINT "caf\xc3\xa9 \xe2\x82\xac ";LEN("\xe2\x82\xac\xc3\xa9");" ";ASC("\xe2\x82\xac")\n' > utf8.bas
out=$("$kov" utf8.bas); check "UTF-8 round trip" "café € 2 128" "$out"
printf 'PRINT "caf\xe9"\n' > cp1252.bas
out=$("$kov" cp1252.bas); check "Windows-1252 text is taken as it is" "café" "$out"
printf 'PRINT 1\n\nPRINT "\xe2\x98\x83"\n' > snowman.bas
err=$("$kov" snowman.bas 2>&1); check "unmappable character status" 2 $?
check "unmappable character names the line" "kov: snowman.bas:3: character U+2603 has no Windows-1252 code" "$err"

# ---- loading is bounded and total ----
mkdir dir.bas
err=$("$kov" dir.bas 2>&1); check "directory status" 2 $?
check "directory message" "kov: dir.bas: is a directory" "$err"
ln -s /dev/zero zero.kov
err=$("$kov" zero.kov 2>&1); check "endless file status" 2 $?
contains "endless file message" "too big" "$err"
printf 'ON ERROR PRINT REPORT$;" ";ERR: END\nCHAIN "dir.bas"\n' > chaindir.bas
out=$("$kov" chaindir.bas); check "CHAIN of a directory is trappable" "File or path not found 214" "$out"
printf 'ON ERROR PRINT REPORT$;" ";ERR: END\nINSTALL "dir.bas"\n' > instdir.bas
out=$("$kov" instdir.bas); check "INSTALL of a directory is trappable" "File or path not found 214" "$out"
printf 'CHAIN "zero.kov"\n' > chainzero.bas
out=$("$kov" chainzero.bas 2>/dev/null); check "CHAIN of an endless file status" 1 $?
check "CHAIN of an endless file" $'\nNo room' "$out"
# CHAIN and INSTALL follow the same extension rule.
printf 'PRINT "lib ";FNlib\nCHAIN "second"\n' > first.bas
printf 'DEF FNlib = 42\n' > lib.bas
printf 'INSTALL "lib"\nPRINT "second ";FNlib\n\nPRINT 1/0\n' > second.bas
sed -i '1i INSTALL "lib"' first.bas
out=$("$kov" first.bas 2>err); check "CHAIN and INSTALL find NAME.bas" $'lib 42\nsecond 42\n\nDivision by zero' "$out"
check "diagnostic after CHAIN names the chained file" "second.bas:4: Division by zero" "$(cat err)"

# ---- the diagnostic line ----
printf 'REM a comment\n\n  PRINT "a"\n10 PRINT 1/0\n' > numbered.bas
"$kov" numbered.bas >/dev/null 2>err
check "text line of a numbered line" "numbered.bas:4: Division by zero" "$(cat err)"
"$kov" --tokenise numbered.bas numbered.kov
"$kov" numbered.kov >/dev/null 2>err
check "tokenised program: the BASIC line number" "numbered.kov:10: Division by zero" "$(cat err)"
printf 'ON ERROR PRINT "trapped": END\nPRINT 1/0\n' > trapped.bas
"$kov" trapped.bas >/dev/null 2>err; check "no diagnostic for a trapped error" "" "$(cat err)"

# ---- @cmd$ keeps the quoting ----
printf 'PRINT @cmd$\n' > cmd.bas
out=$("$kov" cmd.bas one "two words" "" 'say "hi"'); check "@cmd\$ re-quoted" 'one "two words" "" "say ""hi"""' "$out"

# ---- bundles take the whole command line ----
"$kov" --bundle cmd.bas -o app; check "bundle" 0 $?
out=$(./app --help --keys x -); check "bundle parses no engine options" "--help --keys x -" "$out"
err=$("$kov" --bundle cmd.bas -o cmd.bas 2>&1); check "bundle onto its input" 2 $?
contains "bundle onto its input message" "overwrite its input" "$err"
check "input kept after a refused bundle" 'PRINT @cmd$' "$(cat cmd.bas)"
err=$("$kov" --tokenise cmd.bas cmd.bas 2>&1); check "tokenise onto its input" 2 $?
contains "tokenise onto its input message" "overwrite its input" "$err"
ln -s cmd.bas link.bas
"$kov" --tokenise cmd.bas link.bas 2>/dev/null; check "tokenise onto a link to its input" 2 $?
check "input kept after a refused tokenise" 'PRINT @cmd$' "$(cat cmd.bas)"

# ---- nothing printed is lost ----
printf 'FOR I%%=1 TO 3: PRINT I%%;: NEXT: PRINT\n' > three.bas
err=$("$kov" three.bas 2>&1 >/dev/full); check "write to a full device" 1 $?
contains "write failure reported" "cannot write standard output" "$err"
printf 'FOR I%%=1 TO 100000: PRINT I%%: NEXT\n' > many.bas
"$kov" many.bas | head -1 >/dev/null; check "closed pipe ends the run quietly" 141 "${PIPESTATUS[0]}"

# ---- signals ----
printf 'PRINT "started"\nREPEAT UNTIL FALSE\n' > loop.bas
# run_and_signal SIGNAL: starts the loop, waits (bounded) for its output,
# sends the signal; the status and output are left in rc and out.
run_and_signal() {
  "$kov" loop.bas > sig.out 2> sig.err &
  local pid=$!
  for _ in $(seq 1 500); do grep -q started sig.out 2>/dev/null && break; sleep 0.02; done
  kill -"$1" $pid
  wait $pid; rc=$?
  out=$(cat sig.out)
}
run_and_signal TERM; check "SIGTERM status" 143 $rc; check "SIGTERM keeps the output" started "$out"
run_and_signal HUP;  check "SIGHUP status" 129 $rc
run_and_signal INT;  check "SIGINT status" 130 $rc; check "SIGINT stops with Escape" $'started\n\nEscape' "$out"
check "SIGINT diagnostic" "loop.bas:2: Escape" "$(cat sig.err)"

exit $fail
