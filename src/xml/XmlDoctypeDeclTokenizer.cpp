#include "xml/XmlDoctypeDeclTokenizer.h"

#include "xml/XmlRulesUtils.h"

TXmlDoctypeDeclTokenizer::TXmlDoctypeDeclTokenizer(const WideString& text, const WideString& uri,
                                                   std::int64_t startByte, std::int64_t startChar,
                                                   std::int64_t startColumn, std::int64_t startTabs,
                                                   std::int64_t startLine)
    : TXmlCustomTokenizer(nullptr), Stream_(std::make_unique<TUtilsWideStringStream>(text)) {
  Source_ = std::make_unique<TXmlSimpleInputSource>(Stream_.get(), WideString(), uri, &TUTF16LECodec::ClassInfo,
                                                    4096, startByte, startChar, startColumn, startTabs, startLine);
  InputSource_ = Source_.get();
  StartPosition_ = Source_->CurrentPosition();
  EndPosition_ = Source_->PreviousPosition();
}

TXmlDoctypeDeclTokenizer::~TXmlDoctypeDeclTokenizer() = default;

void TXmlDoctypeDeclTokenizer::SetError(TXmlErrorType kind, const WideString& clue) {
  ErrorType_ = kind;
  Clue_ = clue;
}

void TXmlDoctypeDeclTokenizer::NextToken() {
  if (TokenType_ == dtEnd) return;
  TokenValue_->Clear();
  ErrorType_ = EK_NONE;
  Clue_.clear();
  StartPosition_ = Source_->NextPosition();
  try {
    Scan();
  } catch (const EConvertError&) {
    SetError(EK_INVALID_CHARACTER, WideString());
  }
  EndPosition_ = Source_->CurrentPosition();
}

void TXmlDoctypeDeclTokenizer::SkipWhiteSpace() {
  while (XmlChars::Space(static_cast<char32_t>(Source_->NextPosition().Character))) Source_->Next();
}

bool TXmlDoctypeDeclTokenizer::MatchRest(const char16_t* rest) {
  for (; *rest != 0; ++rest) {
    if (Source_->NextPosition().Character != *rest) return false;
    Source_->Next();
  }
  return true;
}

void TXmlDoctypeDeclTokenizer::Scan() {
  switch (TokenType_) {
    case dtStart:
      TokenType_ = dtName;
      Source_->Next();
      if (!XmlChars::Space(static_cast<char32_t>(Source_->CurrentPosition().Character)))
        return SetError(EK_WHITESPACE_EXPECTED, u" ");
      SkipWhiteSpace();
      ReadName();
      return;
    case dtName: {
      SkipWhiteSpace();
      const std::int64_t c = Source_->NextPosition().Character;
      if (c == 'P') {
        Source_->Next();
        if (!MatchRest(u"UBLIC")) return SetError(EK_PUBLIC_KEYWORD_EXPECTED, u"PUBLIC");
        TokenType_ = dtPublicId;
        ReadLiteral();
      } else if (c == 'S') {
        Source_->Next();
        if (!MatchRest(u"YSTEM")) return SetError(EK_SYSTEM_KEYWORD_EXPECTED, u"SYSTEM");
        TokenType_ = dtSystemId;
        ReadLiteral();
      } else if (c == '[') {
        ReadSubsetStart();
      } else if (c == kEndOfText) {
        TokenType_ = dtEnd;
      } else {
        SetError(EK_SYSTEM_KEYWORD_EXPECTED, u"SYSTEM");
      }
      return;
    }
    case dtPublicId:
      TokenType_ = dtSystemId;
      ReadLiteral();
      return;
    case dtSystemId:
      ReadSubsetStart();
      return;
    case dtIntSubset:
      SkipWhiteSpace();
      Source_->Next();
      if (Source_->CurrentPosition().Character == kEndOfText)
        TokenType_ = dtEnd;
      else
        SetError(EK_UNCLOSED_DOCTYPE, WideString());
      return;
    case dtEnd:
      return;
  }
}

// The name runs up to white space, "[", ">" or the end.
void TXmlDoctypeDeclTokenizer::ReadName() {
  for (;;) {
    const std::int64_t c = Source_->NextPosition().Character;
    if (XmlChars::Space(static_cast<char32_t>(c)) || c == '[' || c == '>' || c == kEndOfText) return;
    Source_->Next();
    TokenValue_->AddUCS4Char(static_cast<std::uint32_t>(c));
  }
}

void TXmlDoctypeDeclTokenizer::ReadLiteral() {
  Source_->Next();
  if (!XmlChars::Space(static_cast<char32_t>(Source_->CurrentPosition().Character)))
    return SetError(EK_WHITESPACE_EXPECTED, u" ");
  SkipWhiteSpace();
  Source_->Next();
  const std::int64_t quote = Source_->CurrentPosition().Character;
  if (quote != '"' && quote != '\'') return SetError(EK_LITERAL_QUOTE_EXPECTED, u"\"");
  for (;;) {
    Source_->Next();
    const std::int64_t c = Source_->CurrentPosition().Character;
    if (c == kEndOfText) return SetError(EK_LITERAL_QUOTE_EXPECTED, WideString(1, static_cast<char16_t>(quote)));
    if (c == quote) return;
    TokenValue_->AddUCS4Char(static_cast<std::uint32_t>(c));
  }
}

void TXmlDoctypeDeclTokenizer::ReadSubsetStart() {
  SkipWhiteSpace();
  const std::int64_t c = Source_->NextPosition().Character;
  if (c == '[') {
    Source_->Next();
    SubsetOpen_ = Source_->CurrentPosition();
    TokenType_ = dtIntSubset;
    ReadSubset();
  } else if (c == kEndOfText) {
    TokenType_ = dtEnd;
  } else {
    SetError(EK_DOCTYPE_SYNTAX_72, u"[");
  }
}

// Up to the first "]" outside quoted runs, comments and processing instructions; that "]"
// is consumed and left out.
void TXmlDoctypeDeclTokenizer::ReadSubset() {
  std::int64_t quote = 0;
  bool inComment = false, inPI = false;
  int bodyStart = 0;  // where the comment's or instruction's own text begins in the value
  for (;;) {
    Source_->Next();
    const std::int64_t c = Source_->CurrentPosition().Character;
    if (c == kEndOfText) return SetError(EK_DOCTYPE_TOKENIZER_WARNING, u"]");
    if (!inComment && !inPI && quote == 0 && c == ']') return;
    TokenValue_->AddUCS4Char(static_cast<std::uint32_t>(c));
    const int length = TokenValue_->Length();
    if (inComment) {
      if (length - bodyStart >= 2 && TokenValue_->EndsWith(u"--")) {
        if (Source_->NextPosition().Character != '>') return SetError(EK_UNCLOSED_COMMENT, u"-->");
        Source_->Next();
        TokenValue_->AddWideChar(u'>');
        inComment = false;
      }
    } else if (inPI) {
      if (length - bodyStart >= 2 && TokenValue_->EndsWith(u"?>")) inPI = false;
    } else if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (TokenValue_->EndsWith(u"<!--")) {
      inComment = true;
      bodyStart = length;
    } else if (TokenValue_->EndsWith(u"<?")) {
      inPI = true;
      bodyStart = length;
    }
  }
}
