// The bulk advance over plain bytes must leave the reader exactly where single steps would:
// the same characters passed, the same previous, current and next records, and the same
// stream position, whatever the encoding, the stops, the line ends and the buffer size.
#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "xml/ParserUtilsWin32.h"
#include "xml/XmlInputSource.h"
#include "xml/XmlTokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every byte of a literal, NULs included.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

struct TStops {
  bool Flags[256]{};
  explicit TStops(const std::string& chars) {
    for (unsigned char c : chars) Flags[c] = true;
  }
};

// Advances both readers through the whole input: `bulk` in runs wherever it can, `single`
// one Next() per character passed, and checks after every run that the two agree.
void Compare(const std::string& bytes, TUnicodeCodecClass codec, std::int64_t bufferSize, const std::string& stops,
             std::int64_t room, int& runs, bool expectFailure = false) {
  const TStops set(stops);
  TMemoryStream bulkStream(bytes), singleStream(bytes);
  TUtilsUCS4Reader bulk(&bulkStream, codec, bufferSize);
  TUtilsUCS4Reader single(&singleStream, codec, bufferSize);
  std::vector<char16_t> out(static_cast<std::size_t>(room));
  for (int guard = 0; guard < 10000 && !bulk.IsEndOfText(); ++guard) {
    const std::int64_t count = bulk.AdvancePlainRun(set.Flags, out.data(), room);
    if (count == 0) {
      // Undecodable bytes fail in both the same way and end the comparison there.
      bool bulkFailed = false, singleFailed = false;
      try {
        bulk.Next();
      } catch (const EConvertError&) {
        bulkFailed = true;
      }
      try {
        single.Next();
      } catch (const EConvertError&) {
        singleFailed = true;
      }
      ASSERT_EQ(bulkFailed, singleFailed);
      if (bulkFailed) {
        ASSERT_EQ(bulk.CurrentPosition(), single.CurrentPosition());
        return;
      }
    } else {
      ++runs;
      ASSERT_LE(count, room);
      for (std::int64_t i = 0; i < count; ++i) {
        single.Next();
        ASSERT_EQ(static_cast<std::int64_t>(out[static_cast<std::size_t>(i)]), single.CurrentPosition().Character)
            << "character " << i << " of a run";
        // No run passes a stop.
        ASSERT_FALSE(out[static_cast<std::size_t>(i)] < 256 && i > 0 && set.Flags[out[static_cast<std::size_t>(i)]]);
      }
    }
    ASSERT_EQ(bulk.PreviousPosition(), single.PreviousPosition());
    ASSERT_EQ(bulk.CurrentPosition(), single.CurrentPosition());
    ASSERT_EQ(bulk.NextPosition(), single.NextPosition());
    ASSERT_EQ(bulk.StreamPosition(), single.StreamPosition());
  }
  EXPECT_TRUE(single.IsEndOfText());
  EXPECT_FALSE(expectFailure) << "the input was expected to fail decoding";
}

}  // namespace

