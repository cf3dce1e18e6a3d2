; A memory responder like the one users put into their programs, plus a counter driven by the
; real-time interrupt.
;   *AAAA         -> !HH@ with the byte at AAAA
;   *FFFFAAAAHH   -> stores HH at AAAA, sends nothing
        .text
        .globl  _start
_start: jmp     main
counter: .word  0               ; 2403: advanced by `step` every 4.096 ms
step:   .byte   1               ; 2405
addr:   .word   0               ; 2406

SCSR  = 0x102E
SCDR  = 0x102F
TMSK2 = 0x1024
TFLG2 = 0x1025
RTIJMP = 0x00EB

main:   lds     #0x01FF
        ldaa    #0x7E           ; JMP tick into the RTI pseudo-vector
        staa    RTIJMP
        ldx     #tick
        stx     RTIJMP+1
        ldaa    #0x40           ; RTII
        staa    TMSK2
        cli

loop:   bsr     getc
        cmpa    #0x2A           ; '*'
        bne     loop
        bsr     gethex4
        cpd     #0xFFFF
        beq     write
        xgdx
        ldaa    0,x
        psha
        ldaa    #0x21           ; '!'
        bsr     putc
        pula
        bsr     puthex2
        ldaa    #0x40           ; '@'
        bsr     putc
        bra     loop
write:  bsr     gethex4
        std     addr
        bsr     gethex2
        ldx     addr
        staa    0,x
        bra     loop

getc:   ldab    SCSR
        bitb    #0x20           ; RDRF
        beq     getc
        ldaa    SCDR
        rts

putc:   ldab    SCSR
        bitb    #0x80           ; TDRE
        beq     putc
        staa    SCDR
        rts

; two hex digits -> A
gethex2: bsr    getc
        bsr     hexval
        lsla
        lsla
        lsla
        lsla
        psha
        bsr     getc
        bsr     hexval
        tsx
        adda    0,x
        ins
        rts

; four hex digits -> D
gethex4: bsr    gethex2
        psha
        bsr     gethex2
        tab
        pula
        rts

; hex character in A -> its value
hexval: suba    #0x30
        cmpa    #9
        bls     1f
        suba    #7
1:      rts

; A -> two hex characters
puthex2: psha
        lsra
        lsra
        lsra
        lsra
        bsr     hexdig
        bsr     putc
        pula
        anda    #0x0F
        bsr     hexdig
        bsr     putc
        rts

hexdig: adda    #0x30
        cmpa    #0x39
        bls     1f
        adda    #7
1:      rts

tick:   ldaa    #0x40           ; clear RTIF
        staa    TFLG2
        ldab    step
        clra
        addd    counter
        std     counter
        rti
