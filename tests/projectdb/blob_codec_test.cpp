// blob_codec_test.cpp: the array encodings of the project file.
#include "projectdb/blob_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace linkan::projectdb {
namespace {

using Itemsets = std::vector<std::vector<std::int32_t>>;

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (const int v : values) out.push_back(static_cast<char>(v));
  return out;
}

TEST(BlobCodec, FixedWidthArraysAreLittleEndianValuesBackToBack) {
  std::string out;
  const std::vector<std::int32_t> ints = {1, -2, 0x01020304};
  AppendInt32Array(out, ints);
  EXPECT_EQ(out, Bytes({1, 0, 0, 0, 0xfe, 0xff, 0xff, 0xff, 4, 3, 2, 1}));

  out.clear();
  const std::vector<std::int16_t> shorts = {-1, 0x0102};
  AppendInt16Array(out, shorts);
  EXPECT_EQ(out, Bytes({0xff, 0xff, 2, 1}));

  out.clear();
  const std::vector<double> reals = {1.0, -2.5};
  AppendReal8Array(out, reals);
  // 1.0 = 0x3FF0000000000000, -2.5 = 0xC004000000000000.
  EXPECT_EQ(out, Bytes({0, 0, 0, 0, 0, 0, 0xf0, 0x3f, 0, 0, 0, 0, 0, 0, 0x04, 0xc0}));
}

TEST(BlobCodec, StringsAreLengthPrefixed) {
  std::string out;
  const std::vector<std::string> texts = {"ab", "", std::string("x\0y", 3)};
  AppendStringArray(out, texts);
  EXPECT_EQ(out, Bytes({2, 0, 0, 0, 'a', 'b', 0, 0, 0, 0, 3, 0, 0, 0, 'x', 0, 'y'}));
  std::vector<std::string> back;
  ASSERT_TRUE(DecodeStringArray(out, back));
  EXPECT_EQ(back, texts);
}

TEST(BlobCodec, RoundTripsExtremesAndEmptyArrays) {
  const std::vector<std::int32_t> ints = {std::numeric_limits<std::int32_t>::min(), -1, 0,
                                          std::numeric_limits<std::int32_t>::max()};
  const std::vector<std::int16_t> shorts = {std::numeric_limits<std::int16_t>::min(), 0,
                                            std::numeric_limits<std::int16_t>::max()};
  const std::vector<double> reals = {-0.0, 1e-308, 1e308, std::numeric_limits<double>::infinity(),
                                     0.1};
  std::string a, b, c;
  AppendInt32Array(a, ints);
  AppendInt16Array(b, shorts);
  AppendReal8Array(c, reals);
  std::vector<std::int32_t> ints2;
  std::vector<std::int16_t> shorts2;
  std::vector<double> reals2;
  ASSERT_TRUE(DecodeInt32Array(a, ints2));
  ASSERT_TRUE(DecodeInt16Array(b, shorts2));
  ASSERT_TRUE(DecodeReal8Array(c, reals2));
  EXPECT_EQ(ints2, ints);
  EXPECT_EQ(shorts2, shorts);
  ASSERT_EQ(reals2.size(), reals.size());
  EXPECT_TRUE(std::signbit(reals2[0]));
  for (std::size_t i = 1; i < reals.size(); ++i) EXPECT_EQ(reals2[i], reals[i]);

  ints2 = {5};
  EXPECT_TRUE(DecodeInt32Array("", ints2));
  EXPECT_TRUE(ints2.empty());
  std::vector<std::string> texts = {"old"};
  EXPECT_TRUE(DecodeStringArray("", texts));
  EXPECT_TRUE(texts.empty());
}

TEST(BlobCodec, RefusesBytesThatAreNoWholeValue) {
  std::vector<std::int32_t> ints;
  std::vector<std::int16_t> shorts;
  std::vector<double> reals;
  std::vector<std::string> texts;
  Itemsets sets;
  EXPECT_FALSE(DecodeInt32Array(Bytes({1, 0, 0, 0, 2}), ints));
  EXPECT_FALSE(DecodeInt16Array(Bytes({1}), shorts));
  EXPECT_FALSE(DecodeReal8Array(Bytes({1, 2, 3, 4, 5, 6, 7}), reals));
  EXPECT_FALSE(DecodeStringArray(Bytes({5, 0, 0, 0, 'a', 'b'}), texts));   // length past the end
  EXPECT_FALSE(DecodeStringArray(Bytes({1, 0, 0, 0, 'a', 1, 0}), texts));  // torn prefix
  EXPECT_FALSE(DecodeItemsetsKey(Bytes({0, 0, 0}), sets));
  EXPECT_FALSE(DecodeItemsetsKey(Bytes({0xff, 0xff, 0xff, 0xff}), sets));  // huge count
  EXPECT_FALSE(DecodeItemsetsKey(Bytes({0, 0, 0, 1, 0, 0, 0, 2, 0x80, 0, 0, 1}), sets));
  EXPECT_FALSE(DecodeItemsetsKey(Bytes({0, 0, 0, 0, 9}), sets));  // trailing byte
}

// The key order of FrequentItemInfo.itemsets: number of itemsets, then
// itemset by itemset, each by size and then item by item.
bool KeyLess(const Itemsets& a, const Itemsets& b) {
  if (a.size() != b.size()) return a.size() < b.size();
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].size() != b[i].size()) return a[i].size() < b[i].size();
    for (std::size_t j = 0; j < a[i].size(); ++j) {
      if (a[i][j] != b[i][j]) return a[i][j] < b[i][j];
    }
  }
  return false;
}

TEST(BlobCodec, ItemsetKeysCompareByteWiseInKeyOrder) {
  std::mt19937 rng(20240611);
  const std::int32_t values[] = {
      std::numeric_limits<std::int32_t>::min(), -300, -1, 0, 1, 2, 255, 256, 70000,
      std::numeric_limits<std::int32_t>::max()};
  const auto randomKey = [&] {
    Itemsets key(rng() % 4);
    for (auto& set : key) {
      set.resize(rng() % 4);
      for (auto& item : set) item = values[rng() % std::size(values)];
    }
    return key;
  };
  for (int round = 0; round < 3000; ++round) {
    const Itemsets a = randomKey();
    const Itemsets b = randomKey();
    std::string ea, eb;
    AppendItemsetsKey(ea, a);
    AppendItemsetsKey(eb, b);
    // SQLite orders BLOBs by memcmp, then by length.
    const int c = std::memcmp(ea.data(), eb.data(), std::min(ea.size(), eb.size()));
    const bool bytesLess = c < 0 || (c == 0 && ea.size() < eb.size());
    EXPECT_EQ(bytesLess, KeyLess(a, b));
    EXPECT_EQ(ea == eb, a == b);
    Itemsets back;
    ASSERT_TRUE(DecodeItemsetsKey(ea, back));
    EXPECT_EQ(back, a);
  }
}

}  // namespace
}  // namespace linkan::projectdb
