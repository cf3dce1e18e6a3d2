/* counter.c - the example program of counter.s, written in C for reading.
 *
 * It does what counter.s does: it sets up the SCI for 9600 baud with its
 * interrupt, then loops forever, adding `step` to the 16-bit `count` while
 * `run` is not zero.  The watch window's memory requests are served from the
 * SCI interrupt, whatever the loop does.  The shipped counter.s19 is built from
 * counter.s; this file shows the same logic in C for a 68HC11 C compiler that
 * places the variables at the same addresses.
 */

typedef unsigned char byte;
typedef unsigned short word;

/* SCI registers of the 68HC11E9 (register block at 1000). */
#define BAUD (*(volatile byte*)0x102B)
#define SCCR1 (*(volatile byte*)0x102C)
#define SCCR2 (*(volatile byte*)0x102D)
#define SCSR (*(volatile byte*)0x102E)
#define SCDR (*(volatile byte*)0x102F)

#define SCSR_TDRE 0x80
#define SCSR_RDRF 0x20
#define SCSR_OR 0x08
#define SCCR2_TE_RE_RIE 0x2C /* transmitter, receiver, receive interrupt */
#define SCCR2_TIE 0x80       /* transmit interrupt, on while a reply goes out */

/* The monitor's JMP slot for the SCI interrupt (JMP opcode, then the address). */
#define SCI_VECTOR ((volatile byte*)0x00C4)

/* The watched variables, at the addresses listed in counter.csv. */
#define count (*(volatile word*)0x2402) /* 16-bit counter, high byte first */
#define step (*(volatile byte*)0x2404)  /* added to count on every pass */
#define run (*(volatile byte*)0x2405)   /* 0 stops the counter */

static char hex_digit(byte nibble) {
    return (char)(nibble < 10 ? '0' + nibble : 'A' + nibble - 10);
}

/* Value of a hexadecimal digit, or -1 for any other character. */
static int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

/* The responder: "*AAAA" is answered "!HH@"; "*FFFFAAAAHH" stores HH at AAAA
 * and is answered with nothing.  A '*' always starts a new request. */
enum { IDLE, FIRST, WRITE_ADDRESS, WRITE_VALUE };
static byte state = IDLE;
static byte digits_left;
static word field;
static word write_address;
static char reply[4];    /* "!HH@" */
static byte reply_sent;  /* characters of reply already sent */
static byte reply_left;  /* characters of reply still to send */

static void start_field(byte new_state) {
    state = new_state;
    digits_left = (new_state == WRITE_VALUE) ? 2 : 4;
    field = 0;
}

/* Moves the request along by one received character. */
static void take(char c) {
    if (c == '*') {
        start_field(FIRST);
        return;
    }
    if (state == IDLE) return;
    int digit = hex_value(c);
    if (digit < 0) {
        state = IDLE;
        return;
    }
    field = (word)(field * 16 + digit);
    if (--digits_left != 0) return;
    if (state == FIRST && field == 0xFFFF) {
        start_field(WRITE_ADDRESS);
    } else if (state == FIRST) {
        byte value = *(volatile byte*)field;
        reply[0] = '!';
        reply[1] = hex_digit(value >> 4);
        reply[2] = hex_digit(value & 0x0F);
        reply[3] = '@';
        reply_sent = 0;
        reply_left = 4;
        state = IDLE;
        SCCR2 |= SCCR2_TIE; /* the transmit interrupt sends it */
    } else if (state == WRITE_ADDRESS) {
        write_address = field;
        start_field(WRITE_VALUE);
    } else {
        *(volatile byte*)write_address = (byte)field;
        state = IDLE;
    }
}

/* The SCI interrupt: the processor has saved every register and masked
 * interrupts; the return from interrupt restores both.  It never waits. */
static void __attribute__((interrupt)) resp_irq(void) {
    byte status = SCSR;
    if (status & (SCSR_RDRF | SCSR_OR)) {
        char c = (char)SCDR;
        if (status & SCSR_OR) {
            state = IDLE; /* a character of this request was lost */
        } else {
            take(c);
        }
    }
    if (reply_left != 0 && (SCSR & SCSR_TDRE)) {
        SCDR = (byte)reply[reply_sent++];
        if (--reply_left == 0) SCCR2 &= (byte)~SCCR2_TIE;
    }
}

static void resp_irq_init(void) {
    BAUD = 0x30; /* 9600 baud with the 8 MHz crystal */
    SCCR1 = 0x00;
    SCI_VECTOR[0] = 0x7E; /* JMP resp_irq */
    *(volatile word*)(SCI_VECTOR + 1) = (word)resp_irq;
    (void)SCSR; /* drop whatever arrived before */
    (void)SCDR;
    state = IDLE;
    reply_left = 0;
    SCCR2 = SCCR2_TE_RE_RIE;
}

int main(void) {
    resp_irq_init();
    count = 0;
    step = 1;
    run = 1;
    __asm__("cli");
    for (;;) {
        if (run) count = (word)(count + step);
    }
}
