; Symbols of every kind the symbol reader meets, for its tests. Assembled twice: as an
; assembler programmer usually writes it (labels without sizes) and, with --defsym SIZED=1,
; with .size and .type directives. Both must give the same symbols.

BAUD = 0x102B                   ; an equate: a constant, not a variable

        .text
        .globl  _start
_start:
        bra     start
table:  .byte   1, 2, 3, 4      ; a table in the code section
start:
        ldaa    counter
        ldab    BAUD
L1:     bra     .Lskip          ; L1 and .Lskip are local labels
.Lskip:
        rts

        .data
counter: .byte  1               ; a byte
speed:  .word   0x1234          ; a word
buffer: .space  8               ; an array
flags:  .byte   0               ; a byte left without a size in both versions

        .bss
total:  .space  2               ; a word in bss
scratch: .space 3               ; the last symbol: its size runs to the section's end

.ifdef SIZED
        .size   table, 4
        .type   counter, @object
        .size   counter, 1
        .type   speed, @object
        .size   speed, 2
        .type   buffer, @object
        .size   buffer, 8
        .type   total, @object
        .size   total, 2
        .type   scratch, @object
        .size   scratch, 3
.endif
