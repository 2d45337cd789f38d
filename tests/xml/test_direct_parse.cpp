// The parser front end's direct path against the ordinary path: for every document of the
// table, with every combination of the keep options, in three encodings and read whole or a
// few bytes at a time, both give the
// same result, the same reports and the same tree; and the direct path takes exactly the
// documents it is meant to take, so a path that gave up on everything would fail here too.
#include "xml/ParseDifferential.h"

#include "platform/Ansi1250.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TCase {
  const char* Bytes;  // UTF-8
  bool Direct;        // whether the direct path takes it
};

const std::vector<TCase> kCases = {
    // Plain shapes, declarations and a byte-order mark.
    {"<a/>", true},
    {"<a></a>", true},
    {"<a></a >", true},
    {"<a>text</a>", true},
    {"<?xml version=\"1.0\"?><a/>", true},
    {"<?xml version='1.0' encoding='UTF-8' standalone='yes'?>\n<a/>\n", true},
    {"\xEF\xBB\xBF<a>x</a>", true},
    {"<a><a><a>deep</a></a></a>", true},
    // Attributes: quotes, white space around "=", references kept as written.
    {"<a b='1' c=\"2\"/>", true},
    {"<a  b = '1'\n c='x&amp;y&#65;&#x42;' d=\"'\" e='\"'>t</a>", true},
    {"<a c='x&amp;y&foo;'>t</a>", false},
    {"<a xmlns='u' xmlns:p='v' p:q='w'/>", true},
    {"<a v='line\r\nend\rcr\ttab'/>", true},
    {"<a a1='' a2='' a3='' a4='' a5='' a6='' a7='' a8='' a9='' a10='' a11='' a12='' a13='' a14='' "
     "a15='' a16='' a17='' a18='' a19='' a20=''/>",
     true},
    // One name on several tags is no duplicate; within one tag it is, however late it comes.
    {"<r a='1' b='2'><s a='3' b='4'/><s b='5' a='6'><t a='7'/></s></r>", true},
    {"<r a1='' a2='' a3='' a4='' a5='' a6='' a7='' a8='' a9='' a10='' a11='' a12='' a13='' a14='' "
     "a15='' a16='' a17='' a18=''><s a18='' a1=''/><s a2='' a1='' a2=''/></r>",
     false},
    // Text merged from pieces, character references flagged.
    {"<r>a&amp;b&lt;c&gt;d&apos;e&quot;f</r>", true},
    {"<r>a&#65;b&#x10000;c&#13;</r>", true},
    {"<r>&#x42;</r>", true},
    {"<r>&amp;x&lt;</r>", true},
    {"<r>&foo;x&bar.baz;</r>", false},
    {"<r>a<!--c-->b</r>", true},
    {"<r>x<![CDATA[y<&]]>z<![CDATA[]]></r>", true},
    {"<r><![CDATA[]]></r>", true},
    {"<r><![CDATA[a]]]]></r>", true},
    {"<r>]] a]b ]]]</r>", true},
    // Line ends and white space outside the root.
    {"\r\n<r>\r\n<s>\r</s>\n\r\r\n</r>\r\n", true},
    {"<!--top--><?pi data?>\n<r/>\n<!--after-->  <?z?>", true},
    {"<r><?t  d ?><?t?></r>", true},
    {"<r><!----></r>", true},
    // Characters beyond ASCII, in text and in names.
    {"<r>\xC5\xBE" "lu\xC5\xA5ou\xC4\x8Dk\xC3\xBD \xE2\x82\xAC</r>", true},
    {"<r>\xF0\x9D\x84\x9E</r>", true},
    {"<\xC5\xBE \xC5\xBE='\xC5\xBE'/>", true},
    // Names are matched by what they decode to: an end tag or a second attribute whose name
    // has the same length but another letter is another name.
    {"<\xC5\xBE>t</\xC5\xBE>", true},
    {"<\xC5\xBE>t</\xC5\xBD>", false},
    {"<r \xC5\xBE='1' \xC5\xBD='2' z\xC5\xBE='3'/>", true},
    {"<r \xC5\xBE='1' \xC5\xBD='2' \xC5\xBE='3'/>", false},
    // Values that look like further attributes.
    {"<r a='x b=\"y\" c' b='1' c=\"a='\"/>", true},
    {"<r a='x b=\"1\"' a2='' b='2' x='' b='3'/>", false},
    // Left to the ordinary path: a document type, errors of every kind, unusual characters.
    {"<!DOCTYPE r><r/>", false},
    {"<!DOCTYPE r [<!ENTITY e 'x'>]><r>&e;</r>", false},
    {"", false},
    {"   ", false},
    {"<r>", false},
    {"<r/><?", false},
    {"<r/><?pi", false},
    {"<r/><!--", false},
    {"<r><![CDATA[x", false},
    {"<r a='x", false},
    {"<r a='x' ", false},
    {"<r></s>", false},
    {"</r>", false},
    {"<r/><s/>", false},
    {"text<r/>", false},
    {"<r/>x", false},
    {"<r/>&#32;", false},
    {"&amp;<r/>", false},
    {"<![CDATA[x]]><r/>", false},
    {"<r>a]]>b</r>", false},
    {"<r><!-- a -- b --></r>", false},
    {"<r><!--a---></r>", false},
    {"<r><!-a--></r>", false},
    {"<r><!ELEMENT r ANY></r>", false},
    {"<r a='1' a='2'/>", false},
    {"<r a1='' a2='' a3='' a4='' a5='' a6='' a7='' a8='' a9='' a10='' a11='' a12='' a13='' a14='' "
     "a15='' a16='' a17='' a18='' a1=''/>",
     false},
    {"<r a='<'/>", false},
    {"<r a='&#0;'/>", false},
    {"<r a='&;'/>", false},
    {"<r a='&amp'/>", false},
    {"<r a='1'b='2'/>", false},
    {"<r a/>", false},
    {"<r a=1/>", false},
    {"<r/ >", false},
    {"<r>&#0;</r>", false},
    {"<r>&#xD800;</r>", false},
    {"<r>&#x110000;</r>", false},
    {"<r>&#X41;</r>", false},
    // Character references: hexadecimal digits of either case, never a decimal one read as
    // hexadecimal, and the edges of the Char rule.
    {"<r>&#xaBcD;&#x10FFFF;&#xFFFD;&#x85;&#xE000;</r>", true},
    {"<r>\xF0\x9F\x98\x80\xEF\xBF\xBD</r>", true},
    {"<r>&#xFFFE;</r>", false},
    {"<r>&#xDFFF;</r>", false},
    {"<r>&#x4g;</r>", false},
    {"<r>&#6a;</r>", false},
    {"<r>&#x;</r>", false},
    {"<r>&1;</r>", false},
    {"<r>&amp</r>", false},
    {"<r>& amp;</r>", false},
    {"<1/>", false},
    {"<r><1/></r>", false},
    {"<r><?xml version='1.0'?></r>", false},
    {"<r><?XmL?></r>", false},
    {"<r>\x01</r>", false},
    {"<r>\xC2\x9C</r>", true},
    {"<r>\xC2\x85</r>", true},
    {"<r>\xC0\xAF</r>", false},
    {"<r>\xED\xA0\x80</r>", false},
    {"<r>\xEF\xBF\xBE</r>", false},
    {"<r>\xF4\x90\x80\x80</r>", false},
    {"<r>\xC3</r>", false},
    {"<?xml version='1.1'?><r/>", false},
    {"<?xml encoding='UTF-8'?><r/>", false},
    {"<?xml version='1.0' encoding='no-such-thing'?><r/>", false},
};

