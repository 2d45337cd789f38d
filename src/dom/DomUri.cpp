#include "dom/DomUri.h"

#include "xml/UriUtils.h"

#include <vector>

namespace {

struct UriParts {
  WideString Scheme, Authority, Path, Query, Fragment;
  bool HasScheme = false, HasAuthority = false, HasQuery = false, HasFragment = false;
};

// Splits a reference at the delimiters of the generic syntax, without judging the parts.
UriParts Split(const WideString& text) {
  UriParts parts;
  WideString rest = text;
  std::size_t hash = rest.find(u'#');
  if (hash != WideString::npos) {
    parts.HasFragment = true;
    parts.Fragment = rest.substr(hash + 1);
    rest.resize(hash);
  }
  std::size_t colon = rest.find(u':');
  std::size_t stop = rest.find_first_of(u"/?");
  if (colon != WideString::npos && colon > 0 && (stop == WideString::npos || colon < stop)) {
    parts.HasScheme = true;
    parts.Scheme = rest.substr(0, colon);
    rest = rest.substr(colon + 1);
  }
  std::size_t question = rest.find(u'?');
  if (question != WideString::npos) {
    parts.HasQuery = true;
    parts.Query = rest.substr(question + 1);
    rest.resize(question);
  }
  if (rest.compare(0, 2, u"//") == 0) {
    parts.HasAuthority = true;
    std::size_t slash = rest.find(u'/', 2);
    parts.Authority = rest.substr(2, slash == WideString::npos ? WideString::npos : slash - 2);
    rest = slash == WideString::npos ? WideString() : rest.substr(slash);
  }
  parts.Path = rest;
  return parts;
}

WideString Compose(const UriParts& p) {
  WideString out;
  if (p.HasScheme) out += p.Scheme + u":";
  if (p.HasAuthority) out += u"//" + p.Authority;
  out += p.Path;
  if (p.HasQuery) out += u"?" + p.Query;
  if (p.HasFragment) out += u"#" + p.Fragment;
  return out;
}

// Drops "." segments and folds "segment/.." pairs; ".." that would climb above the root stays.
WideString RemoveDotSegments(const WideString& path) {
  bool absolute = !path.empty() && path[0] == u'/';
  std::vector<WideString> segments;
  std::size_t start = absolute ? 1 : 0;
  while (true) {
    std::size_t slash = path.find(u'/', start);
    segments.push_back(path.substr(start, slash == WideString::npos ? WideString::npos : slash - start));
    if (slash == WideString::npos) break;
    start = slash + 1;
  }
  std::vector<WideString> out;
  for (std::size_t i = 0; i < segments.size(); ++i) {
    const WideString& s = segments[i];
    bool last = i + 1 == segments.size();
    if (s == u".") {
      if (last) out.emplace_back();
    } else if (s == u".." && !out.empty() && out.back() != u"..") {
      out.pop_back();
      if (last) out.emplace_back();
    } else {
      out.push_back(s);
    }
  }
  WideString result = absolute ? u"/" : u"";
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (i > 0) result += u'/';
    result += out[i];
  }
  return result;
}

}  // namespace

bool UriIsValid(const WideString& uri) {
  TUriWideStrAnalyzer analyzer;
  return analyzer.Analyze(uri);
}

bool UriHasScheme(const WideString& uri) {
  TUriWideStrAnalyzer analyzer;
  return analyzer.Analyze(uri) && analyzer.HasScheme();
}

WideString ResolveUriReference(const WideString& reference, const WideString& base) {
  if (base.empty()) return reference;
  UriParts r = Split(reference);
  if (r.HasScheme) return reference;
  UriParts b = Split(base);
  UriParts t;
  t.HasScheme = b.HasScheme;
  t.Scheme = b.Scheme;
  t.HasFragment = r.HasFragment;
  t.Fragment = r.Fragment;
  if (r.HasAuthority) {
    t.HasAuthority = true;
    t.Authority = r.Authority;
    t.Path = RemoveDotSegments(r.Path);
    t.HasQuery = r.HasQuery;
    t.Query = r.Query;
    return Compose(t);
  }
  t.HasAuthority = b.HasAuthority;
  t.Authority = b.Authority;
  if (r.Path.empty() && !r.HasQuery) {
    // A reference to the base document itself, perhaps with another fragment.
    t.Path = b.Path;
    t.HasQuery = b.HasQuery;
    t.Query = b.Query;
    return Compose(t);
  }
  if (!r.Path.empty() && r.Path[0] == u'/') {
    t.Path = RemoveDotSegments(r.Path);
  } else {
    std::size_t slash = b.Path.rfind(u'/');
    WideString merged = slash == WideString::npos ? WideString() : b.Path.substr(0, slash + 1);
    if (merged.empty() && b.HasAuthority) merged.push_back(u'/');
    merged += r.Path;
    t.Path = RemoveDotSegments(merged);
  }
  t.HasQuery = r.HasQuery;
  t.Query = r.Query;
  return Compose(t);
}
