// Input sources: the character reader together with what the pipeline must know about a
// text before tokenizing it: its identifiers, its XML or text declaration and the encoding
// finally used. A TXmlInputSource consumes the declaration while it is built, so its next
// character is the first one behind it, decoded with the declared encoding.
#pragma once

#include "platform/Streams.h"
#include "platform/WideString.h"
#include "xml/DomError.h"
#include "xml/ParserUtilsWin32.h"

#include <cstdint>

class TXmlSimpleInputSource : public TUtilsUCS4Reader {
public:
  TXmlSimpleInputSource(TStream* stream, const WideString& publicId, const WideString& systemId,
                        TUnicodeCodecClass codecClass, std::int64_t bufferSize,
                        std::int64_t startByte, std::int64_t startChar, std::int64_t startColumn,
                        std::int64_t startTabs, std::int64_t startLine, bool detectMark = true);

  // The name of the current codec's encoding ("windows-1250"); empty when it has none.
  virtual WideString InputEncoding() const;

  const WideString& PublicId() const { return PublicId_; }
  const WideString& SystemId() const { return SystemId_; }

private:
  WideString PublicId_;
  WideString SystemId_;
};

// An entity's replacement text as input: UTF-16 from memory, its positions counted from the
// origin given (the reference in the document). Its line ends were read as LF when the entity
// was declared, so a CR still in it comes from a character reference and stays a CR. A
// U+FEFF at its start is a character of the text, not a byte-order mark.
class TXmlEntityTextSource : public TXmlSimpleInputSource {
public:
  TXmlEntityTextSource(TStream* stream, const WideString& systemId, std::int64_t startByte,
                       std::int64_t startChar, std::int64_t startColumn, std::int64_t startTabs,
                       std::int64_t startLine);
};

// What reading the XML declaration found.
enum TXmlDeclarationType : std::uint8_t {
  DECL_XML = 0,       // version with standalone, or version without encoding: documents only
  DECL_TEXT = 1,      // encoding without version: external entities only
  DECL_XML_OR_TEXT = 2,
  DECL_NONE = 3,
};

enum TXmlStandaloneType : std::uint8_t { STANDALONE_YES = 0, STANDALONE_NO = 1, STANDALONE_UNSPECIFIED = 2 };

class TXmlInputSource : public TXmlSimpleInputSource {
public:
  // Raises EConvertError when the declared encoding contradicts the byte-order mark and
  // ENot_Supported_Err when no codec knows the declared encoding.
  TXmlInputSource(TStream* stream, const WideString& publicId, const WideString& systemId,
                  std::int64_t bufferSize, TUnicodeCodecClass codecClass, bool keepStart,
                  std::int64_t startByte, std::int64_t startChar, std::int64_t startColumn,
                  std::int64_t startTabs, std::int64_t startLine);

  TXmlDeclarationType DeclarationType() const { return DeclarationType_; }
  bool HasMalformedDecl() const { return HasMalformedDecl_; }
  const WideString& XmlEncoding() const { return XmlEncoding_; }
  TXmlStandaloneType XmlStandalone() const { return XmlStandalone_; }
  const WideString& XmlVersion() const { return XmlVersion_; }

private:
  bool ReadDeclaration();
  void SwitchToDeclaredEncoding();

  TXmlDeclarationType DeclarationType_ = DECL_NONE;
  bool HasMalformedDecl_ = false;
  WideString XmlEncoding_;
  TXmlStandaloneType XmlStandalone_ = STANDALONE_UNSPECIFIED;
  WideString XmlVersion_ = u"1.0";
};

// Reads the text of an external parsed entity (or of an external subset) from its bytes: an
// optional text declaration, then the text decoded by the encoding it names (or the one the
// bytes show), line ends read as LF. `origin` receives the record of the character before
// the text, so that positions inside it can be counted on from there, and `byteLengths` the
// bytes of each of its characters. Answers EK_NONE, or the kind of what makes the text
// unusable (the text is then empty).
TXmlErrorType ReadExternalEntityText(TStream* stream, const WideString& publicId, const WideString& systemId,
                                     WideString& text, TPositionRecord* origin = nullptr,
                                     TCharByteLengths* byteLengths = nullptr);
