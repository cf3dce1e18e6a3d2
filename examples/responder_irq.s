; responder_irq.s - answers the watch window's memory requests from the SCI interrupt.
;
; Requests arrive one character at a time on the serial line:
;   *AAAA          read:  the byte at AAAA is sent back as !HH@ (HH upper-case hex)
;   *FFFFAAAAHH    write: HH is stored at AAAA; nothing is sent back
;   #AAAANN        block read: NN (01 to 20 hex) bytes from AAAA up are sent back
;                  as !, two digits per byte, four check digits, @
;   =BB            speed: BB is sent back as !BB@ at the present rate; once its
;                  last character has left the line (TC), BB goes into BAUD
;                  (01 is 62 500 baud, 30 is 9600)
;   %%             pause: the program is handed to the monitor as if it had
;                  executed SWI where the interrupt found it (see resp_pause)
; Hex digits may be upper or lower case.  A '*', '#', '=' or '%' always starts a
; new request, so the responder falls back into step after noise or a lost
; character; a request with a character that is not a hex digit, or a block of
; 00 or more than 20 bytes, or a '%' followed by anything but '%', is dropped
; without an answer.  Any other character outside a request is ignored.
; A dropped request, and a character received with a framing error, noise or
; an overrun, also put the line back to 9600 baud (and cancel a speed change
; still waiting for TC): a host that loses the fast line sends a NUL at 9600,
; which reaches a faster receiver with a framing error.  Address FFFF cannot be read by *: *FFFF always
; introduces a write; a block can read it, and a block that runs past FFFF
; goes on at 0000.
;
; The bytes of a read are copied into ri_buf the moment the request's last
; digit arrives (with interrupts masked), so a block is one snapshot of memory.
; The check is two running sums over the address's high byte, its low byte, NN
; and the bytes: for each, S1 = S1 + byte, then S2 = S2 + S1 (both modulo 256,
; from 0); it is sent as S1 then S2.  It is summed while the digits go out.
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
; (1 ms at 9600 baud, 160 us at 62 500), must not use the SCI itself and must
; leave 00C4-00C6 alone.  The
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
SWI_SLOT = 0x00F4       ; the monitor's JMP slot for SWI: where a pause goes
OP_JMP  = 0x7E          ; JMP extended

BAUD_9600 = 0x30        ; E clock 2 MHz: prescaler 13, divider 1
SCCR2_TE_RE_RIE = 0x2C  ; transmitter, receiver, receive interrupt
SCCR2_TIE = 0x80        ; transmit interrupt: on while a reply is being sent
SCCR2_TCIE = 0x40       ; transmit complete interrupt: on while a speed change waits
SCSR_TDRE = 0x80        ; transmit data register empty
SCSR_TC   = 0x40        ; transmit complete: the last character has left the line
SCSR_RDRF = 0x20        ; receive data register full
SCSR_OR   = 0x08        ; overrun: a character arrived before the last was read
SCSR_NF   = 0x04        ; noise on the line during the character
SCSR_FE   = 0x02        ; framing error: the character's stop bit was a zero

CH_STAR  = 0x2A         ; '*': a read or a write follows
CH_HASH  = 0x23         ; '#': a block read follows
CH_BANG  = 0x21         ; '!': the start of a reply
CH_AT    = 0x40         ; '@': the end of a reply
CH_EQUALS = 0x3D        ; '=': a speed request follows
CH_PERCENT = 0x25       ; '%': twice in a row, a pause
BLOCK_MAX = 32          ; the most bytes a block read may ask for

; ri_state values: which part of a request the next hex digit belongs to.
; The fields of RI_WVAL and above have two digits, the others four.
RI_IDLE   = 0           ; outside a request, waiting for '*' or '#'
RI_FIRST  = 1           ; four digits: a read address, or FFFF for a write
RI_WADDR  = 2           ; four digits: the address of a write
RI_BADDR  = 3           ; four digits: the address of a block read
RI_WVAL   = 4           ; two digits: the byte to write (RI_WADDR + 2)
RI_BCOUNT = 5           ; two digits: how many bytes to read (RI_BADDR + 2)
RI_SPEED  = 6           ; two digits: the BAUD value of a speed request
RI_PERCENT = 0x80       ; one '%' came: another makes a pause

; ri_out_left: the reply's hex digits and its '@' still to send; bit 7 is set
; while its '!' has not gone yet.  Zero while there is no reply to send.
OUT_BANG  = 0x80

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
        ldab    SCDR            ; reading SCSR then SCDR clears RDRF, OR, NF and FE
        bsr     ri_take
