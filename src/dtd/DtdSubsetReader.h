// Reads the internal subset of a document type declaration into a DTD model and checks it
// for well-formedness: element type, attribute-list, entity and notation declarations,
// comments, processing instructions, white space and parameter-entity references between
// declarations. Internal parameter entities are expanded there; after a reference to a
// parameter entity that is not read (an external or an undeclared one), entity and
// attribute-list declarations are still checked but no longer enter the model, unless the
// document stands alone. Positions of errors refer to the whole document; an error inside a
// parameter entity's replacement text is placed at its reference.
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
};

class TDtdSubsetReader {
public:
  TDtdSubsetReader(TDtdModel& model, TDtdErrorReport report);

  // False after the first well-formedness error, which has been reported.
  bool ReadInternalSubset(const WideString& text, const TDtdSubsetOrigin& origin);
  void SetListener(TDtdSignalListener listener) { Listener_ = std::move(listener); }

  // Deepest nesting of parameter-entity references, and of groups in a content model.
  static constexpr int kMaxNesting = 64;
  static constexpr int kMaxGroupNesting = 256;

private:
  class TScanner;
  struct TSyntaxError;
  struct TAbandonEntity {};

  void ReadDeclarations(TScanner& in, int depth);
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
  void SendPlain(TXmlSignal& signal, const TPositionRecord& at) const;

  TDtdModel& Model_;
  TDtdErrorReport Report_;
  TDtdSignalListener Listener_;
  // The URI of the text being read, for the signals' places.
  WideString Uri_;
  // Names of the parameter entities being expanded, innermost last.
  std::vector<WideString> Expanding_;
  // Set after a parameter entity that was not read, in a document not standing alone.
  bool Ignoring_ = false;
};
