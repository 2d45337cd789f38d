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
  int Error;
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
  return os << "{" << XmlDocTokenTypeName(t.Kind) << " \"" << value << "\" " << t.Error << " \""
            << clue << "\" " << t.StartChar << ".." << t.EndChar << "}";
}

// The input source and the tokenizer over some bytes, as the parser sets them up for a file.
struct Tokenizing {
  explicit Tokenizing(const std::string& bytes, bool keepStart = true)
      : Stream(bytes),
        Source(&Stream, u"", u"file:///t.xml", 4096, nullptr, keepStart, 0, 0, 0, 0, 1),
        Tokenizer(&Source) {}
  TMemoryStream Stream;
  TXmlInputSource Source;
  TXmlDocTokenizer Tokenizer;
};

Tok Current(const TXmlDocTokenizer& t) {
  return {t.TokenType(), t.GetTokenValue(), static_cast<int>(t.ErrorType()), t.Clue(),
          t.StartChar(), t.EndChar()};
}

std::vector<Tok> Tokens(const std::string& bytes) {
  Tokenizing run(bytes);
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

void RunCases(const std::vector<TokenCase>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(Tokens(c.Input), c.Expected);
  }
}

} // namespace

TEST(DocTokenizer, TextTagsAndEnd) {
  RunCases({
      {"element with text", "<a>x</a>",
       {{tkStartTag, u"a", 0, u"", 2, 2}, {tkText, u"x", 0, u"", 4, 4},
        {tkEndTag, u"a", 0, u"", 7, 7}, {tkEndOfSource, u"", 0, u"", 9, 9}}},
      {"empty input", "", {{tkEndOfSource, u"", 0, u"", 1, 1}}},
      {"text only", "abc", {{tkText, u"abc", 0, u"", 1, 3}, {tkEndOfSource, u"", 0, u"", 4, 4}}},
      {"CR LF between tags is one LF", "<a>\r\n<b/>",
       {{tkStartTag, u"a", 0, u"", 2, 2}, {tkText, u"\n", 0, u"", 4, 4},
        {tkEmptyElementTag, u"b", 0, u"", 6, 6}, {tkEndOfSource, u"", 0, u"", 9, 9}}},
      {"quoted > inside a tag", "<a x='1>2'/>",
       {{tkEmptyElementTag, u"a x='1>2'", 0, u"", 2, 10}, {tkEndOfSource, u"", 0, u"", 13, 13}}},
      {"quoted / and > in double quotes", "<a x=\"/>\">",
       {{tkStartTag, u"a x=\"/>\"", 0, u"", 2, 9}, {tkEndOfSource, u"", 0, u"", 11, 11}}},
      {"slash not followed by >", "<a/b>",
       {{tkEmptyElementTag, u"a", 95, u">", 2, 2}, {tkText, u"b>", 0, u"", 4, 5},
        {tkEndOfSource, u"", 0, u"", 6, 6}}},
      {"end tag with trailing space", "</a  >",
       {{tkEndTag, u"a", 0, u"", 3, 3}, {tkEndOfSource, u"", 0, u"", 7, 7}}},
      {"end tag with a second word", "</a b>",
       {{tkEndTag, u"a", 95, u">", 3, 3}, {tkText, u"b>", 0, u"", 5, 6},
        {tkEndOfSource, u"", 0, u"", 7, 7}}},
      {"end tag at end of input", "</a",
       {{tkEndTag, u"a", 95, u">", 3, 3}, {tkEndOfSource, u"", 0, u"", 4, 4}}},
      {"<> has no name", "<>x",
       {{tkStartTag, u"", 74, u"", 1, 1}, {tkText, u"x", 0, u"", 3, 3},
        {tkEndOfSource, u"", 0, u"", 4, 4}}},
      {"< at end of input", "<",
       {{tkStartTag, u"", 74, u"", 1, 1}, {tkEndOfSource, u"", 0, u"", 2, 2}}},
      {"start tag cut off", "<a",
       {{tkStartTag, u"a", 95, u">", 2, 2}, {tkEndOfSource, u"", 0, u"", 3, 3}}},
      {"cut off in a single-quoted value", "<a x='1",
       {{tkStartTag, u"a x='1", 95, u"'>", 2, 7}, {tkEndOfSource, u"", 0, u"", 8, 8}}},
      {"cut off in a double-quoted value", "<a x=\"1",
       {{tkStartTag, u"a x=\"1", 95, u"\">", 2, 7}, {tkEndOfSource, u"", 0, u"", 8, 8}}},
  });
}

