/* Encoder for the archive's compressed streams; the code tables are in
 * decompress.cpp.  Layout rules the writer keeps:
 *   - four bytes are reserved for a control word when its first bit is
 *     emitted (the first word at the stream's start), and the word is
 *     stored there once its 32 bits are filled and a further bit comes;
 *   - a data byte is appended where the decoder takes it, so a byte that
 *     follows a word's last bit precedes the next word;
 *   - the end-of-stream code closes the stream and the last word's unused
 *     bits are one 1 and then zeros.
 * Every code costs fewer bits than the literals it replaces, so a stream is
 * never longer than the all-literal stream EncodeBound describes. */
#include "archive/encode.h"

#include <string.h>

#include <vector>

namespace {

constexpr size_t kWindow = 8192;        // farthest long-match distance
constexpr size_t kPairWindow = 2303;    // farthest pair distance
constexpr size_t kNearPairMax = 256;    // farthest near-form pair
constexpr size_t kMinLong = 3;
constexpr size_t kMaxLong = 282;
constexpr uint32_t kEndOfStreamWord = 2047;

// ---- bit and byte writer -------------------------------------------------

struct StreamWriter {
  uint8_t *dst;
  size_t capacity;
  size_t pos = 0;       // end of the output so far
  size_t word_pos = 0;  // where the current control word will be stored
  uint32_t word = 0;
  unsigned used = 0;    // bits already in word
  bool overflow = false;

  StreamWriter(uint8_t *d, size_t cap) : dst(d), capacity(cap) { Reserve(); }

  void Reserve() {
    if (pos > capacity || capacity - pos < 4) {
      overflow = true;
      return;
    }
    word_pos = pos;
    pos += 4;
    word = 0;
    used = 0;
  }
  void StoreWord() {
    if (overflow) return;
    memcpy(dst + word_pos, &word, 4);  // little-endian hosts only, as the decoder
  }
  // Appends the low count bits of value, most significant first (count <= 16).
  void Bits(uint32_t value, unsigned count) {
    if (count == 0 || overflow) return;
    if (used == 32) {
      StoreWord();
      Reserve();
      if (overflow) return;
    }
    unsigned room = 32 - used;
    if (count <= room) {
      word |= value << (room - count);
      used += count;
      return;
    }
    // The word fills up: its last bit is followed at once by the next bit,
    // so the next word is reserved now, before any further data byte.
    count -= room;
    word |= value >> count;
    StoreWord();
    Reserve();
    if (overflow) return;
    word = (value & ((1u << count) - 1)) << (32 - count);
    used = count;
  }
  void Byte(uint8_t b) {
    if (overflow) return;
    if (pos >= capacity) {
      overflow = true;
      return;
    }
    dst[pos++] = b;
  }
  void Literal(uint8_t b) {
    Bits(1, 1);
    Byte(b);
  }
  void Pair(size_t distance) {
    if (distance <= kNearPairMax) {
      Bits(0b010, 3);
      Byte(uint8_t(distance - 1));
    } else {
      uint32_t w = uint32_t(distance - 257);
      Bits(0b011, 3);
      Byte(uint8_t(w >> 3));
      Bits(w & 7, 3);
    }
  }
  void Long(size_t distance, size_t length) {
    uint32_t v = uint32_t(distance - 1);
    unsigned prefix_zeros, extra;
    uint32_t base;
    if (v < 512) prefix_zeros = 0, extra = 1, base = 0;
    else if (v < 1024) prefix_zeros = 1, extra = 1, base = 512;
    else if (v < 2048) prefix_zeros = 2, extra = 2, base = 1024;
    else if (v < 4096) prefix_zeros = 3, extra = 3, base = 2048;
    else prefix_zeros = 4, extra = 4, base = 4096;
    v -= base;
    // 0 0, then the prefix: zeros ended by a 1, or four zeros.
    if (prefix_zeros < 4) Bits(1, 2 + prefix_zeros + 1);
    else Bits(0, 6);
    Byte(uint8_t(v >> extra));

    // The extra bits and the length code are one run of bits.
    uint32_t t = v & ((1u << extra) - 1);
    uint32_t n = uint32_t(length);
    uint32_t code;
    unsigned code_bits;
    if (n == 3) code = 1, code_bits = 1;
    else if (n == 4) code = 1, code_bits = 2;
    else if (n <= 6) code = (1u << 1) | (n - 5), code_bits = 4;
    else if (n <= 10) code = (1u << 2) | (n - 7), code_bits = 6;
    else if (n <= 26) code = (1u << 4) | (n - 11), code_bits = 9;
    else code = 0, code_bits = 5;
    Bits(t << code_bits | code, extra + code_bits);
    if (n > 26) Byte(uint8_t(n - 27));
  }
  size_t Finish() {
    Bits(0b011, 3);
    Byte(uint8_t(kEndOfStreamWord >> 3));
    Bits(kEndOfStreamWord & 7, 3);
    if (overflow) return 0;
    if (used < 32) word |= 1u << (31 - used);
    StoreWord();
    return pos;
  }
};

// ---- prices in bits (data bytes count 8) ----------------------------------

constexpr uint32_t kLiteralPrice = 9;

uint32_t PairPrice(size_t distance) { return distance <= kNearPairMax ? 11 : 14; }

uint32_t LongDistancePrice(size_t distance) {
  return distance <= 512 ? 10 : distance <= 1024 ? 11 : distance <= 2048 ? 13 : distance <= 4096 ? 15 : 16;
}

uint32_t LongLengthPrice(size_t length) {
  return length == 3 ? 1 : length == 4 ? 2 : length <= 6 ? 4 : length <= 10 ? 6 : length <= 26 ? 9 : 13;
}

uint32_t LongPrice(size_t distance, size_t length) {
  return 2 + LongDistancePrice(distance) + LongLengthPrice(length);
}

// ---- match finder ----------------------------------------------------------

// Hash chains over 3-byte prefixes, with a separate table of the latest
// position of every 2-byte value for pairs.  Positions are inserted in order;
// prev is a ring over the window, valid for any candidate still inside it.
struct MatchFinder {
  static constexpr unsigned kHashBits = 15;
  const uint8_t *src;
  size_t n;
  size_t chain_limit;
  size_t nice = kMaxLong;  // a match this long ends the search
  std::vector<int32_t> head;
  std::vector<int32_t> prev;
  std::vector<int32_t> last_pair;
  size_t inserted = 0;  // positions below this are in the tables

