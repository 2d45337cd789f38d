// The one library of XML character classes and lexical rules: predicates on single UTF-16
// code units (XmlChars), rules on whole strings (XmlRules) and small text transformations
// (XmlText). The name classes are those of XML 1.0 up to its fourth edition; they cover the
// Basic Multilingual Plane only. Nothing here keeps state or allocates except where a
// function returns a new string.
#pragma once

#include "platform/WideString.h"
#include "xml/XmlCharTables.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace XmlCharsDetail {

// Binary search over sorted, disjoint, inclusive ranges.
constexpr bool InRanges(const TXmlCharRange* table, std::size_t count, char16_t c) {
  std::size_t lo = 0;
  std::size_t hi = count;
  while (lo < hi) {
    const std::size_t mid = (lo + hi) / 2;
    if (c < table[mid].First)
      hi = mid;
    else if (c > table[mid].Last)
      lo = mid + 1;
    else
      return true;
  }
  return false;
}

// Ranges with an index by the high byte of the code unit: PageStart[p] is the first range
// that ends at or after U+pp00, so a test searches only the few ranges touching its page.
template <std::size_t N>
struct TRangeTable {
  TXmlCharRange Ranges[N]{};
  std::size_t Count = 0;
  std::uint16_t PageStart[257]{};

  constexpr bool Contains(char16_t c) const {
    const unsigned page = c >> 8u;
    const std::size_t first = PageStart[page];
    const std::size_t end = PageStart[page + 1] < Count ? PageStart[page + 1] + 1u : Count;
    return InRanges(Ranges + first, end - first, c);
  }
};

// The union of several generated tables, sorted and merged at compile time, so that a
// combined class such as NameChar costs one search instead of four.
template <std::size_t N, std::size_t... Ns>
constexpr TRangeTable<N> MergeRanges(const TXmlCharRange (&... tables)[Ns]) {
  TXmlCharRange all[N]{};
  std::size_t n = 0;
  (
      [&](const auto& table) {
        for (const TXmlCharRange& r : table) all[n++] = r;
      }(tables),
      ...);
  for (std::size_t i = 1; i < n; ++i) {
    const TXmlCharRange key = all[i];
    std::size_t j = i;
    for (; j > 0 && all[j - 1].First > key.First; --j) all[j] = all[j - 1];
    all[j] = key;
  }
  TRangeTable<N> out;
  for (std::size_t i = 0; i < n; ++i) {
    if (out.Count > 0 && all[i].First <= out.Ranges[out.Count - 1].Last + 1) {
      TXmlCharRange& last = out.Ranges[out.Count - 1];
      if (all[i].Last > last.Last) last.Last = all[i].Last;
    } else {
      out.Ranges[out.Count++] = all[i];
    }
  }
  std::size_t index = 0;
  for (unsigned page = 0; page <= 256; ++page) {
    while (index < out.Count && out.Ranges[index].Last < page * 256u) ++index;
    out.PageStart[page] = static_cast<std::uint16_t>(index);
  }
  return out;
}

inline constexpr auto BaseCharTable = MergeRanges<std::size(BaseCharRanges)>(BaseCharRanges);
inline constexpr auto CombiningCharTable =
    MergeRanges<std::size(CombiningCharRanges)>(CombiningCharRanges);
inline constexpr auto DigitTable = MergeRanges<std::size(DigitRanges)>(DigitRanges);
inline constexpr auto ExtenderTable = MergeRanges<std::size(ExtenderRanges)>(ExtenderRanges);

inline constexpr auto LetterTable =
    MergeRanges<std::size(BaseCharRanges) + std::size(IdeographicRanges)>(BaseCharRanges,
                                                                          IdeographicRanges);
inline constexpr auto NameCharTable =
    MergeRanges<std::size(BaseCharRanges) + std::size(IdeographicRanges) +
                std::size(DigitRanges) + std::size(CombiningCharRanges) +
                std::size(ExtenderRanges)>(BaseCharRanges, IdeographicRanges, DigitRanges,
                                           CombiningCharRanges, ExtenderRanges);