ri_transmit:                    ; the next reply character, once the transmitter has room
        ldab    ri_out_left
        beq     ri_no_reply
        ldaa    SCSR            ; reading SCSR with TDRE set lets the SCDR write send
        bita    #SCSR_TDRE
        beq     ri_exit
        ldx     ri_out_ptr      ; the byte whose digit goes next
        ldaa    #CH_BANG
        tstb
        bmi     ri_bang
        ldaa    #CH_AT
        decb                    ; B = what is left after this character
        beq     ri_send         ; nothing: this is the '@'
        ldaa    0,x
        bitb    #1
        bne     ri_low_digit    ; an odd number left: the byte's low digit
        cpx     #ri_check       ; a byte of the reply's data: add it to the check
        bhs     ri_high_digit
        psha
        adda    ri_check
        staa    ri_check
        adda    ri_check+1
        staa    ri_check+1
        pula
ri_high_digit:
        lsra
        lsra
        lsra
        lsra
        bra     ri_hex_digit
ri_low_digit:
        anda    #0x0F
        inx                     ; the next byte; after the data comes the check
        stx     ri_out_ptr
ri_hex_digit:                   ; A = 0-15: its upper-case hex digit
        adda    #0x30
        cmpa    #0x3A
        blo     ri_send
        adda    #7
        bra     ri_send
ri_bang:
        andb    #~OUT_BANG & 0xFF
ri_send:
        staa    SCDR
        stab    ri_out_left
        bne     ri_exit
        ldaa    SCCR2           ; reply complete: no more transmit interrupts, and
        anda    #~SCCR2_TIE & 0xFF
        oraa    ri_then         ; the transmit complete one if a speed change follows
        staa    SCCR2
ri_exit:
        rti
ri_no_reply:                    ; a speed change waits for TC: the reply has left the line
        ldaa    SCCR2
        bita    #SCCR2_TCIE
        beq     ri_exit
        ldaa    SCSR
        bita    #SCSR_TC
        beq     ri_exit
        ldaa    ri_speed_to
        staa    BAUD
        ldaa    SCCR2
        anda    #~SCCR2_TCIE & 0xFF
        staa    SCCR2
        rti

; Moves the request along by the character in B; A = SCSR as read with it.
ri_take:
        bita    #SCSR_OR|SCSR_NF|SCSR_FE
        bne     ri_abandon      ; a character was lost or spoilt on the line
        ldaa    #RI_FIRST
        cmpb    #CH_STAR
        beq     ri_new_field
        ldaa    #RI_BADDR
        cmpb    #CH_HASH
        beq     ri_new_field
        ldaa    #RI_SPEED
        cmpb    #CH_EQUALS
        beq     ri_new_field
        cmpb    #CH_PERCENT
        beq     ri_percent
        ldaa    ri_state
        beq     ri_done         ; not inside a request: ignore
        bmi     ri_abandon      ; a '%' and then not another
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
        cmpa    #RI_BADDR
        bls     ri_addr_done    ; RI_WADDR or RI_BADDR
        cmpa    #RI_BCOUNT
        beq     ri_block
        cmpa    #RI_SPEED
        beq     ri_speed
        ldx     ri_addr         ; RI_WVAL: store the byte (B), answer nothing
        stab    0,x
        clr     ri_state
        rts

; The request failed: it is forgotten, and a line faster than 9600 baud goes
; back to 9600 at once, the speed change still to come too.
ri_abandon:
        clr     ri_state
        ldaa    SCCR2
        anda    #~SCCR2_TCIE & 0xFF
        staa    SCCR2
        ldaa    #BAUD_9600
        cmpa    BAUD
        beq     ri_done
        staa    BAUD
ri_done:
        rts

ri_percent:                     ; a second '%' in a row is a pause
        ldaa    ri_state
        cmpa    #RI_PERCENT
        beq     resp_pause
        ldaa    #RI_PERCENT
        staa    ri_state
        rts

ri_first_done:
        ldx     ri_acc
        cpx     #0xFFFF
        bne     ri_read
        ldaa    #RI_WADDR
        bra     ri_new_field
ri_addr_done:                   ; keep the address; the two-digit field follows
        ldx     ri_acc
        stx     ri_addr
        adda    #RI_WVAL-RI_WADDR
ri_new_field:                   ; A = new state; its field length follows from it
        staa    ri_state
        ldab    #4
        cmpa    #RI_WVAL
        blo     ri_set_left
        ldab    #2