// The case in the encoding under test: as written (UTF-8), as UTF-16LE with its mark, or
// in windows-1250 with a declaration saying so (only for text that code page can hold).
std::string Encode(const std::string& utf8, int encoding, bool& usable) {
  usable = true;
  if (encoding == 0) return utf8;
  if (utf8.rfind("<?xml", 0) == 0 || utf8.rfind("\xEF\xBB\xBF", 0) == 0) {
    usable = false;
    return {};
  }
  const WideString wide = Utf8ToWide(utf8);
  if (WideToUtf8(wide) != utf8) {  // malformed bytes would turn into U+FFFD
    usable = false;
    return {};
  }
  if (encoding == 1) {
    std::string out = "\xFF\xFE";
    for (char16_t c : wide) {
      out += static_cast<char>(c & 0xFF);
      out += static_cast<char>(c >> 8);
    }
    return out;
  }
  const AnsiString ansi = WideToAnsi(wide);
  if (AnsiToWide(ansi) != wide) {
    usable = false;
    return {};
  }
  return "<?xml version=\"1.0\" encoding=\"windows-1250\"?>" + ansi;
}

TEST(DirectParse, AgreesWithTheOrdinaryPathForEveryCaseOptionAndEncoding) {
  for (const TCase& c : kCases) {
    for (int encoding = 0; encoding < 3; ++encoding) {
      bool usable = false;
      const std::string bytes = Encode(c.Bytes, encoding, usable);
      if (!usable) continue;
      // Every option combination, and the text in one read or a few bytes per read, so that the
      // direct path's reading is cut inside every construct.
      for (int run = 0; run < 12; ++run) {
        const int flags = run < 8 ? run : 7 * (run % 2);
        const std::int64_t mostPerRead = run < 8 ? 0 : run - 7;
        const TParseOptions options{(flags & 1) != 0, (flags & 2) != 0, (flags & 4) != 0, mostPerRead};
        const TParseDescription fast = DescribeParse(bytes, false, options);
        const TParseDescription ordinary = DescribeParse(bytes, true, options);
        SCOPED_TRACE(std::string("case ") + c.Bytes + " encoding " + std::to_string(encoding) + " flags " +
                     std::to_string(flags) + " bytes per read " + std::to_string(mostPerRead));
        EXPECT_EQ(fast.Text, ordinary.Text);
        EXPECT_FALSE(ordinary.Direct);
        // The code-page and UTF-16 forms lose the UTF-8 declaration's meaning only for cases
        // that carry one, which are left out above; everything else takes the same way.
        EXPECT_EQ(fast.Direct, c.Direct);
      }
    }
  }
}

