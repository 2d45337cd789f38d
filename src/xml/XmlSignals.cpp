#include "xml/XmlSignals.h"

#include "platform/Exceptions.h"
#include "xml/XmlRulesUtils.h"

TXmlSignal::TXmlSignal(TXmlCustomReader* reader, TDomNode* relatedNode, TDtdObject* relatedDtdItem,
                       const WideString& uri, std::int64_t endTabs, std::int64_t endLine,
                       std::int64_t endColumn, std::int64_t endChar, std::int64_t endByte,
                       std::int64_t startTabs, std::int64_t startLine, std::int64_t startColumn,
                       std::int64_t startChar, std::int64_t startByte)
    : Reader_(reader), Uri_(uri) {
  Loc_.EndByte = endByte;
  Loc_.EndChar = endChar;
  Loc_.EndColumn = endColumn;
  Loc_.EndLine = endLine;
  Loc_.EndTabs = endTabs;
  Loc_.RelatedDtdItem = relatedDtdItem;
  Loc_.RelatedNode = relatedNode;
  Loc_.StartByte = startByte;
  Loc_.StartChar = startChar;
  Loc_.StartColumn = startColumn;
  Loc_.StartLine = startLine;
  Loc_.StartTabs = startTabs;
}

TXmlSignal::TXmlSignal(TXmlCustomReader* reader, const IXmlLocator* locator) : Reader_(reader) {
  if (locator == nullptr) return;
  locator->GetLocation(Loc_);
  Uri_ = locator->SourceUri();
}

TXmlSignal::TXmlSignal(const TXmlSignal& source, TXmlCustomReader* reader)
    : TUtilsNoRefCount(source), IXmlLocator(source), Loc_(source.Loc_), Reader_(reader),
      Uri_(source.SharedUri_ != nullptr ? *source.SharedUri_ : source.Uri_) {}

void TXmlSignal::Rebind(TXmlCustomReader* reader, const IXmlLocator* locator) {
  Reader_ = reader;
  if (locator == nullptr) {
    Loc_ = TXmlLocation();
    Uri_.clear();
    SharedUri_ = nullptr;
    return;
  }
  locator->GetLocation(Loc_);
  SharedUri_ = locator->SourceUriRef();
  if (SharedUri_ == nullptr) Uri_ = locator->SourceUri();
}

void TXmlSignal::CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText, WideString& clue) const {
  errorKind = EK_NONE;
  offendingText.clear();
  clue.clear();
}

namespace {

// Sets the outcome of a check and answers whether it found an error.
bool Fail(TXmlErrorType& errorKind, WideString& offendingText, TXmlErrorType kind, const WideString& text) {
  errorKind = kind;
  offendingText = text;
  return true;
}

}  // namespace

void TXmlStartDocumentSignal::CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText,
                                              WideString& clue) const {
  TXmlSignal::CheckWellFormed(errorKind, offendingText, clue);
  if (!EncodingName.empty() && !XmlRules::EncName(EncodingName))
    errorKind = EK_INVALID_ENCODING_NAME;
  else if (!Version.empty() && !XmlRules::VersionNum(Version))
    errorKind = EK_INVALID_VERSION_NUMBER;
}

void TXmlStartDocumentFragmentSignal::CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText,
                                                      WideString& clue) const {
  TXmlSignal::CheckWellFormed(errorKind, offendingText, clue);
  if (!EncodingName.empty() && !XmlRules::EncName(EncodingName)) errorKind = EK_INVALID_ENCODING_NAME;
}

void TXmlStartElementSignal::CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText,
                                             WideString& clue) const {
  TXmlSignal::CheckWellFormed(errorKind, offendingText, clue);
  if (!XmlRules::Name(TagName)) Fail(errorKind, offendingText, EK_INVALID_ELEMENT_NAME, TagName);
}