// Flags of the code units below U+0100, answered by one look-up.
enum : std::uint16_t {
  kBaseChar = 1u << 0,
  kDigit = 1u << 1,
  kExtender = 1u << 2,
  kSpace = 1u << 3,
  kNameStart = 1u << 4,    // Letter, "_" or ":"
  kNameChar = 1u << 5,     // NameChar
  kNCNameStart = 1u << 6,  // Letter or "_"
  kNCNameChar = 1u << 7,   // NameChar without ":"
  kHexDigit = 1u << 8,
  kPubidChar = 1u << 9,
  kVersionNumChar = 1u << 10,
  kEncNameChar = 1u << 11,
  kAsciiLetter = 1u << 12,
  kAsciiDigit = 1u << 13,
};

struct TLatin1Flags {
  std::uint16_t Flags[256]{};
};

constexpr TLatin1Flags MakeLatin1Flags() {
  TLatin1Flags t;
  constexpr std::u16string_view pubidPunct = u"-'()+,./:=?;!*#@$_%";
  for (unsigned u = 0; u < 256; ++u) {
    const auto c = static_cast<char16_t>(u);
    std::uint16_t f = 0;
    const bool base = InRanges(BaseCharRanges, std::size(BaseCharRanges), c);
    const bool digit = InRanges(DigitRanges, std::size(DigitRanges), c);
    const bool ext = InRanges(ExtenderRanges, std::size(ExtenderRanges), c);
    const bool comb = InRanges(CombiningCharRanges, std::size(CombiningCharRanges), c);
    const bool asciiLetter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
    const bool asciiDigit = c >= u'0' && c <= u'9';
    if (base) f |= kBaseChar;
    if (digit) f |= kDigit;
    if (ext) f |= kExtender;
    if (c == 0x20 || c == 0x09 || c == 0x0D || c == 0x0A) f |= kSpace;
    if (base || c == u'_') f |= kNCNameStart;
    if (base || c == u'_' || c == u':') f |= kNameStart;
    if (base || digit || ext || comb || c == u'-' || c == u'.' || c == u'_') f |= kNCNameChar;
    if (base || digit || ext || comb || c == u'-' || c == u'.' || c == u'_' || c == u':')
      f |= kNameChar;
    if (asciiDigit || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f')) f |= kHexDigit;
    if (asciiLetter || asciiDigit || c == 0x20 || c == 0x0D || c == 0x0A ||
        pubidPunct.find(c) != std::u16string_view::npos)
      f |= kPubidChar;
    if (asciiLetter || asciiDigit || c == u'_' || c == u'.' || c == u':' || c == u'-')
      f |= kVersionNumChar;
    if (asciiLetter || asciiDigit || c == u'.' || c == u'_' || c == u'-') f |= kEncNameChar;
    if (asciiLetter) f |= kAsciiLetter;
    if (asciiDigit) f |= kAsciiDigit;
    t.Flags[u] = f;
  }
  return t;
}

inline constexpr TLatin1Flags Latin1 = MakeLatin1Flags();

constexpr bool Has(char16_t c, std::uint16_t flag) {
  return c < 0x100 && (Latin1.Flags[c] & flag) != 0;
}

}  // namespace XmlCharsDetail

