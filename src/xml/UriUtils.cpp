#include "xml/UriUtils.h"

#include <string_view>

namespace {

// The character classes of RFC 2396 on one code unit; bytes above 0x7F are in none.
template <class C>
constexpr bool Alpha(C c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
template <class C>
constexpr bool DigitC(C c) { return c >= '0' && c <= '9'; }
template <class C>
constexpr bool Alphanum(C c) { return Alpha(c) || DigitC(c); }
template <class C>
constexpr bool HexC(C c) { return DigitC(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
template <class C>
constexpr bool OneOf(C c, std::string_view set) {
  return c > 0 && c < 0x80 && set.find(static_cast<char>(c)) != std::string_view::npos;
}
template <class C>
constexpr bool Mark(C c) { return OneOf(c, "-_.!~*'()"); }
template <class C>
constexpr bool Unreserved(C c) { return Alphanum(c) || Mark(c); }
template <class C>
constexpr bool Reserved(C c) { return OneOf(c, ";/?:@&=+$,"); }

// Walks s and accepts it when every character is an escape ("%" and two hex digits) or
// satisfies plain(c).
template <class C, class Pred>
bool AllOf(std::basic_string_view<C> s, Pred plain) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%') {
      if (i + 2 >= s.size() || !HexC(s[i + 1]) || !HexC(s[i + 2])) return false;
      i += 2;
    } else if (!plain(s[i])) {
      return false;
    }
  }
  return true;
}

template <class C>
bool Uric(std::basic_string_view<C> s) {
  return AllOf(s, [](C c) { return Reserved(c) || Unreserved(c); });
}

// Query and fragment: empty, or one or more uric.
template <class C>
bool UricOrEmpty(std::basic_string_view<C> s) { return Uric(s); }

template <class C>
bool SchemeRule(std::basic_string_view<C> s) {
  if (s.empty() || !Alpha(s[0])) return false;
  for (std::size_t i = 1; i < s.size(); ++i)
    if (!Alphanum(s[i]) && s[i] != '+' && s[i] != '-' && s[i] != '.') return false;
  return true;
}

// domainlabel (or toplabel when the first character must be a letter).
template <class C>
bool Label(std::basic_string_view<C> s, bool top) {
  if (s.empty()) return false;
  if (top ? !Alpha(s[0]) : !Alphanum(s[0])) return false;
  if (!Alphanum(s.back())) return false;
  for (const C c : s)
    if (!Alphanum(c) && c != '-') return false;
  return true;
}

template <class C>
bool Hostname(std::basic_string_view<C> s) {
  if (!s.empty() && s.back() == '.') s.remove_suffix(1);
  if (s.empty()) return false;
  const std::size_t lastDot = s.rfind('.');
  const std::size_t topStart = lastDot == std::basic_string_view<C>::npos ? 0 : lastDot + 1;
  if (!Label(s.substr(topStart), true)) return false;
  std::size_t start = 0;
  while (start < topStart) {
    const std::size_t dot = s.find('.', start);
    if (!Label(s.substr(start, dot - start), false)) return false;
    start = dot + 1;
  }
  return true;
}

template <class C>
bool IPv4address(std::basic_string_view<C> s) {
  int groups = 0;
  std::size_t digits = 0;
  for (const C c : s) {
    if (c == '.') {
      if (digits == 0) return false;
      ++groups;
      digits = 0;
    } else if (DigitC(c)) {
      ++digits;
    } else {
      return false;
    }
  }
  return groups == 3 && digits > 0;
}

template <class C>
bool Server(std::basic_string_view<C> s) {
  if (s.empty()) return true;
  const std::size_t at = s.find('@');
  if (at != std::basic_string_view<C>::npos) {
    const auto userinfo = s.substr(0, at);
    if (!AllOf(userinfo, [](C c) { return Unreserved(c) || OneOf(c, ";:&=+$,"); })) return false;
    s = s.substr(at + 1);
  }
  const std::size_t colon = s.find(':');
  const auto host = s.substr(0, colon);
  if (colon != std::basic_string_view<C>::npos) {
    for (const C c : s.substr(colon + 1))
      if (!DigitC(c)) return false;
  }
  return Hostname(host) || IPv4address(host);
}

template <class C>
bool RegName(std::basic_string_view<C> s) {
  return !s.empty() && AllOf(s, [](C c) { return Unreserved(c) || OneOf(c, "$,;:@&=+"); });
}

template <class C>
bool AuthorityRule(std::basic_string_view<C> s) { return Server(s) || RegName(s); }

template <class C>
bool AbsPath(std::basic_string_view<C> s) {
  return !s.empty() && s[0] == '/' &&
         AllOf(s.substr(1), [](C c) { return Unreserved(c) || OneOf(c, ":@&=+$,;/"); });
}

template <class C>
bool OpaquePart(std::basic_string_view<C> s) { return !s.empty() && s[0] != '/' && Uric(s); }

template <class C>
bool PathRule(std::basic_string_view<C> s) { return s.empty() || AbsPath(s) || OpaquePart(s); }

template <class C>
bool IsAbsolute(std::basic_string_view<C> s) {
  using View = std::basic_string_view<C>;
  const std::size_t colon = s.find(':');
  if (colon == View::npos || !SchemeRule(s.substr(0, colon))) return false;
  View rest = s.substr(colon + 1);
  if (rest.empty() || rest[0] != '/') return OpaquePart(rest);
  const std::size_t question = rest.find('?');
  if (question != View::npos) {
    if (!UricOrEmpty(rest.substr(question + 1))) return false;
    rest = rest.substr(0, question);
  }
  if (rest.size() >= 2 && rest[0] == '/' && rest[1] == '/') {
    rest.remove_prefix(2);
    const std::size_t slash = rest.find('/');
    if (!AuthorityRule(rest.substr(0, slash))) return false;
    return slash == View::npos || AbsPath(rest.substr(slash));
  }
  return AbsPath(rest);
}

}  // namespace

