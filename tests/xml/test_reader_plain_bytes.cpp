// The reader takes bytes that stand for themselves straight from its buffer; these rows mix
// such bytes with multi-byte characters, line ends and code-page letters at buffer sizes
// that split them, and fix the characters and positions the reader must still give.
#include "xml/ParserUtilsWin32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Expect {
  std::int64_t Character, ByteCount, Line, Column, TabsInLine;
};

struct Row {
  const char* Name;
  TUnicodeCodecClass Codec;
  std::string Bytes;
  std::vector<Expect> Chars;
};

std::vector<Expect> ReadAll(const Row& row, std::int64_t bufferSize) {
  TMemoryStream stream(row.Bytes);
  TUtilsUCS4Reader reader(&stream, row.Codec, bufferSize);
  std::vector<Expect> out;
  for (;;) {
    reader.Next();
    const TPositionRecord& p = reader.CurrentPosition();
    if (reader.IsEndOfText()) break;
    out.push_back({p.Character, p.ByteCount, p.Line, p.Column, p.TabsInLine});
  }
  return out;
}

TEST(ReaderPlainBytes, CharactersAndPositionsAtEveryBufferSize) {
  const TUnicodeCodecClass u8 = &TUTF8Codec::ClassInfo;
  const TUnicodeCodecClass w1250 = &TWindows1250Codec::ClassInfo;
  const TUnicodeCodecClass latin2 = &TISO8859_2Codec::ClassInfo;
  const Row rows[] = {
      {"ASCII around a two-byte letter", u8, "a\xC4\x8D" "b",
       {{'a', 1, 1, 1, 0}, {0x10D, 3, 1, 2, 0}, {'b', 4, 1, 3, 0}}},
      {"lone CR before ASCII", u8, "a\rb",
       {{'a', 1, 1, 1, 0}, {0x0A, 2, 2, 0, 0}, {'b', 3, 2, 1, 0}}},
      {"CR LF before ASCII", u8, "a\r\nb",
       {{'a', 1, 1, 1, 0}, {0x0A, 3, 2, 0, 0}, {'b', 4, 2, 1, 0}}},
      {"CR CR LF", u8, "\r\r\nx",
       {{0x0A, 1, 2, 0, 0}, {0x0A, 3, 3, 0, 0}, {'x', 4, 3, 1, 0}}},
      {"tab and NUL", u8, std::string("\t\0z", 3),
       {{0x09, 1, 1, 1, 1}, {0x00, 2, 1, 2, 1}, {'z', 3, 1, 3, 1}}},
      {"three- and four-byte UTF-8", u8, "\xE2\x82\xAC" "e\xF0\x9F\x90\x91",
       {{0x20AC, 3, 1, 1, 0}, {'e', 4, 1, 2, 0}, {0x1F411, 8, 1, 3, 0}}},
      {"windows-1250 letters between ASCII", w1250, "\x8A" "a\x9E\x7F",
       {{0x160, 1, 1, 1, 0}, {'a', 2, 1, 2, 0}, {0x17E, 3, 1, 3, 0}, {0x7F, 4, 1, 4, 0}}},
      {"windows-1250 CR LF", w1250, "\xE8\r\n\xE8",
       {{0x10D, 1, 1, 1, 0}, {0x0A, 3, 2, 0, 0}, {0x10D, 4, 2, 1, 0}}},
      {"ISO-8859-2 letter above its identity range", latin2, "A\xA9" "B",
       {{'A', 1, 1, 1, 0}, {0x160, 2, 1, 2, 0}, {'B', 3, 1, 3, 0}}},
      {"UTF-16LE is decoded by its codec", &TUTF16LECodec::ClassInfo, std::string("a\0\r\0\n\0b\0", 8),
       {{'a', 2, 1, 1, 0}, {0x0A, 6, 2, 0, 0}, {'b', 8, 2, 1, 0}}},
  };
  for (const Row& row : rows) {
    for (std::int64_t bufferSize : {1, 2, 3, 4096}) {
      const std::vector<Expect> got = ReadAll(row, bufferSize);
      ASSERT_EQ(got.size(), row.Chars.size()) << row.Name << " buffer " << bufferSize;
      for (std::size_t i = 0; i < got.size(); ++i) {
        const Expect& g = got[i];
        const Expect& e = row.Chars[i];
        EXPECT_EQ(g.Character, e.Character) << row.Name << " #" << i << " buffer " << bufferSize;
        EXPECT_EQ(g.ByteCount, e.ByteCount) << row.Name << " #" << i << " buffer " << bufferSize;
        EXPECT_EQ(g.Line, e.Line) << row.Name << " #" << i << " buffer " << bufferSize;
        EXPECT_EQ(g.Column, e.Column) << row.Name << " #" << i << " buffer " << bufferSize;
        EXPECT_EQ(g.TabsInLine, e.TabsInLine) << row.Name << " #" << i << " buffer " << bufferSize;
      }
    }
  }
}

// An invalid byte behind ASCII is still the codec's to refuse, and the stream position
// after each plain byte counts exactly the bytes delivered.
TEST(ReaderPlainBytes, InvalidByteAfterPlainBytesAndStreamPosition) {
  const struct {
    const char* Name;
    std::string Bytes;
    int GoodChars;  // characters before the bad bytes
  } rows[] = {
      {"continuation byte alone", "ab\x80", 2},
      {"truncated sequence at the end", "abc\xC4", 3},
      {"overlong slash", "a\xC0\xAF", 1},
  };
  for (const auto& row : rows) {
    TMemoryStream stream(row.Bytes);
    TUtilsUCS4Reader reader(&stream, &TUTF8Codec::ClassInfo, 4096);
    bool raised = false;
    int delivered = 0;
    try {
      for (int i = 0; i < 10; ++i) {
        reader.Next();
        if (reader.IsEndOfText()) break;
        ++delivered;
      }
    } catch (const EConvertError&) {
      raised = true;
    }
    EXPECT_TRUE(raised) << row.Name;
    EXPECT_EQ(delivered, row.GoodChars - 1) << row.Name;  // the look-ahead fails first
  }
  TMemoryStream stream(std::string("ab\xC4\x8D" "c"));
  TUtilsUCS4Reader reader(&stream, &TUTF8Codec::ClassInfo, 4096);
  const std::int64_t positions[] = {2, 4, 5, 5};  // the look-ahead character is delivered too
  for (std::int64_t expected : positions) {
    reader.Next();
    EXPECT_EQ(reader.StreamPosition(), expected);
  }
}

} // namespace
