#include "dom/TreeUtils.h"

#include "platform/Format.h"

#include "platform/SingleThread.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

namespace {

// Destructions started while another one runs wait here; the outermost one frees them.
thread_local int DestroyDepth = 0;
thread_local std::vector<TCustomOwnedObject*> PendingDestruction;

// The child ChildAt or IndexOfChild found last; any change to that parent's children forgets it.
struct TChildPosition {
  const TCustomOwnedNode* Parent = nullptr;
  TCustomOwnedNode* Node = nullptr;
  int Index = 0;
};
thread_local TChildPosition LastChildPosition;

[[noreturn]] void RaiseIndexError(int index) {
  throw EListError(Format("List index out of bounds (%d)", {std::int64_t{index}}));
}

}  // namespace

// ---------------------------------------------------------------- TCustomOwnedObject

// The side blocks of every object that has one. The last block found is remembered: while
// a document is built or torn down, nearly every look-up is for the document's own block.
// Threads share the table.
struct TCustomOwnedObject::TSideTable {
  std::mutex Lock;
  std::unordered_map<const TCustomOwnedObject*, std::unique_ptr<TCustomOwnedObject::TSide>> Map;
  const TCustomOwnedObject* LastKey = nullptr;
  TCustomOwnedObject::TSide* LastSide = nullptr;
};

TCustomOwnedObject::TSideTable& TCustomOwnedObject::SideTable() {
  static TSideTable* table = new TSideTable();  // outlives every static destructor
  return *table;
}

namespace {

// The lock is skipped while the process runs one thread.
std::unique_lock<std::mutex> LockSideTable(std::mutex& mutex) {
  std::unique_lock<std::mutex> lock(mutex, std::defer_lock);
  if (!ProcessIsSingleThreaded()) lock.lock();
  return lock;
}

}  // namespace

TCustomOwnedObject::TCustomOwnedObject(TCustomOwnedObject* owner) {
  if (owner != nullptr) owner->AddOwnedObject(this);
}

TCustomOwnedObject::~TCustomOwnedObject() {
  State_ = TLifeState::Destroying;
  ClearOwnedObjects();
  if (Owner_ != nullptr) Owner_->RemoveOwnedObject(this);
  if (HasKind(KindHasSide)) DropSide();
}

TCustomOwnedObject::TSide* TCustomOwnedObject::FindSide() const {
  TSideTable& table = SideTable();
  const auto lock = LockSideTable(table.Lock);
  if (table.LastKey == this) return table.LastSide;
  const auto found = table.Map.find(this);
  if (found == table.Map.end()) return nullptr;
  table.LastKey = this;
  table.LastSide = found->second.get();
  return table.LastSide;
}

void TCustomOwnedObject::ReplaceSide(std::unique_ptr<TSide> side) const {
  TSideTable& table = SideTable();
  const auto lock = LockSideTable(table.Lock);
  TSide* block = side.get();
  table.Map[this] = std::move(side);
  table.LastKey = this;
  table.LastSide = block;
  const_cast<TCustomOwnedObject*>(this)->SetKind(KindHasSide, true);
}

void TCustomOwnedObject::DropSide() const {
  TSideTable& table = SideTable();
  std::unique_ptr<TSide> block;  // destroyed after the lock is released
  {
    const auto lock = LockSideTable(table.Lock);
    const auto found = table.Map.find(this);
    if (found != table.Map.end()) {
      block = std::move(found->second);
      table.Map.erase(found);
    }
    if (table.LastKey == this) {
      table.LastKey = nullptr;
      table.LastSide = nullptr;
    }
  }
  const_cast<TCustomOwnedObject*>(this)->SetKind(KindHasSide, false);
}

void TCustomOwnedObject::Free(TCustomOwnedObject* object) {
  if (object == nullptr || object->State_ != TLifeState::Alive) return;
  if (DestroyDepth > 0) {
    // Queued before it detaches: a notification sent while it leaves its structures may free
    // it again, which must not queue it a second time.
    object->State_ = TLifeState::Queued;
    object->DetachForDestruction();
    PendingDestruction.push_back(object);
    return;
  }
  ++DestroyDepth;
  object->State_ = TLifeState::Destroying;
  delete object;
  while (!PendingDestruction.empty()) {
    TCustomOwnedObject* next = PendingDestruction.back();
    PendingDestruction.pop_back();
    next->State_ = TLifeState::Destroying;
    delete next;
  }
  --DestroyDepth;
}

