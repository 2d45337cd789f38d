// Byte-order detection, the buffered byte streams and the character reader: positions over
// tabs, line ends and multi-byte characters at several buffer sizes, resets, failures.
#include "xml/ParserUtilsWin32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// A stream that hands out at most one byte per read, like a slow pipe.
class TOneByteStream : public TMemoryStream {
public:
  using TMemoryStream::TMemoryStream;
  std::int64_t Read(void* buffer, std::int64_t count) override {
    return TMemoryStream::Read(buffer, std::min<std::int64_t>(count, 1));
  }
};

std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

using Cls = TUnicodeCodecClass;
const Cls kNone = nullptr;
const Cls kUcs2 = &TUCS2Codec::ClassInfo;
const Cls kBE = &TUTF16BECodec::ClassInfo;
const Cls kLE = &TUTF16LECodec::ClassInfo;
const Cls kW1250 = &TWindows1250Codec::ClassInfo;
const Cls kU8 = &TUTF8Codec::ClassInfo;
const Cls k1234 = &TUCS4BECodec::ClassInfo;
const Cls k4321 = &TUCS4LECodec::ClassInfo;
const Cls k2143 = &TUCS4_2143Codec::ClassInfo;
const Cls k3412 = &TUCS4_3412Codec::ClassInfo;

struct Choice {
  Cls Class;
  int MarkSize;  // -1: the mismatch error
};
const Choice kError{nullptr, -1};

struct DetectRow {
  const char* Name;
  std::string Bytes;
  // Results for the caller classes: none, UCS-2, UTF-16BE, UTF-16LE, windows-1250, UTF-8.
  Choice Results[6];
};

TEST(ByteOrderDetection, EveryRowAgainstEveryCallerClass) {
  const Cls callers[6] = {kNone, kUcs2, kBE, kLE, kW1250, kU8};
  const DetectRow rows[] = {
      {"empty", "", {{kNone, 0}, {kUcs2, 0}, {kBE, 0}, {kLE, 0}, {kW1250, 0}, {kU8, 0}}},
      {"one byte", "<", {{kNone, 0}, {kUcs2, 0}, {kBE, 0}, {kLE, 0}, {kW1250, 0}, {kU8, 0}}},
      {"00 00 FE FF", B({0, 0, 0xFE, 0xFF, 0, 0, 0, 0x3C}),
       {{k1234, 4}, {kUcs2, 0}, {kBE, 0}, {kLE, 0}, {kW1250, 0}, {kU8, 0}}},
      {"00 00 FF FE", B({0, 0, 0xFF, 0xFE, 0, 0, 0x3C, 0}),
       {{k2143, 4}, {kUcs2, 0}, {kBE, 0}, {kLE, 0}, {kW1250, 0}, {kU8, 0}}},
      {"00 00 00 3C", B({0, 0, 0, 0x3C}), {{kNone, 0}, {kUcs2, 0}, {kBE, 0}, {kLE, 0}, {kW1250, 0}, {kU8, 0}}},
      {"00 00 short", B({0, 0, 0xFE}), {{kNone, 0}, {kUcs2, 0}, {kBE, 0}, {kLE, 0}, {kW1250, 0}, {kU8, 0}}},
      {"00 3C", B({0, 0x3C}), {{kNone, 0}, {kUcs2, 0}, {kBE, 0}, {kLE, 0}, {kW1250, 0}, {kU8, 0}}},
      {"EF BB BF", B({0xEF, 0xBB, 0xBF, 0x3C}), {{kU8, 3}, {kUcs2, 0}, {kBE, 0}, {kLE, 0}, {kW1250, 0}, {kU8, 3}}},
      {"EF BB 00", B({0xEF, 0xBB, 0x00}), {{kNone, 0}, {kUcs2, 0}, {kBE, 0}, {kLE, 0}, {kW1250, 0}, {kU8, 0}}},
      {"EF BB", B({0xEF, 0xBB}), {{kNone, 0}, {kUcs2, 0}, {kBE, 0}, {kLE, 0}, {kW1250, 0}, {kU8, 0}}},
      {"FE FF 00 3C", B({0xFE, 0xFF, 0, 0x3C}), {{kBE, 2}, {kUcs2, 2}, {kBE, 2}, kError, {kW1250, 0}, {kU8, 0}}},
      {"FE FF alone", B({0xFE, 0xFF}), {{kBE, 2}, {kUcs2, 2}, {kBE, 2}, kError, {kW1250, 0}, {kU8, 0}}},
      {"FE FF 00", B({0xFE, 0xFF, 0}), {{kBE, 2}, {kUcs2, 2}, {kBE, 2}, kError, {kW1250, 0}, {kU8, 0}}},
      {"FE FF 00 00", B({0xFE, 0xFF, 0, 0, 0x3C, 0, 0, 0}),
       {{k3412, 4}, {kUcs2, 0}, {kBE, 0}, {kLE, 0}, {kW1250, 0}, {kU8, 0}}},
      {"FF FE 3C 00", B({0xFF, 0xFE, 0x3C, 0}), {{kLE, 2}, kError, kError, {kLE, 2}, {kW1250, 0}, {kU8, 0}}},
      {"FF FE alone", B({0xFF, 0xFE}), {{kLE, 2}, kError, kError, {kLE, 2}, {kW1250, 0}, {kU8, 0}}},
      {"FF FE 00 00", B({0xFF, 0xFE, 0, 0, 0x3C, 0, 0, 0}),
       {{k4321, 4}, {kUcs2, 0}, {kBE, 0}, {kLE, 0}, {kW1250, 0}, {kU8, 0}}},
      {"3C 3F", "<?xml", {{kNone, 0}, {kUcs2, 0}, {kBE, 0}, {kLE, 0}, {kW1250, 0}, {kU8, 0}}},
  };
  for (const DetectRow& row : rows) {
    for (int k = 0; k < 6; ++k) {
      SCOPED_TRACE(std::string(row.Name) + " / caller " + std::to_string(k));
      TMemoryStream stream("xy" + row.Bytes);
      stream.SetPosition(2);  // detection starts at the stream's current position
      const Choice& want = row.Results[k];
      if (want.MarkSize < 0) {
        try {
          TUtilsAutodetectInputStream s(&stream, callers[k], 1024);
          FAIL() << "no exception";
        } catch (const EConvertError& e) {
          EXPECT_STREQ(e.what(), "Specified input encoding does not match byte order mark.");
        }
        continue;
      }
      TUtilsAutodetectInputStream s(&stream, callers[k], 1024);
      EXPECT_EQ(s.CodecClass(), want.Class);
      EXPECT_EQ(s.ByteOrderMarkSize(), want.MarkSize);
      EXPECT_EQ(s.HasByteOrderMark(), want.MarkSize != 0);
      EXPECT_EQ(s.Position(), 0);
      // The text starts right behind the accepted mark.
      std::string rest(row.Bytes.size() - static_cast<std::size_t>(want.MarkSize), '\0');
      if (!rest.empty()) {
        EXPECT_TRUE(s.Read(rest.data(), static_cast<std::int64_t>(rest.size())));
        EXPECT_EQ(rest, row.Bytes.substr(static_cast<std::size_t>(want.MarkSize)));
      }
    }
  }
}

