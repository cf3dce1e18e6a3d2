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
 * and is answered with nothing; "#AAAANN" is answered "!", the NN (01 to 20
 * hexadecimal) bytes from AAAA up as two digits each, four check digits and
 * "@".  A '*' or '#' always starts a new request; one with a character that is
 * not a hex digit, or a block of 00 or more than 20 bytes, gets no answer. */
enum { IDLE, FIRST, WRITE_ADDRESS, BLOCK_ADDRESS, WRITE_VALUE, BLOCK_COUNT };
#define BLOCK_MAX 32
static byte state = IDLE;
static byte digits_left;
static word field;
static word address;               /* of the write or the block being received */
static byte buffer[BLOCK_MAX + 2]; /* the reply's bytes at the end, then the check */
static byte* const check = buffer + BLOCK_MAX;
static byte* out;     /* the byte whose digits go next */
static byte bang_due; /* the reply's '!' is still to go */
static byte out_left; /* the reply's digits and '@' still to send */

static void start_field(byte new_state) {
    state = new_state;
    digits_left = (new_state >= WRITE_VALUE) ? 2 : 4;
    field = 0;
}

/* Copies n bytes from `from` up (past FFFF on at 0000) to the end of the
 * buffer and lets the reply go out: the bytes are taken at one moment, as the
 * handler runs with interrupts masked.  `left` counts its digits and '@'. */
static void reply_with(word from, byte n, byte left) {
    out = check - n;
    for (byte i = 0; i < n; ++i) out[i] = *(volatile byte*)(word)(from + i);
    bang_due = 1;
    out_left = left;
    state = IDLE;
    SCCR2 |= SCCR2_TIE; /* the transmit interrupt sends it */
}

/* Moves the request along by one received character. */
static void take(char c) {
    if (c == '*' || c == '#') {
        start_field(c == '*' ? FIRST : BLOCK_ADDRESS);
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
        reply_with(field, 1, 3);
    } else if (state == WRITE_ADDRESS || state == BLOCK_ADDRESS) {
        address = field;
        start_field(state + 2); /* WRITE_VALUE or BLOCK_COUNT */
    } else if (state == WRITE_VALUE) {
        *(volatile byte*)address = (byte)field;
        state = IDLE;
    } else if (field == 0 || field > BLOCK_MAX) {
        state = IDLE;
    } else {
        /* The check: two running sums over the address, the count and the
         * bytes; the bytes are added as their digits go out. */
        byte s1 = (byte)(address >> 8);
        byte s2 = s1;
        s1 = (byte)(s1 + (byte)address);
        s2 = (byte)(s2 + s1);
        s1 = (byte)(s1 + field);
        s2 = (byte)(s2 + s1);
        reply_with(address, (byte)field, (byte)(2 * field + 5));
        check[0] = s1;
        check[1] = s2;
    }
}

/* The next character of the reply. */
static char next_reply_character(void) {
    if (bang_due) {
        bang_due = 0;
        return '!';
    }
    byte left = --out_left;
    if (left == 0) return '@';
    if (left & 1) return hex_digit(*out++ & 0x0F);
    if (out < check) { /* a byte of the data: into the check */
        check[0] = (byte)(check[0] + *out);
        check[1] = (byte)(check[1] + check[0]);
    }
    return hex_digit(*out >> 4);
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
    if (out_left != 0 && (SCSR & SCSR_TDRE)) {
        SCDR = (byte)next_reply_character();
        if (out_left == 0) SCCR2 &= (byte)~SCCR2_TIE;
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
    out_left = 0;
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
