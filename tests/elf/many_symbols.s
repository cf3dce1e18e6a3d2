; More data symbols (120 bytes named v0 to v119) than a variable map has rows.
        .macro  variable
v\@:    .byte   0
        .endm

        .text
        .globl  _start
_start:
        bra     _start

        .data
        .rept   120
        variable
        .endr
