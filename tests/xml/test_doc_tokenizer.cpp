// Document tokenizer: token kinds, values, error kinds, clues and positions for each kind of
// markup, its malformed variants, and the attribute-value tokenizer.
#include "platform/Streams.h"
#include "xml/XmlInputSource.h"
#include "xml/XmlTokenizer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct Tok {
  TXmlDocTokenType Kind;
  std::u16string Value;
  TXmlErrorType Error;
  std::u16string Clue;
  std::int64_t StartChar;
  std::int64_t EndChar;
};

bool operator==(const Tok& a, const Tok& b) {
  return a.Kind == b.Kind && a.Value == b.Value && a.Error == b.Error && a.Clue == b.Clue &&
         a.StartChar == b.StartChar && a.EndChar == b.EndChar;
}

std::ostream& operator<<(std::ostream& os, const Tok& t) {
  std::string value(t.Value.begin(), t.Value.end()), clue(t.Clue.begin(), t.Clue.end());
  for (char& c : value)
    if (c == '\n') c = '|';
  return os << "{" << XmlDocTokenTypeName(t.Kind) << " \"" << value << "\" " << ErrorKindName(t.Error) << " \""
            << clue << "\" " << t.StartChar << ".." << t.EndChar << "}";
}

// The input source and the tokenizer over some bytes, as the parser sets them up for a file.
struct Tokenizing {
  explicit Tokenizing(const std::string& bytes, std::int64_t bufferSize = 4096)
      : Stream(bytes),
        Source(&Stream, u"", u"file:///t.xml", bufferSize, nullptr, true, 0, 0, 0, 0, 1),
        Tokenizer(&Source) {}
  TMemoryStream Stream;
  TXmlInputSource Source;
  TXmlDocTokenizer Tokenizer;
};

Tok Current(const TXmlDocTokenizer& t) {
  return {t.TokenType(), t.GetTokenValue(), t.ErrorType(), t.Clue(),
          t.StartChar(), t.EndChar()};
}

std::vector<Tok> Tokens(const std::string& bytes, std::int64_t bufferSize) {
  Tokenizing run(bytes, bufferSize);
  std::vector<Tok> out;
  for (int guard = 0; guard < 100; ++guard) {
    run.Tokenizer.NextToken();
    out.push_back(Current(run.Tokenizer));
    if (run.Tokenizer.TokenType() == tkEndOfSource) break;
  }
  return out;
}

struct TokenCase {
  const char* Name;
  std::string Input;
  std::vector<Tok> Expected;
};

// Every case at a buffer of one byte (each character read across refills), an odd size that
// cuts multi-byte characters and markup in two, and the parser's usual size.
void RunCases(const std::vector<TokenCase>& cases) {
  for (const std::int64_t bufferSize : {1, 7, 4096}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << c.Name << ", buffer " << bufferSize);
      EXPECT_EQ(Tokens(c.Input, bufferSize), c.Expected);
    }
  }
}

} // namespace