void TCustomOwnedObject::DetachForDestruction() {
  if (Owner_ != nullptr) Owner_->RemoveOwnedObject(this);
}

void TCustomOwnedObject::TakeOwnership(TCustomOwnedObject* object) {
  if (object == nullptr || object == this || object->Owner_ == this) return;
  for (const TCustomOwnedObject* o = Owner_; o != nullptr; o = o->Owner_)
    if (o == object) return;
  if (object->Owner_ != nullptr) object->Owner_->RemoveOwnedObject(object);
  AddOwnedObject(object);
}

void TCustomOwnedObject::Clear() { ClearOwnedObjects(); }

void TCustomOwnedObject::DoBeforeAddingOwned(TCustomOwnedObject*) {}

void TCustomOwnedObject::AddOwnedObject(TCustomOwnedObject* object) {
  if (object == nullptr) return;
  DoBeforeAddingOwned(object);
  // An object stands in one owned list only, or two owners would destroy it.
  if (object->Owner_ != nullptr) object->Owner_->RemoveOwnedObject(object);
  TSide* side = SideIfAny();
  if (side == nullptr) {
    auto made = std::make_unique<TSide>();
    side = made.get();
    ReplaceSide(std::move(made));
  }
  if (!side->Owned) side->Owned = std::make_unique<TOwnedList>();
  TOwnedList& owned = *side->Owned;
  object->OwnedSlot_ = static_cast<std::uint32_t>(owned.Items.size());
  owned.Items.push_back(object);
  ++owned.Live;
  object->Owner_ = this;
}

void TCustomOwnedObject::RemoveOwnedObject(TCustomOwnedObject* object) {
  TOwnedList* owned = OwnedList();
  if (object == nullptr || object->Owner_ != this || owned == nullptr) return;
  object->Owner_ = nullptr;
  std::deque<TCustomOwnedObject*>& list = owned->Items;
  list[object->OwnedSlot_] = nullptr;
  const int live = --owned->Live;
  if (live == 0) {
    DropOwnedList();
    return;
  }
  while (list.back() == nullptr) list.pop_back();
  const std::size_t holes = list.size() - static_cast<std::size_t>(live);
  if (holes > 32 && holes > static_cast<std::size_t>(live)) CompactOwned();
}

void TCustomOwnedObject::DropOwnedList() {
  TSide* side = SideIfAny();
  if (side->Extended)
    side->Owned.reset();
  else
    DropSide();
}

void TCustomOwnedObject::CompactOwned() {
  std::deque<TCustomOwnedObject*>& list = OwnedList()->Items;
  std::uint32_t out = 0;
  for (TCustomOwnedObject* object : list) {
    if (object == nullptr) continue;
    object->OwnedSlot_ = out;
    list[out++] = object;
  }
  list.resize(out);
}

TCustomOwnedObject* TCustomOwnedObject::GetOwnedObject(int index) {
  TOwnedList* owned = OwnedList();
  if (owned == nullptr || index < 0 || index >= owned->Live) RaiseIndexError(index);
  if (owned->Items.size() != static_cast<std::size_t>(owned->Live)) CompactOwned();
  return owned->Items[static_cast<std::size_t>(index)];
}

void TCustomOwnedObject::ClearOwnedObjects() {
  // Always the last entry: a destroyed object may take further objects of this list with
  // it, and those leave the list on their own.
  while (TCustomOwnedObject* object = TakeLastOwned()) Free(object);
}

TCustomOwnedObject* TCustomOwnedObject::TakeLastOwned() {
  TOwnedList* owned = OwnedList();
  if (owned == nullptr) return nullptr;
  // The list never ends in a hole, so the last entry is an object; holes before it go with it.
  std::deque<TCustomOwnedObject*>& list = owned->Items;
  TCustomOwnedObject* object = list.back();
  list.pop_back();
  object->Owner_ = nullptr;
  if (--owned->Live == 0) {
    DropOwnedList();
  } else {
    while (list.back() == nullptr) list.pop_back();
  }
  return object;
}

// ---------------------------------------------------------------- TCustomOwnedNode

