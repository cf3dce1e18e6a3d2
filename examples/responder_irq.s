; responder_irq.s - answers the watch window's memory requests from the SCI interrupt.
;
; Requests arrive one character at a time on the serial line:
;   *AAAA          read:  the byte at AAAA is sent back as !HH@ (HH upper-case hex)
;   *FFFFAAAAHH    write: HH is stored at AAAA; nothing is sent back
; Hex digits may be upper or lower case.  A '*' always starts a new request, so
; the responder falls back into step after noise or a lost character.  Any other
; character outside a request is ignored.  Address FFFF cannot be read: *FFFF
; always introduces a write.
;
; Every character is taken by the receive interrupt and every reply character is
; sent by the transmit interrupt, so requests are served whatever the main loop
; does, and the handler never waits for the line.
;
; Use from your own program:
;   .include "responder_irq.s"  (anywhere in your code, outside the path of execution)
;   jsr  resp_irq_init          once at start: 9600 baud 8N1 with the 8 MHz crystal,
;                               JMP resp_irq into the SCI pseudo-vector at 00C4,
;                               receive interrupt on, state cleared
;   cli                         then let interrupts in
; The program must not mask interrupts for more than about one character time
; (1 ms), must not use the SCI itself and must leave 00C4-00C6 alone.  The
; handler keeps its state in the bytes at ri_state, next to its code, so the
; program must run from RAM (as programs downloaded to 2400 do).  Do not read
; SCSR or SCDR (102E, 102F) through the watch window: the read would take a
; character away from the responder.

BAUD    = 0x102B        ; SCI baud rate control
SCCR1   = 0x102C        ; SCI control 1: 8 data bits, no wake-up
SCCR2   = 0x102D        ; SCI control 2: enables and interrupt enables
SCSR    = 0x102E        ; SCI status
SCDR    = 0x102F        ; SCI data

SCI_VECTOR = 0x00C4     ; the monitor's JMP slot for the SCI interrupt
OP_JMP  = 0x7E          ; JMP extended

BAUD_9600 = 0x30        ; E clock 2 MHz: prescaler 13, divider 1
SCCR2_TE_RE_RIE = 0x2C  ; transmitter, receiver, receive interrupt
SCCR2_TIE = 0x80        ; transmit interrupt: on while a reply is being sent
SCSR_TDRE = 0x80        ; transmit data register empty
SCSR_RDRF = 0x20        ; receive data register full
SCSR_OR   = 0x08        ; overrun: a character arrived before the last was read

CH_START = 0x2A         ; '*'

; ri_state values: which part of a request the next hex digit belongs to
RI_IDLE  = 0            ; outside a request, waiting for '*'
RI_FIRST = 1            ; four digits: a read address, or FFFF for a write
RI_WADDR = 2            ; four digits: the address of a write
RI_WVAL  = 3            ; two digits: the byte to write

        .text

; Sets up the SCI for 9600 baud 8N1, installs the handler and forgets any half
; request or reply.  Interrupts stay as the caller had them; the program then
; executes CLI.  Changes A and X.
resp_irq_init:
        tpa
        psha
        sei                     ; no SCI interrupt while the vector is half written
        ldaa    #BAUD_9600
        staa    BAUD
        clr     SCCR1
        ldaa    #OP_JMP
        staa    SCI_VECTOR
        ldx     #resp_irq
        stx     SCI_VECTOR+1
        ldaa    SCSR            ; drop whatever arrived before (clears RDRF and OR)
        ldaa    SCDR
        clr     ri_state
        clr     ri_out_left
        ldaa    #SCCR2_TE_RE_RIE
        staa    SCCR2
        pula
        tap
        rts

; The SCI interrupt.  The processor has stacked every register and masked
; interrupts; RTI restores both.  Takes the character that arrived, if any,
; then sends the next character of a reply, if one is due.
resp_irq:
        ldaa    SCSR
        bita    #SCSR_RDRF|SCSR_OR
        beq     ri_transmit
        ldab    SCDR            ; reading SCSR then SCDR clears RDRF and OR
        bsr     ri_take
