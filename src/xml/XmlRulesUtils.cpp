#include "xml/XmlRulesUtils.h"

#include "dom/DomExceptions.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "platform/Utf16.h"

namespace {

using namespace XmlChars;

// Checks one character of Char* at s[i] and advances past it; a surrogate pair counts as
// one supplementary character, which is always allowed.
bool NextChar(WideStringView s, std::size_t& i) {
  const char16_t c = s[i];
  if (HighSurrogate(c)) {
    if (i + 1 >= s.size() || !LowSurrogate(s[i + 1])) return false;
    i += 2;
    return true;
  }
  if (LowSurrogate(c) || !CharUnit(c)) return false;
  ++i;
  return true;
}

// One pass over Char*, optionally refusing "]]>" too: ordinary units cost one range test;
// only controls, "]", surrogates and the last two BMP units take the slower branches.
template <bool RefuseCDataEnd>
bool CharsScan(WideStringView s) {
  const char16_t* p = s.data();
  const char16_t* const end = p + s.size();
  while (p < end) {
    const char16_t c = *p;
    if (c >= 0x20 && c < 0xD800 && (!RefuseCDataEnd || c != u']')) {
      ++p;
    } else if (c == u']') {
      if (end - p >= 3 && p[1] == u']' && p[2] == u'>') return false;
      ++p;
    } else if (c < 0x20) {
      if (c != 0x09 && c != 0x0A && c != 0x0D) return false;
      ++p;
    } else if (HighSurrogate(c)) {
      if (end - p < 2 || !LowSurrogate(p[1])) return false;
      p += 2;
    } else {
      if (LowSurrogate(c) || c > 0xFFFD) return false;
      ++p;
    }
  }
  return true;
}

bool HasBothQuotes(WideStringView s) {
  return s.find(u'"') != WideStringView::npos && s.find(u'\'') != WideStringView::npos;
}

// Tokens separated by exactly one space each, none empty.
template <class TokenRule>
bool SpaceSeparated(WideStringView s, TokenRule rule) {
  if (s.empty()) return false;
  std::size_t start = 0;
  while (true) {
    const std::size_t space = s.find(u' ', start);
    const WideStringView token =
        s.substr(start, space == WideStringView::npos ? WideStringView::npos : space - start);
    if (!rule(token)) return false;
    if (space == WideStringView::npos) return true;
    start = space + 1;
  }
}

[[noreturn]] void RaiseConvert(const char* pattern, WideStringView text) {
  throw EConvertError(Format(pattern, {WideToUtf8(WideString(text))}));
}

[[noreturn]] void RaiseConvert(const char* message) { throw EConvertError(message); }

const char* const kInvalidCharRef = "%s is not a valid XmlCharRef value.";

}  // namespace

