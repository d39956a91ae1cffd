/* Decoder for the archive's compressed streams.
 *
 * A stream interleaves 32-bit little-endian control words with whole data
 * bytes, in exactly the order the decoder needs them: a control word is
 * taken at the read position only when a code bit is needed and the
 * previous word's 32 bits are used up; a data byte is taken at the read
 * position when the code reaches it.  Code bits are read most significant
 * first:
 *
 *   1                 byte b              literal b
 *   0 1 0             byte b              2 bytes from distance b + 1
 *   0 1 1             byte b, 3 bits t    w = 8b + t; w == 2047 ends the
 *                                         stream, else 2 bytes from w + 257
 *   0 0 distance length                   3..282 bytes from 1..8192
 *
 *   distance: prefix  byte b  extra t      distance
 *             1       b       1 bit        1 +        2b + t
 *             0 1     b       1 bit        1 +  512 + 2b + t
 *             0 0 1   b       2 bits       1 + 1024 + 4b + t
 *             0 0 0 1 b       3 bits       1 + 2048 + 8b + t
 *             0 0 0 0 b       4 bits       1 + 4096 + 16b + t
 *   length:   1 -> 3, 0 1 -> 4, 0 0 1 t -> 5 + t, 0 0 0 1 tt -> 7 + t,
 *             0 0 0 0 1 tttt -> 11 + t, 0 0 0 0 0 byte b -> 27 + b
 *
 * A match copies byte by byte from distance d back in the output, so a
 * distance below the length repeats the last d bytes.  The window is the
 * output of this call alone.
 *
 * Decoding runs in two loops.  The fast loop works while the input and the
 * output both have room for the largest single step, so it checks nothing
 * but distances; it may write past the end of a match (never past the
 * margin it holds), and later output overwrites those bytes.  The checked
 * loop takes the last bytes one bit and one byte at a time with every
 * bound tested. */
#include "archive/decompress.h"

#include <string.h>

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "control words are loaded as host-order 32-bit values"
#endif

/* Code constants shared by both loops. */
enum {
  kEndOfStreamWord = 2047,  /* far pair form value that ends the stream */
  kNearPairMax = 256,       /* distances of the near pair form */
  kFarPairBase = 257,       /* distance of far pair form value 0 */
  kLengthByteBase = 27,     /* length of long form byte 0 */
  kDistanceForms = 5,
  kLengthForms = 6,
};

/* Long-match distance forms by the number of 0 prefix bits (the fourth 0
 * ends the prefix without a 1). */
static const BYTE kDistancePrefixBits[kDistanceForms] = {1, 2, 3, 4, 4};
static const BYTE kDistanceExtraBits[kDistanceForms] = {1, 1, 2, 3, 4};
static const WORD kDistanceBase[kDistanceForms] = {0, 512, 1024, 2048, 4096};

/* Long-match length forms by the number of leading 0 bits; the last form
 * (five zeros) takes its length from a data byte. */
static const BYTE kLengthCodeBits[kLengthForms] = {1, 2, 4, 6, 9, 5};
static const BYTE kLengthExtraBits[kLengthForms] = {0, 0, 1, 2, 4, 0};
static const BYTE kLengthBase[kLengthForms] = {3, 4, 5, 7, 11, kLengthByteBase};

/* Fast loop margins (bytes that must remain at the top of an iteration).
 *
 * Input: the longest code has 2 + 4 + 4 + 9 = 19 bits (0 0, four prefix
 * bits, four extra bits, 0 0 0 0 1 and four length bits), so one code needs
 * at most one new control word.  A literal run after a new word takes up to
 * 32 bytes, copied as two 16-byte blocks: 4 + 32 = 36.  A match reads at
 * most a word and two data bytes, and its peeks reach at most 5 bytes past
 * its start, so it stays well inside 36.
 *
 * Output: a long match writes up to 282 bytes in 8-byte blocks, so at most
 * 282 rounded up to 8 = 288; a literal run writes 32, a pair 2. */
enum {
  kFastInputMargin = 4 + 32,
  kFastOutputMargin = 288,
};

static inline DWORD LoadWord(const BYTE *p) {
  DWORD v;
  memcpy(&v, p, sizeof(v));
  return v;
}

static inline void Copy8(BYTE *to, const BYTE *from) { memcpy(to, from, 8); }

/* Leading zero count of a nonzero word. */
static inline DWORD LeadingZeros(DWORD v) { return (DWORD)__builtin_clz(v); }

/* Long-match copy for the fast loop.  Entry: 3 <= length <= 282, distance
 * within the output so far, at least 288 bytes of room at out.  Writes the
 * bytes of the byte-by-byte rule, then up to 7 more; returns the match's
 * end. */
