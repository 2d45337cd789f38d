// Codecs: single-byte tables against the independent coverage list of each code page, the
// UTF-8/UTF-16/UCS-2/UCS-4 decoding rules and messages, line-end normalisation, name look-up.
#include "xml/cUnicodeCodecsWin32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Feeds a codec from a byte string, the way the reader does.
struct ByteSource {
  std::string Bytes;
  std::size_t Pos = 0;
  static bool Read(void* self, void* buffer, std::int64_t count) {
    auto* s = static_cast<ByteSource*>(self);
    if (s->Pos + static_cast<std::size_t>(count) > s->Bytes.size()) return false;
    std::memcpy(buffer, s->Bytes.data() + s->Pos, static_cast<std::size_t>(count));
    s->Pos += static_cast<std::size_t>(count);
    return true;
  }
};

struct Decoded {
  std::vector<UCS4Char> Chars;
  std::vector<int> Counts;
  std::string Error;  // message of the exception that stopped decoding
};

Decoded DecodeAll(TUnicodeCodecClass cls, const std::string& bytes, bool normalise = false) {
  ByteSource src{bytes};
  auto codec = CreateCodec(cls);
  codec->SetReadCallback(&ByteSource::Read, &src);
  codec->SetReadLineBreakMode(normalise ? 1 : 0);
  Decoded out;
  try {
    for (int guard = 0; guard < 1000; ++guard) {
      int n = 0;
      const UCS4Char c = codec->ReadChar(n);
      out.Chars.push_back(c);
      out.Counts.push_back(n);
      if (c == kEndOfText && n == 0) break;
    }
  } catch (const EConvertError& e) {
    out.Error = e.what();
  }
  return out;
}

std::string Encode(TUnicodeCodecClass cls, UCS4Char c, std::string* error = nullptr) {
  auto codec = CreateCodec(cls);
  std::string out;
  codec->SetWriteCallback([&out](const void* b, std::int64_t n) {
    out.append(static_cast<const char*>(b), static_cast<std::size_t>(n));
  });
  try {
    codec->EncodeChar(c);
  } catch (const EConvertError& e) {
    if (error) *error = e.what();
  }
  return out;
}

const std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

struct SingleByteRow {
  const char* CoverageName;  // name in the coverage list, or "" for members built by rule
  TUnicodeCodecClass Class;
  bool Windows;
};

const SingleByteRow kSingleByte[] = {
    {"us-ascii", &TUSASCIICodec::ClassInfo, false},
    {"iso8859-1", &TISO8859_1Codec::ClassInfo, false},
    {"iso8859-2", &TISO8859_2Codec::ClassInfo, false},
    {"iso8859-3", &TISO8859_3Codec::ClassInfo, false},
    {"iso8859-4", &TISO8859_4Codec::ClassInfo, false},
    {"iso8859-5", &TISO8859_5Codec::ClassInfo, false},
    {"iso8859-6", &TISO8859_6Codec::ClassInfo, false},
    {"iso8859-7", &TISO8859_7Codec::ClassInfo, false},
    {"iso8859-8", &TISO8859_8Codec::ClassInfo, false},
    {"iso8859-9", &TISO8859_9Codec::ClassInfo, false},
    {"iso8859-10", &TISO8859_10Codec::ClassInfo, false},
    {"iso8859-13", &TISO8859_13Codec::ClassInfo, false},
    {"iso8859-14", &TISO8859_14Codec::ClassInfo, false},
    {"iso8859-15", &TISO8859_15Codec::ClassInfo, false},
    {"", &TJIS_X0201Codec::ClassInfo, false},
    {"cp037", &TIBM037Codec::ClassInfo, false},
    {"cp424", &TIBM424Codec::ClassInfo, false},
    {"cp500", &TIBM500Codec::ClassInfo, false},
    {"cp1026", &TIBM1026Codec::ClassInfo, false},
    {"cp437", &TIBM437Codec::ClassInfo, false},
    {"cp850", &TIBM850Codec::ClassInfo, false},
    {"cp852", &TIBM852Codec::ClassInfo, false},
    {"cp855", &TIBM855Codec::ClassInfo, false},
    {"cp857", &TIBM857Codec::ClassInfo, false},
    {"cp860", &TIBM860Codec::ClassInfo, false},
    {"cp861", &TIBM861Codec::ClassInfo, false},
    {"cp862", &TIBM862Codec::ClassInfo, false},
    {"cp863", &TIBM863Codec::ClassInfo, false},
    {"cp864", &TIBM864Codec::ClassInfo, false},
    {"cp865", &TIBM865Codec::ClassInfo, false},
    {"cp866", &TIBM866Codec::ClassInfo, false},
    {"cp869", &TIBM869Codec::ClassInfo, false},
    {"cp1250", &TWindows1250Codec::ClassInfo, true},
    {"cp1251", &TWindows1251Codec::ClassInfo, true},
    {"cp1252", &TWindows1252Codec::ClassInfo, true},
    {"cp1253", &TWindows1253Codec::ClassInfo, true},
    {"cp1254", &TWindows1254Codec::ClassInfo, true},
    {"cp1255", &TWindows1255Codec::ClassInfo, true},
    {"cp1256", &TWindows1256Codec::ClassInfo, true},
    {"cp1257", &TWindows1257Codec::ClassInfo, true},
    {"cp1258", &TWindows1258Codec::ClassInfo, true},
    {"koi8-r", &TKOI8_RCodec::ClassInfo, false},
    {"mac-latin2", &TMacLatin2Codec::ClassInfo, false},
    {"mac-roman", &TMacRomanCodec::ClassInfo, false},
    {"mac-cyrillic", &TMacCyrillicCodec::ClassInfo, false},
    {"", &TEBCDIC_USCodec::ClassInfo, false},
};