TCustomOwnedNode::TCustomOwnedNode(TCustomOwnedObject* owner) : TCustomOwnedObject(owner) {}

TCustomOwnedNode::~TCustomOwnedNode() {
  MarkDestroying();
  if (Parent_ != nullptr) Parent_->Unlink(this);
  DestroyOwnedAndChildren();
  ForgetChildPosition();
}

void TCustomOwnedNode::ForgetChildPosition() const {
  if (LastChildPosition.Parent == this) LastChildPosition.Parent = nullptr;
}

void TCustomOwnedNode::DetachForDestruction() {
  if (Parent_ != nullptr) Parent_->Unlink(this);
  TCustomOwnedObject::DetachForDestruction();
}

void TCustomOwnedNode::DestroyOwnedAndChildren() {
  ClearOwnedObjects();
  while (FirstChild_ != nullptr) {
    TCustomOwnedNode* child = FirstChild_->PreviousSibling_;  // the last child
    ForgetChildPosition();
    if (child == FirstChild_) {
      FirstChild_ = nullptr;
    } else {
      TCustomOwnedNode* last = child->PreviousSibling_;
      last->NextSibling_ = nullptr;
      FirstChild_->PreviousSibling_ = last;
    }
    --ChildCount_;
    child->Parent_ = nullptr;
    child->PreviousSibling_ = nullptr;
    Free(child);
  }
}

void TCustomOwnedNode::Clear() {
  if (IsReadOnly()) RaiseTreeError(TTreeError::NoModificationAllowed);
  DoBeforeClear();
  DestroyOwnedAndChildren();
  DoAfterClear();
}

void TCustomOwnedNode::AdoptSubtree(TCustomOwnedNode* node) {
  if (node == nullptr) RaiseTreeError(TTreeError::NotAssigned);
  if (node->Parent_ != nullptr) node->Parent_->RemoveNode(node);
  // Pre-order with an explicit stack: parents before children, children in order.
  std::vector<TCustomOwnedNode*> stack{node};
  while (!stack.empty()) {
    TCustomOwnedNode* current = stack.back();
    stack.pop_back();
    TakeOwnership(current);
    for (TCustomOwnedNode* child = current->LastChild(); child != nullptr; child = child->PreviousSibling())
      stack.push_back(child);
  }
}

bool TCustomOwnedNode::OwnerAllows(const TCustomOwnedNode* node) const {
  return node->GetOwner() == GetOwner() || node->GetOwner() == this;
}

bool TCustomOwnedNode::IsSelfOrAncestor(const TCustomOwnedNode* node) const {
  // A node without children is nobody's ancestor, which keeps appending fresh nodes to a
  // deep tree from walking the whole chain of parents each time.
  return node == this || (node->FirstChild_ != nullptr && HasAncestor(node));
}

TCustomOwnedNode* TCustomOwnedNode::AppendNode(TCustomOwnedNode* node) {
  if (node == nullptr) RaiseTreeError(TTreeError::NotAssigned);
  if (!OwnerAllows(node)) RaiseTreeError(TTreeError::WrongOwner);
  if (IsSelfOrAncestor(node)) RaiseTreeError(TTreeError::HierarchyRequest);
  if (IsReadOnly()) RaiseTreeError(TTreeError::NoModificationAllowed);
  if (node->Parent_ != nullptr && node->Parent_->IsReadOnly())
    RaiseTreeError(TTreeError::NoModificationAllowed);
  DoBeforeInsertion(node);
  Link(node, nullptr);
  DoAfterInsertion(node);
  return node;
}

TCustomOwnedNode* TCustomOwnedNode::InsertNode(TCustomOwnedNode* node,
                                               TCustomOwnedNode* refNode) {
  if (node == nullptr) RaiseTreeError(TTreeError::NotAssigned);
  if (!OwnerAllows(node)) RaiseTreeError(TTreeError::WrongOwner);
  if (IsSelfOrAncestor(node)) RaiseTreeError(TTreeError::HierarchyRequest);
  if (IsReadOnly()) RaiseTreeError(TTreeError::NoModificationAllowed);
  if (node->Parent_ != nullptr && node->Parent_->IsReadOnly())
    RaiseTreeError(TTreeError::NoModificationAllowed);
  if (node == refNode) RaiseTreeError(TTreeError::HierarchyRequest);
  if (refNode != nullptr && refNode->Parent_ != this) RaiseTreeError(TTreeError::NotFound);
  DoBeforeInsertion(node);
  Link(node, refNode);
  DoAfterInsertion(node);
  return node;
}