// Predicates on one UTF-16 code unit. Below U+0100 each is one table look-up; above, a
// binary search over the ranges of the class that touch the unit's 256-unit page.
namespace XmlChars {

namespace detail = XmlCharsDetail;

constexpr bool BaseChar(char16_t c) {
  return c < 0x100 ? detail::Has(c, detail::kBaseChar) : detail::BaseCharTable.Contains(c);
}
constexpr bool Ideographic(char16_t c) {
  return (c >= 0x4E00 && c <= 0x9FA5) || c == 0x3007 || (c >= 0x3021 && c <= 0x3029);
}
constexpr bool CombiningChar(char16_t c) {
  return c >= 0x300 && detail::CombiningCharTable.Contains(c);
}
constexpr bool Digit(char16_t c) {
  return c < 0x100 ? detail::Has(c, detail::kDigit) : detail::DigitTable.Contains(c);
}
constexpr bool Extender(char16_t c) {
  return c < 0x100 ? detail::Has(c, detail::kExtender) : detail::ExtenderTable.Contains(c);
}
constexpr bool Letter(char16_t c) {
  return c < 0x100 ? detail::Has(c, detail::kBaseChar) : detail::LetterTable.Contains(c);
}
constexpr bool NameChar(char16_t c) {
  return c < 0x100 ? detail::Has(c, detail::kNameChar) : detail::NameCharTable.Contains(c);
}
constexpr bool NCNameChar(char16_t c) {
  return c < 0x100 ? detail::Has(c, detail::kNCNameChar) : detail::NameCharTable.Contains(c);
}
// First character of a Name: Letter, "_" or ":".
constexpr bool NameStartChar(char16_t c) {
  return c < 0x100 ? detail::Has(c, detail::kNameStart) : detail::LetterTable.Contains(c);
}
// First character of an NCName: Letter or "_".
constexpr bool NCNameStartChar(char16_t c) {
  return c < 0x100 ? detail::Has(c, detail::kNCNameStart) : detail::LetterTable.Contains(c);
}
constexpr bool Space(char16_t c) { return c == 0x20 || c == 0x09 || c == 0x0D || c == 0x0A; }
constexpr bool SpaceOrNul(char16_t c) { return c == 0 || Space(c); }
constexpr bool CharUnit(char16_t c) {
  return c >= 0x20 ? c <= 0xFFFD : (c == 0x09 || c == 0x0A || c == 0x0D);
}
constexpr bool HexDigit(char16_t c) { return detail::Has(c, detail::kHexDigit); }
constexpr bool AsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
constexpr bool AsciiLetter(char16_t c) { return detail::Has(c, detail::kAsciiLetter); }
constexpr bool VersionNumChar(char16_t c) { return detail::Has(c, detail::kVersionNumChar); }
constexpr bool EncNameChar(char16_t c) { return detail::Has(c, detail::kEncNameChar); }
constexpr bool PubidChar(char16_t c) { return detail::Has(c, detail::kPubidChar); }
constexpr bool HighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool LowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The same classes for a whole code point, as the character reader and the decoders deliver
// it. Nothing beyond the BMP belongs to any of them, neither a supplementary character nor
// the reader's end-of-text value, where a conversion to char16_t would alias such a value
// onto some BMP unit. A caller holding a wider integer converts it to char32_t explicitly.
constexpr bool InBmp(char32_t c) { return c <= 0xFFFF; }
constexpr bool Space(char32_t c) { return c == 0x20 || c == 0x09 || c == 0x0D || c == 0x0A; }
constexpr bool HexDigit(char32_t c) { return c < 0x100 && HexDigit(static_cast<char16_t>(c)); }
constexpr bool AsciiDigit(char32_t c) { return c >= U'0' && c <= U'9'; }
constexpr bool AsciiLetter(char32_t c) {
  return c < 0x100 && AsciiLetter(static_cast<char16_t>(c));
}
constexpr bool VersionNumChar(char32_t c) {
  return c < 0x100 && VersionNumChar(static_cast<char16_t>(c));
}
constexpr bool EncNameChar(char32_t c) {
  return c < 0x100 && EncNameChar(static_cast<char16_t>(c));
}
constexpr bool NameStartChar(char32_t c) {
  return InBmp(c) && NameStartChar(static_cast<char16_t>(c));
}
constexpr bool NameChar(char32_t c) { return InBmp(c) && NameChar(static_cast<char16_t>(c)); }
// XML 1.0 [2] Char: tab, LF, CR, U+0020-U+D7FF, U+E000-U+FFFD, U+10000-U+10FFFF.
constexpr bool Char(char32_t c) {
  if (c < 0x20) return c == 0x09 || c == 0x0A || c == 0x0D;
  if (c < 0xD800) return true;
  if (c < 0xE000) return false;
  if (c <= 0xFFFD) return true;
  return c >= 0x10000 && c <= 0x10FFFF;
}

}  // namespace XmlChars

