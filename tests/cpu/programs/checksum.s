; Fills 256 bytes with i*7, sums them into 16 bits, then computes the Fletcher-16 checksum of a
; text. Ends with SWI.
        .text
        .globl  _start
_start: jmp     main
sum:    .word   0               ; 2403: 16-bit sum of the table
fletch: .word   0               ; 2405: sum2:sum1 of the text
text:   .ascii  "HALVANE 68HC11"
textend:

TABLE = 0x3000

main:   lds     #0x01FF
        ldx     #TABLE
        clra
fill:   staa    0,x
        adda    #7
        inx
        cpx     #TABLE+256
        bne     fill

        ldy     #TABLE
        ldd     #0
add:    addb    0,y
        adca    #0
        iny
        cpy     #TABLE+256
        bne     add
        std     sum

        ldx     #text
        clr     fletch          ; sum2
        clr     fletch+1        ; sum1
next:   ldab    0,x
        clra
        addb    fletch+1        ; sum1 + byte, reduced mod 255
        adca    #0
        bsr     mod255
        stab    fletch+1
        clra
        addb    fletch          ; sum2 + sum1, reduced mod 255
        adca    #0
        bsr     mod255
        stab    fletch
        inx
        cpx     #textend
        bne     next
        swi

; D (at most 2 * 254) mod 255 -> B
mod255: subd    #255
        bcc     mod255
        addd    #255
        rts
