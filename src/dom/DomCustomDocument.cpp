#include "dom/DomCustomDocument.h"

#include "dom/DomImplementation.h"
#include "dom/DomNodes.h"
#include "dom/DomTraversal.h"
#include "dom/DomUri.h"
#include "xml/XmlRulesUtils.h"
#include "xml/XmlTokenizer.h"

#include <algorithm>
#include <vector>

TDomCustomDocument::TDomCustomDocument(TDomImplementation* implementation) : TDomNode(nullptr) {
  SetKind(KindDocument, true);
  AllowedChildTypes_ = DomChildTypes::DocumentNodes;
  if (implementation != nullptr) {
    implementation->RegisterDocument(this);
    DomImplementation_ = implementation;
  }
}

TDomCustomDocument::~TDomCustomDocument() {
  FreeIteratorsAndWalkers();
  if (DomImplementation_ != nullptr) DomImplementation_->UnregisterDocument(this);
  DomImplementation_ = nullptr;
  // A dying document hears of no changes. A node destroyed inside another destruction is
  // destroyed only after this document is gone; taking it off the list first makes it forget
  // its document (its owner), in the same pass that destroys it.
  Dying_ = true;
  while (TCustomOwnedObject* object = TakeLastOwned()) Free(object);
  // From here on the object is a plain node, as nodes made for it now would see.
  SetKind(KindDocument, false);
}

WideString TDomCustomDocument::baseURI() const {
  return UriIsValid(DocumentURI_) ? DocumentURI_ : WideString();
}

void TDomCustomDocument::DoAttrModified(TDomNode* node, TDomAttrChange change, TDomAttr* attr) {
  if (Dying_) return;
  Modified_ = true;
  // The implementation hears of the change even when the document's own handler raised.
  try {
    if (OnAttrModified) OnAttrModified(this, node, change, attr);
  } catch (...) {
    if (DomImplementation_ != nullptr) DomImplementation_->DoAttrModified(node, change, attr);
    throw;
  }
  if (DomImplementation_ != nullptr) DomImplementation_->DoAttrModified(node, change, attr);
}

void TDomCustomDocument::DoCharacterDataModified(TDomNode* node) {
  if (Dying_) return;
  Modified_ = true;
  // The implementation hears of the change even when the document's own handler raised.
  try {
    if (OnCharacterDataModified) OnCharacterDataModified(this, node);
  } catch (...) {
    if (DomImplementation_ != nullptr) DomImplementation_->DoCharacterDataModified(node);
    throw;
  }
  if (DomImplementation_ != nullptr) DomImplementation_->DoCharacterDataModified(node);
}

void TDomCustomDocument::DoNodeClearing(TDomNode* node) {
  if (Dying_) return;
  Modified_ = true;
  // The implementation hears of the change even when the document's own handler raised.
  try {
    if (OnNodeClearing) OnNodeClearing(this, node);
  } catch (...) {
    if (DomImplementation_ != nullptr) DomImplementation_->DoNodeClearing(node);
    throw;
  }
  if (DomImplementation_ != nullptr) DomImplementation_->DoNodeClearing(node);
  TellIterators(node, false);
}

void TDomCustomDocument::DoNodeInserted(TDomNode* node) {
  if (Dying_) return;
  Modified_ = true;
  // The implementation hears of the change even when the document's own handler raised.
  try {
    if (OnNodeInserted) OnNodeInserted(this, node);
  } catch (...) {
    if (DomImplementation_ != nullptr) DomImplementation_->DoNodeInserted(node);
    throw;
  }
  if (DomImplementation_ != nullptr) DomImplementation_->DoNodeInserted(node);
}

