/* Text calls of the ANSI code page, which in this world is always 932
 * (Shift-JIS), and the conversions tests use to state texts in UTF-8.
 *
 * The string calls work on bytes, as the real ones do for the product's
 * uses: comparisons fold ASCII letters only and compare everything else,
 * double-byte characters included, byte by byte.  A null string counts as
 * empty where the real calls tolerate one. */
#include "platform/sim/sim_control.h"
#include "platform/sim/win_api.h"

#include <errno.h>
#include <iconv.h>

#include <string.h>

/* ---- Strings ------------------------------------------------------------ */

int lstrlenA(LPCSTR s) { return s ? (int)strlen(s) : 0; }

LPSTR lstrcpyA(LPSTR dst, LPCSTR src) {
  if (!dst) return nullptr;
  strcpy(dst, src ? src : "");
  return dst;
}

/* Copies at most size - 1 bytes and always ends the copy with a NUL (when
 * size is at least 1). */
LPSTR lstrcpynA(LPSTR dst, LPCSTR src, int size) {
  if (!dst) return nullptr;
  if (size <= 0) return dst;
  if (!src) src = "";
  int i = 0;
  for (; i < size - 1 && src[i]; i++) dst[i] = src[i];
  dst[i] = '\0';
  return dst;
}

LPSTR lstrcatA(LPSTR dst, LPCSTR src) {
  if (!dst) return nullptr;
  strcat(dst, src ? src : "");
  return dst;
}

/* The real case-insensitive comparison goes through the locale, which for
 * code page 932 folds the ASCII letters and the double-byte Latin, Greek
 * and Cyrillic letters, and nothing else (kana stay apart from each other
 * and from their half-width forms).  The order is byte-wise. */
static unsigned FoldDoubleByte(unsigned code) {
  if (code >= 0x8260 && code <= 0x8279) return code + 0x21; /* Ａ-Ｚ */
  if (code >= 0x839F && code <= 0x83B6) return code + 0x20; /* Greek */
  if (code >= 0x8440 && code <= 0x8460) {                   /* Cyrillic */
    unsigned trail = 0x70 + (code - 0x8440);
    if (trail >= 0x7F) trail++; /* 0x7F is no trail byte */
    return 0x8400 | trail;
  }
  return code;
}

/* The next character as a number that orders like its bytes: a single
 * byte c as c << 8, a double-byte character as lead << 8 | trail. */
static unsigned NextCharacter(const unsigned char **p, int fold) {
  unsigned c = **p;
  if (!c) return 0;
  if (IsDBCSLeadByte((BYTE)c) && (*p)[1]) {
    unsigned code = (c << 8) | (*p)[1];
    *p += 2;
    return fold ? FoldDoubleByte(code) : code;
  }
  (*p)++;
  if (fold && c >= 'A' && c <= 'Z') c += 'a' - 'A';
  return c << 8;
}

/* -1, 0 or 1 as the real calls answer.  A null string sorts before every
 * other string, two nulls are equal. */
static int CompareText(LPCSTR a, LPCSTR b, int fold) {
  if (!a || !b) return (a == b) ? 0 : (a ? 1 : -1);
  const unsigned char *p = (const unsigned char *)a;
  const unsigned char *q = (const unsigned char *)b;
  for (;;) {
    unsigned x = NextCharacter(&p, fold);
    unsigned y = NextCharacter(&q, fold);
    if (x != y) return x < y ? -1 : 1;
    if (!x) return 0;
  }
}

int lstrcmpA(LPCSTR a, LPCSTR b) { return CompareText(a, b, 0); }

int lstrcmpiA(LPCSTR a, LPCSTR b) { return CompareText(a, b, 1); }

