; counter.s - example program for the CME11E9 board (68HC11E9, 8 MHz crystal).
;
; Loaded and started at 2400 by the board's monitor ("load t", then "go 2400").
; Its main loop adds `step` to the 16-bit `count` while `run` is not zero.  The
; responder answers the watch window from the SCI interrupt, so the variables
; below can be read and changed while the program runs (see counter.csv).
;
; cme11e9.ld places a branch to the code at 2400, then the variables (.data)
; from 2402, then the code (.text), so the variables keep their addresses
; when the code changes.  In counter.lst the left-hand addresses count from
; the start of each section (the listing is made before linking): 0000 of
; .data is `count` at 2402; add 2406 to an address of the code.

STACK_TOP = 0x01FF              ; top of the internal RAM, above the monitor's variables

; Variables: the addresses in counter.csv depend on this order.
        .data
        .type   count, @object
        .size   count, 2
count:  .word   0               ; 2402: 16-bit counter, high byte first
        .type   step, @object
        .size   step, 1
step:   .byte   1               ; 2404: added to count on every pass of the main loop
        .type   run, @object
        .size   run, 1
run:    .byte   1               ; 2405: flag, 0 stops the counter, anything else runs it

        .text
start:                          ; the branch at 2400 leads here, the start of .text
        lds     #STACK_TOP
        jsr     resp_irq_init   ; SCI, its interrupt handler and the responder's state
        ldd     #0
        std     count
        ldaa    #1
        staa    step
        staa    run
        cli                     ; from here on the responder serves the watch window
main_loop:
        tst     run
        beq     main_loop
        ldab    step
        clra
        addd    count
        std     count
        bra     main_loop

        .include "responder_irq.s"
