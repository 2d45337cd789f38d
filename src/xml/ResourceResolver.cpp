#include "xml/ResourceResolver.h"

#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "platform/Utf16.h"
#include "xml/UriUtils.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace {

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

bool IsUriSafeByte(unsigned char b) {
  if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) return true;
  switch (b) {
  case '!': case '\'': case '(': case ')': case '*': case '-': case '.': case '_': case '~':
    return true;
  default:
    return false;
  }
}

std::vector<WideString> SplitSegments(const WideString& path) {
  std::vector<WideString> segments;
  std::size_t from = 0;
  for (;;) {
    std::size_t slash = path.find(u'/', from);
    if (slash == WideString::npos) {
      segments.push_back(path.substr(from));
      return segments;
    }
    segments.push_back(path.substr(from, slash - from));
    from = slash + 1;
  }
}

} // namespace

WideString FileNameToUri(const AnsiString& fileName, int flags) {
  WideString uri = (flags & FILE_URI_LOCALHOST) ? u"file://localhost" : u"file://";
  if (fileName.empty()) return uri;
  static const char16_t hex[] = u"0123456789ABCDEF";
  // An absolute name of this platform already starts with its separator; doubling it would
  // give an empty first segment.
  if (fileName[0] != '/') uri += u'/';
  for (char ch : fileName) {
    const auto b = static_cast<unsigned char>(ch);
    if (IsUriSafeByte(b)) {
      uri += static_cast<char16_t>(b);
    } else if (b == ':') {
      uri += (flags & FILE_URI_KEEP_COLON) ? WideString(u":") : WideString(u"%3a");
    } else if (b == '\\' || b == '/') {
      uri += u'/';
    } else {
      uri += u'%';
      uri += hex[b >> 4];
      uri += hex[b & 0x0F];
    }
  }
  return uri;
}

bool UriToFileName(const WideString& uri, AnsiString& fileName, WideString& authority,
                   WideString& query, WideString& fragment) {
  fileName.clear();
  authority.clear();
  query.clear();
  fragment.clear();
  TUriWideStrAnalyzer analyzer;
  if (!analyzer.Analyze(uri)) return false;
  WideString scheme = analyzer.Scheme();
  if (scheme.size() != 4) return false;
  for (std::size_t i = 0; i < 4; ++i) {
    char16_t c = scheme[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    if (c != u"file"[i]) return false;
  }
  const WideString& path = analyzer.Path();
  // The leading "/" of the path is kept: on this platform it is the root of the file name.
  AnsiString name;
  for (std::size_t i = 0; i < path.size(); ++i) {
    char16_t c = path[i];
    if (c == u'%') {
      int hi = i + 2 < path.size() ? HexValue(path[i + 1]) : -1;
      int lo = hi >= 0 ? HexValue(path[i + 2]) : -1;
      if (lo < 0) return false;
      int byte = hi * 16 + lo;
      if (byte == 0) return false;
      name += static_cast<char>(byte);
      i += 2;
    } else if (c > 0x7F) {
      return false;
    } else {
      name += static_cast<char>(c);
    }
  }
  fileName = name;
  if (analyzer.HasAuthority()) authority = analyzer.Authority();
  if (analyzer.HasQuery()) query = u"?" + analyzer.Query();
  if (analyzer.HasFragment()) fragment = u"#" + analyzer.Fragment();
  return true;
}

bool UriToFileName(const WideString& uri, AnsiString& fileName) {
  WideString authority, query, fragment;
  return UriToFileName(uri, fileName, authority, query, fragment);
}

bool ResolveRelativeUri(const WideString& base, const WideString& reference, WideString& result) {
  result.clear();
  TUriWideStrAnalyzer baseUri, ref;
  if (!baseUri.Analyze(base) || !ref.Analyze(reference)) return false;
  if (!baseUri.HasScheme() && !ref.HasScheme()) return false;

  if (ref.Path().empty() && !ref.HasScheme() && !ref.HasAuthority() &&
      !ref.HasQuery()) {
    // An empty reference or a fragment alone names the base document itself.
    baseUri.SetFragment(ref.Fragment(), ref.HasFragment());
    result = baseUri.Compose();
    return true;
  }
  if (ref.HasScheme()) {
    result = ref.Compose();
    return true;
  }
  ref.SetScheme(baseUri.Scheme(), baseUri.HasScheme());
  if (!ref.HasAuthority()) {
    ref.SetAuthority(baseUri.Authority(), baseUri.HasAuthority());
    const WideString& refPath = ref.Path();
    if (refPath.empty() || refPath[0] != u'/') {
      const WideString& basePath = baseUri.Path();
      std::size_t lastSlash = basePath.rfind(u'/');
      WideString merged;
      if (lastSlash != WideString::npos && lastSlash >= 1)
        merged = basePath.substr(1, lastSlash);
      merged += refPath;
      std::vector<WideString> segments = SplitSegments(merged);
      if (segments.back() == u"." || segments.back() == u"..") segments.emplace_back();
      std::vector<WideString> kept;
      for (auto& s : segments)
        if (s != u".") kept.push_back(std::move(s));
      // Each ".." takes the segment before it along; a ".." that has only ".." before it
      // would climb above the root and stays, which fails below.
      bool removed = true;
      while (removed) {
        removed = false;
        for (std::size_t i = 1; i < kept.size(); ++i) {
          if (kept[i] == u".." && kept[i - 1] != u"..") {
            kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(i - 1),
                       kept.begin() + static_cast<std::ptrdiff_t>(i + 1));
            removed = true;
            break;
          }
        }
      }
      if (!kept.empty() && kept[0] == u"..") return false;
      WideString path;
      for (const auto& s : kept) path += u"/" + s;
      if (!ref.SetPath(path)) return false;
    }
  }
  result = ref.Compose();
  return true;
}

