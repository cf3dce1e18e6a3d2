; A program whose main loop does a long stretch of work on every pass, as real programs do
; (waiting for a sensor, driving a display), and serves the watch window either from the SCI
; interrupt or, with POLLING=1, by calling the polling responder once per pass.
;   --defsym PASS_US=n    microseconds of work per pass
;   --defsym POLLING=0|1  which responder serves the window
; While it works it checks that A, B and Y keep their values, so a handler that changed a
; register of the program would stop it with SWI.
        .text
        .globl  _start
_start: bra     main
passes: .word   0               ; 2402: counts the passes of the main loop
marker: .byte   0x5A            ; 2404: a byte for the window to read and write

; 24 E cycles per round of the work loop below; 2 cycles per microsecond.
ROUNDS = PASS_US * 2 / 24

main:   lds     #0x01FF
        .if POLLING
        jsr     sci_init
        .else
        jsr     resp_irq_init
        cli
        .endif
pass:   ldx     #ROUNDS
        ldy     #0x5566
        ldaa    #0xA5
        ldab    #0x3C
work:   cpy     #0x5566
        bne     broken
        cmpa    #0xA5
        bne     broken
        cmpb    #0x3C
        bne     broken
        dex
        bne     work
        ldd     passes
        addd    #1
        std     passes
        .if POLLING
        jsr     resp_poll
        .endif
        bra     pass
broken: swi

        .if POLLING
        .include "responder.s"
        .else
        .include "responder_irq.s"
        .endif
