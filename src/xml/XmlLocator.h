// Positions in a text being read, and the read-only locator interface through which the
// tokenizer, every parse signal and the error object give the text range they stand for.
#pragma once

#include "platform/WideString.h"

#include <cstdint>
#include <vector>

class TDomNode;
class TDtdObject;

// One character's place in the text, as the character reader keeps it for the previous,
// the current and the next character. Field order is fixed: records are copied whole.
struct TPositionRecord {
  std::int64_t ByteCount = 0;   // bytes up to and including this character (no byte-order mark)
  std::int64_t CharCount = 0;   // characters up to and including this one
  std::int64_t Column = 0;      // characters since the last LF; first of a line is 1
  std::int64_t Character = 0;   // the code point
  std::int64_t Line = 0;        // incremented by each LF
  std::int64_t ByteLength = 0;  // bytes this character took (both for CR LF)
  std::int64_t TabsInLine = 0;  // tabs in the line up to and including this one

  bool operator==(const TPositionRecord&) const = default;
};

// The bytes each character of a decoded text took in its source, one entry per character (a
// line end read from CR LF counts both). A text read again from memory, as the document type
// declaration is, takes its byte counts from here rather than from its UTF-16 form.
using TCharByteLengths = std::vector<std::uint8_t>;

// Every value of a locator but its URI, for copying a text range in one call.
struct TXmlLocation {
  std::int64_t EndByte = -1;
  std::int64_t EndChar = -1;
  std::int64_t EndColumn = -1;
  std::int64_t EndLine = -1;
  std::int64_t EndTabs = -1;
  TDtdObject* RelatedDtdItem = nullptr;
  TDomNode* RelatedNode = nullptr;
  std::int64_t StartByte = -1;
  std::int64_t StartChar = -1;
  std::int64_t StartColumn = -1;
  std::int64_t StartLine = -1;
  std::int64_t StartTabs = -1;
};

class IXmlLocator {
public:
  virtual std::int64_t EndByte() const = 0;
  virtual std::int64_t EndChar() const = 0;
  virtual std::int64_t EndColumn() const = 0;
  virtual std::int64_t EndLine() const = 0;
  virtual std::int64_t EndTabs() const = 0;
  virtual TDtdObject* RelatedDtdItem() const = 0;
  virtual TDomNode* RelatedNode() const = 0;
  virtual std::int64_t StartByte() const = 0;
  virtual std::int64_t StartChar() const = 0;
  virtual std::int64_t StartColumn() const = 0;
  virtual std::int64_t StartLine() const = 0;
  virtual std::int64_t StartTabs() const = 0;
  virtual WideString SourceUri() const = 0;

  // The twelve values above in one call; a locator that keeps them at hand overrides this
  // so that whoever copies a range (every parse signal does) spends one call, not twelve.
  virtual void GetLocation(TXmlLocation& out) const {
    out.EndByte = EndByte();
    out.EndChar = EndChar();
    out.EndColumn = EndColumn();
    out.EndLine = EndLine();
    out.EndTabs = EndTabs();
    out.RelatedDtdItem = RelatedDtdItem();
    out.RelatedNode = RelatedNode();
    out.StartByte = StartByte();
    out.StartChar = StartChar();
    out.StartColumn = StartColumn();
    out.StartLine = StartLine();
    out.StartTabs = StartTabs();
  }
  // The URI without a copy, valid while the locator lives; null when it has none to lend.
  virtual const WideString* SourceUriRef() const { return nullptr; }

protected:
  ~IXmlLocator() = default;
};
