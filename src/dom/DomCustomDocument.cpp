#include "dom/DomCustomDocument.h"

#include "dom/DomNodes.h"
#include "dom/DomUri.h"

#include <vector>

TDomCustomDocument::TDomCustomDocument() : TDomNode(nullptr) {
  AllowedChildTypes_ = DomChildTypes::DocumentNodes;
}

TDomCustomDocument::~TDomCustomDocument() {
  // A node destroyed along with another one may be destroyed only after this document is
  // gone, so the nodes forget their document first: a dying document hears of no changes.
  for (int i = 0; i < OwnedObjectCount(); ++i)
    if (auto* node = dynamic_cast<TDomNode*>(GetOwnedObject(i))) node->OwnerDocument_ = nullptr;
  ClearOwnedObjects();
}

WideString TDomCustomDocument::baseURI() const {
  return UriIsValid(DocumentURI_) ? DocumentURI_ : WideString();
}

void TDomCustomDocument::DoAttrModified(TDomNode* node, TDomAttrChange change, TDomAttr* attr) {
  Modified_ = true;
  if (OnAttrModified) OnAttrModified(this, node, change, attr);
}

void TDomCustomDocument::DoCharacterDataModified(TDomNode* node) {
  Modified_ = true;
  if (OnCharacterDataModified) OnCharacterDataModified(this, node);
}

void TDomCustomDocument::DoNodeClearing(TDomNode* node) {
  Modified_ = true;
  if (OnNodeClearing) OnNodeClearing(this, node);
}

void TDomCustomDocument::DoNodeInserted(TDomNode* node) {
  Modified_ = true;
  if (OnNodeInserted) OnNodeInserted(this, node);
}

void TDomCustomDocument::DoNodeRemoving(TDomNode* node) {
  Modified_ = true;
  if (OnNodeRemoving) OnNodeRemoving(this, node);
}

std::uint8_t TDomCustomDocument::GetAttributeType(const WideString&, const WideString&) const { return 0; }

TDomDocumentTypeDecl* TDomCustomDocument::doctype() const {
  for (TDomNode* child = firstChild(); child != nullptr; child = child->nextSibling())
    if (child->nodeType() == ntDocumentTypeDeclNode) return static_cast<TDomDocumentTypeDecl*>(child);
  return nullptr;
}

TDomElement* TDomCustomDocument::documentElement() const { return FindFirstChildElement(); }

bool TDomCustomDocument::HasElementContent(const TDomElement*) const { return false; }

TDomNode* TDomCustomDocument::CopyShallow(TDomNode* node) {
  switch (node->nodeType()) {
    case ntElementNode: {
      auto* source = static_cast<TDomElement*>(node);
      bool ns = source->NamespaceAware();
      TDomElement* copy = ns ? TDomElement::CreateNS(this, source->namespaceURI(), source->nodeName())
                             : TDomElement::Create(this, source->nodeName());
      // Attributes come along whether or not the copy is deep; defaulted ones stay behind.
      TDomNamedNodeMap* map = source->attributes();
      for (int i = 0; i < map->getLength(); ++i) {
        auto* attr = static_cast<TDomAttr*>(map->item(i));
        if (!attr->specified()) continue;
        auto* attrCopy = static_cast<TDomAttr*>(importNode(attr, true));
        if (ns)
          copy->setAttributeNodeNS(attrCopy);
        else
          copy->setAttributeNode(attrCopy);
      }
      return copy;
    }
    case ntAttributeNode: {
      auto* source = static_cast<TDomAttr*>(node);
      TDomAttr* copy = source->NamespaceAware()
                           ? TDomAttr::CreateNS(this, true, source->namespaceURI(), source->nodeName())
                           : TDomAttr::Create(this, true, source->nodeName());
      copy->setNodeValue(source->nodeValue());
      return copy;
    }
    case ntTextNode: {
      TDomText* copy = TDomText::Create(this);
      copy->setNodeValue(node->nodeValue());
      copy->SetCharRef(static_cast<TDomText*>(node)->IsCharRef());
      return copy;
    }
    case ntCDATASectionNode: {
      TDomCDATASection* copy = TDomCDATASection::Create(this);
      copy->setNodeValue(node->nodeValue());
      return copy;
    }
    case ntCommentNode: {
      TDomComment* copy = TDomComment::Create(this);
      copy->setNodeValue(node->nodeValue());
      return copy;
    }
    case ntEntityReferenceNode:
      return TDomEntityReference::Create(this, node->nodeName());
    case ntProcessingInstructionNode: {
      TDomProcessingInstruction* copy = TDomProcessingInstruction::Create(this, node->nodeName());
      copy->setNodeValue(node->nodeValue());
      return copy;
    }
    case ntDocumentFragmentNode:
      return TDomDocumentFragment::Create(this);
    default:
      throw ENot_Supported_Err(DomMessages::NotSupported);
  }
}

TDomNode* TDomCustomDocument::CopyNode(TDomNode* node, bool deep) {
  if (node == nullptr) throw ENot_Supported_Err(DomMessages::NotSupported);
  TDomNode* top = CopyShallow(node);
  auto hasCopiedChildren = [](const TDomNode* n) {
    return n->nodeType() == ntElementNode || n->nodeType() == ntDocumentFragmentNode;
  };
  if (!deep || !hasCopiedChildren(node)) return top;
  // Each child is imported deeply, so its handlers run once its own subtree is copied, and it
  // is appended then; an explicit stack keeps that order without nesting calls.
  struct Frame {
    TDomNode* Source;
    TDomNode* Copy;
    TDomNode* NextChild;
  };
  std::vector<Frame> stack{{node, top, node->firstChild()}};
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.NextChild == nullptr) {
      Frame done = frame;
      stack.pop_back();
      if (stack.empty()) break;
      done.Source->CallUserDataHandlers(UDO_NODE_IMPORTED, done.Source, done.Copy);
      stack.back().Copy->appendChild(done.Copy);
      continue;
    }
    TDomNode* child = frame.NextChild;
    frame.NextChild = child->nextSibling();
    TDomNode* copy = CopyShallow(child);
    if (hasCopiedChildren(child)) {
      stack.push_back({child, copy, child->firstChild()});
    } else {
      child->CallUserDataHandlers(UDO_NODE_IMPORTED, child, copy);
      frame.Copy->appendChild(copy);
    }
  }
  return top;
}

TDomNode* TDomCustomDocument::importNode(TDomNode* node, bool deep) {
  TDomNode* copy = CopyNode(node, deep);
  if (copy != nullptr) node->CallUserDataHandlers(UDO_NODE_IMPORTED, node, copy);
  return copy;
}
