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

class TXmlCustomReader;

// Where in a parse a signal may occur: a set of these bits.
enum TXmlSignalScopeBit : std::uint8_t { ssDoc = 1, ssDtd = 2 };
using TXmlSignalScope = std::uint8_t;

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

  std::int64_t EndByte() const override { return EndByte_; }
  std::int64_t EndChar() const override { return EndChar_; }
  std::int64_t EndColumn() const override { return EndColumn_; }
  std::int64_t EndLine() const override { return EndLine_; }
  std::int64_t EndTabs() const override { return EndTabs_; }
  TDtdObject* RelatedDtdItem() const override { return RelatedDtdItem_; }
  TDomNode* RelatedNode() const override { return RelatedNode_; }
  std::int64_t StartByte() const override { return StartByte_; }
  std::int64_t StartChar() const override { return StartChar_; }
  std::int64_t StartColumn() const override { return StartColumn_; }
  std::int64_t StartLine() const override { return StartLine_; }
  std::int64_t StartTabs() const override { return StartTabs_; }
  WideString SourceUri() const override { return Uri_; }

  // Checks the signal's own content; kind 0 and two empty texts when it is well-formed.
  virtual void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const;
  // A signal of the same class with the same positions and fields, made for `reader`.
  virtual std::unique_ptr<TXmlSignal> CloneFor(TXmlCustomReader* reader) const = 0;
  virtual TXmlSignalScope Scope() const = 0;
  virtual const char* ClassName() const = 0;

  TXmlCustomReader* Reader() const { return Reader_; }

protected:
  // The base fields of `source`, for a clone made for `reader`.
  TXmlSignal(const TXmlSignal& source, TXmlCustomReader* reader);

private:
  std::int64_t EndByte_ = -1;
  std::int64_t EndChar_ = -1;
  std::int64_t EndColumn_ = -1;
  std::int64_t EndLine_ = -1;
  std::int64_t EndTabs_ = -1;
  TXmlCustomReader* Reader_ = nullptr;
  TDtdObject* RelatedDtdItem_ = nullptr;
  TDomNode* RelatedNode_ = nullptr;
  std::int64_t StartByte_ = -1;
  std::int64_t StartChar_ = -1;
  std::int64_t StartColumn_ = -1;
  std::int64_t StartLine_ = -1;
  std::int64_t StartTabs_ = -1;
  WideString Uri_;
};

// Declares the constructors, CloneFor, Scope and ClassName every signal class has.
#define EARMARK_SIGNAL_CLASS(Name, ScopeValue)                                                \
public:                                                                                       \
  using TXmlSignal::TXmlSignal;                                                               \
  std::unique_ptr<TXmlSignal> CloneFor(TXmlCustomReader* reader) const override {             \
    return std::unique_ptr<TXmlSignal>(new Name(*this, reader));                             \
  }                                                                                           \
  TXmlSignalScope Scope() const override { return ScopeValue; }                               \
  const char* ClassName() const override { return #Name; }                                   \
                                                                                              \
protected:                                                                                    \
  Name(const Name& source, TXmlCustomReader* reader) : TXmlSignal(source, reader) { CopyFields(source); } \
                                                                                              \
public:

class TXmlStartDocumentSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlStartDocumentSignal, ssDoc)
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
  EARMARK_SIGNAL_CLASS(TXmlStartDocumentFragmentSignal, ssDoc)
  void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const override;

  WideString EncodingName;

private:
  void CopyFields(const TXmlStartDocumentFragmentSignal& s) { EncodingName = s.EncodingName; }
};

class TXmlStartElementSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlStartElementSignal, ssDoc)
  void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const override;

  WideString TagName;

private:
  void CopyFields(const TXmlStartElementSignal& s) { TagName = s.TagName; }
};

class TXmlAttributeSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlAttributeSignal, ssDoc)
  void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const override;

  std::uint8_t DataType = 0;  // the reader always sends plain strings
  WideString Name;
  WideString Value;  // as written: no normalisation, no references expanded

