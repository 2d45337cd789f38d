// The validation agent of a document in well-formedness mode: it reads the internal subset
// of the document type declaration into its DTD model, reports what is not well formed, and
// answers the document's questions about declared attribute types from that model.
#pragma once

#include "dom/DomImplementation.h"
#include "dtd/DtdModel.h"
#include "dtd/DtdSubsetReader.h"

class TDtdValidationAgent : public TDomValidationAgent {
public:
  explicit TDtdValidationAgent(TDomCustomDocument* document) : Document_(document) {}

  std::uint8_t GetAttributeType(const WideString& elementName, const WideString& attributeName) const override;
  bool PrepareDtd(TDomDocumentTypeDecl* declaration) override { return PrepareDtd(declaration, nullptr); }
  // Reads the declaration's internal subset afresh; problems go to `report`. False when the
  // subset is not well formed.
  bool PrepareDtd(TDomDocumentTypeDecl* declaration, const TDtdErrorReport& report);

  const TDtdModel& Model() const { return Model_; }
  TDtdModel& Model() { return Model_; }

private:
  TDomCustomDocument* Document_;
  TDtdModel Model_;
};
