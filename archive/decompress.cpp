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

/* Code constants. */
enum {
  kEndOfStreamWord = 2047,  /* far pair form value that ends the stream */
  kFarPairBase = 257,       /* distance of far pair form value 0 */
  kLengthByteBase = 27,     /* length of long form byte 0 */
  kDistanceForms = 5,
  kLengthForms = 6,
};

/* Long-match distance forms by the number of 0 prefix bits (the fourth 0
 * ends the prefix without a 1). */
static const BYTE kDistanceExtraBits[kDistanceForms] = {1, 1, 2, 3, 4};
static const WORD kDistanceBase[kDistanceForms] = {0, 512, 1024, 2048, 4096};

/* Long-match length forms by the number of leading 0 bits; the last form
 * (five zeros) takes its length from a data byte. */
static const BYTE kLengthCodeBits[kLengthForms] = {1, 2, 4, 6, 9, 5};
static const BYTE kLengthExtraBits[kLengthForms] = {0, 0, 1, 2, 4, 0};
static const BYTE kLengthBase[kLengthForms] = {3, 4, 5, 7, 11, kLengthByteBase};

/* The fast loop's view of a match's first six bits (its leading 0 and
 * the five after it, so the index is below 32): how many bits come before
 * the distance byte, and how the distance is made.  Both pair forms fit
 * the long forms' rule distance = base + (byte << extra | extra bits) + 1:
 * the near pair with no extra bits, the far pair with its 3 bits and base
 * 256 (so the end-of-stream code reads as distance 2304). */
typedef struct MatchHead {
  BYTE first_bits;  /* bits up to the distance byte */
  BYTE extra;       /* bits right after it that extend the distance */
  BYTE long_mask;   /* 0xFF for a long match, 0 for a pair */
  BYTE pair_length; /* 2 for a pair, 0 for a long match */
  BYTE shift;       /* 32 - extra */
  WORD base1;       /* base + 1 */
} MatchHead;

#define LONG_HEAD(bits, extra, base) {bits, extra, 0xFF, 0, 32 - (extra), (base) + 1}
#define NEAR_PAIR_HEAD {3, 0, 0, 2, 32, 1}
#define FAR_PAIR_HEAD {3, 3, 0, 2, 29, 257}
static const MatchHead kMatchHeads[32] = {
    /* 0 0 then the distance prefix 0 0 0 0, 0 0 0 1, 0 0 1, 0 1, 1 */
    LONG_HEAD(6, 4, 4096), LONG_HEAD(6, 3, 2048), LONG_HEAD(5, 2, 1024), LONG_HEAD(5, 2, 1024),
    LONG_HEAD(4, 1, 512), LONG_HEAD(4, 1, 512), LONG_HEAD(4, 1, 512), LONG_HEAD(4, 1, 512),
    LONG_HEAD(3, 1, 0), LONG_HEAD(3, 1, 0), LONG_HEAD(3, 1, 0), LONG_HEAD(3, 1, 0),
    LONG_HEAD(3, 1, 0), LONG_HEAD(3, 1, 0), LONG_HEAD(3, 1, 0), LONG_HEAD(3, 1, 0),
    /* 0 1 0 */
    NEAR_PAIR_HEAD, NEAR_PAIR_HEAD, NEAR_PAIR_HEAD, NEAR_PAIR_HEAD,
    NEAR_PAIR_HEAD, NEAR_PAIR_HEAD, NEAR_PAIR_HEAD, NEAR_PAIR_HEAD,
    /* 0 1 1 */
    FAR_PAIR_HEAD, FAR_PAIR_HEAD, FAR_PAIR_HEAD, FAR_PAIR_HEAD,
    FAR_PAIR_HEAD, FAR_PAIR_HEAD, FAR_PAIR_HEAD, FAR_PAIR_HEAD,
};
#undef LONG_HEAD
#undef NEAR_PAIR_HEAD
#undef FAR_PAIR_HEAD

/* The end-of-stream code as the far-pair head reads it: 257 + 2047. */
enum { kEndOfStreamDistance = kFarPairBase + kEndOfStreamWord };

