#!/usr/bin/env bash
# Runs one golden BASIC program headless and compares its standard output
# (and exit status) with NAME.out (and NAME.rc, default 0). NAME.in, when
# present, is fed to standard input; otherwise standard input is empty.
set -u
kov=$1 prog=$2
base=${prog%.bas}
expected_rc=0
[ -f "$base.rc" ] && expected_rc=$(cat "$base.rc")
input=/dev/null
[ -f "$base.in" ] && input=$base.in
args=()
[ -f "$base.args" ] && read -r -a args < "$base.args"
actual=$(mktemp)
work=
trap 'rm -f "$actual"; [ -n "$work" ] && chmod -R u+w "$work" && rm -rf "$work"' EXIT
cd "$(dirname "$prog")" || exit 1
if [ -f .tmpdir ]; then
  work=$(mktemp -d)
  cd "$work" || exit 1
fi
timeout 60 "$kov" --headless "${args[@]}" "$prog" < "$input" > "$actual" 2>/dev/null
rc=$?
if [ -n "$work" ]; then
  sed -i "s|$work|TMPDIR|g" "$actual"
fi
status=0
if ! cmp -s "$actual" "$base.out"; then
  echo "output differs for $prog:"
  diff -u "$base.out" "$actual" | head -40
  status=1
fi
if [ "$rc" != "$expected_rc" ]; then
  echo "exit status $rc, expected $expected_rc"
  status=1
fi
exit $status