namespace XmlRules {

bool Chars(WideStringView s) { return CharsScan<false>(s); }

bool S(WideStringView s) {
  if (s.empty()) return false;
  for (const char16_t c : s)
    if (!Space(c)) return false;
  return true;
}

bool Name(WideStringView s) {
  if (s.empty() || !NameStartChar(s[0])) return false;
  for (std::size_t i = 1; i < s.size(); ++i)
    if (!NameChar(s[i])) return false;
  return true;
}

bool Names(WideStringView s) { return SpaceSeparated(s, Name); }

bool Nmtoken(WideStringView s) {
  if (s.empty()) return false;
  for (const char16_t c : s)
    if (!NameChar(c)) return false;
  return true;
}

bool Nmtokens(WideStringView s) { return SpaceSeparated(s, Nmtoken); }

bool CharRef(WideStringView s) {
  if (s.empty() || s.back() != u';') return false;
  if (s.starts_with(u"&#x")) {
    if (s.size() <= 4) return false;
    for (std::size_t i = 3; i + 1 < s.size(); ++i)
      if (!HexDigit(s[i])) return false;
    return true;
  }
  if (s.size() <= 3 || !s.starts_with(u"&#")) return false;
  for (std::size_t i = 2; i + 1 < s.size(); ++i)
    if (!AsciiDigit(s[i])) return false;
  return true;
}

bool EntityRef(WideStringView s) {
  return s.size() >= 3 && s.front() == u'&' && s.back() == u';' &&
         Name(s.substr(1, s.size() - 2));
}

bool PEReference(WideStringView s) {
  return s.size() >= 3 && s.front() == u'%' && s.back() == u';' &&
         Name(s.substr(1, s.size() - 2));
}

bool Reference(WideStringView s) { return EntityRef(s) || CharRef(s); }

bool EntityValueText(WideStringView s) {
  if (HasBothQuotes(s)) return false;
  std::size_t i = 0;
  while (i < s.size()) {
    const char16_t c = s[i];
    if (c == u'%') return false;
    if (c == u'&') {
      const std::size_t end = s.find(u';', i);
      if (end == WideStringView::npos || !Reference(s.substr(i, end - i + 1))) return false;
      i = end + 1;
      continue;
    }
    if (!NextChar(s, i)) return false;
  }
  return true;
}

bool LiteralText(WideStringView s) { return !HasBothQuotes(s) && Chars(s); }

bool PredefinedEntityName(WideStringView s) {
  return s == u"lt" || s == u"gt" || s == u"amp" || s == u"apos" || s == u"quot";
}

bool PubidChars(WideStringView s) {
  for (const char16_t c : s)
    if (!PubidChar(c)) return false;
  return true;
}

bool CharData(WideStringView s) { return CharsScan<true>(s); }

bool PITarget(WideStringView s) {
  if (!Name(s)) return false;
  if (s.size() != 3) return true;
  return !((s[0] | 0x20) == u'x' && (s[1] | 0x20) == u'm' && (s[2] | 0x20) == u'l');
}

bool VersionNum(WideStringView s) {
  if (s.empty()) return false;
  for (const char16_t c : s)
    if (!VersionNumChar(c)) return false;
  return true;
}

bool EncName(WideStringView s) {
  if (s.empty() || !AsciiLetter(s[0])) return false;
  for (std::size_t i = 1; i < s.size(); ++i)
    if (!EncNameChar(s[i])) return false;
  return true;
}

bool NCName(WideStringView s) {
  if (s.empty() || !NCNameStartChar(s[0])) return false;
  for (std::size_t i = 1; i < s.size(); ++i)
    if (!NCNameChar(s[i])) return false;
  return true;
}

bool Prefix(WideStringView s) { return NCName(s); }
bool LocalPart(WideStringView s) { return NCName(s); }
bool DefaultAttName(WideStringView s) { return s == u"xmlns"; }
bool PrefixedAttName(WideStringView s) { return s.starts_with(u"xmlns:") && NCName(s.substr(6)); }

}  // namespace XmlRules

