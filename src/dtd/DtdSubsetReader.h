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

#include <functional>

// Reports one problem; raises when the parse is to stop there.
using TDtdErrorReport = std::function<void(TXmlErrorType kind, const IXmlLocator& locator,
                                           const WideString& offendingText, const WideString& clue)>;

// Where the subset's text starts: the URI and the record of the character before it.
struct TDtdSubsetOrigin : TPositionRecord {
  WideString Uri;
};

class TDtdSubsetReader {
public:
  TDtdSubsetReader(TDtdModel& model, TDtdErrorReport report);

  // False after the first well-formedness error, which has been reported.
  bool ReadInternalSubset(const WideString& text, const TDtdSubsetOrigin& origin);

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

  TDtdModel& Model_;
  TDtdErrorReport Report_;
  // Names of the parameter entities being expanded, innermost last.
  std::vector<WideString> Expanding_;
  // Set after a parameter entity that was not read, in a document not standing alone.
  bool Ignoring_ = false;
};
