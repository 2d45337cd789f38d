// The document tokenizer cuts the decoded text of an input source into markup tokens with
// exact start and end positions; it finds token boundaries only and reports an error kind
// where a token's delimiters are wrong or missing. The attribute-value tokenizer splits a
// finished attribute value into plain characters and references.
#pragma once

#include "dom/WideStringUtils.h"
#include "platform/Component.h"
#include "platform/WideString.h"
#include "xml/DomError.h"
#include "xml/XmlInputSource.h"
#include "xml/XmlLocator.h"

#include <cstdint>
#include <memory>

enum TXmlDocTokenType : std::uint8_t {
  tkCData = 0,
  tkDecimalCharRef = 1,
  tkHexCharRef = 2,
  tkComment = 3,
  tkDoctype = 4,
  tkEmptyElementTag = 5,
  tkEndOfSource = 6,
  tkEndTag = 7,
  tkEntityRef = 8,
  tkText = 9,
  tkProcessingInstruction = 10,
  tkStartOfSource = 11,
  tkStartTag = 12,
};

// The name of a token kind as the command-line tool prints it ("tkStartTag").
const char* XmlDocTokenTypeName(TXmlDocTokenType kind);

class TXmlCustomTokenizer : public TUtilsNoRefCount, public IXmlLocator {
public:
  explicit TXmlCustomTokenizer(TXmlSimpleInputSource* inputSource);
  ~TXmlCustomTokenizer() override;
  TXmlCustomTokenizer(const TXmlCustomTokenizer&) = delete;
  TXmlCustomTokenizer& operator=(const TXmlCustomTokenizer&) = delete;

  virtual WideString GetTokenValue() const;
  std::int64_t EndByte() const override;
  std::int64_t EndChar() const override;
  std::int64_t EndColumn() const override;
  std::int64_t EndLine() const override;
  std::int64_t EndTabs() const override;
  TDtdObject* RelatedDtdItem() const override;
  TDomNode* RelatedNode() const override;
  std::int64_t StartByte() const override;
  std::int64_t StartChar() const override;
  std::int64_t StartColumn() const override;
  std::int64_t StartLine() const override;
  std::int64_t StartTabs() const override;
  WideString SourceUri() const override;
  void GetLocation(TXmlLocation& out) const override;
  const WideString* SourceUriRef() const override;
  virtual void NextToken() = 0;

  // The token's text without a copy, valid until the next token.
  std::u16string_view TokenView() const { return TokenValue_->View(); }
  const WideString& Clue() const { return Clue_; }
  TXmlErrorType ErrorType() const { return ErrorType_; }
  TXmlSimpleInputSource* InputSource() const { return InputSource_; }

protected:
  WideString Clue_;
  TXmlErrorType ErrorType_ = EK_NONE;
  TXmlSimpleInputSource* InputSource_ = nullptr;  // not owned
  TPositionRecord EndPosition_;
  TPositionRecord StartPosition_;
  std::unique_ptr<TUtilsCustomWideStr> TokenValue_;
};

class TXmlDocTokenizer : public TXmlCustomTokenizer {
public:
  explicit TXmlDocTokenizer(TXmlSimpleInputSource* inputSource);

  void NextToken() override;
  TXmlDocTokenType TokenType() const { return TokenType_; }
  // The bytes each character of the last document type declaration's token took in the
  // source, for positions inside it.
  const TCharByteLengths& DoctypeByteLengths() const { return DoctypeByteLengths_; }

private:
  // The scan works on the input source's current character (the one last advanced onto)
  // and its look-ahead, as code points for the classes of XmlChars; Append adds the current
  // character to the token value.
  char32_t Cur() const { return static_cast<char32_t>(InputSource_->CurrentPosition().Character); }
  char32_t Nxt() const { return static_cast<char32_t>(InputSource_->NextPosition().Character); }
  const TPositionRecord& CurRecord() const { return InputSource_->CurrentPosition(); }
  const TPositionRecord& NextRecord() const { return InputSource_->NextPosition(); }
  const TPositionRecord& PrevRecord() const { return InputSource_->PreviousPosition(); }
  void Advance() { InputSource_->Next(); }
  void Append() { TokenValue_->AddUCS4Char(static_cast<std::uint32_t>(Cur())); }
  // While the look-ahead is neither flagged in `stops` nor the end: Advance() and Append(), in
  // bulk where the input allows.
  void AdvanceAppendUntil(const bool* stops);

  void SetError(TXmlErrorType kind, const char16_t* clue);
  void ScanToken();
  void ScanReference();
  void ScanMarkupDeclaration();
  void ScanComment();
  void ScanCData();
  void ScanDoctypeBody();
  void ScanEndTag();
  void ScanProcessingInstruction();
  void ScanStartTag();

  TXmlDocTokenType TokenType_;
  TCharByteLengths DoctypeByteLengths_;
};

enum TXmlAttrValueTokenType : std::uint8_t {
  avCharRef = 0,
  avEndOfValue = 1,
  avEntityRef = 2,
  avStartOfValue = 3,
  avChar = 4,
};

// Splits an attribute value into characters, character references and entity references.
class TXmlAttrValueTokenizer {
public:
  explicit TXmlAttrValueTokenizer(const WideString& value);
  virtual ~TXmlAttrValueTokenizer();
  TXmlAttrValueTokenizer(const TXmlAttrValueTokenizer&) = delete;
  TXmlAttrValueTokenizer& operator=(const TXmlAttrValueTokenizer&) = delete;

  virtual WideString GetTokenValue() const;
  virtual void NextToken();

  TXmlAttrValueTokenType TokenType() const { return TokenType_; }
  TXmlErrorType ErrorType() const { return ErrorType_; }

private:
  std::unique_ptr<TUtilsWideStringStream> Stream_;
  std::unique_ptr<TUtilsUCS4Reader> Reader_;
  std::unique_ptr<TUtilsCustomWideStr> TokenValue_;
  TXmlAttrValueTokenType TokenType_ = avStartOfValue;
  TXmlErrorType ErrorType_ = EK_NONE;
};
