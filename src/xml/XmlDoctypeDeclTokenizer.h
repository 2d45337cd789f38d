// Splits the text of a document type declaration (everything after "<!DOCTYPE") into the
// document type name, the public and system identifiers and the internal subset. The subset
// is taken as text, up to its closing "]", without reading its declarations.
#pragma once

#include "dom/WideStringUtils.h"
#include "xml/XmlInputSource.h"
#include "xml/XmlTokenizer.h"

#include <cstdint>
#include <memory>

enum TXmlDoctypeDeclTokenType : std::uint8_t {
  dtEnd = 0,
  dtIntSubset = 1,
  dtName = 2,
  dtPublicId = 3,
  dtStart = 4,
  dtSystemId = 5,
};

class TXmlDoctypeDeclTokenizer : public TXmlCustomTokenizer {
public:
  // Positions start from the origin given, so that they refer to the whole document.
  TXmlDoctypeDeclTokenizer(const WideString& text, const WideString& uri, std::int64_t startByte,
                           std::int64_t startChar, std::int64_t startColumn, std::int64_t startTabs,
                           std::int64_t startLine);
  ~TXmlDoctypeDeclTokenizer() override;

  void NextToken() override;
  TXmlDoctypeDeclTokenType TokenType() const { return TokenType_; }
  // The record of the "[" that opened the internal subset, in this tokenizer's counting.
  const TPositionRecord& SubsetOpenPosition() const { return SubsetOpen_; }

private:
  void Scan();
  void SetError(TXmlErrorType kind, const WideString& clue);
  void SkipWhiteSpace();
  // Reads the rest of a keyword; false (nothing more read) at the first unit that differs.
  bool MatchRest(const char16_t* rest);
  void ReadName();
  // White space, a quote and the literal up to the same quote.
  void ReadLiteral();
  // White space, then "[" and the subset, or the end.
  void ReadSubsetStart();
  void ReadSubset();

  std::unique_ptr<TUtilsWideStringStream> Stream_;
  std::unique_ptr<TXmlSimpleInputSource> Source_;
  TXmlDoctypeDeclTokenType TokenType_ = dtStart;
  TPositionRecord SubsetOpen_;
};