// Undefined bytes per code page, from the coverage list kept beside the test data.
std::map<std::string, std::vector<bool>> LoadCoverage() {
  std::map<std::string, std::vector<bool>> result;
  std::ifstream in(std::string(EARMARK_SHARED_DIR) + "/testdata/mappings/python-codec-coverage.txt");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> cols;
    std::stringstream ss(line);
    std::string col;
    while (std::getline(ss, col, '\t')) cols.push_back(col);
    std::vector<bool> undefined(256, false);
    if (cols.size() >= 4 && cols[3] != "-") {
      std::stringstream ranges(cols[3]);
      std::string range;
      while (std::getline(ranges, range, ',')) {
        const auto dash = range.find('-');
        const int lo = std::stoi(range.substr(0, dash), nullptr, 16);
        const int hi = dash == std::string::npos ? lo : std::stoi(range.substr(dash + 1), nullptr, 16);
        for (int b = lo; b <= hi; ++b) undefined[static_cast<std::size_t>(b)] = true;
      }
    }
    result[cols[0]] = undefined;
  }
  return result;
}

TEST(SingleByteCodecs, UndefinedPositionsFollowTheCoverageList) {
  const auto coverage = LoadCoverage();
  if (coverage.empty()) GTEST_SKIP() << "coverage list not found beside the sources";
  for (const SingleByteRow& row : kSingleByte) {
    if (row.CoverageName[0] == '\0' || row.Class == &TUSASCIICodec::ClassInfo) continue;
    SCOPED_TRACE(row.CoverageName);
    ASSERT_TRUE(coverage.count(row.CoverageName));
    const auto& undefined = coverage.at(row.CoverageName);
    auto codec = CreateCodec(row.Class);
    auto* sb = dynamic_cast<TCustomSingleByteCodec*>(codec.get());
    ASSERT_NE(sb, nullptr);
    for (int b = 0; b < 256; ++b) {
      const char16_t u = sb->ByteToUtf16(static_cast<std::uint8_t>(b));
      if (!undefined[static_cast<std::size_t>(b)]) {
        EXPECT_NE(u, 0xFFFF) << "byte " << b;
      } else if (row.Windows && b >= 0x80 && b <= 0x9F) {
        EXPECT_EQ(u, b) << "byte " << b;
      } else {
        EXPECT_EQ(u, 0xFFFF) << "byte " << b;
      }
    }
  }
}

TEST(SingleByteCodecs, EveryByteDecodesAlikeOnEveryPathAndEncodesBack) {
  for (const SingleByteRow& row : kSingleByte) {
    if (row.Class == &TUSASCIICodec::ClassInfo) continue;
    SCOPED_TRACE(row.Class->ClassName);
    auto codec = CreateCodec(row.Class);
    auto* sb = dynamic_cast<TCustomSingleByteCodec*>(codec.get());
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const Decoded one = DecodeAll(row.Class, all);
    ASSERT_EQ(one.Chars.size(), 257u);
    char16_t buffer[256];
    std::int64_t consumed = 0;
    ASSERT_EQ(sb->DecodeToUtf16(reinterpret_cast<const std::uint8_t*>(all.data()), 256, buffer,
                                sizeof buffer, consumed),
              256);
    for (int b = 0; b < 256; ++b) {
      const char16_t u = sb->ByteToUtf16(static_cast<std::uint8_t>(b));
      EXPECT_EQ(one.Chars[static_cast<std::size_t>(b)], u);
      EXPECT_EQ(buffer[b], u);
      if (b < sb->IdentityThreshold()) EXPECT_EQ(u, b);
      if (u == 0xFFFF) {
        std::string error;
        EXPECT_EQ(Encode(row.Class, u, &error), "");
        EXPECT_NE(error.find("has no equivalent in"), std::string::npos);
        continue;
      }
      // The first byte that carries the unit is the one encoding gives back.
      int first = b;
      for (int k = 0; k < b; ++k)
        if (sb->ByteToUtf16(static_cast<std::uint8_t>(k)) == u) first = k;
      EXPECT_EQ(Encode(row.Class, u), std::string(1, static_cast<char>(first))) << "byte " << b;
    }
  }
}

struct KnownByte {
  TUnicodeCodecClass Class;
  int Byte;
  char16_t Unit;
};