std::unique_ptr<TStream> TStandardResourceResolver::ResolveResource(const WideString& baseUri,
                                                                    WideString& publicId,
                                                                    WideString& systemId) {
  WideString resolved;
  if (!ResolveRelativeUri(baseUri, systemId, resolved)) resolved.clear();
  systemId = resolved;
  std::unique_ptr<TStream> stream;
  if (OnResolveResource) {
    bool certifiedText = false;
    OnResolveResource(this, XML_RESOURCE_TYPE, WideString(), publicId, systemId, stream,
                      certifiedText);
  }
  if (!stream && !systemId.empty()) {
    try {
      stream = AcquireStreamFromUri(systemId);
    } catch (const Exception&) {
      stream.reset();
    }
  }
  return stream;
}

std::unique_ptr<TStream> TStandardResourceResolver::AcquireStreamFromUri(const WideString& uri) {
  const std::string uri8 = WideToUtf8(uri);
  TUriStrAnalyzer analyzer;
  analyzer.Analyze(uri8);
  if (!analyzer.HasScheme())
    throw EFOpenError(Format("URI \"%s\" contains no scheme.", {uri8}));
  if (analyzer.Scheme() != "file")
    throw EFOpenError(Format("URI scheme \"%s\" not supported.", {analyzer.Scheme()}));
  AnsiString fileName;
  // A URI that names no file name at all (a bad escape, an escaped NUL) is quoted as it is.
  if (!UriToFileName(uri, fileName))
    throw EFOpenError(Format("File \"%s\" not found.", {uri8}));
  std::error_code ec;
  if (!std::filesystem::is_regular_file(fileName, ec)) {
    std::filesystem::path full = std::filesystem::absolute(fileName, ec);
    throw EFOpenError(Format("File \"%s\" not found.", {ec ? fileName : full.string()}));
  }
  return std::make_unique<TFileStream>(fileName, TFileMode::fmOpenRead);
}