TEST(DocTokenizer, TextTagsAndEnd) {
  RunCases({
      {"element with text", "<a>x</a>",
       {{tkStartTag, u"a", EK_NONE, u"", 2, 2}, {tkText, u"x", EK_NONE, u"", 4, 4},
        {tkEndTag, u"a", EK_NONE, u"", 7, 7}, {tkEndOfSource, u"", EK_NONE, u"", 9, 9}}},
      {"empty input", "", {{tkEndOfSource, u"", EK_NONE, u"", 1, 1}}},
      {"text only", "abc", {{tkText, u"abc", EK_NONE, u"", 1, 3}, {tkEndOfSource, u"", EK_NONE, u"", 4, 4}}},
      {"CR LF between tags is one LF", "<a>\r\n<b/>",
       {{tkStartTag, u"a", EK_NONE, u"", 2, 2}, {tkText, u"\n", EK_NONE, u"", 4, 4},
        {tkEmptyElementTag, u"b", EK_NONE, u"", 6, 6}, {tkEndOfSource, u"", EK_NONE, u"", 9, 9}}},
      {"quoted > inside a tag", "<a x='1>2'/>",
       {{tkEmptyElementTag, u"a x='1>2'", EK_NONE, u"", 2, 10}, {tkEndOfSource, u"", EK_NONE, u"", 13, 13}}},
      {"quoted / and > in double quotes", "<a x=\"/>\">",
       {{tkStartTag, u"a x=\"/>\"", EK_NONE, u"", 2, 9}, {tkEndOfSource, u"", EK_NONE, u"", 11, 11}}},
      {"slash not followed by >", "<a/b>",
       {{tkEmptyElementTag, u"a", EK_TAG_CLOSE_EXPECTED, u">", 2, 2}, {tkText, u"b>", EK_NONE, u"", 4, 5},
        {tkEndOfSource, u"", EK_NONE, u"", 6, 6}}},
      {"end tag with trailing space", "</a  >",
       {{tkEndTag, u"a", EK_NONE, u"", 3, 3}, {tkEndOfSource, u"", EK_NONE, u"", 7, 7}}},
      {"end tag with a second word", "</a b>",
       {{tkEndTag, u"a", EK_TAG_CLOSE_EXPECTED, u">", 3, 3}, {tkText, u"b>", EK_NONE, u"", 5, 6},
        {tkEndOfSource, u"", EK_NONE, u"", 7, 7}}},
      // U+10020: its low 16 bits would name a space.
      {"a character beyond the BMP is no space in an end tag", "</a\xF0\x90\x80\xA0>",
       {{tkEndTag, u"a\U00010020", EK_NONE, u"", 3, 4}, {tkEndOfSource, u"", EK_NONE, u"", 6, 6}}},
      {"end tag at end of input", "</a",
       {{tkEndTag, u"a", EK_TAG_CLOSE_EXPECTED, u">", 3, 3}, {tkEndOfSource, u"", EK_NONE, u"", 4, 4}}},
      {"<> has no name", "<>x",
       {{tkStartTag, u"", EK_TAG_NAME_EXPECTED, u"", 1, 1}, {tkText, u"x", EK_NONE, u"", 3, 3},
        {tkEndOfSource, u"", EK_NONE, u"", 4, 4}}},
      {"< at end of input", "<",
       {{tkStartTag, u"", EK_TAG_NAME_EXPECTED, u"", 1, 1}, {tkEndOfSource, u"", EK_NONE, u"", 2, 2}}},
      {"start tag cut off", "<a",
       {{tkStartTag, u"a", EK_TAG_CLOSE_EXPECTED, u">", 2, 2}, {tkEndOfSource, u"", EK_NONE, u"", 3, 3}}},
      {"cut off in a single-quoted value", "<a x='1",
       {{tkStartTag, u"a x='1", EK_TAG_CLOSE_EXPECTED, u"'>", 2, 7}, {tkEndOfSource, u"", EK_NONE, u"", 8, 8}}},
      {"cut off in a double-quoted value", "<a x=\"1",
       {{tkStartTag, u"a x=\"1", EK_TAG_CLOSE_EXPECTED, u"\">", 2, 7}, {tkEndOfSource, u"", EK_NONE, u"", 8, 8}}},
  });
}

