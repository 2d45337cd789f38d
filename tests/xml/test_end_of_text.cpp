// Every code point is a character, never the end of the text: U+009C and the other C1
// controls in text, attribute values, comments, instructions, CDATA sections, the document
// type declaration and behind the root element, at several encodings and reader buffer sizes,
// through the tokenizer and through both paths of the parser front end.
#include "ParseDifferential.h"
#include "XmlTestSupport.h"
#include "platform/Streams.h"
#include "xml/XmlInputSource.h"
#include "xml/XmlTokenizer.h"
#include "xml/cUnicodeCodecsWin32.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

// '#' in a template stands for the character under test.
std::u16string Fill(std::u16string_view text, char16_t c) {
  std::u16string out(text);
  for (char16_t& unit : out)
    if (unit == u'#') unit = c;
  return out;
}

struct TEncoding {
  const char* Name;  // as declared
  TUnicodeCodecClass Codec;
  const char* Mark;  // byte-order mark
};

const TEncoding kEncodings[] = {
    {"UTF-8", &TUTF8Codec::ClassInfo, ""},
    {"ISO-8859-1", &TISO8859_1Codec::ClassInfo, ""},
    {"ISO-8859-2", &TISO8859_2Codec::ClassInfo, ""},
    {"windows-1250", &TWindows1250Codec::ClassInfo, ""},
    {"UTF-16", &TUTF16LECodec::ClassInfo, "\xFF\xFE"},
    {"UTF-16", &TUTF16BECodec::ClassInfo, "\xFE\xFF"},
};

// The document's bytes with its declaration, or nothing when the encoding lacks a character.
std::optional<std::string> Encode(const TEncoding& encoding, std::u16string_view body) {
  const std::u16string text = u"<?xml version=\"1.0\" encoding=\"" +
                              std::u16string(Utf8ToWide(encoding.Name)) + u"\"?>" + std::u16string(body);
  try {
    return std::string(encoding.Mark) + EncodeWideString(encoding.Codec, text);
  } catch (const EConvertError&) {
    return std::nullopt;
  }
}

struct TSeen {
  int Kind;
  std::u16string Value;
  int Error;
  std::u16string Clue;
  std::int64_t StartChar, EndChar, StartLine, StartColumn, EndLine, EndColumn;
  bool operator==(const TSeen&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TSeen& t) {
  return os << XmlDocTokenTypeName(static_cast<TXmlDocTokenType>(t.Kind)) << " \"" << Show(t.Value) << "\" e"
            << t.Error << " \"" << Show(t.Clue) << "\" " << t.StartChar << ".." << t.EndChar << " " << t.StartLine
            << ":" << t.StartColumn << ".." << t.EndLine << ":" << t.EndColumn;
}

std::vector<TSeen> Tokens(const std::string& bytes, std::int64_t bufferSize) {
  TMemoryStream stream(bytes);
  TXmlInputSource source(&stream, u"", u"file:///t.xml", bufferSize, nullptr, true, 0, 0, 0, 0, 1);
  TXmlDocTokenizer tokenizer(&source);
  std::vector<TSeen> out;
  for (int guard = 0; guard < 200 && tokenizer.TokenType() != tkEndOfSource; ++guard) {
    tokenizer.NextToken();
    out.push_back({tokenizer.TokenType(), tokenizer.GetTokenValue(), static_cast<int>(tokenizer.ErrorType()),
                   tokenizer.Clue(), tokenizer.StartChar(), tokenizer.EndChar(), tokenizer.StartLine(),
                   tokenizer.StartColumn(), tokenizer.EndLine(), tokenizer.EndColumn()});
  }
  return out;
}

struct TPlace {
  const char* Name;
  std::u16string Template;
};

const TPlace kPlaces[] = {
    {"text", u"<r>a#b</r>"},
    {"text alone", u"<r>#</r>"},
    {"text after a lone CR", u"<r>a\r#</r>"},
    {"attribute values", u"<r a=\"#\" b='x#'/>"},
    {"comments", u"<!--#--><r><!--a-#--></r>"},
    {"processing instructions", u"<?pi #?><r><?pi a?#?></r>"},
    {"CDATA sections", u"<r><![CDATA[#]]]><![CDATA[]#]]></r>"},
    {"document type declaration", u"<!DOCTYPE r [<!-- # --><!ENTITY e '#'>]><r/>"},
    {"between the root and trailing garbage", u"<r>a</r>#<garbage &bad; <<<"},
    {"last character", u"<r/>#"},
};

}  // namespace

