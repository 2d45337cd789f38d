#include "dom/DomImplementation.h"

#include "dom/DomNodes.h"
#include "dom/WideStringUtils.h"
#include "dtd/DtdValidationAgent.h"
#include "xml/ResourceResolver.h"
#include "xml/XmlInputSource.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// TDomImplementation

TDomImplementation::TDomImplementation(TComponent* owner)
    : TDomBaseComponent(owner), DocumentsView_(std::make_unique<TDomNodeList>(&Documents_)) {}

TDomImplementation::~TDomImplementation() {
  FreeDocuments();
  DocumentsView_.reset();
  SetResourceResolver(nullptr);
}

void TDomImplementation::RegisterDocument(TDomCustomDocument* document) { Documents_.push_back(document); }

void TDomImplementation::UnregisterDocument(TDomCustomDocument* document) {
  auto found = std::find(Documents_.begin(), Documents_.end(), document);
  if (found != Documents_.end()) Documents_.erase(found);
}

void TDomImplementation::FreeDocuments() {
  // Each document leaves the list before it is destroyed, so its destruction finds nothing
  // to unregister; a document destroyed meanwhile by another one's handlers shrinks the
  // list, and the index steps back to stay inside it.
  int index = static_cast<int>(Documents_.size()) - 1;
  while (index >= 0 && !Documents_.empty()) {
    if (index >= static_cast<int>(Documents_.size())) index = static_cast<int>(Documents_.size()) - 1;
    auto* document = static_cast<TDomCustomDocument*>(Documents_[static_cast<std::size_t>(index)]);
    Documents_.erase(Documents_.begin() + index);
    document->DomImplementation_ = nullptr;
    TCustomOwnedObject::Free(document);
    --index;
  }
}

TDomNodeList* TDomImplementation::documents() const { return DocumentsView_.get(); }

void TDomImplementation::SetResourceResolver(TCustomResourceResolver* resolver) {
  if (resolver == ResourceResolver_) return;
  if (ResourceResolver_ != nullptr) ResourceResolver_->RemoveFreeNotification(this);
  ResourceResolver_ = resolver;
  if (ResourceResolver_ != nullptr) ResourceResolver_->FreeNotification(this);
}

void TDomImplementation::Notification(TComponent* component, TOperation operation) {
  TDomBaseComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == ResourceResolver_) ResourceResolver_ = nullptr;
}

void TDomImplementation::DoAttrModified(TDomNode* node, TDomAttrChange change, TDomAttr* attr) {
  if (OnAttrModified) OnAttrModified(this, node, change, attr);
}

void TDomImplementation::DoCharacterDataModified(TDomNode* node) {
  if (OnCharacterDataModified) OnCharacterDataModified(this, node);
}

void TDomImplementation::DoError(TPersistent* sender, TDomError* error, bool& go) {
  go = error->Severity() != DOM_SEVERITY_FATAL_ERROR;
  if (OnError && ErrorEventsSuspended_ == 0) OnError(sender, error, go);
}

void TDomImplementation::DoNodeClearing(TDomNode* node) {
  if (OnNodeClearing) OnNodeClearing(this, node);
}

void TDomImplementation::DoNodeInserted(TDomNode* node) {
  if (OnNodeInserted) OnNodeInserted(this, node);
}

void TDomImplementation::DoNodeRemoving(TDomNode* node) {
  if (OnNodeRemoving) OnNodeRemoving(this, node);
}

void TDomImplementation::DoRequestXPathFunctionResult(const WideString& namespaceURI, const WideString& localName,
                                                      TDomNode* contextNode, const std::vector<WideString>& arguments,
                                                      WideString& value, bool& isSupported) {
  if (OnRequestXPathFunctionResult)
    OnRequestXPathFunctionResult(this, namespaceURI, localName, contextNode, arguments, value, isSupported);
}

void TDomImplementation::DoRequestXPathVariable(const WideString& namespaceURI, const WideString& localName,
                                                WideString& value, bool& isSupported) {
  if (OnRequestXPathVariable) OnRequestXPathVariable(this, namespaceURI, localName, value, isSupported);
}

void TDomImplementation::SuspendErrorEvents() { ++ErrorEventsSuspended_; }

void TDomImplementation::ResumeErrorEvents() {
  // A resume without a suspend must not wrap the counter round and silence the events.
  if (ErrorEventsSuspended_ > 0) --ErrorEventsSuspended_;
}

bool TDomImplementation::HandleError(TPersistent* sender, TDomError* error) {
  if (error == nullptr) throw ENot_Supported_Err(DomMessages::NotSupported);
  bool go = true;
  DoError(sender, error, go);
  return go;
}

std::unique_ptr<TStream> TDomImplementation::ResolveResource(const WideString& baseURI, WideString& publicId,
                                                             WideString& systemId) {
  if (ResourceResolver_ == nullptr) throw ENot_Found_Err("No resource resolver assigned to DOM implementation.");
  return ResourceResolver_->ResolveResource(baseURI, publicId, systemId);
}