TEST(PlainRun, EndsWhereSingleStepsEnd) {
  const TUnicodeCodecClass u8 = &TUTF8Codec::ClassInfo;
  const TUnicodeCodecClass w1250 = &TWindows1250Codec::ClassInfo;
  const TUnicodeCodecClass u16 = &TUTF16LECodec::ClassInfo;
  struct Case {
    const char* Name;
    TUnicodeCodecClass Codec;
    std::string Bytes;
    std::string Stops;
    bool Bulk;  // whether any run is possible at all
  };
  const std::vector<Case> cases = {
      {"ascii text", u8, "plain text with spaces and <tags> & refs", "&<", true},
      {"line ends and tabs", u8, "one\ntwo\tthree\r\nfour\rfive\n\n", "&<", true},
      {"letters of two bytes", u8, "u\xC5\xA1n\xC3\xA1 jah\xC5\x88" "a obj", "&<", true},
      {"three and four bytes", u8, "a\xE2\x82\xAC" "bc\xF0\x9F\x98\x80" "def", "&<", true},
      {"two-byte letters in a row", u8, "\xC5\xA1\xC4\x8D\xC5\xBE\xC3\xBD\xC3\xA1\xC3\xAD<\xC3\xA9", "&<", true},
      {"C1 controls and the end mark", u8, "ab\xC2\x85" "cd\xC2\x9C" "ef\xC2\xA0gh", "&<", true},
      {"latin-2 letters", &TISO8859_2Codec::ClassInfo, "\xB9\xE8\xBE ab\x9C\xA0 c\r\nd", "<", true},
      {"stops at once", u8, "<<&&<abc<", "&<", true},
      {"last character alone", u8, "<a", "&<", false},
      {"tag stops", u8, "name attr='v a l' b=\"x\"/>", "/>'\"", true},
      {"code page letters", w1250, "\x8Elt\xFD k\xF4\x9A" "abc\x80\x9C xyz", "&<", true},
      {"code page line ends", w1250, "ab\r\ncd\ref\n", "<", true},
      {"line ends of every kind in a row", u8, "a\r\r\n\n\r\tb\r\n\r", "&<", true},
      {"line ends as stops", u8, "ab\r\ncd\ref\tgh", "\n\t", true},
      {"UTF-16 line ends and tabs", u16, Bytes("a\0\r\0\n\0\t\0b\0\r\0c\0\r\0\r\0\n\0d\0\r\0"), "&<", true},
      {"UTF-16LE units", u16, Bytes("a\0b\0\x61\x01<\0c\0\n\0d\0\x0D\0\x0A\0e\0f\0"), "&<", true},
      {"UTF-16BE units", &TUTF16BECodec::ClassInfo, Bytes("\0a\0b\x01\x61\0<\0c\x20\xAC\0d\0\x9C\0e\0f"),
       "&<", true},
      {"UTF-16 surrogates", u16, Bytes("a\0b\0\x3D\xD8\x00\xDE" "c\0d\0e\0"), "&<", true},
      {"half a unit at the end", u16, Bytes("a\0b\0c\0d"), "&<", true},
      {"four-byte units never run", &TUCS4LECodec::ClassInfo, Bytes("a\0\0\0b\0\0\0c\0\0\0"), "&<",
       false},
      {"empty", u8, "", "&<", false},
  };
  for (const auto& c : cases) {
    for (std::int64_t bufferSize : {1, 2, 3, 5, 4096}) {
      for (std::int64_t room : {1, 2, 3, 256}) {
        SCOPED_TRACE(std::string(c.Name) + " buffer " + std::to_string(bufferSize) + " room " + std::to_string(room));
        int runs = 0;
        Compare(c.Bytes, c.Codec, bufferSize, c.Stops, room, runs);
        if (HasFatalFailure()) return;
        if (!c.Bulk) EXPECT_EQ(runs, 0);
        if (c.Bulk && bufferSize == 4096) EXPECT_GT(runs, 0);
      }
    }
  }
}

// A bad sequence is never passed in bulk: the single step reports it at the same place.
TEST(PlainRun, BadSequencesAreLeftToTheCodec) {
  struct Case {
    TUnicodeCodecClass Codec;
    std::string Bytes;
  };
  const std::vector<Case> cases = {
      {&TUTF8Codec::ClassInfo, "ab\xC2\x41" "cd"},
      {&TUTF8Codec::ClassInfo, "abc\xC3"},
      {&TUTF8Codec::ClassInfo, "ab\xC0\x80" "cd"},
      {&TUTF8Codec::ClassInfo, "ab\x80" "cd"},
      {&TUTF8Codec::ClassInfo, "ab\xDF"},
      {&TUTF16LECodec::ClassInfo, Bytes("a\0b\0\x00\xDC" "c\0")},  // a lone low surrogate
  };
  for (const auto& c : cases) {
    for (std::int64_t bufferSize : {1, 2, 4096}) {
      SCOPED_TRACE(std::to_string(c.Bytes.size()) + " bytes, buffer " + std::to_string(bufferSize));
      int runs = 0;
      Compare(c.Bytes, c.Codec, bufferSize, "<", 256, runs, true);
      if (HasFatalFailure()) return;
    }
  }
}