TEST(SingleByteCodecs, KnownCharacters) {
  const KnownByte cases[] = {
      {&TWindows1250Codec::ClassInfo, 0x41, u'A'},      {&TWindows1250Codec::ClassInfo, 0x8A, 0x0160},
      {&TWindows1250Codec::ClassInfo, 0x9A, 0x0161},    {&TWindows1250Codec::ClassInfo, 0xE8, 0x010D},
      {&TWindows1250Codec::ClassInfo, 0xFF, 0x02D9},    {&TWindows1250Codec::ClassInfo, 0x81, 0x0081},
      {&TWindows1250Codec::ClassInfo, 0x83, 0x0083},    {&TWindows1250Codec::ClassInfo, 0x88, 0x0088},
      {&TWindows1250Codec::ClassInfo, 0x90, 0x0090},    {&TWindows1250Codec::ClassInfo, 0x98, 0x0098},
      {&TWindows1250Codec::ClassInfo, 0x80, 0x20AC},    {&TWindows1250Codec::ClassInfo, 0xBE, 0x013E},
      {&TWindows1250Codec::ClassInfo, 0xF4, 0x00F4},    {&TWindows1250Codec::ClassInfo, 0xE1, 0x00E1},
      {&TWindows1252Codec::ClassInfo, 0x80, 0x20AC},    {&TWindows1252Codec::ClassInfo, 0x81, 0x0081},
      {&TWindows1251Codec::ClassInfo, 0xC0, 0x0410},    {&TWindows1253Codec::ClassInfo, 0xAA, 0xFFFF},
      {&TWindows1257Codec::ClassInfo, 0xA1, 0xFFFF},    {&TWindows1255Codec::ClassInfo, 0xFF, 0xFFFF},
      {&TISO8859_1Codec::ClassInfo, 0xE9, 0x00E9},      {&TISO8859_2Codec::ClassInfo, 0xA9, 0x0160},
      {&TISO8859_3Codec::ClassInfo, 0xA5, 0xFFFF},      {&TISO8859_5Codec::ClassInfo, 0xB0, 0x0410},
      {&TISO8859_15Codec::ClassInfo, 0xA4, 0x20AC},     {&TISO8859_2Codec::ClassInfo, 0x85, 0x0085},
      {&TKOI8_RCodec::ClassInfo, 0xC1, 0x0430},         {&TIBM437Codec::ClassInfo, 0x80, 0x00C7},
      {&TIBM852Codec::ClassInfo, 0xE7, 0x0161},         {&TIBM864Codec::ClassInfo, 0x25, 0x066A},
      {&TMacRomanCodec::ClassInfo, 0x80, 0x00C4},       {&TMacCyrillicCodec::ClassInfo, 0x80, 0x0410},
      {&TIBM037Codec::ClassInfo, 0xC1, u'A'},           {&TIBM037Codec::ClassInfo, 0x40, u' '},
      {&TIBM037Codec::ClassInfo, 0x25, 0x000A},         {&TEBCDIC_USCodec::ClassInfo, 0xC1, u'A'},
      {&TEBCDIC_USCodec::ClassInfo, 0xF0, u'0'},        {&TEBCDIC_USCodec::ClassInfo, 0x4B, u'.'},
      {&TEBCDIC_USCodec::ClassInfo, 0x4A, 0xFFFF},      {&TEBCDIC_USCodec::ClassInfo, 0x25, 0xFFFF},
      {&TJIS_X0201Codec::ClassInfo, 0x41, u'A'},        {&TJIS_X0201Codec::ClassInfo, 0x5C, 0x00A5},
      {&TJIS_X0201Codec::ClassInfo, 0x7E, 0x203E},      {&TJIS_X0201Codec::ClassInfo, 0xA1, 0xFF61},
      {&TJIS_X0201Codec::ClassInfo, 0xDF, 0xFF9F},      {&TJIS_X0201Codec::ClassInfo, 0x0A, 0xFFFF},
      {&TJIS_X0201Codec::ClassInfo, 0xE0, 0xFFFF},
  };
  for (const KnownByte& c : cases) {
    const Decoded d = DecodeAll(c.Class, std::string(1, static_cast<char>(c.Byte)));
    EXPECT_EQ(d.Chars.at(0), c.Unit) << c.Class->ClassName << " byte " << c.Byte;
  }
}

struct EncodeErrorRow {
  TUnicodeCodecClass Class;
  UCS4Char Code;
  const char* Message;
};

TEST(SingleByteCodecs, EncodingErrors) {
  const EncodeErrorRow cases[] = {
      {&TWindows1250Codec::ClassInfo, 0x20AD, "Unicode code point $20AD has no equivalent in Windows-1250"},
      {&TWindows1250Codec::ClassInfo, 0x10000, "$10000 is not a valid Windows-1250 code point"},
      {&TISO8859_1Codec::ClassInfo, 0x100, "Unicode code point $100 has no equivalent in ISO-8859-1"},
      {&TUSASCIICodec::ClassInfo, 0x80, "Unicode code point $80 has no equivalent in US-ASCII"},
      {&TKOI8_RCodec::ClassInfo, 0xFFFF, "Unicode code point $FFFF has no equivalent in KOI8-R"},
  };
  for (const EncodeErrorRow& c : cases) {
    std::string error;
    EXPECT_EQ(Encode(c.Class, c.Code, &error), "");
    EXPECT_EQ(error, c.Message);
  }
  EXPECT_EQ(Encode(&TISO8859_1Codec::ClassInfo, 0xFF), "\xFF");
}

TEST(SingleByteCodecs, UsAsciiRejectsHighBytes) {
  const Decoded d = DecodeAll(&TUSASCIICodec::ClassInfo, "a\x7F\x80");
  EXPECT_EQ(d.Chars, (std::vector<UCS4Char>{'a', 0x7F}));
  EXPECT_EQ(d.Error, "$80 is not a valid US-ASCII code point");
}

struct DecodeRow {
  const char* Name;
  std::string Bytes;
  std::vector<UCS4Char> Chars;  // up to and including U+009C when no error
  std::vector<int> Counts;
  const char* Error;
};