TEST(DocTokenizer, References) {
  RunCases({
      {"empty decimal reference", "&#;",
       {{tkDecimalCharRef, u"", 0, u"", 3, 2}, {tkEndOfSource, u"", 0, u"", 4, 4}}},
      {"upper-case X is not hexadecimal", "&#X41;",
       {{tkDecimalCharRef, u"", 92, u";", 3, 2}, {tkText, u"X41;", 0, u"", 3, 6},
        {tkEndOfSource, u"", 0, u"", 7, 7}}},
      {"hexadecimal", "&#x41;",
       {{tkHexCharRef, u"41", 0, u"", 4, 5}, {tkEndOfSource, u"", 0, u"", 7, 7}}},
      {"decimal", "&#65;",
       {{tkDecimalCharRef, u"65", 0, u"", 3, 4}, {tkEndOfSource, u"", 0, u"", 6, 6}}},
      {"decimal without ;", "&#65",
       {{tkDecimalCharRef, u"65", 92, u";", 3, 4}, {tkEndOfSource, u"", 0, u"", 5, 5}}},
      {"hexadecimal stops at a non-digit", "&#x4g;",
       {{tkHexCharRef, u"4", 92, u";", 4, 4}, {tkText, u"g;", 0, u"", 5, 6},
        {tkEndOfSource, u"", 0, u"", 7, 7}}},
      {"entity", "a&amp;b",
       {{tkText, u"a", 0, u"", 1, 1}, {tkEntityRef, u"amp", 0, u"", 3, 5},
        {tkText, u"b", 0, u"", 7, 7}, {tkEndOfSource, u"", 0, u"", 8, 8}}},
      {"entity without ;", "&amp x",
       {{tkEntityRef, u"amp", 96, u";", 2, 4}, {tkText, u" x", 0, u"", 5, 6},
        {tkEndOfSource, u"", 0, u"", 7, 7}}},
      {"& followed by a space", "& ",
       {{tkEntityRef, u"", 76, u"", 2, 1}, {tkText, u" ", 0, u"", 2, 2},
        {tkEndOfSource, u"", 0, u"", 3, 3}}},
      {"name may start with _ and :", "&_:a.1;",
       {{tkEntityRef, u"_:a.1", 0, u"", 2, 6}, {tkEndOfSource, u"", 0, u"", 8, 8}}},
      {"& at end of input", "&",
       {{tkEntityRef, u"", 76, u"", 2, 1}, {tkEndOfSource, u"", 0, u"", 2, 2}}},
  });
}

TEST(DocTokenizer, CommentsAndProcessingInstructions) {
  RunCases({
      {"empty comment", "<!---->",
       {{tkComment, u"", 0, u"", 5, 4}, {tkEndOfSource, u"", 0, u"", 8, 8}}},
      {"comment with single hyphens", "<!--a-b-->",
       {{tkComment, u"a-b", 0, u"", 5, 7}, {tkEndOfSource, u"", 0, u"", 11, 11}}},
      {"double hyphen inside", "<!-- a -- b -->",
       {{tkComment, u" a ", 51, u">", 5, 9}, {tkText, u" b -->", 0, u"", 10, 15},
        {tkEndOfSource, u"", 0, u"", 16, 16}}},
      {"unclosed comment", "<!-- x",
       {{tkComment, u" x", 93, u"-->", 5, 6}, {tkEndOfSource, u"", 0, u"", 7, 7}}},
      {"unclosed comment ending in a hyphen", "<!-- x -",
       {{tkComment, u" x ", 93, u"-->", 5, 8}, {tkEndOfSource, u"", 0, u"", 9, 9}}},
      {"<!- not followed by -", "<!-x>",
       {{tkComment, u"", 47, u"<!--", 1, 3}, {tkText, u"x>", 0, u"", 4, 5},
        {tkEndOfSource, u"", 0, u"", 6, 6}}},
      {"<! followed by nothing known", "<!x",
       {{tkComment, u"", 47, u"<!--", 1, 2}, {tkText, u"x", 0, u"", 3, 3},
        {tkEndOfSource, u"", 0, u"", 4, 4}}},
      {"processing instruction", "<?pi data?>",
       {{tkProcessingInstruction, u"pi data", 0, u"", 3, 9}, {tkEndOfSource, u"", 0, u"", 12, 12}}},
      {"? and > apart stay in the data", "<?pi a?b>?>",
       {{tkProcessingInstruction, u"pi a?b>", 0, u"", 3, 9}, {tkEndOfSource, u"", 0, u"", 12, 12}}},
      {"unclosed processing instruction", "<?pi",
       {{tkProcessingInstruction, u"pi", 97, u"?", 3, 3}, {tkEndOfSource, u"", 0, u"", 5, 5}}},
  });
}

