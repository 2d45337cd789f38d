// Parse signals: one small object per parse event (a start tag, a piece of text, a comment,
// ...) with the text range it came from. The reader that sends a signal owns it; a handler
// sees it only during its ProcessSignal call and keeps a CloneFor copy if it needs more.
// Every signal checks its own content against the well-formedness rules on request.
#pragma once

#include "platform/Component.h"
#include "platform/WideString.h"
#include "xml/DomError.h"
#include "xml/XmlLocator.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class TXmlCustomReader;

// The text a signal carries. While the reader's handlers run it is a view of the text the
// reader holds for the token (its buffer stays put until the send returns), so sending
// copies nothing; a signal that is cloned, or given a text by assignment, owns a copy.
class TSignalText {
public:
  TSignalText() = default;
  TSignalText(const TSignalText& other) : Own_(other.View()) {}
  TSignalText& operator=(const TSignalText& other) {
    if (this != &other) Assign(other.View());
    return *this;
  }
  TSignalText& operator=(std::u16string_view text) { return Assign(text); }
  TSignalText& operator=(const WideString& text) { return Assign(text); }
  TSignalText& operator=(const char16_t* text) { return Assign(text); }

  // Refers to `text`, which must outlive every use of the signal while it is being handled.
  void Refer(std::u16string_view text) {
    Borrowed_ = text;
    IsBorrowed_ = true;
  }
  // The signal's own copy, for building the text in place; its storage is kept from use to use.
  WideString& Owned() {
    if (IsBorrowed_) {
      Own_.assign(Borrowed_);
      IsBorrowed_ = false;
    }
    return Own_;
  }

  std::u16string_view View() const { return IsBorrowed_ ? Borrowed_ : std::u16string_view(Own_); }
  operator std::u16string_view() const { return View(); }
  WideString Str() const { return WideString(View()); }
  bool empty() const { return View().empty(); }
  std::size_t size() const { return View().size(); }

  friend bool operator==(const TSignalText& a, std::u16string_view b) { return a.View() == b; }

private:
  TSignalText& Assign(std::u16string_view text) {
    Own_.assign(text);
    IsBorrowed_ = false;
    return *this;
  }

  WideString Own_;
  std::u16string_view Borrowed_;
  bool IsBorrowed_ = false;
};

// Where in a parse a signal may occur: a set of these bits.
enum TXmlSignalScopeBit : std::uint8_t { ssDoc = 1, ssDtd = 2 };
using TXmlSignalScope = std::uint8_t;

// The class of a signal as a plain value, so that handlers can dispatch with one switch.
enum class TXmlSignalKind : std::uint8_t {
  StartDocument,
  StartDocumentFragment,
  StartElement,
  Attribute,
  EndElement,
  PCDATA,
  CDATA,
  EntityRef,
  Comment,
  ProcessingInstruction,
  Doctype,
  Completed,
  Aborted,
  AttributeDefinition,
  ElementTypeDeclaration,
  EntityDeclaration,
  ExternalPEReference,
  NotationDeclaration,
  ParameterEntityDeclaration,
  PEReferenceFound,
  StartExtDtd,
  StartIntDtd,
};

class TXmlSignal : public TUtilsNoRefCount, public IXmlLocator {
public:
  // Every base field given explicitly.
  TXmlSignal(TXmlCustomReader* reader, TDomNode* relatedNode, TDtdObject* relatedDtdItem,
             const WideString& uri, std::int64_t endTabs, std::int64_t endLine, std::int64_t endColumn,
             std::int64_t endChar, std::int64_t endByte, std::int64_t startTabs, std::int64_t startLine,
             std::int64_t startColumn, std::int64_t startChar, std::int64_t startByte);
  // The thirteen values copied from a locator; without one every position is -1.
  TXmlSignal(TXmlCustomReader* reader, const IXmlLocator* locator);
  ~TXmlSignal() override = default;

  std::int64_t EndByte() const override { return Loc_.EndByte; }
  std::int64_t EndChar() const override { return Loc_.EndChar; }
  std::int64_t EndColumn() const override { return Loc_.EndColumn; }
  std::int64_t EndLine() const override { return Loc_.EndLine; }
  std::int64_t EndTabs() const override { return Loc_.EndTabs; }
  TDtdObject* RelatedDtdItem() const override { return Loc_.RelatedDtdItem; }
  TDomNode* RelatedNode() const override { return Loc_.RelatedNode; }
  std::int64_t StartByte() const override { return Loc_.StartByte; }
  std::int64_t StartChar() const override { return Loc_.StartChar; }
  std::int64_t StartColumn() const override { return Loc_.StartColumn; }
  std::int64_t StartLine() const override { return Loc_.StartLine; }
  std::int64_t StartTabs() const override { return Loc_.StartTabs; }
  WideString SourceUri() const override { return SharedUri_ != nullptr ? *SharedUri_ : Uri_; }
  void GetLocation(TXmlLocation& out) const override { out = Loc_; }
  const WideString* SourceUriRef() const override { return SharedUri_ != nullptr ? SharedUri_ : &Uri_; }