static inline BYTE *CopyMatchFast(BYTE *out, DWORD distance, DWORD length) {
  BYTE *end = out + length;
  const BYTE *from = out - distance;
  if (distance >= 8) {
    /* No 8-byte block reads a byte the same block writes. */
    do {
      Copy8(out, from);
      out += 8;
      from += 8;
    } while (out < end);
    return end;
  }
  if (distance == 1 || distance == 2 || distance == 4) {
    /* The period divides 8: one 8-byte pattern repeats exactly. */
    uint64_t pattern;
    if (distance == 1) {
      pattern = 0x0101010101010101ull * from[0];
    } else if (distance == 2) {
      WORD pair;
      memcpy(&pair, from, sizeof(pair));
      pattern = 0x0001000100010001ull * pair;
    } else {
      pattern = 0x0000000100000001ull * LoadWord(from);
    }
    do {
      memcpy(out, &pattern, sizeof(pattern));
      out += 8;
    } while (out < end);
    return end;
  }
  /* Periods 3, 5, 6, 7: lay down 8 bytes by the plain rule, after which the
   * output repeats with the smallest multiple of the period that is >= 8,
   * and 8-byte blocks from that far back never overlap what they write. */
  static const BYTE kSpread[8] = {0, 8, 8, 9, 8, 10, 12, 14};
  for (int i = 0; i < 8; i++) out[i] = from[i];
  from = out + 8 - kSpread[distance];
  out += 8;
  while (out < end) {
    Copy8(out, from);
    out += 8;
    from += 8;
  }
  return end;
}

/* Bit source of the checked loop: the read position, the stream's end, the
 * current control word (unused bits at the top) and its unused bit count. */
typedef struct StreamCursor {
  const BYTE *next;
  const BYTE *end;
  DWORD word;
  DWORD bits;
} StreamCursor;

/* Reads count (<= 8) bits, taking a new control word whenever a bit is
 * needed and none is left. */
static int ReadBits(StreamCursor *c, DWORD count, DWORD *value) {
  DWORD v = 0;
  for (DWORD i = 0; i < count; i++) {
    if (c->bits == 0) {
      if (c->end - c->next < 4) return 0;
      c->word = LoadWord(c->next);
      c->next += 4;
      c->bits = 32;
    }
    v = (v << 1) | (c->word >> 31);
    c->word <<= 1;
    c->bits--;
  }
  *value = v;
  return 1;
}

static int ReadDataByte(StreamCursor *c, DWORD *value) {
  if (c->next == c->end) return 0;
  *value = *c->next++;
  return 1;
}

/* Number of 0 bits before a 1, reading at most limit bits. */
static int ReadZeroRun(StreamCursor *c, DWORD limit, DWORD *zeros) {
  DWORD n = 0, bit;
  while (n < limit) {
    if (!ReadBits(c, 1, &bit)) return 0;
    if (bit) break;
    n++;
  }
  *zeros = n;
  return 1;
}

/* The checked loop: one code at a time, every read and write bounded.
 * Returns 1 at the end-of-stream code with *out_pos advanced. */
static int DecodeChecked(StreamCursor *c, BYTE *base, BYTE **out_pos, BYTE *out_end) {
  BYTE *out = *out_pos;
  for (;;) {
    DWORD bit, b, t, distance, length;
    if (!ReadBits(c, 1, &bit)) return 0;
    if (bit) {
      if (!ReadDataByte(c, &b) || out == out_end) return 0;
      *out++ = (BYTE)b;
      continue;
    }
    if (!ReadBits(c, 1, &bit)) return 0;
    if (bit) {
      DWORD far_form;
      if (!ReadBits(c, 1, &far_form) || !ReadDataByte(c, &b)) return 0;
      if (far_form) {
        if (!ReadBits(c, 3, &t)) return 0;
        DWORD w = 8 * b + t;
        if (w == kEndOfStreamWord) {
          *out_pos = out;
          return 1;
        }
        distance = w + kFarPairBase;
      } else {
        distance = b + 1;
      }
      length = 2;
    } else {
      DWORD form, lz;
      if (!ReadZeroRun(c, kDistanceForms - 1, &form) || !ReadDataByte(c, &b) ||
          !ReadBits(c, kDistanceExtraBits[form], &t))
        return 0;
      distance = kDistanceBase[form] + (b << kDistanceExtraBits[form]) + t + 1;
      if (!ReadZeroRun(c, kLengthForms - 1, &lz)) return 0;
      if (lz == kLengthForms - 1) {
        if (!ReadDataByte(c, &t)) return 0;
      } else if (!ReadBits(c, kLengthExtraBits[lz], &t)) {
        return 0;
      }
      length = kLengthBase[lz] + t;
    }
    if (distance > (DWORD)(out - base) || length > (DWORD)(out_end - out)) return 0;
    for (DWORD i = 0; i < length; i++, out++) *out = out[-(ptrdiff_t)distance];
  }
}

