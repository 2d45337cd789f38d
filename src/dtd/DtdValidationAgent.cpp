#include "dtd/DtdValidationAgent.h"

#include "dom/DomNodes.h"
#include "platform/Exceptions.h"
#include "xml/XmlInputSource.h"
#include "xml/XmlDomBuilder.h"
#include "xml/XmlReader.h"
#include "xml/XmlRulesUtils.h"
#include "xml/XmlWFTestHandler.h"

namespace {

constexpr int kAttributeNestingLimit = 64;

bool IsWhite(char16_t c) { return c == 0x20 || c == 0x09 || c == 0x0A || c == 0x0D; }

}  // namespace

std::uint8_t TDtdValidationAgent::GetAttributeType(const WideString& elementName,
                                                   const WideString& attributeName) const {
  const TDtdAttributeDefinition* definition = Model_.FindAttributeDefinition(elementName, attributeName);
  return definition == nullptr ? AT_UNDECLARED : definition->AttributeType;
}

bool TDtdValidationAgent::PrepareDtd(TDomDocumentTypeDecl* declaration, const TDtdErrorReport& report,
                                     const TDtdExternalLoader& loader, const IXmlLocator* at,
                                     const TCharByteLengths* subsetBytes) {
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
  origin.ByteLengths = subsetBytes;
  TDtdSubsetReader reader(Model_, report, loader);
  reader.SetExpansionLimits(ExpansionAllowance_, ExpansionRatio_);
  TDomImplementation* implementation = Document_ != nullptr ? Document_->domImplementation() : nullptr;
  if (implementation != nullptr && implementation->OnDtdSignal)
    reader.SetListener([implementation, this](const TXmlSignal& signal) { implementation->OnDtdSignal(Document_, signal); });
  if (!reader.ReadInternalSubset(declaration->InternalSubsetText(), origin)) return false;
  if (!loader || declaration->systemId().empty()) return true;
  return reader.ReadExternalSubset(origin.Uri, declaration->publicId(), declaration->systemId(), at);
}

bool TDtdValidationAgent::IsWhitespaceInElementContent(const TDomText* text) const {
  if (text == nullptr || text->IsCharRef()) return false;
  for (char16_t c : text->nodeValue())
    if (!IsWhite(c)) return false;
  const TDomNode* parent = text->parentNode();
  while (parent != nullptr && parent->nodeType() == ntEntityReferenceNode) parent = parent->parentNode();
  if (parent == nullptr || parent->nodeType() != ntElementNode) return false;
  return HasElementContent(static_cast<const TDomElement*>(parent));
}

bool TDtdValidationAgent::HasElementContent(const TDomElement* element) const {
  const TDtdElementType* type = Model_.FindElementType(element->nodeName());
  return type != nullptr && type->ContentKind == TDtdContentKind::Children;
}

TDomElement* TDtdValidationAgent::FindElementById(const WideString& elementId) const {
  if (Document_ == nullptr) return nullptr;
  TDomNode* root = Document_->documentElement();
  for (TDomNode* n = root; n != nullptr;) {
    if (n->nodeType() == ntElementNode) {
      auto* element = static_cast<TDomElement*>(n);
      if (const auto* list = Model_.AttributeDefinitions(element->nodeName()))
        for (const auto& definition : *list)
          if (definition->AttributeType == AT_ID) {
            const TDomAttr* attribute = element->getAttributeNode(definition->Name);
            if (attribute != nullptr && attribute->nodeValue() == elementId) return element;
          }
    }
    if (n->firstChild() != nullptr) {
      n = n->firstChild();
      continue;
    }
    while (n != root && n->nextSibling() == nullptr) n = n->parentNode();
    n = n == root ? nullptr : n->nextSibling();
  }
  return nullptr;
}

