#include "xml/XmlReader.h"

#include "dom/DomExceptions.h"
#include "dom/DomImplementation.h"
#include "xml/XmlDoctypeDeclTokenizer.h"
#include "xml/XmlInputSource.h"
#include "xml/XmlRulesUtils.h"
#include "xml/XmlTokenizer.h"

#include <set>

namespace {

constexpr const char* kSignalProcessingException = "Signal Processing Exception";

bool IsWhite(char16_t c) { return c == 0x20 || c == 0x09 || c == 0x0A || c == 0x0D; }

// The UTF-16 form of a code point known to be at most U+10FFFF and outside the surrogates.
WideString Utf16Of(std::uint32_t value) {
  if (value <= 0xFFFF) return WideString(1, static_cast<char16_t>(value));
  const std::uint32_t v = value - 0x10000;
  return WideString{static_cast<char16_t>(0xD800 + (v >> 10)), static_cast<char16_t>(0xDC00 + (v & 0x3FF))};
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TXmlCustomReader

TXmlCustomReader::TXmlCustomReader(TComponent* owner) : TDomBaseComponent(owner) {}

TXmlCustomReader::~TXmlCustomReader() {
  SetDOMImpl(nullptr);
  SetNextHandler(nullptr);
}

void TXmlCustomReader::SetDOMImpl(TDomImplementation* value) {
  if (value == DOMImpl_) return;
  if (DOMImpl_ != nullptr) DOMImpl_->RemoveFreeNotification(this);
  DOMImpl_ = value;
  if (DOMImpl_ != nullptr) DOMImpl_->FreeNotification(this);
}

void TXmlCustomReader::SetNextHandler(TXmlCustomHandler* value) {
  if (value == NextHandler_) return;
  if (NextHandler_ != nullptr) NextHandler_->RemoveFreeNotification(this);
  NextHandler_ = value;
  if (NextHandler_ != nullptr) NextHandler_->FreeNotification(this);
}

void TXmlCustomReader::Notification(TComponent* component, TOperation operation) {
  TDomBaseComponent::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == DOMImpl_) DOMImpl_ = nullptr;
  if (component == NextHandler_) NextHandler_ = nullptr;
}

void TXmlCustomReader::ResolveResource(const WideString& baseURI, const WideString& publicId,
                                       const WideString& systemId, TXmlErrorType& errorKind, WideString& text) {
  if (DOMImpl_ == nullptr) {
    errorKind = EK_RESOURCE_NOT_RESOLVED;
    text.clear();
    return;
  }
  DOMImpl_->ResolveExternalText(baseURI, publicId, systemId, errorKind, text);
}

void TXmlCustomReader::ReportError(TXmlErrorType errorKind, const IXmlLocator* locator,
                                   const WideString& offendingText, const WideString& clue) {
  const auto error = std::make_unique<TDomError>(errorKind, locator, offendingText, clue);
  if (OnError) OnError(this, error.get());
  const bool go = DOMImpl_ != nullptr ? DOMImpl_->HandleError(this, error.get())
                                      : error->Severity() != DOM_SEVERITY_FATAL_ERROR;
  if (!go) throw EParserException(kSignalProcessingException);
}

// ---------------------------------------------------------------------------------------------
// TXmlCustomHandler

void TXmlCustomHandler::ReportError(TXmlCustomReader* reader, TXmlErrorType errorKind, const IXmlLocator* locator,
                                    const WideString& offendingText, const WideString& clue) {
  if (reader != nullptr) {
    reader->ReportError(errorKind, locator, offendingText, clue);
    return;
  }
  if (SeverityOfErrorKind(errorKind) == DOM_SEVERITY_FATAL_ERROR) throw EParserException(kSignalProcessingException);
}

// ---------------------------------------------------------------------------------------------
// TXmlStandardDocReader: parsing

bool TXmlStandardDocReader::ParseDocument(TXmlInputSource* inputSource) {
  if (inputSource == nullptr) return true;
  TXmlDocTokenizer tokenizer(inputSource);
  return ParseWith(tokenizer, [&] {
    SendStartDocument(&tokenizer, inputSource->InputEncoding(), inputSource->XmlVersion(),
                      inputSource->XmlEncoding(), inputSource->XmlStandalone());
  });
}

bool TXmlStandardDocReader::ParseFragment(TXmlSimpleInputSource* inputSource) {
  if (inputSource == nullptr) return true;
  TXmlDocTokenizer tokenizer(inputSource);
  return ParseWith(tokenizer,
                   [&] { SendStartDocumentFragment(&tokenizer, inputSource->InputEncoding()); });
}

bool TXmlStandardDocReader::ParseWith(TXmlDocTokenizer& tokenizer,
                                      const std::function<void()>& sendStart) {
  try {
    sendStart();
    ParseTokens(&tokenizer);
    SendCompleted(&tokenizer);
  } catch (...) {
    try {
      SendAborted(&tokenizer);
    } catch (...) {
      // The parse has already failed; a handler that fails again on the abort notice
      // changes nothing about the result.
    }
    return false;
  }
  return true;
}

void TXmlStandardDocReader::ParseTokens(TXmlDocTokenizer* tokenizer) {
  while (tokenizer->TokenType() != tkEndOfSource) {
    tokenizer->NextToken();
    const WideString value = tokenizer->GetTokenValue();
    // A reported problem that lets the parse go on still leaves the token to be acted on.
    if (tokenizer->ErrorType() != EK_NONE) ReportError(tokenizer->ErrorType(), tokenizer, value, tokenizer->Clue());
    WideString tagName;
    switch (tokenizer->TokenType()) {
      case tkCData: SendCData(tokenizer, value); break;
      case tkDecimalCharRef: SendDecimalCharRef(tokenizer, value); break;
      case tkHexCharRef: SendHexCharRef(tokenizer, value); break;
      case tkComment: SendComment(tokenizer, value); break;
      case tkDoctype: SendDoctype(tokenizer, value); break;
      case tkEmptyElementTag: SendEmptyElement(tokenizer, value); break;
      case tkEndTag: SendEndElement(tokenizer, value); break;
      case tkEntityRef: SendEntityRef(tokenizer, value); break;
      case tkText: SendText(tokenizer, value); break;
      case tkProcessingInstruction: SendProcessingInstruction(tokenizer, value); break;
      case tkStartTag: SplitStartTag(tokenizer, value, tagName); break;
      case tkStartOfSource:
      case tkEndOfSource: break;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// TXmlStandardDocReader: sending

void TXmlStandardDocReader::Send(std::unique_ptr<TXmlSignal> signal) { NextHandler()->ProcessSignal(signal.get()); }

void TXmlStandardDocReader::SendAborted(const IXmlLocator* locator) {
  if (NextHandler() == nullptr) return;
  Send(std::make_unique<TXmlAbortedSignal>(this, locator));
}

void TXmlStandardDocReader::SendAttribute(const IXmlLocator* locator, const WideString& name,
                                          const WideString& value) {
  if (NextHandler() == nullptr) return;
  auto signal = std::make_unique<TXmlAttributeSignal>(this, locator);
  signal->DataType = 0;
  signal->Name = name;
  signal->Value = value;
  Send(std::move(signal));
}

void TXmlStandardDocReader::SendCData(const IXmlLocator* locator, const WideString& text) {
  if (NextHandler() == nullptr) return;
  auto signal = std::make_unique<TXmlCDATASignal>(this, locator);
  signal->Data = text;
  Send(std::move(signal));
}

void TXmlStandardDocReader::SendCharRef(const IXmlLocator* locator, const WideString& digits, bool hex) {
  if (NextHandler() == nullptr) return;
  // The value is no longer accumulated once it is past U+10FFFF, so no digit run wraps round
  // to a small, acceptable code point.
  std::uint32_t value = 0;
  bool tooLarge = false;
  for (char16_t c : digits) {
    const std::uint32_t digit = c <= u'9' ? static_cast<std::uint32_t>(c - u'0')
                                          : static_cast<std::uint32_t>((c | 0x20) - u'a' + 10);
    if (!tooLarge) value = value * (hex ? 16u : 10u) + digit;
    if (value > 0x10FFFF) tooLarge = true;
  }
  if (digits.empty() || tooLarge || (value >= 0xD800 && value <= 0xDFFF)) {
    ReportError(EK_INVALID_CHARACTER_REFERENCE, locator, (hex ? u"&#x" : u"&#") + digits + u";", WideString());
    return;
  }
  auto signal = std::make_unique<TXmlPCDATASignal>(this, locator);
  signal->CharRefGenerated = true;
  signal->Data = Utf16Of(value);
  Send(std::move(signal));
}

void TXmlStandardDocReader::SendDecimalCharRef(const IXmlLocator* locator, const WideString& digits) {
  SendCharRef(locator, digits, false);
}

void TXmlStandardDocReader::SendHexCharRef(const IXmlLocator* locator, const WideString& digits) {
  SendCharRef(locator, digits, true);
}

void TXmlStandardDocReader::SendComment(const IXmlLocator* locator, const WideString& text) {
  if (NextHandler() == nullptr) return;
  auto signal = std::make_unique<TXmlCommentSignal>(this, locator);
  signal->Data = text;
  Send(std::move(signal));
}

void TXmlStandardDocReader::SendText(const IXmlLocator* locator, const WideString& text) {
  if (NextHandler() == nullptr) return;
  auto signal = std::make_unique<TXmlPCDATASignal>(this, locator);
  signal->CharRefGenerated = false;
  signal->Data = text;
  Send(std::move(signal));
}

void TXmlStandardDocReader::SendProcessingInstruction(const IXmlLocator* locator, const WideString& content) {
  if (NextHandler() == nullptr) return;
  std::size_t i = 0;
  while (i < content.size() && !IsWhite(content[i])) ++i;
  auto signal = std::make_unique<TXmlProcessingInstructionSignal>(this, locator);
  signal->Target = content.substr(0, i);
  while (i < content.size() && IsWhite(content[i])) ++i;
  signal->Data = content.substr(i);
  Send(std::move(signal));
}

void TXmlStandardDocReader::SendStartDocument(const IXmlLocator* locator, const WideString& inputEncoding,
                                              const WideString& version, const WideString& encodingName,
                                              std::uint8_t standalone) {
  if (NextHandler() == nullptr) return;
  auto signal = std::make_unique<TXmlStartDocumentSignal>(this, locator);
  signal->EncodingName = encodingName;
  signal->InputEncoding = inputEncoding;
  signal->StandaloneDecl = standalone;
  signal->Version = version;
  Send(std::move(signal));
}

void TXmlStandardDocReader::SendStartDocumentFragment(const IXmlLocator* locator, const WideString& encodingName) {
  if (NextHandler() == nullptr) return;
  auto signal = std::make_unique<TXmlStartDocumentFragmentSignal>(this, locator);
  signal->EncodingName = encodingName;
  Send(std::move(signal));
}

void TXmlStandardDocReader::SendStartElement(const IXmlLocator* locator, const WideString& tagName) {
  if (NextHandler() == nullptr) return;
  auto signal = std::make_unique<TXmlStartElementSignal>(this, locator);
  signal->TagName = tagName;
  Send(std::move(signal));
}

// The scan runs to the length of the tag text: a NUL inside the tag is a character like any
// other, so the name and value checks further down the chain see and report it instead of
// the tag silently ending there.
void TXmlStandardDocReader::SplitStartTag(const IXmlLocator* locator, const WideString& tagText,
                                          WideString& tagName) {
  const std::size_t n = tagText.size();
  std::size_t i = 0;
  auto skipWhite = [&] {
    while (i < n && IsWhite(tagText[i])) ++i;
  };
  std::set<WideString> names;
  while (i < n && !IsWhite(tagText[i])) ++i;
  tagName = tagText.substr(0, i);
  SendStartElement(locator, tagName);
  skipWhite();
  while (i < n) {
    const std::size_t nameStart = i;
    while (i < n && !IsWhite(tagText[i]) && tagText[i] != u'=') ++i;
    const WideString name = tagText.substr(nameStart, i - nameStart);
    skipWhite();
    if (i >= n || tagText[i] != u'=') return ReportError(EK_EQUALS_SIGN_EXPECTED, locator, WideString(), u"=");
    ++i;
    skipWhite();
    if (i >= n || (tagText[i] != u'\'' && tagText[i] != u'"'))
      return ReportError(EK_QUOTE_EXPECTED, locator, WideString(), u"\"");
    const char16_t quote = tagText[i++];
    const std::size_t valueStart = i;
    while (i < n && tagText[i] != quote) ++i;
    if (i >= n) return ReportError(EK_QUOTE_EXPECTED, locator, WideString(), WideString(1, quote));
    const WideString value = tagText.substr(valueStart, i - valueStart);
    if (!names.insert(name).second) return ReportError(EK_DUPLICATE_ATTRIBUTE, locator, name, WideString());
    SendAttribute(locator, name, value);
    ++i;
    if (i < n && !IsWhite(tagText[i])) return ReportError(EK_WHITESPACE_EXPECTED, locator, WideString(), u" ");
    skipWhite();
  }
}

void TXmlStandardDocReader::SendEndElement(const IXmlLocator* locator, const WideString& tagName) {
  if (NextHandler() == nullptr) return;
  auto signal = std::make_unique<TXmlEndElementSignal>(this, locator);
  signal->TagName = tagName;
  Send(std::move(signal));
}

void TXmlStandardDocReader::SendEmptyElement(const IXmlLocator* locator, const WideString& tagText) {
  if (NextHandler() == nullptr) return;
  WideString tagName;
  SplitStartTag(locator, tagText, tagName);
  SendEndElement(locator, tagName);
}

void TXmlStandardDocReader::SendEntityRef(const IXmlLocator* locator, const WideString& name) {
  if (NextHandler() == nullptr) return;
  auto signal = std::make_unique<TXmlEntityRefSignal>(this, locator);
  signal->EntityName = name;
  Send(std::move(signal));
}

void TXmlStandardDocReader::SendDoctype(const IXmlLocator* locator, const WideString& declarationText) {
  if (NextHandler() == nullptr) return;
  TXmlDoctypeDeclTokenizer tokenizer(declarationText, locator->SourceUri(), locator->StartByte(),
                                     locator->StartChar(), locator->StartColumn(), locator->StartTabs(),
                                     locator->StartLine());
  auto signal = std::make_unique<TXmlDoctypeSignal>(this, locator);
  do {
    tokenizer.NextToken();
    const WideString value = tokenizer.GetTokenValue();
    if (tokenizer.ErrorType() != EK_NONE) {
      ReportError(tokenizer.ErrorType(), &tokenizer, value, tokenizer.Clue());
      // A warning (the subset not closed) lets the subset read so far stand; anything
      // worse leaves the declaration unsent.
      if (SeverityOfErrorKind(tokenizer.ErrorType()) != DOM_SEVERITY_WARNING) return;
    }
    switch (tokenizer.TokenType()) {
      case dtName: signal->DoctypeName = value; break;
      case dtPublicId: signal->PublicId = value; break;
      case dtSystemId: signal->SystemId = value; break;
      case dtIntSubset: {
        signal->Data = value;
        signal->IntSubsetStartByte = tokenizer.StartByte();
        signal->IntSubsetStartChar = tokenizer.StartChar() - 1;
        signal->IntSubsetStartColumn = tokenizer.StartColumn() - 1;
        signal->IntSubsetStartLine = tokenizer.StartLine();
        if (signal->IntSubsetStartColumn == -1) signal->IntSubsetStartLine -= 1;
        break;
      }
      case dtStart:
      case dtEnd: break;
    }
    if (tokenizer.ErrorType() == EK_DOCTYPE_TOKENIZER_WARNING) break;
  } while (tokenizer.TokenType() != dtEnd);
  Send(std::move(signal));
}

void TXmlStandardDocReader::SendCompleted(const IXmlLocator* locator) {
  if (NextHandler() == nullptr) return;
  Send(std::make_unique<TXmlCompletedSignal>(this, locator));
}