TEST(DocTokenizer, CDataSections) {
  RunCases({
      {"brackets inside", "<![CDATA[a]]b]]]>",
       {{tkCData, u"a]]b]", 0, u"", 10, 14}, {tkEndOfSource, u"", 0, u"", 18, 18}}},
      {"empty section", "<![CDATA[]]>",
       {{tkCData, u"", 0, u"", 10, 9}, {tkEndOfSource, u"", 0, u"", 13, 13}}},
      {"markup inside", "<![CDATA[<a>&b;]]>",
       {{tkCData, u"<a>&b;", 0, u"", 10, 15}, {tkEndOfSource, u"", 0, u"", 19, 19}}},
      {"unclosed section", "<![CDATA[x",
       {{tkCData, u"x", 91, u"]]>", 10, 10}, {tkEndOfSource, u"", 0, u"", 11, 11}}},
      {"keyword broken off", "<![CDAT x",
       {{tkCData, u"", 46, u"<![CDATA[", 1, 7}, {tkText, u" x", 0, u"", 8, 9},
        {tkEndOfSource, u"", 0, u"", 10, 10}}},
      {"<!C", "<!C",
       {{tkCData, u"", 46, u"<![CDATA[", 1, 2}, {tkText, u"C", 0, u"", 3, 3},
        {tkEndOfSource, u"", 0, u"", 4, 4}}},
      {"<!c", "<!c",
       {{tkCData, u"", 46, u"<![CDATA[", 1, 2}, {tkText, u"c", 0, u"", 3, 3},
        {tkEndOfSource, u"", 0, u"", 4, 4}}},
      {"<!]", "<!]",
       {{tkCData, u"", 46, u"<![CDATA[", 1, 2}, {tkText, u"]", 0, u"", 3, 3},
        {tkEndOfSource, u"", 0, u"", 4, 4}}},
  });
}

TEST(DocTokenizer, DocumentTypeDeclarations) {
  RunCases({
      {"quoted > and a comment in the subset", "<!DOCTYPE r [<!ENTITY e '>'><!-- ] > -->]>",
       {{tkDoctype, u" r [<!ENTITY e '>'><!-- ] > -->]", 0, u"", 10, 41},
        {tkEndOfSource, u"", 0, u"", 43, 43}}},
      {"quoted > in the external identifier", "<!DOCTYPE a SYSTEM 'x>y'>",
       {{tkDoctype, u" a SYSTEM 'x>y'", 0, u"", 10, 24}, {tkEndOfSource, u"", 0, u"", 26, 26}}},
      {"processing instruction in the subset", "<!DOCTYPE r [<?p ]>?>]>x",
       {{tkDoctype, u" r [<?p ]>?>]", 0, u"", 10, 22}, {tkText, u"x", 0, u"", 24, 24},
        {tkEndOfSource, u"", 0, u"", 25, 25}}},
      {"apostrophe inside double quotes", "<!DOCTYPE r [<!ENTITY e \"'>\">]>",
       {{tkDoctype, u" r [<!ENTITY e \"'>\">]", 0, u"", 10, 30},
        {tkEndOfSource, u"", 0, u"", 32, 32}}},
      {"unclosed subset", "<!DOCTYPE a [",
       {{tkDoctype, u" a [", 94, u"]>", 10, 13}, {tkEndOfSource, u"", 0, u"", 14, 14}}},
      {"keyword broken off", "<!DOCTYPX",
       {{tkDoctype, u"", 48, u"<!DOCTYPE", 1, 8}, {tkText, u"X", 0, u"", 9, 9},
        {tkEndOfSource, u"", 0, u"", 10, 10}}},
      {"lower-case keyword", "<!doctype",
       {{tkDoctype, u"", 48, u"<!DOCTYPE", 1, 2}, {tkText, u"doctype", 0, u"", 3, 9},
        {tkEndOfSource, u"", 0, u"", 10, 10}}},
      {"<!O", "<!O",
       {{tkDoctype, u"", 48, u"<!DOCTYPE", 1, 2}, {tkText, u"O", 0, u"", 3, 3},
        {tkEndOfSource, u"", 0, u"", 4, 4}}},
  });
}

