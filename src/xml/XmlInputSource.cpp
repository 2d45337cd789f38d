#include "xml/XmlInputSource.h"

#include "dom/DomExceptions.h"
#include "platform/Exceptions.h"
#include "dom/WideStringUtils.h"
#include "xml/XmlRulesUtils.h"
#include "xml/cUnicodeCodecsWin32.h"

#include <memory>

namespace {

bool IsQuote(char32_t c) { return c == '"' || c == '\''; }

bool SameIgnoringAsciiCase(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return i == a.size() && !b[i];
}

} // namespace

TXmlSimpleInputSource::TXmlSimpleInputSource(TStream* stream, const WideString& publicId,
                                             const WideString& systemId,
                                             TUnicodeCodecClass codecClass, std::int64_t bufferSize,
                                             std::int64_t startByte, std::int64_t startChar,
                                             std::int64_t startColumn, std::int64_t startTabs,
                                             std::int64_t startLine, bool detectMark)
    : TUtilsUCS4Reader(stream, codecClass, bufferSize, startByte, startChar,
                       startColumn + startTabs, startTabs, startLine, detectMark),
      PublicId_(publicId), SystemId_(systemId) {}

TXmlEntityTextSource::TXmlEntityTextSource(TStream* stream, const WideString& systemId,
                                           std::int64_t startByte, std::int64_t startChar,
                                           std::int64_t startColumn, std::int64_t startTabs,
                                           std::int64_t startLine)
    : TXmlSimpleInputSource(stream, WideString(), systemId, &TUTF16LECodec::ClassInfo, 4096, startByte,
                            startChar, startColumn, startTabs, startLine, false) {
  SetReadLineBreaks(false);
}

WideString TXmlSimpleInputSource::InputEncoding() const {
  std::string name;
  try {
    name = EncodingNameOfCodecClass(CodecClass());
  } catch (const Exception&) {
    return WideString();
  }
  return WideString(name.begin(), name.end());
}

TXmlInputSource::TXmlInputSource(TStream* stream, const WideString& publicId,
                                 const WideString& systemId, std::int64_t bufferSize,
                                 TUnicodeCodecClass codecClass, bool keepStart,
                                 std::int64_t startByte, std::int64_t startChar,
                                 std::int64_t startColumn, std::int64_t startTabs,
                                 std::int64_t startLine)
    : TXmlSimpleInputSource(stream, publicId, systemId, codecClass, bufferSize, startByte,
                            startChar, startColumn, startTabs, startLine) {
  HasMalformedDecl_ = !ReadDeclaration();
  if (!HasMalformedDecl_ && DeclarationType_ != DECL_NONE) {
    // Reading restarts just behind the ">" of the declaration: the look-ahead character has
    // been taken from the stream already.
    SetResetPosition(StreamPosition() - NextPosition().ByteLength);
  }
  if (!codecClass && !XmlEncoding_.empty()) SwitchToDeclaredEncoding();
  // A malformed declaration is read again from the start, so its positions count from there.
  if (!keepStart && !HasMalformedDecl_) SetInitialPosition(CurrentPosition());
  Reset();
}

void TXmlInputSource::SwitchToDeclaredEncoding() {
  TUnicodeCodecClass found = nullptr;
  std::string name;
  try {
    name = EncodeWideString(&TUSASCIICodec::ClassInfo, XmlEncoding_);
    found = FindCodecClassByName(name);
  } catch (const Exception&) {
    found = nullptr;
  }
  const char* mismatch = "Declared encoding does not match byte order mark.";
  if (found) {
    if (HasByteOrderMark()) {
      TUnicodeCodecClass mark = CodecClass();
      bool agrees = true;
      if (mark == &TUTF16BECodec::ClassInfo)
        agrees = found == &TUTF16BECodec::ClassInfo || found == &TUCS2Codec::ClassInfo;
      else if (mark == &TUTF16LECodec::ClassInfo)
        agrees = found == &TUTF16LECodec::ClassInfo;
      else if (mark == &TUTF8Codec::ClassInfo)
        agrees = found == &TUTF8Codec::ClassInfo;
      if (!agrees) throw EConvertError(mismatch);
    }
    SetCodecClass(found);
    return;
  }
  if (!SameIgnoringAsciiCase(name, "UTF-16"))
    throw ENot_Supported_Err("Encoding not supported error.");
  if (HasByteOrderMark()) {
    if (CodecClass() != &TUTF16BECodec::ClassInfo && CodecClass() != &TUTF16LECodec::ClassInfo)
      throw EConvertError(mismatch);
    return;
  }
  SetCodecClass(&TUTF16BECodec::ClassInfo);
}