void RunDecodeRows(TUnicodeCodecClass cls, const std::vector<DecodeRow>& rows) {
  for (const DecodeRow& row : rows) {
    SCOPED_TRACE(row.Name);
    const Decoded d = DecodeAll(cls, row.Bytes);
    EXPECT_EQ(d.Chars, row.Chars);
    if (!row.Counts.empty()) EXPECT_EQ(d.Counts, row.Counts);
    EXPECT_EQ(d.Error, row.Error);
  }
}

TEST(Utf8Codec, DecoderRules) {
  const char* bad = "Invalid UTF-8 encoding";
  RunDecodeRows(&TUTF8Codec::ClassInfo, {
      {"empty", "", {kEndOfText}, {0}, ""},
      {"ascii", "A\x7F", {'A', 0x7F, kEndOfText}, {1, 1, 0}, ""},
      {"two bytes", "\xC3\xA9", {0xE9, kEndOfText}, {2, 0}, ""},
      {"euro", "\xE2\x82\xAC", {0x20AC, kEndOfText}, {3, 0}, ""},
      {"four bytes", "\xF0\x9F\x98\x80", {0x1F600, kEndOfText}, {4, 0}, ""},
      {"above U+10FFFF passes", "\xF4\x90\x80\x80", {0x110000, kEndOfText}, {4, 0}, ""},
      {"surrogate passes", "\xED\xA0\x80", {0xD800, kEndOfText}, {3, 0}, ""},
      {"five bytes", "\xF8\x88\x80\x80\x80", {0x200000, kEndOfText}, {5, 0}, ""},
      {"six bytes", "\xFC\x84\x80\x80\x80\x80", {0x4000000, kEndOfText}, {6, 0}, ""},
      {"six bytes max", "\xFD\xBF\xBF\xBF\xBF\xBF", {0x7FFFFFFF, kEndOfText}, {6, 0}, ""},
      {"lone continuation", "a\x80", {'a'}, {1}, bad},
      {"continuation BF", "\xBF", {}, {}, bad},
      {"overlong slash", "\xC0\xAF", {}, {}, bad},
      {"overlong C1", "\xC1\xBF", {}, {}, bad},
      {"overlong three", "\xE0\x9F\xBF", {}, {}, bad},
      {"overlong four", "\xF0\x8F\xBF\xBF", {}, {}, bad},
      {"overlong five", "\xF8\x87\xBF\xBF\xBF", {}, {}, bad},
      {"overlong six", "\xFC\x83\xBF\xBF\xBF\xBF", {}, {}, bad},
      {"smallest three", "\xE0\xA0\x80", {0x800, kEndOfText}, {3, 0}, ""},
      {"truncated at end", "\xE2\x82", {}, {}, bad},
      {"bad continuation", "\xE2\x28\xA1", {}, {}, bad},
      {"FE", "\xFE\x80\x80\x80\x80\x80\x80", {}, {}, bad},
      {"FF", "\xFF\x80\x80\x80\x80\x80\x80\x80", {}, {}, bad},
  });
}

TEST(Utf8Codec, EncodeFromUtf16) {
  struct Row {
    std::u16string In;
    std::string Out;
    const char* Error;
  };
  const Row rows[] = {
      {u"A\u00E9\u20AC", "A\xC3\xA9\xE2\x82\xAC", ""},
      // A valid pair is one character: one 4-byte sequence, never two 3-byte ones.
      {u"\U0001F600", "\xF0\x9F\x98\x80", ""},
      {u"x\U00010000y", "x\xF0\x90\x80\x80y", ""},
      {u"\U0010FFFF", "\xF4\x8F\xBF\xBF", ""},
      {std::u16string(1, char16_t(0xD800)), "", "$D800 is not a valid Unicode code point"},
      {std::u16string{char16_t(0xDC00), char16_t(0xD800)}, "", "$DC00 is not a valid Unicode code point"},
      {std::u16string{u'a', char16_t(0xD83D), u'b'}, "a", "$D83D is not a valid Unicode code point"},
  };
  for (const Row& row : rows) {
    TUTF8Codec codec;
    std::string out;
    std::string error;
    try {
      EXPECT_EQ(codec.EncodeFromUtf16(row.In.data(), static_cast<std::int64_t>(row.In.size()), out),
                static_cast<std::int64_t>(row.In.size()));
    } catch (const EConvertError& e) {
      error = e.what();
    }
    EXPECT_EQ(out, row.Out);
    EXPECT_EQ(error, row.Error);
  }
}

TEST(Utf8Codec, EncodeChar) {
  struct Row {
    UCS4Char C;
    std::string Out;
    const char* Error;
  };
  const Row rows[] = {
      {0x24, "$", ""},
      {0x7FF, "\xDF\xBF", ""},
      {0xFFFF, "\xEF\xBF\xBF", ""},
      {0x10348, "\xF0\x90\x8D\x88", ""},
      {0x1FFFFF, "\xF7\xBF\xBF\xBF", ""},
      {0x200000, "", "$200000 is not a valid Unicode code point"},
  };
  for (const Row& row : rows) {
    std::string error;
    EXPECT_EQ(Encode(&TUTF8Codec::ClassInfo, row.C, &error), row.Out);
    EXPECT_EQ(error, row.Error);
  }
}