TEST(DocTokenizer, UndecodableInputIsReportedAndSkipped) {
  // A failing advance leaves the token kind where the scan had it (a start tag gets its kind
  // only when it is complete), and the next call goes on behind the bad byte.
  RunCases({
      {"bad byte after the first character", "a\x80z",
       {{tkStartOfSource, u"", 59, u"", 1, 0}, {tkText, u"az", 0, u"", 1, 2},
        {tkEndOfSource, u"", 0, u"", 3, 3}}},
      {"encoded surrogate cannot be held in the value", "a\xED\xA0\x80z",
       {{tkText, u"a", 59, u"", 1, 2}, {tkText, u"z", 0, u"", 3, 3},
        {tkEndOfSource, u"", 0, u"", 4, 4}}},
      {"bad byte inside a tag", "<ab\x80z>",
       {{tkStartOfSource, u"a", 59, u"", 2, 2}, {tkText, u"bz>", 0, u"", 3, 5},
        {tkEndOfSource, u"", 0, u"", 6, 6}}},
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
  Tokenizing run(input);
  std::vector<std::vector<std::int64_t>> seen;
  for (int i = 0; i < 5; ++i) {
    run.Tokenizer.NextToken();
    const auto& t = run.Tokenizer;
    seen.push_back({t.StartByte(), t.EndByte(), t.StartLine(), t.StartColumn(), t.StartTabs(),
                    t.EndLine(), t.EndColumn(), t.EndTabs()});
  }
  for (const auto& r : rows) {
    SCOPED_TRACE(r.Name);
    EXPECT_EQ(seen[static_cast<std::size_t>(r.TokenIndex)],
              (std::vector<std::int64_t>{r.StartByte, r.EndByte, r.StartLine, r.StartColumn,
                                         r.StartTabs, r.EndLine, r.EndColumn, r.EndTabs}));
  }
  EXPECT_EQ(run.Tokenizer.SourceUri(), u"file:///t.xml");
  EXPECT_EQ(run.Tokenizer.RelatedNode(), nullptr);
  EXPECT_EQ(run.Tokenizer.RelatedDtdItem(), nullptr);
}

TEST(AttrValueTokenizer, SplitsCharactersAndReferences) {
  struct Av {
    TXmlAttrValueTokenType Kind;
    std::u16string Value;
    int Error;
    bool operator==(const Av&) const = default;
  };
  struct Case {
    std::u16string Input;
    std::vector<Av> Expected;
  };
  const std::vector<Case> cases = {
      {u"a&amp;b", {{avChar, u"a", 0}, {avEntityRef, u"amp", 0}, {avChar, u"b", 0}, {avEndOfValue, u"", 0}}},
      {u"a&amp", {{avChar, u"a", 0}, {avEntityRef, u"amp", 96}, {avEndOfValue, u"", 0}}},
      {u"&#x41;", {{avCharRef, u"x41", 0}, {avEndOfValue, u"", 0}}},
      {u"&#65;", {{avCharRef, u"65", 0}, {avEndOfValue, u"", 0}}},
      {u"&#65", {{avCharRef, u"65", 92}, {avEndOfValue, u"", 0}}},
      {u"&", {{avEntityRef, u"", 96}, {avEndOfValue, u"", 0}}},
      {u"&;x", {{avEntityRef, u"", 0}, {avChar, u"x", 0}, {avEndOfValue, u"", 0}}},
      {u"", {{avEndOfValue, u"", 0}}},
      {u"\u010D\U0001F600", {{avChar, u"\u010D", 0}, {avChar, u"\U0001F600", 0}, {avEndOfValue, u"", 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Input.begin(), c.Input.end()));
    TXmlAttrValueTokenizer tokenizer(c.Input);
    EXPECT_EQ(tokenizer.TokenType(), avStartOfValue);
    std::vector<Av> seen;
    for (int guard = 0; guard < 20; ++guard) {
      tokenizer.NextToken();
      seen.push_back({tokenizer.TokenType(), tokenizer.GetTokenValue(),
                      static_cast<int>(tokenizer.ErrorType())});
      if (tokenizer.TokenType() == avEndOfValue) break;
    }
    EXPECT_TRUE(seen == c.Expected);
    tokenizer.NextToken();
    EXPECT_EQ(tokenizer.TokenType(), avEndOfValue);
  }
}
