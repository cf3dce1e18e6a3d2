; test_monitor.s - a small monitor ROM for the simulated CME11E9 board (E000-FFFF).
;
; It starts the way a monitor ROM for this board does, so that boardsim's ROM mode is tested
; against what such a ROM asks of the simulated chip:
;   - PE0 high at reset starts the program in EEPROM (B600) instead of the monitor;
;   - OPTION, TMSK2 and BPROT are written within the first 64 E cycles after reset;
;   - in expanded mode (HPRIO's MDA) it looks for an ACIA and a DUART on the external bus;
;   - it writes TCTL1 and the board's flip-flop at 4000, sets the SCI to 9600 baud, fills the
;     pseudo-vectors (JMP slots at 00C4-00FF), prints its banner and waits for a carriage return.
; Then it serves four commands:
;   (a bare CR)  a new prompt
;   load t       S0/S1/S5/S9 records from the terminal, checksums checked; after the S9 record
;                it waits one second without reading the line, throws away the character the
;                SCI holds, and prints "done" or "error: N bad records", then the prompt
;   go ADDR      starts the program at ADDR (hex) with SP = 0041 and interrupts masked
;   t ADDR       traces one instruction at ADDR (SP = 0041, other registers 0, interrupts on)
;   t            traces the next instruction of the program the last trace stopped
;                A trace arms output compare 5 to interrupt right after the program's first
;                instruction, then prints the registers: P-2502 Y-0000 X-0000 A-01 B-00 C-C0 S-0041
; SWI, an illegal opcode or an interrupt without a handler comes back to the prompt through the
; pseudo-vectors and says where the program was.
;
; The monitor's variables and stack live in internal RAM at 0042-00C3, between the stack "go"
; gives a program (0041 down) and the pseudo-vectors.

PORTE    = 0x100A
TCNT     = 0x100E
TOC5     = 0x101E               ; TI4O5: output compare 5 while PACTL's I4/O5 is clear
TCTL1    = 0x1020
TMSK1    = 0x1022
TFLG1    = 0x1023
TMSK2    = 0x1024
BAUD     = 0x102B
SCCR1    = 0x102C
SCCR2    = 0x102D
SCSR     = 0x102E
SCDR     = 0x102F
BPROT    = 0x1035
OPTION   = 0x1039
HPRIO    = 0x103C

EEPROM   = 0xB600
FLIPFLOP = 0x4000               ; a latch on the real board; RAM on the simulated one
ACIA_CTL = 0x9800               ; where an ACIA would answer: control (write), status (read)
DUART_IVR = 0xD00C              ; where a DUART's interrupt vector register would be

PSEUDO   = 0x00C4               ; the first pseudo-vector (SCI); three bytes each up to 00FF
PSEUDO_END = 0x0100
OC5_SLOT = 0x00D3
SWI_SLOT = 0x00F4
ILLEGAL_SLOT = 0x00F7

USER_SP  = 0x0041               ; the stack "go" gives a program
STACK    = 0x00C3               ; the monitor's own stack, growing down towards LINE

; variables
len      = 0x0042               ; characters in LINE
sum      = 0x0043               ; running sum of a record's bytes
count    = 0x0044               ; bytes of the record still to come; digits of go's address
rtype    = 0x0045               ; the record's type digit
bad      = 0x0046               ; bad records in this load (stops at 255)
hexhi    = 0x0047               ; the high digit of a hex byte being read
addr     = 0x0048               ; two bytes: where a record's data goes; go's address
ports    = 0x004A               ; external serial chips found: 1 ACIA, 2 DUART
usp      = 0x004C               ; two bytes: the traced program's SP below its stacked frame, 0 if none
LINE     = 0x0050               ; the command line, ends with a zero byte
LINE_MAX = 32

CR       = 0x0D
LF       = 0x0A
BS       = 0x08
DEL      = 0x7F
SPACE    = 0x20

        .text
        .globl  _start
_start:
reset:
        ldaa    PORTE           ; PE0 high: the program in EEPROM runs instead of the monitor
        bita    #0x01
        beq     monitor
        jmp     EEPROM
monitor:
        clra                    ; the time-protected registers: now or never
        staa    OPTION
        staa    TMSK2           ; timer prescaler 1
        staa    BPROT           ; EEPROM writable
        lds     #STACK
        clr     ports
        clr     usp
        clr     usp+1
        ldaa    HPRIO
        bita    #0x20           ; MDA: expanded mode, so there is an external bus to look at
        beq     no_bus
        ldaa    #0x03           ; an ACIA after a master reset: transmitter empty, nothing received
        staa    ACIA_CTL
        ldaa    ACIA_CTL
        anda    #0x03
        cmpa    #0x02
        bne     no_acia
        ldaa    ports
        oraa    #0x01
        staa    ports
no_acia:
        ldaa    #0x5A           ; a DUART keeps what is written to its vector register
        staa    DUART_IVR
        ldaa    DUART_IVR
        cmpa    #0x5A
        bne     no_bus
        ldaa    ports
        oraa    #0x02
        staa    ports
no_bus:
        clr     TCTL1
        clr     FLIPFLOP
        ldaa    #0x30           ; 9600 baud from the 2 MHz E clock
        staa    BAUD
        clr     SCCR1
        ldaa    #0x0C           ; transmitter and receiver on
        staa    SCCR2

        ldx     #PSEUDO         ; every pseudo-vector leads back to the monitor
pv_fill:
        ldaa    #0x7E           ; JMP
        staa    0,x
        ldd     #stray
        std     1,x
        inx
        inx
        inx
        cpx     #PSEUDO_END
        bne     pv_fill
        ldd     #swi_stop
        std     SWI_SLOT+1
        ldd     #illegal_stop
        std     ILLEGAL_SLOT+1
        ldd     #trace_stop
        std     OC5_SLOT+1

        ldx     #banner
        jsr     puts
wait_cr:
        jsr     getc
        cmpa    #CR
        bne     wait_cr
        jsr     crlf

prompt:
        lds     #STACK
        ldaa    #0x3E           ; '>'
        jsr     putc
        jsr     getline
        tstb
        beq     prompt          ; a bare CR: only a new prompt
        cmpb    #6
        bne     try_go
        ldx     #LINE
        ldy     #cmd_load
cmp_load:
        ldaa    0,x
        cmpa    0,y
        bne     try_go
        inx
        iny
        decb
        bne     cmp_load
        jmp     load

try_go:
        ldd     LINE
        cpd     #0x676F         ; "go"
        bne     try_trace
        ldaa    LINE+2
        cmpa    #SPACE
        bne     unknown
        ldx     #LINE+3
        jsr     getaddr
        bcs     go_bad
        ldx     addr
        lds     #USER_SP
        ldaa    #0xD0           ; S, X and I set: interrupts masked until the program's CLI
        tap
        jmp     0,x
go_bad:
        ldx     #msg_go
        jsr     puts
        jmp     prompt

try_trace:
        cmpa    #0x74           ; 't'
        bne     unknown
        tstb
        beq     trace_on        ; "t": on from the last trace's stop
        cmpb    #SPACE
        bne     unknown
        ldx     #LINE+2
        jsr     getaddr
        bcs     trace_bad
        lds     #USER_SP        ; a fresh frame on the program's stack, as RTI takes it
        ldx     addr
        pshx                    ; PC
        ldx     #0
        pshx                    ; Y
        pshx                    ; X
        clra
        psha                    ; A
        psha                    ; B
        ldaa    #0xC0           ; S and X set, I clear: output compare 5 can interrupt
        psha                    ; CCR
        sts     usp
        bra     trace_go
trace_on:
        ldx     usp
        beq     trace_bad
; From reading TCNT to the end of the RTI takes TRACE_DELAY - 1 E cycles: the compare comes in
; the first cycle of the program's instruction, and its interrupt is taken when that instruction
; is done.
TRACE_DELAY = 42
trace_go:
        ldd     TCNT
        addd    #TRACE_DELAY
        std     TOC5
        ldaa    #0x08           ; I4/O5F: a compare from before does not count
        staa    TFLG1
        staa    TMSK1           ; output compare 5's interrupt, and no other compare's
        lds     usp
        rti
trace_bad:
        ldx     #msg_trace
        jsr     puts
        jmp     prompt

; Output compare 5 after one traced instruction: the program's registers are its stacked frame.
trace_stop:
        clr     TMSK1
        ldaa    #0x08
        staa    TFLG1
        sts     usp
        lds     #STACK
        ldx     #msg_p
        ldab    #8
        jsr     show_word
        ldx     #msg_y
        ldab    #6
        jsr     show_word
        ldx     #msg_x
        ldab    #4
        jsr     show_word
        ldx     #msg_a
        ldab    #3
        jsr     show_byte
        ldx     #msg_b
        ldab    #2
        jsr     show_byte
        ldx     #msg_c
        ldab    #1
        jsr     show_byte
        ldx     #msg_s
        jsr     puts
        ldd     usp
        addd    #9              ; the program's SP above its frame
        jsr     puthex4
        jsr     crlf
        jmp     prompt

; The string at X, then the word (show_word) or byte (show_byte) B bytes above usp, in hex.
show_word:
        jsr     puts
        ldx     usp
        abx
        ldd     0,x
        jmp     puthex4
show_byte:
        jsr     puts
        ldx     usp
        abx
        ldaa    0,x
        jmp     puthex2

; Up to four hex digits from X on, after blanks, to the end of the line, into addr. Carry set
; when there are none, more than four or anything else.
getaddr:
        ldaa    0,x
        cmpa    #SPACE
        bne     ga_digits
        inx
        bra     getaddr
ga_digits:
        clr     addr
        clr     addr+1
        clr     count
ga_next:
        ldaa    0,x
        beq     ga_end
        jsr     hexval
        bcs     ga_bad
        ldab    #4
ga_shift:
        asl     addr+1
        rol     addr
        decb
        bne     ga_shift
        oraa    addr+1
        staa    addr+1
        inc     count
        inx
        bra     ga_next
ga_end:
        ldab    count
        beq     ga_bad
        cmpb    #4
        bhi     ga_bad
        clc
        rts
ga_bad:
        sec
        rts

unknown:
        ldx     #msg_what
        jsr     puts
        jmp     prompt

; load t: the records as they come, one character at a time, so the SCI never overruns. Data
; goes to memory as it is read; a record that turns out bad is counted and reported at the end,
; because printing in the middle of a download would lose the characters that follow.
load:
        clr     bad
rec:
        jsr     getc
        cmpa    #CR
        beq     rec
        cmpa    #LF
        beq     rec
        cmpa    #SPACE
        beq     rec
        cmpa    #0x53           ; 'S'
        bne     bad_rest
        jsr     getc
        staa    rtype
        cmpa    #0x30           ; S0 header
        beq     rec_body
        cmpa    #0x31           ; S1 data
        beq     rec_body
        cmpa    #0x35           ; S5 count
        beq     rec_body
        cmpa    #0x39           ; S9 end
        beq     rec_body
        bra     bad_rest
rec_body:
        clr     sum
        jsr     gethex          ; the count: address, data and checksum bytes
        bcs     bad_rest
        suba    #3
        bcs     bad_rest
        staa    count
        jsr     gethex
        bcs     bad_rest
        staa    addr
        jsr     gethex
        bcs     bad_rest
        staa    addr+1
        ldx     addr
rec_data:
        tst     count
        beq     rec_sum
        jsr     gethex
        bcs     bad_rest
        ldab    rtype
        cmpb    #0x31
        bne     rec_skip
        staa    0,x
rec_skip:
        inx
        dec     count
        bra     rec_data
rec_sum:
        jsr     gethex          ; with the checksum the bytes add up to FF
        bcs     bad_rest
        ldaa    sum
        cmpa    #0xFF
        beq     rec_ok
        jsr     count_bad
        ldaa    rtype
        cmpa    #0x39
        beq     load_end
        clra
        bra     skip_line
rec_ok:
        ldaa    rtype
        cmpa    #0x39
        beq     load_end
rec_tail:
        jsr     getc            ; nothing but blanks may follow the checksum
        cmpa    #CR
        beq     rec
        cmpa    #LF
        beq     rec
        cmpa    #SPACE
        beq     rec_tail
bad_rest:                       ; a bad record; A holds the character that showed it
        jsr     count_bad
skip_line:
        cmpa    #CR
        beq     rec
        cmpa    #LF
        beq     rec
        jsr     getc
        bra     skip_line

load_end:
        ldab    #10             ; one second (2 000 000 E cycles) for the host to finish,
le_outer:                       ; without reading the line
        ldx     #33332
le_inner:
        dex
        bne     le_inner
        decb
        bne     le_outer
        ldaa    SCSR            ; throw away the character the SCI kept meanwhile
        ldaa    SCDR
        tst     bad
        bne     le_error
        ldx     #msg_done
        jsr     puts
        jmp     prompt
le_error:
        ldx     #msg_error
        jsr     puts
        ldaa    bad
        jsr     putdec
        ldx     #msg_bad
        jsr     puts
        jmp     prompt

count_bad:
        inc     bad
        bne     cb_end
        dec     bad
cb_end:
        rts

; The program came back: SWI, an illegal opcode, or an interrupt it has no handler for. Its
; registers are on its stack: CCR, B, A, X, Y, then the PC.
swi_stop:
        tsx
        ldd     7,x
        subd    #1              ; SWI stacked the address after itself
        std     addr
        ldx     #msg_swi
        bra     show_stop
illegal_stop:
        tsx
        ldd     7,x
        std     addr
        ldx     #msg_illegal
        bra     show_stop
stray:
        tsx
        ldd     7,x
        std     addr
        ldx     #msg_stray
show_stop:
        lds     #STACK
        jsr     puts
        ldd     addr
        jsr     puthex4
        jsr     crlf
        jmp     prompt

; Reads a line into LINE with echo, up to CR; LF and other control characters are ignored,
; BS and DEL erase. Returns its length in B; upper case is stored as lower case.
getline:
        clr     len
gl_next:
        jsr     getc
        cmpa    #CR
        beq     gl_end
        cmpa    #BS
        beq     gl_erase
        cmpa    #DEL
        beq     gl_erase
        cmpa    #SPACE
        blo     gl_next
        ldab    len
        cmpb    #LINE_MAX
        bhs     gl_next
        jsr     putc
        cmpa    #0x41           ; 'A'
        blo     gl_store
        cmpa    #0x5A           ; 'Z'
        bhi     gl_store
        oraa    #0x20
gl_store:
        ldx     #LINE
        abx
        staa    0,x
        inc     len
        bra     gl_next
gl_erase:
        tst     len
        beq     gl_next
        dec     len
        ldx     #msg_erase
        jsr     puts
        bra     gl_next
gl_end:
        jsr     crlf
        ldab    len
        ldx     #LINE
        abx
        clr     0,x
        ldab    len
        rts

; Two hex digits from the line into A, added to sum. Carry set, and the offending character in
; A, when one is not a hex digit.
gethex:
        jsr     getc
        jsr     hexval
        bcs     gh_end
        lsla
        lsla
        lsla
        lsla
        staa    hexhi
        jsr     getc
        jsr     hexval
        bcs     gh_end
        oraa    hexhi
        psha
        adda    sum
        staa    sum
        pula
        clc
gh_end:
        rts

; A hex digit's value in A; carry set and A unchanged when it is none.
hexval:
        cmpa    #0x30
        blo     hv_bad
        cmpa    #0x39
        bls     hv_digit
        cmpa    #0x41
        blo     hv_bad
        cmpa    #0x46
        bls     hv_upper
        cmpa    #0x61
        blo     hv_bad
        cmpa    #0x66
        bhi     hv_bad
        suba    #0x57
        clc
        rts
hv_upper:
        suba    #0x37
        clc
        rts
hv_digit:
        suba    #0x30
        clc
        rts
hv_bad:
        sec
        rts

; The SCI, polled: status first, then data, as the chip wants it.
getc:
        ldaa    SCSR
        bita    #0x20           ; RDRF
        beq     getc
        ldaa    SCDR
        rts

putc:
        pshb
pc_wait:
        ldab    SCSR
        bitb    #0x80           ; TDRE
        beq     pc_wait
        staa    SCDR
        pulb
        rts

puts:
        ldaa    0,x
        beq     ps_end
        jsr     putc
        inx
        bra     puts
ps_end:
        rts

crlf:
        ldx     #msg_crlf
        bra     puts

; D as four hex digits.
puthex4:
        pshb
        jsr     puthex2
        pula
puthex2:
        psha
        lsra
        lsra
        lsra
        lsra
        jsr     putnib
        pula
        anda    #0x0F
putnib:
        adda    #0x30
        cmpa    #0x39
        bls     pn_out
        adda    #7
pn_out:
        jmp     putc

; A in decimal, without leading zeros.
putdec:
        tab
        clra
        ldx     #10
        idiv                    ; B: the ones
        pshb
        xgdx
        ldx     #10
        idiv                    ; B: the tens, X: the hundreds
        pshb
        xgdx
        tstb
        beq     pd_tens
        tba
        adda    #0x30
        jsr     putc
        pula
        bra     pd_tens_digit
pd_tens:
        pula
        tsta
        beq     pd_ones
pd_tens_digit:
        adda    #0x30
        jsr     putc
pd_ones:
        pula
        adda    #0x30
        jmp     putc

banner:      .asciz "\r\nTESTMON 1.0, a test monitor for the CME11E9 (68HC11E9)\r\n"
cmd_load:    .ascii "load t"
msg_crlf:    .asciz "\r\n"
msg_erase:   .asciz "\b \b"
msg_done:    .asciz "done\r\n"
msg_error:   .asciz "error: "
msg_bad:     .asciz " bad records\r\n"
msg_go:      .asciz "error: go needs a hexadecimal address\r\n"
msg_what:    .asciz "error: unknown command (load t, go ADDR, t [ADDR])\r\n"
msg_trace:   .asciz "error: t needs a hexadecimal address the first time\r\n"
msg_p:       .asciz "P-"
msg_y:       .asciz " Y-"
msg_x:       .asciz " X-"
msg_a:       .asciz " A-"
msg_b:       .asciz " B-"
msg_c:       .asciz " C-"
msg_s:       .asciz " S-"
msg_swi:     .asciz "\r\nprogram stopped: SWI at "
msg_illegal: .asciz "\r\nprogram stopped: illegal opcode at "
msg_stray:   .asciz "\r\nprogram stopped: interrupt without a handler, program at "

; FFC0-FFD5 are unused on the 68HC11E9; every used vector but reset leads to its pseudo-vector.
        .section .vectors,"a"
        .word   reset, reset, reset, reset, reset, reset, reset, reset, reset, reset, reset
        .word   0x00C4          ; FFD6 SCI
        .word   0x00C7          ; FFD8 SPI
        .word   0x00CA          ; FFDA pulse accumulator input edge
        .word   0x00CD          ; FFDC pulse accumulator overflow
        .word   0x00D0          ; FFDE timer overflow
        .word   0x00D3          ; FFE0 output compare 5
        .word   0x00D6          ; FFE2 output compare 4
        .word   0x00D9          ; FFE4 output compare 3
        .word   0x00DC          ; FFE6 output compare 2
        .word   0x00DF          ; FFE8 output compare 1
        .word   0x00E2          ; FFEA input capture 3
        .word   0x00E5          ; FFEC input capture 2
        .word   0x00E8          ; FFEE input capture 1
        .word   0x00EB          ; FFF0 real-time interrupt
        .word   0x00EE          ; FFF2 IRQ
        .word   0x00F1          ; FFF4 XIRQ
        .word   0x00F4          ; FFF6 SWI
        .word   0x00F7          ; FFF8 illegal opcode
        .word   0x00FA          ; FFFA COP failure
        .word   0x00FD          ; FFFC clock monitor failure
        .word   reset           ; FFFE reset
