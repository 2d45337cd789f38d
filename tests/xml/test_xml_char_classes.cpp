// Character classes: boundaries typed from the standard's own tables, and every predicate
// checked against a plain scan of the generated ranges for all 65536 code units.
#include "xml/XmlRulesUtils.h"

#include <gtest/gtest.h>

#include <iterator>
#include <vector>

namespace {

struct TClassCase {
  const char* Class;
  char16_t Unit;
  bool Expected;
};

bool Classify(const char* name, char16_t c) {
  const std::string n = name;
  if (n == "BaseChar") return XmlChars::BaseChar(c);
  if (n == "Ideographic") return XmlChars::Ideographic(c);
  if (n == "CombiningChar") return XmlChars::CombiningChar(c);
  if (n == "Digit") return XmlChars::Digit(c);
  if (n == "Extender") return XmlChars::Extender(c);
  if (n == "Letter") return XmlChars::Letter(c);
  if (n == "NameChar") return XmlChars::NameChar(c);
  if (n == "NCNameChar") return XmlChars::NCNameChar(c);
  if (n == "Space") return XmlChars::Space(c);
  if (n == "SpaceOrNul") return XmlChars::SpaceOrNul(c);
  if (n == "CharUnit") return XmlChars::CharUnit(c);
  if (n == "HexDigit") return XmlChars::HexDigit(c);
  if (n == "AsciiDigit") return XmlChars::AsciiDigit(c);
  if (n == "AsciiLetter") return XmlChars::AsciiLetter(c);
  if (n == "VersionNumChar") return XmlChars::VersionNumChar(c);
  if (n == "EncNameChar") return XmlChars::EncNameChar(c);
  if (n == "PubidChar") return XmlChars::PubidChar(c);
  ADD_FAILURE() << "unknown class " << n;
  return false;
}

TEST(XmlCharClasses, BoundariesFromTheStandard) {
  const TClassCase cases[] = {
      {"BaseChar", 0x40, false},   {"BaseChar", 0x41, true},    {"BaseChar", 0x5A, true},
      {"BaseChar", 0x5B, false},   {"BaseChar", 0x60, false},   {"BaseChar", 0x7A, true},
      {"BaseChar", 0xBF, false},   {"BaseChar", 0xC0, true},    {"BaseChar", 0xD7, false},
      {"BaseChar", 0xF7, false},   {"BaseChar", 0xF8, true},    {"BaseChar", 0x131, true},
      {"BaseChar", 0x132, false},  {"BaseChar", 0x133, false},  {"BaseChar", 0x134, true},
      {"BaseChar", 0x13E, true},   {"BaseChar", 0x13F, false},  {"BaseChar", 0x386, true},
      {"BaseChar", 0x387, false},  {"BaseChar", 0xABFF, false}, {"BaseChar", 0xAC00, true},
      {"BaseChar", 0xD7A3, true},  {"BaseChar", 0xD7A4, false}, {"BaseChar", 0x4E00, false},
      {"Ideographic", 0x3006, false}, {"Ideographic", 0x3007, true},
      {"Ideographic", 0x3008, false}, {"Ideographic", 0x3020, false},
      {"Ideographic", 0x3021, true},  {"Ideographic", 0x3029, true},
      {"Ideographic", 0x302A, false}, {"Ideographic", 0x4DFF, false},
      {"Ideographic", 0x4E00, true},  {"Ideographic", 0x9FA5, true},
      {"Ideographic", 0x9FA6, false},
      {"Letter", 0x3007, true},    {"Letter", 0x9FA5, true},    {"Letter", 0x0131, true},
      {"Letter", 0x0132, false},   {"Letter", 0x5F, false},
      {"CombiningChar", 0x2FF, false}, {"CombiningChar", 0x300, true},
      {"CombiningChar", 0x345, true},  {"CombiningChar", 0x346, false},
      {"CombiningChar", 0x360, true},  {"CombiningChar", 0x361, true},
      {"CombiningChar", 0x362, false}, {"CombiningChar", 0x5A2, false},
      {"CombiningChar", 0x20DC, true}, {"CombiningChar", 0x20DD, false},
      {"CombiningChar", 0x20E0, false}, {"CombiningChar", 0x20E1, true},
      {"CombiningChar", 0x302A, true}, {"CombiningChar", 0x302F, true},
      {"CombiningChar", 0x3099, true}, {"CombiningChar", 0x309A, true},
      {"CombiningChar", 0x309B, false},
      {"Extender", 0xB6, false},   {"Extender", 0xB7, true},    {"Extender", 0xB8, false},
      {"Extender", 0x2CF, false},  {"Extender", 0x2D0, true},   {"Extender", 0x2D1, true},
      {"Extender", 0x2D2, false},  {"Extender", 0x387, true},   {"Extender", 0x640, true},
      {"Extender", 0xE46, true},   {"Extender", 0xEC6, true},   {"Extender", 0x3005, true},
      {"Extender", 0x3030, false}, {"Extender", 0x3031, true},  {"Extender", 0x3035, true},
      {"Extender", 0x3036, false}, {"Extender", 0x309C, false}, {"Extender", 0x309D, true},
      {"Extender", 0x309E, true},  {"Extender", 0x309F, false}, {"Extender", 0x30FB, false},
      {"Extender", 0x30FC, true},  {"Extender", 0x30FE, true},  {"Extender", 0x30FF, false},
      {"NameChar", 0xB7, true},    {"NameChar", 0x300, true},   {"NameChar", 0x0660, true},
      {"NameChar", u':', true},    {"NameChar", u'-', true},    {"NameChar", u' ', false},
      {"NameChar", 0xD800, false}, {"NameChar", 0xFFFF, false},
      {"NCNameChar", u':', false}, {"NCNameChar", u'_', true},  {"NCNameChar", 0x3099, true},
      {"Space", 0x20, true},       {"Space", 0x09, true},       {"Space", 0x0D, true},
      {"Space", 0x0A, true},       {"Space", 0x0B, false},      {"Space", 0x00, false},
      {"Space", 0xA0, false},      {"SpaceOrNul", 0x00, true},  {"SpaceOrNul", 0x01, false},
      {"CharUnit", 0x08, false},   {"CharUnit", 0x09, true},    {"CharUnit", 0x0B, false},
      {"CharUnit", 0x1F, false},   {"CharUnit", 0x20, true},    {"CharUnit", 0xD800, true},
      {"CharUnit", 0xDFFF, true},  {"CharUnit", 0xFFFD, true},  {"CharUnit", 0xFFFE, false},
      {"CharUnit", 0xFFFF, false},
      {"HexDigit", u'/', false},   {"HexDigit", u'0', true},    {"HexDigit", u'9', true},
      {"HexDigit", u':', false},   {"HexDigit", u'@', false},   {"HexDigit", u'A', true},
      {"HexDigit", u'F', true},    {"HexDigit", u'G', false},   {"HexDigit", u'`', false},
      {"HexDigit", u'a', true},    {"HexDigit", u'f', true},    {"HexDigit", u'g', false},
      {"HexDigit", 0xFF10, false}, {"AsciiDigit", 0x0660, false},
      {"AsciiLetter", u'@', false}, {"AsciiLetter", u'[', false}, {"AsciiLetter", u'z', true},
      {"AsciiLetter", 0xC0, false},
      {"VersionNumChar", u':', true}, {"VersionNumChar", u' ', false},
      {"VersionNumChar", u'_', true}, {"EncNameChar", u':', false},
      {"EncNameChar", u'-', true},    {"EncNameChar", u'.', true},
      {"PubidChar", u'@', true},   {"PubidChar", u'%', true},   {"PubidChar", u'\'', true},
      {"PubidChar", u'"', false},  {"PubidChar", u'\t', false}, {"PubidChar", u'&', false},
      {"PubidChar", u'<', false},  {"PubidChar", u'\r', true},  {"PubidChar", u'_', true},
      {"PubidChar", 0xE9, false},
  };
  for (const TClassCase& c : cases)
    EXPECT_EQ(Classify(c.Class, c.Unit), c.Expected)
        << c.Class << " U+" << std::hex << static_cast<unsigned>(c.Unit);
}

TEST(XmlCharClasses, DigitHasTheFifteenBlocksOfTheStandard) {
  const char16_t firsts[] = {0x0030, 0x0660, 0x06F0, 0x0966, 0x09E6, 0x0A66, 0x0AE6, 0x0B66,
                             0x0BE7, 0x0C66, 0x0CE6, 0x0D66, 0x0E50, 0x0ED0, 0x0F20};
  int inside = 0;
  for (unsigned u = 0; u <= 0xFFFF; ++u) inside += XmlChars::Digit(static_cast<char16_t>(u));
  // Fourteen blocks of ten plus the Tamil block U+0BE7..U+0BEF of nine.
  EXPECT_EQ(inside, 14 * 10 + 9);
  for (const char16_t first : firsts) {
    const char16_t last = first == 0x0BE7 ? 0x0BEF : static_cast<char16_t>(first + 9);
    EXPECT_FALSE(XmlChars::Digit(static_cast<char16_t>(first - 1))) << std::hex << static_cast<unsigned>(first);
    EXPECT_TRUE(XmlChars::Digit(first)) << std::hex << static_cast<unsigned>(first);
    EXPECT_TRUE(XmlChars::Digit(last)) << std::hex << static_cast<unsigned>(last);
    EXPECT_FALSE(XmlChars::Digit(static_cast<char16_t>(last + 1))) << std::hex << static_cast<unsigned>(last);
  }
}

bool InTable(const TXmlCharRange* begin, const TXmlCharRange* end, char16_t c) {
  for (const TXmlCharRange* r = begin; r != end; ++r)
    if (c >= r->First && c <= r->Last) return true;
  return false;
}

#define IN(table, c) InTable(std::begin(table), std::end(table), c)

// The fast paths (Latin-1 flags, merged tables) must agree with the plain tables at every
// code unit, which covers the first, the last and the outside neighbours of every range.
TEST(XmlCharClasses, PredicatesAgreeWithTheTablesEverywhere) {
  int mismatches = 0;
  for (unsigned u = 0; u <= 0xFFFF; ++u) {
    const auto c = static_cast<char16_t>(u);
    const bool base = IN(BaseCharRanges, c);
    const bool ideo = IN(IdeographicRanges, c);
    const bool comb = IN(CombiningCharRanges, c);
    const bool digit = IN(DigitRanges, c);
    const bool ext = IN(ExtenderRanges, c);
    const bool letter = base || ideo;
    const bool ncnamechar = letter || comb || digit || ext || c == u'-' || c == u'.' || c == u'_';
    const bool expected[] = {base,   ideo,       comb,
                             digit,  ext,        letter,
                             ncnamechar || c == u':', ncnamechar,
                             letter || c == u'_' || c == u':', letter || c == u'_'};
    const bool actual[] = {XmlChars::BaseChar(c),      XmlChars::Ideographic(c),
                           XmlChars::CombiningChar(c), XmlChars::Digit(c),
                           XmlChars::Extender(c),      XmlChars::Letter(c),
                           XmlChars::NameChar(c),      XmlChars::NCNameChar(c),
                           XmlChars::NameStartChar(c), XmlChars::NCNameStartChar(c)};
    for (std::size_t k = 0; k < std::size(expected); ++k) {
      if (expected[k] != actual[k] && ++mismatches < 20)
        ADD_FAILURE() << "predicate " << k << " at U+" << std::hex << u;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(XmlCharClasses, ClassesDoNotOverlapWhereTheStandardKeepsThemApart) {
  for (unsigned u = 0; u <= 0xFFFF; ++u) {
    const auto c = static_cast<char16_t>(u);
    const int classes = XmlChars::BaseChar(c) + XmlChars::Ideographic(c) +
                        XmlChars::CombiningChar(c) + XmlChars::Digit(c) + XmlChars::Extender(c);
    ASSERT_LE(classes, 1) << "U+" << std::hex << u;
  }
}

// A whole code point is in a class exactly when it is a BMP unit of that class: a value
// beyond the BMP must not alias onto the unit its low 16 bits name.
TEST(XmlCharClasses, CodePointsBeyondTheBmpBelongToNoClass) {
  struct TRow {
    char32_t Cp;
    bool Space, HexDigit, AsciiDigit, AsciiLetter, VersionNumChar, EncNameChar, NameStart,
        NameChar, Char;
  };
  const TRow rows[] = {
      {U' ', true, false, false, false, false, false, false, false, true},
      {U'\t', true, false, false, false, false, false, false, false, true},
      {U'7', false, true, true, false, true, true, false, true, true},
      {U'f', false, true, false, true, true, true, true, true, true},
      {U'G', false, false, false, true, true, true, true, true, true},
      {U':', false, false, false, false, true, false, true, true, true},
      {U'_', false, false, false, false, true, true, true, true, true},
      {U'-', false, false, false, false, true, true, false, true, true},
      {0x00E9, false, false, false, false, false, false, true, true, true},
      {0x4E00, false, false, false, false, false, false, true, true, true},
      {0xFFFD, false, false, false, false, false, false, false, false, true},
      {0xFFFE, false, false, false, false, false, false, false, false, false},
      {0xD800, false, false, false, false, false, false, false, false, false},
      // Low 16 bits naming a space, a digit, a letter, "_", ":" and an ideograph.
      {0x10020, false, false, false, false, false, false, false, false, true},
      {0x10009, false, false, false, false, false, false, false, false, true},
      {0x10037, false, false, false, false, false, false, false, false, true},
      {0x10041, false, false, false, false, false, false, false, false, true},
      {0x1005F, false, false, false, false, false, false, false, false, true},
      {0x1003A, false, false, false, false, false, false, false, false, true},
      {0x14E00, false, false, false, false, false, false, false, false, true},
      {0x10FFFF, false, false, false, false, false, false, false, false, true},
      {0x110020, false, false, false, false, false, false, false, false, false},
      // The character reader's end-of-text value.
      {0xFFFFFFFF, false, false, false, false, false, false, false, false, false},
  };
  for (const TRow& r : rows) {
    SCOPED_TRACE(testing::Message() << "U+" << std::hex << static_cast<unsigned>(r.Cp));
    EXPECT_EQ(XmlChars::Space(r.Cp), r.Space);
    EXPECT_EQ(XmlChars::HexDigit(r.Cp), r.HexDigit);
    EXPECT_EQ(XmlChars::AsciiDigit(r.Cp), r.AsciiDigit);
    EXPECT_EQ(XmlChars::AsciiLetter(r.Cp), r.AsciiLetter);
    EXPECT_EQ(XmlChars::VersionNumChar(r.Cp), r.VersionNumChar);
    EXPECT_EQ(XmlChars::EncNameChar(r.Cp), r.EncNameChar);
    EXPECT_EQ(XmlChars::NameStartChar(r.Cp), r.NameStart);
    EXPECT_EQ(XmlChars::NameChar(r.Cp), r.NameChar);
    EXPECT_EQ(XmlChars::Char(r.Cp), r.Char);
  }
  // Inside the BMP the code-point forms answer as the unit forms do.
  int mismatches = 0;
  for (char32_t u = 0; u <= 0xFFFF; ++u) {
    const auto c = static_cast<char16_t>(u);
    const bool same = XmlChars::Space(u) == XmlChars::Space(c) &&
                      XmlChars::HexDigit(u) == XmlChars::HexDigit(c) &&
                      XmlChars::AsciiDigit(u) == XmlChars::AsciiDigit(c) &&
                      XmlChars::AsciiLetter(u) == XmlChars::AsciiLetter(c) &&
                      XmlChars::VersionNumChar(u) == XmlChars::VersionNumChar(c) &&
                      XmlChars::EncNameChar(u) == XmlChars::EncNameChar(c) &&
                      XmlChars::NameStartChar(u) == XmlChars::NameStartChar(c) &&
                      XmlChars::NameChar(u) == XmlChars::NameChar(c) &&
                      XmlChars::Char(u) == (XmlChars::CharUnit(c) && !XmlChars::HighSurrogate(c) &&
                                            !XmlChars::LowSurrogate(c));
    if (!same && ++mismatches < 20) ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(u);
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(XmlUtf16, EncodesAndDecodesAtTheEdgesOfThePlanes) {
  struct TRow {
    char32_t Cp;
    std::u16string Units;
  };
  const TRow rows[] = {
      {0x0000, std::u16string(1, u'\0')},
      {0x0041, u"A"},
      {0xD7FF, u"\uD7FF"},
      {0xE000, u"\uE000"},
      {0xFFFF, u"\uFFFF"},
      {0x10000, u"\xD800\xDC00"},
      {0x103FF, u"\xD800\xDFFF"},
      {0x10400, u"\xD801\xDC00"},
      {0x1F600, u"\xD83D\xDE00"},
      {0x10FFFF, u"\xDBFF\xDFFF"},
  };
  for (const TRow& r : rows) {
    SCOPED_TRACE(testing::Message() << "U+" << std::hex << static_cast<unsigned>(r.Cp));
    char16_t units[2] = {u'?', u'?'};
    const std::size_t n = XmlUtf16::Encode(r.Cp, units);
    EXPECT_EQ(std::u16string(units, n), r.Units);
    WideString appended = u"x";
    XmlUtf16::Append(appended, r.Cp);
    EXPECT_EQ(appended, u"x" + r.Units);
    if (n == 2) EXPECT_EQ(XmlUtf16::Decode(units[0], units[1]), r.Cp);
  }
}

}  // namespace