TEST(DocTokenizer, References) {
  RunCases({
      {"empty decimal reference", "&#;",
       {{tkDecimalCharRef, u"", EK_NONE, u"", 3, 2}, {tkEndOfSource, u"", EK_NONE, u"", 4, 4}}},
      {"upper-case X is not hexadecimal", "&#X41;",
       {{tkDecimalCharRef, u"", EK_UNTERMINATED_CHARACTER_REFERENCE, u";", 3, 2}, {tkText, u"X41;", EK_NONE, u"", 3, 6},
        {tkEndOfSource, u"", EK_NONE, u"", 7, 7}}},
      {"hexadecimal", "&#x41;",
       {{tkHexCharRef, u"41", EK_NONE, u"", 4, 5}, {tkEndOfSource, u"", EK_NONE, u"", 7, 7}}},
      {"decimal", "&#65;",
       {{tkDecimalCharRef, u"65", EK_NONE, u"", 3, 4}, {tkEndOfSource, u"", EK_NONE, u"", 6, 6}}},
      {"decimal without ;", "&#65",
       {{tkDecimalCharRef, u"65", EK_UNTERMINATED_CHARACTER_REFERENCE, u";", 3, 4}, {tkEndOfSource, u"", EK_NONE, u"", 5, 5}}},
      {"hexadecimal stops at a non-digit", "&#x4g;",
       {{tkHexCharRef, u"4", EK_UNTERMINATED_CHARACTER_REFERENCE, u";", 4, 4}, {tkText, u"g;", EK_NONE, u"", 5, 6},
        {tkEndOfSource, u"", EK_NONE, u"", 7, 7}}},
      {"entity", "a&amp;b",
       {{tkText, u"a", EK_NONE, u"", 1, 1}, {tkEntityRef, u"amp", EK_NONE, u"", 3, 5},
        {tkText, u"b", EK_NONE, u"", 7, 7}, {tkEndOfSource, u"", EK_NONE, u"", 8, 8}}},
      {"entity without ;", "&amp x",
       {{tkEntityRef, u"amp", EK_UNTERMINATED_ENTITY_REFERENCE, u";", 2, 4}, {tkText, u" x", EK_NONE, u"", 5, 6},
        {tkEndOfSource, u"", EK_NONE, u"", 7, 7}}},
      {"& followed by a space", "& ",
       {{tkEntityRef, u"", EK_ENTITY_NAME_EXPECTED, u"", 2, 1}, {tkText, u" ", EK_NONE, u"", 2, 2},
        {tkEndOfSource, u"", EK_NONE, u"", 3, 3}}},
      {"name may start with _ and :", "&_:a.1;",
       {{tkEntityRef, u"_:a.1", EK_NONE, u"", 2, 6}, {tkEndOfSource, u"", EK_NONE, u"", 8, 8}}},
      // U+10041 and U+1005F: their low 16 bits would name "A" and "_".
      {"a character beyond the BMP ends a name", "&a\xF0\x90\x81\x81;",
       {{tkEntityRef, u"a", EK_UNTERMINATED_ENTITY_REFERENCE, u";", 2, 2},
        {tkText, u"\U00010041;", EK_NONE, u"", 3, 4}, {tkEndOfSource, u"", EK_NONE, u"", 5, 5}}},
      {"nor does it start one", "&\xF0\x90\x81\x9F;",
       {{tkEntityRef, u"", EK_ENTITY_NAME_EXPECTED, u"", 2, 1},
        {tkText, u"\U0001005F;", EK_NONE, u"", 2, 3}, {tkEndOfSource, u"", EK_NONE, u"", 4, 4}}},
      {"nor is it a hexadecimal digit", "&#x4\xF0\x90\x81\x81;",
       {{tkHexCharRef, u"4", EK_UNTERMINATED_CHARACTER_REFERENCE, u";", 4, 4},
        {tkText, u"\U00010041;", EK_NONE, u"", 5, 6}, {tkEndOfSource, u"", EK_NONE, u"", 7, 7}}},
      {"& at end of input", "&",
       {{tkEntityRef, u"", EK_ENTITY_NAME_EXPECTED, u"", 2, 1}, {tkEndOfSource, u"", EK_NONE, u"", 2, 2}}},
  });
}

TEST(DocTokenizer, CommentsAndProcessingInstructions) {
  RunCases({
      {"empty comment", "<!---->",
       {{tkComment, u"", EK_NONE, u"", 5, 4}, {tkEndOfSource, u"", EK_NONE, u"", 8, 8}}},
      {"comment with single hyphens", "<!--a-b-->",
       {{tkComment, u"a-b", EK_NONE, u"", 5, 7}, {tkEndOfSource, u"", EK_NONE, u"", 11, 11}}},
      {"double hyphen inside", "<!-- a -- b -->",
       {{tkComment, u" a ", EK_DOUBLE_HYPHEN_IN_COMMENT, u">", 5, 9}, {tkText, u" b -->", EK_NONE, u"", 10, 15},
        {tkEndOfSource, u"", EK_NONE, u"", 16, 16}}},
      {"unclosed comment", "<!-- x",
       {{tkComment, u" x", EK_UNCLOSED_COMMENT, u"-->", 5, 6}, {tkEndOfSource, u"", EK_NONE, u"", 7, 7}}},
      {"unclosed comment ending in a hyphen", "<!-- x -",
       {{tkComment, u" x ", EK_UNCLOSED_COMMENT, u"-->", 5, 8}, {tkEndOfSource, u"", EK_NONE, u"", 9, 9}}},
      {"<!- not followed by -", "<!-x>",
       {{tkComment, u"", EK_COMMENT_START_EXPECTED, u"<!--", 1, 3}, {tkText, u"x>", EK_NONE, u"", 4, 5},
        {tkEndOfSource, u"", EK_NONE, u"", 6, 6}}},
      {"<! followed by nothing known", "<!x",
       {{tkComment, u"", EK_COMMENT_START_EXPECTED, u"<!--", 1, 2}, {tkText, u"x", EK_NONE, u"", 3, 3},
        {tkEndOfSource, u"", EK_NONE, u"", 4, 4}}},
      {"processing instruction", "<?pi data?>",
       {{tkProcessingInstruction, u"pi data", EK_NONE, u"", 3, 9}, {tkEndOfSource, u"", EK_NONE, u"", 12, 12}}},
      {"? and > apart stay in the data", "<?pi a?b>?>",
       {{tkProcessingInstruction, u"pi a?b>", EK_NONE, u"", 3, 9}, {tkEndOfSource, u"", EK_NONE, u"", 12, 12}}},
      {"unclosed processing instruction", "<?pi",
       {{tkProcessingInstruction, u"pi", EK_UNCLOSED_PROCESSING_INSTRUCTION, u"?", 3, 3}, {tkEndOfSource, u"", EK_NONE, u"", 5, 5}}},
  });
}

