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
class TStream;

enum class TXmlDirectEncoding : std::uint8_t { Utf8, CodePage, Utf16LE, Utf16BE };

struct TXmlDirectOptions {
  TXmlDirectEncoding Encoding = TXmlDirectEncoding::Utf8;
  // For a code page: the character of every byte; bytes below 0x80 must stand for themselves.
  const char16_t* Table = nullptr;
  bool KeepCDATASections = true;
  bool KeepComments = true;
  bool KeepEntityRefs = true;
  // How much of the stream is read at a time; a construct longer than that is read whole.
  std::size_t ChunkBytes = 256 * 1024;
};

// Builds the tree of the text from the stream's position to its end (what follows the XML
// declaration) under `document`, which must be new and have no listeners. False when the text
// is left to the ordinary path; the document may then hold part of a tree and is the caller's
// to throw away, and the stream stands wherever reading stopped.
bool XmlDirectParse(TStream* stream, const TXmlDirectOptions& options, TDomCustomDocument* document);
