// The head and the links of the parse chain. The document reader drives the document
// tokenizer over an input source, turns every token into parse signals and hands each to
// its next handler; handlers pass signals on down the chain. Every problem, found by the
// tokenizer, the reader or a handler, goes through the reader's ReportError to the DOM
// implementation's error handling, whose answer "stop" ends the parse.
#pragma once

#include "dom/DomBaseComponent.h"
#include "platform/WideString.h"
#include "xml/DomError.h"
#include "xml/XmlLocator.h"
#include "xml/XmlSignals.h"

#include <cstdint>
#include <functional>
#include <memory>

class TDomImplementation;
class TXmlCustomHandler;
class TXmlDocTokenizer;
class TXmlInputSource;
class TXmlSimpleInputSource;

using TDomErrorNotifyEvent = std::function<void(TPersistent* Sender, TDomError* Error)>;

class TXmlCustomReader : public TDomBaseComponent {
public:
  explicit TXmlCustomReader(TComponent* owner = nullptr);
  ~TXmlCustomReader() override;
  const char* ClassName() const override { return "TXmlCustomReader"; }

  // The text of an external resource through the DOM implementation; kind 148 without one.
  virtual void ResolveResource(const WideString& baseURI, const WideString& publicId, const WideString& systemId,
                               TXmlErrorType& errorKind, WideString& text);
  // The same through the DOM implementation's resolver, decoded here so that `origin` gets
  // the record of the character before the text (behind any text declaration): positions
  // inside the text are counted on from it.
  void ReadExternalText(const WideString& baseURI, const WideString& publicId, const WideString& systemId,
                        TXmlErrorType& errorKind, WideString& text, TPositionRecord& origin,
                        TCharByteLengths* byteLengths = nullptr);
  // Makes an error object, shows it to OnError and to the error handling, and raises
  // EParserException "Signal Processing Exception" when the answer is to stop.
  virtual void ReportError(TXmlErrorType errorKind, const IXmlLocator* locator, const WideString& offendingText,
                           const WideString& clue);

  TDomImplementation* DOMImpl() const { return DOMImpl_; }
  void SetDOMImpl(TDomImplementation* value);
  TXmlCustomHandler* NextHandler() const { return NextHandler_; }
  void SetNextHandler(TXmlCustomHandler* value);

  TDomErrorNotifyEvent OnError;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  TDomImplementation* DOMImpl_ = nullptr;
  TXmlCustomHandler* NextHandler_ = nullptr;
};

class TXmlStandardDocReader : public TXmlCustomReader {
public:
  explicit TXmlStandardDocReader(TComponent* owner = nullptr) : TXmlCustomReader(owner) {}
  const char* ClassName() const override { return "TXmlStandardDocReader"; }

  virtual void ParseTokens(TXmlDocTokenizer* tokenizer);
  virtual void SendAborted(const IXmlLocator* locator);
  virtual void SendAttribute(const IXmlLocator* locator, WideStringView name, WideStringView value);
  virtual void SendCData(const IXmlLocator* locator, WideStringView text);
  virtual void SendDecimalCharRef(const IXmlLocator* locator, WideStringView digits);
  virtual void SendHexCharRef(const IXmlLocator* locator, WideStringView digits);
  virtual void SendComment(const IXmlLocator* locator, WideStringView text);
  virtual void SendText(const IXmlLocator* locator, WideStringView text);
  virtual void SendProcessingInstruction(const IXmlLocator* locator, WideStringView content);
  virtual void SendStartDocument(const IXmlLocator* locator, const WideString& inputEncoding,
                                 const WideString& version, const WideString& encodingName, std::uint8_t standalone);
  virtual void SendStartDocumentFragment(const IXmlLocator* locator, const WideString& encodingName);
  virtual void SendStartElement(const IXmlLocator* locator, WideStringView tagName);
  // Sends the start element and one attribute signal per attribute of the tag text; tagName
  // is set to the part of tagText that names the element.
  virtual void SplitStartTag(const IXmlLocator* locator, WideStringView tagText, WideStringView& tagName);
  virtual void SendEndElement(const IXmlLocator* locator, WideStringView tagName);
  virtual void SendEmptyElement(const IXmlLocator* locator, WideStringView tagText);
  virtual void SendEntityRef(const IXmlLocator* locator, WideStringView name);
  // `byteLengths`, when given, holds the bytes each character of the text took in the source.
  virtual void SendDoctype(const IXmlLocator* locator, const WideString& declarationText,
                           const TCharByteLengths* byteLengths = nullptr);
  virtual void SendCompleted(const IXmlLocator* locator);
  // True when the whole input was read without the parse being stopped.
  virtual bool ParseDocument(TXmlInputSource* inputSource);
  virtual bool ParseFragment(TXmlSimpleInputSource* inputSource);

private:
  void SendCharRef(const IXmlLocator* locator, WideStringView digits, bool hex);
  // Sends the start signal, every token and the completion; on any failure the abort notice.
  bool ParseWith(TXmlDocTokenizer& tokenizer, const std::function<void()>& sendStart);

  // The reusable signal objects and scratch strings of the parse under way, owned by the
  // outermost running parse; a send outside any parse builds its signal on the
  // stack instead.
  struct TSignalSlots;
  TSignalSlots* Slots_ = nullptr;
  // Set while the token being sent is one whose checks the tokenizer made without finding
  // anything (see TXmlSignal::TokenChecked); taken by the first signal filled for it.
  bool TokenChecked_ = false;
};

class TXmlCustomHandler : public TDomBaseComponent {
public:
  explicit TXmlCustomHandler(TComponent* owner = nullptr) : TDomBaseComponent(owner) {}
  const char* ClassName() const override { return "TXmlCustomHandler"; }

  // Through `reader` (the reader of the signal at hand); without one a fatal kind raises
  // EParserException "Signal Processing Exception" and any other is dropped.
  virtual void ReportError(TXmlCustomReader* reader, TXmlErrorType errorKind, const IXmlLocator* locator,
                           const WideString& offendingText, const WideString& clue);
  virtual void ProcessSignal(TXmlSignal* signal) = 0;
};
