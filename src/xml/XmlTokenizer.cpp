#include "xml/XmlTokenizer.h"

#include "platform/Exceptions.h"
#include "xml/XmlRulesUtils.h"

namespace {

constexpr char32_t END_OF_TEXT = kEndOfText;

// Flags of the characters at which a bulk advance over plain text stops.
struct TStopSet {
  bool Flags[256]{};
};

constexpr TStopSet MakeStops(std::u16string_view chars) {
  TStopSet set;
  for (char16_t c : chars) set.Flags[c] = true;
  return set;
}

constexpr TStopSet kTextStops = MakeStops(u"&<");
constexpr TStopSet kTagStops = MakeStops(u"/>'\"");
constexpr TStopSet kSingleQuoteStops = MakeStops(u"'");
constexpr TStopSet kDoubleQuoteStops = MakeStops(u"\"");
// An end tag's name runs up to white space or ">".
constexpr TStopSet kEndTagStops = [] {
  TStopSet set = MakeStops(u">");
  for (char16_t c = 0; c < 256; ++c) set.Flags[c] = set.Flags[c] || XmlChars::Space(c);
  return set;
}();
constexpr TStopSet kCommentStops = MakeStops(u"-");
constexpr TStopSet kCDataStops = MakeStops(u"]");

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
void TXmlCustomTokenizer::GetLocation(TXmlLocation& out) const {
  out.EndByte = EndPosition_.ByteCount;
  out.EndChar = EndPosition_.CharCount;
  out.EndColumn = EndPosition_.Column;
  out.EndLine = EndPosition_.Line;
  out.EndTabs = EndPosition_.TabsInLine;
  out.RelatedDtdItem = nullptr;
  out.RelatedNode = nullptr;
  out.StartByte = StartPosition_.ByteCount - StartPosition_.ByteLength;
  out.StartChar = StartPosition_.CharCount;
  out.StartColumn = StartPosition_.Column;
  out.StartLine = StartPosition_.Line;
  out.StartTabs = StartPosition_.TabsInLine;
}
const WideString* TXmlCustomTokenizer::SourceUriRef() const {
  return InputSource_ ? &InputSource_->SystemId() : nullptr;
}

// ---------------------------------------------------------------------------------------
// TXmlDocTokenizer

TXmlDocTokenizer::TXmlDocTokenizer(TXmlSimpleInputSource* inputSource)
    : TXmlCustomTokenizer(inputSource), TokenType_(inputSource ? tkStartOfSource : tkEndOfSource) {}

void TXmlDocTokenizer::AdvanceAppendUntil(const bool* stops) {
  char16_t run[256];
  for (;;) {
    // Read in the record's own width: the tightest loop of the tokenizer, where the
    // narrowing of Nxt() costs measurably.
    const std::int64_t n = NextRecord().Character;
    if (n == END_OF_TEXT || (n >= 0 && n < 256 && stops[n])) return;
    const std::int64_t count = InputSource_->AdvancePlainRun(stops, run, 256);
    if (count > 0) {
      TokenValue_->AddWideString(std::u16string_view(run, static_cast<std::size_t>(count)));
      continue;
    }
    Advance();
    Append();
  }
}

void TXmlDocTokenizer::SetError(TXmlErrorType kind, const char16_t* clue) {
  ErrorType_ = kind;
  Clue_ = clue;
}

void TXmlDocTokenizer::NextToken() {
  if (TokenType_ == tkEndOfSource) return;
  TokenValue_->Clear();
  ErrorType_ = EK_NONE;
  Clue_.clear();
  StartPosition_ = NextRecord();
  try {
    Advance();
    ScanToken();
  } catch (const EConvertError&) {
    // Undecodable input ends the token where the scan got to; the next call goes on behind it.
    EndPosition_ = CurRecord();
    ErrorType_ = EK_INVALID_CHARACTER;
    Clue_.clear();
  }
}

// Starts with the token's first character current; returns with the last character the token
// took current, so that the look-ahead is the first character of the next token.
void TXmlDocTokenizer::ScanToken() {
  const char32_t c = Cur();
  if (c == '&') {
    ScanReference();
  } else if (c == END_OF_TEXT) {
    EndPosition_ = CurRecord();
    TokenType_ = tkEndOfSource;
  } else if (c != '<') {
    // Text runs up to the next markup or reference.
    TokenType_ = tkText;
    Append();
    AdvanceAppendUntil(kTextStops.Flags);
    EndPosition_ = CurRecord();
  } else {
    switch (Nxt()) {
    case '!':
      Advance();
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
      EndPosition_ = CurRecord();
      Advance();
      TokenType_ = tkStartTag;
      SetError(EK_TAG_NAME_EXPECTED, u"");
      break;
    case END_OF_TEXT:
      EndPosition_ = CurRecord();
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
// Starts with "&" current; returns with ";" current, or the last character of the reference
// when no ";" follows.
void TXmlDocTokenizer::ScanReference() {
  if (Nxt() == '#') {
    Advance();
    if (Nxt() == 'x') {
      TokenType_ = tkHexCharRef;
      Advance();
      StartPosition_ = NextRecord();
      while (XmlChars::HexDigit(Nxt())) {
        Advance();
        Append();
      }
    } else {
      TokenType_ = tkDecimalCharRef;
      StartPosition_ = NextRecord();
      while (XmlChars::AsciiDigit(Nxt())) {
        Advance();
        Append();
      }
    }
    EndPosition_ = CurRecord();
    if (Nxt() == ';')
      Advance();
    else
      SetError(EK_UNTERMINATED_CHARACTER_REFERENCE, u";");
    return;
  }
  TokenType_ = tkEntityRef;
  StartPosition_ = NextRecord();
  if (!XmlChars::NameStartChar(Nxt())) {
    EndPosition_ = CurRecord();
    SetError(EK_ENTITY_NAME_EXPECTED, u"");
    return;
  }
  Advance();
  Append();
  while (XmlChars::NameChar(Nxt())) {
    Advance();
    Append();
  }
  EndPosition_ = CurRecord();
  if (Nxt() == ';')
    Advance();
  else
    SetError(EK_UNTERMINATED_ENTITY_REFERENCE, u";");
}

// After "<!" (the "!" is current): a comment, a CDATA section or the document type
// declaration, or the error for a keyword that begins none of them. Returns as the scanner it
// hands over to, or with the last character of the keyword that matched current.
void TXmlDocTokenizer::ScanMarkupDeclaration() {
  switch (Nxt()) {
  case '-':
    ScanComment();
    break;
  case '[':
    ScanCData();
    break;
  case 'C': case 'c': case ']':
    EndPosition_ = CurRecord();
    TokenType_ = tkCData;
    SetError(EK_CDATA_START_EXPECTED, u"<![CDATA[");
    break;
  case 'D': {
    TokenType_ = tkDoctype;
    Advance();
    for (const char16_t* k = u"OCTYPE"; *k; ++k) {
      if (Nxt() != *k) {
        EndPosition_ = CurRecord();
        SetError(EK_DOCTYPE_START_EXPECTED, u"<!DOCTYPE");
        return;
      }
      Advance();
    }
    ScanDoctypeBody();
    break;
  }
  case 'O': case 'd': case 'o':
    EndPosition_ = CurRecord();
    TokenType_ = tkDoctype;
    SetError(EK_DOCTYPE_START_EXPECTED, u"<!DOCTYPE");
    break;
  default:
    EndPosition_ = CurRecord();
    TokenType_ = tkComment;
    SetError(EK_COMMENT_START_EXPECTED, u"<!--");
    break;
  }
}

// "<!--" ... "-->"; a "--" not followed by ">" ends the token with an error at its second "-".
// Starts with "!" current; returns with the ">" of "-->" current, or the second "-" of a "--"
// without ">", or the last character of the input.
void TXmlDocTokenizer::ScanComment() {
  TokenType_ = tkComment;
  Advance();
  if (Nxt() != '-') {
    EndPosition_ = CurRecord();
    SetError(EK_COMMENT_START_EXPECTED, u"<!--");
    return;
  }
  Advance();
  StartPosition_ = NextRecord();
  for (;;) {
    // Everything up to the next "-" is comment text.
    AdvanceAppendUntil(kCommentStops.Flags);
    if (Nxt() == END_OF_TEXT) {
      EndPosition_ = CurRecord();
      SetError(EK_UNCLOSED_COMMENT, u"-->");
      return;
    }
    Advance();
    if (Cur() != '-') {
      Append();
      continue;
    }
    EndPosition_ = PrevRecord();
    Advance();
    if (Cur() == '-') {
      if (Nxt() == '>') {
        Advance();
      } else {
        EndPosition_ = CurRecord();
        SetError(EK_DOUBLE_HYPHEN_IN_COMMENT, u">");
      }
      return;
    }
    if (Cur() == END_OF_TEXT) {
      EndPosition_ = PrevRecord();
      SetError(EK_UNCLOSED_COMMENT, u"-->");
      return;
    }
    TokenValue_->AddWideChar(u'-');
    Append();
  }
}

// "<![CDATA[" ... "]]>"; brackets that do not close the section belong to its text.
// Starts with "!" current; returns with the ">" of "]]>" current, or the last character of the
// keyword that matched, or the last character of the input.
void TXmlDocTokenizer::ScanCData() {
  TokenType_ = tkCData;
  Advance();
  for (const char16_t* k = u"CDATA["; *k; ++k) {
    if (Nxt() != *k) {
      EndPosition_ = CurRecord();
      SetError(EK_CDATA_START_EXPECTED, u"<![CDATA[");
      return;
    }
    Advance();
  }
  StartPosition_ = NextRecord();
  while (Nxt() != END_OF_TEXT) {
    // Everything up to the next "]" is section text.
    AdvanceAppendUntil(kCDataStops.Flags);
    if (Nxt() == END_OF_TEXT) break;
    Advance();
    while (Cur() == ']' && Nxt() == ']') {
      EndPosition_ = PrevRecord();
      Advance();
      if (Nxt() == '>') {
        Advance();
        return;
      }
      TokenValue_->AddWideChar(u']');
    }
    Append();
  }
  EndPosition_ = CurRecord();
  SetError(EK_UNCLOSED_CDATA_SECTION, u"]]>");
}

// Everything up to the ">" that closes the declaration: a ">" inside quotes, inside the
// internal subset, or inside a comment or processing instruction of the subset does not.
// Starts with the "E" of "DOCTYPE" current; returns with the closing ">" current, or the last
// character of the input.
void TXmlDocTokenizer::ScanDoctypeBody() {
  bool singleQuote = false, doubleQuote = false, inSubset = false;
  WideString prefix, closer;
  StartPosition_ = NextRecord();
  DoctypeByteLengths_.clear();
  while (Nxt() != END_OF_TEXT) {
    Advance();
    const char32_t c = Cur();
    if (c == '>' && !singleQuote && !doubleQuote && !inSubset && closer.empty()) {
      EndPosition_ = PrevRecord();
      return;
    }
    Append();
    DoctypeByteLengths_.push_back(static_cast<std::uint8_t>(CurRecord().ByteLength));
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
  EndPosition_ = CurRecord();
  SetError(EK_UNCLOSED_DOCTYPE, u"]>");
}

// "</name" then optional white space and ">". Starts with "<" current and "/" next; returns
// with ">" current, or the character before the one that should have been ">".
void TXmlDocTokenizer::ScanEndTag() {
  TokenType_ = tkEndTag;
  Advance();
  StartPosition_ = NextRecord();
  AdvanceAppendUntil(kEndTagStops.Flags);
  EndPosition_ = CurRecord();
  while (XmlChars::Space(Nxt())) Advance();
  if (Nxt() == '>')
    Advance();
  else
    SetError(EK_TAG_CLOSE_EXPECTED, u">");
}

// "<?" ... "?>": target, white space and data together. Starts with "<" current and "?"
// next; returns with the ">" of "?>" current, or the last character of the input.
void TXmlDocTokenizer::ScanProcessingInstruction() {
  TokenType_ = tkProcessingInstruction;
  Advance();
  StartPosition_ = NextRecord();
  for (;;) {
    if (Nxt() == END_OF_TEXT) {
      EndPosition_ = PrevRecord();
      SetError(EK_UNCLOSED_PROCESSING_INSTRUCTION, u"?");
      return;
    }
    Advance();
    if (Cur() == '?' && Nxt() == '>') {
      EndPosition_ = PrevRecord();
      Advance();
      return;
    }
    Append();
  }
}

// A start or empty-element tag; quoted attribute values may hold "/" and ">". Starts with "<"
// current and the name's first character next; returns with ">" current, or the "/" that no
// ">" follows, or the last character of the input.
void TXmlDocTokenizer::ScanStartTag() {
  bool singleQuote = false, doubleQuote = false;
  Advance();
  StartPosition_ = CurRecord();
  Append();
  for (;;) {
    const char32_t n = Nxt();
    if (n == '/') {
      EndPosition_ = CurRecord();
      TokenType_ = tkEmptyElementTag;
      Advance();
      if (Nxt() == '>')
        Advance();
      else
        SetError(EK_TAG_CLOSE_EXPECTED, u">");
      return;
    }
    if (n == '>') {
      EndPosition_ = CurRecord();
      TokenType_ = tkStartTag;
      Advance();
      return;
    }
    if (n == END_OF_TEXT) {
      EndPosition_ = CurRecord();
      TokenType_ = tkStartTag;
      SetError(EK_TAG_CLOSE_EXPECTED, singleQuote ? u"'>" : doubleQuote ? u"\">" : u">");
      return;
    }
    // Name and white space up to the next quote or tag end in bulk, then one step.
    AdvanceAppendUntil(kTagStops.Flags);
    const char32_t stop = Nxt();
    if (stop == '/' || stop == '>' || stop == END_OF_TEXT) continue;
    Advance();
    Append();
    if (Cur() == '\'') singleQuote = true;
    if (Cur() == '"') doubleQuote = true;
    if (singleQuote) AdvanceAppendUntil(kSingleQuoteStops.Flags);
    if (doubleQuote) AdvanceAppendUntil(kDoubleQuoteStops.Flags);
    while (singleQuote && Nxt() != END_OF_TEXT) {
      Advance();
      Append();
      if (Cur() == '\'') singleQuote = false;
    }
    while (doubleQuote && Nxt() != END_OF_TEXT) {
      Advance();
      Append();
      if (Cur() == '"') doubleQuote = false;
    }
  }
}

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
