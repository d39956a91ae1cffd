// NextListItem: the items of a list value in turn, the disk prefixes and
// the bounds of the item slot and of the value buffer.
#include "settings/ini_access.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Taken {
  std::vector<std::string> items;
  std::vector<int> disks;  // ListItemDisk after each item
};

// Splits value as it stands in a cleared 1024-byte buffer, the way the
// readers leave it.
Taken TakeAll(const std::string &value, int disk_before) {
  static char buffer[LONG_TEXT_SIZE];
  memset(buffer, 0, sizeof buffer);
  memcpy(buffer, value.data(), value.size());
  ListItemDisk = disk_before;
  Taken t;
  const char *cursor = buffer;
  char item[PATH_BUFFER_SIZE];
  while (NextListItem(item, &cursor)) {
    t.items.push_back(item);
    t.disks.push_back(ListItemDisk);
    if (t.items.size() > 100) break;
  }
  // Exhausted stays exhausted.
  EXPECT_EQ(NextListItem(item, &cursor), 0);
  return t;
}

TEST(NextListItem, ListTable) {
  const int U = 7;  // ListItemDisk before the list: "unchanged" keeps it
  struct Row {
    const char *value;
    int disk_before;
    std::vector<std::string> items;
    std::vector<int> disks;
  } rows[] = {
      {"a,b,c", U, {"a", "b", "c"}, {U, U, U}},
      {" a, b", U, {"a", "b"}, {U, U}},
      {"a,,b", U, {"a"}, {U}},
      {"a ,b", U, {"a ", "b"}, {U, U}},
      {",a", U, {}, {}},
      {"", U, {}, {}},
      {"2:x,y,3:z", U, {"x", "y", "z"}, {2, 2, 3}},
      {"12:x", U, {"12:x"}, {U}},
      {"C:\\dir", U, {"\\dir"}, {0}},
      {"1:,b", U, {"", "b"}, {1, 1}},
      {"x,1:y", 2, {"x", "y"}, {2, 1}},
      // Only the blank is skipped; a tab belongs to the item.
      {"\ta, \tb", U, {"\ta", "\tb"}, {U, U}},
      // No blanks are skipped after a prefix.
      {"1: a", U, {" a"}, {1}},
      // Line ends end an item like a comma; the next line is the next item.
      {"a\r\nb", U, {"a"}, {U}},
      {"a\nb", U, {"a", "b"}, {U, U}},
      // Blanks alone make an empty item: the end.
      {"   ", U, {}, {}},
      // A double-byte character whose second byte is ',' cannot exist;
      // one with a second byte ':' cannot either, so ソ passes whole.
      {"ソ,ゾ", U, {"ソ", "ゾ"}, {U, U}},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.value);
    Taken t = TakeAll(r.value, r.disk_before);
    EXPECT_EQ(t.items, r.items);
    EXPECT_EQ(t.disks, r.disks);
  }
}

TEST(NextListItem, ValueTextStaysUnchanged) {
  char buffer[LONG_TEXT_SIZE] = "2:x,y";
  const char *cursor = buffer;
  char item[PATH_BUFFER_SIZE];
  while (NextListItem(item, &cursor)) {
  }
  EXPECT_STREQ(buffer, "2:x,y");
}

TEST(NextListItem, ExhaustedCallLeavesItemAndCursorOnTheTerminator) {
  char buffer[LONG_TEXT_SIZE] = "a,  ,b";
  const char *cursor = buffer;
  char item[PATH_BUFFER_SIZE];
  ASSERT_EQ(NextListItem(item, &cursor), 1);
  strcpy(item, "untouched");
  EXPECT_EQ(NextListItem(item, &cursor), 0);
  EXPECT_STREQ(item, "untouched");
  EXPECT_EQ(cursor, buffer + 4);  // past the blanks, on the comma
}

// A 300-byte item is cut to 259 bytes and the next item is still the
// right one.
TEST(NextListItem, OverlongItemIsCutAndTheCursorMovesPastAllOfIt) {
  std::string long_item(300, 'L');
  Taken t = TakeAll("1:" + long_item + ",NEXT", 0);
  ASSERT_EQ(t.items.size(), 2u);
  EXPECT_EQ(t.items[0], std::string(PATH_BUFFER_SIZE - 1, 'L'));
  EXPECT_EQ(t.items[1], "NEXT");
  EXPECT_EQ(t.disks, (std::vector<int>{1, 1}));
}

// A value that fills its buffer to size - 1 bytes: the list ends at its
// NUL, the buffer's last byte, without a read past the buffer (the heap
// block ends right there, so a sanitizer or a guard page would catch it).
TEST(NextListItem, ValueFillingItsBufferEndsWithoutLookingPast) {
  std::vector<char> buffer(LONG_TEXT_SIZE);
  std::string value;
  while (value.size() + 4 <= LONG_TEXT_SIZE - 1) value += "abc,";
  value.resize(LONG_TEXT_SIZE - 1, 'z');
  memcpy(buffer.data(), value.data(), value.size());
  buffer[LONG_TEXT_SIZE - 1] = '\0';
  const char *cursor = buffer.data();
  char item[PATH_BUFFER_SIZE];
  int items = 0;
  while (NextListItem(item, &cursor)) items++;
  EXPECT_EQ(items, 256);
  EXPECT_EQ(cursor, buffer.data() + LONG_TEXT_SIZE - 1);
  EXPECT_EQ(NextListItem(item, &cursor), 0);
}

}  // namespace
