#!/bin/sh
# Assembles the example program with Debian's binutils-m68hc1x.
#   assemble.sh WORK_DIR                    build counter.elf, counter.s19 and counter.lst in WORK_DIR
#   assemble.sh WORK_DIR DEST_DIR           ... and copy them to DEST_DIR
#   assemble.sh WORK_DIR DEST_DIR HALVANE   ... and the map counter.csv too, made by the halvane
#                                           program HALVANE from the symbols of counter.elf
# Names are passed relative to their folders, and the source folder recorded in the line
# information is ".", so that the listing, the ELF file and the S-record header come out the
# same wherever the build runs. --gdwarf2 adds the line information (the ELF file's
# .debug_line) with which the window gives the listing's lines their addresses; the program's
# bytes stay the same.
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mkdir -p "$1" && cd "$1" && pwd)"
dest=""
if [ $# -ge 2 ]; then dest="$(cd "$2" && pwd)"; fi
halvane="${3:-}"
case "$halvane" in "" | /*) ;; *) halvane="$PWD/$halvane" ;; esac
cd "$here"
m68hc11-as --gdwarf2 --debug-prefix-map "$here"=. -aln="$work/counter.lst" \
  -o "$work/counter.o" counter.s
cd "$work"
# The program runs from RAM, so its one segment is writable and executable by design.
m68hc11-ld --no-warn-rwx-segments -T "$here/cme11e9.ld" -o counter.elf counter.o
m68hc11-objcopy -O srec counter.elf counter.s19
if [ -n "$halvane" ]; then
  # The program's variables as --map-from-symbols lists them, then two of the SCI's registers
  # in the first two empty rows (the map keeps its 100 lines).
  "$halvane" --map-from-symbols counter.elf >symbols.csv
  awk -v sci1='"102B","BAUD: SCI baud rate register (30 = 9600 baud)","","",""' \
      -v sci2='"102D","SCCR2: SCI control 2 (2C = transmitter, receiver and receive interrupt on)","","",""' '
    BEGIN { added = 0 }
    /^"","","","",""\r$/ && added < 2 { print (added == 0 ? sci1 : sci2) "\r"; added++; next }
    { print }
  ' symbols.csv >counter.csv
fi
if [ -n "$dest" ]; then
  cp counter.elf counter.s19 counter.lst "$dest/"
  if [ -n "$halvane" ]; then cp counter.csv "$dest/"; fi
fi
