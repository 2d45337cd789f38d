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
      Uri_(source.SharedUri_ != nullptr ? *source.SharedUri_ : source.Uri_), TokenChecked_(source.TokenChecked_) {}

void TXmlSignal::Rebind(TXmlCustomReader* reader, const IXmlLocator* locator) {
  Reader_ = reader;
  TokenChecked_ = false;
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

// The tokenizer only finds where a tag ends; what the name between "<" and the first white
// space is made of is checked here.
void TXmlStartElementSignal::CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText,
                                             WideString& clue) const {
  TXmlSignal::CheckWellFormed(errorKind, offendingText, clue);
  if (!XmlRules::Name(TagName)) Fail(errorKind, offendingText, EK_INVALID_ELEMENT_NAME, TagName.Str());
}

// The name must be a Name; the value is scanned once, outside and inside references, and
// the first failure ends the check. The tokenizer passes a quoted value over whole, looking
// only for its closing quote, so none of this has been checked before.
void TXmlAttributeSignal::CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText,
                                          WideString& clue) const {
  TXmlSignal::CheckWellFormed(errorKind, offendingText, clue);
  if (!XmlRules::Name(Name)) {
    Fail(errorKind, offendingText, EK_INVALID_ATTRIBUTE_NAME, Name.Str());
    return;
  }
  bool inReference = false;
  WideString reference;
  for (char16_t c : Value.View()) {
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
         charRef ? EK_UNTERMINATED_CHARACTER_REFERENCE : EK_UNTERMINATED_ENTITY_REFERENCE, Value.Str());
  }
}

// The tokenizer takes everything up to white space or ">" as the end tag's name without
// classifying it, so whether it is a Name is checked here.
void TXmlEndElementSignal::CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText,
                                           WideString& clue) const {
  TXmlSignal::CheckWellFormed(errorKind, offendingText, clue);
  if (!XmlRules::Name(TagName)) Fail(errorKind, offendingText, EK_INVALID_ELEMENT_NAME, TagName.Str());
}

// Character data: every unit a Char and no "]]>". The tokenizer moves over text in bulk up
// to "<" or "&" without classifying characters, and a character reference's value was only
// range-checked by the reader, so both rules are enforced here.
void TXmlPCDATASignal::CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText,
                                       WideString& clue) const {
  TXmlSignal::CheckWellFormed(errorKind, offendingText, clue);
  if (!XmlRules::CharData(Data)) Fail(errorKind, offendingText, EK_INVALID_CHARACTER, Data.Str());
}

void TXmlCDATASignal::CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText,
                                      WideString& clue) const {
  TXmlSignal::CheckWellFormed(errorKind, offendingText, clue);
  // A section the tokenizer read without error ended at its first "]]>", so only the
  // characters are left to check; the tokenizer does not classify them.
  const bool valid = TokenChecked() ? XmlRules::Chars(Data) : XmlRules::CharData(Data);
  if (!valid) errorKind = EK_INVALID_CDATA_SECTION;
}

void TXmlEntityRefSignal::CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText,
                                          WideString& clue) const {
  TXmlSignal::CheckWellFormed(errorKind, offendingText, clue);
  // The tokenizer reads a reference name as a name start character, name characters and the
  // closing ";", and reports anything else; only a name that did not come from it so is checked.
  if (TokenChecked()) return;
  if (!XmlRules::Name(EntityName)) Fail(errorKind, offendingText, EK_INVALID_ENTITY_NAME, EntityName.Str());
}

void TXmlCommentSignal::CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText,
                                        WideString& clue) const {
  TXmlSignal::CheckWellFormed(errorKind, offendingText, clue);
  if (Data.empty()) return;
  // A comment the tokenizer read without error ended at its first "--", which it required to
  // be followed by ">": no "--" inside and no "-" before the end. Only the characters, which
  // the tokenizer does not classify, are left.
  if (TokenChecked()) {
    if (!XmlRules::Chars(Data)) Fail(errorKind, offendingText, EK_INVALID_CHARACTER, Data.Str());
    return;
  }
  if (Data.View().find(u"--") != std::u16string_view::npos) {
    Fail(errorKind, offendingText, EK_DOUBLE_HYPHEN_IN_COMMENT, u"--");
    clue.assign(1, u'-');
  } else if (Data.View().back() == u'-') {
    Fail(errorKind, offendingText, EK_HYPHEN_AT_COMMENT_END, u"-");
  } else if (!XmlRules::Chars(Data)) {
    Fail(errorKind, offendingText, EK_INVALID_CHARACTER, Data.Str());
  }
}

void TXmlProcessingInstructionSignal::CheckWellFormed(TXmlErrorType& errorKind, WideString& offendingText,
                                                      WideString& clue) const {
  TXmlSignal::CheckWellFormed(errorKind, offendingText, clue);
  // The tokenizer ends an instruction at its first "?>" and splits nothing; the target's
  // spelling and the characters are checked here, the "?>" only when the tokenizer did not
  // read the instruction.
  if (!XmlRules::PITarget(Target))
    Fail(errorKind, offendingText, EK_INVALID_PROCESSING_INSTRUCTION, Target.Str());
  else if (!TokenChecked() && Data.View().find(u"?>") != std::u16string_view::npos)
    Fail(errorKind, offendingText, EK_INVALID_PROCESSING_INSTRUCTION, u"?>");
  else if (!XmlRules::Chars(Data))
    Fail(errorKind, offendingText, EK_INVALID_CHARACTER, Data.Str());
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