TEST(Utf8Codec, DecodeToUtf16) {
  struct Row {
    std::string In;
    std::int64_t OutBytes;
    std::u16string Out;
    std::int64_t Consumed;
    const char* Error;
  };
  const Row rows[] = {
      {"ab\xC3\xA9", 100, u"ab\u00E9", 4, ""},
      {"ab\xE2\x82", 100, u"ab", 2, ""},  // incomplete sequence waits for more input
      {"abc", 4, u"ab", 2, ""},           // output space in bytes
      {"\xF0\x9F\x98\x80!", 100, u"\U0001F600!", 5, ""},
      {"a\xF0\x9F\x98\x80", 4, u"a", 1, ""},  // a pair never split across buffers
      {"\xC0\xAF", 100, u"", 0, "Invalid UTF-8 encoding"},
      {"\x80", 100, u"", 0, "Invalid UTF-8 encoding"},
      {"\xF4\x90\x80\x80", 100, u"", 0, "UTF-8 encoding out of range"},
      {"\xED\xA0\x80", 100, u"", 0, "UTF-8 error 1"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.In);
    TUTF8Codec codec;
    char16_t out[64] = {};
    std::int64_t consumed = -1;
    std::string error;
    std::int64_t produced = 0;
    try {
      produced = codec.DecodeToUtf16(reinterpret_cast<const std::uint8_t*>(row.In.data()),
                                     static_cast<std::int64_t>(row.In.size()), out, row.OutBytes,
                                     consumed);
    } catch (const EConvertError& e) {
      error = e.what();
    }
    EXPECT_EQ(error, row.Error);
    if (*row.Error != '\0') continue;
    EXPECT_EQ(std::u16string(out, static_cast<std::size_t>(produced)), row.Out);
    EXPECT_EQ(consumed, row.Consumed);
  }
}

TEST(Utf16Codecs, DecoderRules) {
  RunDecodeRows(&TUTF16BECodec::ClassInfo, {
      {"unit", B({0x00, 0x41, 0x01, 0x61}), {'A', 0x161, kEndOfText}, {2, 2, 0}, ""},
      {"pair", B({0xD8, 0x3D, 0xDE, 0x00}), {0x1F600, kEndOfText}, {4, 0}, ""},
      {"odd trailing byte", B({0x00, 0x41, 0x00}), {'A', kEndOfText}, {2, 0}, ""},
      {"low first", B({0xDC, 0x00}), {}, {}, "Invalid UTF-16BE encoding"},
      {"high then text", B({0xD8, 0x00, 0x00, 0x41}), {}, {}, "Invalid UTF-16BE encoding"},
      {"high at end", B({0xD8, 0x00}), {}, {}, "Invalid UTF-16BE encoding"},
  });
  RunDecodeRows(&TUTF16LECodec::ClassInfo, {
      {"unit", B({0x41, 0x00, 0x61, 0x01}), {'A', 0x161, kEndOfText}, {2, 2, 0}, ""},
      {"pair", B({0x3D, 0xD8, 0x00, 0xDE}), {0x1F600, kEndOfText}, {4, 0}, ""},
      {"low first", B({0x00, 0xDC}), {}, {}, "Invalid UTF-16LE encoding"},
      {"high then high", B({0x00, 0xD8, 0x00, 0xD8}), {}, {}, "Invalid UTF-16LE encoding"},
  });
}

TEST(Utf16Codecs, Encoding) {
  struct Row {
    TUnicodeCodecClass Class;
    UCS4Char C;
    std::string Out;
    const char* Error;
  };
  const Row rows[] = {
      {&TUTF16BECodec::ClassInfo, 0x20AC, B({0x20, 0xAC}), ""},
      {&TUTF16LECodec::ClassInfo, 0x20AC, B({0xAC, 0x20}), ""},
      {&TUTF16BECodec::ClassInfo, 0x1F600, B({0xD8, 0x3D, 0xDE, 0x00}), ""},
      {&TUTF16LECodec::ClassInfo, 0x10FFFF, B({0xFF, 0xDB, 0xFF, 0xDF}), ""},
      {&TUTF16BECodec::ClassInfo, 0xD800, "", "$D800 is not a valid UCS-4 code point"},
      {&TUTF16LECodec::ClassInfo, 0x110000, "", "Cannot convert $00110000 to UTF-16LE"},
      {&TUTF16BECodec::ClassInfo, 0x110000, "", "Cannot convert $00110000 to UTF-16BE"},
      {&TUCS2Codec::ClassInfo, 0xFFFD, B({0xFF, 0xFD}), ""},
      {&TUCS2Codec::ClassInfo, 0x10000, "", "UCS-2 encoding out of range"},
      {&TUCS4BECodec::ClassInfo, 0x1F600, B({0x00, 0x01, 0xF6, 0x00}), ""},
      {&TUCS4LECodec::ClassInfo, 0x1F600, B({0x00, 0xF6, 0x01, 0x00}), ""},
      {&TUCS4_2143Codec::ClassInfo, 0x1F600, B({0x01, 0x00, 0x00, 0xF6}), ""},
      {&TUCS4_3412Codec::ClassInfo, 0x1F600, B({0xF6, 0x00, 0x00, 0x01}), ""},
  };
  for (const Row& row : rows) {
    std::string error;
    EXPECT_EQ(Encode(row.Class, row.C, &error), row.Out) << row.Class->ClassName << " " << row.C;
    EXPECT_EQ(error, row.Error);
  }
}

