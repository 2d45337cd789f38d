#include "xml/XmlReader.h"

#include "dom/DomExceptions.h"
#include "dom/DomImplementation.h"
#include "xml/XmlDoctypeDeclTokenizer.h"
#include "xml/XmlInputSource.h"
#include "xml/XmlRulesUtils.h"
#include "xml/XmlTokenizer.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr const char* kSignalProcessingException = "Signal Processing Exception";

// Byte counts inside the document type declaration. Its tokenizer reads the declaration's
// text again from memory, as UTF-16, so its records count two bytes a unit; the source's own
// counts follow from the bytes the document tokenizer kept for each character. Without them
// the tokenizer's counts stand.
class TDoctypeBytes {
public:
  TDoctypeBytes(const TCharByteLengths* lengths, std::int64_t startByte, std::int64_t startChar)
      : Lengths_(lengths), StartByte_(startByte), StartChar_(startChar) {}
  bool Known() const { return Lengths_ != nullptr && !Lengths_->empty(); }
  // Characters of the text read up to the tokenizer's record with that character count.
  std::size_t Index(std::int64_t charCount) const {
    const std::int64_t k = std::clamp<std::int64_t>(charCount - StartChar_, 0, static_cast<std::int64_t>(Lengths_->size()));
    return static_cast<std::size_t>(k);
  }
  // Bytes up to and including the character of that count.
  std::int64_t ByteCount(std::int64_t charCount) const {
    std::int64_t bytes = StartByte_;
    const std::size_t k = Index(charCount);
    for (std::size_t i = 0; i < k; ++i) bytes += (*Lengths_)[i];
    return bytes;
  }
  std::int64_t ByteLength(std::int64_t charCount) const {
    const std::size_t k = Index(charCount);
    return k == 0 ? 0 : (*Lengths_)[k - 1];
  }
  void Correct(TPositionRecord& record) const {
    if (!Known()) return;
    record.ByteCount = ByteCount(record.CharCount);
    record.ByteLength = ByteLength(record.CharCount);
  }

private:
  const TCharByteLengths* Lengths_;
  std::int64_t StartByte_, StartChar_;
};

// The doctype tokenizer's place, its byte counts those of the source.
class TDoctypeLocator : public IXmlLocator {
public:
  TDoctypeLocator(const IXmlLocator& inner, const TDoctypeBytes& bytes) : Inner_(inner), Bytes_(bytes) {}
  std::int64_t EndByte() const override {
    return Bytes_.Known() ? Bytes_.ByteCount(Inner_.EndChar()) : Inner_.EndByte();
  }
  std::int64_t EndChar() const override { return Inner_.EndChar(); }
  std::int64_t EndColumn() const override { return Inner_.EndColumn(); }
  std::int64_t EndLine() const override { return Inner_.EndLine(); }
  std::int64_t EndTabs() const override { return Inner_.EndTabs(); }
  TDtdObject* RelatedDtdItem() const override { return Inner_.RelatedDtdItem(); }
  TDomNode* RelatedNode() const override { return Inner_.RelatedNode(); }
  // The offset of the first byte of the start character.
  std::int64_t StartByte() const override {
    return Bytes_.Known() ? Bytes_.ByteCount(Inner_.StartChar()) - Bytes_.ByteLength(Inner_.StartChar())
                          : Inner_.StartByte();
  }
  std::int64_t StartChar() const override { return Inner_.StartChar(); }
  std::int64_t StartColumn() const override { return Inner_.StartColumn(); }
  std::int64_t StartLine() const override { return Inner_.StartLine(); }
  std::int64_t StartTabs() const override { return Inner_.StartTabs(); }
  WideString SourceUri() const override { return Inner_.SourceUri(); }

private:
  const IXmlLocator& Inner_;
  const TDoctypeBytes& Bytes_;
};

