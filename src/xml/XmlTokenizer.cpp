#include "xml/XmlTokenizer.h"

#include "platform/Exceptions.h"
#include "xml/XmlRulesUtils.h"

namespace {

constexpr std::int64_t END_OF_TEXT = 0x9C;

// The character classes take UTF-16 code units; characters beyond the BMP belong to none of
// the classes the tokenizer asks about.
bool InBmp(std::int64_t c) { return c >= 0 && c <= 0xFFFF; }
bool IsNameStart(std::int64_t c) {
  return c == '_' || c == ':' || (InBmp(c) && XmlChars::Letter(static_cast<WideChar>(c)));
}
bool IsNameChar(std::int64_t c) { return InBmp(c) && XmlChars::NameChar(static_cast<WideChar>(c)); }
bool IsSpace(std::int64_t c) { return c == 0x20 || c == 0x09 || c == 0x0A || c == 0x0D; }
bool IsAsciiDigit(std::int64_t c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(std::int64_t c) {
  return IsAsciiDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

} // namespace

const char* XmlDocTokenTypeName(TXmlDocTokenType kind) {
  static const char* const names[] = {
      "tkCData",        "tkDecimalCharRef", "tkHexCharRef",          "tkComment",
      "tkDoctype",      "tkEmptyElementTag", "tkEndOfSource",        "tkEndTag",
      "tkEntityRef",    "tkText",           "tkProcessingInstruction", "tkStartOfSource",
      "tkStartTag"};
  return kind <= tkStartTag ? names[kind] : "";
}

// ---------------------------------------------------------------------------------------
// TXmlCustomTokenizer

TXmlCustomTokenizer::TXmlCustomTokenizer(TXmlSimpleInputSource* inputSource)
    : InputSource_(inputSource), TokenValue_(std::make_unique<TUtilsCustomWideStr>()) {
  if (InputSource_) {
    StartPosition_ = InputSource_->CurrentPosition();
    EndPosition_ = InputSource_->PreviousPosition();
  }
}

TXmlCustomTokenizer::~TXmlCustomTokenizer() = default;

WideString TXmlCustomTokenizer::GetTokenValue() const { return TokenValue_->Value(); }
std::int64_t TXmlCustomTokenizer::EndByte() const { return EndPosition_.ByteCount; }
std::int64_t TXmlCustomTokenizer::EndChar() const { return EndPosition_.CharCount; }
std::int64_t TXmlCustomTokenizer::EndColumn() const { return EndPosition_.Column; }
std::int64_t TXmlCustomTokenizer::EndLine() const { return EndPosition_.Line; }
std::int64_t TXmlCustomTokenizer::EndTabs() const { return EndPosition_.TabsInLine; }
TDtdObject* TXmlCustomTokenizer::RelatedDtdItem() const { return nullptr; }
TDomNode* TXmlCustomTokenizer::RelatedNode() const { return nullptr; }
std::int64_t TXmlCustomTokenizer::StartByte() const {
  return StartPosition_.ByteCount - StartPosition_.ByteLength;
}
std::int64_t TXmlCustomTokenizer::StartChar() const { return StartPosition_.CharCount; }
std::int64_t TXmlCustomTokenizer::StartColumn() const { return StartPosition_.Column; }
std::int64_t TXmlCustomTokenizer::StartLine() const { return StartPosition_.Line; }
std::int64_t TXmlCustomTokenizer::StartTabs() const { return StartPosition_.TabsInLine; }
WideString TXmlCustomTokenizer::SourceUri() const {
  return InputSource_ ? InputSource_->SystemId() : WideString();
}

// ---------------------------------------------------------------------------------------
// TXmlDocTokenizer
//
// Every scanning step below works on the input source's current character (the one last
// advanced onto) and its look-ahead; "append" adds the current character to the value.

#define CUR (InputSource_->CurrentPosition().Character)
#define NXT (InputSource_->NextPosition().Character)
#define ADVANCE() InputSource_->Next()
#define APPEND() TokenValue_->AddUCS4Char(static_cast<std::uint32_t>(CUR))
#define CUR_RECORD (InputSource_->CurrentPosition())
#define NEXT_RECORD (InputSource_->NextPosition())
#define PREV_RECORD (InputSource_->PreviousPosition())

TXmlDocTokenizer::TXmlDocTokenizer(TXmlSimpleInputSource* inputSource)
    : TXmlCustomTokenizer(inputSource), TokenType_(inputSource ? tkStartOfSource : tkEndOfSource) {}

void TXmlDocTokenizer::SetError(TXmlErrorType kind, const char16_t* clue) {
  ErrorType_ = kind;
  Clue_ = clue;
}

void TXmlDocTokenizer::NextToken() {
  if (TokenType_ == tkEndOfSource) return;
  TokenValue_->Clear();
  ErrorType_ = EK_NONE;
  Clue_.clear();
  StartPosition_ = NEXT_RECORD;
  try {
    ADVANCE();
    ScanToken();
  } catch (const EConvertError&) {
    // Undecodable input ends the token where the scan got to; the next call goes on behind it.
    EndPosition_ = CUR_RECORD;
    ErrorType_ = EK_INVALID_CHARACTER;
    Clue_.clear();
  }
}

void TXmlDocTokenizer::ScanToken() {
  const std::int64_t c = CUR;
  if (c == '&') {
    ScanReference();
  } else if (c == END_OF_TEXT) {
    EndPosition_ = CUR_RECORD;
    TokenType_ = tkEndOfSource;
  } else if (c != '<') {
    // Text runs up to the next markup or reference.
    TokenType_ = tkText;
    APPEND();
    while (NXT != '&' && NXT != '<' && NXT != END_OF_TEXT) {
      ADVANCE();
      APPEND();
    }
    EndPosition_ = CUR_RECORD;
  } else {
    switch (NXT) {
    case '!':
      ADVANCE();
      ScanMarkupDeclaration();
      break;
    case '/':
      ScanEndTag();
      break;
    case '?':
      ScanProcessingInstruction();
      break;
    case '>':
      // "<>": no tag name; the ">" is consumed so the next token starts behind it.
      EndPosition_ = CUR_RECORD;
      ADVANCE();
      TokenType_ = tkStartTag;
      SetError(EK_TAG_NAME_EXPECTED, u"");
      break;
    case END_OF_TEXT:
      EndPosition_ = CUR_RECORD;
      TokenType_ = tkStartTag;
      SetError(EK_TAG_NAME_EXPECTED, u"");
      break;
    default:
      ScanStartTag();
      break;
    }
  }
}

// "&#x41;", "&#65;" or "&name;": the value is the digits or the name without delimiters.
void TXmlDocTokenizer::ScanReference() {
  if (NXT == '#') {
    ADVANCE();
    if (NXT == 'x') {
      TokenType_ = tkHexCharRef;
      ADVANCE();
      StartPosition_ = NEXT_RECORD;
      while (IsHexDigit(NXT)) {
        ADVANCE();
        APPEND();
      }
    } else {
      TokenType_ = tkDecimalCharRef;
      StartPosition_ = NEXT_RECORD;
      while (IsAsciiDigit(NXT)) {
        ADVANCE();
        APPEND();
      }
    }
    EndPosition_ = CUR_RECORD;
    if (NXT == ';')
      ADVANCE();
    else
      SetError(EK_UNTERMINATED_CHARACTER_REFERENCE, u";");
    return;
  }
  TokenType_ = tkEntityRef;
  StartPosition_ = NEXT_RECORD;
  if (!IsNameStart(NXT)) {
    EndPosition_ = CUR_RECORD;
    SetError(EK_ENTITY_NAME_EXPECTED, u"");
    return;
  }
  ADVANCE();
  APPEND();
  while (IsNameChar(NXT)) {
    ADVANCE();
    APPEND();
  }
  EndPosition_ = CUR_RECORD;
  if (NXT == ';')
    ADVANCE();
  else
    SetError(EK_UNTERMINATED_ENTITY_REFERENCE, u";");
}

// After "<!" (the "!" is current): a comment, a CDATA section or the document type
// declaration, or the error for a keyword that begins none of them.
void TXmlDocTokenizer::ScanMarkupDeclaration() {
  switch (NXT) {
  case '-':
    ScanComment();
    break;
  case '[':
    ScanCData();
    break;
  case 'C': case 'c': case ']':
    EndPosition_ = CUR_RECORD;
    TokenType_ = tkCData;
    SetError(EK_CDATA_START_EXPECTED, u"<![CDATA[");
    break;
  case 'D': {
    TokenType_ = tkDoctype;
    ADVANCE();
    for (const char16_t* k = u"OCTYPE"; *k; ++k) {
      if (NXT != *k) {
        EndPosition_ = CUR_RECORD;
        SetError(EK_DOCTYPE_START_EXPECTED, u"<!DOCTYPE");
        return;
      }
      ADVANCE();
    }
    ScanDoctypeBody();
    break;
  }
  case 'O': case 'd': case 'o':
    EndPosition_ = CUR_RECORD;
    TokenType_ = tkDoctype;
    SetError(EK_DOCTYPE_START_EXPECTED, u"<!DOCTYPE");
    break;
  default:
    EndPosition_ = CUR_RECORD;
    TokenType_ = tkComment;
    SetError(EK_COMMENT_START_EXPECTED, u"<!--");
    break;
  }
}

// "<!--" ... "-->"; a "--" not followed by ">" ends the token with an error at its second "-".
void TXmlDocTokenizer::ScanComment() {
  TokenType_ = tkComment;
  ADVANCE();
  if (NXT != '-') {
    EndPosition_ = CUR_RECORD;
    SetError(EK_COMMENT_START_EXPECTED, u"<!--");
    return;
  }
  ADVANCE();
  StartPosition_ = NEXT_RECORD;
  for (;;) {
    if (NXT == END_OF_TEXT) {
      EndPosition_ = CUR_RECORD;
      SetError(EK_UNCLOSED_COMMENT, u"-->");
      return;
    }
    ADVANCE();
    if (CUR != '-') {
      APPEND();
      continue;
    }
    EndPosition_ = PREV_RECORD;
    ADVANCE();
    if (CUR == '-') {
      if (NXT == '>') {
        ADVANCE();
      } else {
        EndPosition_ = CUR_RECORD;
        SetError(EK_DOUBLE_HYPHEN_IN_COMMENT, u">");
      }
      return;
    }
    if (CUR == END_OF_TEXT) {
      EndPosition_ = PREV_RECORD;
      SetError(EK_UNCLOSED_COMMENT, u"-->");
      return;
    }
    TokenValue_->AddWideChar(u'-');
    APPEND();
  }
}

// "<![CDATA[" ... "]]>"; brackets that do not close the section belong to its text.
void TXmlDocTokenizer::ScanCData() {
  TokenType_ = tkCData;
  ADVANCE();
  for (const char16_t* k = u"CDATA["; *k; ++k) {
    if (NXT != *k) {
      EndPosition_ = CUR_RECORD;
      SetError(EK_CDATA_START_EXPECTED, u"<![CDATA[");
      return;
    }
    ADVANCE();
  }
  StartPosition_ = NEXT_RECORD;
  while (NXT != END_OF_TEXT) {
    ADVANCE();
    while (CUR == ']' && NXT == ']') {
      EndPosition_ = PREV_RECORD;
      ADVANCE();
      if (NXT == '>') {
        ADVANCE();
        return;
      }
      TokenValue_->AddWideChar(u']');
    }
    APPEND();
  }
  EndPosition_ = CUR_RECORD;
  SetError(EK_UNCLOSED_CDATA_SECTION, u"]]>");
}

// Everything up to the ">" that closes the declaration: a ">" inside quotes, inside the
// internal subset, or inside a comment or processing instruction of the subset does not.
void TXmlDocTokenizer::ScanDoctypeBody() {
  bool singleQuote = false, doubleQuote = false, inSubset = false;
  WideString prefix, closer;
  StartPosition_ = NEXT_RECORD;
  while (NXT != END_OF_TEXT) {
    ADVANCE();
    const std::int64_t c = CUR;
    if (c == '>' && !singleQuote && !doubleQuote && !inSubset && closer.empty()) {
      EndPosition_ = PREV_RECORD;
      return;
    }
    APPEND();
    if (!closer.empty()) {
      if (TokenValue_->EndsWith(closer)) closer.clear();
      continue;
    }
    if (c == '\'' && !doubleQuote)
      singleQuote = !singleQuote;
    else if (c == '"' && !singleQuote)
      doubleQuote = !doubleQuote;
    if (inSubset) {
      if (singleQuote || doubleQuote) continue;
      if (c == '<') {
        prefix = u"<";
      } else if (c == '!' && prefix == u"<") {
        prefix = u"<!";
      } else if (c == '?' && prefix == u"<") {
        prefix.clear();
        closer = u"?>";
      } else if (c == '-' && prefix == u"<!") {
        prefix = u"<!-";
      } else if (c == '-' && prefix == u"<!-") {
        prefix.clear();
        closer = u"-->";
      } else {
        prefix.clear();
      }
      if (c == ']') inSubset = false;
    } else if (c == '[' && !singleQuote && !doubleQuote) {
      inSubset = true;
    }
  }
  EndPosition_ = CUR_RECORD;
  SetError(EK_UNCLOSED_DOCTYPE, u"]>");
}

// "</name" then optional white space and ">".
void TXmlDocTokenizer::ScanEndTag() {
  TokenType_ = tkEndTag;
  ADVANCE();
  StartPosition_ = NEXT_RECORD;
  while (!IsSpace(NXT) && NXT != '>' && NXT != END_OF_TEXT) {
    ADVANCE();
    APPEND();
  }
  EndPosition_ = CUR_RECORD;
  while (IsSpace(NXT)) ADVANCE();
  if (NXT == '>')
    ADVANCE();
  else
    SetError(EK_TAG_CLOSE_EXPECTED, u">");
}

// "<?" ... "?>": target, white space and data together.
void TXmlDocTokenizer::ScanProcessingInstruction() {
  TokenType_ = tkProcessingInstruction;
  ADVANCE();
  StartPosition_ = NEXT_RECORD;
  for (;;) {
    if (NXT == END_OF_TEXT) {
      EndPosition_ = PREV_RECORD;
      SetError(EK_UNCLOSED_PROCESSING_INSTRUCTION, u"?");
      return;
    }
    ADVANCE();
    if (CUR == '?' && NXT == '>') {
      EndPosition_ = PREV_RECORD;
      ADVANCE();
      return;
    }
    APPEND();
  }
}

// A start or empty-element tag; quoted attribute values may hold "/" and ">".
void TXmlDocTokenizer::ScanStartTag() {
  bool singleQuote = false, doubleQuote = false;
  ADVANCE();
  StartPosition_ = CUR_RECORD;
  APPEND();
  for (;;) {
    const std::int64_t n = NXT;
    if (n == '/') {
      EndPosition_ = CUR_RECORD;
      TokenType_ = tkEmptyElementTag;
      ADVANCE();
      if (NXT == '>')
        ADVANCE();
      else
        SetError(EK_TAG_CLOSE_EXPECTED, u">");
      return;
    }
    if (n == '>') {
      EndPosition_ = CUR_RECORD;
      TokenType_ = tkStartTag;
      ADVANCE();
      return;
    }
    if (n == END_OF_TEXT) {
      EndPosition_ = CUR_RECORD;
      TokenType_ = tkStartTag;
      SetError(EK_TAG_CLOSE_EXPECTED, singleQuote ? u"'>" : doubleQuote ? u"\">" : u">");
      return;
    }
    ADVANCE();
    APPEND();
    if (CUR == '\'') singleQuote = true;
    if (CUR == '"') doubleQuote = true;
    while (singleQuote && NXT != END_OF_TEXT) {
      ADVANCE();
      APPEND();
      if (CUR == '\'') singleQuote = false;
    }
    while (doubleQuote && NXT != END_OF_TEXT) {
      ADVANCE();
      APPEND();
      if (CUR == '"') doubleQuote = false;
    }
  }
}

#undef CUR
#undef NXT
#undef ADVANCE
#undef APPEND
#undef CUR_RECORD
#undef NEXT_RECORD
#undef PREV_RECORD

// ---------------------------------------------------------------------------------------
// TXmlAttrValueTokenizer

TXmlAttrValueTokenizer::TXmlAttrValueTokenizer(const WideString& value)
    : Stream_(std::make_unique<TUtilsWideStringStream>(value)),
      Reader_(std::make_unique<TUtilsUCS4Reader>(Stream_.get(), &TUTF16LECodec::ClassInfo, 4096, 0, 0, 0,
                                                 0, 1)),
      TokenValue_(std::make_unique<TUtilsCustomWideStr>()) {}

TXmlAttrValueTokenizer::~TXmlAttrValueTokenizer() = default;

WideString TXmlAttrValueTokenizer::GetTokenValue() const { return TokenValue_->Value(); }

void TXmlAttrValueTokenizer::NextToken() {
  if (TokenType_ == avEndOfValue) return;
  TokenValue_->Clear();
  ErrorType_ = EK_NONE;
  Reader_->Next();
  const std::int64_t c = Reader_->CurrentPosition().Character;
  if (c == '&') {
    if (Reader_->NextPosition().Character == '#') {
      Reader_->Next();
      TokenType_ = avCharRef;
      ErrorType_ = EK_UNTERMINATED_CHARACTER_REFERENCE;
    } else {
      TokenType_ = avEntityRef;
      ErrorType_ = EK_UNTERMINATED_ENTITY_REFERENCE;
    }
    while (Reader_->NextPosition().Character != END_OF_TEXT) {
      Reader_->Next();
      if (Reader_->CurrentPosition().Character == ';') {
        ErrorType_ = EK_NONE;
        break;
      }
      TokenValue_->AddUCS4Char(static_cast<std::uint32_t>(Reader_->CurrentPosition().Character));
    }
  } else if (c == END_OF_TEXT) {
    TokenType_ = avEndOfValue;
  } else {
    TokenType_ = avChar;
    TokenValue_->AddUCS4Char(static_cast<std::uint32_t>(c));
  }
}