  // Checks the signal's own content; kind 0 and two empty texts when it is well-formed.
  virtual void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const;
  // A signal of the same class with the same positions and fields, made for `reader`.
  virtual std::unique_ptr<TXmlSignal> CloneFor(TXmlCustomReader* reader) const = 0;
  virtual TXmlSignalScope Scope() const = 0;
  virtual const char* ClassName() const = 0;
  virtual TXmlSignalKind Kind() const = 0;

  TXmlCustomReader* Reader() const { return Reader_; }

  // Whether the tokenizer read the signal's text without reporting anything, so that what it
  // enforces on the way (where a comment, section or instruction ends, how a reference name
  // is spelt) holds already and CheckWellFormed need not look again. Set by the reader for
  // the token it is sending; a signal made or rebound otherwise is checked in full.
  bool TokenChecked() const { return TokenChecked_; }
  void SetTokenChecked(bool value) { TokenChecked_ = value; }

  // Makes the signal stand for a new range of `reader`'s text, as if newly constructed from
  // `locator`, for a reader that sends one signal object per class again and again. The URI
  // is borrowed from a locator that lends it, so the signal must not outlive the locator;
  // CloneFor makes an independent copy. The class's own fields are left to ClearFields.
  void Rebind(TXmlCustomReader* reader, const IXmlLocator* locator);

protected:
  // The base fields of `source`, for a clone made for `reader`; the clone owns its URI.
  TXmlSignal(const TXmlSignal& source, TXmlCustomReader* reader);

private:
  TXmlLocation Loc_;
  TXmlCustomReader* Reader_ = nullptr;
  WideString Uri_;
  const WideString* SharedUri_ = nullptr;  // the locator's URI, when borrowed
  bool TokenChecked_ = false;
};

// Declares the constructors, CloneFor, Scope and ClassName every signal class has.
#define EARMARK_SIGNAL_CLASS(Name, KindValue, ScopeValue)                                             \
public:                                                                                       \
  using TXmlSignal::TXmlSignal;                                                               \
  std::unique_ptr<TXmlSignal> CloneFor(TXmlCustomReader* reader) const override {             \
    return std::unique_ptr<TXmlSignal>(new Name(*this, reader));                             \
  }                                                                                           \
  TXmlSignalScope Scope() const override { return ScopeValue; }                               \
  const char* ClassName() const override { return #Name; }                                   \
  TXmlSignalKind Kind() const override { return KindValue; }                                  \
  /* Back to the values of a new signal, keeping the strings' storage for reuse. */          \
  void ClearFields() {                                                                        \
    static const Name blank(nullptr, nullptr);                                                \
    CopyFields(blank);                                                                        \
  }                                                                                           \
                                                                                              \
protected:                                                                                    \
  Name(const Name& source, TXmlCustomReader* reader) : TXmlSignal(source, reader) { CopyFields(source); } \
                                                                                              \
public:

class TXmlStartDocumentSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlStartDocumentSignal, TXmlSignalKind::StartDocument, ssDoc)
  void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const override;

  WideString EncodingName;   // as declared in the XML declaration
  WideString InputEncoding;  // the encoding the decoder uses
  std::uint8_t StandaloneDecl = 2;  // 0 yes, 1 no, 2 not declared
  WideString Version;

private:
  void CopyFields(const TXmlStartDocumentSignal& s) {
    EncodingName = s.EncodingName;
    InputEncoding = s.InputEncoding;
    StandaloneDecl = s.StandaloneDecl;
    Version = s.Version;
  }
};

class TXmlStartDocumentFragmentSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlStartDocumentFragmentSignal, TXmlSignalKind::StartDocumentFragment, ssDoc)
  void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const override;

  WideString EncodingName;

private:
  void CopyFields(const TXmlStartDocumentFragmentSignal& s) { EncodingName = s.EncodingName; }
};

class TXmlStartElementSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlStartElementSignal, TXmlSignalKind::StartElement, ssDoc)
  void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const override;

  TSignalText TagName;

private:
  void CopyFields(const TXmlStartElementSignal& s) { TagName = s.TagName; }
};

class TXmlAttributeSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlAttributeSignal, TXmlSignalKind::Attribute, ssDoc)
  void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const override;

  std::uint8_t DataType = 0;  // the reader always sends plain strings
  TSignalText Name;
  TSignalText Value;  // as written: no normalisation, no references expanded