TCustomOwnedNode* TCustomOwnedNode::RemoveNode(TCustomOwnedNode* node) {
  if (node == nullptr) RaiseTreeError(TTreeError::NotAssigned);
  if (IsReadOnly()) RaiseTreeError(TTreeError::NoModificationAllowed);
  if (node->Parent_ != this) RaiseTreeError(TTreeError::NotFound);
  DoBeforeRemoval(node);
  Unlink(node);
  DoAfterRemoval(node);
  return node;
}

TCustomOwnedNode* TCustomOwnedNode::ReplaceNode(TCustomOwnedNode* newNode,
                                                TCustomOwnedNode* oldNode) {
  if (newNode == nullptr || oldNode == nullptr) RaiseTreeError(TTreeError::NotAssigned);
  if (!OwnerAllows(newNode)) RaiseTreeError(TTreeError::WrongOwner);
  if (IsSelfOrAncestor(newNode)) RaiseTreeError(TTreeError::HierarchyRequest);
  if (IsReadOnly()) RaiseTreeError(TTreeError::NoModificationAllowed);
  if (newNode->Parent_ != nullptr && newNode->Parent_->IsReadOnly())
    RaiseTreeError(TTreeError::NoModificationAllowed);
  if (oldNode->Parent_ != this) RaiseTreeError(TTreeError::NotFound);
  if (newNode == oldNode) return oldNode;
  if (newNode->Parent_ != nullptr) {
    DoBeforeRemoval(newNode);
    newNode->Parent_->Unlink(newNode);
    DoAfterRemoval(newNode);
  }
  TCustomOwnedNode* before = oldNode->NextSibling_;
  DoBeforeRemoval(oldNode);
  Unlink(oldNode);
  DoAfterRemoval(oldNode);
  DoBeforeInsertion(newNode);
  Link(newNode, before);
  DoAfterInsertion(newNode);
  return oldNode;
}

void TCustomOwnedNode::Link(TCustomOwnedNode* node, TCustomOwnedNode* refNode) {
  if (node->Parent_ != nullptr) node->Parent_->Unlink(node);
  ForgetChildPosition();
  if (refNode != nullptr) {
    // Before the first child the new node takes over the link to the last one.
    node->NextSibling_ = refNode;
    node->PreviousSibling_ = refNode->PreviousSibling_;
    refNode->PreviousSibling_ = node;
    if (refNode == FirstChild_)
      FirstChild_ = node;
    else
      node->PreviousSibling_->NextSibling_ = node;
  } else if (FirstChild_ == nullptr) {
    node->NextSibling_ = nullptr;
    node->PreviousSibling_ = node;
    FirstChild_ = node;
  } else {
    TCustomOwnedNode* last = FirstChild_->PreviousSibling_;
    node->NextSibling_ = nullptr;
    node->PreviousSibling_ = last;
    last->NextSibling_ = node;
    FirstChild_->PreviousSibling_ = node;
  }
  ++ChildCount_;
  node->Parent_ = this;
}

void TCustomOwnedNode::Unlink(TCustomOwnedNode* node) {
  if (node == nullptr || node->Parent_ != this) return;
  ForgetChildPosition();
  TCustomOwnedNode* next = node->NextSibling_;
  if (node == FirstChild_) {
    // The next child becomes the first and takes over the link to the last one.
    FirstChild_ = next;
    if (next != nullptr) next->PreviousSibling_ = node->PreviousSibling_;
  } else {
    TCustomOwnedNode* previous = node->PreviousSibling_;
    previous->NextSibling_ = next;
    if (next != nullptr)
      next->PreviousSibling_ = previous;
    else
      FirstChild_->PreviousSibling_ = previous;
  }
  --ChildCount_;
  node->Parent_ = nullptr;
  node->PreviousSibling_ = nullptr;
  node->NextSibling_ = nullptr;
}

