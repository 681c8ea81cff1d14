#!/usr/bin/env bash
# Checks one benchmark's output against NAME.out. The mandel count may
# differ by a few points with 40-bit reals; it must lie within 10 of it.
set -u
kov=$1 prog=$2
base=${prog%.bas}
name=$(basename "$base")
actual=$("$kov" --headless "$prog" </dev/null)
rc=$?
[ $rc -eq 0 ] || { echo "$name: exit status $rc"; exit 1; }
expected=$(cat "$base.out")
if [ "$name" = mandel ]; then
  a=$(echo "$actual" | tr -d ' '); e=$(echo "$expected" | tr -d ' ')
  [[ $a =~ ^[0-9]+$ ]] || { echo "mandel printed: $actual"; exit 1; }
  d=$(( a > e ? a - e : e - a ))
  echo "mandel count $a (64-bit peers: $e)"
  [ $d -le 10 ] || exit 1
  exit 0
fi
[ "$actual" = "$expected" ] || { echo "$name: got '$actual', expected '$expected'"; exit 1; }
