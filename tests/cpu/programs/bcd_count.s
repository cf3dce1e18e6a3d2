; Counts 1234 events in a four-digit BCD counter with ADDA/DAA, then 8766 more so it wraps
; past 9999 to 0000. Ends with SWI.
        .text
        .globl  _start
_start: jmp     main
count:  .word   0               ; 2403: BCD, high digits first
after:  .word   0               ; 2405: the count after the first 1234
main:   lds     #0x01FF
        ldx     #1234
        bsr     countx
        ldd     count
        std     after
        ldx     #8766
        bsr     countx
        swi

countx: ldaa    count+1
        adda    #1
        daa
        staa    count+1
        ldaa    count
        adca    #0
        daa
        staa    count
        dex
        bne     countx
        rts
