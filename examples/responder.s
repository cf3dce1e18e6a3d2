; responder.s - answers the watch window's memory requests over the SCI.
;
; Requests arrive one character at a time on the serial line:
;   *AAAA          read:  the byte at AAAA is sent back as !HH@ (HH upper-case hex)
;   *FFFFAAAAHH    write: HH is stored at AAAA; nothing is sent back
; A '*' always starts a new request, so the responder falls back into step
; after noise or a lost character.  Any other character outside a request is
; ignored.  Address FFFF cannot be read: *FFFF always introduces a write.
;
; Use from your own program:
;   .include "responder.s"     (anywhere in your code, outside the path of execution)
;   jsr  sci_init              once at start: 9600 baud 8N1 with the 8 MHz crystal
;   jsr  resp_poll             often in your main loop; it returns at once when no
;                              character waits, so it never stalls your program
; resp_poll changes A, B and X.  The responder keeps its state in the five bytes
; at resp_state, so the program must run from RAM (as programs downloaded to
; 2400 do).  Do not read SCSR or SCDR (102E, 102F) through the watch window:
; the read would take a character away from the responder.

BAUD    = 0x102B        ; SCI baud rate control
SCCR1   = 0x102C        ; SCI control 1: 8 data bits, no wake-up
SCCR2   = 0x102D        ; SCI control 2: transmitter and receiver enable
SCSR    = 0x102E        ; SCI status
SCDR    = 0x102F        ; SCI data

BAUD_9600 = 0x30        ; E clock 2 MHz: prescaler 13, divider 1
SCCR2_TE_RE = 0x0C
SCSR_TDRE = 0x80        ; transmit data register empty
SCSR_RDRF = 0x20        ; receive data register full

CH_START = 0x2A         ; '*'
CH_BANG  = 0x21         ; '!'
CH_AT    = 0x40         ; '@'

; resp_state values: which part of a request the next hex digit belongs to
ST_IDLE  = 0            ; outside a request, waiting for '*'
ST_FIRST = 1            ; four digits: a read address, or FFFF for a write
ST_WADDR = 2            ; four digits: the address of a write
ST_WVAL  = 3            ; two digits: the byte to write

        .text

; Sets up the SCI for 9600 baud 8N1, polled, and forgets any half request.
sci_init:
        ldaa    #BAUD_9600
        staa    BAUD
        clr     SCCR1
        ldaa    #SCCR2_TE_RE
        staa    SCCR2
        clr     resp_state
        rts

; Takes one waiting character, if any, and moves the request along.
resp_poll:
        ldaa    SCSR
        bita    #SCSR_RDRF
        bne     resp_got
        rts
resp_got:
        ldaa    SCDR            ; reading SCSR then SCDR clears RDRF
        cmpa    #CH_START
        bne     resp_digit
        ldab    #ST_FIRST
        bra     resp_new_field
resp_digit:
        tst     resp_state
        beq     resp_done       ; not inside a request: ignore
        bsr     hex_value
        bcs     resp_abandon    ; not a hex digit: drop the request
        tab
        ldaa    #4
resp_shift:                     ; resp_acc = resp_acc * 16 + digit
        asl     resp_acc+1
        rol     resp_acc
        deca
        bne     resp_shift
        orab    resp_acc+1
        stab    resp_acc+1
        dec     resp_left
        bne     resp_done       ; field not complete yet
        ldaa    resp_state
        cmpa    #ST_FIRST
        beq     resp_first_done
        cmpa    #ST_WADDR
        beq     resp_waddr_done
        ldx     resp_addr       ; ST_WVAL: store the byte, answer nothing
        ldab    resp_acc+1
        stab    0,x
resp_abandon:
        clr     resp_state
resp_done:
        rts

resp_first_done:
        ldd     resp_acc
        cpd     #0xFFFF
        beq     resp_is_write
        xgdx                    ; read: answer !HH@
        ldab    0,x
        ldaa    #CH_BANG
        bsr     sci_put
        tba
        lsra
        lsra
        lsra
        lsra
        bsr     sci_put_hex
        tba
        anda    #0x0F
        bsr     sci_put_hex
        ldaa    #CH_AT
        bsr     sci_put
        bra     resp_abandon
resp_is_write:
        ldab    #ST_WADDR
        bra     resp_new_field
resp_waddr_done:
        ldd     resp_acc
        std     resp_addr
        ldab    #ST_WVAL
resp_new_field:                 ; B = new state; its field length follows from it
        stab    resp_state
        ldaa    #4
        cmpb    #ST_WVAL
        bne     resp_set_left
        ldaa    #2
resp_set_left:
        staa    resp_left
        clr     resp_acc
        clr     resp_acc+1
        rts

; A = ASCII character; returns its value 0-15 in A with carry clear,
; or carry set when it is not a hexadecimal digit.
hex_value:
        suba    #0x30           ; '0'
        blo     hex_bad
        cmpa    #10
        blo     hex_ok
        anda    #0xDF           ; fold 'a'-'f' onto 'A'-'F' (after the '0' offset)
        suba    #7              ; 'A' - '0' - 10
        cmpa    #10
        blo     hex_bad
        cmpa    #16
        bhs     hex_bad
hex_ok:
        clc
        rts
hex_bad:
        sec
        rts

; Sends the low nibble of A as one upper-case hexadecimal digit.  Keeps B.
sci_put_hex:
        adda    #0x30
        cmpa    #0x3A
        blo     sci_put
        adda    #7
; Sends the character in A, waiting until the transmitter has room.  Keeps B.
sci_put:
        psha
sci_put_wait:
        ldaa    SCSR
        bita    #SCSR_TDRE
        beq     sci_put_wait
        pula
        staa    SCDR
        rts

; Responder state, kept next to its code.
resp_state:     .byte   0       ; ST_IDLE, ST_FIRST, ST_WADDR or ST_WVAL
resp_left:      .byte   0       ; digits still missing in the current field
resp_acc:       .word   0       ; digits of the current field so far
resp_addr:      .word   0       ; address of the write being received