// The tokens of a text holding the character are those of the same text holding a plain
// letter in its place: same kinds, errors and positions, and the character in the values.
TEST(EndOfText, EveryCodePointIsReadAsACharacter) {
  // U+009C above all; the other C1 controls, U+0081 among them, which windows-1250 gives for
  // its byte 0x81; and U+015B, which windows-1250 gives for its byte 0x9C.
  const char16_t characters[] = {0x9C, 0x80, 0x81, 0x85, 0x98, 0x9F, 0x15B};
  for (const char16_t c : characters) {
    for (const TPlace& place : kPlaces) {
      const std::u16string special = Fill(place.Template, c);
      const std::u16string plain = Fill(place.Template, u'x');
      bool encoded = false;
      for (const TEncoding& encoding : kEncodings) {
        const std::optional<std::string> bytes = Encode(encoding, special);
        if (!bytes) continue;
        encoded = true;
        const std::string plainBytes = *Encode(encoding, plain);
        for (const std::int64_t bufferSize : {1, 7, 4096}) {
          SCOPED_TRACE(std::string(place.Name) + ", U+" + Show(std::u16string(1, c)) + ", " +
                       encoding.Codec->ClassName + ", buffer " + std::to_string(bufferSize));
          const std::vector<TSeen> expected = Tokens(plainBytes, bufferSize);
          const std::vector<TSeen> seen = Tokens(*bytes, bufferSize);
          ASSERT_EQ(seen.size(), expected.size());
          for (std::size_t k = 0; k < seen.size(); ++k) {
            TSeen mapped = seen[k];
            for (char16_t& unit : mapped.Value)
              if (unit == c) unit = u'x';
            EXPECT_EQ(mapped, expected[k]) << "token " << k;
          }
        }
      }
      EXPECT_TRUE(encoded) << place.Name;
    }
  }
}

// Whole documents: both paths build the same tree with the character in it, and the front
// end builds it on its direct path; with garbage behind the root both refuse the document.
TEST(EndOfText, BothParserPathsKeepTheCharacter) {
  const struct {
    const char* Name;
    std::u16string Template;
    bool WellFormed;
  } rows[] = {
      {"text", u"<r>a#b<i>#</i></r>", true},
      {"attribute value", u"<r a=\"#\" b='x#'/>", true},
      {"comment", u"<r><!--#--></r>", true},
      {"processing instruction", u"<r><?pi #?></r>", true},
      {"CDATA section", u"<r><![CDATA[#]]></r>", true},
      {"trailing garbage", u"<r>a</r>#<garbage &bad; <<<", false},
      {"character behind the root", u"<r/>#", false},
  };
  for (const auto& row : rows) {
    for (const TEncoding& encoding : kEncodings) {
      const std::optional<std::string> bytes = Encode(encoding, Fill(row.Template, 0x9C));
      if (!bytes) continue;
      SCOPED_TRACE(std::string(row.Name) + ", " + encoding.Codec->ClassName);
      const TParseDescription front = DescribeParse(*bytes, false);
      const TParseDescription ordinary = DescribeParse(*bytes, true);
      EXPECT_EQ(front.Text, ordinary.Text);
      if (row.WellFormed) {
        EXPECT_EQ(ordinary.Text.find("refused"), std::string::npos) << ordinary.Text;
        EXPECT_NE(ordinary.Text.find("\xC2\x9C"), std::string::npos) << ordinary.Text;
        EXPECT_TRUE(front.Direct);
      } else {
        EXPECT_NE(ordinary.Text.find("refused"), std::string::npos) << ordinary.Text;
      }
    }
  }
}