TEST(Ucs2AndUcs4Codecs, DecoderRules) {
  RunDecodeRows(&TUCS2Codec::ClassInfo, {
      {"units", B({0x00, 0x41, 0x20, 0xAC}), {'A', 0x20AC, kEndOfText}, {2, 2, 0}, ""},
      {"surrogate", B({0xD8, 0x00}), {}, {},
       "Surrogate value $D800 found in UCS-2. Values between $D800 and $DFFF are reserved for use with UTF-16"},
  });
  // The same character in all four byte orders.
  RunDecodeRows(&TUCS4BECodec::ClassInfo, {{"1234", B({0x00, 0x01, 0x02, 0x03}), {0x10203, kEndOfText}, {4, 0}, ""}});
  RunDecodeRows(&TUCS4LECodec::ClassInfo, {{"4321", B({0x03, 0x02, 0x01, 0x00}), {0x10203, kEndOfText}, {4, 0}, ""}});
  RunDecodeRows(&TUCS4_2143Codec::ClassInfo, {{"2143", B({0x01, 0x00, 0x03, 0x02}), {0x10203, kEndOfText}, {4, 0}, ""}});
  RunDecodeRows(&TUCS4_3412Codec::ClassInfo, {{"3412", B({0x02, 0x03, 0x00, 0x01}), {0x10203, kEndOfText}, {4, 0}, ""}});
  RunDecodeRows(&TUCS4BECodec::ClassInfo, {
      {"short tail", B({0x00, 0x00, 0x00, 0x41, 0x00, 0x00}), {'A', kEndOfText}, {4, 0}, ""},
      {"surrogate", B({0x00, 0x00, 0xDF, 0xFF}), {}, {},
       "Surrogate value $DFFF found in UCS-4BE. Values between $D800 and $DFFF are reserved for use with UTF-16"},
      {"high bit", B({0x80, 0x00, 0x00, 0x00}), {}, {}, "$80000000 is not a valid UCS-4BE code point"},
      {"above unicode passes", B({0x00, 0x11, 0x00, 0x00}), {0x110000, kEndOfText}, {4, 0}, ""},
  });
  RunDecodeRows(&TUCS4LECodec::ClassInfo, {
      {"surrogate", B({0x00, 0xD8, 0x00, 0x00}), {}, {},
       "Surrogate value $D800 found in UCS-4LE. Values between $D800 and $DFFF are reserved for use with UTF-16"},
  });
}

TEST(Ucs4Codecs, BufferDecoderErrorActions) {
  // 'A', a surrogate value, U+1F600, a value above U+10FFFF, 'B'
  const std::string in = B({0, 0, 0, 0x41, 0, 0, 0xD8, 0x01, 0, 1, 0xF6, 0, 0, 0x11, 0, 0, 0, 0, 0, 0x42});
  struct Row {
    std::uint8_t Action;
    std::u16string Out;
    std::int64_t Consumed;
  };
  const Row rows[] = {
      {1, u"A", 4},
      {2, std::u16string{u'A', 0, 0xD801, 0xD83D, 0xDE00, 0x11, 0, u'B'}, 20},
      {3, u"A\U0001F600B", 20},
      {4, u"A\uFFFD\U0001F600\uFFFDB", 20},
  };
  for (const Row& row : rows) {
    TUCS4BECodec codec;
    codec.ErrorAction = row.Action;
    char16_t out[32];
    std::int64_t consumed = 0;
    const auto n = codec.DecodeToUtf16(reinterpret_cast<const std::uint8_t*>(in.data()), 20, out,
                                       sizeof out, consumed);
    EXPECT_EQ(std::u16string(out, static_cast<std::size_t>(n)), row.Out) << int(row.Action);
    EXPECT_EQ(consumed, row.Consumed);
  }
  TUCS4BECodec raising;
  char16_t out[32];
  std::int64_t consumed = 0;
  try {
    raising.DecodeToUtf16(reinterpret_cast<const std::uint8_t*>(in.data()), 20, out, sizeof out, consumed);
    FAIL() << "no exception";
  } catch (const EUnicodeCodecException& e) {
    EXPECT_EQ(e.Offset, 4);
    EXPECT_STREQ(e.what(),
                 "Surrogate value $D801 found in UCS-4. Values between $D800 and $DFFF are reserved for use with UTF-16");
  }
  const std::string big = B({0, 0x11, 0, 0});
  try {
    raising.DecodeToUtf16(reinterpret_cast<const std::uint8_t*>(big.data()), 4, out, sizeof out, consumed);
    FAIL() << "no exception";
  } catch (const EUnicodeCodecException& e) {
    EXPECT_EQ(e.Offset, 0);
    EXPECT_STREQ(e.what(), "Cannot convert $00110000 to UTF-16");
  }
}

TEST(LineEndNormalisation, CrLfAndLoneCr) {
  struct Row {
    TUnicodeCodecClass Class;
    std::string In;
    std::vector<UCS4Char> Chars;
    std::vector<int> Counts;
  };
  const Row rows[] = {
      {&TUTF8Codec::ClassInfo, "a\r\nb", {'a', 0x0A, 'b', kEndOfText}, {1, 2, 1, 0}},
      {&TUTF8Codec::ClassInfo, "a\rb", {'a', 0x0A, 'b', kEndOfText}, {1, 1, 1, 0}},
      {&TUTF8Codec::ClassInfo, "\r\r\n", {0x0A, 0x0A, kEndOfText}, {1, 2, 0}},
      {&TUTF8Codec::ClassInfo, "\r\r", {0x0A, 0x0A, kEndOfText}, {1, 1, 0}},
      {&TUTF8Codec::ClassInfo, "\r", {0x0A, kEndOfText}, {1, 0}},
      {&TUTF8Codec::ClassInfo, "\r\xC5\xA1", {0x0A, 0x161, kEndOfText}, {1, 2, 0}},
      {&TUTF16LECodec::ClassInfo, B({0x0D, 0, 0x0A, 0, 0x41, 0}), {0x0A, 'A', kEndOfText}, {4, 2, 0}},
      {&TUCS4BECodec::ClassInfo, B({0, 0, 0, 0x0D, 0, 0, 0, 0x41}), {0x0A, 'A', kEndOfText}, {4, 4, 0}},
  };
  for (const Row& row : rows) {
    const Decoded d = DecodeAll(row.Class, row.In, true);
    EXPECT_EQ(d.Chars, row.Chars) << row.In;
    EXPECT_EQ(d.Counts, row.Counts) << row.In;
  }
  // Mode 0 passes CR through.
  EXPECT_EQ(DecodeAll(&TUTF8Codec::ClassInfo, "\r\n").Chars, (std::vector<UCS4Char>{0x0D, 0x0A, kEndOfText}));
}

