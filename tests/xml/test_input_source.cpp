// Input sources: reading the XML declaration, switching to the declared encoding with its
// byte-order-mark checks, and the positions of the text behind the declaration.
#include "dom/DomExceptions.h"
#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "xml/XmlInputSource.h"
#include "xml/XmlRulesUtils.h"
#include "xml/XmlTokenizer.h"
#include "xml/cUnicodeCodecsWin32.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

const std::string BOM_UTF8 = "\xEF\xBB\xBF";
const std::string BOM_LE = "\xFF\xFE";
const std::string BOM_BE = "\xFE\xFF";

std::string Utf16(const std::string& ascii, bool bigEndian) {
  std::string out;
  for (char c : ascii) {
    if (bigEndian) out += '\0';
    out += c;
    if (!bigEndian) out += '\0';
  }
  return out;
}

// What the source delivers after construction, up to the end of the text.
std::u16string Rest(TXmlInputSource& source) {
  std::u16string out;
  for (int guard = 0; guard < 10000; ++guard) {
    source.Next();
    if (source.IsEndOfText()) break;
    XmlUtf16::Append(out, static_cast<char32_t>(source.CurrentCharacter()));
  }
  return out;
}

struct DeclCase {
  const char* Name;
  std::string Bytes;
  int Kind;
  bool Malformed;
  std::u16string Version;
  std::u16string Encoding;
  int Standalone;
  std::optional<std::u16string> Text;  // what follows the declaration; unchecked when absent
  TUnicodeCodecClass Codec = nullptr;  // codec in use afterwards; unchecked when absent
};

} // namespace