/* Long-match length codes by their first nine bits (the longest code):
 * the length and the code's bit count; length 0 marks the byte form. */
typedef struct LengthCode {
  WORD length;
  WORD bits;
} LengthCode;

static LengthCode LengthCodes[512];
static int LengthCodesReady;

/* Fills LengthCodes from the length forms; run once, on first use. */
static void BuildLengthCodes(void) {
  for (DWORD i = 0; i < COUNTOF(LengthCodes); i++) {
    DWORD lz = 0;
    while (lz < kLengthForms - 1 && !(i & (256u >> lz))) lz++;
    if (lz == kLengthForms - 1) {
      LengthCodes[i].length = 0;
    } else {
      DWORD ext = kLengthExtraBits[lz];
      DWORD t = (i >> (9 - (lz + 1) - ext)) & ((1u << ext) - 1);
      LengthCodes[i].length = (WORD)(kLengthBase[lz] + t);
    }
    LengthCodes[i].bits = kLengthCodeBits[lz];
  }
  LengthCodesReady = 1;
}

/* Fast loop margins (bytes that must remain at the top of an iteration).
 * An iteration is a run of literals, a match, or a run of literals ended
 * by a 0 bit and the match that bit starts.
 *
 * Input: the longest code has 2 + 4 + 4 + 9 = 19 bits (0 0, four prefix
 * bits, four extra bits, 0 0 0 0 1 and four length bits), so one code needs
 * at most one new control word.  A match loads what it may need from
 * fixed offsets of its first byte, up to 6 bytes on: the word at 0 and at
 * 1, the distance byte at 0 or 4, the length byte at 1 or 5.  A literal
 * run after a new word copies 32 bytes as one block (4 + 32); when a
 * match follows, the run held at most 31 literals, so the match starts by
 * 4 + 31 and reads up to 4 + 31 + 6 = 41.
 *
 * Output: a long match writes up to 282 bytes in 8- or 16-byte blocks, so
 * at most 282 rounded up to 16 = 288; a pair writes 2.  A literal run
 * writes 32 but advances at most 31 before a match: 31 + 288 = 319. */
enum {
  kFastInputMargin = 4 + 31 + 6,
  kFastOutputMargin = 31 + 288,
};

static inline DWORD LoadWord(const BYTE *p) {
  DWORD v;
  memcpy(&v, p, sizeof(v));
  return v;
}

static inline void Copy8(BYTE *to, const BYTE *from) { memcpy(to, from, 8); }

/* Leading zero count of a nonzero word. */
static inline DWORD LeadingZeros(DWORD v) { return (DWORD)__builtin_clz(v); }

/* Match copy for the fast loop.  Entry: 2 <= length <= 282, distance
 * within the output so far, at least 288 bytes of room at out.  Writes the
 * bytes of the byte-by-byte rule, then more (never past 288 in all);
 * returns the match's end.
 *
 * Most matches are short, so the first 32 bytes are written the same way
 * for every distance of 8 or more: four 8-byte blocks in order, each of
 * which reads only bytes written before it.  Only a longer match chooses
 * its block size by the distance, where the choice is rare and steady. */
