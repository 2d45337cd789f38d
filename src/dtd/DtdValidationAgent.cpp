#include "dtd/DtdValidationAgent.h"

#include "xml/XmlInputSource.h"

std::uint8_t TDtdValidationAgent::GetAttributeType(const WideString& elementName,
                                                   const WideString& attributeName) const {
  const TDtdAttributeDefinition* definition = Model_.FindAttributeDefinition(elementName, attributeName);
  return definition == nullptr ? AT_UNDECLARED : definition->AttributeType;
}

bool TDtdValidationAgent::PrepareDtd(TDomDocumentTypeDecl* declaration, const TDtdErrorReport& report) {
  Model_.Clear();
  if (declaration == nullptr) return true;
  Model_.Standalone = Document_ != nullptr && Document_->xmlStandalone() == STANDALONE_YES;
  Model_.HasExternalSubset = !declaration->systemId().empty();
  TDtdSubsetOrigin origin;
  origin.Uri = Document_ != nullptr ? Document_->documentURI() : WideString();
  origin.ByteCount = declaration->IntSubsetOriginByte;
  origin.CharCount = declaration->IntSubsetOriginChar;
  origin.Column = declaration->IntSubsetOriginColumn;
  origin.Line = declaration->IntSubsetOriginLine;
  origin.TabsInLine = declaration->IntSubsetOriginTabs;
  TDtdSubsetReader reader(Model_, report);
  return reader.ReadInternalSubset(declaration->internalSubset(), origin);
}
