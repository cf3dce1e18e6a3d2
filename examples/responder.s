; responder.s - answers the watch window's memory requests over the SCI.
;
; Requests arrive one character at a time on the serial line:
;   *AAAA          read:  the byte at AAAA is sent back as !HH@ (HH upper-case hex)
;   *FFFFAAAAHH    write: HH is stored at AAAA; nothing is sent back
;   #AAAANN        block read: NN (01 to 20 hex) bytes from AAAA up are sent back
;                  as !, two digits per byte, four check digits, @
;   %%             pause: the program is handed to the monitor as if the call
;                  of resp_poll had been an SWI (see resp_pause)
; Hex digits may be upper or lower case.  A '*', '#' or '%' always starts a new
; request, so the responder falls back into step after noise or a lost
; character; a request with a character that is not a hex digit, or a block of
; 00 or more than 20 bytes, or a '%' followed by anything but '%', is dropped
; without an answer, and so is one with a character received with a framing
; error, noise or an overrun.  Any other character outside a request is
; ignored, '=' among them: a speed request needs the interrupt-driven
; responder, since a main loop cannot be trusted to take a character every
; 160 us.  Address FFFF cannot be read by *: *FFFF always
; introduces a write; a block can read it, and a block that runs past FFFF
; goes on at 0000.
;
; The bytes of a read are copied into resp_buf the moment the request's last
; digit is taken (with interrupts masked), so a block is one snapshot of memory.
; The check is two running sums over the address's high byte, its low byte, NN
; and the bytes: for each, S1 = S1 + byte, then S2 = S2 + S1 (both modulo 256,
; from 0); it is sent as S1 then S2.  It is summed while the digits go out.
;
; Use from your own program:
;   .include "responder.s"     (anywhere in your code, outside the path of execution)
;   jsr  sci_init              once at start: 9600 baud 8N1 with the 8 MHz crystal
;   jsr  resp_poll             often in your main loop; it takes at most one
;                              waiting character and sends at most one character
;                              of a reply, never waiting for the line
; resp_poll changes A, B and X.  The responder keeps its state in the bytes
; at resp_state, next to its code, so the program must run from RAM (as
; programs downloaded to 2400 do).  Do not read SCSR or SCDR (102E, 102F)
; through the watch window: the read would take a character away from the
; responder.

BAUD    = 0x102B        ; SCI baud rate control
SCCR1   = 0x102C        ; SCI control 1: 8 data bits, no wake-up
SCCR2   = 0x102D        ; SCI control 2: transmitter and receiver enable
SCSR    = 0x102E        ; SCI status
SCDR    = 0x102F        ; SCI data

SWI_SLOT = 0x00F4       ; the monitor's JMP slot for SWI: where a pause goes

BAUD_9600 = 0x30        ; E clock 2 MHz: prescaler 13, divider 1
SCCR2_TE_RE = 0x0C
SCSR_TDRE = 0x80        ; transmit data register empty
SCSR_RDRF = 0x20        ; receive data register full
SCSR_OR   = 0x08        ; overrun: a character arrived before the last was read
SCSR_NF   = 0x04        ; noise on the line during the character
SCSR_FE   = 0x02        ; framing error: the character's stop bit was a zero

CH_STAR  = 0x2A         ; '*': a read or a write follows
CH_HASH  = 0x23         ; '#': a block read follows
CH_BANG  = 0x21         ; '!': the start of a reply
CH_AT    = 0x40         ; '@': the end of a reply
CH_PERCENT = 0x25       ; '%': twice in a row, a pause
BLOCK_MAX = 32          ; the most bytes a block read may ask for

; resp_state values: which part of a request the next hex digit belongs to.
; The fields of ST_WVAL and above have two digits, the others four.
ST_IDLE   = 0           ; outside a request, waiting for '*' or '#'
ST_FIRST  = 1           ; four digits: a read address, or FFFF for a write
ST_WADDR  = 2           ; four digits: the address of a write
ST_BADDR  = 3           ; four digits: the address of a block read
ST_WVAL   = 4           ; two digits: the byte to write (ST_WADDR + 2)
ST_BCOUNT = 5           ; two digits: how many bytes to read (ST_BADDR + 2)
ST_PERCENT = 0x80       ; one '%' came: another makes a pause

