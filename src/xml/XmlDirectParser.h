// The parser front end's direct path. A document whose bytes are at hand is scanned once and
// its tree made as it goes: no characters through the reader one by one, no tokens, no
// signals, no handler chain, and text decoded straight into the strings the nodes keep.
// It takes only what it can prove well-formed without a single report to the error handling
// and builds exactly the tree the tree builder would build. Anything else (a document type
// declaration, any error or warning, a character it does not handle itself) makes it give up
// without a word; the front end then parses the same bytes the ordinary way, which reports
// exactly as it always has.
#pragma once

#include <cstddef>
#include <cstdint>

class TDomCustomDocument;

enum class TXmlDirectEncoding : std::uint8_t { Utf8, CodePage, Utf16LE, Utf16BE };

struct TXmlDirectOptions {
  TXmlDirectEncoding Encoding = TXmlDirectEncoding::Utf8;
  // For a code page: the character of every byte; bytes below 0x80 must stand for themselves.
  const char16_t* Table = nullptr;
  bool KeepCDATASections = true;
  bool KeepComments = true;
  bool KeepEntityRefs = true;
};

// Builds the tree of the text in `bytes` (what follows the XML declaration) under `document`,
// which must be new and have no listeners. False when the text is left to the ordinary path;
// the document may then hold part of a tree and is the caller's to throw away.
bool XmlDirectParse(const std::uint8_t* bytes, std::size_t size, const TXmlDirectOptions& options,
                    TDomCustomDocument* document);