TEST(ByteStreams, BufferedReadsSeekAndGiveBack) {
  std::string data;
  for (int i = 0; i < 100; ++i) data.push_back(static_cast<char>('A' + i % 26));
  for (std::int64_t bufferSize : {1, 3, 7, 64, 4096}) {
    SCOPED_TRACE(bufferSize);
    TOneByteStream stream(data);
    stream.SetPosition(5);
    {
      TUtilsCustomInputStream s(&stream, bufferSize);
      char buf[16];
      ASSERT_TRUE(s.Read(buf, 4));
      EXPECT_EQ(std::string(buf, 4), data.substr(5, 4));
      ASSERT_TRUE(s.Read(buf, 10));  // larger than some buffers
      EXPECT_EQ(std::string(buf, 10), data.substr(9, 10));
      EXPECT_EQ(s.Position(), 14);
      s.Seek(90);
      EXPECT_EQ(s.Position(), 90);
      EXPECT_FALSE(s.Read(buf, 6));  // only 5 bytes remain
      EXPECT_EQ(s.Position(), 90);
      ASSERT_TRUE(s.Read(buf, 5));
      EXPECT_EQ(std::string(buf, 5), data.substr(95, 5));
      EXPECT_FALSE(s.Read(buf, 1));
      s.Seek(2);
      ASSERT_TRUE(s.Read(buf, 1));
      EXPECT_EQ(buf[0], data[7]);
    }
    // Destruction leaves the caller's stream right behind the consumed bytes.
    EXPECT_EQ(stream.Position(), 8);
  }
  try {
    TUtilsCustomInputStream s(nullptr, 1024);
    FAIL() << "no exception";
  } catch (const EParserUtilsException& e) {
    EXPECT_STREQ(e.what(), "Stream not specified.");
  }
}