; resp_out_left: the reply's hex digits and its '@' still to send; bit 7 is set
; while its '!' has not gone yet.  Zero while there is no reply to send.
OUT_BANG  = 0x80

        .text

; Sets up the SCI for 9600 baud 8N1, polled, and forgets any half request or
; reply.
sci_init:
        ldaa    #BAUD_9600
        staa    BAUD
        clr     SCCR1
        ldaa    #SCCR2_TE_RE
        staa    SCCR2
        clr     resp_state
        clr     resp_out_left
        rts

; Takes one waiting character, if any, and moves the request along; then sends
; the next character of a reply, if one is due and the transmitter has room.
resp_poll:
        ldaa    SCSR
        bita    #SCSR_RDRF
        beq     resp_transmit
        ldab    SCDR            ; reading SCSR then SCDR clears RDRF, OR, NF and FE
        bsr     resp_take
resp_transmit:
        ldab    resp_out_left
        beq     resp_done
        ldaa    SCSR            ; reading SCSR with TDRE set lets the SCDR write send
        bita    #SCSR_TDRE
        beq     resp_done
        ldx     resp_out_ptr    ; the byte whose digit goes next
        ldaa    #CH_BANG
        tstb
        bmi     resp_bang
        ldaa    #CH_AT
        decb                    ; B = what is left after this character
        beq     resp_send       ; nothing: this is the '@'
        ldaa    0,x
        bitb    #1
        bne     resp_low_digit  ; an odd number left: the byte's low digit
        cpx     #resp_check     ; a byte of the reply's data: add it to the check
        bhs     resp_high_digit
        psha
        adda    resp_check
        staa    resp_check
        adda    resp_check+1
        staa    resp_check+1
        pula
resp_high_digit:
        lsra
        lsra
        lsra
        lsra
        bra     resp_hex_digit
resp_low_digit:
        anda    #0x0F
        inx                     ; the next byte; after the data comes the check
        stx     resp_out_ptr
resp_hex_digit:                 ; A = 0-15: its upper-case hex digit
        adda    #0x30
        cmpa    #0x3A
        blo     resp_send
        adda    #7
        bra     resp_send
resp_bang:
        andb    #~OUT_BANG & 0xFF
resp_send:
        staa    SCDR
        stab    resp_out_left
resp_done:
        rts

; Moves the request along by the character in B; A = SCSR as read with it.
resp_take:
        bita    #SCSR_OR|SCSR_NF|SCSR_FE
        bne     resp_abandon    ; a character was lost or spoilt on the line
        ldaa    #ST_FIRST
        cmpb    #CH_STAR
        beq     resp_new_field
        ldaa    #ST_BADDR
        cmpb    #CH_HASH
        beq     resp_new_field
        cmpb    #CH_PERCENT
        beq     resp_percent
        ldaa    resp_state
        beq     resp_taken      ; not inside a request: ignore
        bmi     resp_abandon    ; a '%' and then not another
        tba
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
        bne     resp_taken      ; field not complete yet
        ldaa    resp_state
        cmpa    #ST_FIRST
        beq     resp_first_done
        cmpa    #ST_BADDR
        bls     resp_addr_done  ; ST_WADDR or ST_BADDR
        cmpa    #ST_WVAL
        bne     resp_block      ; ST_BCOUNT
        ldx     resp_addr       ; ST_WVAL: store the byte (B), answer nothing
        stab    0,x
resp_abandon:
        clr     resp_state
resp_taken:
        rts

resp_percent:                   ; a second '%' in a row is a pause
        ldaa    resp_state
        cmpa    #ST_PERCENT
        beq     resp_pause
        ldaa    #ST_PERCENT
        staa    resp_state
        rts

resp_first_done:
        ldx     resp_acc
        cpx     #0xFFFF
        bne     resp_read
        ldaa    #ST_WADDR
        bra     resp_new_field
resp_addr_done:                 ; keep the address; the two-digit field follows
        ldx     resp_acc
        stx     resp_addr
        adda    #ST_WVAL-ST_WADDR