TEST(LineEndNormalisation, ReadAheadSlotIsDroppedWithTheSource) {
  ByteSource first{"\rX"};
  ByteSource second{"Y"};
  TUTF8Codec codec;
  codec.SetReadLineBreakMode(1);
  codec.SetReadCallback(&ByteSource::Read, &first);
  int n = 0;
  EXPECT_EQ(codec.ReadChar(n), 0x0Au);
  EXPECT_TRUE(codec.HasReadAhead());
  EXPECT_EQ(codec.ReadAheadByteCount(), 1);
  codec.SetReadCallback(&ByteSource::Read, &first);  // same callback keeps the slot
  EXPECT_TRUE(codec.HasReadAhead());
  codec.SetReadCallback(&ByteSource::Read, &second);
  EXPECT_FALSE(codec.HasReadAhead());
  EXPECT_EQ(codec.ReadChar(n), static_cast<UCS4Char>('Y'));
}

TEST(LineBreakWriting, Modes) {
  const std::pair<std::uint8_t, std::string> rows[] = {{0, "\n"}, {1, "\r"}, {2, "\r\n"}};
  for (const auto& [mode, expected] : rows) {
    TUTF16BECodec codec;
    std::string out;
    codec.SetWriteCallback([&out](const void* b, std::int64_t n) {
      out.append(static_cast<const char*>(b), static_cast<std::size_t>(n));
    });
    codec.SetWriteLineBreakMode(mode);
    EXPECT_EQ(codec.EncodeCharWithLineBreak(0x0A), static_cast<int>(expected.size() * 2));
    std::string wide;
    for (char c : expected) wide += B({0, c});
    EXPECT_EQ(out, wide);
  }
}

TEST(EncodingNames, FindCodecClassByName) {
  const std::pair<const char*, TUnicodeCodecClass> rows[] = {
      {"windows-1250", &TWindows1250Codec::ClassInfo},
      {"WINDOWS-1250", &TWindows1250Codec::ClassInfo},
      {"CP1250", &TWindows1250Codec::ClassInfo},
      {"winlatin2", &TWindows1250Codec::ClassInfo},
      {"us", &TUSASCIICodec::ClassInfo},
      {"IBM903", &TUSASCIICodec::ClassInfo},
      {"L2", &TISO8859_2Codec::ClassInfo},
      {"iso-celtic", &TISO8859_14Codec::ClassInfo},
      {"macintosh", &TMacLatin2Codec::ClassInfo},
      {"EBCDIC", &TEBCDIC_USCodec::ClassInfo},
      {"utf8", &TUTF8Codec::ClassInfo},
      {"Utf-16le", &TUTF16LECodec::ClassInfo},
      // Through the registry only.
      {"IBM852", &TIBM852Codec::ClassInfo},
      {"cp852", &TIBM852Codec::ClassInfo},
      {"csPC862LatinHebrew", &TIBM862Codec::ClassInfo},
      {"windows-1258", &TWindows1258Codec::ClassInfo},
      {"cswindows1254", &TWindows1254Codec::ClassInfo},
      {"KOI8-r", &TKOI8_RCodec::ClassInfo},
      {"csHalfWidthKatakana", &TJIS_X0201Codec::ClassInfo},
      {"JIS_C6220-1969-ro", nullptr},
      {"x0201", &TJIS_X0201Codec::ClassInfo},
      {"ebcdic-cp-us", &TIBM037Codec::ClassInfo},
      {"ISO-10646-UCS-2", nullptr},
      {"UTF-16", nullptr},
      {"Shift_JIS", nullptr},
      {"nonsense", nullptr},
      {"", nullptr},
      {"windows-12500", nullptr},
  };
  for (const auto& [name, cls] : rows) EXPECT_EQ(FindCodecClassByName(name), cls) << name;
}

TEST(EncodingNames, NameOfClassAndEncodeWideString) {
  EXPECT_EQ(EncodingNameOfCodecClass(&TWindows1250Codec::ClassInfo), "windows-1250");
  EXPECT_EQ(EncodingNameOfCodecClass(&TUSASCIICodec::ClassInfo), "ASCII");
  EXPECT_EQ(EncodingNameOfCodecClass(&TUTF16LECodec::ClassInfo), "UTF-16LE");
  EXPECT_EQ(EncodingNameOfCodecClass(&TIBM852Codec::ClassInfo), "");
  EXPECT_EQ(EncodingNameOfCodecClass(&TUCS2Codec::ClassInfo), "");
  EXPECT_EQ(EncodingNameOfCodecClass(nullptr), "");
  EXPECT_EQ(EncodeWideString(&TUSASCIICodec::ClassInfo, u"windows-1250"), "windows-1250");
  EXPECT_EQ(EncodeWideString(&TWindows1250Codec::ClassInfo, u"\u0161\u010D"), "\x9A\xE8");
  EXPECT_EQ(EncodeWideString(nullptr, u"abc"), "");
  EXPECT_THROW(EncodeWideString(&TUSASCIICodec::ClassInfo, u"\u00E9"), EConvertError);
}