private:
  void CopyFields(const TXmlAttributeSignal& s) {
    DataType = s.DataType;
    Name = s.Name;
    Value = s.Value;
  }
};

class TXmlEndElementSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlEndElementSignal, ssDoc)
  void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const override;

  WideString TagName;

private:
  void CopyFields(const TXmlEndElementSignal& s) { TagName = s.TagName; }
};

class TXmlPCDATASignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlPCDATASignal, ssDoc)
  void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const override;

  bool CharRefGenerated = false;  // the text came from a character reference
  WideString Data;

private:
  void CopyFields(const TXmlPCDATASignal& s) {
    CharRefGenerated = s.CharRefGenerated;
    Data = s.Data;
  }
};

class TXmlCDATASignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlCDATASignal, ssDoc)
  void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const override;

  WideString Data;

private:
  void CopyFields(const TXmlCDATASignal& s) { Data = s.Data; }
};

class TXmlEntityRefSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlEntityRefSignal, ssDoc)
  void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const override;

  WideString EntityName;

private:
  void CopyFields(const TXmlEntityRefSignal& s) { EntityName = s.EntityName; }
};

class TXmlCommentSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlCommentSignal, ssDoc | ssDtd)
  void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const override;

  WideString Data;

private:
  void CopyFields(const TXmlCommentSignal& s) { Data = s.Data; }
};

class TXmlProcessingInstructionSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlProcessingInstructionSignal, ssDoc | ssDtd)
  void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const override;

  WideString Data;
  WideString Target;

private:
  void CopyFields(const TXmlProcessingInstructionSignal& s) {
    Data = s.Data;
    Target = s.Target;
  }
};

class TXmlDoctypeSignal : public TXmlSignal {
  EARMARK_SIGNAL_CLASS(TXmlDoctypeSignal, ssDoc)
  void CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const override;

  WideString Data;  // the internal subset, unread
  WideString DoctypeName;
  std::int64_t IntSubsetStartByte = 0;
  std::int64_t IntSubsetStartChar = 0;
  std::int64_t IntSubsetStartColumn = 0;
  std::int64_t IntSubsetStartLine = 0;
  WideString PublicId;
  WideString SystemId;

private:
  void CopyFields(const TXmlDoctypeSignal& s) {
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
#define EARMARK_PLAIN_SIGNAL_CLASS(Name, ScopeValue)    \
  class Name : public TXmlSignal {                      \
    EARMARK_SIGNAL_CLASS(Name, ScopeValue)              \
  private:                                              \
    void CopyFields(const Name&) {}                     \
  };

EARMARK_PLAIN_SIGNAL_CLASS(TXmlCompletedSignal, ssDoc | ssDtd)
EARMARK_PLAIN_SIGNAL_CLASS(TXmlAbortedSignal, ssDoc | ssDtd)
EARMARK_PLAIN_SIGNAL_CLASS(TXmlAttributeDefinitionSignal, ssDtd)
EARMARK_PLAIN_SIGNAL_CLASS(TXmlElementTypeDeclarationSignal, ssDtd)
EARMARK_PLAIN_SIGNAL_CLASS(TXmlEntityDeclarationSignal, ssDtd)
EARMARK_PLAIN_SIGNAL_CLASS(TXmlExternalPEReferenceSignal, ssDtd)
EARMARK_PLAIN_SIGNAL_CLASS(TXmlNotationDeclarationSignal, ssDtd)
EARMARK_PLAIN_SIGNAL_CLASS(TXmlParameterEntityDeclarationSignal, ssDtd)
EARMARK_PLAIN_SIGNAL_CLASS(TXmlPEReferenceFoundSignal, ssDtd)
EARMARK_PLAIN_SIGNAL_CLASS(TXmlStartExtDtdSignal, ssDtd)
EARMARK_PLAIN_SIGNAL_CLASS(TXmlStartIntDtdSignal, ssDtd)

#undef EARMARK_PLAIN_SIGNAL_CLASS
