// Resource resolution: turning a system identifier into a byte stream, and the three URI
// routines the parser front end and the resolver share (file name to "file" URI, back again,
// and resolution of a relative reference against a base).
#pragma once

#include "dom/DomBaseComponent.h"
#include "platform/Streams.h"
#include "platform/WideString.h"

#include <functional>
#include <memory>

// Flags of FileNameToUri.
constexpr int FILE_URI_LOCALHOST = 1;  // "file://localhost" instead of "file://"
constexpr int FILE_URI_KEEP_COLON = 2; // ":" copied instead of escaped

// Makes a "file" URI of an 8-bit file name. "\" and this platform's "/" both separate
// folders and become "/"; bytes outside the safe set are escaped as "%XX".
WideString FileNameToUri(const AnsiString& fileName, int flags = 0);

// Splits a "file" URI into the file name (escapes decoded) and its other parts. Answers false
// when the URI does not parse, its scheme is not "file", or an escape is bad or stands for a
// NUL byte (a file name cannot hold one, and cutting it short there would name another file).
bool UriToFileName(const WideString& uri, AnsiString& fileName, WideString& authority,
                   WideString& query, WideString& fragment);
bool UriToFileName(const WideString& uri, AnsiString& fileName);

// Resolves reference against base (RFC 2396 section 5.2); false with an empty result when
// either does not parse, neither has a scheme, or ".." segments climb above the root.
bool ResolveRelativeUri(const WideString& base, const WideString& reference, WideString& result);

class TCustomResourceResolver : public TDomBaseComponent {
public:
  explicit TCustomResourceResolver(TComponent* owner = nullptr) : TDomBaseComponent(owner) {}
  const char* ClassName() const override { return "TCustomResourceResolver"; }

  // Gives a stream for the resource (owned by the caller) or none. publicId and systemId
  // are updated to what the resolution made of them.
  virtual std::unique_ptr<TStream> ResolveResource(const WideString& baseUri, WideString& publicId,
                                                   WideString& systemId) = 0;
};

// The resource type handed to OnResolveResource for XML documents.
inline const WideString XML_RESOURCE_TYPE = u"http://www.w3.org/TR/REC-xml";

using TDomResolveResourceEvent = std::function<void(
    TComponent* Sender, const WideString& ResourceType, const WideString& NamespaceURI,
    WideString& PublicId, WideString& SystemId, std::unique_ptr<TStream>& Stream,
    bool& CertifiedText)>;

class TStandardResourceResolver : public TCustomResourceResolver {
public:
  explicit TStandardResourceResolver(TComponent* owner = nullptr)
      : TCustomResourceResolver(owner) {}
  const char* ClassName() const override { return "TStandardResourceResolver"; }

  std::unique_ptr<TStream> ResolveResource(const WideString& baseUri, WideString& publicId,
                                           WideString& systemId) override;
  // Opens the local file a "file" URI names; raises EFOpenError otherwise.
  virtual std::unique_ptr<TStream> AcquireStreamFromUri(const WideString& uri);

  TDomResolveResourceEvent OnResolveResource;
};