// The attribute names of one start tag, as ranges of its text, for the duplicate test. A
// handful is compared directly; a tag with many attributes switches to a hash table so that
// hostile input cannot make the test quadratic. The table is one array, open-addressed with
// linear probing and at most half full: among a million names a test costs about one memory
// access.
class TAttributeNameSet {
public:
  explicit TAttributeNameSet(WideStringView tagText) : Text_(tagText) {}
  // False when the name was there already.
  bool Insert(std::size_t start, std::size_t length) {
    const std::u16string_view name(Text_.data() + start, length);
    if (Slots_.empty()) {
      for (std::size_t k = 0; k < Count_; ++k)
        if (Few_[k] == name) return false;
      if (Count_ < kFew) {
        Few_[Count_++] = name;
        return true;
      }
      const std::size_t few = Count_;
      Count_ = 0;
      for (std::size_t k = 0; k < few; ++k) Add(Few_[k], Hash(Few_[k]));
    }
    const std::size_t hash = Hash(name);
    const std::size_t mask = Slots_.size() - 1;
    for (std::size_t i = hash & mask; Slots_[i].Name.data() != nullptr; i = (i + 1) & mask)
      if (Slots_[i].Hash == hash && Slots_[i].Name == name) return false;
    Add(name, hash);
    return true;
  }

private:
  struct TSlot {
    std::size_t Hash = 0;
    std::u16string_view Name;  // no data: the slot is free
  };
  static std::size_t Hash(std::u16string_view name) { return std::hash<std::u16string_view>{}(name); }
  void Add(std::u16string_view name, std::size_t hash) {
    if (2 * (Count_ + 1) > Slots_.size()) {
      std::vector<TSlot> old(std::max<std::size_t>(4 * kFew, 2 * Slots_.size()));
      old.swap(Slots_);
      for (const TSlot& slot : old)
        if (slot.Name.data() != nullptr) Place(slot);
    }
    Place(TSlot{hash, name});
    ++Count_;
  }
  void Place(const TSlot& slot) {
    const std::size_t mask = Slots_.size() - 1;
    std::size_t i = slot.Hash & mask;
    while (Slots_[i].Name.data() != nullptr) i = (i + 1) & mask;
    Slots_[i] = slot;
  }

  static constexpr std::size_t kFew = 16;
  WideStringView Text_;
  std::u16string_view Few_[kFew];
  std::size_t Count_ = 0;
  std::vector<TSlot> Slots_;
};

// One reusable signal object. Busy while its signal is with the handlers: a send that
// arrives then (a handler sending through the reader again) must not overwrite it.
template <class T>
struct TSignalSlot {
  T Signal{nullptr, nullptr};
  bool Busy = false;
};

// Clears a busy flag however the handlers return.
class TBusyGuard {
public:
  explicit TBusyGuard(bool& flag) : Flag_(flag) { Flag_ = true; }
  ~TBusyGuard() { Flag_ = false; }
  TBusyGuard(const TBusyGuard&) = delete;
  TBusyGuard& operator=(const TBusyGuard&) = delete;

private:
  bool& Flag_;
};

// Fills a signal of class T for `locator` and hands it to the reader's next handler. The
// slot's signal is refilled when it is free; otherwise (no parse running, or a reentrant
// send) a signal is built on the stack. Either way every field starts as in a new signal.
template <class T, class Fill>
void SendSignal(TXmlCustomReader* reader, TSignalSlot<T>* slot, const IXmlLocator* locator, Fill&& fill) {
  if (slot == nullptr || slot->Busy) {
    T signal(reader, locator);
    fill(signal);
    reader->NextHandler()->ProcessSignal(&signal);
    return;
  }
  TBusyGuard guard(slot->Busy);
  T& signal = slot->Signal;
  signal.Rebind(reader, locator);
  signal.ClearFields();
  fill(signal);
  reader->NextHandler()->ProcessSignal(&signal);
}

}  // namespace

struct TXmlStandardDocReader::TSignalSlots {
  TSignalSlot<TXmlStartElementSignal> StartElement;
  TSignalSlot<TXmlAttributeSignal> Attribute;
  TSignalSlot<TXmlEndElementSignal> EndElement;
  TSignalSlot<TXmlPCDATASignal> PCDATA;
  TSignalSlot<TXmlCDATASignal> CDATA;
  TSignalSlot<TXmlEntityRefSignal> EntityRef;
  TSignalSlot<TXmlCommentSignal> Comment;
  TSignalSlot<TXmlProcessingInstructionSignal> ProcessingInstruction;
};

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

