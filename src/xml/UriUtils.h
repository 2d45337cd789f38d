// Analysis and composition of URI references (RFC 2396): a reference is split into scheme,
// authority, path, query and fragment, each checked against its rule, and put together
// again. The input layer uses it to check system identifiers and to build "file" URIs.
// The same analyzer exists for wide and for single-byte text.
#pragma once

#include "platform/WideString.h"

#include <string>

template <class TString>
class TUriAnalyzer {
public:
  virtual ~TUriAnalyzer() = default;

  virtual TString Compose() const;
  virtual bool SetAuthority(const TString& text, bool present);
  virtual bool SetFragment(const TString& text, bool present);
  virtual bool SetPath(const TString& text);
  virtual bool SetQuery(const TString& text, bool present);
  // Splits a whole reference; on false the analyzer holds the empty reference again.
  virtual bool Analyze(const TString& text);
  virtual bool SetScheme(const TString& text, bool present);

  const TString& Scheme() const { return Scheme_; }
  bool HasScheme() const { return HasScheme_; }
  const TString& Authority() const { return Authority_; }
  bool HasAuthority() const { return HasAuthority_; }
  const TString& Path() const { return Path_; }
  const TString& Query() const { return Query_; }
  bool HasQuery() const { return HasQuery_; }
  const TString& Fragment() const { return Fragment_; }
  bool HasFragment() const { return HasFragment_; }

private:
  void Reset();

  TString Scheme_;
  bool HasScheme_ = false;
  TString Authority_;
  bool HasAuthority_ = false;
  TString Path_;
  TString Query_;
  bool HasQuery_ = false;
  TString Fragment_;
  bool HasFragment_ = false;
};

extern template class TUriAnalyzer<WideString>;
extern template class TUriAnalyzer<std::string>;

class TUriWideStrAnalyzer : public TUriAnalyzer<WideString> {};
class TUriStrAnalyzer : public TUriAnalyzer<std::string> {};

// True for an absolute URI: a valid scheme, ":", then a hierarchical part (network path or
// absolute path, with an optional query) or an opaque part. A fragment is not part of it.
bool IsAbsoluteUri(const WideString& text);
bool IsAbsoluteUri(const std::string& text);
