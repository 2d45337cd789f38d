// Tree walkers and node iterators: two ways of stepping through the subtree below a root,
// showing only the nodes whose type is in a set and that a filter accepts. A walker moves
// freely (parent, children, siblings); an iterator steps forwards and backwards in document
// order and stays valid while nodes around it are removed. Both are made and destroyed by
// their document.
#pragma once

#include "dom/DomCore.h"

#include <cstdint>

enum TDomFilterResult : std::uint8_t {
  filter_accept = 1,
  filter_reject = 2,  // the node and, for a walker, its subtree are left out
  filter_skip = 3,    // the node is left out, its children are still visited
};

// The application's filter; not owned by the walkers and iterators that use it.
class TDomNodeFilter {
public:
  virtual ~TDomNodeFilter() = default;
  virtual TDomFilterResult acceptNode(TDomNode* node) = 0;
};

// Bit n of a shown set stands for node type code n.
inline constexpr std::uint16_t SHOW_ALL = 0xFFFF;
constexpr std::uint16_t ShowBit(TDomNodeType type) { return static_cast<std::uint16_t>(1u << type); }

// What walkers and iterators share: the root, the shown set, the filter and whether the
// children of entity references are visited.
class TDomTraversalBase {
public:
  TDomTraversalBase(TDomNode* root, std::uint16_t whatToShow, TDomNodeFilter* filter,
                    bool expandEntityReferences);
  virtual ~TDomTraversalBase() = default;
  TDomTraversalBase(const TDomTraversalBase&) = delete;
  TDomTraversalBase& operator=(const TDomTraversalBase&) = delete;

  TDomNode* root() const { return Root_; }
  std::uint16_t whatToShow() const { return WhatToShow_; }
  TDomNodeFilter* filter() const { return Filter_; }
  bool expandEntityReferences() const { return ExpandEntityReferences_; }

protected:
  TDomFilterResult Accept(TDomNode* node) const;
  // The first or last child the traversal may enter (none below an unexpanded reference).
  TDomNode* FirstChildOf(const TDomNode* node) const;
  TDomNode* LastChildOf(const TDomNode* node) const;
  // The next or previous node of a pre-order walk that stays inside the root's subtree.
  TDomNode* Following(TDomNode* node) const;
  TDomNode* Preceding(TDomNode* node) const;

  TDomNode* Root_;

private:
  std::uint16_t WhatToShow_;
  TDomNodeFilter* Filter_;
  bool ExpandEntityReferences_;
};

class TDomTreeWalker : public TDomTraversalBase {
public:
  // Raises ENot_Supported_Err without a root.
  TDomTreeWalker(TDomNode* root, std::uint16_t whatToShow, TDomNodeFilter* filter, bool expandEntityReferences);

  TDomNode* currentNode() const { return Current_; }
  // Both raise ENot_Supported_Err for none.
  void setCurrentNode(TDomNode* node);
  void setRoot(TDomNode* node);

  TDomNode* parentNode();
  TDomNode* firstChild();
  TDomNode* lastChild();
  TDomNode* previousSibling();
  TDomNode* nextSibling();
  TDomNode* previousNode();
  TDomNode* nextNode();

private:
  TDomNode* TraverseChildren(bool first);
  TDomNode* TraverseSiblings(bool next);

  TDomNode* Current_;
};

class TDomNodeIterator : public TDomTraversalBase {
public:
  // Raises ENot_Supported_Err without a root.
  TDomNodeIterator(TDomNode* root, std::uint16_t whatToShow, TDomNodeFilter* filter, bool expandEntityReferences);

  // Both raise EInvalid_State_Err once the iterator is detached.
  TDomNode* nextNode();
  TDomNode* previousNode();
  void detach();

  bool IsDetached() const { return Invalid_; }
  TDomNode* referenceNode() const { return Reference_; }
  bool pointerBeforeReferenceNode() const { return PointerBeforeReference_; }

  // Told by the document before `node` leaves the tree (isRemoval) or loses its children
  // (clearing), so that the reference node is moved off the vanishing part.
  void HandleNodeEvent(TDomNode* node, bool isRemoval);

private:
  TDomNode* Reference_;
  bool PointerBeforeReference_ = true;
  bool Invalid_ = false;
};
