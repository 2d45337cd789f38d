// The validation agent of a document in well-formedness mode: it reads the internal subset
// of the document type declaration (and, when the parser reads external text, the external
// subset) into its DTD model, reports what is not well formed, and answers the document's
// questions about declared attribute types from that model.
#pragma once

#include "dom/DomImplementation.h"
#include "dtd/DtdModel.h"
#include "dtd/DtdSubsetReader.h"

#include <vector>

// Makes an entity reference and everything under it read-only, as the tree of an entity is.
void MarkEntityTreeReadOnly(TDomNode* reference);

class TDtdValidationAgent : public TDomValidationAgent {
public:
  explicit TDtdValidationAgent(TDomCustomDocument* document) : Document_(document) {}

  bool IsWhitespaceInElementContent(const TDomText* text) const override;
  bool HasElementContent(const TDomElement* element) const override;
  std::uint8_t GetAttributeType(const WideString& elementName, const WideString& attributeName) const override;
  // The first element of the tree, in document order, whose attribute declared as ID has
  // that value. The tree is searched rather than a table kept, so that an element removed
  // or freed since the parse is never answered.
  TDomElement* FindElementById(const WideString& elementId) const override;
  // References replaced (internal entities by their normalised replacement text), white
  // space characters turned into spaces, and for a declared type other than CDATA leading
  // and trailing spaces dropped and runs of spaces made one.
  bool NormalizeAttributeValue(const WideString& value, std::uint8_t attributeType, TXmlErrorType& errorKind,
                               WideString& result) override;
  // Gives `element` an attribute, marked not specified, for every attribute its list
  // declares with a default value that the start tag did not specify.
  void AddDefaultAttributes(TDomElement* element) const override;
  // Gives a copied reference to an internal entity the parsed replacement text as its
  // read-only children; a text that cannot be parsed leaves the reference empty.
  void FillEntityReference(TDomEntityReference* reference) override;
  bool PrepareDtd(TDomDocumentTypeDecl* declaration) override { return PrepareDtd(declaration, nullptr); }
  // Reads the declaration's internal subset afresh; problems go to `report`. Given a loader,
  // the external subset is read after it, and external parameter entities are read, through
  // the loader; a subset that cannot be read is reported at `at`. False when a subset is
  // not well formed or cannot be read. `subsetBytes`, when given, holds the bytes each
  // character of the internal subset took in the source, for the byte counts of positions.
  bool PrepareDtd(TDomDocumentTypeDecl* declaration, const TDtdErrorReport& report,
                  const TDtdExternalLoader& loader = nullptr, const IXmlLocator* at = nullptr,
                  const TCharByteLengths* subsetBytes = nullptr);

  // The limit on parameter-entity text taken in while the subsets are read (see
  // TDtdSubsetReader::SetExpansionLimits).
  void SetExpansionLimits(std::int64_t allowance, std::int64_t ratio) {
    ExpansionAllowance_ = allowance;
    ExpansionRatio_ = ratio;
  }

  const TDtdModel& Model() const { return Model_; }
  TDtdModel& Model() { return Model_; }

private:
  // Appends the value with references replaced; false (kind set) at the first problem.
  bool ExpandAttributeText(WideStringView value, int depth, std::vector<const TDtdEntity*>& open,
                           TXmlErrorType& errorKind, WideString& result) const;

  TDomCustomDocument* Document_;
  TDtdModel Model_;
  std::int64_t ExpansionAllowance_ = 100000;
  std::int64_t ExpansionRatio_ = 10;
};