ri_transmit:                    ; the next reply character, once the transmitter has room
        ldab    ri_out_left
        beq     ri_exit
        ldaa    SCSR            ; reading SCSR with TDRE set lets the SCDR write send
        bita    #SCSR_TDRE
        beq     ri_exit
        ldx     #ri_out-1       ; the reply is kept back to front: ri_out_left indexes it
        abx
        ldaa    0,x
        staa    SCDR
        decb
        stab    ri_out_left
        bne     ri_exit
        ldaa    SCCR2           ; reply complete: no more transmit interrupts
        anda    #~SCCR2_TIE & 0xFF
        staa    SCCR2
ri_exit:
        rti

; Moves the request along by the character in B; A = SCSR as read with it.
ri_take:
        bita    #SCSR_OR
        bne     ri_abandon      ; a character of this request was lost
        cmpb    #CH_START
        bne     ri_digit
        ldaa    #RI_FIRST
ri_new_field:                   ; A = new state; its field length follows from it
        staa    ri_state
        ldab    #4
        cmpa    #RI_WVAL
        bne     ri_set_left
        ldab    #2
ri_set_left:
        stab    ri_left
        clr     ri_acc
        clr     ri_acc+1
        rts

ri_digit:
        tst     ri_state
        beq     ri_done         ; not inside a request: ignore
        subb    #0x30           ; B = the digit's value, or not a hex digit
        blo     ri_abandon
        cmpb    #10
        blo     ri_add_digit
        andb    #0xDF           ; fold 'a'-'f' onto 'A'-'F' (after the '0' offset)
        subb    #7              ; 'A' - '0' - 10
        cmpb    #10
        blo     ri_abandon
        cmpb    #16
        bhs     ri_abandon
ri_add_digit:                   ; ri_acc = ri_acc * 16 + digit
        pshb
        ldd     ri_acc
        lsld
        lsld
        lsld
        lsld
        tsx
        addb    0,x
        ins
        std     ri_acc
        dec     ri_left
        bne     ri_done         ; field not complete yet
        ldaa    ri_state
        cmpa    #RI_FIRST
        beq     ri_first_done
        cmpa    #RI_WADDR
        beq     ri_waddr_done
        ldx     ri_addr         ; RI_WVAL: store the byte (B), answer nothing
        stab    0,x
ri_abandon:
        clr     ri_state
ri_done:
        rts

ri_first_done:
        ldx     ri_acc
        cpx     #0xFFFF
        bne     ri_read
        ldaa    #RI_WADDR
        bra     ri_new_field
ri_waddr_done:
        ldx     ri_acc
        stx     ri_addr
        ldaa    #RI_WVAL
        bra     ri_new_field

ri_read:                        ; queue the reply !HH@ for the transmit interrupt
        ldab    0,x
        tba
        lsra
        lsra
        lsra
        lsra
        bsr     ri_hex_digit
        staa    ri_out+2
        tba
        anda    #0x0F
        bsr     ri_hex_digit
        staa    ri_out+1
        ldaa    #4
        staa    ri_out_left
        clr     ri_state
        ldaa    SCCR2
        oraa    #SCCR2_TIE
        staa    SCCR2
        rts

; Low nibble of A -> its upper-case hexadecimal digit in A.
ri_hex_digit:
        adda    #0x30
        cmpa    #0x3A
        blo     ri_hex_done
        adda    #7
ri_hex_done:
        rts

; Responder state, kept next to its code.
ri_state:       .byte   0       ; RI_IDLE, RI_FIRST, RI_WADDR or RI_WVAL
ri_left:        .byte   0       ; digits still missing in the current field
ri_acc:         .word   0       ; digits of the current field so far
ri_addr:        .word   0       ; address of the write being received
ri_out:         .ascii  "@00!"  ; the reply, back to front; the digits are filled in
ri_out_left:    .byte   0       ; reply characters still to send
