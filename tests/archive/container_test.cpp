// Loading header and index from a memory image: the layout's edge cases and
// every bound a damaged archive can break.
#include "archive/container.h"

#include <gtest/gtest.h>

#include "tests/archive/raw_archive.h"

namespace {

struct Loaded {
  ArchiveIndex *index = nullptr;
  ~Loaded() {
    if (index) GlobalFree(index);
  }
};

ArchiveIndex *OpenImage(const std::vector<uint8_t> &image) {
  ArchiveImage = image.data();
  ArchiveImageSize = (DWORD)image.size();
  return OpenArchive();
}

std::vector<raw::Member> FiveMembers() {
  std::vector<raw::Member> m;
  for (int i = 0; i < 5; i++)
    m.push_back(raw::Plain("M" + std::to_string(i) + ".DAT", std::string(i * 7 + 1, 'a' + i), 1000 + i));
  return m;
}

TEST(OpenArchive, CompressedIndexOfFiveEntriesDecodesToAllRecords) {
  std::vector<uint8_t> image = raw::Archive(FiveMembers(), true);
  Loaded l;
  l.index = OpenImage(image);
  ASSERT_NE(l.index, nullptr);
  EXPECT_EQ(l.index->header.entry_count, 5u);
  EXPECT_EQ(memcmp(&l.index->header, image.data(), 16), 0);
  EXPECT_EQ(memcmp(l.index->entries, raw::Records(FiveMembers()).data(), 160), 0);
}

TEST(OpenArchive, PlainIndexTakesExactlyTheRecordsAndIgnoresTrailingBytes) {
  std::vector<uint8_t> image = raw::Archive(FiveMembers(), false, {1, 2, 3, 4, 5, 6, 7});
  Loaded l;
  l.index = OpenImage(image);
  ASSERT_NE(l.index, nullptr);
  EXPECT_EQ(memcmp(l.index->entries, raw::Records(FiveMembers()).data(), 160), 0);
}

TEST(OpenArchive, MemoryImageOpensWithoutTheMagic) {
  std::vector<uint8_t> image = raw::Archive(FiveMembers(), true);
  memcpy(image.data(), "ZIP!", 4);
  Loaded l;
  l.index = OpenImage(image);
  EXPECT_NE(l.index, nullptr);
}

TEST(OpenArchive, NoEntriesGivesAHeaderOnlyIndex) {
  for (bool compressed : {true, false}) {
    std::vector<uint8_t> image = raw::Archive({}, compressed);
    Loaded l;
    l.index = OpenImage(image);
    ASSERT_NE(l.index, nullptr) << compressed;
    EXPECT_EQ(l.index->header.entry_count, 0u);
  }
}

TEST(OpenArchive, OtherFlagBitsChangeNothing) {
  std::vector<uint8_t> image = raw::Archive(FiveMembers(), true);
  raw::Put32(&image, 4, 0xFFFFFFFFu);  // bit 0 still selects the compressed index
  Loaded l;
  l.index = OpenImage(image);
  ASSERT_NE(l.index, nullptr);
  EXPECT_EQ(memcmp(l.index->entries, raw::Records(FiveMembers()).data(), 160), 0);
}

// Damaged images: each is refused with a null index, never read past.
struct Damage {
  const char *what;
  void (*apply)(std::vector<uint8_t> *image);
};

const Damage Damages[] = {
    {"index offset past the end", [](std::vector<uint8_t> *v) { raw::Put32(v, 8, (uint32_t)v->size() + 1); }},
    {"index offset at maximum", [](std::vector<uint8_t> *v) { raw::Put32(v, 8, 0xFFFFFFFFu); }},
    {"index offset inside the header", [](std::vector<uint8_t> *v) { raw::Put32(v, 8, 4); }},
    {"index offset 0", [](std::vector<uint8_t> *v) { raw::Put32(v, 8, 0); }},
    {"entry count at maximum", [](std::vector<uint8_t> *v) { raw::Put32(v, 12, 0xFFFFFFFFu); }},
    {"entry count overflowing the block size", [](std::vector<uint8_t> *v) { raw::Put32(v, 12, 0x08000000u); }},
    {"one entry more than the index holds", [](std::vector<uint8_t> *v) { raw::Put32(v, 12, 6); }},
    {"one entry fewer than the stream holds", [](std::vector<uint8_t> *v) { raw::Put32(v, 12, 4); }},
    {"stream cut before its end code", [](std::vector<uint8_t> *v) { v->resize(v->size() - 3); }},
};

TEST(OpenArchive, RefusesDamagedImages) {
  for (const Damage &d : Damages) {
    std::vector<uint8_t> image = raw::Archive(FiveMembers(), true);
    d.apply(&image);
    Loaded l;
    l.index = OpenImage(image);
    EXPECT_EQ(l.index, nullptr) << d.what;
  }
}

uint32_t IndexOffset(const std::vector<uint8_t> &image) {
  return image[8] | image[9] << 8 | image[10] << 16 | (uint32_t)image[11] << 24;
}

TEST(OpenArchive, RefusesMemberDataReachingIntoTheIndexOrPastTheImage) {
  // Entry 2's stored bytes overlap the index by one byte, reach past the
  // image, or (0xFFFFFFF8, rounded up past 2^32) would wrap a 32-bit sum
  // back to a small offset.
  const uint32_t member2_start = 16 + 16 + 16;  // members 0 and 1 are 1 and 8 bytes
  for (uint32_t stored_size : {128 - member2_start + 1, 0x7FFFFFF0u, 0xFFFFFFF8u}) {
    std::vector<uint8_t> image = raw::Archive(FiveMembers(), false);
    ASSERT_EQ(IndexOffset(image), 128u);
    raw::Put32(&image, IndexOffset(image) + 2 * 32 + 28, stored_size);
    Loaded l;
    l.index = OpenImage(image);
    EXPECT_EQ(l.index, nullptr) << stored_size;
  }
}

TEST(OpenArchive, AcceptsMemberDataEndingExactlyAtTheIndex) {
  std::vector<raw::Member> m = {raw::Plain("A.DAT", std::string(32, 'x'))};
  std::vector<uint8_t> image = raw::Archive(m, false);
  Loaded l;
  l.index = OpenImage(image);
  EXPECT_NE(l.index, nullptr);
}

TEST(OpenArchive, EveryTruncationIsRefused) {
  std::vector<uint8_t> whole = raw::Archive(FiveMembers(), true);
  for (size_t n = 0; n < whole.size(); n++) {
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + n);
    Loaded l;
    l.index = OpenImage(cut);
    EXPECT_EQ(l.index, nullptr) << "cut to " << n;
  }
}