// The one place where a code point becomes UTF-16 code units and a surrogate pair becomes a
// code point again.
namespace XmlUtf16 {

// Writes c as one unit, or as a surrogate pair with the high unit first, and gives the number
// of units. c is at most U+10FFFF and no surrogate: the caller has checked it.
constexpr std::size_t Encode(char32_t c, char16_t* out) {
  if (c < 0x10000) {
    out[0] = static_cast<char16_t>(c);
    return 1;
  }
  const char32_t v = c - 0x10000;
  out[0] = static_cast<char16_t>(0xD800 + (v >> 10));
  out[1] = static_cast<char16_t>(0xDC00 + (v & 0x3FF));
  return 2;
}

// One push_back for a BMP character: the parsers append every non-ASCII character here.
inline void Append(WideString& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
    return;
  }
  char16_t units[2];
  Encode(c, units);
  out.push_back(units[0]);
  out.push_back(units[1]);
}

// The code point of a high and a low surrogate.
constexpr char32_t Decode(char16_t high, char16_t low) {
  return ((static_cast<char32_t>(high) - 0xD800) << 10) + (static_cast<char32_t>(low) - 0xDC00) +
         0x10000;
}

}  // namespace XmlUtf16

// Space, CR, LF, tab: the white-space characters, in the order the input layer expects.
inline const WideString WhiteSpaceChars = u" \r\n\t";

// Rules on whole strings; each answers true or false and never raises.
namespace XmlRules {

bool Chars(WideStringView s);
bool S(WideStringView s);
bool Name(WideStringView s);
bool Names(WideStringView s);
bool Nmtoken(WideStringView s);
bool Nmtokens(WideStringView s);
bool CharRef(WideStringView s);
bool EntityRef(WideStringView s);
bool PEReference(WideStringView s);
bool Reference(WideStringView s);
bool EntityValueText(WideStringView s);
bool LiteralText(WideStringView s);
bool PredefinedEntityName(WideStringView s);
bool PubidChars(WideStringView s);
bool CharData(WideStringView s);
bool PITarget(WideStringView s);
bool VersionNum(WideStringView s);
bool EncName(WideStringView s);
bool NCName(WideStringView s);
bool Prefix(WideStringView s);
bool LocalPart(WideStringView s);
bool DefaultAttName(WideStringView s);
bool PrefixedAttName(WideStringView s);

}  // namespace XmlRules

// Text transformations. CharRefValue, CharRefText and ResolveCharRefs raise EConvertError;
// QNamePrefix and QNameLocalName raise EInvalid_Character_Err.
namespace XmlText {

WideString Trim(WideStringView s);
WideString NormalizeSpace(WideStringView s);
WideString CollapseSpaces(WideStringView s);
WideString StripParentheses(WideStringView s, bool& error);
WideString EscapeQuotes(WideStringView s);
bool SplitQName(WideStringView qualifiedName, WideString& prefix, WideString& localName);
WideString QNamePrefix(WideStringView qualifiedName);
WideString QNameLocalName(WideStringView qualifiedName);
// The code point of a character reference ("&#65;", "&#x41;"). Digits that would take the
// value beyond U+10FFFF stop the accumulation, so no reference wraps around to a valid one.
std::uint32_t CharRefValue(WideStringView reference);
WideString CharRefText(WideStringView reference);
WideString ResolveCharRefs(WideStringView text);

}  // namespace XmlText