BOOL IsDBCSLeadByte(BYTE c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

/* One character on: two bytes over a lead byte, unless the string ends
 * right after it; never past the terminating NUL. */
LPSTR CharNextA(LPCSTR s) {
  if (!s || !*s) return (LPSTR)s;
  if (IsDBCSLeadByte((BYTE)s[0]) && s[1]) return (LPSTR)(s + 2);
  return (LPSTR)(s + 1);
}

/* ---- The formatter -----------------------------------------------------
 * The conversions %s %c %d %i %u %x %X and %%, with the flags '-', '0' and
 * '#', a width and a precision (digits only; '*' is not supported by the
 * real formatter either), and the size prefixes l and h.  Arguments are
 * read as the 32-bit Windows ABI passes them: every integer, long ones
 * included, as a 32-bit int; 'h' changes nothing in this narrow version.
 * The output never exceeds FORMAT_LIMIT bytes including the NUL.  A text
 * that fills the whole buffer (FORMAT_LIMIT - 1 bytes or more) is cut to
 * that many bytes and the result is FORMAT_LIMIT; otherwise the result is
 * the length stored without the NUL.  An unknown conversion character is
 * copied as it is. */
enum { FORMAT_LIMIT = 1024 };

struct FormatOut {
  char *out;
  int used;   /* bytes stored, without the NUL */
  int wanted; /* bytes the whole text needs */
};

static void Put(FormatOut *f, char c) {
  f->wanted++;
  if (f->used < FORMAT_LIMIT - 1) f->out[f->used++] = c;
}

static void PutRepeated(FormatOut *f, char c, int n) {
  for (int i = 0; i < n; i++) Put(f, c);
}

struct FormatSpec {
  int left;      /* '-' */
  int zero;      /* '0' */
  int alternate; /* '#' */
  int width;
  int precision; /* -1 when none */
};

/* Emits text (len bytes) padded to the width; zero padding goes between
 * the prefix (sign or 0x) and the digits, as the real formatter does. */
static void PutField(FormatOut *f, const FormatSpec *spec, const char *prefix,
                     const char *text, int len, int numeric) {
  int prefix_len = (int)strlen(prefix);
  int digits_pad = 0;
  if (numeric && spec->precision > len) digits_pad = spec->precision - len;
  int total = prefix_len + digits_pad + len;
  int pad = spec->width > total ? spec->width - total : 0;
  int zero_pad = spec->zero && !spec->left;
  if (!spec->left && !zero_pad) PutRepeated(f, ' ', pad);
  for (int i = 0; i < prefix_len; i++) Put(f, prefix[i]);
  if (zero_pad) PutRepeated(f, '0', pad);
  PutRepeated(f, '0', digits_pad);
  for (int i = 0; i < len; i++) Put(f, text[i]);
  if (spec->left) PutRepeated(f, ' ', pad);
}

static void PutNumber(FormatOut *f, const FormatSpec *spec, char conversion,
                      uint32_t bits) {
  char digits[16];
  int len = 0;
  const char *prefix = "";
  uint32_t magnitude = bits;
  if (conversion == 'd' || conversion == 'i') {
    int32_t value = (int32_t)bits;
    if (value < 0) {
      prefix = "-";
      magnitude = 0u - (uint32_t)value;
    } else {
      magnitude = (uint32_t)value;
    }
  }
  unsigned base = (conversion == 'x' || conversion == 'X') ? 16 : 10;
  const char *set = conversion == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
  char reversed[16];
  do {
    reversed[len++] = set[magnitude % base];
    magnitude /= base;
  } while (magnitude);
  for (int i = 0; i < len; i++) digits[i] = reversed[len - 1 - i];
  if (spec->alternate && base == 16 && bits)
    prefix = conversion == 'X' ? "0X" : "0x";
  PutField(f, spec, prefix, digits, len, 1);
}

int wvsprintfA(LPSTR out, LPCSTR format, va_list args) {
  FormatOut f = {out, 0, 0};
  const char *p = format;
  while (*p) {
    if (*p != '%') {
      Put(&f, *p++);
      continue;
    }
    p++;
    if (*p == '%') {
      Put(&f, *p++);
      continue;
    }
    FormatSpec spec = {0, 0, 0, 0, -1};
    for (;; p++) {
      if (*p == '-') spec.left = 1;
      else if (*p == '0') spec.zero = 1;
      else if (*p == '#') spec.alternate = 1;
      else break;
    }
    while (*p >= '0' && *p <= '9') spec.width = spec.width * 10 + (*p++ - '0');
    if (*p == '.') {
      p++;
      spec.precision = 0;
      while (*p >= '0' && *p <= '9')
        spec.precision = spec.precision * 10 + (*p++ - '0');
    }
    if (*p == 'l' || *p == 'h') p++;
    char conversion = *p;
    if (!conversion) break;
    p++;
    switch (conversion) {
      case 's': {
        const char *s = va_arg(args, const char *);
        if (!s) s = "(null)";
        int len = (int)strlen(s);
        if (spec.precision >= 0 && len > spec.precision) len = spec.precision;
        PutField(&f, &spec, "", s, len, 0);
        break;
      }
      case 'c': {
        char c = (char)va_arg(args, int);
        PutField(&f, &spec, "", &c, 1, 0);
        break;
      }
      case 'd':
      case 'i':
      case 'u':
      case 'x':
      case 'X':
        PutNumber(&f, &spec, conversion, (uint32_t)va_arg(args, int));
        break;
      default:
        Put(&f, conversion);
        break;
    }
  }
  out[f.used] = '\0';
  return f.wanted >= FORMAT_LIMIT - 1 ? FORMAT_LIMIT : f.used;
}

int wsprintfA(LPSTR out, LPCSTR format, ...) {
  va_list args;
  va_start(args, format);
  int n = wvsprintfA(out, format, args);
  va_end(args);
  return n;
}

/* ---- Code page conversion for tests ------------------------------------ */

static std::string Convert(const char *to, const char *from,
                           const std::string &in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == (iconv_t)-1) return std::string();
  std::string out;
  char buffer[256];
  char *src = const_cast<char *>(in.data());
  size_t src_left = in.size();
  while (src_left > 0) {
    char *dst = buffer;
    size_t dst_left = sizeof buffer;
    size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    out.append(buffer, (size_t)(dst - buffer));
    if (r == (size_t)-1 && errno != E2BIG) {
      /* Keep an unconvertible byte as it is, so that nothing is lost. */
      out.push_back(*src++);
      src_left--;
    }
  }
  iconv_close(cd);
  return out;
}

std::string SimToUtf8(const std::string &cp932) {
  return Convert("UTF-8", "CP932", cp932);
}

std::string SimFromUtf8(const std::string &utf8) {
  return Convert("CP932", "UTF-8", utf8);
}
