#include "dom/DomTraversal.h"

namespace {

[[noreturn]] void ThrowNotSupported() { throw ENot_Supported_Err(DomMessages::NotSupported); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// TDomTraversalBase

TDomTraversalBase::TDomTraversalBase(TDomNode* root, std::uint16_t whatToShow, TDomNodeFilter* filter,
                                     bool expandEntityReferences)
    : Root_(root), WhatToShow_(whatToShow), Filter_(filter), ExpandEntityReferences_(expandEntityReferences) {
  if (root == nullptr) ThrowNotSupported();
}

TDomFilterResult TDomTraversalBase::Accept(TDomNode* node) const {
  const unsigned type = node->nodeType();
  if (type > 15 || ((WhatToShow_ >> type) & 1u) == 0) return filter_skip;
  return Filter_ != nullptr ? Filter_->acceptNode(node) : filter_accept;
}

TDomNode* TDomTraversalBase::FirstChildOf(const TDomNode* node) const {
  if (!ExpandEntityReferences_ && node->nodeType() == ntEntityReferenceNode) return nullptr;
  return node->firstChild();
}

TDomNode* TDomTraversalBase::LastChildOf(const TDomNode* node) const {
  if (!ExpandEntityReferences_ && node->nodeType() == ntEntityReferenceNode) return nullptr;
  return node->lastChild();
}

TDomNode* TDomTraversalBase::Following(TDomNode* node) const {
  if (TDomNode* child = FirstChildOf(node)) return child;
  while (node != nullptr && node != Root_) {
    if (TDomNode* sibling = node->nextSibling()) return sibling;
    node = node->parentNode();
  }
  return nullptr;
}

TDomNode* TDomTraversalBase::Preceding(TDomNode* node) const {
  if (node == Root_) return nullptr;
  TDomNode* sibling = node->previousSibling();
  if (sibling == nullptr) return node->parentNode();
  while (TDomNode* last = LastChildOf(sibling)) sibling = last;
  return sibling;
}

// ---------------------------------------------------------------------------------------------
// TDomTreeWalker: the moves follow the W3C traversal rules; a rejected node hides its
// subtree, a skipped one only itself.

TDomTreeWalker::TDomTreeWalker(TDomNode* root, std::uint16_t whatToShow, TDomNodeFilter* filter,
                               bool expandEntityReferences)
    : TDomTraversalBase(root, whatToShow, filter, expandEntityReferences), Current_(root) {}

void TDomTreeWalker::setCurrentNode(TDomNode* node) {
  if (node == nullptr) ThrowNotSupported();
  Current_ = node;
}

void TDomTreeWalker::setRoot(TDomNode* node) {
  if (node == nullptr) ThrowNotSupported();
  Root_ = node;
}

TDomNode* TDomTreeWalker::parentNode() {
  TDomNode* node = Current_;
  while (node != nullptr && node != Root_) {
    node = node->parentNode();
    if (node != nullptr && Accept(node) == filter_accept) {
      Current_ = node;
      return node;
    }
  }
  return nullptr;
}

TDomNode* TDomTreeWalker::TraverseChildren(bool first) {
  TDomNode* node = first ? FirstChildOf(Current_) : LastChildOf(Current_);
  while (node != nullptr) {
    const TDomFilterResult result = Accept(node);
    if (result == filter_accept) {
      Current_ = node;
      return node;
    }
    if (result == filter_skip) {
      if (TDomNode* child = first ? FirstChildOf(node) : LastChildOf(node)) {
        node = child;
        continue;
      }
    }
    while (node != nullptr) {
      if (TDomNode* sibling = first ? node->nextSibling() : node->previousSibling()) {
        node = sibling;
        break;
      }
      TDomNode* parent = node->parentNode();
      if (parent == nullptr || parent == Root_ || parent == Current_) return nullptr;
      node = parent;
    }
  }
  return nullptr;
}

TDomNode* TDomTreeWalker::firstChild() { return TraverseChildren(true); }
TDomNode* TDomTreeWalker::lastChild() { return TraverseChildren(false); }

TDomNode* TDomTreeWalker::TraverseSiblings(bool next) {
  TDomNode* node = Current_;
  if (node == Root_) return nullptr;
  for (;;) {
    TDomNode* sibling = next ? node->nextSibling() : node->previousSibling();
    while (sibling != nullptr) {
      node = sibling;
      const TDomFilterResult result = Accept(node);
      if (result == filter_accept) {
        Current_ = node;
        return node;
      }
      sibling = next ? FirstChildOf(node) : LastChildOf(node);
      if (result == filter_reject || sibling == nullptr)
        sibling = next ? node->nextSibling() : node->previousSibling();
    }
    node = node->parentNode();
    if (node == nullptr || node == Root_) return nullptr;
    if (Accept(node) == filter_accept) return nullptr;
  }
}

TDomNode* TDomTreeWalker::nextSibling() { return TraverseSiblings(true); }
TDomNode* TDomTreeWalker::previousSibling() { return TraverseSiblings(false); }

TDomNode* TDomTreeWalker::previousNode() {
  TDomNode* node = Current_;
  while (node != Root_) {
    TDomNode* sibling = node->previousSibling();
    while (sibling != nullptr) {
      node = sibling;
      TDomFilterResult result = Accept(node);
      while (result != filter_reject) {
        TDomNode* last = LastChildOf(node);
        if (last == nullptr) break;
        node = last;
        result = Accept(node);
      }
      if (result == filter_accept) {
        Current_ = node;
        return node;
      }
      sibling = node->previousSibling();
    }
    if (node == Root_ || node->parentNode() == nullptr) return nullptr;
    node = node->parentNode();
    if (Accept(node) == filter_accept) {
      Current_ = node;
      return node;
    }
  }
  return nullptr;
}

TDomNode* TDomTreeWalker::nextNode() {
  TDomNode* node = Current_;
  TDomFilterResult result = filter_accept;
  for (;;) {
    while (result != filter_reject) {
      TDomNode* child = FirstChildOf(node);
      if (child == nullptr) break;
      node = child;
      result = Accept(node);
      if (result == filter_accept) {
        Current_ = node;
        return node;
      }
    }
    TDomNode* sibling = nullptr;
    for (TDomNode* up = node; up != nullptr; up = up->parentNode()) {
      if (up == Root_) return nullptr;
      sibling = up->nextSibling();
      if (sibling != nullptr) break;
    }
    if (sibling == nullptr) return nullptr;
    node = sibling;
    result = Accept(node);
    if (result == filter_accept) {
      Current_ = node;
      return node;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// TDomNodeIterator: a reference node and whether the iterator stands before or after it.

TDomNodeIterator::TDomNodeIterator(TDomNode* root, std::uint16_t whatToShow, TDomNodeFilter* filter,
                                   bool expandEntityReferences)
    : TDomTraversalBase(root, whatToShow, filter, expandEntityReferences), Reference_(root) {}

TDomNode* TDomNodeIterator::nextNode() {
  if (Invalid_) throw EInvalid_State_Err("Invalid state error.");
  TDomNode* node = Reference_;
  bool before = PointerBeforeReference_;
  for (;;) {
    if (before) {
      before = false;
    } else {
      node = Following(node);
      if (node == nullptr) return nullptr;
    }
    if (Accept(node) == filter_accept) break;
  }
  Reference_ = node;
  PointerBeforeReference_ = false;
  return node;
}

TDomNode* TDomNodeIterator::previousNode() {
  if (Invalid_) throw EInvalid_State_Err("Invalid state error.");
  TDomNode* node = Reference_;
  bool before = PointerBeforeReference_;
  for (;;) {
    if (!before) {
      before = true;
    } else {
      node = Preceding(node);
      if (node == nullptr) return nullptr;
    }
    if (Accept(node) == filter_accept) break;
  }
  Reference_ = node;
  PointerBeforeReference_ = true;
  return node;
}

void TDomNodeIterator::detach() {
  Reference_ = nullptr;
  Invalid_ = true;
}

void TDomNodeIterator::HandleNodeEvent(TDomNode* node, bool isRemoval) {
  if (Invalid_ || Reference_ == nullptr || node == nullptr) return;
  if (!isRemoval) {
    // The node keeps its place but loses its subtree: stand just after the node itself.
    if (Reference_ != node && Reference_->IsAncestor(node)) {
      Reference_ = node;
      PointerBeforeReference_ = false;
    }
    return;
  }
  if (node == Root_ || (node != Reference_ && !Reference_->IsAncestor(node))) return;
  if (PointerBeforeReference_) {
    // The first node after the removed subtree, if the root's subtree has one.
    TDomNode* next = nullptr;
    for (TDomNode* up = node; up != nullptr && up != Root_; up = up->parentNode()) {
      next = up->nextSibling();
      if (next != nullptr) break;
    }
    if (next != nullptr) {
      Reference_ = next;
      return;
    }
    PointerBeforeReference_ = false;
  }
  TDomNode* previous = node->previousSibling();
  if (previous == nullptr) {
    Reference_ = node->parentNode();
    return;
  }
  while (TDomNode* last = LastChildOf(previous)) previous = last;
  Reference_ = previous;
}