TEST(CharsetRegistry, AliasesAndPreferredNames) {
  TCSMIB mib;
  EXPECT_EQ(mib.Enum(), 3);
  const char* const ascii[] = {"ANSI_X3.4-1968", "iso-ir-6", "ANSI_X3.4-1986", "ISO_646.irv:1991",
                               "ASCII", "ISO646-US", "US-ASCII", "us", "IBM367", "cp367", "csASCII"};
  ASSERT_EQ(mib.GetAliasCount(), 11);
  for (int i = 0; i < 11; ++i) EXPECT_EQ(mib.GetAlias(i), ascii[i]);
  EXPECT_EQ(mib.GetAlias(11), "");
  mib.SetEnum(4);
  const char* const latin1[] = {"ISO_8859-1:1987", "iso-ir-100", "ISO_8859-1", "ISO-8859-1", "latin1",
                                "l1", "IBM819", "CP819", "csISOLatin1"};
  ASSERT_EQ(mib.GetAliasCount(), 9);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(mib.GetAlias(i), latin1[i]);

  const std::pair<int, const char*> preferred[] = {
      {3, "US-ASCII"},     {4, "ISO-8859-1"},   {12, "ISO-8859-9"},  {13, "ISO-8859-10"},
      {17, "Shift_JIS"},   {18, "EUC-JP"},      {37, "ISO-2022-KR"}, {40, "ISO-2022-JP-2"},
      {82, "ISO-8859-6-I"}, {84, "ISO-8859-8-E"}, {85, "ISO-8859-8-I"}, {2025, "GB2312"},
      {2026, "Big5"},      {2084, "KOI8-R"},    {106, ""},           {2250, ""},
      {14, ""},            {2010, ""},
  };
  for (const auto& [number, name] : preferred) {
    mib.SetEnum(number);
    EXPECT_EQ(mib.GetPreferredMIMEName(), name) << number;
  }
}

TEST(CharsetRegistry, ValidNumbersAndEvents) {
  const std::pair<int, bool> validity[] = {
      {2, false},    {3, true},     {106, true},   {107, false},  {108, false}, {109, true},
      {112, true},   {113, false},  {999, false},  {1000, true},  {1015, true}, {1016, false},
      {1999, false}, {2000, true},  {2101, true},  {2102, false}, {2249, false}, {2250, true},
      {2259, true},  {2260, false}, {-1, false},
  };
  for (const auto& [number, valid] : validity) EXPECT_EQ(TCSMIB::IsValidEnum(number), valid) << number;

  TCSMIB mib;
  std::vector<std::string> events;
  mib.OnChanging = [&](TCSMIB*, int newEnum, bool& allow) {
    events.push_back("changing " + std::to_string(newEnum));
    allow = newEnum != 5;
  };
  mib.OnChange = [&](TCSMIB* sender) { events.push_back("change " + std::to_string(sender->Enum())); };
  mib.SetEnum(4);
  mib.SetEnum(5);  // vetoed
  EXPECT_EQ(mib.Enum(), 4);
  try {
    mib.SetEnum(107);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Invalid MIB number");
  }
  mib.IgnoreInvalidEnum = true;
  mib.SetEnum(2260);
  EXPECT_EQ(mib.Enum(), 4);
  EXPECT_EQ(events, (std::vector<std::string>{"changing 4", "change 4", "changing 5"}));
}

TEST(CharsetRegistry, LookUpByAlias) {
  TCSMIB mib;
  mib.SetEnum(2250);
  int changes = 0;
  mib.OnChange = [&](TCSMIB*) { ++changes; };
  EXPECT_TRUE(mib.SetToAlias("csibm037"));
  EXPECT_EQ(mib.Enum(), 2028);
  EXPECT_GT(changes, 100);  // the walk visits every number below the match
  EXPECT_TRUE(mib.SetToAlias("UTF-16"));
  EXPECT_EQ(mib.Enum(), 1015);
  EXPECT_TRUE(mib.SetToAlias("latin1"));
  EXPECT_EQ(mib.Enum(), 4);
  mib.SetEnum(2084);
  EXPECT_FALSE(mib.SetToAlias("no-such-charset"));
  EXPECT_EQ(mib.Enum(), 2084);
}

}  // namespace

#include "platform/Ansi1250.h"

namespace {

// The order application converts windows-1250 with its own small table; both must agree
// byte for byte, or a saved order would read back differently.
TEST(SingleByteCodecs, Windows1250AgreesWithTheOrderApplicationTable) {
  TWindows1250Codec codec;
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<std::uint8_t>(b);
    EXPECT_EQ(codec.ByteToUtf16(byte), Ansi1250ToUtf16Table[byte]) << "byte " << b;
    EXPECT_EQ(static_cast<std::uint8_t>(WideCharToAnsi(codec.ByteToUtf16(byte))), byte);
  }
}

}  // namespace