struct Pos {
  std::int64_t Byte, Char, Column;
  UCS4Char Character;
  std::int64_t Line, Length, Tabs;
};

std::vector<Pos> ReadAllPositions(TUtilsUCS4Reader& reader) {
  std::vector<Pos> out;
  for (int guard = 0; guard < 100000; ++guard) {
    reader.Next();
    const TPositionRecord& p = reader.CurrentPosition();
    out.push_back({p.ByteCount, p.CharCount, p.Column, static_cast<UCS4Char>(p.Character), p.Line,
                   p.ByteLength, p.TabsInLine});
    if (reader.IsEndOfText()) break;
  }
  return out;
}

bool operator==(const Pos& a, const Pos& b) {
  return a.Byte == b.Byte && a.Char == b.Char && a.Column == b.Column && a.Character == b.Character &&
         a.Line == b.Line && a.Length == b.Length && a.Tabs == b.Tabs;
}

std::ostream& operator<<(std::ostream& os, const Pos& p) {
  return os << "{byte " << p.Byte << " char " << p.Char << " col " << p.Column << " U+" << std::hex
            << p.Character << std::dec << " line " << p.Line << " len " << p.Length << " tabs " << p.Tabs << "}";
}

TEST(CharacterReader, PositionsAtSeveralBufferSizes) {
  // a TAB b CR LF c CR d s-caron TAB e, after a run of ASCII that moves the interesting
  // characters across the buffer boundaries.
  const std::string tail = "a\tb\r\nc\rd\xC5\xA1\te";
  const std::vector<Pos> base = {
      {1, 1, 1, 'a', 1, 1, 0},  {2, 2, 2, '\t', 1, 1, 1}, {3, 3, 3, 'b', 1, 1, 1},
      {5, 4, 0, 0x0A, 2, 2, 0}, {6, 5, 1, 'c', 2, 1, 0},  {7, 6, 0, 0x0A, 3, 1, 0},
      {8, 7, 1, 'd', 3, 1, 0},  {10, 8, 2, 0x161, 3, 2, 0}, {11, 9, 3, '\t', 3, 1, 1},
      {12, 10, 4, 'e', 3, 1, 1}, {12, 11, 5, kEndOfText, 3, 0, 1},
  };
  for (std::int64_t prefix : {0, 1, 1019, 1020, 1021, 1022, 1023, 1024, 4090, 4093}) {
    std::string text(static_cast<std::size_t>(prefix), 'x');
    text += tail;
    std::vector<Pos> expected;
    for (std::int64_t i = 1; i <= prefix; ++i) expected.push_back({i, i, i, 'x', 1, 1, 0});
    for (Pos p : base) {
      p.Byte += prefix;
      p.Char += prefix;
      if (p.Line == 1) p.Column += prefix;
      expected.push_back(p);
    }
    for (std::int64_t bufferSize : {1024, 1025, 4096}) {
      for (bool oneByte : {false, true}) {
        SCOPED_TRACE("prefix " + std::to_string(prefix) + " buffer " + std::to_string(bufferSize) +
                     (oneByte ? " one byte per read" : ""));
        std::unique_ptr<TMemoryStream> stream =
            oneByte ? std::make_unique<TOneByteStream>(text) : std::make_unique<TMemoryStream>(text);
        TUtilsUCS4Reader reader(stream.get(), nullptr, bufferSize);
        EXPECT_EQ(reader.CurrentCharacter(), kStartOfText);
        EXPECT_EQ(reader.BufferSize(), bufferSize);
        EXPECT_EQ(ReadAllPositions(reader), expected);
        // The end is sticky: further calls change nothing.
        const TPositionRecord prev = reader.PreviousPosition();
        const TPositionRecord cur = reader.CurrentPosition();
        reader.Next();
        reader.Next();
        EXPECT_EQ(reader.PreviousPosition(), prev);
        EXPECT_EQ(reader.CurrentPosition(), cur);
        EXPECT_EQ(reader.NextPosition(), cur);
      }
    }
  }
}