bool TDtdValidationAgent::ExpandAttributeText(WideStringView value, int depth, std::vector<const TDtdEntity*>& open,
                                              TXmlErrorType& errorKind, WideString& result) const {
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char16_t c = value[i];
    if (c != u'&') {
      result += IsWhite(c) ? u' ' : c;
      continue;
    }
    const std::size_t end = value.find(u';', i);
    if (end == WideStringView::npos) {
      errorKind = i + 1 < value.size() && value[i + 1] == u'#' ? EK_UNTERMINATED_CHARACTER_REFERENCE
                                                                : EK_UNTERMINATED_ENTITY_REFERENCE;
      return false;
    }
    const WideStringView reference = value.substr(i, end - i + 1);
    const WideString name(value.substr(i + 1, end - i - 1));
    i = end;
    if (!name.empty() && name[0] == u'#') {
      WideString text;
      try {
        text = XmlText::CharRefText(reference);
      } catch (const EConvertError&) {
        errorKind = EK_INVALID_CHARACTER_REFERENCE;
        return false;
      }
      if (text == u"<") {
        errorKind = EK_LT_IN_ATTRIBUTE_VALUE;
        return false;
      }
      result += text;
      continue;
    }
    if (name == u"lt") result += u'<';
    else if (name == u"gt") result += u'>';
    else if (name == u"amp") result += u'&';
    else if (name == u"apos") result += u'\'';
    else if (name == u"quot") result += u'"';
    else {
      const TDtdEntity* entity = Model_.FindGeneralEntity(name);
      bool recursive = false;
      for (const TDtdEntity* e : open) recursive = recursive || e == entity;
      if (entity == nullptr || !entity->IsInternal || recursive || depth >= kAttributeNestingLimit) {
        errorKind = EK_VALIDITY_35;
        return false;
      }
      open.push_back(entity);
      const bool expanded = ExpandAttributeText(entity->ReplacementText, depth + 1, open, errorKind, result);
      open.pop_back();
      if (!expanded) return false;
    }
  }
  return true;
}

bool TDtdValidationAgent::NormalizeAttributeValue(const WideString& value, std::uint8_t attributeType,
                                                  TXmlErrorType& errorKind, WideString& result) {
  errorKind = EK_NONE;
  result.clear();
  std::vector<const TDtdEntity*> open;
  if (!ExpandAttributeText(value, 0, open, errorKind, result)) {
    result.clear();
    return true;
  }
  if (attributeType == AT_UNDECLARED || attributeType == AT_CDATA) return true;
  WideString collapsed;
  for (char16_t c : result) {
    if (c == u' ' && (collapsed.empty() || collapsed.back() == u' ')) continue;
    collapsed += c;
  }
  if (!collapsed.empty() && collapsed.back() == u' ') collapsed.pop_back();
  result = std::move(collapsed);
  return true;
}

void TDtdValidationAgent::AddDefaultAttributes(TDomElement* element) const {
  const auto* list = Model_.AttributeDefinitions(element->nodeName());
  if (list == nullptr) return;
  for (const auto& definition : *list) {
    if (definition->DefaultKind != TDtdDefaultKind::Default && definition->DefaultKind != TDtdDefaultKind::Fixed)
      continue;
    if (element->getAttributeNode(definition->Name) != nullptr) continue;
    TDomAttr* attribute = TDomAttr::Create(element->ReferenceDocument(), false, definition->Name);
    try {
      attribute->setNodeValue(definition->DefaultValue);
      element->setAttributeNode(attribute);
    } catch (...) {
      TCustomOwnedObject::Free(attribute);
      throw;
    }
  }
}

void TDtdValidationAgent::FillEntityReference(TDomEntityReference* reference) {
  if (reference == nullptr || reference->firstChild() != nullptr) return;
  const TDtdEntity* entity = Model_.FindGeneralEntity(reference->nodeName());
  if (entity == nullptr || !entity->IsInternal) return;
  TXmlStandardDocReader reader(nullptr);
  TXmlWFTestHandler checker(nullptr);
  TXmlDomBuilder builder(nullptr);
  reader.SetNextHandler(&checker);
  checker.SetNextHandler(&builder);
  TUtilsWideStringStream stream(entity->ReplacementText);
  TXmlEntityTextSource source(&stream, Document_ != nullptr ? Document_->documentURI() : WideString(), 0, 0, 0, 0, 1);
  reference->SetReadOnly(false);
  builder.SetReferenceNode(reference);
  const bool parsed = reader.ParseFragment(&source);
  builder.SetReferenceNode(nullptr);
  if (!parsed)
    while (TDomNode* child = reference->lastChild()) TCustomOwnedObject::Free(reference->removeChild(child));
  MarkEntityTreeReadOnly(reference);
}

void MarkEntityTreeReadOnly(TDomNode* reference) {
  for (TDomNode* n = reference; n != nullptr;) {
    n->SetReadOnly(true);
    if (n->firstChild() != nullptr) {
      n = n->firstChild();
      continue;
    }
    while (n != reference && n->nextSibling() == nullptr) n = n->parentNode();
    n = n == reference ? nullptr : n->nextSibling();
  }
}