TEST(DocTokenizer, CDataSections) {
  RunCases({
      {"brackets inside", "<![CDATA[a]]b]]]>",
       {{tkCData, u"a]]b]", EK_NONE, u"", 10, 14}, {tkEndOfSource, u"", EK_NONE, u"", 18, 18}}},
      {"empty section", "<![CDATA[]]>",
       {{tkCData, u"", EK_NONE, u"", 10, 9}, {tkEndOfSource, u"", EK_NONE, u"", 13, 13}}},
      {"markup inside", "<![CDATA[<a>&b;]]>",
       {{tkCData, u"<a>&b;", EK_NONE, u"", 10, 15}, {tkEndOfSource, u"", EK_NONE, u"", 19, 19}}},
      {"unclosed section", "<![CDATA[x",
       {{tkCData, u"x", EK_UNCLOSED_CDATA_SECTION, u"]]>", 10, 10}, {tkEndOfSource, u"", EK_NONE, u"", 11, 11}}},
      {"keyword broken off", "<![CDAT x",
       {{tkCData, u"", EK_CDATA_START_EXPECTED, u"<![CDATA[", 1, 7}, {tkText, u" x", EK_NONE, u"", 8, 9},
        {tkEndOfSource, u"", EK_NONE, u"", 10, 10}}},
      {"<!C", "<!C",
       {{tkCData, u"", EK_CDATA_START_EXPECTED, u"<![CDATA[", 1, 2}, {tkText, u"C", EK_NONE, u"", 3, 3},
        {tkEndOfSource, u"", EK_NONE, u"", 4, 4}}},
      {"<!c", "<!c",
       {{tkCData, u"", EK_CDATA_START_EXPECTED, u"<![CDATA[", 1, 2}, {tkText, u"c", EK_NONE, u"", 3, 3},
        {tkEndOfSource, u"", EK_NONE, u"", 4, 4}}},
      {"<!]", "<!]",
       {{tkCData, u"", EK_CDATA_START_EXPECTED, u"<![CDATA[", 1, 2}, {tkText, u"]", EK_NONE, u"", 3, 3},
        {tkEndOfSource, u"", EK_NONE, u"", 4, 4}}},
  });
}