TEST(OpenArchive, CompressedIndexThatDecodesLongIsRefused) {
  std::vector<raw::Member> m = FiveMembers();
  std::vector<uint8_t> image(16, 0);
  for (const raw::Member &x : m) {
    image.insert(image.end(), x.stored.begin(), x.stored.end());
    image.resize((image.size() + 15) & ~size_t(15));
  }
  uint32_t index_offset = (uint32_t)image.size();
  std::vector<uint8_t> records = raw::Records(m);
  records.push_back(0);  // one byte more than five records
  std::vector<uint8_t> stream = raw::LiteralStream(records);
  image.insert(image.end(), stream.begin(), stream.end());
  memcpy(image.data(), "QPK", 4);
  raw::Put32(&image, 4, 1);
  raw::Put32(&image, 8, index_offset);
  raw::Put32(&image, 12, 5);
  Loaded l;
  l.index = OpenImage(image);
  EXPECT_EQ(l.index, nullptr);
}

}  // namespace

// The file source: the same archive read from a file, where the magic is
// checked.
#include "tests/support/test_world.h"

namespace {

ArchiveIndex *OpenFile(const std::string &path) {
  ArchiveImage = (const BYTE *)path.c_str();
  ArchiveImageSize = 0;
  return OpenArchive();
}

std::string AsString(const std::vector<uint8_t> &v) { return std::string(v.begin(), v.end()); }

TEST(OpenArchiveFromFile, ReadsTheIndexAndChecksTheMagic) {
  TestWorld world;
  std::string path = world.Path("update.qpk");
  for (bool compressed : {true, false}) {
    std::vector<uint8_t> image = raw::Archive(FiveMembers(), compressed);
    ASSERT_TRUE(WriteFileBytes(path, AsString(image)));
    Loaded good;
    good.index = OpenFile(path);
    ASSERT_NE(good.index, nullptr) << compressed;
    EXPECT_EQ(memcmp(good.index->entries, raw::Records(FiveMembers()).data(), 160), 0);

    image[3] = '!';
    ASSERT_TRUE(WriteFileBytes(path, AsString(image)));
    Loaded bad;
    bad.index = OpenFile(path);
    EXPECT_EQ(bad.index, nullptr) << compressed;
  }
}

TEST(OpenArchiveFromFile, RefusesMissingShortAndTruncatedFiles) {
  TestWorld world;
  std::vector<uint8_t> image = raw::Archive(FiveMembers(), true);
  std::string path = world.Path("cut.qpk");
  Loaded missing;
  missing.index = OpenFile(world.Path("none.qpk"));
  EXPECT_EQ(missing.index, nullptr);
  for (size_t n : {size_t(0), size_t(15), size_t(16), image.size() - 1}) {
    ASSERT_TRUE(WriteFileBytes(path, AsString(image).substr(0, n)));
    Loaded l;
    l.index = OpenFile(path);
    EXPECT_EQ(l.index, nullptr) << n;
  }
}

}  // namespace