  MatchFinder(const uint8_t *s, size_t len, size_t chain)
      : src(s), n(len), chain_limit(chain), head(size_t(1) << kHashBits, -1), prev(kWindow, -1),
        last_pair(65536, -1) {}

  static uint32_t Hash3(const uint8_t *p) {
    uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    return (v * 2654435761u) >> (32 - kHashBits);
  }
  void InsertUpTo(size_t end) {
    for (; inserted < end; inserted++) {
      size_t i = inserted;
      if (i + 2 <= n) last_pair[size_t(src[i]) << 8 | src[i + 1]] = int32_t(i);
      if (i + 3 <= n) {
        uint32_t h = Hash3(src + i);
        prev[i & (kWindow - 1)] = head[h];
        head[h] = int32_t(i);
      }
    }
  }
  // Distance of the nearest earlier 2-byte match at i within pair reach, or 0.
  size_t PairDistance(size_t i) const {
    if (i + 2 > n) return 0;
    int32_t p = last_pair[size_t(src[i]) << 8 | src[i + 1]];
    if (p < 0 || i - size_t(p) > kPairWindow) return 0;
    return i - size_t(p);
  }
  static size_t MatchLength(const uint8_t *a, const uint8_t *b, size_t limit) {
    size_t len = 0;
    while (len + 8 <= limit) {
      uint64_t x, y;
      memcpy(&x, a + len, 8);
      memcpy(&y, b + len, 8);
      if (x != y) return len + size_t(__builtin_ctzll(x ^ y) >> 3);
      len += 8;
    }
    while (len < limit && a[len] == b[len]) len++;
    return len;
  }
  // Calls found(length, distance) for each longer match in order of growing
  // distance, so each reported length is reached at the nearest distance
  // among the candidates searched.  Positions before i must be inserted.
  template <class Found>
  void Search(size_t i, Found found) const {
    if (i + kMinLong > n) return;
    size_t limit = n - i < kMaxLong ? n - i : kMaxLong;
    size_t best = kMinLong - 1;
    int32_t p = head[Hash3(src + i)];
    for (size_t steps = 0; p >= 0 && steps < chain_limit; steps++) {
      size_t distance = i - size_t(p);
      if (distance > kWindow) break;
      const uint8_t *cand = src + p;
      if (cand[best] == src[i + best]) {
        size_t len = MatchLength(cand, src + i, limit);
        if (len > best) {
          best = len;
          found(len, distance);
          if (len >= limit || len >= nice) break;
        }
      }
      p = prev[size_t(p) & (kWindow - 1)];
    }
  }
};

// Binary trees over the window, one per 3-byte hash, for the cheapest
// parse.  Each tree orders its positions by the bytes that follow them, with
// newer positions nearer the root, so a search walks its candidates from
// the nearest outwards and meets the nearest match of every length on the
// way: for each length it reports, no nearer position matches that long.
// Inserting the current position re-roots its tree there, in the same walk.
// Nodes live in a ring of twice the window, so a node within the window is
// never overwritten by a newer one; a child farther back than the window
// ends the walk.  A walk stops after depth_limit nodes (cutting the tree
// there), or when a match reaches the length limit (the current position
// then takes the matched node's place, which keeps the order for every
// shorter comparison).
struct TreeMatchFinder {
  static constexpr unsigned kHashBits = 16;
  static constexpr size_t kRing = 2 * kWindow;
  const uint8_t *src;
  size_t n;
  size_t depth_limit;
  std::vector<int32_t> head;
  std::vector<int32_t> children;  // [2 * slot] older and smaller, [2 * slot + 1] older and larger
  std::vector<int32_t> last_pair;

