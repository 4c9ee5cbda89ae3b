#!/usr/bin/env bash
# Compares the radio simulator's memory dump with the blocks of an image.
# Usage: compare-dump.sh BLOCKS DUMP
#   BLOCKS  what `updater-cli info --blocks [--file IMAGE]` printed
#   DUMP    what `radio-sim --dump` wrote: "<address> <byte>" per written byte
# The radio must hold exactly the bytes of the low, main and top-area transfer blocks.
set -euo pipefail
(($# == 2)) || { echo "usage: compare-dump.sh BLOCKS DUMP" >&2; exit 2; }
# Either file may come from a Windows program; its lines then end in CR LF.
tr -d '\r' <"$1" | awk '
  function hex(text,   i, value) {
    value = 0
    text = toupper(text)
    for (i = 1; i <= length(text); i++) value = value * 16 + index("0123456789ABCDEF", substr(text, i, 1)) - 1
    return value
  }
  FNR == NR {
    if ($1 == "low" || $1 == "main" || $1 == "transfer") {
      base = hex($2)
      for (i = 0; i < $3; i++) expected[sprintf("%06X", base + i)] = toupper(substr($4, 2 * i + 1, 2))
    }
    next
  }
  {
    address = toupper($1)
    if (!(address in expected)) { printf "radio memory differs: %s written but not in the image\n", address; bad = 1; exit }
    if (toupper($2) != expected[address]) { printf "radio memory differs at %s: %s, image %s\n", address, $2, expected[address]; bad = 1; exit }
    seen++
  }
  END {
    if (bad) exit 1
    total = 0
    for (a in expected) total++
    if (total == 0) { print "radio memory not compared: the image lists no blocks"; exit 1 }
    if (seen != total) { printf "radio memory differs: %d of the image'"'"'s %d bytes written\n", seen, total; exit 1 }
    printf "radio memory matches the image: %d bytes\n", seen
  }
' - <(tr -d '\r' <"$2")