private:
  void CopyFields(const TXmlAttributeSignal& s) {
    DataType = s.DataType;
    Name = s.Name;
    Value = s.Value;
  }
};

class TXmlEndElementSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlEndElementSignal, TXmlSignalKind::EndElement, ssDoc)
  void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const override;

  TSignalText TagName;

private:
  void CopyFields(const TXmlEndElementSignal& s) { TagName = s.TagName; }
};

class TXmlPCDATASignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlPCDATASignal, TXmlSignalKind::PCDATA, ssDoc)
  void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const override;

  bool CharRefGenerated = false;  // the text came from a character reference
  TSignalText Data;

private:
  void CopyFields(const TXmlPCDATASignal& s) {
    CharRefGenerated = s.CharRefGenerated;
    Data = s.Data;
  }
};

class TXmlCDATASignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlCDATASignal, TXmlSignalKind::CDATA, ssDoc)
  void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const override;

  TSignalText Data;

private:
  void CopyFields(const TXmlCDATASignal& s) { Data = s.Data; }
};

class TXmlEntityRefSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlEntityRefSignal, TXmlSignalKind::EntityRef, ssDoc)
  void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const override;

  TSignalText EntityName;

private:
  void CopyFields(const TXmlEntityRefSignal& s) { EntityName = s.EntityName; }
};

class TXmlCommentSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlCommentSignal, TXmlSignalKind::Comment, ssDoc | ssDtd)
  void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const override;

  TSignalText Data;

private:
  void CopyFields(const TXmlCommentSignal& s) { Data = s.Data; }
};

class TXmlProcessingInstructionSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlProcessingInstructionSignal, TXmlSignalKind::ProcessingInstruction, ssDoc | ssDtd)
  void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const override;

  TSignalText Data;
  TSignalText Target;

private:
  void CopyFields(const TXmlProcessingInstructionSignal& s) {
    Data = s.Data;
    Target = s.Target;
  }
};

class TXmlDoctypeSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlDoctypeSignal, TXmlSignalKind::Doctype, ssDoc)
  void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const override;

  WideString Data;  // the internal subset, unread
  WideString DoctypeName;
  std::int64_t IntSubsetStartByte = 0;
  std::int64_t IntSubsetStartChar = 0;
  std::int64_t IntSubsetStartColumn = 0;
  std::int64_t IntSubsetStartLine = 0;
  WideString PublicId;
  WideString SystemId;
  // The place of the "[" that opens the internal subset, as the character reader counts it
  // for the whole document; the reader of the subset counts on from there.
  TPositionRecord IntSubsetOrigin;
  // The bytes each character of the internal subset took in the source.
  TCharByteLengths IntSubsetByteLengths;

private:
  void CopyFields(const TXmlDoctypeSignal& s) {
    IntSubsetOrigin = s.IntSubsetOrigin;
    IntSubsetByteLengths = s.IntSubsetByteLengths;
    Data = s.Data;
    DoctypeName = s.DoctypeName;
    IntSubsetStartByte = s.IntSubsetStartByte;
    IntSubsetStartChar = s.IntSubsetStartChar;
    IntSubsetStartColumn = s.IntSubsetStartColumn;
    IntSubsetStartLine = s.IntSubsetStartLine;
    PublicId = s.PublicId;
    SystemId = s.SystemId;
  }
};

// Signals without fields: the end of a parse, successful or stopped, and the events of the
// DTD side, which the DTD reader sends.
#define EARMARK_PLAIN_SIGNAL_CLASS(Name, KindValue, ScopeValue) \
  class Name : public TXmlSignal {                               \
    EARMARK_SIGNAL_CLASS(Name, TXmlSignalKind::KindValue, ScopeValue) \
  private:                                              \
    void CopyFields(const Name&) {}                     \
  };

EARMARK_PLAIN_SIGNAL_CLASS(TXmlCompletedSignal, Completed, ssDoc | ssDtd)
EARMARK_PLAIN_SIGNAL_CLASS(TXmlAbortedSignal, Aborted, ssDoc | ssDtd)
EARMARK_PLAIN_SIGNAL_CLASS(TXmlStartIntDtdSignal, StartIntDtd, ssDtd)

#undef EARMARK_PLAIN_SIGNAL_CLASS

// The events of the DTD side, which the DTD reader sends: one per declaration it takes into
// its model, with the values the model keeps, and one per parameter-entity reference. Their
// content was checked by the reader before they are sent; they check nothing themselves.

// The start of the external subset, by the identifiers the document type declaration gives.
class TXmlStartExtDtdSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlStartExtDtdSignal, TXmlSignalKind::StartExtDtd, ssDtd)
  WideString PublicId;
  WideString SystemId;