void TDomCustomDocument::DoNodeRemoving(TDomNode* node) {
  if (Dying_) return;
  Modified_ = true;
  // The implementation hears of the change even when the document's own handler raised.
  try {
    if (OnNodeRemoving) OnNodeRemoving(this, node);
  } catch (...) {
    if (DomImplementation_ != nullptr) DomImplementation_->DoNodeRemoving(node);
    throw;
  }
  if (DomImplementation_ != nullptr) DomImplementation_->DoNodeRemoving(node);
  TellIterators(node, true);
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
  CompleteCopy(top);
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
    CompleteCopy(copy);
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

// ---------------------------------------------------------------------------------------------
// Document element and document type declaration rules

namespace {

[[noreturn]] void ThrowHierarchyRequest() { throw EHierarchy_Request_Err(DomMessages::HierarchyRequest); }
[[noreturn]] void ThrowNotSupported() { throw ENot_Supported_Err(DomMessages::NotSupported); }

// Where the document element and the document type declaration stand among the children.
struct TDocumentShape {
  int Element = -1;
  int Doctype = -1;
};

TDocumentShape ShapeOf(const TDomNode* document) {
  TDocumentShape shape;
  int position = 0;
  for (const TDomNode* child = document->firstChild(); child != nullptr; child = child->nextSibling(), ++position) {
    if (child->nodeType() == ntElementNode && shape.Element < 0) shape.Element = position;
    if (child->nodeType() == ntDocumentTypeDeclNode && shape.Doctype < 0) shape.Doctype = position;
  }
  return shape;
}

bool IsElement(const TDomNode* node) { return node->nodeType() == ntElementNode; }
bool IsDoctype(const TDomNode* node) { return node->nodeType() == ntDocumentTypeDeclNode; }

}  // namespace

void TDomCustomDocument::CheckFragmentForDocument(const TDomNode* fragment, int position,
                                                  const TDomNode* replaced) const {
  // The child types as they would stand afterwards: at most one element and one declaration,
  // the declaration before the element. Checking the result is the same as checking each
  // child's move in turn, and nothing has moved yet.
  std::vector<TDomNodeType> types;
  for (const TDomNode* child = firstChild(); child != nullptr; child = child->nextSibling())
    if (child != replaced) types.push_back(child->nodeType());
  std::vector<TDomNodeType> inserted;
  for (const TDomNode* child = fragment->firstChild(); child != nullptr; child = child->nextSibling())
    inserted.push_back(child->nodeType());
  if (position < 0 || position > static_cast<int>(types.size())) position = static_cast<int>(types.size());
  types.insert(types.begin() + position, inserted.begin(), inserted.end());
  int elements = 0, doctypes = 0;
  for (TDomNodeType type : types) {
    if (type == ntElementNode) ++elements;
    if (type == ntDocumentTypeDeclNode) {
      if (elements > 0) ThrowHierarchyRequest();
      ++doctypes;
    }
  }
  if (elements > 1 || doctypes > 1) ThrowHierarchyRequest();
}

TDomNode* TDomCustomDocument::appendChild(TDomNode* node) {
  if (node == nullptr) ThrowNotSupported();
  const TDocumentShape shape = ShapeOf(this);
  if (IsElement(node) && shape.Element >= 0) ThrowHierarchyRequest();
  if (IsDoctype(node) && (shape.Element >= 0 || shape.Doctype >= 0)) ThrowHierarchyRequest();
  if (node->nodeType() == ntDocumentFragmentNode) CheckFragmentForDocument(node, -1, nullptr);
  return TDomNode::appendChild(node);
}

TDomNode* TDomCustomDocument::insertBefore(TDomNode* node, TDomNode* refNode) {
  if (node == nullptr) ThrowNotSupported();
  // Without a reference node the position tests would compare against -1 and let an element
  // in ahead of the declaration; inserting at the end is appending, with its rules.
  if (refNode == nullptr) return appendChild(node);
  const TDocumentShape shape = ShapeOf(this);
  const int refPosition = IndexOfChild(refNode);
  if (IsElement(node) && !(shape.Element < 0 && (shape.Doctype < 0 || refPosition > shape.Doctype)))
    ThrowHierarchyRequest();
  if (IsDoctype(node) && !(shape.Doctype < 0 && (shape.Element < 0 || shape.Element >= refPosition)))
    ThrowHierarchyRequest();
  if (node->nodeType() == ntDocumentFragmentNode && refPosition >= 0)
    CheckFragmentForDocument(node, refPosition, nullptr);
  return TDomNode::insertBefore(node, refNode);
}

TDomNode* TDomCustomDocument::replaceChild(TDomNode* newNode, TDomNode* oldNode) {
  if (newNode == nullptr || oldNode == nullptr) ThrowNotSupported();
  const TDocumentShape shape = ShapeOf(this);
  const int oldPosition = IndexOfChild(oldNode);
  if (IsElement(newNode) && !((shape.Element < 0 || oldPosition == shape.Element) &&
                              (shape.Doctype < 0 || oldPosition >= shape.Doctype)))
    ThrowHierarchyRequest();
  if (IsDoctype(newNode) && !((shape.Doctype < 0 || oldPosition == shape.Doctype) &&
                              (shape.Element < 0 || shape.Element >= oldPosition)))
    ThrowHierarchyRequest();
  if (newNode->nodeType() == ntDocumentFragmentNode && oldPosition >= 0)
    CheckFragmentForDocument(newNode, oldPosition, oldNode);
  return TDomNode::replaceChild(newNode, oldNode);
}

// ---------------------------------------------------------------------------------------------
// Attribute-value normalisation

void TDomCustomDocument::NormalizeAttributeValue(const WideString& value, std::uint8_t, TXmlErrorType& errorKind,
                                                 WideString& result) {
  errorKind = EK_NONE;
  result.clear();
  auto stop = [&](TXmlErrorType kind) {
    errorKind = kind;
    result.clear();
  };
  TXmlAttrValueTokenizer tokenizer(value);
  try {
    for (;;) {
      tokenizer.NextToken();
      const TXmlErrorType reported = tokenizer.ErrorType();
      if (reported != EK_NONE) {
        if (SeverityOfErrorKind(reported) == DOM_SEVERITY_FATAL_ERROR) return stop(reported);
        if (errorKind == EK_NONE || SeverityOfErrorKind(reported) > SeverityOfErrorKind(errorKind))
          errorKind = reported;
      }
      const WideString token = tokenizer.GetTokenValue();
      switch (tokenizer.TokenType()) {
        case avEndOfValue:
          return;
        case avCharRef: {
          WideString text;
          try {
            text = XmlText::CharRefText(u"&#" + token + u";");
          } catch (const EConvertError&) {
            return stop(EK_INVALID_CHARACTER_REFERENCE);
          }
          if (text == u"<") return stop(EK_LT_IN_ATTRIBUTE_VALUE);
          result += text;
          break;
        }
        case avEntityRef:
          if (token == u"lt") result += u'<';
          else if (token == u"gt") result += u'>';
          else if (token == u"amp") result += u'&';
          else if (token == u"apos") result += u'\'';
          else if (token == u"quot") result += u'"';
          else return stop(EK_VALIDITY_35);
          break;
        default:
          result += XmlRules::S(token) ? WideString(u" ") : token;
          break;
      }
    }
  } catch (const EConvertError&) {
    // A value the reader cannot decode (a lone surrogate) is not a character sequence.
    stop(EK_INVALID_CHARACTER);
  }
}

// ---------------------------------------------------------------------------------------------
// Iterators, tree walkers and ID look-up

void TDomCustomDocument::DoBeforeClear() { FreeIteratorsAndWalkers(); }

void TDomCustomDocument::FreeIteratorsAndWalkers() {
  NodeIterators_.clear();
  TreeWalkers_.clear();
}

void TDomCustomDocument::TellIterators(TDomNode* node, bool isRemoval) {
  for (const auto& iterator : NodeIterators_) iterator->HandleNodeEvent(node, isRemoval);
}

void TDomCustomDocument::FreeDetachedIterators() {
  std::erase_if(NodeIterators_, [](const std::unique_ptr<TDomNodeIterator>& it) { return it->IsDetached(); });
}

TDomNodeIterator* TDomCustomDocument::createNodeIterator(TDomNode* root, std::uint16_t whatToShow,
                                                         TDomNodeFilter* filter, bool expandEntityReferences) {
  NodeIterators_.push_back(std::make_unique<TDomNodeIterator>(root, whatToShow, filter, expandEntityReferences));
  return NodeIterators_.back().get();
}

TDomTreeWalker* TDomCustomDocument::createTreeWalker(TDomNode* root, std::uint16_t whatToShow, TDomNodeFilter* filter,
                                                     bool expandEntityReferences) {
  TreeWalkers_.push_back(std::make_unique<TDomTreeWalker>(root, whatToShow, filter, expandEntityReferences));
  return TreeWalkers_.back().get();
}

void TDomCustomDocument::FreeTreeWalker(TDomTreeWalker*& walker) {
  if (walker == nullptr) return;
  auto found = std::find_if(TreeWalkers_.begin(), TreeWalkers_.end(),
                            [walker](const std::unique_ptr<TDomTreeWalker>& w) { return w.get() == walker; });
  if (found == TreeWalkers_.end()) throw EWrong_Document_Err(DomMessages::WrongDocument);
  TreeWalkers_.erase(found);
  walker = nullptr;
}

TDomElement* TDomCustomDocument::getElementById(const WideString&) const { return nullptr; }
