// The parser front end: turns a file, stream, string, URI or input source into a document
// of the DOM implementation it is wired to. It builds the input source, runs the document
// reader over it and lets the well-formedness handler and the tree builder consume the
// signals. Problems go to the implementation's error handling; a parse that stops raises
// EParserException "Parser error." and leaves no document behind.
#pragma once

#include "dom/DomBaseComponent.h"
#include "platform/Streams.h"
#include "platform/WideString.h"
#include "xml/XmlDomBuilder.h"
#include "xml/cUnicodeCodecsWin32.h"

#include <cstdint>

class TDomDocument;
class TDomImplementation;
class TDomNode;
class TUtilsWideStringList;
class TXmlInputSource;
class TXmlSimpleInputSource;
class TXmlStandardDocReader;
class TXmlWFTestHandler;

class TXmlCustomParser : public TDomBaseComponent {
public:
  explicit TXmlCustomParser(TComponent* owner = nullptr);
  ~TXmlCustomParser() override;
  const char* ClassName() const override { return "TXmlCustomParser"; }

  virtual void SetDOMImpl(TDomImplementation* implementation);
  TDomImplementation* DOMImpl() const { return DOMImpl_; }

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  TDomImplementation* DOMImpl_ = nullptr;
};

class TXmlToDomParser : public TXmlCustomParser {
public:
  static constexpr std::int64_t DefaultBufferSize = 4096;

  explicit TXmlToDomParser(TComponent* owner = nullptr);
  ~TXmlToDomParser() override;
  const char* ClassName() const override { return "TXmlToDomParser"; }

  void SetDOMImpl(TDomImplementation* implementation) override;

  virtual void CreateSubComponents();
  // Parses a fragment under `referenceNode`; true, or raises.
  virtual bool ParseFragment(TXmlSimpleInputSource* source, TDomNode* referenceNode);
  // Delivers an error of `kind` without position; the answer whether to go on.
  virtual bool SendErrorNotification(TXmlErrorType kind);
  // Raises ENot_Supported_Err "BufferSize must not be less than 1024." below 1024.
  virtual void SetBufferSize(std::int64_t value);
  virtual TDomDocument* ParseFile(const AnsiString& fileName);
  // `source` holds the text, one item after the other.
  virtual TDomDocument* ParseCharacterList(const TUtilsWideStringList* source, const WideString& systemId);
  virtual TDomDocument* ParseStream(TStream* stream, const WideString& systemId, TUnicodeCodecClass codecClass,
                                    bool keepStart);
  virtual TDomDocument* ParseString(const AnsiString& text, const WideString& systemId,
                                    TUnicodeCodecClass codecClass, bool keepStart);
  // None, without raising, when the resolver gives no stream.
  virtual TDomDocument* ParseUri(const WideString& systemId, TUnicodeCodecClass codecClass, bool keepStart);
  virtual TDomDocument* ParseWideString(const WideString& text, const WideString& systemId,
                                        TUnicodeCodecClass codecClass, bool keepStart);
  virtual TDomDocument* ParseInputSource(TXmlInputSource* source);

  std::int64_t BufferSize() const { return BufferSize_; }
  // Whether the last document this parser returned was made by the direct path.
  bool ParsedDirectly() const { return ParsedDirectly_; }
  bool KeepCDATASections() const { return Builder_->KeepCDATASections; }
  void SetKeepCDATASections(bool value) { Builder_->KeepCDATASections = value; }
  bool KeepComments() const { return Builder_->KeepComments; }
  void SetKeepComments(bool value) { Builder_->KeepComments = value; }
  bool KeepEntityRefs() const { return Builder_->KeepEntityRefs; }
  void SetKeepEntityRefs(bool value) { Builder_->KeepEntityRefs = value; }
  // How deeply entity references may nest, and how many characters of replacement text may
  // be expanded per character of the document, beyond `allowance` characters. The ratio and
  // the allowance also bound the parameter-entity text taken in by the subsets, per
  // character of the subsets.
  void SetEntityExpansionLimits(int depth, std::int64_t ratio, std::int64_t allowance) {
    Builder_->EntityExpansionDepthLimit = depth;
    Builder_->EntityExpansionRatioLimit = ratio;
    Builder_->EntityExpansionAllowance = allowance;
  }

  // Whether external text is read from local files through the resource resolver: the
  // external subset, external parameter entities and external parsed entities referenced in
  // content; off by default.
  bool ReadExternalEntities() const { return Builder_->ReadExternalEntities; }
  void SetReadExternalEntities(bool value) { Builder_->ReadExternalEntities = value; }

  // The sub-components, owned by the parser.
  TXmlDomBuilder* Builder() const { return Builder_; }
  TXmlStandardDocReader* Reader() const { return Reader_; }
  TXmlWFTestHandler* WFTestHandler() const { return WFTestHandler_; }

private:
  // The direct path (see XmlDirectParser.h) for the document behind `source`, which was made
  // from `stream` at `start`; none when the ordinary path must parse it.
  TDomDocument* ParseDirect(TStream* stream, std::int64_t start, const TXmlInputSource& source);
  bool DirectPathApplies(const TXmlInputSource& source) const;

  std::int64_t BufferSize_ = DefaultBufferSize;
  bool ParsedDirectly_ = false;
  TXmlDomBuilder* Builder_ = nullptr;
  TXmlStandardDocReader* Reader_ = nullptr;
  TXmlWFTestHandler* WFTestHandler_ = nullptr;
};
