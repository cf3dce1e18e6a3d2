; eeprom_hello.s - a program kept in the EEPROM (B600), which the monitor ROM starts instead of
; itself when PE0 is high at reset. It sets up the SCI, says where it runs and stays there.
BAUD    = 0x102B
SCCR1   = 0x102C
SCCR2   = 0x102D
SCSR    = 0x102E
SCDR    = 0x102F

        .text
        .globl  _start
_start:
        lds     #0x01FF
        ldaa    #0x30           ; 9600 baud
        staa    BAUD
        clr     SCCR1
        ldaa    #0x0C           ; transmitter and receiver on
        staa    SCCR2
        ldx     #text
next:
        ldaa    0,x
        beq     stay
wait:
        ldab    SCSR
        bitb    #0x80           ; TDRE
        beq     wait
        staa    SCDR
        inx
        bra     next
stay:
        bra     stay

text:   .asciz  "\r\nprogram in EEPROM running\r\n"