// The name must be a Name; the value is scanned once, outside and inside references, and
// the first failure ends the check.
void TXmlAttributeSignal::CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText,
                                          WideString& clue) const {
  TXmlSignal::CheckWellFormed(errorKind, offendingText, clue);
  if (!XmlRules::Name(Name)) {
    Fail(errorKind, offendingText, EK_INVALID_ATTRIBUTE_NAME, Name);
    return;
  }
  bool inReference = false;
  WideString reference;
  for (char16_t c : Value) {
    if (!inReference) {
      if (c == u'&') {
        inReference = true;
        reference.clear();
      } else if (c == u'<') {
        Fail(errorKind, offendingText, EK_LT_IN_ATTRIBUTE_VALUE, u"<");
        return;
      } else if (!XmlChars::CharUnit(c)) {
        Fail(errorKind, offendingText, EK_INVALID_CHARACTER_IN_ATTRIBUTE_VALUE, WideString(1, c));
        return;
      }
      continue;
    }
    if (c != u';') {
      reference += c;
      continue;
    }
    inReference = false;
    if (!reference.empty() && reference[0] == u'#') {
      // The value test stops at the first digit past U+10FFFF, so long digit runs never wrap.
      const WideString whole = u"&" + reference + u";";
      try {
        XmlText::CharRefValue(whole);
      } catch (const EConvertError&) {
        Fail(errorKind, offendingText, EK_INVALID_CHARACTER_REFERENCE, whole);
        return;
      }
    } else if (!XmlRules::Name(reference)) {
      // "&;" lands here too: an entity reference whose name is empty.
      Fail(errorKind, offendingText, EK_INVALID_ENTITY_NAME, reference);
      return;
    }
  }
  if (inReference) {
    const bool charRef = !reference.empty() && reference[0] == u'#';
    Fail(errorKind, offendingText,
         charRef ? EK_UNTERMINATED_CHARACTER_REFERENCE : EK_UNTERMINATED_ENTITY_REFERENCE, Value);
  }
}

void TXmlEndElementSignal::CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText,
                                           WideString& clue) const {
  TXmlSignal::CheckWellFormed(errorKind, offendingText, clue);
  if (!XmlRules::Name(TagName)) Fail(errorKind, offendingText, EK_INVALID_ELEMENT_NAME, TagName);
}

void TXmlPCDATASignal::CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText,
                                       WideString& clue) const {
  TXmlSignal::CheckWellFormed(errorKind, offendingText, clue);
  if (!XmlRules::CharData(Data)) Fail(errorKind, offendingText, EK_INVALID_CHARACTER, Data);
}

void TXmlCDATASignal::CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText,
                                      WideString& clue) const {
  TXmlSignal::CheckWellFormed(errorKind, offendingText, clue);
  if (!XmlRules::CharData(Data)) errorKind = EK_INVALID_CDATA_SECTION;
}

void TXmlEntityRefSignal::CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText,
                                          WideString& clue) const {
  TXmlSignal::CheckWellFormed(errorKind, offendingText, clue);
  if (!XmlRules::Name(EntityName)) Fail(errorKind, offendingText, EK_INVALID_ENTITY_NAME, EntityName);
}

void TXmlCommentSignal::CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText,
                                        WideString& clue) const {
  TXmlSignal::CheckWellFormed(errorKind, offendingText, clue);
  if (Data.empty()) return;
  if (Data.find(u"--") != WideString::npos) {
    Fail(errorKind, offendingText, EK_DOUBLE_HYPHEN_IN_COMMENT, u"--");
    clue.assign(1, u'-');
  } else if (Data.back() == u'-') {
    Fail(errorKind, offendingText, EK_HYPHEN_AT_COMMENT_END, u"-");
  } else if (!XmlRules::Chars(Data)) {
    Fail(errorKind, offendingText, EK_INVALID_CHARACTER, Data);
  }
}

void TXmlProcessingInstructionSignal::CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText,
                                                      WideString& clue) const {
  TXmlSignal::CheckWellFormed(errorKind, offendingText, clue);
  if (!XmlRules::PITarget(Target))
    Fail(errorKind, offendingText, EK_INVALID_PROCESSING_INSTRUCTION, Target);
  else if (Data.find(u"?>") != WideString::npos)
    Fail(errorKind, offendingText, EK_INVALID_PROCESSING_INSTRUCTION, u"?>");
  else if (!XmlRules::Chars(Data))
    Fail(errorKind, offendingText, EK_INVALID_CHARACTER, Data);
}

void TXmlDoctypeSignal::CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText,
                                        WideString& clue) const {
  TXmlSignal::CheckWellFormed(errorKind, offendingText, clue);
  if (!XmlRules::Name(DoctypeName))
    Fail(errorKind, offendingText, EK_INVALID_DOCTYPE_NAME, DoctypeName);
  else if (!XmlRules::PubidChars(PublicId))
    Fail(errorKind, offendingText, EK_INVALID_PUBLIC_ID, PublicId);
  else if (!XmlRules::LiteralText(SystemId))
    Fail(errorKind, offendingText, EK_INVALID_SYSTEM_ID, SystemId);
}
