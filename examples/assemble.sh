#!/bin/sh
# Assembles the example program with Debian's binutils-m68hc1x.
#   assemble.sh WORK_DIR            build counter.elf, counter.s19 and counter.lst in WORK_DIR
#   assemble.sh WORK_DIR DEST_DIR   ... and copy them to DEST_DIR
# Names are passed relative to their folders so that the listing, the ELF file and the
# S-record header come out the same wherever the build runs.
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mkdir -p "$1" && cd "$1" && pwd)"
dest=""
if [ $# -ge 2 ]; then dest="$(cd "$2" && pwd)"; fi
cd "$here"
m68hc11-as -aln="$work/counter.lst" -o "$work/counter.o" counter.s
cd "$work"
# The program runs from RAM, so its one segment is writable and executable by design.
m68hc11-ld --no-warn-rwx-segments -T "$here/cme11e9.ld" -o counter.elf counter.o
m68hc11-objcopy -O srec counter.elf counter.s19
if [ -n "$dest" ]; then
  cp counter.elf counter.s19 counter.lst "$dest/"
fi