  TreeMatchFinder(const uint8_t *s, size_t len, size_t depth)
      : src(s), n(len), depth_limit(depth), head(size_t(1) << kHashBits, -1), children(2 * kRing, -1),
        last_pair(65536, -1) {}

  static uint32_t Hash3(const uint8_t *p) {
    uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    return (v * 2654435761u) >> (32 - kHashBits);
  }
  // Distance of the nearest earlier 2-byte match at i within pair reach, or
  // 0; then records i for the positions that follow.  Called once for every
  // position, in order.
  size_t PairDistanceAndInsert(size_t i) {
    if (i + 2 > n) return 0;
    int32_t &slot = last_pair[size_t(src[i]) << 8 | src[i + 1]];
    size_t distance = slot >= 0 && i - size_t(slot) <= kPairWindow ? i - size_t(slot) : 0;
    slot = int32_t(i);
    return distance;
  }
  // Enters position i (every position in order, each once) and calls
  // found(length, distance) for each longer match on the way, nearest first.
  template <class Found>
  void SearchAndInsert(size_t i, Found found) {
    if (i + kMinLong > n) return;
    const size_t limit = n - i < kMaxLong ? n - i : kMaxLong;
    const uint8_t *cur = src + i;
    int32_t &root = head[Hash3(cur)];
    int32_t candidate = root;
    root = int32_t(i);
    int32_t *smaller = &children[2 * (i % kRing)];     // where the next smaller node goes
    int32_t *larger = &children[2 * (i % kRing) + 1];  // where the next larger node goes
    size_t smaller_len = 0, larger_len = 0;  // bytes every node below them shares with cur
    size_t best = kMinLong - 1;
    for (size_t depth = 0;; depth++) {
      if (candidate < 0 || i - size_t(candidate) > kWindow || depth >= depth_limit) {
        *smaller = *larger = -1;
        return;
      }
      int32_t *pair = &children[2 * (size_t(candidate) % kRing)];
      const uint8_t *cand = src + candidate;
      size_t len = smaller_len < larger_len ? smaller_len : larger_len;
      len += MatchFinder::MatchLength(cand + len, cur + len, limit - len);
      if (len > best) {
        best = len;
        found(len, i - size_t(candidate));
      }
      if (len >= limit) {
        *smaller = pair[0];
        *larger = pair[1];
        return;
      }
      if (cand[len] < cur[len]) {
        *smaller = candidate;
        smaller = &pair[1];
        candidate = *smaller;
        smaller_len = len;
      } else {
        *larger = candidate;
        larger = &pair[0];
        candidate = *larger;
        larger_len = len;
      }
    }
  }
};

// ---- parsers ---------------------------------------------------------------

size_t EncodeLiterals(const uint8_t *src, size_t n, StreamWriter &w) {
  for (size_t i = 0; i < n; i++) w.Literal(src[i]);
  return w.Finish();
}

// Greedy: the longest match found at each position, a pair when no long
// match exists, else a literal.  For speed the search settles for a match
// of kGreedyNice bytes, and the inside of a longer match is not entered in
// the hash chains (its last positions are, for the matches that follow).
constexpr size_t kGreedyNice = 32;
constexpr size_t kGreedyInsertAll = 32;

size_t EncodeGreedy(const uint8_t *src, size_t n, StreamWriter &w, size_t chain) {
  MatchFinder mf(src, n, chain);
  mf.nice = kGreedyNice;
  size_t i = 0;
  while (i < n && !w.overflow) {
    mf.InsertUpTo(i);
    size_t best_len = 0, best_dist = 0;
    mf.Search(i, [&](size_t len, size_t dist) {
      best_len = len;
      best_dist = dist;
    });
    if (best_len >= kMinLong) {
      w.Long(best_dist, best_len);
      i += best_len;
      if (best_len > kGreedyInsertAll) mf.inserted = i - 2;
      continue;
    }
    size_t pair = mf.PairDistance(i);
    if (pair) {
      w.Pair(pair);
      i += 2;
    } else {
      w.Literal(src[i]);
      i++;
    }
  }
  return w.Finish();
}

// Cheapest parse: prices are fixed bit counts, so a forward pass that keeps
// the cheapest way to reach every position is exact over the candidates the
// finder offers.  A long match's price only grows with its distance, so the
// nearest distance of each length is the only one worth pricing, and every
// length from 3 up to the longest is priced at it; a pair is priced at its
// nearest distance.  A match of at least nice_length bytes is taken
// outright, which keeps long runs linear (the positions inside it are still
// entered in the trees, but no parse leaves from them).
size_t EncodeOptimal(const uint8_t *src, size_t n, StreamWriter &w, size_t depth, size_t nice_length) {
  struct Step {
    uint32_t price;
    uint16_t length;    // bytes the step into this position covers (1 = literal)
    uint16_t distance;  // 0 for a literal
  };
  const uint32_t kUnreached = UINT32_MAX;
  std::vector<Step> steps(n + 1, Step{kUnreached, 0, 0});
  steps[0].price = 0;
  TreeMatchFinder mf(src, n, depth);
  auto relax = [&](size_t to, uint32_t price, size_t length, size_t distance) {
    if (price < steps[to].price) steps[to] = Step{price, uint16_t(length), uint16_t(distance)};
  };
  struct Found {
    size_t length, distance;
  };
  std::vector<Found> found;
  found.reserve(kMaxLong);
  for (size_t i = 0; i < n; i++) {
    const uint32_t here = steps[i].price;
    found.clear();
    size_t pair = mf.PairDistanceAndInsert(i);
    mf.SearchAndInsert(i, [&](size_t len, size_t dist) { found.push_back({len, dist}); });
    if (!found.empty() && found.back().length >= nice_length) {
      const Found &f = found.back();
      relax(i + f.length, here + LongPrice(f.distance, f.length), f.length, f.distance);
      for (size_t k = i + 1; k < i + f.length; k++) {
        mf.PairDistanceAndInsert(k);
        mf.SearchAndInsert(k, [](size_t, size_t) {});
      }
      i += f.length - 1;
      continue;
    }
    relax(i + 1, here + kLiteralPrice, 1, 0);
    if (pair) relax(i + 2, here + PairPrice(pair), 2, pair);
    size_t len = kMinLong;
    for (const Found &f : found) {
      for (; len <= f.length; len++) relax(i + len, here + LongPrice(f.distance, len), len, f.distance);
    }
  }
  // Walk back from the end, then emit front to back.
  std::vector<uint32_t> path;
  for (size_t at = n; at > 0; at -= steps[at].length) path.push_back(uint32_t(at));
  size_t from = 0;
  for (size_t k = path.size(); k-- > 0;) {
    const Step &s = steps[path[k]];
    if (s.distance == 0) w.Literal(src[from]);
    else if (s.length == 2) w.Pair(s.distance);
    else w.Long(s.distance, s.length);
    from = path[k];
  }
  return w.Finish();
}

}  // namespace

size_t EncodeBound(size_t n) {
  // All literals: n data bytes, n + 6 code bits in words of 32, one end
  // byte.  Matches cost fewer bits than their literals but shift bits from
  // data bytes into words, so the last word's rounding may cost 4 more.
  return n + 1 + 4 * ((n + 6 + 31) / 32) + 4;
}

size_t EncodeStream(const uint8_t *src, size_t n, uint8_t *dst, size_t capacity, int level) {
  StreamWriter w(dst, capacity);
  if (w.overflow) return 0;
  if (level <= EncodeLevelStore) return EncodeLiterals(src, n, w);
  if (level <= 5) {
    static const size_t kChain[] = {0, 4, 8, 16, 32, 64};
    return EncodeGreedy(src, n, w, kChain[level]);
  }
  if (level >= EncodeLevelBest) return EncodeOptimal(src, n, w, 256, 128);
  static const size_t kDepth[] = {16, 32, 64};
  return EncodeOptimal(src, n, w, kDepth[level - 6], 64);
}
