#include "dom/DomNodes.h"
#include "dom/DomParsedNodes.h"

#include "dom/DomCustomDocument.h"
#include "xml/XmlRulesUtils.h"

#include <algorithm>

namespace {

bool IsName(const WideString& s) { return XmlRules::Name(s); }
bool IsNCName(const WideString& s) { return XmlRules::NCName(s); }
bool IsPITarget(const WideString& s) { return XmlRules::PITarget(s); }

[[noreturn]] void ThrowNoModification() { throw ENo_Modification_Allowed_Err(DomMessages::NoModificationAllowed); }
[[noreturn]] void ThrowInvalidCharacter() { throw EInvalid_Character_Err(DomMessages::InvalidCharacter); }
[[noreturn]] void ThrowNamespace() { throw ENamespace_Err(DomMessages::NamespaceError); }
[[noreturn]] void ThrowIndexSize() { throw EIndex_Size_Err(DomMessages::IndexSize); }

struct QName {
  WideString Prefix;
  WideString Local;
};

// Splits a qualified name; a name that is still an XML name but not a qualified one (such as
// "a:b:c") is a namespace error, anything else an invalid character.
QName SplitChecked(const WideString& qualifiedName) {
  QName q;
  if (!XmlText::SplitQName(qualifiedName, q.Prefix, q.Local)) {
    if (IsName(qualifiedName)) ThrowNamespace();
    ThrowInvalidCharacter();
  }
  return q;
}

// The two prefix rules shared by elements and attributes.
void CheckPrefixBinding(const WideString& prefix, const WideString& namespaceURI) {
  if (!prefix.empty() && namespaceURI.empty()) ThrowNamespace();
  if (prefix == u"xml" && namespaceURI != XmlNamespaceName) ThrowNamespace();
}

std::uint8_t PlainDeclKind(const WideString& name) {
  if (name == u"xmlns") return 0;
  if (name.size() > 6 && name.compare(0, 6, u"xmlns:") == 0 && IsNCName(name.substr(6))) return 1;
  return 2;
}

// The parts of a checked qualified name: the prefix before the first colon (none without a
// colon) and the local name after it.
WideString PrefixOf(const WideString& qualifiedName) {
  const std::size_t colon = qualifiedName.find(u':');
  return colon == WideString::npos ? WideString() : qualifiedName.substr(0, colon);
}

WideString LocalPartOf(const WideString& qualifiedName) {
  const std::size_t colon = qualifiedName.find(u':');
  return colon == WideString::npos ? qualifiedName : qualifiedName.substr(colon + 1);
}

std::unique_ptr<WideString> KeptUri(const WideString& namespaceURI) {
  return namespaceURI.empty() ? nullptr : std::make_unique<WideString>(namespaceURI);
}

const WideString& UriOf(const std::unique_ptr<WideString>& kept) {
  static const WideString none;
  return kept ? *kept : none;
}

bool IsWhiteSpace(const WideString& s) {
  return std::all_of(s.begin(), s.end(),
                     [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; });
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TDomElement

TDomElement* TDomElement::Create(TDomCustomDocument* document, const WideString& tagName) {
  if (!IsName(tagName)) ThrowInvalidCharacter();
  return new TDomElement(document, tagName, WideString(), false);
}

TDomElement* TDomElement::CreateNS(TDomCustomDocument* document, const WideString& namespaceURI,
                                   const WideString& qualifiedName) {
  QName q = SplitChecked(qualifiedName);
  CheckPrefixBinding(q.Prefix, namespaceURI);
  return new TDomElement(document, qualifiedName, namespaceURI, true);
}

TDomElement::TDomElement(TDomCustomDocument* document, const WideString& nodeName, const WideString& namespaceURI,
                         bool namespaceAware)
    : TDomNode(document), NodeName_(nodeName), NamespaceURI_(KeptUri(namespaceURI)) {
  NamespaceAware_ = namespaceAware;
  AllowedChildTypes_ = DomChildTypes::ContentNodes;
}

TDomElement::TAttributes::TAttributes(TDomElement* element, bool namespaceAware)
    : Map(element, &List, std::uint16_t{1u << ntAttributeNode}, namespaceAware) {}

TDomElement::~TDomElement() {
  SetReadOnly(false);
  DestroyAttributes();
  DropSearchLists();
  Attributes_.reset();
}

TDomNamedNodeMap& TDomElement::Map() const {
  if (!Attributes_) Attributes_ = std::make_unique<TAttributes>(const_cast<TDomElement*>(this), NamespaceAware_);
  return Attributes_->Map;
}

TDomNamedNodeMap* TDomElement::attributes() const { return &Map(); }

WideString TDomElement::localName() const { return NamespaceAware_ ? LocalPartOf(NodeName_.Str()) : WideString(); }

WideString TDomElement::namespaceURI() const { return UriOf(NamespaceURI_); }

WideString TDomElement::prefix() const { return NamespaceAware_ ? PrefixOf(NodeName_.Str()) : WideString(); }

// The attributes leave from the first on, as the removal notices tell; the list is turned round
// first so that each one leaves from its end, at a cost that does not grow with the list. An
// attribute added by a listener meanwhile leaves next.
void TDomElement::DestroyAttributes() {
  if (!Attributes_ || Attributes_->List.empty()) return;
  Attributes_->Map.ReverseItems();
  while (Attributes_ && !Attributes_->List.empty()) {
    auto* attr = static_cast<TDomAttr*>(Attributes_->List.back());
    removeAttributeNode(attr);
    Free(attr);
  }
}

void TDomElement::DoBeforeClear() { DestroyAttributes(); }

void TDomElement::setPrefix(const WideString& value) {
  if (!IsName(value)) ThrowInvalidCharacter();
  if (IsReadOnly()) ThrowNoModification();
  const WideString& uri = UriOf(NamespaceURI_);
  if (!IsNCName(value) || uri.empty() || (value == u"xml" && uri != XmlNamespaceName)) ThrowNamespace();
  NodeName_.Assign(value + u":" + localName());
}

WideString TDomElement::lookupNamespaceURI(const WideString& prefix) const {
  // Climbs the element ancestors; the first declaration of the prefix wins.
  const TDomNode* node = this;
  while (true) {
    const auto* element = static_cast<const TDomElement*>(node);
    static const std::vector<TDomNode*> none;
    for (const TDomNode* item : element->Attributes_ ? element->Attributes_->List : none) {
      const auto* attr = static_cast<const TDomAttr*>(item);
      if (prefix.empty() ? attr->NamespaceDeclKind() == 0
                         : attr->NamespaceDeclKind() == 1 && attr->localName() == prefix)
        return attr->nodeValue();
    }
    const TDomNode* parent = node->parentNode();
    if (parent == nullptr) return TDomNode::lookupNamespaceURI(prefix);
    if (parent->nodeType() != ntElementNode) return parent->lookupNamespaceURI(prefix);
    node = parent;
  }
}

void TDomElement::normalize() { NormalizeSubtree(); }

void TDomElement::DoAttrModified(TDomNode* node, TDomAttrChange change, TDomAttr* attr) {
  if (TDomCustomDocument* document = ReferenceDocument()) document->DoAttrModified(node, change, attr);
}

WideString TDomElement::getAttribute(const WideString& name) const {
  const TDomAttr* attr = getAttributeNode(name);
  return attr != nullptr ? attr->nodeValue() : WideString();
}

TDomAttr* TDomElement::getAttributeNode(const WideString& name) const {
  return static_cast<TDomAttr*>(Map().getNamedItem(name));
}

TDomAttr* TDomElement::getAttributeNodeNS(const WideString& namespaceURI, const WideString& localName) const {
  return static_cast<TDomAttr*>(Map().getNamedItemNS(namespaceURI, localName));
}

namespace {

// Any failure to normalise becomes the one conversion error of the literal-value getters.
WideString LiteralValueOf(const TDomAttr* attr) {
  if (attr == nullptr) return {};
  try {
    return attr->LiteralValue();
  } catch (const Exception&) {
    throw EConvertError("Literal attribute value cannot be resolved.");
  }
}

}  // namespace

WideString TDomElement::getAttributeLiteralValue(const WideString& name) const {
  return LiteralValueOf(getAttributeNode(name));
}

WideString TDomElement::getAttributeNSLiteralValue(const WideString& namespaceURI, const WideString& localName) const {
  return LiteralValueOf(getAttributeNodeNS(namespaceURI, localName));
}

WideString TDomElement::getAttributeNS(const WideString& namespaceURI, const WideString& localName) const {
  const TDomAttr* attr = getAttributeNodeNS(namespaceURI, localName);
  return attr != nullptr ? attr->nodeValue() : WideString();
}

TDomNodeList* TDomElement::getElementsByTagName(const WideString& name) {
  return SearchLists().ByName(this, name);
}

TDomNodeList* TDomElement::getElementsByTagNameNS(const WideString& namespaceURI, const WideString& localName) {
  return SearchLists().ByNamespace(this, namespaceURI, localName);
}

bool TDomElement::hasAttribute(const WideString& name) const { return getAttributeNode(name) != nullptr; }

bool TDomElement::hasAttributeNS(const WideString& namespaceURI, const WideString& localName) const {
  return getAttributeNodeNS(namespaceURI, localName) != nullptr;
}

void TDomElement::removeAttribute(const WideString& name) { removeAttributeNode(getAttributeNode(name)); }

void TDomElement::removeAttributeNS(const WideString& namespaceURI, const WideString& localName) {
  removeAttributeNode(getAttributeNodeNS(namespaceURI, localName));
}

TDomAttr* TDomElement::removeAttributeNode(TDomAttr* attr) {
  Map().removeItem(attr);
  DoAttrModified(this, AC_REMOVAL, attr);
  return attr;
}

TDomAttr* TDomElement::setAttribute(const WideString& name, const WideString& value) {
  if (IsReadOnly()) ThrowNoModification();
  if (TDomAttr* existing = getAttributeNode(name)) {
    existing->setNodeValue(value);
    return nullptr;
  }
  TDomAttr* attr = TDomAttr::Create(ReferenceDocument(), true, name);
  attr->setNodeValue(value);
  Map().AddItem(attr);
  DoAttrModified(this, AC_ADDITION, attr);
  return attr;
}

TDomAttr* TDomElement::setAttributeNS(const WideString& namespaceURI, const WideString& qualifiedName,
                                      const WideString& value) {
  if (IsReadOnly()) ThrowNoModification();
  QName q = SplitChecked(qualifiedName);
  if ((q.Prefix == u"xmlns" || qualifiedName == u"xmlns") && namespaceURI != XmlnsNamespaceName) ThrowNamespace();
  CheckPrefixBinding(q.Prefix, namespaceURI);
  if (TDomAttr* existing = getAttributeNodeNS(namespaceURI, q.Local)) {
    // An unprefixed name drops the old prefix; the empty text is no prefix setPrefix accepts.
    if (q.Prefix.empty())
      existing->ClearPrefix();
    else
      existing->setPrefix(q.Prefix);
    existing->setNodeValue(value);
    return nullptr;
  }
  TDomAttr* attr = TDomAttr::CreateNS(ReferenceDocument(), true, namespaceURI, qualifiedName);
  attr->setNodeValue(value);
  Map().AddItem(attr);
  DoAttrModified(this, AC_ADDITION, attr);
  return attr;
}

TDomAttr* TDomElement::setAttributeNode(TDomAttr* attr) {
  bool hadElement = attr != nullptr && attr->ownerElement() != nullptr;
  auto* replaced = static_cast<TDomAttr*>(Map().setNamedItem(attr));
  if (!hadElement) DoAttrModified(this, AC_ADDITION, attr);
  return replaced;
}

TDomAttr* TDomElement::setAttributeNodeNS(TDomAttr* attr) {
  bool hadElement = attr != nullptr && attr->ownerElement() != nullptr;
  auto* replaced = static_cast<TDomAttr*>(Map().setNamedItemNS(attr));
  if (!hadElement) DoAttrModified(this, AC_ADDITION, attr);
  return replaced;
}

// ---------------------------------------------------------------------------------------------
// TDomAttr

TDomAttr* TDomAttr::Create(TDomCustomDocument* document, bool specified, const WideString& name) {
  if (!IsName(name)) ThrowInvalidCharacter();
  return new TDomAttr(document, specified, PlainDeclKind(name), name, WideString(), false);
}

TDomAttr* TDomAttr::CreateNS(TDomCustomDocument* document, bool specified, const WideString& namespaceURI,
                             const WideString& qualifiedName) {
  QName q = SplitChecked(qualifiedName);
  std::uint8_t kind = 2;
  if (q.Prefix == u"xmlns") {
    if (namespaceURI != XmlnsNamespaceName) ThrowNamespace();
    kind = 1;
  } else if (qualifiedName == u"xmlns") {
    if (namespaceURI != XmlnsNamespaceName) ThrowNamespace();
    kind = 0;
  }
  CheckPrefixBinding(q.Prefix, namespaceURI);
  return new TDomAttr(document, specified, kind, qualifiedName, namespaceURI, true);
}

TDomAttr::TDomAttr(TDomCustomDocument* document, bool specified, std::uint8_t kind, const WideString& nodeName,
                   const WideString& namespaceURI, bool namespaceAware)
    : TDomNode(document), NodeName_(nodeName), NamespaceURI_(KeptUri(namespaceURI)) {
  NodeBits_ = static_cast<std::uint8_t>((kind & DeclKindBits) | (specified ? SpecifiedBit : 0));
  NamespaceAware_ = namespaceAware;
  AllowedChildTypes_ = DomChildTypes::None;
}

TDomAttr::TDomAttr(TDomCustomDocument* document, std::uint8_t kind, const TSharedText& nodeName,
                   TSharedText&& value)
    : TDomNode(document), Value_(std::move(value)), NodeName_(nodeName) {
  NodeBits_ = static_cast<std::uint8_t>((kind & DeclKindBits) | SpecifiedBit);
  AllowedChildTypes_ = DomChildTypes::None;
}

WideString TDomAttr::localName() const { return NamespaceAware_ ? LocalPartOf(NodeName_.Str()) : WideString(); }

WideString TDomAttr::namespaceURI() const { return UriOf(NamespaceURI_); }

WideString TDomAttr::prefix() const { return NamespaceAware_ ? PrefixOf(NodeName_.Str()) : WideString(); }

TDomAttr::~TDomAttr() { LeaveElement(); }

void TDomAttr::DetachForDestruction() {
  LeaveElement();
  TDomNode::DetachForDestruction();
}

void TDomAttr::LeaveElement() {
  TDomElement* element = ownerElement();
  if (element == nullptr) return;
  // A dying document hears of no change and checks nothing: the attribute only leaves the list.
  const TDomCustomDocument* document = element->ReferenceDocument();
  if (document != nullptr && document->Dying()) {
    OwnerMap_->DropItem(this);
    return;
  }
  // The element may be read-only; its attribute still has to leave it.
  bool wasReadOnly = element->IsReadOnly();
  element->SetReadOnly(false);
  try {
    element->removeAttributeNode(this);
  } catch (...) {
    // A failing notification handler must not leave the map pointing at a dead attribute.
    if (OwnerMap_ != nullptr) OwnerMap_->DropItem(this);
  }
  element->SetReadOnly(wasReadOnly);
}

TDomElement* TDomAttr::ownerElement() const {
  if (OwnerMap_ == nullptr) return nullptr;
  TDomNode* owner = OwnerMap_->ownerNode();
  return owner != nullptr && owner->nodeType() == ntElementNode ? static_cast<TDomElement*>(owner) : nullptr;
}

void TDomAttr::setNodeValue(const WideString& value) {
  TDomNode::setNodeValue(value);
  DoAttrModified(AC_MODIFICATION);
}

void TDomAttr::DoAttrModified(TDomAttrChange change) {
  if (TDomElement* element = ownerElement()) element->DoAttrModified(element, change, this);
}

WideString TDomAttr::LiteralValue() const {
  TDomCustomDocument* document = ReferenceDocument();
  if (document == nullptr) return nodeValue();
  const TDomElement* element = ownerElement();
  std::uint8_t type = document->GetAttributeType(element != nullptr ? element->nodeName() : WideString(), NodeName_.Str());
  TXmlErrorType kind = static_cast<TXmlErrorType>(0);
  WideString result;
  document->NormalizeAttributeValue(nodeValue(), type, kind, result);
  if (kind != 0 && SeverityOfErrorKind(kind) != DOM_SEVERITY_WARNING)
    throw EConvertError("Attribute value normalization failed.");
  return result;
}

void TDomAttr::setPrefix(const WideString& value) {
  if (!IsName(value)) ThrowInvalidCharacter();
  if (IsReadOnly()) ThrowNoModification();
  const WideString& uri = UriOf(NamespaceURI_);
  if (!IsNCName(value) || uri.empty() || (value == u"xml" && uri != XmlNamespaceName) ||
      (value == u"xmlns" && uri != XmlnsNamespaceName) || NodeName_.View() == u"xmlns")
    ThrowNamespace();
  NodeName_.Assign(value + u":" + localName());
}

void TDomAttr::ClearPrefix() {
  if (IsReadOnly()) ThrowNoModification();
  NodeName_.Assign(localName());
}

WideString TDomAttr::lookupNamespaceURI(const WideString& prefix) const {
  if (prefix.empty()) return {};
  if (const TDomElement* element = ownerElement()) return element->lookupNamespaceURI(prefix);
  return TDomNode::lookupNamespaceURI(prefix);
}

// ---------------------------------------------------------------------------------------------
// Character data

TDomCharacterData::TDomCharacterData(TDomCustomDocument* document) : TDomNode(document) {
  AllowedChildTypes_ = DomChildTypes::None;
}

void TDomCharacterData::setData(const WideString& value) {
  setNodeValue(value);
  DoCharacterDataModified();
}

void TDomCharacterData::DoCharacterDataModified() {
  if (TDomCustomDocument* document = ReferenceDocument()) document->DoCharacterDataModified(this);
}

WideString TDomCharacterData::substringData(std::int64_t offset, std::int64_t count) const {
  WideString value = data();
  auto size = static_cast<std::int64_t>(value.size());
  if (offset < 0 || offset > size || count < 0) ThrowIndexSize();
  count = std::min(count, size - offset);
  return value.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(count));
}

void TDomCharacterData::appendData(const WideString& arg) {
  if (IsReadOnly()) ThrowNoModification();
  // What setData(data() + arg) does for the character-data classes, which keep their data in
  // Value_, without copying the data twice: a parse appends to its text nodes often.
  Value_.Append(arg);
  DoCharacterDataModified();
}

void TDomCharacterData::insertData(std::int64_t offset, const WideString& arg) { replaceData(offset, 0, arg); }

void TDomCharacterData::deleteData(std::int64_t offset, std::int64_t count) { replaceData(offset, count, WideString()); }

void TDomCharacterData::replaceData(std::int64_t offset, std::int64_t count, const WideString& arg) {
  if (IsReadOnly()) ThrowNoModification();
  WideString value = data();
  auto size = static_cast<std::int64_t>(value.size());
  if (offset < 0 || offset > size || count < 0) ThrowIndexSize();
  count = std::min(count, size - offset);
  auto at = static_cast<std::size_t>(offset);
  setData(value.substr(0, at) + arg + value.substr(at + static_cast<std::size_t>(count)));
}

TDomText* TDomText::Create(TDomCustomDocument* document) { return new TDomText(document); }

bool TDomText::isWhitespaceInElementContent() const {
  TDomCustomDocument* document = ReferenceDocument();
  if (document == nullptr || IsCharRef() || !IsWhiteSpace(data())) return false;
  const TDomNode* ancestor = parentNode();
  while (ancestor != nullptr && ancestor->nodeType() == ntEntityReferenceNode) ancestor = ancestor->parentNode();
  if (ancestor == nullptr || ancestor->nodeType() != ntElementNode) return false;
  return document->HasElementContent(static_cast<const TDomElement*>(ancestor));
}

TDomText* TDomText::splitText(std::int64_t offset) {
  if (IsReadOnly()) ThrowNoModification();
  if (offset < 0 || offset > length()) ThrowIndexSize();
  // The parent must take the new node; finding out only after the data was cut would lose it.
  if (parentNode() != nullptr && parentNode()->IsReadOnly())
    throw ENo_Modification_Allowed_Err("No modification allowed.");
  TDomText* tail = TDomText::Create(ReferenceDocument());
  tail->setData(data().substr(static_cast<std::size_t>(offset)));
  tail->SetCharRef(IsCharRef());
  deleteData(offset, length() - offset);
  if (TDomNode* parent = parentNode()) parent->insertBefore(tail, nextSibling());
  return tail;
}

TDomCDATASection* TDomCDATASection::Create(TDomCustomDocument* document) { return new TDomCDATASection(document); }

TDomComment* TDomComment::Create(TDomCustomDocument* document) { return new TDomComment(document); }

// ---------------------------------------------------------------------------------------------
// Processing instructions, entity references, fragments, document types, namespace nodes

TDomProcessingInstruction* TDomProcessingInstruction::Create(TDomCustomDocument* document, const WideString& target) {
  if (!IsPITarget(target)) ThrowInvalidCharacter();
  return new TDomProcessingInstruction(document, target);
}

TDomProcessingInstruction::TDomProcessingInstruction(TDomCustomDocument* document, const WideString& target)
    : TDomNode(document), Target_(target) {
  AllowedChildTypes_ = DomChildTypes::None;
}

void TDomProcessingInstruction::DoCharacterDataModified() {
  if (TDomCustomDocument* document = ReferenceDocument()) document->DoCharacterDataModified(this);
}

void TDomProcessingInstruction::setData(const WideString& value) {
  setNodeValue(value);
  DoCharacterDataModified();
}

TDomEntityReference* TDomEntityReference::Create(TDomCustomDocument* document, const WideString& name) {
  if (!IsName(name)) ThrowInvalidCharacter();
  return new TDomEntityReference(document, name);
}

TDomEntityReference::TDomEntityReference(TDomCustomDocument* document, const WideString& name)
    : TDomNode(document), Name_(name) {
  AllowedChildTypes_ = DomChildTypes::ContentNodes;
  SetReadOnly(true);
}

TDomDocumentFragment* TDomDocumentFragment::Create(TDomCustomDocument* document) {
  return new TDomDocumentFragment(document);
}

TDomDocumentFragment::TDomDocumentFragment(TDomCustomDocument* document) : TDomNode(document) {
  AllowedChildTypes_ = DomChildTypes::ContentNodes;
}

TDomDocumentTypeDecl* TDomDocumentTypeDecl::Create(TDomCustomDocument* document, const WideString& name,
                                                   const WideString& publicId, const WideString& systemId,
                                                   const WideString& internalSubset) {
  return new TDomDocumentTypeDecl(document, name, publicId, systemId, internalSubset);
}

TDomDocumentTypeDecl::TDomDocumentTypeDecl(TDomCustomDocument* document, const WideString& name,
                                           const WideString& publicId, const WideString& systemId,
                                           const WideString& internalSubset)
    : TDomNode(document), InternalSubset_(internalSubset), Name_(name), PublicId_(publicId), SystemId_(systemId) {
  AllowedChildTypes_ = DomChildTypes::None;
}

TDomXPathNamespace* TDomXPathNamespace::Create(TDomCustomDocument* document, const WideString& prefix,
                                               const WideString& namespaceURI, TDomElement* ownerElement) {
  if (!prefix.empty() && !IsNCName(prefix)) ThrowInvalidCharacter();
  if (prefix == u"xmlns" && namespaceURI != XmlnsNamespaceName) ThrowNamespace();
  if (!prefix.empty() && namespaceURI.empty()) ThrowNamespace();
  if (prefix == u"xml" && namespaceURI != XmlNamespaceName) ThrowNamespace();
  return new TDomXPathNamespace(document, prefix, namespaceURI, ownerElement);
}

TDomXPathNamespace::TDomXPathNamespace(TDomCustomDocument* document, const WideString& prefix,
                                       const WideString& namespaceURI, TDomElement* ownerElement)
    : TDomNode(document), NamespaceURI_(namespaceURI), OwnerElement_(ownerElement), Prefix_(prefix) {
  AllowedChildTypes_ = DomChildTypes::None;
  SetReadOnly(true);
}

TDomCustomDocument* TDomXPathNamespace::ownerDocument() const {
  return OwnerElement_ != nullptr ? OwnerElement_->ownerDocument() : nullptr;
}

WideString TDomXPathNamespace::lookupNamespaceURI(const WideString& prefix) const {
  if (OwnerElement_ != nullptr) return OwnerElement_->lookupNamespaceURI(prefix);
  return TDomNode::lookupNamespaceURI(prefix);
}

// ---------------------------------------------------------------------------------------------
// TDomParsedNodes

TDomElement* TDomParsedNodes::Element(TDomCustomDocument* document, const TSharedText& tagName) {
  auto* element = new TDomElement(document, WideString(), WideString(), false);
  element->NodeName_ = tagName;
  return element;
}

TDomNode* TDomParsedNodes::Attribute(TDomElement* element, const TSharedText& name, TSharedText&& value) {
  const std::uint8_t kind = name.View().starts_with(u"xmlns") ? PlainDeclKind(name.Str()) : 2;
  auto* attr = new TDomAttr(element->ReferenceDocument(), kind, name, std::move(value));
  // The map is noted now, while the node is at hand, rather than in a second pass over all of
  // them at the end of the tag.
  attr->SetOwnerMap(&element->Map());
  return attr;
}

void TDomParsedNodes::AddAttributes(TDomElement* element, std::vector<TDomNode*>& attrs) {
  if (attrs.empty()) return;
  std::vector<TDomNode*>& list = element->Attributes_->List;
  // A long list keeps the vector it was gathered in, room to spare and all: copying it would
  // cost more than that room.
  constexpr std::size_t kTakenOver = 64;
  if (attrs.size() >= kTakenOver && list.empty()) {
    list.swap(attrs);
  } else {
    list.reserve(list.size() + attrs.size());
    list.insert(list.end(), attrs.begin(), attrs.end());
  }
  attrs.clear();
}

void TDomParsedNodes::Disown(const std::vector<TDomNode*>& attrs) {
  for (TDomNode* attr : attrs) static_cast<TDomAttr*>(attr)->SetOwnerMap(nullptr);
}

TDomNode* TDomParsedNodes::Text(TDomCustomDocument* document, TSharedText&& data, bool charRef) {
  auto* node = new TDomText(document);
  static_cast<TDomCharacterData*>(node)->Value_ = std::move(data);
  node->SetCharRef(charRef);
  return node;
}

TDomNode* TDomParsedNodes::CDataSection(TDomCustomDocument* document, TSharedText&& data) {
  auto* node = new TDomCDATASection(document);
  static_cast<TDomCharacterData*>(node)->Value_ = std::move(data);
  return node;
}

TDomNode* TDomParsedNodes::Comment(TDomCustomDocument* document, TSharedText&& data) {
  auto* node = new TDomComment(document);
  static_cast<TDomCharacterData*>(node)->Value_ = std::move(data);
  return node;
}

TDomNode* TDomParsedNodes::ProcessingInstruction(TDomCustomDocument* document, const TSharedText& target,
                                                 TSharedText&& data) {
  auto* node = new TDomProcessingInstruction(document, WideString());
  node->Target_ = target;
  node->Value_ = std::move(data);
  return node;
}

TDomNode* TDomParsedNodes::EntityReference(TDomCustomDocument* document, const TSharedText& name) {
  auto* node = new TDomEntityReference(document, WideString());
  node->Name_ = name;
  return node;
}

void TDomParsedNodes::Append(TDomNode* parent, TDomNode* child) {
  static_cast<TCustomOwnedNode*>(parent)->Link(child, nullptr);
}