ri_set_left:
        stab    ri_left
        clr     ri_acc
        clr     ri_acc+1
        rts

ri_read:                        ; X = the address: the reply !HH@
        ldab    #1
        bsr     ri_copy
        ldab    #OUT_BANG|3     ; two digits and '@' after the '!'
        bra     ri_reply

ri_speed:                       ; B = the new BAUD value: the reply !BB@, then the change
        stab    ri_speed_to
        stab    ri_check-1      ; the reply's byte, where ri_copy puts a read's
        ldx     #ri_check-1
        stx     ri_out_ptr
        ldaa    #SCCR2_TCIE     ; after the reply, wait for TC
        ldab    #OUT_BANG|3
        bra     ri_reply_then

ri_block:                       ; B = the number of bytes: the reply !, data, check, @
        tstb
        beq     ri_abandon      ; 00: no answer
        cmpb    #BLOCK_MAX
        bhi     ri_abandon      ; more than 32: no answer
        ldx     ri_addr
        bsr     ri_copy
        ldaa    ri_addr         ; the check starts with the address and the count
        tab
        adda    ri_addr+1
        staa    ri_check
        addb    ri_check
        adda    ri_acc+1
        staa    ri_check
        addb    ri_check
        stab    ri_check+1
        ldab    ri_acc+1
        aslb                    ; two digits a byte, four of the check, and '@'
        addb    #OUT_BANG|5
ri_reply:                       ; B = ri_out_left for the reply: let it go out
        clra                    ; and nothing after it
ri_reply_then:                  ; A = SCCR2_TCIE: a speed change follows the reply
        staa    ri_then
        stab    ri_out_left
        clr     ri_state
        ldaa    SCCR2
        oraa    #SCCR2_TIE
        staa    SCCR2
        rts

; Copies B bytes (1 to 32) from X up (past FFFF on at 0000) to the end of
; ri_buf, where the check follows them, at one moment: interrupts are masked
; meanwhile (the handler runs masked already, but the copy does not rely on
; it).  Points ri_out_ptr at the first.  Two bytes at a time where it can.
ri_copy:
        pshb
        clra                    ; D = ri_check - B
        negb
        sbca    #0
        addd    #ri_check
        std     ri_out_ptr
        xgdy                    ; Y = where the first byte goes
        pulb
        tpa
        psha
        sei
        lsrb                    ; B = pairs of bytes; carry: one byte first
        bcc     ri_copy_pairs
        ldaa    0,x
        staa    0,y
        inx
        iny
ri_copy_pairs:
        stab    ri_left         ; the field is complete: ri_left counts the pairs
        beq     ri_copy_done
ri_copy_pair:
        ldd     0,x
        std     0,y
        inx
        inx
        iny
        iny
        dec     ri_left
        bne     ri_copy_pair
ri_copy_done:
        pula
        tap
        rts

; '%%': the program is handed to the monitor as if it had executed SWI where
; the SCI interrupt found it.  The interrupt's frame has the layout SWI pushes;
; SWI stacks the address after itself, so the stacked PC goes up by one: a
; monitor reports the stop at the stacked PC minus one, the instruction the
; program was about to execute, and its "g" from there goes on with it.  A
; reply still going out is dropped with its transmit interrupt (the character
; already on the line finishes before the monitor speaks), so nothing of it
; comes out after the program goes on.
resp_pause:
        clr     ri_state
        clr     ri_out_left
        ldaa    SCCR2
        anda    #~SCCR2_TIE & 0xFF
        staa    SCCR2
        ins                     ; the return into resp_irq: back to the frame
        ins
        tsx
        ldd     7,x
        addd    #1
        std     7,x
        jmp     SWI_SLOT

; Responder state, kept next to its code.
ri_state:       .byte   0       ; RI_IDLE ... RI_SPEED, or RI_PERCENT
ri_left:        .byte   0       ; digits still missing in the current field
ri_acc:         .word   0       ; digits of the current field so far
ri_addr:        .word   0       ; address of the write or the block being received
ri_out_left:    .byte   0       ; see OUT_BANG
ri_out_ptr:     .word   0       ; the byte of ri_buf (or ri_check) whose digits go next
ri_then:        .byte   0       ; SCCR2_TCIE while the reply is a speed request's
ri_speed_to:    .byte   0       ; the BAUD value a speed request asked for
ri_buf:         .space  BLOCK_MAX ; the bytes of the reply, at its end
ri_check:       .word   0       ; the block's check: S1, S2