void TXmlCustomReader::ReadExternalText(const WideString& baseURI, const WideString& publicId,
                                        const WideString& systemId, TXmlErrorType& errorKind, WideString& text,
                                        TPositionRecord& origin, TCharByteLengths* byteLengths) {
  if (DOMImpl_ != nullptr) return DOMImpl_->ReadExternalText(baseURI, publicId, systemId, errorKind, text, &origin,
                                                             byteLengths);
  text.clear();
  if (byteLengths != nullptr) byteLengths->clear();
  origin = TPositionRecord();
  errorKind = EK_RESOURCE_NOT_RESOLVED;
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
  // A parse started from a handler of a running one shares its slots.
  std::unique_ptr<TSignalSlots> slots;
  if (Slots_ == nullptr) slots = std::make_unique<TSignalSlots>();
  struct TSlotsScope {
    TSignalSlots*& Field;
    bool Owner;
    ~TSlotsScope() {
      if (Owner) Field = nullptr;
    }
  } scope{Slots_, slots != nullptr};
  if (slots != nullptr) Slots_ = slots.get();
  try {
    sendStart();
    ParseTokens(&tokenizer);
    TokenChecked_ = false;
    SendCompleted(&tokenizer);
  } catch (...) {
    TokenChecked_ = false;
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
  // Every signal refers to the token's text where the tokenizer keeps it: nothing is copied
  // on the way to the handlers.
  WideStringView tagName;
  while (tokenizer->TokenType() != tkEndOfSource) {
    tokenizer->NextToken();
    const WideStringView value = tokenizer->TokenView();
    // A reported problem that lets the parse go on still leaves the token to be acted on.
    if (tokenizer->ErrorType() != EK_NONE)
      ReportError(tokenizer->ErrorType(), tokenizer, WideString(value), tokenizer->Clue());
    const TXmlDocTokenType type = tokenizer->TokenType();
    TokenChecked_ = tokenizer->ErrorType() == EK_NONE &&
                    (type == tkCData || type == tkComment || type == tkEntityRef || type == tkProcessingInstruction);
    switch (tokenizer->TokenType()) {
      case tkCData: SendCData(tokenizer, value); break;
      case tkDecimalCharRef: SendDecimalCharRef(tokenizer, value); break;
      case tkHexCharRef: SendHexCharRef(tokenizer, value); break;
      case tkComment: SendComment(tokenizer, value); break;
      case tkDoctype: SendDoctype(tokenizer, WideString(value), &tokenizer->DoctypeByteLengths()); break;
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

void TXmlStandardDocReader::SendAborted(const IXmlLocator* locator) {
  if (NextHandler() == nullptr) return;
  TXmlAbortedSignal signal(this, locator);
  NextHandler()->ProcessSignal(&signal);
}

void TXmlStandardDocReader::SendAttribute(const IXmlLocator* locator, WideStringView name, WideStringView value) {
  if (NextHandler() == nullptr) return;
  SendSignal(this, Slots_ ? &Slots_->Attribute : nullptr, locator, [&](TXmlAttributeSignal& signal) {
    signal.DataType = 0;
    signal.Name.Refer(name);
    signal.Value.Refer(value);
  });
}

void TXmlStandardDocReader::SendCData(const IXmlLocator* locator, WideStringView text) {
  if (NextHandler() == nullptr) return;
  SendSignal(this, Slots_ ? &Slots_->CDATA : nullptr, locator,
             [&](TXmlCDATASignal& signal) {
               signal.SetTokenChecked(std::exchange(TokenChecked_, false));
               signal.Data.Refer(text);
             });
}

void TXmlStandardDocReader::SendCharRef(const IXmlLocator* locator, WideStringView digits, bool hex) {
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
    ReportError(EK_INVALID_CHARACTER_REFERENCE, locator, (hex ? u"&#x" : u"&#") + WideString(digits) + u";",
                WideString());
    return;
  }
  SendSignal(this, Slots_ ? &Slots_->PCDATA : nullptr, locator, [&](TXmlPCDATASignal& signal) {
    signal.CharRefGenerated = true;
    XmlUtf16::Append(signal.Data.Owned(), value);
  });
}

void TXmlStandardDocReader::SendDecimalCharRef(const IXmlLocator* locator, WideStringView digits) {
  SendCharRef(locator, digits, false);
}

void TXmlStandardDocReader::SendHexCharRef(const IXmlLocator* locator, WideStringView digits) {
  SendCharRef(locator, digits, true);
}

void TXmlStandardDocReader::SendComment(const IXmlLocator* locator, WideStringView text) {
  if (NextHandler() == nullptr) return;
  SendSignal(this, Slots_ ? &Slots_->Comment : nullptr, locator,
             [&](TXmlCommentSignal& signal) {
               signal.SetTokenChecked(std::exchange(TokenChecked_, false));
               signal.Data.Refer(text);
             });
}

void TXmlStandardDocReader::SendText(const IXmlLocator* locator, WideStringView text) {
  if (NextHandler() == nullptr) return;
  SendSignal(this, Slots_ ? &Slots_->PCDATA : nullptr, locator, [&](TXmlPCDATASignal& signal) {
    signal.CharRefGenerated = false;
    signal.Data.Refer(text);
  });
}

void TXmlStandardDocReader::SendProcessingInstruction(const IXmlLocator* locator, WideStringView content) {
  if (NextHandler() == nullptr) return;
  std::size_t i = 0;
  while (i < content.size() && !XmlChars::Space(content[i])) ++i;
  const std::size_t targetEnd = i;
  while (i < content.size() && XmlChars::Space(content[i])) ++i;
  SendSignal(this, Slots_ ? &Slots_->ProcessingInstruction : nullptr, locator,
             [&](TXmlProcessingInstructionSignal& signal) {
               signal.SetTokenChecked(std::exchange(TokenChecked_, false));
               signal.Target.Refer(content.substr(0, targetEnd));
               signal.Data.Refer(content.substr(i));
             });
}

void TXmlStandardDocReader::SendStartDocument(const IXmlLocator* locator, const WideString& inputEncoding,
                                              const WideString& version, const WideString& encodingName,
                                              std::uint8_t standalone) {
  if (NextHandler() == nullptr) return;
  TXmlStartDocumentSignal signal(this, locator);
  signal.EncodingName = encodingName;
  signal.InputEncoding = inputEncoding;
  signal.StandaloneDecl = standalone;
  signal.Version = version;
  NextHandler()->ProcessSignal(&signal);
}

void TXmlStandardDocReader::SendStartDocumentFragment(const IXmlLocator* locator, const WideString& encodingName) {
  if (NextHandler() == nullptr) return;
  TXmlStartDocumentFragmentSignal signal(this, locator);
  signal.EncodingName = encodingName;
  NextHandler()->ProcessSignal(&signal);
}

void TXmlStandardDocReader::SendStartElement(const IXmlLocator* locator, WideStringView tagName) {
  if (NextHandler() == nullptr) return;
  SendSignal(this, Slots_ ? &Slots_->StartElement : nullptr, locator,
             [&](TXmlStartElementSignal& signal) { signal.TagName.Refer(tagName); });
}

// The scan runs to the length of the tag text: a NUL inside the tag is a character like any
// other, so the name and value checks further down the chain see and report it instead of
// the tag silently ending there.
void TXmlStandardDocReader::SplitStartTag(const IXmlLocator* locator, WideStringView tagText,
                                          WideStringView& tagName) {
  const std::size_t n = tagText.size();
  std::size_t i = 0;
  auto skipWhite = [&] {
    while (i < n && XmlChars::Space(tagText[i])) ++i;
  };
  while (i < n && !XmlChars::Space(tagText[i])) ++i;
  tagName = tagText.substr(0, i);
  SendStartElement(locator, tagName);
  skipWhite();
  if (i >= n) return;

  TAttributeNameSet names(tagText);

  while (i < n) {
    const std::size_t nameStart = i;
    while (i < n && !XmlChars::Space(tagText[i]) && tagText[i] != u'=') ++i;
    const std::size_t nameLength = i - nameStart;
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
    if (!names.Insert(nameStart, nameLength))
      return ReportError(EK_DUPLICATE_ATTRIBUTE, locator, WideString(tagText.substr(nameStart, nameLength)),
                         WideString());
    SendAttribute(locator, tagText.substr(nameStart, nameLength), tagText.substr(valueStart, i - valueStart));
    ++i;
    if (i < n && !XmlChars::Space(tagText[i])) return ReportError(EK_WHITESPACE_EXPECTED, locator, WideString(), u" ");
    skipWhite();
  }
}

void TXmlStandardDocReader::SendEndElement(const IXmlLocator* locator, WideStringView tagName) {
  if (NextHandler() == nullptr) return;
  SendSignal(this, Slots_ ? &Slots_->EndElement : nullptr, locator,
             [&](TXmlEndElementSignal& signal) { signal.TagName.Refer(tagName); });
}

void TXmlStandardDocReader::SendEmptyElement(const IXmlLocator* locator, WideStringView tagText) {
  if (NextHandler() == nullptr) return;
  WideStringView tagName;
  SplitStartTag(locator, tagText, tagName);
  SendEndElement(locator, tagName);
}

void TXmlStandardDocReader::SendEntityRef(const IXmlLocator* locator, WideStringView name) {
  if (NextHandler() == nullptr) return;
  SendSignal(this, Slots_ ? &Slots_->EntityRef : nullptr, locator,
             [&](TXmlEntityRefSignal& signal) {
               signal.SetTokenChecked(std::exchange(TokenChecked_, false));
               signal.EntityName.Refer(name);
             });
}

void TXmlStandardDocReader::SendDoctype(const IXmlLocator* locator, const WideString& declarationText,
                                        const TCharByteLengths* byteLengths) {
  if (NextHandler() == nullptr) return;
  TXmlDoctypeSignal signal(this, locator);
  {
    // The tokenizer, with its own copies of the text, is gone before the subset is read.
    TXmlDoctypeDeclTokenizer tokenizer(declarationText, locator->SourceUri(), locator->StartByte(),
                                       locator->StartChar(), locator->StartColumn(), locator->StartTabs(),
                                       locator->StartLine());
    const TDoctypeBytes bytes(byteLengths, locator->StartByte(), locator->StartChar());
    const TDoctypeLocator at(tokenizer, bytes);
    do {
      tokenizer.NextToken();
      WideString value = tokenizer.GetTokenValue();
      if (tokenizer.ErrorType() != EK_NONE) {
        ReportError(tokenizer.ErrorType(), &at, value, tokenizer.Clue());
        // A warning (the subset not closed) lets the subset read so far stand; anything
        // worse leaves the declaration unsent.
        if (SeverityOfErrorKind(tokenizer.ErrorType()) != DOM_SEVERITY_WARNING) return;
      }
      switch (tokenizer.TokenType()) {
        case dtName: signal.DoctypeName = value; break;
        case dtPublicId: signal.PublicId = value; break;
        case dtSystemId: signal.SystemId = value; break;
        case dtIntSubset: {
          signal.IntSubsetStartByte = at.StartByte();
          signal.IntSubsetStartChar = tokenizer.StartChar() - 1;
          signal.IntSubsetStartColumn = tokenizer.StartColumn() - 1;
          signal.IntSubsetStartLine = tokenizer.StartLine();
          if (signal.IntSubsetStartColumn == -1) signal.IntSubsetStartLine -= 1;
          // The doctype tokenizer counts from the record before its text, so its character
          // count runs one ahead of the document's, and so does its column on the first line.
          signal.IntSubsetOrigin = tokenizer.SubsetOpenPosition();
          if (bytes.Known()) {
            bytes.Correct(signal.IntSubsetOrigin);
            // The subset's characters follow the "[" without a gap.
            const std::size_t first = bytes.Index(tokenizer.SubsetOpenPosition().CharCount);
            std::size_t characters = value.size();
            for (std::size_t i = 1; i < value.size(); ++i)
              if (XmlChars::HighSurrogate(value[i - 1]) && XmlChars::LowSurrogate(value[i])) --characters;
            const std::size_t last = std::min(byteLengths->size(), first + characters);
            signal.IntSubsetByteLengths.assign(byteLengths->begin() + static_cast<std::ptrdiff_t>(first),
                                               byteLengths->begin() + static_cast<std::ptrdiff_t>(last));
          }
          signal.IntSubsetOrigin.CharCount -= 1;
          if (signal.IntSubsetOrigin.Line == locator->StartLine()) signal.IntSubsetOrigin.Column -= 1;
          signal.Data = std::move(value);
          break;
        }
        case dtStart:
        case dtEnd: break;
      }
      if (tokenizer.ErrorType() == EK_DOCTYPE_TOKENIZER_WARNING) break;
    } while (tokenizer.TokenType() != dtEnd);
  }
  NextHandler()->ProcessSignal(&signal);
}

void TXmlStandardDocReader::SendCompleted(const IXmlLocator* locator) {
  if (NextHandler() == nullptr) return;
  TXmlCompletedSignal signal(this, locator);
  NextHandler()->ProcessSignal(&signal);
}
