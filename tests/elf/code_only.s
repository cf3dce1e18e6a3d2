; A program with no data symbols: everything lives in the code section.
        .text
        .globl  _start
_start:
        bra     _start