namespace XmlText {

namespace {

WideString SquashSpaces(WideStringView s, bool (*isSeparator)(char16_t)) {
  WideString out;
  out.reserve(s.size());
  bool pending = false;
  for (const char16_t c : s) {
    if (isSeparator(c)) {
      pending = !out.empty();
      continue;
    }
    if (pending) out += u' ';
    pending = false;
    out += c;
  }
  return out;
}

bool IsPlainSpace(char16_t c) { return c == u' '; }
bool IsXmlSpace(char16_t c) { return Space(c); }

}  // namespace

WideString Trim(WideStringView s) {
  std::size_t first = 0;
  std::size_t last = s.size();
  while (first < last && Space(s[first])) ++first;
  while (last > first && Space(s[last - 1])) --last;
  return WideString(s.substr(first, last - first));
}

WideString NormalizeSpace(WideStringView s) { return SquashSpaces(s, IsXmlSpace); }

WideString CollapseSpaces(WideStringView s) { return SquashSpaces(s, IsPlainSpace); }

WideString StripParentheses(WideStringView s, bool& error) {
  const WideString trimmed = Trim(s);
  if (trimmed.size() >= 2 && trimmed.front() == u'(' && trimmed.back() == u')') {
    error = false;
    return Trim(WideStringView(trimmed).substr(1, trimmed.size() - 2));
  }
  error = true;
  return WideString();
}

WideString EscapeQuotes(WideStringView s) {
  WideString out;
  out.reserve(s.size());
  for (const char16_t c : s) {
    if (c == u'"')
      out += u"&#34;";
    else if (c == u'\'')
      out += u"&#39;";
    else
      out += c;
  }
  return out;
}

bool SplitQName(WideStringView qualifiedName, WideString& prefix, WideString& localName) {
  const std::size_t colon = qualifiedName.find(u':');
  WideStringView p;
  WideStringView l = qualifiedName;
  if (colon != WideStringView::npos) {
    p = qualifiedName.substr(0, colon);
    l = qualifiedName.substr(colon + 1);
  }
  if ((colon != WideStringView::npos && !XmlRules::NCName(p)) || !XmlRules::NCName(l)) {
    prefix.clear();
    localName.clear();
    return false;
  }
  prefix.assign(p);
  localName.assign(l);
  return true;
}

WideString QNamePrefix(WideStringView qualifiedName) {
  WideString prefix;
  WideString localName;
  if (!SplitQName(qualifiedName, prefix, localName))
    throw EInvalid_Character_Err("Invalid character error.");
  return prefix;
}

WideString QNameLocalName(WideStringView qualifiedName) {
  WideString prefix;
  WideString localName;
  if (!SplitQName(qualifiedName, prefix, localName))
    throw EInvalid_Character_Err("Invalid character error.");
  return localName;
}

std::uint32_t CharRefValue(WideStringView reference) {
  if (!XmlRules::CharRef(reference)) RaiseConvert(kInvalidCharRef, reference);
  const bool hex = reference[2] == u'x';
  const std::uint32_t base = hex ? 16 : 10;
  std::uint32_t value = 0;
  for (std::size_t i = hex ? 3 : 2; i + 1 < reference.size(); ++i) {
    const char16_t c = reference[i];
    const std::uint32_t digit = c <= u'9' ? c - u'0' : (c | 0x20) - u'a' + 10;
    value = value * base + digit;
    // Past U+10FFFF no further digit can make the reference valid again.
    if (value > 0x10FFFF) RaiseConvert(kInvalidCharRef, reference);
  }
  const bool valid = value >= 0x10000 || (CharUnit(static_cast<char16_t>(value)) &&
                                          !HighSurrogate(static_cast<char16_t>(value)) &&
                                          !LowSurrogate(static_cast<char16_t>(value)));
  if (!valid) RaiseConvert(kInvalidCharRef, reference);
  return value;
}

WideString CharRefText(WideStringView reference) {
  WideString text;
  XmlUtf16::Append(text, CharRefValue(reference));
  return text;
}

WideString ResolveCharRefs(WideStringView text) {
  WideString out;
  out.reserve(text.size());
  std::size_t i = 0;
  if (!text.empty() && text[0] == 0xFEFF) {
    out += text[0];
    i = 1;
  }
  while (i < text.size()) {
    const char16_t c = text[i];
    if (LowSurrogate(c)) RaiseConvert("WideString must not start with a UTF-16 low surrogate.");
    if (HighSurrogate(c)) {
      if (i + 1 == text.size())
        RaiseConvert("WideString must not end with a UTF-16 high surrogate.");
      if (!LowSurrogate(text[i + 1]))
        RaiseConvert(
            "WideString contains an UTF-16 high surrogate without its corresponding low "
            "surrogate.");
      out += c;
      out += text[i + 1];
      i += 2;
      continue;
    }
    if (!CharUnit(c)) RaiseConvert("WideString contains an invalid character.");
    if (c == u'&') {
      const std::size_t end = text.find(u';', i);
      if (end == WideStringView::npos) RaiseConvert("WideString contains an '&' without a ';'.");
      const WideStringView reference = text.substr(i, end - i + 1);
      if (XmlRules::EntityRef(reference))
        out += reference;
      else if (XmlRules::CharRef(reference))
        out += CharRefText(reference);
      else
        RaiseConvert("WideString contains an invalid reference %s.", reference);
      i = end + 1;
      continue;
    }
    out += c;
    ++i;
  }
  return out;
}

}  // namespace XmlText
