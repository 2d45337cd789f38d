// Reads the subsets of a document type declaration into a DTD model and checks them for
// well-formedness: element type, attribute-list, entity and notation declarations, comments,
// processing instructions, white space and parameter-entity references between declarations.
// Internal parameter entities are expanded there; after a reference to a parameter entity
// that is not read (an external or an undeclared one), entity and attribute-list declarations
// are still checked but no longer enter the model, unless the document stands alone.
//
// Given a loader, the reader also reads external text: the external subset after the
// internal one (so that the internal declarations bind first) and external parameter
// entities. Text read from outside the document (and any parameter entity's text expanded
// there) is read as XML reads an external subset: conditional sections, and parameter-entity
// references inside declarations, whose text is taken in with a space either side.
//
// Positions of errors refer to the text they lie in: the document for the internal subset,
// the external subset or an external parameter entity for their own text (by its URI). An
// error inside an internal parameter entity's text is placed at its reference.
#pragma once

#include "dtd/DtdModel.h"
#include "xml/DomError.h"
#include "xml/XmlLocator.h"
#include "xml/XmlSignals.h"

#include <functional>

// Reports one problem; raises when the parse is to stop there.
using TDtdErrorReport = std::function<void(TXmlErrorType kind, const IXmlLocator& locator,
                                           const WideString& offendingText, const WideString& clue)>;

// Hears each DTD-side signal the reader sends: the start of the subset, every declaration
// taken into the model (the model's item is the signal's related DTD item), every parameter-
// entity reference, and the end (completed, or aborted just before an error is reported).
using TDtdSignalListener = std::function<void(const TXmlSignal& signal)>;

// Where the subset's text starts: the URI and the record of the character before it.
struct TDtdSubsetOrigin : TPositionRecord {
  WideString Uri;
  // The bytes each character of the subset took in the source; without them a character
  // counts two bytes a UTF-16 unit.
  const TCharByteLengths* ByteLengths = nullptr;
};

// An external entity's text as the reader takes it in.
struct TDtdExternalText {
  // Where it was read from: its positions name it, and relative identifiers of the
  // declarations in it resolve against it.
  WideString Uri;
  // The text behind any text declaration, decoded, line ends read as LF.
  WideString Text;
  // The record of the character before the text.
  TPositionRecord Origin;
  // The bytes each of its characters took in the source.
  TCharByteLengths ByteLengths;
};

// Reads the external text the identifiers name, a relative system identifier resolved
// against `baseUri`. Answers EK_NONE, or the kind of why it cannot or may not be read.
using TDtdExternalLoader = std::function<TXmlErrorType(const WideString& baseUri, const WideString& publicId,
                                                       const WideString& systemId, TDtdExternalText& text)>;

class TDtdSubsetReader {
public:
  // Without a loader nothing outside the document is read.
  TDtdSubsetReader(TDtdModel& model, TDtdErrorReport report, TDtdExternalLoader loader = nullptr);

  // False after the first well-formedness error, which has been reported.
  bool ReadInternalSubset(const WideString& text, const TDtdSubsetOrigin& origin);
  // Reads the external subset the identifiers name, after the internal subset. A subset that
  // cannot be read is reported at `at` (the document type declaration; without one, at the
  // start of the document). False after the first error, which has been reported.
  bool ReadExternalSubset(const WideString& baseUri, const WideString& publicId, const WideString& systemId,
                          const IXmlLocator* at);

  // How many characters of parameter-entity text may be taken in, all references counted:
  // `allowance` plus `ratio` per character of the subsets read.
  void SetExpansionLimits(std::int64_t allowance, std::int64_t ratio) {
    ExpansionAllowance_ = allowance;
    ExpansionRatio_ = ratio;
  }
  void SetListener(TDtdSignalListener listener) { Listener_ = std::move(listener); }

  // Deepest nesting of parameter-entity references, and of groups in a content model.
  static constexpr int kMaxNesting = 64;
  static constexpr int kMaxGroupNesting = 256;

private:
  class TScanner;
  struct TSyntaxError;
  struct TAbandonEntity {};

  bool ReadText(TScanner& in);
  void ReadDeclarations(TScanner& in, int depth, bool inSection);
  void ConditionalSection(TScanner& in, int depth);
  void IgnoredSectionContent(TScanner& in);
  void CheckCharacters(TScanner& in);
  // The entity a reference at the scanner names (after "%" and the name and ";" were read),
  // checked against recursion, depth and the limit; none for one that is not read.
  const TDtdEntity* ReferencedEntity(TScanner& in, const WideString& name);
  // Reads "%name;" at the scanner into `name` and answers ReferencedEntity.
  const TDtdEntity* ReadReference(TScanner& in, WideString& name);
  // Reads an external entity's text, or fails at the reference.
  void LoadExternal(TScanner& in, const TDtdEntity& entity, TDtdExternalText& text);
  // Loads the entity's text into `text`, counts it against the limit, and gives a scanner
  // over it that places errors in that text, its characters checked.
  TScanner ExternalScanner(TScanner& in, const TDtdEntity& entity, TDtdExternalText& text);
  // The entity being read from `in`, for as long as it lives: its name among those being
  // expanded, `in` among the texts it is read from.
  class TOpenEntity;
  void CountExpansion(TScanner& in, std::size_t characters);
  void ReferenceInDeclaration(TScanner& in);
  void IncludeInLiteral(TScanner& in, bool parameter, WideString& text);
  void EntityValueText(TScanner& in, char16_t quote, bool parameter, WideString& text);
  bool SkipInDeclaration(TScanner& in);
  void RequireWhiteInDeclaration(TScanner& in);
  void ParameterEntityReference(TScanner& in, int depth);
  void Comment(TScanner& in);
  void ProcessingInstruction(TScanner& in);
  void ElementDeclaration(TScanner& in);
  void AttributeListDeclaration(TScanner& in);
  void EntityDeclaration(TScanner& in);
  void NotationDeclaration(TScanner& in);
  void ContentSpec(TScanner& in, TDtdElementType& element);
  void ChildrenGroup(TScanner& in, int nesting);
  void ContentParticle(TScanner& in, int nesting);
  WideString EntityValue(TScanner& in, bool parameter);
  void DefaultValue(TScanner& in, WideString& value);
  void ExternalId(TScanner& in, WideString& publicId, WideString& systemId, bool systemOptional);
  WideString Literal(TScanner& in);
  // Sends `signal` placed at the declaration or reference `in` has just read, naming `item`.
  void Send(TXmlSignal& signal, const TScanner& in, TDtdObject* item) const;
  void SendPlain(TXmlSignal& signal, const WideString& uri, const TPositionRecord& at) const;

  TDtdModel& Model_;
  TDtdErrorReport Report_;
  TDtdExternalLoader Loader_;
  std::int64_t ExpansionAllowance_ = 100000;
  std::int64_t ExpansionRatio_ = 10;
  std::int64_t InputChars_ = 0;
  std::int64_t ExpandedChars_ = 0;
  int SectionDepth_ = 0;
  TDtdSignalListener Listener_;
  // Names of the parameter entities being expanded, innermost last, and the scanners of the
  // texts their references lie in.
  std::vector<WideString> Expanding_;
  std::vector<const TScanner*> Outer_;
  // Set after a parameter entity that was not read, in a document not standing alone.
  bool Ignoring_ = false;
};