TEST(CharacterReader, StartLocationAndMarks) {
  struct Row {
    const char* Name;
    std::string Bytes;
    Cls ExpectedClass;
    bool Mark;
    std::vector<Pos> Chars;
  };
  const Row rows[] = {
      {"utf-8 mark", B({0xEF, 0xBB, 0xBF, 'a', 0xC3, 0xA9}), kU8, true,
       {{11, 21, 31, 'a', 5, 1, 7}, {13, 22, 32, 0xE9, 5, 2, 7}, {13, 23, 33, kEndOfText, 5, 0, 7}}},
      {"utf-16le mark", B({0xFF, 0xFE, 'a', 0, 0x0D, 0, 0x0A, 0}), kLE, true,
       {{12, 21, 31, 'a', 5, 2, 7}, {16, 22, 0, 0x0A, 6, 4, 0}, {16, 23, 1, kEndOfText, 6, 0, 0}}},
      {"ucs-4 4321 mark", B({0xFF, 0xFE, 0, 0, 'a', 0, 0, 0}), k4321, true,
       {{14, 21, 31, 'a', 5, 4, 7}, {14, 22, 32, kEndOfText, 5, 0, 7}}},
      {"no mark", "a", kU8, false, {{11, 21, 31, 'a', 5, 1, 7}, {11, 22, 32, kEndOfText, 5, 0, 7}}},
      {"cr at end", "\r", kU8, false, {{11, 21, 0, 0x0A, 6, 1, 0}, {11, 22, 1, kEndOfText, 6, 0, 0}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Name);
    TMemoryStream stream(row.Bytes);
    TUtilsUCS4Reader reader(&stream, nullptr, 1024, 10, 20, 30, 7, 5);
    EXPECT_EQ(reader.CodecClass(), row.ExpectedClass);
    EXPECT_EQ(reader.HasByteOrderMark(), row.Mark);
    EXPECT_EQ(reader.CurrentPosition(), reader.InitialPosition());
    EXPECT_EQ(reader.InitialPosition().Character, kStartOfText);
    EXPECT_EQ(ReadAllPositions(reader), row.Chars);
  }
}

std::u16string ReadRest(TUtilsUCS4Reader& reader) {
  std::u16string out;
  for (;;) {
    reader.Next();
    if (reader.IsEndOfText()) return out;
    out.push_back(static_cast<char16_t>(reader.CurrentCharacter()));
  }
}

// What the input source does after the declaration: reset behind the ">" it just matched.
std::u16string RestartBehindDeclaration(const std::string& text, Cls switchTo) {
  TMemoryStream stream(text);
  TUtilsUCS4Reader reader(&stream, nullptr, 1024);
  EXPECT_TRUE(reader.MatchString(u"<?xml version='1.0'?>"));
  reader.SetResetPosition(reader.StreamPosition() - reader.NextPosition().ByteLength);
  if (switchTo != nullptr) reader.SetCodecClass(switchTo);
  reader.Reset();
  return ReadRest(reader);
}

TEST(CharacterReader, ResetBehindALoneCrDeliversNothingTwice) {
  struct Row {
    std::string Text;
    Cls SwitchTo;
    std::u16string Rest;
  };
  const Row rows[] = {
      {"<?xml version='1.0'?>\r<a/>", nullptr, u"\n<a/>"},
      {"<?xml version='1.0'?>\r<a/>", kW1250, u"\n<a/>"},
      {"<?xml version='1.0'?>\r\n<a/>", nullptr, u"\n<a/>"},
      {"<?xml version='1.0'?>\r\r<a/>", kW1250, u"\n\n<a/>"},
      {"<?xml version='1.0'?><a/>", kW1250, u"<a/>"},
      {"<?xml version='1.0'?>\r", nullptr, u"\n"},
      {"<?xml version='1.0'?>\r\n\x9A", kW1250, u"\n\u0161"},
  };
  for (const Row& row : rows) EXPECT_EQ(RestartBehindDeclaration(row.Text, row.SwitchTo), row.Rest) << row.Text;
}

TEST(CharacterReader, ResetEmptiesTheReadAheadSlot) {
  TMemoryStream stream("\rX\rY");
  TUtilsUCS4Reader reader(&stream, nullptr, 1024);
  reader.Next();  // LF from the first CR; X waits in the slot
  reader.Next();  // X current; the LF from the second CR is the look-ahead, Y waits in the slot
  EXPECT_EQ(reader.StreamPosition(), 3);  // Y is read but not delivered
  reader.Reset();
  EXPECT_EQ(ReadRest(reader), u"\nX\nY");
  reader.SetResetPosition(2);
  reader.Reset();
  EXPECT_EQ(ReadRest(reader), u"\nY");
}

TEST(CharacterReader, OrderFileSwitchesToWindows1250) {
  const std::string text = "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n<a>\x9A\xE8</a>";
  TMemoryStream stream(text);
  TUtilsUCS4Reader reader(&stream, nullptr, 4096);
  EXPECT_EQ(reader.CodecClass(), kU8);
  EXPECT_TRUE(reader.MatchString(u"<?xml version=\"1.0\" encoding=\"windows-1250\"?>"));
  reader.SetResetPosition(reader.StreamPosition() - reader.NextPosition().ByteLength);
  reader.SetCodecClass(FindCodecClassByName("windows-1250"));
  reader.Reset();
  EXPECT_EQ(ReadRest(reader), u"\n<a>\u0161\u010D</a>");
  EXPECT_EQ(reader.CurrentPosition().ByteCount, 11);  // counted from the reset position
}

TEST(CharacterReader, DecodingFailureLeavesPositionsAlone) {
  TMemoryStream stream("ab\xC3(z");
  TUtilsUCS4Reader reader(&stream, nullptr, 1024);
  reader.Next();
  const TPositionRecord prev = reader.PreviousPosition();
  const TPositionRecord cur = reader.CurrentPosition();
  const TPositionRecord next = reader.NextPosition();
  try {
    reader.Next();
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Invalid UTF-8 encoding");
  }
  EXPECT_EQ(reader.PreviousPosition(), prev);
  EXPECT_EQ(reader.CurrentPosition(), cur);
  EXPECT_EQ(reader.NextPosition(), next);
  EXPECT_EQ(reader.CurrentCharacter(), static_cast<UCS4Char>('a'));
  // The bad bytes are consumed; reading goes on behind them.
  reader.Next();
  EXPECT_EQ(reader.CurrentCharacter(), static_cast<UCS4Char>('b'));
  EXPECT_EQ(reader.NextPosition().Character, 'z');

  TMemoryStream first("\x80");
  EXPECT_THROW(TUtilsUCS4Reader(&first, nullptr, 1024), EConvertError);
  TMemoryStream mismatch(B({0xFF, 0xFE, 'a', 0}));
  EXPECT_THROW(TUtilsUCS4Reader(&mismatch, kBE, 1024), EConvertError);
}

TEST(CharacterReader, MatchStringAndSkipChars) {
  struct MatchRow {
    std::string Text;
    std::u16string Match;
    bool Result;
    UCS4Char CurrentAfter;
  };
  const MatchRow matches[] = {
      {"abc", u"", true, kStartOfText},
      {"abc", u"ab", true, 'b'},
      {"abc", u"abc", true, 'c'},
      {"abc", u"abd", false, 'c'},
      {"abc", u"x", false, 'a'},
      {"ab", u"abc", false, kEndOfText},
      {"a\r\nb", u"a\nb", true, 'b'},
  };
  for (const MatchRow& row : matches) {
    TMemoryStream stream(row.Text);
    TUtilsUCS4Reader reader(&stream, nullptr, 1024);
    EXPECT_EQ(reader.MatchString(row.Match), row.Result) << row.Text;
    EXPECT_EQ(reader.CurrentCharacter(), row.CurrentAfter) << row.Text;
  }

  struct SkipRow {
    std::string Text;
    int Advance;  // Next calls before skipping
    std::int64_t Count;
    UCS4Char CurrentAfter;
  };
  const std::u16string ws = u" \t\n";
  const SkipRow skips[] = {
      {"   x", 0, 3, 'x'},
      {"x", 0, 0, 'x'},
      {" \t\r\n x", 0, 4, 'x'},
      {"   ", 0, 3, kEndOfText},
      {"", 0, 0, kEndOfText},
      {"a", 2, 0, kEndOfText},
  };
  for (const SkipRow& row : skips) {
    TMemoryStream stream(row.Text);
    TUtilsUCS4Reader reader(&stream, nullptr, 1024);
    for (int i = 0; i < row.Advance; ++i) reader.Next();
    EXPECT_EQ(reader.SkipChars(ws), row.Count) << row.Text;
    EXPECT_EQ(reader.CurrentCharacter(), row.CurrentAfter) << row.Text;
  }
  // A long run costs no memory per character and counts every one.
  TMemoryStream longRun(std::string(100000, ' ') + "x");
  TUtilsUCS4Reader reader(&longRun, nullptr, 4096);
  EXPECT_EQ(reader.SkipChars(u" "), 100000);
}

TEST(CharacterReader, StreamLeftBehindConsumedBytes) {
  TMemoryStream stream("<?xml?>rest");
  {
    TUtilsUCS4Reader reader(&stream, nullptr, 4096);
    EXPECT_TRUE(reader.MatchString(u"<?xml?>"));
    EXPECT_EQ(reader.StreamPosition(), 8);  // including the look-ahead character
  }
  EXPECT_EQ(stream.Position(), 8);
}

}  // namespace