template <class TString>
void TUriAnalyzer<TString>::Reset() {
  Scheme_.clear();
  HasScheme_ = false;
  Authority_.clear();
  HasAuthority_ = false;
  Path_.clear();
  Query_.clear();
  HasQuery_ = false;
  Fragment_.clear();
  HasFragment_ = false;
}

template <class TString>
TString TUriAnalyzer<TString>::Compose() const {
  using C = typename TString::value_type;
  TString out;
  if (HasScheme_) {
    out += Scheme_;
    out += C(':');
  }
  if (HasAuthority_) {
    out += C('/');
    out += C('/');
    out += Authority_;
  }
  out += Path_;
  if (HasQuery_) {
    out += C('?');
    out += Query_;
  }
  if (HasFragment_) {
    out += C('#');
    out += Fragment_;
  }
  return out;
}

namespace {

// A component setter: an absent component is always accepted; a present one is kept only
// when it satisfies its rule, and emptied otherwise.
template <class TString, class Rule>
bool StoreComponent(TString& field, bool& flag, const TString& text, bool present, Rule rule) {
  flag = present;
  if (present && rule(std::basic_string_view<typename TString::value_type>(text))) {
    field = text;
    return true;
  }
  field.clear();
  return !present;
}

}  // namespace

template <class TString>
bool TUriAnalyzer<TString>::SetAuthority(const TString& text, bool present) {
  using C = typename TString::value_type;
  return StoreComponent(Authority_, HasAuthority_, text, present, AuthorityRule<C>);
}

template <class TString>
bool TUriAnalyzer<TString>::SetFragment(const TString& text, bool present) {
  using C = typename TString::value_type;
  return StoreComponent(Fragment_, HasFragment_, text, present, UricOrEmpty<C>);
}

template <class TString>
bool TUriAnalyzer<TString>::SetPath(const TString& text) {
  using C = typename TString::value_type;
  if (PathRule(std::basic_string_view<C>(text))) {
    Path_ = text;
    return true;
  }
  Path_.clear();
  return false;
}

template <class TString>
bool TUriAnalyzer<TString>::SetQuery(const TString& text, bool present) {
  using C = typename TString::value_type;
  return StoreComponent(Query_, HasQuery_, text, present, UricOrEmpty<C>);
}

template <class TString>
bool TUriAnalyzer<TString>::SetScheme(const TString& text, bool present) {
  using C = typename TString::value_type;
  return StoreComponent(Scheme_, HasScheme_, text, present, SchemeRule<C>);
}

template <class TString>
bool TUriAnalyzer<TString>::Analyze(const TString& text) {
  const auto npos = TString::npos;
  bool ok = true;
  TString rest = text;
  // A ":" inside the query or the fragment does not end a scheme ("a.xml#p:q" has none).
  std::size_t colon = text.find(':');
  if (colon != npos && colon > text.find_first_of(TString(1, '?') + TString(1, '#')))
    colon = npos;
  if (colon != npos) {
    ok = SetScheme(text.substr(0, colon), true) && ok;
    rest = text.substr(colon + 1);
  } else {
    ok = SetScheme(TString(), false) && ok;
  }
  const std::size_t hash = rest.find('#');
  if (hash != npos) {
    ok = SetFragment(rest.substr(hash + 1), true) && ok;
    rest.resize(hash);
  } else {
    ok = SetFragment(TString(), false) && ok;
  }
  const std::size_t question = rest.find('?');
  if (question != npos) {
    ok = SetQuery(rest.substr(question + 1), true) && ok;
    rest.resize(question);
  } else {
    ok = SetQuery(TString(), false) && ok;
  }
  if (rest.size() >= 2 && rest[0] == '/' && rest[1] == '/') {
    rest.erase(0, 2);
    const std::size_t slash = rest.find('/');
    if (slash != npos) {
      ok = SetAuthority(rest.substr(0, slash), true) && ok;
      rest.erase(0, slash);
    } else {
      ok = SetAuthority(rest, true) && ok;
      rest.clear();
    }
  } else {
    ok = SetAuthority(TString(), false) && ok;
  }
  ok = SetPath(rest) && ok;
  if (!ok) Reset();
  return ok;
}

template class TUriAnalyzer<WideString>;
template class TUriAnalyzer<std::string>;

bool IsAbsoluteUri(const WideString& text) { return IsAbsolute(std::u16string_view(text)); }
bool IsAbsoluteUri(const std::string& text) { return IsAbsolute(std::string_view(text)); }