resp_new_field:                 ; A = new state; its field length follows from it
        staa    resp_state
        ldab    #4
        cmpa    #ST_WVAL
        blo     resp_set_left
        ldab    #2
resp_set_left:
        stab    resp_left
        clr     resp_acc
        clr     resp_acc+1
        rts

resp_read:                      ; X = the address: the reply !HH@
        ldab    #1
        bsr     resp_copy
        ldab    #OUT_BANG|3     ; two digits and '@' after the '!'
        bra     resp_reply

resp_block:                     ; B = the number of bytes: the reply !, data, check, @
        tstb
        beq     resp_abandon    ; 00: no answer
        cmpb    #BLOCK_MAX
        bhi     resp_abandon    ; more than 32: no answer
        ldx     resp_addr
        bsr     resp_copy
        ldaa    resp_addr       ; the check starts with the address and the count
        tab
        adda    resp_addr+1
        staa    resp_check
        addb    resp_check
        adda    resp_acc+1
        staa    resp_check
        addb    resp_check
        stab    resp_check+1
        ldab    resp_acc+1
        aslb                    ; two digits a byte, four of the check, and '@'
        addb    #OUT_BANG|5
resp_reply:                     ; B = resp_out_left for the reply: let it go out
        stab    resp_out_left
        clr     resp_state
        rts

; Copies B bytes (1 to 32) from X up (past FFFF on at 0000) to the end of
; resp_buf, where the check follows them, with interrupts masked, so that no
; interrupt handler of the program changes memory halfway; the I bit is then
; restored as it was.  Points resp_out_ptr at the first.  Keeps Y.
resp_copy:
        pshy
        pshb
        clra                    ; D = resp_check - B
        negb
        sbca    #0
        addd    #resp_check
        std     resp_out_ptr
        xgdy                    ; Y = where the first byte goes
        pulb
        tpa
        psha
        sei
        lsrb                    ; B = pairs of bytes; carry: one byte first
        bcc     resp_copy_pairs
        ldaa    0,x
        staa    0,y
        inx
        iny
resp_copy_pairs:
        stab    resp_left       ; the field is complete: resp_left counts the pairs
        beq     resp_copy_done
resp_copy_pair:
        ldd     0,x
        std     0,y
        inx
        inx
        iny
        iny
        dec     resp_left
        bne     resp_copy_pair
resp_copy_done:
        pula
        tap
        puly
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

; '%%': the program is handed to the monitor as if its call of resp_poll had
; been an SWI.  Interrupts are masked, and below the call's return address the
; registers go on the stack in the order SWI pushes them, the return address
; plus one as the PC (SWI stacks the address after itself): a monitor reports
; the stop at the stacked PC minus one, the instruction after the call, and its
; "g" from there goes on as if resp_poll had returned.  The frame holds the
; caller's Y, its interrupt mask in the condition codes, and A, B and X as
; resp_poll leaves them (it changes them, and the flags, anyway).  A reply not
; yet sent is dropped, so nothing of it comes out after the program goes on.
resp_pause:
        clr     resp_state
        clr     resp_out_left
        tpa                     ; the condition codes, the caller's I bit among them
        sei
        ins                     ; the return into resp_poll: the frame ends at the caller's
        ins
        pulx
        inx
        pshx                    ; PC
        pshy                    ; Y
        pshx                    ; X
        psha                    ; A
        pshb                    ; B
        psha                    ; CCR
        jmp     SWI_SLOT

; Responder state, kept next to its code.
resp_state:     .byte   0       ; ST_IDLE ... ST_BCOUNT, or ST_PERCENT
resp_left:      .byte   0       ; digits still missing in the current field
resp_acc:       .word   0       ; digits of the current field so far
resp_addr:      .word   0       ; address of the write or the block being received
resp_out_left:  .byte   0       ; see OUT_BANG
resp_out_ptr:   .word   0       ; the byte of resp_buf (or resp_check) whose digits go next
resp_buf:       .space  BLOCK_MAX ; the bytes of the reply, at its end
resp_check:     .word   0       ; the block's check: S1, S2
