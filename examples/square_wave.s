; square_wave.s - a square wave on PA6 from output compare 2, for the CME11E9 board
; (68HC11E9, 8 MHz crystal, E clock 2 MHz).
;
; Loaded and started at 2400 by the board's monitor ("load t", then "go 2400").
; Output compare 2 toggles PA6 each time the free-running counter reaches TOC2,
; every `half_period` E cycles (10000: 5 ms, a 100 Hz square wave), and
; interrupts: the handler sets TOC2 half_period further on and counts the edges
; in `edges`.  Nothing in software touches the pin, so its edges come exactly
; half_period apart however late the interrupt is served.  The main loop sleeps
; in WAI between interrupts.  The responder answers the watch window from the
; SCI interrupt (see square_wave.csv): watch `edges` count 200 a second, and
; write `half_period` to change the frequency.
;
; Variables come first, from 2402, as in counter.s (see cme11e9.ld).

STACK_TOP = 0x01FF              ; top of the internal RAM, above the monitor's variables

TCNT    = 0x100E                ; the free-running counter, one count per E cycle
TOC2    = 0x1018                ; output compare 2
TCTL1   = 0x1020                ; pin actions: OM2:OL2 = 01 toggles PA6
TMSK1   = 0x1022                ; output compare interrupt enables
TFLG1   = 0x1023                ; output compare flags, cleared by writing a one
PORTA   = 0x1000                ; PA6 is bit 6

OC2_VECTOR = 0x00DC             ; the monitor's JMP slot for output compare 2
OP_JMP  = 0x7E                  ; JMP extended
OC2_TOGGLE = 0x40               ; TCTL1: OM2 = 0, OL2 = 1
OC2F    = 0x40                  ; OC2's bit in TFLG1 and TMSK1
HALF_PERIOD = 10000             ; E cycles: 5 ms

        .data
        .type   edges, @object
        .size   edges, 2
edges:  .word   0               ; 2402: OC2 interrupts (edges of PA6) so far, 16 bits
        .type   half_period, @object
        .size   half_period, 2
half_period:
        .word   HALF_PERIOD     ; 2404: E cycles between two edges

        .text
start:                          ; the branch at 2400 leads here
        lds     #STACK_TOP
        jsr     resp_irq_init   ; the responder, as in counter.s
        ldaa    #OP_JMP         ; OC2's interrupt to oc2_edge
        staa    OC2_VECTOR
        ldx     #oc2_edge
        stx     OC2_VECTOR+1
        ldd     #0
        std     edges
        ldd     #HALF_PERIOD
        std     half_period
        ldaa    #OC2_TOGGLE
        staa    TCTL1
        ldd     TCNT            ; the first edge half a period from now
        addd    half_period
        std     TOC2
        ldaa    #OC2F
        staa    TFLG1           ; a compare from before does not count
        staa    TMSK1           ; OC2's interrupt on
        cli
main_loop:
        wai                     ; asleep until OC2's or the SCI's interrupt
        bra     main_loop

; PA6 has just toggled: the next edge comes half_period after this one.
oc2_edge:
        ldd     TOC2
        addd    half_period
        std     TOC2
        ldaa    #OC2F
        staa    TFLG1
        ldx     edges
        inx
        stx     edges
        rti

        .include "responder_irq.s"