private:
  void CopyFields(const TXmlStartExtDtdSignal& s) {
    PublicId = s.PublicId;
    SystemId = s.SystemId;
  }
};

class TXmlElementTypeDeclarationSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlElementTypeDeclarationSignal, TXmlSignalKind::ElementTypeDeclaration, ssDtd)
  WideString ElementName;
  // 0 EMPTY, 1 ANY, 2 mixed, 3 element content.
  std::uint8_t ContentKind = 1;
  WideString ContentModel;  // as written, for mixed and element content

private:
  void CopyFields(const TXmlElementTypeDeclarationSignal& s) {
    ElementName = s.ElementName;
    ContentKind = s.ContentKind;
    ContentModel = s.ContentModel;
  }
};

// One attribute of an attribute-list declaration.
class TXmlAttributeDefinitionSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlAttributeDefinitionSignal, TXmlSignalKind::AttributeDefinition, ssDtd)
  WideString ElementName;
  WideString AttributeName;
  // The declared type: 1 ID, 2 CDATA, 3 IDREF, 4 IDREFS, 5 ENTITY, 6 ENTITIES, 7 NMTOKEN,
  // 8 NMTOKENS, 9 NOTATION, 10 an enumeration.
  std::uint8_t AttributeType = 2;
  std::vector<WideString> Enumeration;  // the notation names or tokens, in declared order
  // 0 #REQUIRED, 1 #IMPLIED, 2 #FIXED, 3 a plain default.
  std::uint8_t DefaultKind = 1;
  WideString DefaultValue;  // as written between the quotes

private:
  void CopyFields(const TXmlAttributeDefinitionSignal& s) {
    ElementName = s.ElementName;
    AttributeName = s.AttributeName;
    AttributeType = s.AttributeType;
    Enumeration = s.Enumeration;
    DefaultKind = s.DefaultKind;
    DefaultValue = s.DefaultValue;
  }
};

// What an entity declaration gives: the replacement text of an internal entity, the
// identifiers of an external one, and the notation of an unparsed one.
struct TXmlEntityDeclarationFields {
  WideString EntityName;
  bool IsInternal = true;
  WideString ReplacementText;
  WideString PublicId;
  WideString SystemId;
  WideString NotationName;
};

class TXmlEntityDeclarationSignal : public TXmlSignal, public TXmlEntityDeclarationFields {
  EARMARK_SIGNAL_CLASS(TXmlEntityDeclarationSignal, TXmlSignalKind::EntityDeclaration, ssDtd)

private:
  void CopyFields(const TXmlEntityDeclarationSignal& s) { TXmlEntityDeclarationFields::operator=(s); }
};

class TXmlParameterEntityDeclarationSignal : public TXmlSignal, public TXmlEntityDeclarationFields {
  EARMARK_SIGNAL_CLASS(TXmlParameterEntityDeclarationSignal, TXmlSignalKind::ParameterEntityDeclaration, ssDtd)

private:
  void CopyFields(const TXmlParameterEntityDeclarationSignal& s) { TXmlEntityDeclarationFields::operator=(s); }
};

class TXmlNotationDeclarationSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlNotationDeclarationSignal, TXmlSignalKind::NotationDeclaration, ssDtd)
  WideString NotationName;
  WideString PublicId;
  WideString SystemId;

private:
  void CopyFields(const TXmlNotationDeclarationSignal& s) {
    NotationName = s.NotationName;
    PublicId = s.PublicId;
    SystemId = s.SystemId;
  }
};

// A reference to a declared parameter entity whose replacement text the reader reads there.
class TXmlPEReferenceFoundSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlPEReferenceFoundSignal, TXmlSignalKind::PEReferenceFound, ssDtd)
  WideString EntityName;

private:
  void CopyFields(const TXmlPEReferenceFoundSignal& s) { EntityName = s.EntityName; }
};

// A reference to a parameter entity the reader does not read: an external one (its
// identifiers given) or an undeclared one (none).
class TXmlExternalPEReferenceSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlExternalPEReferenceSignal, TXmlSignalKind::ExternalPEReference, ssDtd)
  WideString EntityName;
  WideString PublicId;
  WideString SystemId;

private:
  void CopyFields(const TXmlExternalPEReferenceSignal& s) {
    EntityName = s.EntityName;
    PublicId = s.PublicId;
    SystemId = s.SystemId;
  }
};

// A signal as the class its Kind() names, for handlers that switch on the kind; each signal
// class answers its own kind only, so the cast needs no run-time check.
template <class T>
const T& SignalAs(const TXmlSignal* signal) {
  return *static_cast<const T*>(signal);
}
