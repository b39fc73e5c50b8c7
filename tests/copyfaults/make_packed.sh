#!/bin/bash
# Compressed payloads for the copy fault tests, made with the host
# compressor: a good one of a known time stamp, one with damaged stream
# bytes and one cut short.
#   make_packed.sh <tncompress> <out dir>
set -euo pipefail
tool="$1" out="$2"
mkdir -p "$out"
for i in $(seq 1 400); do echo "line $i of the packed text, $((i * 7919 % 1000))"; done >"$out/plain.txt"
touch -d '2003-04-05 06:07:08 UTC' "$out/plain.txt"
"$tool" "$out/plain.txt" "$out/good.tnc"
cp "$out/good.tnc" "$out/bad.tnc"
# Past the 44-byte header, inside the zlib stream.
printf '\x55\xaa\x55\xaa\x55\xaa\x55\xaa' | dd of="$out/bad.tnc" bs=1 seek=200 conv=notrunc status=none
head -c "$(($(stat -c %s "$out/good.tnc") / 2))" "$out/good.tnc" >"$out/short.tnc"
# 64 MiB that pack into a few kilobytes: one input block expands to many
# megabytes, the hardest case for keeping the window alive.
head -c $((64 * 1024 * 1024)) /dev/zero >"$out/zeros.bin"
"$tool" "$out/zeros.bin" "$out/zeros.tnc"
rm "$out/zeros.bin"