TEST(DocTokenizer, DocumentTypeDeclarations) {
  RunCases({
      {"quoted > and a comment in the subset", "<!DOCTYPE r [<!ENTITY e '>'><!-- ] > -->]>",
       {{tkDoctype, u" r [<!ENTITY e '>'><!-- ] > -->]", EK_NONE, u"", 10, 41},
        {tkEndOfSource, u"", EK_NONE, u"", 43, 43}}},
      {"quoted > in the external identifier", "<!DOCTYPE a SYSTEM 'x>y'>",
       {{tkDoctype, u" a SYSTEM 'x>y'", EK_NONE, u"", 10, 24}, {tkEndOfSource, u"", EK_NONE, u"", 26, 26}}},
      {"processing instruction in the subset", "<!DOCTYPE r [<?p ]>?>]>x",
       {{tkDoctype, u" r [<?p ]>?>]", EK_NONE, u"", 10, 22}, {tkText, u"x", EK_NONE, u"", 24, 24},
        {tkEndOfSource, u"", EK_NONE, u"", 25, 25}}},
      {"apostrophe inside double quotes", "<!DOCTYPE r [<!ENTITY e \"'>\">]>",
       {{tkDoctype, u" r [<!ENTITY e \"'>\">]", EK_NONE, u"", 10, 30},
        {tkEndOfSource, u"", EK_NONE, u"", 32, 32}}},
      {"unclosed subset", "<!DOCTYPE a [",
       {{tkDoctype, u" a [", EK_UNCLOSED_DOCTYPE, u"]>", 10, 13}, {tkEndOfSource, u"", EK_NONE, u"", 14, 14}}},
      {"keyword broken off", "<!DOCTYPX",
       {{tkDoctype, u"", EK_DOCTYPE_START_EXPECTED, u"<!DOCTYPE", 1, 8}, {tkText, u"X", EK_NONE, u"", 9, 9},
        {tkEndOfSource, u"", EK_NONE, u"", 10, 10}}},
      {"lower-case keyword", "<!doctype",
       {{tkDoctype, u"", EK_DOCTYPE_START_EXPECTED, u"<!DOCTYPE", 1, 2}, {tkText, u"doctype", EK_NONE, u"", 3, 9},
        {tkEndOfSource, u"", EK_NONE, u"", 10, 10}}},
      {"<!O", "<!O",
       {{tkDoctype, u"", EK_DOCTYPE_START_EXPECTED, u"<!DOCTYPE", 1, 2}, {tkText, u"O", EK_NONE, u"", 3, 3},
        {tkEndOfSource, u"", EK_NONE, u"", 4, 4}}},
  });
}

TEST(DocTokenizer, UndecodableInputIsReportedAndSkipped) {
  // A failing advance leaves the token kind where the scan had it (a start tag gets its kind
  // only when it is complete), and the next call goes on behind the bad byte.
  RunCases({
      {"bad byte after the first character", "a\x80z",
       {{tkStartOfSource, u"", EK_INVALID_CHARACTER, u"", 1, 0}, {tkText, u"az", EK_NONE, u"", 1, 2},
        {tkEndOfSource, u"", EK_NONE, u"", 3, 3}}},
      {"encoded surrogate cannot be held in the value", "a\xED\xA0\x80z",
       {{tkText, u"a", EK_INVALID_CHARACTER, u"", 1, 2}, {tkText, u"z", EK_NONE, u"", 3, 3},
        {tkEndOfSource, u"", EK_NONE, u"", 4, 4}}},
      {"bad byte inside a tag", "<ab\x80z>",
       {{tkStartOfSource, u"a", EK_INVALID_CHARACTER, u"", 2, 2}, {tkText, u"bz>", EK_NONE, u"", 3, 5},
        {tkEndOfSource, u"", EK_NONE, u"", 6, 6}}},
  });
}

TEST(DocTokenizer, EndOfSourceIsFinal) {
  Tokenizing run("<a/>");
  run.Tokenizer.NextToken();
  run.Tokenizer.NextToken();
  ASSERT_EQ(run.Tokenizer.TokenType(), tkEndOfSource);
  const Tok atEnd = Current(run.Tokenizer);
  run.Tokenizer.NextToken();
  EXPECT_EQ(Current(run.Tokenizer), atEnd);

  TXmlDocTokenizer without(nullptr);
  EXPECT_EQ(without.TokenType(), tkEndOfSource);
  without.NextToken();
  EXPECT_EQ(without.TokenType(), tkEndOfSource);
  EXPECT_EQ(without.SourceUri(), u"");
  EXPECT_EQ(without.StartChar(), 0);
}