// Reads "<?xml" ... "?>" character by character. Answers true when there is no declaration
// or a well-formed one; the fields hold what was read so far either way.
bool TXmlInputSource::ReadDeclaration() {
  DeclarationType_ = DECL_NONE;
  XmlVersion_ = u"1.0";
  XmlEncoding_.clear();
  XmlStandalone_ = STANDALONE_UNSPECIFIED;
  auto cur = [this] { return static_cast<char32_t>(CurrentPosition().Character); };
  // "name", optional white space, "=", optional white space, and the opening quote, which is
  // current afterwards and returned (0 when something else stands there).
  auto equalsAndQuote = [&](const WideString& restOfName) -> char32_t {
    if (!MatchString(restOfName)) return 0;
    SkipChars(WhiteSpaceChars);
    if (cur() != '=') return 0;
    SkipChars(WhiteSpaceChars);
    return IsQuote(cur()) ? cur() : 0;
  };
  // Matched one character at a time, so that an undecodable byte close behind the start of
  // a text without declaration is left to the tokenizer to report instead of making the
  // text count as a malformed declaration.
  const WideString opening = u"<?xml";
  std::size_t matched = 0;
  try {
    while (matched < opening.size() && MatchString(opening.substr(matched, 1))) ++matched;
  } catch (const EConvertError&) {
    // The character behind the last one read could not be decoded.
    if (matched + 1 == opening.size() && NextPosition().Character == opening.back()) {
      DeclarationType_ = DECL_XML_OR_TEXT;
      return false;
    }
  } catch (const std::exception&) {
    return false;
  }
  if (matched < opening.size()) {
    Reset();
    return true;
  }
  try {
    // "<?xml" and more name characters ending at white space or "?>" open a processing
    // instruction whose target only begins with "xml" (<?xml-stylesheet ...?>), and the text
    // has no declaration; other characters there ("<?xmlversion=...") make it a malformed one.
    auto ahead = [this] { return static_cast<char32_t>(NextPosition().Character); };
    if (XmlChars::NameChar(ahead())) {
      while (XmlChars::NameChar(ahead())) Next();
      Next();
      if (!XmlChars::Space(cur()) && !(cur() == '?' && ahead() == '>')) {
        DeclarationType_ = DECL_XML_OR_TEXT;
        return false;
      }
      Reset();
      return true;
    }
    DeclarationType_ = DECL_XML_OR_TEXT;
    bool spaced = SkipChars(WhiteSpaceChars) > 0;

    if (cur() != 'v') {
      DeclarationType_ = DECL_TEXT;
    } else {
      if (!spaced) return false;
      const char32_t quote = equalsAndQuote(u"ersion");
      if (!quote) return false;
      WideString version;
      Next();
      while (XmlChars::VersionNumChar(cur())) {
        version += static_cast<char16_t>(cur());
        Next();
      }
      if (version.empty() || cur() != quote) return false;
      XmlVersion_ = version;
      spaced = SkipChars(WhiteSpaceChars) > 0;
    }

    if (cur() == 'e') {
      if (!spaced) return false;
      const char32_t quote = equalsAndQuote(u"ncoding");
      if (!quote) return false;
      Next();
      if (!XmlChars::AsciiLetter(cur())) return false;
      WideString encoding;
      while (XmlChars::EncNameChar(cur())) {
        encoding += static_cast<char16_t>(cur());
        Next();
      }
      if (cur() != quote) return false;
      XmlEncoding_ = encoding;
      spaced = SkipChars(WhiteSpaceChars) > 0;
    } else if (DeclarationType_ == DECL_TEXT) {
      return false;
    } else {
      DeclarationType_ = DECL_XML;
    }

    if (cur() == 's') {
      if (!spaced) return false;
      const char32_t quote = equalsAndQuote(u"tandalone");
      if (!quote) return false;
      Next();
      TXmlStandaloneType standalone;
      if (cur() == 'y' && MatchString(u"es"))
        standalone = STANDALONE_YES;
      else if (cur() == 'n' && MatchString(u"o"))
        standalone = STANDALONE_NO;
      else
        return false;
      Next();
      if (cur() != quote) return false;
      XmlStandalone_ = standalone;
      SkipChars(WhiteSpaceChars);
      if (DeclarationType_ == DECL_TEXT) return false;
      DeclarationType_ = DECL_XML;
    }

    if (cur() != '?') return false;
    Next();
    return cur() == '>';
  } catch (const std::exception&) {
    return false;
  }
}

TXmlErrorType ReadExternalEntityText(TStream* stream, const WideString& publicId, const WideString& systemId,
                                     WideString& text, TPositionRecord* origin, TCharByteLengths* byteLengths) {
  text.clear();
  if (byteLengths != nullptr) byteLengths->clear();
  std::unique_ptr<TXmlInputSource> source;
  try {
    source = std::make_unique<TXmlInputSource>(stream, publicId, systemId, 4096, nullptr, false, 0, 0, 0, 0, 1);
  } catch (const ENot_Supported_Err&) {
    return EK_ENCODING_NOT_SUPPORTED;
  } catch (const EConvertError&) {
    return EK_ENCODING_CONVERSION_FAILED;
  } catch (const Exception&) {
    return EK_EXTERNAL_TEXT_UNREADABLE;
  }
  // An external entity may start with a text declaration, never with a document's own.
  if (source->HasMalformedDecl() || source->DeclarationType() == DECL_XML) return EK_MALFORMED_TEXT_DECLARATION;
  if (source->XmlVersion() != u"1.0") return EK_XML_VERSION_NOT_SUPPORTED;
  if (origin != nullptr) *origin = source->CurrentPosition();
  TUtilsCustomWideStr collected;
  try {
    for (;;) {
      source->Next();
      if (source->IsEndOfText()) break;
      collected.AddUCS4Char(source->CurrentCharacter());
      if (byteLengths != nullptr)
        byteLengths->push_back(static_cast<std::uint8_t>(source->CurrentPosition().ByteLength));
    }
  } catch (const Exception&) {
    if (byteLengths != nullptr) byteLengths->clear();
    return EK_EXTERNAL_TEXT_UNREADABLE;
  }
  text = collected.Value();
  return EK_NONE;
}
