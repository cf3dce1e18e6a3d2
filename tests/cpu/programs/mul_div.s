; 16 x 16 -> 32 bit multiply from four MULs, then IDIV and FDIV. Ends with SWI.
        .text
        .globl  _start
_start: jmp     main
lhs:    .word   0x1234          ; 2403
rhs:    .word   0x5678          ; 2405
prod:   .space  4               ; 2407: lhs * rhs
quot:   .word   0               ; 240B: 54321 / 123
rem:    .word   0               ; 240D: 54321 % 123
frac:   .word   0               ; 240F: 1 / 3 as a binary fraction

main:   lds     #0x01FF
        ldaa    lhs+1             ; al * bl
        ldab    rhs+1
        mul
        std     prod+2
        ldaa    lhs               ; ah * bh
        ldab    rhs
        mul
        std     prod
        ldaa    lhs               ; ah * bl
        ldab    rhs+1
        mul
        addd    prod+1
        std     prod+1
        ldaa    prod
        adca    #0
        staa    prod
        ldaa    lhs+1             ; al * bh
        ldab    rhs
        mul
        addd    prod+1
        std     prod+1
        ldaa    prod
        adca    #0
        staa    prod

        ldd     #54321
        ldx     #123
        idiv
        stx     quot
        std     rem

        ldd     #1
        ldx     #3
        fdiv
        stx     frac
        swi