int DecompressStream(BYTE *destination, DWORD capacity, const BYTE *source,
                     DWORD source_size, DWORD *produced, DWORD *consumed) {
  BYTE *const out_end = destination + capacity;
  const BYTE *const in_end = source + source_size;
  BYTE *out = destination;
  const BYTE *in = source;
  DWORD word = 0; /* unused code bits at the top, zeros below them */
  DWORD bits = 0; /* unused bits in word */

/* Code bits of the fast loop.  A run of code bits with no data byte inside
 * it needs the next control word only if it outlasts the current one, and
 * that word then stands at the read position.  PEEK(need) shows at least
 * the next `need` bits (need <= 13) at the top of a word, the current
 * word's and then the next word's, taking nothing; TAKE(n), n <= need,
 * consumes n of them and takes the next word if they reached into it. */
#define PEEK(need) (bits >= (need) ? word : word | (LoadWord(in) >> bits))
#define TAKE(n)                                \
  do {                                         \
    DWORD n_ = (n);                            \
    if (n_ <= bits) {                          \
      word <<= n_;                             \
      bits -= n_;                              \
    } else {                                   \
      n_ -= bits;                              \
      word = LoadWord(in) << n_;               \
      in += 4;                                 \
      bits = 32 - n_;                          \
    }                                          \
  } while (0)

  /* Fast loop.  Entry assumptions, checked at the top of every iteration:
   * at least kFastInputMargin stream bytes and kFastOutputMargin output
   * bytes remain, so no code read or match write inside can pass either
   * end.  On return (leaving the loop) word/bits/in/out describe the exact
   * decoder state at a code boundary, ready for the checked loop. */
  while ((DWORD)(in_end - in) >= kFastInputMargin &&
         (DWORD)(out_end - out) >= kFastOutputMargin) {
    if (bits == 0) {
      word = LoadWord(in);
      in += 4;
      bits = 32;
    }
    if (word & 0x80000000u) {
      /* Every leading 1 is one literal; they cannot pass the used bits,
       * which were shifted out as zeros. */
      DWORD run = ~word ? LeadingZeros(~word) : 32;
      memcpy(out, in, 16);
      if (run > 16) memcpy(out + 16, in + 16, 16);
      out += run;
      in += run;
      word = (word << (run - 1)) << 1;
      bits -= run;
      continue;
    }
    DWORD view = PEEK(6);
    DWORD distance, length;
    if (view & 0x40000000u) {
      /* Pair: 0 1 s, byte, and for s = 1 three more bits. */
      DWORD far_form = view & 0x20000000u;
      TAKE(3);
      DWORD b = *in++;
      if (far_form) {
        DWORD w = 8 * b + (PEEK(3) >> 29);
        TAKE(3);
        if (w == kEndOfStreamWord) goto done;
        distance = w + kFarPairBase;
      } else {
        distance = b + 1;
      }
      if (distance > (DWORD)(out - destination)) goto fail;
      out[0] = out[-(ptrdiff_t)distance];
      out[1] = out[1 - (ptrdiff_t)distance];
      out += 2;
      continue;
    }
    /* Long match: 0 0, the distance prefix (a 1 within four bits, or four
     * zeros), the distance byte, then extra bits and the length code with
     * at most 4 + 9 bits before the optional length byte. */
    DWORD form = LeadingZeros((view << 2) | 0x08000000u);
    TAKE(2u + kDistancePrefixBits[form]);
    DWORD b = *in++;
    DWORD extra = kDistanceExtraBits[form];
    view = PEEK(13);
    distance = kDistanceBase[form] + (b << extra) + (view >> (32 - extra)) + 1;
    view <<= extra;
    DWORD lz = LeadingZeros(view | 0x04000000u);
    /* Shift out the zeros and the 1, then keep the top ext bits; the extra
     * shift by one makes ext = 0 yield 0. */
    length = kLengthBase[lz] + (((view << (lz + 1)) >> 1) >> (31 - kLengthExtraBits[lz]));
    TAKE(extra + kLengthCodeBits[lz]);
    if (lz == kLengthForms - 1) length = kLengthByteBase + *in++;
    if (distance > (DWORD)(out - destination)) goto fail;
    out = CopyMatchFast(out, distance, length);
  }
#undef PEEK
#undef TAKE

  {
    StreamCursor cursor;
    cursor.next = in;
    cursor.end = in_end;
    cursor.word = word;
    cursor.bits = bits;
    if (!DecodeChecked(&cursor, destination, &out, out_end)) goto fail;
    in = cursor.next;
  }

done:
  if (produced) *produced = (DWORD)(out - destination);
  if (consumed) *consumed = (DWORD)(in - source);
  return 1;

fail:
  return 0;
}