static inline BYTE *CopyMatchFast(BYTE *out, DWORD distance, DWORD length) {
  BYTE *end = out + length;
  const BYTE *from = out - distance;
  if (distance < 8) {
    /* Lay down 8 bytes by the plain rule, after which the output repeats
     * with the smallest multiple of the period that is >= 8, and 8-byte
     * blocks from that far back never overlap what they write. */
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
  Copy8(out, from);
  Copy8(out + 8, from + 8);
  Copy8(out + 16, from + 16);
  Copy8(out + 24, from + 24);
  if (length <= 32) return end;
  out += 32;
  from += 32;
  if (distance >= 16) {
    /* No 16-byte block reads a byte the same block writes. */
    do {
      memcpy(out, from, 16);
      out += 16;
      from += 16;
    } while (out < end);
  } else {
    do {
      Copy8(out, from);
      out += 8;
      from += 8;
    } while (out < end);
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
  if (!LengthCodesReady) BuildLengthCodes();
  DWORD word = 0; /* unused code bits at the top, zeros below them */
  DWORD bits = 0; /* unused bits in word */

  /* Fast loop.  Entry assumptions, checked at the top of every iteration:
   * at least kFastInputMargin stream bytes and kFastOutputMargin output
   * bytes remain, so no code read or match write inside can pass either
   * end.  On return (leaving the loop) word/bits/in/out describe the exact
   * decoder state at a code boundary, ready for the checked loop.
   *
   * Each iteration is a run of literals (perhaps empty) and, unless the run
   * used up the word, the match that the 0 bit after it starts.  The kind
   * of each code is close to random, so the loop reads a match both as a
   * pair and as a long match from the same loaded bytes and picks one,
   * rather than steering the loads by the kind. */
  const BYTE *const in_last = source_size >= kFastInputMargin ? in_end - kFastInputMargin : 0;
  BYTE *const out_last = capacity >= kFastOutputMargin ? out_end - kFastOutputMargin : 0;
  if (in_last && out_last) while (in <= in_last && out <= out_last) {
    {
      /* A code starts here, so an exhausted word is replaced now. */
      DWORD empty = bits == 0;
      word = empty ? LoadWord(in) : word;
      in += 4 * empty;
      bits += 32 * empty;
    }
    {
      /* Every leading 1 is one literal; they cannot pass the word's unused
       * bits, because used bits were shifted out as zeros. */
      DWORD run = ~word ? LeadingZeros(~word) : 32;
      memcpy(out, in, 32);
      out += run;
      in += run;
      word = (DWORD)((ULONGLONG)word << run);
      bits -= run;
      if (bits == 0) continue;
    }
    /* A match: 0, then 1 for a pair or 0 for a long match.  Its bits fall
     * in two runs, before and after its distance byte, and each run may
     * reach into the next control word: for the first run that word stands
     * at the match's first byte, for the second right after the distance
     * byte (the first run cannot have crossed then: a fresh word holds 26
     * more bits).  Every byte the match may need is loaded from a fixed
     * offset at once, and the crossings only select among them. */
    const BYTE *at = in;
    DWORD next_first = LoadWord(at);
    DWORD next_second = LoadWord(at + 1);
    DWORD view = word | (DWORD)((ULONGLONG)next_first >> bits);
    const MatchHead *head = &kMatchHeads[view >> 26];
    /* bits - n goes below 0 exactly when the run crosses into the next
     * word, and never reaches 32 (a run has at least 3 bits, or follows
     * one), so its low five bits are the new count either way. */
    DWORD n = head->first_bits;
    DWORD left = bits - n;
    DWORD crossed_first = left >> 31;
    word = crossed_first ? next_first << (0u - left) : word << n;
    bits = left & 31;
    DWORD b = at[4 * crossed_first];

    /* The second run: at most 4 + 9 bits, which the view holds in full.
     * A shift by 32 (no extra bits) is defined on the 64-bit value. */
    view = word | (DWORD)((ULONGLONG)next_second >> bits);
    DWORD extra = head->extra;
    DWORD distance = head->base1 + (DWORD)((((ULONGLONG)b << 32) | view) >> head->shift);
    const LengthCode *code = &LengthCodes[(view << extra) >> 23];
    n = extra + (code->bits & head->long_mask);
    left = bits - n;
    DWORD crossed_second = left >> 31;
    word = crossed_second ? next_second << (0u - left) : word << n;
    bits = left & 31;
    DWORD crossed = crossed_first | crossed_second;
    in = at + 1 + 4 * crossed;
    if (distance == kEndOfStreamDistance && head->base1 == 257) goto done;

    DWORD length = head->pair_length | (code->length & head->long_mask);
    if (length == 0) {
      /* The length byte follows the code's last bit. */
      length = kLengthByteBase + at[1 + 4 * crossed];
      in++;
    }
    if (distance > (DWORD)(out - destination)) goto fail;
    out = CopyMatchFast(out, distance, length);
  }

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