TEST(XmlInputSource, ReadsTheDeclaration) {
  const std::vector<DeclCase> cases = {
      {"order file", "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n<a>\x9A</a>", 2, false,
       u"1.0", u"windows-1250", 2, u"\n<a>\u0161</a>", &TWindows1250Codec::ClassInfo},
      {"version and standalone yes", "<?xml version='1.0' standalone='yes'?><a/>", 0, false,
       u"1.0", u"", 0, u"<a/>", &TUTF8Codec::ClassInfo},
      {"standalone no", "<?xml version='1.0' standalone=\"no\"?>", 0, false, u"1.0", u"", 1, u""},
      {"version only", "<?xml version='1.0'?>x", 0, false, u"1.0", u"", 2, u"x"},
      {"other version", "<?xml version='1.1-a:b_c'?>x", 0, false, u"1.1-a:b_c", u"", 2, u"x"},
      {"encoding only", "<?xml encoding='UTF-8'?>x", 1, false, u"1.0", u"UTF-8", 2, u"x"},
      {"all three", "<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>x", 0, false, u"1.0",
       u"UTF-8", 0, u"x"},
      {"white space around =", "<?xml  version = '1.0'\tencoding\n=\r'utf-8'  ?>x", 2, false,
       u"1.0", u"utf-8", 2, u"x"},
      {"no declaration", "<a/>", 3, false, u"1.0", u"", 2, u"<a/>", &TUTF8Codec::ClassInfo},
      {"empty text", "", 3, false, u"1.0", u"", 2, u""},
      {"no space between version and encoding", "<?xml version='1.0'encoding='UTF-8'?>x", 2,
       true, u"1.0", u"", 2, u"<?xml version='1.0'encoding='UTF-8'?>x"},
      {"nothing declared", "<?xml?>x", 1, true, u"1.0", u"", 2, u"<?xml?>x"},
      // A target that only begins with "xml" is an instruction, not the declaration.
      {"style-sheet instruction first", "<?xml-stylesheet href='a'?><a/>", 3, false, u"1.0", u"",
       2, u"<?xml-stylesheet href='a'?><a/>"},
      {"instruction xmlo without data", "<?xmlo?><a/>", 3, false, u"1.0", u"", 2, u"<?xmlo?><a/>"},
      {"name cut short by the end", "<?xml-a", 2, true, u"1.0", u"", 2, std::nullopt},
      {"no space before version", "<?xmlversion='1.0'?>", 2, true, u"1.0", u"", 2, std::nullopt},
      {"standalone in a text declaration", "<?xml encoding='UTF-8' standalone='yes'?>", 1, true,
       u"1.0", u"UTF-8", 0, std::nullopt},
      {"quotes differ", "<?xml version=\"1.0'?>", 2, true, u"1.0", u"", 2, std::nullopt},
      {"empty version", "<?xml version=''?>", 2, true, u"1.0", u"", 2, std::nullopt},
      {"encoding starting with a digit", "<?xml version='1.0' encoding='8bit'?>", 2, true, u"1.0",
       u"", 2, std::nullopt},
      {"standalone maybe", "<?xml version='1.0' standalone='maybe'?>", 0, true, u"1.0", u"", 2,
       std::nullopt},
      {"missing =", "<?xml version '1.0'?>", 2, true, u"1.0", u"", 2, std::nullopt},
      {"unclosed", "<?xml version='1.0'?", 0, true, u"1.0", u"", 2, std::nullopt},
      {"> without ?", "<?xml version='1.0'>", 0, true, u"1.0", u"", 2, std::nullopt},
      // U+10030 and U+10041: their low 16 bits would name "0" and "A".
      {"a character beyond the BMP in the version", "<?xml version='1.0\xF0\x90\x80\xB0'?>",
       2, true, u"1.0", u"", 2, std::nullopt},
      {"a character beyond the BMP in the encoding",
       "<?xml version='1.0' encoding='UTF\xF0\x90\x81\x81'?>", 2, true, u"1.0", u"", 2,
       std::nullopt},
      {"a character beyond the BMP first in the encoding",
       "<?xml version='1.0' encoding='\xF0\x90\x81\x81'?>", 2, true, u"1.0", u"", 2,
       std::nullopt},
      {"undecodable byte in the version", "<?xml version='1\x80'?>", 2, true, u"1.0", u"", 2,
       std::nullopt},
      {"undecodable second character is no declaration", "a\x80z", 3, false, u"1.0", u"", 2,
       std::nullopt},
      {"undecodable inside the opening is no declaration", "<?xm\x80", 3, false, u"1.0", u"", 2,
       std::nullopt},
      {"undecodable behind the opening", "<?xml\x80", 2, true, u"1.0", u"", 2, std::nullopt},
      {"UTF-8 mark and UTF-8", BOM_UTF8 + "<?xml version='1.0' encoding='UTF-8'?><a/>", 2, false,
       u"1.0", u"UTF-8", 2, u"<a/>", &TUTF8Codec::ClassInfo},
      {"UTF-16 with little-endian mark",
       BOM_LE + Utf16("<?xml version='1.0' encoding='UTF-16'?><a/>", false), 2, false, u"1.0",
       u"UTF-16", 2, u"<a/>", &TUTF16LECodec::ClassInfo},
      {"UTF-16 with big-endian mark",
       BOM_BE + Utf16("<?xml version='1.0' encoding='utf-16'?><a/>", true), 2, false, u"1.0",
       u"utf-16", 2, u"<a/>", &TUTF16BECodec::ClassInfo},
      {"UTF-16 without mark", "<?xml version='1.0' encoding='UTF-16'?>" + Utf16("<a/>", true), 2,
       false, u"1.0", u"UTF-16", 2, u"<a/>", &TUTF16BECodec::ClassInfo},
      {"UTF-16BE with big-endian mark",
       BOM_BE + Utf16("<?xml encoding='UTF-16BE'?><a/>", true), 1, false, u"1.0", u"UTF-16BE", 2,
       u"<a/>", &TUTF16BECodec::ClassInfo},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TMemoryStream stream(c.Bytes);
    std::unique_ptr<TXmlInputSource> source;
    ASSERT_NO_THROW(source = std::make_unique<TXmlInputSource>(&stream, u"", u"file:///d.xml",
                                                               4096, nullptr, true, 0, 0, 0, 0, 1));
    EXPECT_EQ(source->DeclarationType(), c.Kind);
    EXPECT_EQ(source->HasMalformedDecl(), c.Malformed);
    EXPECT_EQ(source->XmlVersion(), c.Version);
    EXPECT_EQ(source->XmlEncoding(), c.Encoding);
    EXPECT_EQ(source->XmlStandalone(), c.Standalone);
    if (c.Codec) EXPECT_EQ(source->CodecClass(), c.Codec);
    if (c.Text) EXPECT_EQ(Rest(*source), *c.Text);
  }
}

TEST(XmlInputSource, RejectsEncodingsItCannotHonour) {
  struct Case {
    const char* Name;
    std::string Bytes;
    const char* ClassName;
    const char* Message;
  };
  const char* mismatch = "Declared encoding does not match byte order mark.";
  const std::vector<Case> cases = {
      {"UTF-8 mark, windows-1250 declared",
       BOM_UTF8 + "<?xml version='1.0' encoding='windows-1250'?>", "EConvertError", mismatch},
      {"little-endian mark, UTF-8 declared",
       BOM_LE + Utf16("<?xml version='1.0' encoding='UTF-8'?>", false), "EConvertError", mismatch},
      {"little-endian mark, UTF-16BE declared",
       BOM_LE + Utf16("<?xml version='1.0' encoding='UTF-16BE'?>", false), "EConvertError",
       mismatch},
      {"big-endian mark, UTF-16LE declared",
       BOM_BE + Utf16("<?xml version='1.0' encoding='UTF-16LE'?>", true), "EConvertError",
       mismatch},
      {"UTF-8 mark, UTF-16 declared", BOM_UTF8 + "<?xml version='1.0' encoding='UTF-16'?>",
       "EConvertError", mismatch},
      {"unknown name", "<?xml version='1.0' encoding='x-no-such-code'?>", "ENot_Supported_Err",
       "Encoding not supported error."},
      {"unknown name in a text declaration", "<?xml encoding='klingon'?>", "ENot_Supported_Err",
       "Encoding not supported error."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TMemoryStream stream(c.Bytes);
    try {
      TXmlInputSource source(&stream, u"", u"", 4096, nullptr, true, 0, 0, 0, 0, 1);
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.ClassName(), c.ClassName);
      EXPECT_STREQ(e.what(), c.Message);
    }
  }
}