void TDomImplementation::ResolveExternalText(const WideString& baseURI, const WideString& publicId,
                                             const WideString& systemId, TXmlErrorType& errorKind, WideString& text) {
  ReadExternalText(baseURI, publicId, systemId, errorKind, text, nullptr, nullptr);
}

void TDomImplementation::ReadExternalText(const WideString& baseURI, const WideString& publicId,
                                          const WideString& systemId, TXmlErrorType& errorKind, WideString& text,
                                          TPositionRecord* origin, TCharByteLengths* byteLengths) {
  errorKind = EK_NONE;
  text.clear();
  if (origin != nullptr) *origin = TPositionRecord();
  if (byteLengths != nullptr) byteLengths->clear();
  WideString pubId = publicId, sysId = systemId;
  std::unique_ptr<TStream> stream;
  try {
    stream = ResolveResource(baseURI, pubId, sysId);
  } catch (const Exception&) {
    // No resolver, or a resource the resolver cannot open, is a resource not resolved: this
    // operation reports kinds and never raises.
    stream.reset();
  }
  if (!stream) {
    errorKind = EK_RESOURCE_NOT_RESOLVED;
    return;
  }
  errorKind = ReadExternalEntityText(stream.get(), pubId, sysId, text, origin, byteLengths);
}

// ---------------------------------------------------------------------------------------------
// TDomDocument

TDomDocument::TDomDocument(TDomImplementation* implementation)
    : TDomCustomDocument(implementation), ValidationAgent_(std::make_unique<TDtdValidationAgent>(this)) {}

TDomDocument::~TDomDocument() {
  SearchLists_.reset();
  ValidationAgent_.reset();
}

void TDomDocument::DoBeforeClear() {
  TDomCustomDocument::DoBeforeClear();
  if (SearchLists_) SearchLists_->Clear();
}

void TDomDocument::NormalizeAttributeValue(const WideString& value, std::uint8_t attributeType,
                                           TXmlErrorType& errorKind, WideString& result) {
  if (ValidationAgent_->NormalizeAttributeValue(value, attributeType, errorKind, result)) return;
  TDomCustomDocument::NormalizeAttributeValue(value, attributeType, errorKind, result);
}

std::uint8_t TDomDocument::GetAttributeType(const WideString& elementName, const WideString& attributeName) const {
  return ValidationAgent_->GetAttributeType(elementName, attributeName);
}

bool TDomDocument::HasElementContent(const TDomElement* element) const {
  return ValidationAgent_->HasElementContent(element);
}

void TDomDocument::CompleteCopy(TDomNode* copy) {
  if (copy->nodeType() == ntElementNode)
    ValidationAgent_->AddDefaultAttributes(static_cast<TDomElement*>(copy));
  else if (copy->nodeType() == ntEntityReferenceNode)
    ValidationAgent_->FillEntityReference(static_cast<TDomEntityReference*>(copy));
}

TDomElement* TDomDocument::getElementById(const WideString& elementId) const {
  return ValidationAgent_->FindElementById(elementId);
}

bool TDomDocument::isWhitespaceInElementContentOf(const TDomText* textNode) const {
  return ValidationAgent_->IsWhitespaceInElementContent(textNode);
}

bool TDomDocument::ValidateNode(TDomNode* node) { return ValidationAgent_->ValidateNode(node); }

TDomNodeList* TDomDocument::getElementsByTagName(const WideString& name) {
  if (!SearchLists_) SearchLists_ = std::make_unique<TDomSearchListCache>();
  return SearchLists_->ByName(this, name);
}

bool TDomDocument::Validate() { return ValidationAgent_->PrepareDtd(doctype()) && ValidateNode(this); }

// ---------------------------------------------------------------------------------------------
// TDomDocumentNS

TDomDocumentNS::TDomDocumentNS(TDomImplementation* implementation)
    : TDomCustomDocument(implementation), IDs_(std::make_unique<TUtilsWideStringList>()) {
  IDs_->SetDuplicates(TDuplicates::dupIgnore);
  IDs_->SetSorted(true);
}

TDomDocumentNS::~TDomDocumentNS() {
  SearchLists_.reset();
  IDs_.reset();
}

void TDomDocumentNS::DoBeforeClear() {
  TDomCustomDocument::DoBeforeClear();
  if (SearchLists_) SearchLists_->Clear();
}

TDomElement* TDomDocumentNS::getElementById(const WideString& elementId) const {
  int index = 0;
  if (!IDs_->Find(elementId, index)) return nullptr;
  return static_cast<TDomElement*>(IDs_->Objects(index));
}

TDomNodeList* TDomDocumentNS::getElementsByTagNameNS(const WideString& namespaceURI, const WideString& localName) {
  if (!SearchLists_) SearchLists_ = std::make_unique<TDomSearchListCache>();
  return SearchLists_->ByNamespace(this, namespaceURI, localName);
}
