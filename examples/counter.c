/* counter.c - the example program of counter.s, written in C for reading.
 *
 * It does what counter.s does: it sets up the SCI for 9600 baud, then loops
 * forever, adding `step` to the 16-bit `count` while `run` is not zero, and
 * serving the watch window's memory requests between passes.  The shipped
 * counter.s19 is built from counter.s; this file shows the same logic in C
 * for a 68HC11 C compiler that places the variables at the same addresses.
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

/* The watched variables, at the addresses listed in counter.csv. */
#define count (*(volatile word*)0x2402) /* 16-bit counter, high byte first */
#define step (*(volatile byte*)0x2404)  /* added to count on every pass */
#define run (*(volatile byte*)0x2405)   /* 0 stops the counter */

static void sci_init(void) {
    BAUD = 0x30; /* 9600 baud with the 8 MHz crystal */
    SCCR1 = 0x00;
    SCCR2 = 0x0C; /* transmitter and receiver on, no interrupts */
}

static void sci_put(char c) {
    while (!(SCSR & SCSR_TDRE)) {
    }
    SCDR = (byte)c;
}

static void sci_put_hex(byte nibble) {
    sci_put((char)(nibble < 10 ? '0' + nibble : 'A' + nibble - 10));
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

static void start_field(byte new_state) {
    state = new_state;
    digits_left = (new_state == WRITE_VALUE) ? 2 : 4;
    field = 0;
}

static void resp_poll(void) {
    if (!(SCSR & SCSR_RDRF)) return;
    char c = (char)SCDR;
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
        sci_put('!');
        sci_put_hex(value >> 4);
        sci_put_hex(value & 0x0F);
        sci_put('@');
        state = IDLE;
    } else if (state == WRITE_ADDRESS) {
        write_address = field;
        start_field(WRITE_VALUE);
    } else {
        *(volatile byte*)write_address = (byte)field;
        state = IDLE;
    }
}

int main(void) {
    sci_init();
    count = 0;
    step = 1;
    run = 1;
    for (;;) {
        resp_poll();
        if (run) count = (word)(count + step);
    }
}