TEST(XmlInputSource, CallersCodecClassWins) {
  TMemoryStream stream("<?xml version='1.0' encoding='UTF-8'?>\x9A");
  TXmlInputSource source(&stream, u"pub", u"sys", 4096, &TWindows1250Codec::ClassInfo, true, 0, 0,
                         0, 0, 1);
  EXPECT_EQ(source.CodecClass(), &TWindows1250Codec::ClassInfo);
  EXPECT_EQ(source.InputEncoding(), u"windows-1250");
  EXPECT_EQ(source.PublicId(), u"pub");
  EXPECT_EQ(source.SystemId(), u"sys");
  EXPECT_EQ(Rest(source), u"\u0161");
}

TEST(XmlInputSource, PositionsBehindTheDeclaration) {
  // The declaration "<?xml version='1.0'?>" is 21 characters long.
  struct Case {
    const char* Name;
    std::string Bytes;
    bool KeepStart;
    std::int64_t Byte, Char, Column, Line;  // of the first character behind the declaration
  };
  const std::vector<Case> cases = {
      {"same line, keep start", "<?xml version='1.0'?><a/>", true, 1, 1, 1, 1},
      {"same line, go on counting", "<?xml version='1.0'?><a/>", false, 22, 22, 22, 1},
      {"line end, keep start", "<?xml version='1.0'?>\r\n<a/>", true, 2, 1, 0, 2},
      {"line end, go on counting", "<?xml version='1.0'?>\r\n<a/>", false, 23, 22, 0, 2},
      {"no declaration, keep start", "<a/>", true, 1, 1, 1, 1},
      {"no declaration, go on counting", "<a/>", false, 1, 1, 1, 1},
      {"malformed declaration counts from the start", "<?xml?><a/>", false, 1, 1, 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TMemoryStream stream(c.Bytes);
    TXmlInputSource source(&stream, u"", u"", 4096, nullptr, c.KeepStart, 0, 0, 0, 0, 1);
    source.Next();
    const TPositionRecord& p = source.CurrentPosition();
    EXPECT_EQ((std::vector<std::int64_t>{p.ByteCount, p.CharCount, p.Column, p.Line}),
              (std::vector<std::int64_t>{c.Byte, c.Char, c.Column, c.Line}));
  }
}

TEST(XmlInputSource, LoneCrBehindTheDeclarationIsReadOnce) {
  // The character after a lone CR is decoded together with it; restarting behind the
  // declaration must neither drop the line end nor deliver that character twice.
  struct Case {
    const char* Name;
    std::string Bytes;
    bool KeepStart;
  };
  const std::vector<Case> cases = {
      {"no encoding switch", "<?xml version='1.0'?>\r<a/>", true},
      {"no encoding switch, go on counting", "<?xml version='1.0'?>\r<a/>", false},
      {"switch to windows-1250", "<?xml version='1.0' encoding='windows-1250'?>\r<a/>", true},
      {"switch to windows-1250, go on counting",
       "<?xml version='1.0' encoding='windows-1250'?>\r<a/>", false},
      {"CR LF", "<?xml version='1.0'?>\r\n<a/>", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TMemoryStream stream(c.Bytes);
    TXmlInputSource source(&stream, u"", u"", 4096, nullptr, c.KeepStart, 0, 0, 0, 0, 1);
    TXmlDocTokenizer tokenizer(&source);
    std::vector<std::pair<TXmlDocTokenType, std::u16string>> seen;
    for (int guard = 0; guard < 10; ++guard) {
      tokenizer.NextToken();
      seen.emplace_back(tokenizer.TokenType(), tokenizer.GetTokenValue());
      if (tokenizer.TokenType() == tkEndOfSource) break;
    }
    const std::vector<std::pair<TXmlDocTokenType, std::u16string>> expected = {
        {tkText, u"\n"}, {tkEmptyElementTag, u"a"}, {tkEndOfSource, u""}};
    EXPECT_EQ(seen, expected);
  }
}