namespace {

struct TTokenLine {
  int Kind, Error;
  std::u16string Value;
  std::int64_t StartChar, EndChar, StartLine, StartColumn, EndLine, EndColumn, StartTabs;
  bool operator==(const TTokenLine&) const = default;
};

std::vector<TTokenLine> TokenLines(const std::string& bytes, TUnicodeCodecClass codec, std::int64_t bufferSize) {
  TMemoryStream stream(bytes);
  TXmlSimpleInputSource source(&stream, u"", u"file:///p.xml", codec, bufferSize, 0, 0, 0, 0, 1);
  TXmlDocTokenizer tokenizer(&source);
  std::vector<TTokenLine> out;
  for (int guard = 0; guard < 1000 && tokenizer.TokenType() != tkEndOfSource; ++guard) {
    tokenizer.NextToken();
    out.push_back({tokenizer.TokenType(), static_cast<int>(tokenizer.ErrorType()), tokenizer.GetTokenValue(),
                   tokenizer.StartChar(), tokenizer.EndChar(), tokenizer.StartLine(), tokenizer.StartColumn(),
                   tokenizer.EndLine(), tokenizer.EndColumn(), tokenizer.StartTabs()});
  }
  return out;
}

// The same text as UTF-8 bytes (runs of one and two bytes), UTF-16LE (two-byte units) and
// UCS-4 (never in bulk, one step per character).
std::string Encode(const std::u16string& text, TUnicodeCodecClass codec) {
  std::string out;
  for (char16_t c : text) {
    if (codec == &TUTF16LECodec::ClassInfo) {
      out += static_cast<char>(c & 0xFF);
      out += static_cast<char>(c >> 8);
    } else if (codec == &TUCS4LECodec::ClassInfo) {
      out += static_cast<char>(c & 0xFF);
      out += static_cast<char>(c >> 8);
      out += '\0';
      out += '\0';
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace

// Tokens (kind, value, error, every position) do not depend on whether the characters were
// passed in bulk or one by one.
TEST(PlainRun, TokensAreTheSameWithAndWithoutBulkRuns) {
  const std::vector<std::u16string> texts = {
      u"<r a='v\u00E1l' b=\"x'y\">ko\u017Eu\u0161ina &amp; \u20AC text</r>",
      u"<r>\n\t<a>line one\r\nline two</a>\n  <b/></r>",
      u"<r><!-- comment - with -- dashes --><!-- unclosed",
      u"<r><!---><!-- a-b --></r>",
      u"<r><![CDATA[x ] y ]] z ]]]></r><![CDATA[never closed ]",
      u"<r></r  ><end name='a>b'/></r\t>text at the end",
      u"<a b='unclosed value>rest of the text",
      u"<r>\u0085 and \u2028 and \u00A0</r>",
  };
  const TUnicodeCodecClass reference = &TUCS4LECodec::ClassInfo;
  for (const auto& text : texts) {
    SCOPED_TRACE(std::string(text.begin(), text.end()));
    const auto expected = TokenLines(Encode(text, reference), reference, 4096);
    ASSERT_FALSE(expected.empty());
    for (TUnicodeCodecClass codec : {&TUTF8Codec::ClassInfo, &TUTF16LECodec::ClassInfo}) {
      for (std::int64_t bufferSize : {1, 3, 4096}) {
        SCOPED_TRACE(bufferSize);
        EXPECT_EQ(TokenLines(Encode(text, codec), codec, bufferSize), expected);
      }
    }
  }
}
