#!/usr/bin/env bash
# Screen test through --screenshot: the PNG has the MODE's size, each cell
# shows its colour from the default palette, a redefined colour has the
# low-bit encoding, and the stop sequence's ">" is not in the picture.
set -u
kov=$1 dir=$2
out=$(mktemp --suffix=.png)
trap 'rm -f "$out"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }
"$kov" --headless --screenshot "$out" "$dir/colours.bas" > /dev/null || fail "run failed"
size=$(identify -format '%wx%h' "$out")
[ "$size" = 640x512 ] || fail "size $size"
pixel() { convert "$out" -format "%[fx:int(255*p{$1,$2}.r)],%[fx:int(255*p{$1,$2}.g)],%[fx:int(255*p{$1,$2}.b)]" info:; }
expect() { local got; got=$(pixel "$1" "$2"); [ "$got" = "$3" ] || fail "pixel $1,$2 is $got, expected $3"; }
want=(0,0,0 200,0,0 0,200,0 200,200,0 0,0,200 200,0,200 0,200,200 200,200,200
      56,56,56 248,56,56 56,248,56 248,248,56 56,56,248 248,56,248 56,248,248 248,248,248)
for n in $(seq 0 15); do
  expect $((n * 16)) 16 "${want[$n]}"         # top-left pixel of the cell
  expect $((n * 16 + 15)) 31 "${want[$n]}"    # bottom-right pixel
done
expect 0 48 8,0,192     # COLOUR 1,4: physical blue with logical colour 1 in its low bits
expect 256 16 0,0,0     # beyond the last cell: black
# The cursor rests at row 5, where the stop sequence would print ">".
cell=$(convert "$out" -crop 16x16+0+80 +repage -format '%[fx:maxima]' info:)
[ "$cell" = 0 ] || fail "the cell of the prompt is not blank ($cell)"
# A screenshot that cannot be written is an error.
"$kov" --headless --screenshot /nonexistent/dir/x.png "$dir/colours.bas" > /dev/null 2>&1
[ $? = 1 ] || fail "unwritable screenshot not reported"
exit $status
