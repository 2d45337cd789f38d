#include "dom/DomCore.h"

#include "dom/DomCustomDocument.h"
#include "dom/DomLists.h"
#include "dom/DomNodes.h"
#include "dom/DomUri.h"
#include "platform/Format.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <unordered_map>

namespace {

// The DOM faces of the tree layer's errors; the prechecks of fragment moves raise the same
// exceptions the individual moves would.
[[noreturn]] void ThrowHierarchy() { throw EHierarchy_Request_Err("EHierarchy request error."); }
[[noreturn]] void ThrowNoModification() { throw ENo_Modification_Allowed_Err("No modification allowed."); }
[[noreturn]] void ThrowNotAssigned() { throw ENot_Supported_Err("Node not specified."); }
[[noreturn]] void ThrowNotFound() { throw ENot_Found_Err("Node not found."); }
[[noreturn]] void ThrowWrongOwner() { throw EWrong_Document_Err("Wrong document."); }

bool IsXmlAttribute(const TDomAttr* attr, const char16_t* local) {
  if (attr->NamespaceAware()) return attr->namespaceURI() == XmlNamespaceName && attr->localName() == local;
  return attr->nodeName() == WideString(u"xml:") + local;
}

// The element's xml:base or xml:lang attribute, looked up in the form the element was made in.
TDomAttr* XmlAttributeOf(const TDomElement* element, const char16_t* local) {
  if (element->NamespaceAware()) return element->getAttributeNodeNS(XmlNamespaceName, local);
  return element->getAttributeNode(WideString(u"xml:") + local);
}

// Where the base URI and language rules continue above an attribute or namespace node.
TDomElement* OwnerElementOf(const TDomNode* node) {
  if (node->nodeType() == ntAttributeNode) return static_cast<const TDomAttr*>(node)->ownerElement();
  if (node->nodeType() == ntXPathNamespaceNode)
    return static_cast<const TDomXPathNamespace*>(node)->ownerElement();
  return nullptr;
}

// The next node of a pre-order walk inside root's subtree, skipping the children of `node`
// when `descend` is false; none when the walk is over.
const TDomNode* NextInSubtree(const TDomNode* node, const TDomNode* root, bool descend) {
  if (descend && node->firstChild() != nullptr) return node->firstChild();
  while (node != root) {
    if (node->nextSibling() != nullptr) return node->nextSibling();
    node = node->parentNode();
  }
  return nullptr;
}

bool AsciiEqualsIgnoreCase(const WideString& a, const char* b) {
  std::size_t n = std::char_traits<char>::length(b);
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    char16_t c = a[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    char16_t d = static_cast<unsigned char>(b[i]);
    if (d >= u'a' && d <= u'z') d = static_cast<char16_t>(d - 32);
    if (c != d) return false;
  }
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TDomCustomNode

TDomCustomNode::TDomCustomNode(TCustomOwnedObject* owner) : TCustomOwnedNode(owner) {}

void TDomCustomNode::RaiseTreeError(TTreeError error) {
  switch (error) {
    case TTreeError::HierarchyRequest: ThrowHierarchy();
    case TTreeError::NoModificationAllowed: ThrowNoModification();
    case TTreeError::NotAssigned: ThrowNotAssigned();
    case TTreeError::NotFound: ThrowNotFound();
    case TTreeError::WrongOwner: ThrowWrongOwner();
  }
  TCustomOwnedNode::RaiseTreeError(error);
}

// ---------------------------------------------------------------------------------------------
// TDomNode: construction and destruction

namespace {

// The documents of nodes queued for destruction while their document lives on: a rare state
// (a node freed while another destruction runs), so the node keeps no field for it.
struct TLeftDocuments {
  std::mutex Lock;
  std::unordered_map<const TDomNode*, TDomCustomDocument*> Map;
};

TLeftDocuments& LeftDocuments() {
  static TLeftDocuments* table = new TLeftDocuments();  // outlives every static destructor
  return *table;
}

}  // namespace

TDomNode::TDomNode(TCustomOwnedObject* owner) : TDomCustomNode(owner) { SetKind(KindDomNode, true); }

TDomCustomDocument* TDomNode::DocumentOwner() const {
  if (TCustomOwnedObject* owner = GetOwner())
    return owner->HasKind(KindDocument) ? static_cast<TDomCustomDocument*>(owner) : nullptr;
  if (!HasKind(KindLeftDocument)) return nullptr;
  TLeftDocuments& left = LeftDocuments();
  std::lock_guard<std::mutex> guard(left.Lock);
  const auto found = left.Map.find(this);
  return found != left.Map.end() ? found->second : nullptr;
}

void TDomNode::DetachForDestruction() {
  if (TDomCustomDocument* document = DocumentOwner(); document != nullptr && GetOwner() != nullptr) {
    TLeftDocuments& left = LeftDocuments();
    std::lock_guard<std::mutex> guard(left.Lock);
    left.Map[this] = document;
    SetKind(KindLeftDocument, true);
  }
  TDomCustomNode::DetachForDestruction();
}

TDomNode::~TDomNode() {
  // The block itself goes with the tree layer's part of the node, after its owned objects.
  if (TExtras* extras = ExtrasIfAny()) {
    CallUserDataHandlers(UDO_NODE_DELETED, nullptr, nullptr);
    extras->UserData.clear();
    extras->ChildNodes.reset();
    extras->SearchLists.reset();
  }
  if (HasKind(KindLeftDocument)) {
    TLeftDocuments& left = LeftDocuments();
    std::lock_guard<std::mutex> guard(left.Lock);
    left.Map.erase(this);
    SetKind(KindLeftDocument, false);
  }
  SetKind(KindDomNode, false);
}

TDomNode::TExtras::TExtras() { Extended = true; }
TDomNode::TExtras::~TExtras() = default;

TDomNode::TExtras& TDomNode::Extras() const {
  if (TExtras* extras = ExtrasIfAny()) return *extras;
  auto extras = std::make_unique<TExtras>();
  if (TSide* side = SideIfAny()) extras->Owned = std::move(side->Owned);
  TExtras& result = *extras;
  ReplaceSide(std::move(extras));
  return result;
}

TDomSearchListCache& TDomNode::SearchLists() {
  TExtras& extras = Extras();
  if (!extras.SearchLists) extras.SearchLists = std::make_unique<TDomSearchListCache>();
  return *extras.SearchLists;
}

void TDomNode::DropSearchLists() {
  if (TExtras* extras = ExtrasIfAny()) extras->SearchLists.reset();
}

// ---------------------------------------------------------------------------------------------
// Names, values and navigation

WideString TDomNode::nodeName() const { return {}; }

void TDomNode::CheckTypeAllowed(const TDomNode* node) const {
  if (node == nullptr) return;
  unsigned type = node->nodeType();
  if (type <= 15 && ((AllowedChildTypes_ >> type) & 1u) != 0) return;
  throw EHierarchy_Request_Err(Format("Nodes of type %s are not allowed as children of nodes of type %s",
                                      {std::string(node->ClassName()), std::string(ClassName())}));
}

std::int64_t TDomNode::DocumentOrder() const {
  // Counts the nodes before this one in document order by stepping back one node at a time
  // (the previous sibling's last descendant, else the parent) until the document is reached.
  std::int64_t steps = 0;
  const TDomNode* node = this;
  while (node->nodeType() != ntDocumentNode) {
    const TDomNode* previous = node->previousSibling();
    if (previous != nullptr) {
      while (previous->lastChild() != nullptr) previous = previous->lastChild();
      node = previous;
    } else {
      node = node->parentNode();
      if (node == nullptr) return -1;
    }
    ++steps;
  }
  return steps;
}

TDomNamedNodeMap* TDomNode::attributes() const { return nullptr; }

WideString TDomNode::baseURI() const {
  // Relative xml:base values met on the way up, innermost first; they are resolved from the
  // outermost down once an absolute base (or none) has been found.
  std::vector<WideString> pending;
  WideString base;
  const TDomNode* node = this;
  while (node != nullptr) {
    TDomNodeType type = node->nodeType();
    if (type == ntElementNode) {
      const TDomAttr* xmlBase = XmlAttributeOf(static_cast<const TDomElement*>(node), u"base");
      if (xmlBase != nullptr) {
        WideString value = xmlBase->nodeValue();
        if (UriHasScheme(value)) {
          base = value;
          break;
        }
        pending.push_back(value);
      }
      node = node->parentNode();
    } else if (type == ntAttributeNode) {
      const TDomElement* element = static_cast<const TDomAttr*>(node)->ownerElement();
      if (element == nullptr) break;
      if (IsXmlAttribute(static_cast<const TDomAttr*>(node), u"base"))
        node = element->parentNode();
      else
        node = element;
    } else if (type == ntTextNode || type == ntCDATASectionNode || type == ntEntityReferenceNode ||
               type == ntProcessingInstructionNode || type == ntCommentNode ||
               type == ntDocumentTypeDeclNode) {
      node = node->parentNode();
    } else if (type == ntDocumentNode) {
      base = node->baseURI();
      break;
    } else {
      break;
    }
  }
  for (auto it = pending.rbegin(); it != pending.rend(); ++it) base = ResolveUriReference(*it, base);
  return base;
}

// Made on first use: most nodes a parse builds are never asked for their child list, and
// one list object per node would double the allocations of a large document.
TDomNodeList* TDomNode::childNodes() const {
  TExtras& extras = Extras();
  if (!extras.ChildNodes) extras.ChildNodes = std::make_unique<TDomNodeList>(this);
  return extras.ChildNodes.get();
}

TDomCustomDocument* TDomNode::ownerDocument() const { return DocumentOwner(); }

WideString TDomNode::XPathName() const { return {}; }

TDomNode* TDomNode::firstChild() const { return AsDomNode(FirstChild()); }

WideString TDomNode::Language() const {
  const TDomNode* node = this;
  while (node != nullptr) {
    switch (node->nodeType()) {
      case ntElementNode: {
        const TDomAttr* lang = XmlAttributeOf(static_cast<const TDomElement*>(node), u"lang");
        if (lang != nullptr) return lang->nodeValue();
        node = node->parentNode();
        break;
      }
      case ntAttributeNode:
      case ntXPathNamespaceNode:
        node = OwnerElementOf(node);
        break;
      case ntTextNode:
      case ntCDATASectionNode:
      case ntEntityReferenceNode:
      case ntProcessingInstructionNode:
      case ntCommentNode:
        node = node->parentNode();
        break;
      default:
        return {};
    }
  }
  return {};
}

TDomNode* TDomNode::lastChild() const { return AsDomNode(LastChild()); }

std::int64_t TDomNode::Level() const {
  std::int64_t level = 0;
  const TDomNode* node = this;
  while (node->nodeType() != ntDocumentNode) {
    node = node->parentNode();
    if (node == nullptr) return -1;
    ++level;
  }
  return level;
}

WideString TDomNode::localName() const { return {}; }
WideString TDomNode::namespaceURI() const { return {}; }
TDomNode* TDomNode::nextSibling() const { return AsDomNode(NextSibling()); }
WideString TDomNode::nodeValue() const {
  if (const TSharedText* field = const_cast<TDomNode*>(this)->ValueField()) return field->Str();
  const TExtras* extras = ExtrasIfAny();
  return extras != nullptr ? extras->Value.Str() : WideString();
}
TDomNodeType TDomNode::nodeType() const { return ntUnknown; }
TDomNode* TDomNode::parentNode() const { return AsDomNode(Parent()); }
TDomNode* TDomNode::previousSibling() const { return AsDomNode(PreviousSibling()); }
WideString TDomNode::prefix() const { return {}; }
TDomCustomDocument* TDomNode::ReferenceDocument() const { return DocumentOwner(); }

WideString TDomNode::textContent() const {
  TDomNodeType type = nodeType();
  if (type == ntAttributeNode || type == ntTextNode || type == ntCDATASectionNode ||
      type == ntProcessingInstructionNode || type == ntCommentNode)
    return nodeValue();
  if (type != ntElementNode && type != ntEntityReferenceNode && type != ntDocumentFragmentNode) return {};
  // Pre-order walk: text and CDATA contribute their data, elements, entity references and
  // fragments their children; every other kind of node adds nothing and is not entered.
  WideString text;
  const TDomNode* node = firstChild();
  while (node != nullptr) {
    TDomNodeType t = node->nodeType();
    bool container = t == ntElementNode || t == ntEntityReferenceNode || t == ntDocumentFragmentNode;
    if (t == ntTextNode || t == ntCDATASectionNode) text += node->nodeValue();
    node = NextInSubtree(node, this, container);
  }
  return text;
}

WideString TDomNode::XPathStringValue() const {
  switch (nodeType()) {
    case ntElementNode:
      return textContent();
    case ntAttributeNode:
    case ntTextNode:
    case ntProcessingInstructionNode:
    case ntCommentNode:
      return nodeValue();
    case ntDocumentNode: {
      const TDomElement* root = static_cast<const TDomCustomDocument*>(this)->documentElement();
      return root != nullptr ? root->textContent() : WideString();
    }
    case ntXPathNamespaceNode:
      return namespaceURI();
    default:
      return {};
  }
}

void TDomNode::setNodeValue(const WideString& value) {
  if (IsReadOnly()) throw ENo_Modification_Allowed_Err(DomMessages::NoModificationAllowed);
  if (TSharedText* field = ValueField())
    field->Assign(value);
  else
    Extras().Value.Assign(value);
}

void TDomNode::setPrefix(const WideString& /*value*/) {
  if (IsReadOnly()) throw ENo_Modification_Allowed_Err(DomMessages::NoModificationAllowed);
}

// ---------------------------------------------------------------------------------------------
// Tree edits

bool TDomNode::OwnerCheckPasses(const TDomNode* node) const {
  return node->GetOwner() == GetOwner() || node->GetOwner() == this;
}

// A fragment's children may only move when this node is outside the fragment (moving them
// into the fragment itself would never empty it), both ends are writable, and every child is
// allowed here; all of this is settled before the first child moves.
void TDomNode::CheckFragmentMove(const TDomNode* fragment) const {
  if (fragment == this || HasAncestor(fragment)) ThrowHierarchy();
  if (IsReadOnly() || fragment->IsReadOnly()) ThrowNoModification();
  for (const TDomNode* child = fragment->firstChild(); child != nullptr; child = child->nextSibling())
    CheckTypeAllowed(child);
}

TDomNode* TDomNode::appendChild(TDomNode* node) {
  CheckTypeAllowed(node);
  if (node == nullptr || node->nodeType() != ntDocumentFragmentNode) {
    AppendNode(node);
    return node;
  }
  if (!OwnerCheckPasses(node)) ThrowWrongOwner();
  CheckFragmentMove(node);
  while (node->HasChildren()) AppendNode(node->FirstChild());
  return node;
}

TDomNode* TDomNode::insertBefore(TDomNode* node, TDomNode* refNode) {
  CheckTypeAllowed(node);
  if (node == nullptr || node->nodeType() != ntDocumentFragmentNode) {
    InsertNode(node, refNode);
    return node;
  }
  return InsertFragmentBefore(node, refNode);
}

TDomNode* TDomNode::InsertFragmentBefore(TDomNode* fragment, TDomNode* refNode) {
  if (!OwnerCheckPasses(fragment)) ThrowWrongOwner();
  if (fragment == refNode) ThrowHierarchy();
  CheckFragmentMove(fragment);
  if (refNode != nullptr && IndexOfChild(refNode) < 0) ThrowNotFound();
  while (fragment->HasChildren()) insertBefore(fragment->firstChild(), refNode);
  return fragment;
}

TDomNode* TDomNode::removeChild(TDomNode* node) {
  RemoveNode(node);
  return node;
}

TDomNode* TDomNode::replaceChild(TDomNode* newNode, TDomNode* oldNode) {
  CheckTypeAllowed(newNode);
  if (newNode == nullptr || newNode->nodeType() != ntDocumentFragmentNode) {
    ReplaceNode(newNode, oldNode);
    return oldNode;
  }
  if (!OwnerCheckPasses(newNode)) ThrowWrongOwner();
  if (oldNode == nullptr || IndexOfChild(oldNode) < 0) ThrowNotFound();
  CheckFragmentMove(newNode);
  if (!newNode->HasChildren()) return removeChild(oldNode);
  TDomNode* last = newNode->lastChild();
  replaceChild(last, oldNode);
  while (newNode->HasChildren()) insertBefore(newNode->firstChild(), last);
  return oldNode;
}

TDomNode* TDomNode::cloneNode(bool deep) {
  TDomCustomDocument* document = ReferenceDocument();
  if (document == nullptr) return nullptr;
  TDomNode* copy = document->CopyNode(this, deep);
  if (copy != nullptr) CallUserDataHandlers(UDO_NODE_CLONED, this, copy);
  return copy;
}

std::uint16_t TDomNode::compareDocumentPosition(const TDomNode* node) const {
  if (node == nullptr) throw ENot_Supported_Err(DomMessages::NotSupported);
  if (node == this) return 72;
  // Chains from the root down; attributes and namespace nodes hang from their element.
  auto chainOf = [](const TDomNode* n) {
    std::vector<const TDomNode*> chain;
    while (n != nullptr) {
      chain.push_back(n);
      const TDomNode* up = OwnerElementOf(n);
      n = up != nullptr ? up : n->parentNode();
    }
    std::reverse(chain.begin(), chain.end());
    return chain;
  };
  std::vector<const TDomNode*> mine = chainOf(this);
  std::vector<const TDomNode*> theirs = chainOf(node);
  if (mine.front() != theirs.front()) return 4;
  std::size_t i = 0;
  while (i < mine.size() && i < theirs.size() && mine[i] == theirs[i]) ++i;
  if (i == theirs.size()) return 34;
  if (i == mine.size()) return 17;
  const TDomNode* a = mine[i];
  const TDomNode* b = theirs[i];
  auto rank = [](const TDomNode* n) {
    if (n->nodeType() == ntXPathNamespaceNode) return 0;
    if (n->nodeType() == ntAttributeNode) return 1;
    return 2;
  };
  if (rank(a) != rank(b)) return rank(a) < rank(b) ? 16 : 32;
  if (rank(a) < 2) return 8;
  for (const TDomNode* s = a->nextSibling(); s != nullptr; s = s->nextSibling())
    if (s == b) return 16;
  return 32;
}

bool TDomNode::EvaluateToBoolean(const WideString&) { throw ENot_Supported_Err(DomMessages::NotSupported); }
double TDomNode::EvaluateToNumber(const WideString&) { throw ENot_Supported_Err(DomMessages::NotSupported); }
TDomNode* TDomNode::EvaluateToNode(const WideString&) { throw ENot_Supported_Err(DomMessages::NotSupported); }
WideString TDomNode::EvaluateToString(const WideString&) { throw ENot_Supported_Err(DomMessages::NotSupported); }

// ---------------------------------------------------------------------------------------------
// Element searches

namespace {

TDomElement* AsElement(const TDomNode* node) {
  return node != nullptr && node->nodeType() == ntElementNode
             ? static_cast<TDomElement*>(const_cast<TDomNode*>(node))
             : nullptr;
}

bool NameMatches(const TDomNode* node, const WideString& name) { return node->nodeName() == name; }

bool NsMatches(const TDomNode* node, const WideString& namespaceURI, const WideString& localName) {
  return node->namespaceURI() == namespaceURI && node->localName() == localName;
}

template <typename Step, typename Accept>
TDomElement* Search(const TDomNode* start, Step step, Accept accept) {
  for (const TDomNode* n = start; n != nullptr; n = step(n))
    if (TDomElement* e = AsElement(n); e != nullptr && accept(e)) return e;
  return nullptr;
}

const auto kNext = [](const TDomNode* n) { return n->nextSibling(); };
const auto kPrevious = [](const TDomNode* n) { return n->previousSibling(); };
const auto kParent = [](const TDomNode* n) { return n->parentNode(); };
const auto kAny = [](const TDomElement*) { return true; };

}  // namespace

TDomElement* TDomNode::FindFirstChildElement() const { return Search(firstChild(), kNext, kAny); }
TDomElement* TDomNode::FindLastChildElement() const { return Search(lastChild(), kPrevious, kAny); }
TDomElement* TDomNode::FindNextSiblingElement() const { return Search(nextSibling(), kNext, kAny); }
TDomElement* TDomNode::FindParentElement() const { return Search(parentNode(), kParent, kAny); }
TDomElement* TDomNode::FindPreviousSiblingElement() const { return Search(previousSibling(), kPrevious, kAny); }

#define EARMARK_NAMED_SEARCH(Operation, Start, Step)                                                  \
  TDomElement* TDomNode::Operation(const WideString& name) const {                                    \
    return Search(Start, Step, [&](const TDomElement* e) { return NameMatches(e, name); });           \
  }                                                                                                   \
  TDomElement* TDomNode::Operation(const WideString& namespaceURI, const WideString& localName) const { \
    return Search(Start, Step, [&](const TDomElement* e) { return NsMatches(e, namespaceURI, localName); }); \
  }

EARMARK_NAMED_SEARCH(FindFirstChildElement, firstChild(), kNext)
EARMARK_NAMED_SEARCH(FindLastChildElement, lastChild(), kPrevious)
EARMARK_NAMED_SEARCH(FindNextSiblingElement, nextSibling(), kNext)
EARMARK_NAMED_SEARCH(FindParentElement, parentNode(), kParent)
EARMARK_NAMED_SEARCH(FindPreviousSiblingElement, previousSibling(), kPrevious)
#undef EARMARK_NAMED_SEARCH

// ---------------------------------------------------------------------------------------------
// User data

std::int64_t TDomNode::UserDataIndex(const WideString& key) const {
  const TExtras* extras = ExtrasIfAny();
  if (extras == nullptr) return -1;
  const std::vector<UserDataEntry>& entries = extras->UserData;
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (entries[i].Key == key) return static_cast<std::int64_t>(i);
  return -1;
}

void* TDomNode::getUserData(const WideString& key) const {
  std::int64_t i = UserDataIndex(key);
  return i < 0 ? nullptr : ExtrasIfAny()->UserData[static_cast<std::size_t>(i)].Data;
}

void* TDomNode::setUserData(const WideString& key, void* data, const TDomUserDataHandler& handler) {
  std::int64_t i = UserDataIndex(key);
  if (data == nullptr) {
    if (i < 0) return nullptr;
    std::vector<UserDataEntry>& entries = ExtrasIfAny()->UserData;
    void* previous = entries[static_cast<std::size_t>(i)].Data;
    entries.erase(entries.begin() + i);
    if (entries.empty()) entries.shrink_to_fit();
    return previous;
  }
  if (i >= 0) {
    UserDataEntry& entry = ExtrasIfAny()->UserData[static_cast<std::size_t>(i)];
    void* previous = entry.Data;
    entry.Data = data;
    entry.Handler = handler;
    return previous;
  }
  Extras().UserData.push_back({key, data, handler});
  return nullptr;
}

void TDomNode::CallUserDataHandlers(TDomUserDataOperation operation, TDomNode* source, TDomNode* destination) {
  const TExtras* extras = ExtrasIfAny();
  if (extras == nullptr || extras->UserData.empty()) return;
  // A copy, so that a handler that changes this node's user data cannot upset the walk.
  std::vector<UserDataEntry> entries = extras->UserData;
  for (const UserDataEntry& entry : entries)
    if (entry.Handler) entry.Handler(operation, entry.Key, entry.Data, source, destination);
}

// ---------------------------------------------------------------------------------------------
// Remaining operations

bool TDomNode::IsAncestor(const TDomNode* node) const { return HasAncestor(node); }

bool TDomNode::hasAttributes() const {
  const TDomNamedNodeMap* map = attributes();
  return map != nullptr && map->getLength() > 0;
}

bool TDomNode::hasChildNodes() const { return HasChildren(); }

WideString TDomNode::lookupNamespaceURI(const WideString& prefix) const {
  if (prefix == u"xml") return XmlNamespaceName;
  if (prefix == u"xmlns") return XmlnsNamespaceName;
  return {};
}

void TDomNode::normalize() { NormalizeSubtree(); }

void TDomNode::NormalizeSubtree() {
  // One frame per node being normalised. Elements walk their children from the last to the
  // first, merging a text child into the text child before it; other nodes normalise their
  // children first to last. A child is normalised completely before its frame moves on, in
  // the order a nested call would take.
  struct Frame {
    TDomNode* Node;
    bool Element;
    TDomNode* Current;     // the child to look at next
    TDomNode* Remembered;  // elements: the child visited just before (the one after Current)
    TDomNode* Entered;     // the child whose own frame is on the stack above
  };
  auto frameFor = [](TDomNode* n) {
    bool element = n->nodeType() == ntElementNode;
    return Frame{n, element, element ? n->lastChild() : n->firstChild(), nullptr, nullptr};
  };
  std::vector<Frame> stack;
  stack.push_back(frameFor(this));
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.Entered != nullptr) {
      TDomNode* done = frame.Entered;
      frame.Entered = nullptr;
      if (frame.Element) {
        frame.Remembered = done;
        frame.Current = done->previousSibling();
      } else {
        frame.Current = done->nextSibling();
      }
    }
    TDomNode* current = frame.Current;
    if (current == nullptr) {
      TDomNode* finished = frame.Node;
      stack.pop_back();
      if (finished->nodeType() == ntElementNode) {
        TDomNamedNodeMap* map = finished->attributes();
        for (int i = 0; map != nullptr && i < map->getLength(); ++i) map->item(i)->normalize();
      }
      continue;
    }
    if (!frame.Element) {
      frame.Entered = current;
      stack.push_back(frameFor(current));
      continue;
    }
    TDomNode* previous = current->previousSibling();
    if (current->nodeType() == ntTextNode) {
      TDomNode* remembered = frame.Remembered;
      if (remembered != nullptr && remembered->nodeType() == ntTextNode) {
        auto* text = static_cast<TDomText*>(current);
        auto* next = static_cast<TDomText*>(remembered);
        text->appendData(next->data());
        if (next->IsCharRef()) text->SetCharRef(true);
        Free(next);
      }
      frame.Remembered = current;
      frame.Current = previous;
      continue;
    }
    frame.Entered = current;
    stack.push_back(frameFor(current));
  }
}

bool TDomNode::isSupported(const WideString& feature, const WideString& version) const {
  return AsciiEqualsIgnoreCase(feature, "XML") && (version == u"1.0" || version == u"2.0" || version.empty());
}

// ---------------------------------------------------------------------------------------------
// Change notifications

void TDomNode::DoAfterInsertion(TCustomOwnedNode* node) {
  if (TDomCustomDocument* document = ReferenceDocument()) document->DoNodeInserted(AsDomNode(node));
}

void TDomNode::DoBeforeRemoval(TCustomOwnedNode* node) {
  if (TDomCustomDocument* document = ReferenceDocument()) document->DoNodeRemoving(AsDomNode(node));
}

void TDomNode::DoBeforeClear() {
  if (TDomCustomDocument* document = ReferenceDocument()) document->DoNodeClearing(this);
}