// A failed direct attempt leaves no trace in the result, even when it gives up late, deep
// inside a large tree.
TEST(DirectParse, GivingUpLateStillGivesTheOrdinaryResult) {
  std::string bytes = "<r>";
  for (int i = 0; i < 2000; ++i) bytes += "<e a='" + std::to_string(i) + "'>t&amp;</e>\r\n";
  const std::string good = bytes + "</r>";
  const std::string bad = bytes + "<!DOCTYPE x></r>";
  for (int i = 0; i < 4; ++i) {
    const std::string& text = i % 2 == 0 ? good : bad;
    const TParseOptions options{true, true, true, i < 2 ? 0 : 5};
    const TParseDescription fast = DescribeParse(text, false, options);
    const TParseDescription ordinary = DescribeParse(text, true, options);
    EXPECT_EQ(fast.Text, ordinary.Text);
    EXPECT_EQ(fast.Direct, i % 2 == 0);
  }
}

// Enough names for the name table to grow several times while one tag is read: a repeated
// name is found wherever it stands, in the same tag or a later one.
TEST(DirectParse, ManyNamesInOneTag) {
  std::string names;
  for (int i = 0; i < 700; ++i) names += " a" + std::to_string(i) + "='" + std::to_string(i % 7) + "'";
  const std::vector<std::pair<std::string, bool>> documents = {
      {"<r" + names + "><s a699='' a0='' b=''/><a350" + names + "/></r>", true},
      {"<r" + names + " a0=''/>", false},
      {"<r" + names + " a699=''/>", false},
      {"<r" + names + "><s" + names + " a350=''/></r>", false},
  };
  for (const auto& [text, direct] : documents) {
    for (const std::int64_t mostPerRead : {0, 5}) {
      const TParseOptions options{true, true, true, mostPerRead};
      const TParseDescription fast = DescribeParse(text, false, options);
      const TParseDescription ordinary = DescribeParse(text, true, options);
      EXPECT_EQ(fast.Text, ordinary.Text);
      EXPECT_EQ(fast.Direct, direct) << text.substr(text.size() - 20);
    }
  }
}

// Constructs far longer than a read or a buffer: each is read in pieces and kept whole.
TEST(DirectParse, LongConstructsReadInPiecesComeOutWhole) {
  std::string piece;
  for (int i = 0; i < 30000; ++i) piece += "ab\r\n\xC5\xBE-] &amp;&#65;";  // line ends, "-", "]", a letter, references
  const std::vector<std::string> documents = {
      "<r>" + piece + "</r>",
      "<r><!--" + piece + "--></r>",
      "<r><![CDATA[" + piece + "]]></r>",
      "<r><?pi " + piece + "?></r>",
      "<r a='" + piece + "'/>",
  };
  for (const std::string& text : documents) {
    for (const std::int64_t mostPerRead : {0, 3}) {
      const TParseOptions options{true, true, true, mostPerRead};
      const TParseDescription fast = DescribeParse(text, false, options);
      const TParseDescription ordinary = DescribeParse(text, true, options);
      EXPECT_EQ(fast.Text, ordinary.Text) << text.substr(0, 12);
      EXPECT_TRUE(fast.Direct) << text.substr(0, 12);
    }
  }
}

// Somebody listening to the implementation hears every insertion, so such a parse takes the
// ordinary path, with its notices.
TEST(DirectParse, ListenersGetTheOrdinaryPath) {
  TDomImplementation implementation;
  int inserted = 0;
  implementation.OnNodeInserted = [&](TPersistent*, TDomNode*) { ++inserted; };
  TXmlToDomParser parser;
  parser.SetDOMImpl(&implementation);
  TMemoryStream stream(std::string("<r><s>t</s></r>"));
  const std::unique_ptr<TDomDocument> document(parser.ParseStream(&stream, u"file:///t.xml", nullptr, true));
  EXPECT_FALSE(parser.ParsedDirectly());
  EXPECT_EQ(inserted, 3);
}

}  // namespace