void TCustomOwnedNode::DoAfterInsertion(TCustomOwnedNode*) {}
void TCustomOwnedNode::DoAfterClear() {}
void TCustomOwnedNode::DoAfterRemoval(TCustomOwnedNode*) {}
void TCustomOwnedNode::DoBeforeInsertion(TCustomOwnedNode*) {}
void TCustomOwnedNode::DoBeforeClear() {}
void TCustomOwnedNode::DoBeforeRemoval(TCustomOwnedNode*) {}

int TCustomOwnedNode::ChildCount() const { return ChildCount_; }

TCustomOwnedNode* TCustomOwnedNode::FirstChild() const { return FirstChild_; }

TCustomOwnedNode* TCustomOwnedNode::LastChild() const {
  return FirstChild_ != nullptr ? FirstChild_->PreviousSibling_ : nullptr;
}

TCustomOwnedNode* TCustomOwnedNode::NextSibling() const { return NextSibling_; }
TCustomOwnedNode* TCustomOwnedNode::Parent() const { return Parent_; }
TCustomOwnedNode* TCustomOwnedNode::PreviousSibling() const {
  return Parent_ == nullptr || Parent_->FirstChild_ == this ? nullptr : PreviousSibling_;
}
bool TCustomOwnedNode::IsReadOnly() const { return ReadOnly_; }

bool TCustomOwnedNode::HasAncestor(const TCustomOwnedNode* node) const {
  for (const TCustomOwnedNode* p = Parent_; p != nullptr; p = p->Parent_)
    if (p == node) return true;
  return false;
}

bool TCustomOwnedNode::HasChildren() const { return FirstChild_ != nullptr; }

int TCustomOwnedNode::IndexOfChild(const TCustomOwnedNode* node) const {
  if (node == nullptr || node->Parent_ != this) return -1;
  if (LastChildPosition.Parent == this && LastChildPosition.Node == node) return LastChildPosition.Index;
  // Walk from the node towards both ends at once: edits happen mostly near the first or the
  // last child, and whichever end comes first tells the position.
  const TCustomOwnedNode* back = node;
  const TCustomOwnedNode* ahead = node;
  int steps = 0;
  int index = 0;
  while (true) {
    if (back == FirstChild_) {
      index = steps;
      break;
    }
    if (ahead->NextSibling_ == nullptr) {
      index = ChildCount_ - 1 - steps;
      break;
    }
    back = back->PreviousSibling_;
    ahead = ahead->NextSibling_;
    ++steps;
  }
  LastChildPosition = {this, const_cast<TCustomOwnedNode*>(node), index};
  return index;
}

[[noreturn]] void TCustomOwnedNode::RaiseTreeError(TTreeError error) {
  switch (error) {
    case TTreeError::HierarchyRequest:
      throw EHierarchyRequestError("Hierarchy Request Error");
    case TTreeError::NoModificationAllowed:
      throw ENoModificationAllowedError("No Modification Allowed Error");
    case TTreeError::NotAssigned:
      throw ENotAssignedError("Parameter Node Not Assigned Error");
    case TTreeError::NotFound:
      throw ENotFoundError("Node Not Found Error.");
    case TTreeError::WrongOwner:
      throw EWrongOwnerError("Wrong Owner Error");
  }
  throw EListError("List error");
}

void TCustomOwnedNode::SetReadOnly(bool value) { ReadOnly_ = value; }

TCustomOwnedNode* TCustomOwnedNode::ChildAt(int index) const {
  if (index < 0 || index >= ChildCount_) RaiseIndexError(index);
  // Start from whichever known position is nearest: the first child, the last one, or the
  // one found last.
  TCustomOwnedNode* node = FirstChild_;
  int at = 0;
  int distance = index;
  if (ChildCount_ - 1 - index < distance) {
    node = FirstChild_->PreviousSibling_;
    at = ChildCount_ - 1;
    distance = ChildCount_ - 1 - index;
  }
  if (LastChildPosition.Parent == this) {
    const int fromRemembered = LastChildPosition.Index > index ? LastChildPosition.Index - index
                                                               : index - LastChildPosition.Index;
    if (fromRemembered < distance) {
      node = LastChildPosition.Node;
      at = LastChildPosition.Index;
    }
  }
  while (at < index) {
    node = node->NextSibling_;
    ++at;
  }
  while (at > index) {
    node = node->PreviousSibling_;
    --at;
  }
  LastChildPosition = {this, node, index};
  return node;
}
