; counter.s - example program for the CME11E9 board (68HC11E9, 8 MHz crystal).
;
; Loaded and started at 2400 by the board's monitor ("load t", then "go 2400").
; Its main loop adds `step` to the 16-bit `count` while `run` is not zero, and
; serves the watch window through the responder, so the variables below can be
; read and changed while the program runs (see counter.csv).
;
; In counter.lst the left-hand addresses count from the start of the program:
; add 2400 to get the address on the board (0002 there is `count` at 2402).

STACK_TOP = 0x01FF              ; top of the internal RAM, above the monitor's variables

        .text
        .globl  _start
_start:
        bra     start           ; the variables sit at fixed addresses right after this

; Variables: the addresses in counter.csv depend on this order.
count:  .word   0               ; 2402: 16-bit counter, high byte first
step:   .byte   1               ; 2404: added to count on every pass of the main loop
run:    .byte   1               ; 2405: flag, 0 stops the counter, anything else runs it

start:
        lds     #STACK_TOP
        jsr     sci_init
        ldd     #0
        std     count
        ldaa    #1
        staa    step
        staa    run
main_loop:
        jsr     resp_poll       ; serve one character of a watch request, if any
        tst     run
        beq     main_loop
        ldab    step
        clra
        addd    count
        std     count
        bra     main_loop

        .include "responder.s"