TEST(DocTokenizer, LocatorGivesLinesColumnsTabsAndBytes) {
  struct Row {
    const char* Name;
    int TokenIndex;
    std::int64_t StartByte, EndByte, StartLine, StartColumn, StartTabs, EndLine, EndColumn,
        EndTabs;
  };
  // "<a>" LF TAB "<b/>" LF "</a>" with a two-byte character: "<a>\n\t<b/>é\n</a>".
  const std::string input = "<a>\n\t<b/>\xC3\xA9\n</a>";
  const std::vector<Row> rows = {
      {"start tag a", 0, 1, 2, 1, 2, 0, 1, 2, 0},
      {"LF and TAB", 1, 3, 5, 2, 0, 0, 2, 1, 1},
      {"empty tag b", 2, 6, 7, 2, 3, 1, 2, 3, 1},
      {"two-byte character and LF", 3, 9, 12, 2, 6, 1, 3, 0, 0},
      {"end tag a", 4, 14, 15, 3, 3, 0, 3, 3, 0},
  };
  for (const std::int64_t bufferSize : {1, 7, 4096}) {
    Tokenizing run(input, bufferSize);
    std::vector<std::vector<std::int64_t>> seen;
    for (int i = 0; i < 5; ++i) {
      run.Tokenizer.NextToken();
      const auto& t = run.Tokenizer;
      seen.push_back({t.StartByte(), t.EndByte(), t.StartLine(), t.StartColumn(), t.StartTabs(),
                      t.EndLine(), t.EndColumn(), t.EndTabs()});
    }
    for (const auto& r : rows) {
      SCOPED_TRACE(testing::Message() << r.Name << ", buffer " << bufferSize);
      EXPECT_EQ(seen[static_cast<std::size_t>(r.TokenIndex)],
                (std::vector<std::int64_t>{r.StartByte, r.EndByte, r.StartLine, r.StartColumn,
                                           r.StartTabs, r.EndLine, r.EndColumn, r.EndTabs}));
    }
    EXPECT_EQ(run.Tokenizer.SourceUri(), u"file:///t.xml");
    EXPECT_EQ(run.Tokenizer.RelatedNode(), nullptr);
    EXPECT_EQ(run.Tokenizer.RelatedDtdItem(), nullptr);
  }
}

TEST(AttrValueTokenizer, SplitsCharactersAndReferences) {
  struct Av {
    TXmlAttrValueTokenType Kind;
    std::u16string Value;
    TXmlErrorType Error;
    bool operator==(const Av&) const = default;
  };
  struct Case {
    std::u16string Input;
    std::vector<Av> Expected;
  };
  const std::vector<Case> cases = {
      {u"a&amp;b", {{avChar, u"a", EK_NONE}, {avEntityRef, u"amp", EK_NONE}, {avChar, u"b", EK_NONE}, {avEndOfValue, u"", EK_NONE}}},
      {u"a&amp", {{avChar, u"a", EK_NONE}, {avEntityRef, u"amp", EK_UNTERMINATED_ENTITY_REFERENCE}, {avEndOfValue, u"", EK_NONE}}},
      {u"&#x41;", {{avCharRef, u"x41", EK_NONE}, {avEndOfValue, u"", EK_NONE}}},
      {u"&#65;", {{avCharRef, u"65", EK_NONE}, {avEndOfValue, u"", EK_NONE}}},
      {u"&#65", {{avCharRef, u"65", EK_UNTERMINATED_CHARACTER_REFERENCE}, {avEndOfValue, u"", EK_NONE}}},
      {u"&", {{avEntityRef, u"", EK_UNTERMINATED_ENTITY_REFERENCE}, {avEndOfValue, u"", EK_NONE}}},
      {u"&;x", {{avEntityRef, u"", EK_NONE}, {avChar, u"x", EK_NONE}, {avEndOfValue, u"", EK_NONE}}},
      {u"", {{avEndOfValue, u"", EK_NONE}}},
      {u"\u010D\U0001F600", {{avChar, u"\u010D", EK_NONE}, {avChar, u"\U0001F600", EK_NONE}, {avEndOfValue, u"", EK_NONE}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Input.begin(), c.Input.end()));
    TXmlAttrValueTokenizer tokenizer(c.Input);
    EXPECT_EQ(tokenizer.TokenType(), avStartOfValue);
    std::vector<Av> seen;
    for (int guard = 0; guard < 20; ++guard) {
      tokenizer.NextToken();
      seen.push_back({tokenizer.TokenType(), tokenizer.GetTokenValue(), tokenizer.ErrorType()});
      if (tokenizer.TokenType() == avEndOfValue) break;
    }
    EXPECT_TRUE(seen == c.Expected);
    tokenizer.NextToken();
    EXPECT_EQ(tokenizer.TokenType(), avEndOfValue);
  }
}
