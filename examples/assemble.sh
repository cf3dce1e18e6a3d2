#!/bin/sh
# Assembles the example programs (counter and square_wave) with Debian's binutils-m68hc1x.
#   assemble.sh WORK_DIR                    build NAME.elf, NAME.s19 and NAME.lst of each in WORK_DIR
#   assemble.sh WORK_DIR DEST_DIR           ... and copy them to DEST_DIR
#   assemble.sh WORK_DIR DEST_DIR HALVANE   ... and the maps NAME.csv too, made by the halvane
#                                           program HALVANE from the symbols of NAME.elf
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

# assemble NAME: NAME.elf, NAME.s19 and NAME.lst from NAME.s
assemble() {
  cd "$here"
  m68hc11-as --gdwarf2 --debug-prefix-map "$here"=. -aln="$work/$1.lst" -o "$work/$1.o" "$1.s"
  cd "$work"
  # The program runs from RAM, so its one segment is writable and executable by design.
  m68hc11-ld --no-warn-rwx-segments -T "$here/cme11e9.ld" -o "$1.elf" "$1.o"
  m68hc11-objcopy -O srec "$1.elf" "$1.s19"
}

# map NAME ROW ROW: the program's variables as --map-from-symbols lists them, then two register
# rows in the first two empty rows (the map keeps its 100 lines).
map() {
  cd "$work"
  "$halvane" --map-from-symbols "$1.elf" >symbols.csv
  awk -v row1="$2" -v row2="$3" '
    BEGIN { added = 0 }
    /^"","","","",""\r$/ && added < 2 { print (added == 0 ? row1 : row2) "\r"; added++; next }
    { print }
  ' symbols.csv >"$1.csv"
}

for name in counter square_wave; do
  assemble "$name"
done
if [ -n "$halvane" ]; then
  map counter '"102B","BAUD: SCI baud rate register (30 = 9600 baud)","","",""' \
      '"102D","SCCR2: SCI control 2 (2C = transmitter, receiver and receive interrupt on)","","",""'
  map square_wave '"1000","PORTA: port A (40 = PA6 high)","","",""' \
      '"1018","TOC2: output compare 2, the count of the next edge","","W",""'
fi
if [ -n "$dest" ]; then
  cd "$work"
  for name in counter square_wave; do
    cp "$name.elf" "$name.s19" "$name.lst" "$dest/"
    if [ -n "$halvane" ]; then cp "$name.csv" "$dest/"; fi
  done
fi
