// Owned-node trees: every object may have an owner, which destroys it, and every node may
// have a parent, under which it stands in an ordered list of children. The two relations
// are independent: removing a node from the tree never destroys it. The tree edits check
// everything before they change anything and report through RaiseTreeError, which the
// document model maps to its own exceptions.
//
// Destruction never recurses once per level: an object destroyed while another destruction
// is running is detached and queued, and the outermost destruction frees the queue.
#pragma once

#include "dom/ObjectPool.h"
#include "platform/Component.h"
#include "platform/Exceptions.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

EARMARK_EXCEPTION(EHierarchyRequestError, EListError)
EARMARK_EXCEPTION(ENoModificationAllowedError, EListError)
EARMARK_EXCEPTION(ENotAssignedError, EListError)
EARMARK_EXCEPTION(ENotFoundError, EListError)
EARMARK_EXCEPTION(EWrongOwnerError, EListError)

// The tree-layer exception classes, as RaiseTreeError receives them.
enum class TTreeError {
  HierarchyRequest,     // EHierarchyRequestError
  NoModificationAllowed,  // ENoModificationAllowedError
  NotAssigned,          // ENotAssignedError
  NotFound,             // ENotFoundError
  WrongOwner,           // EWrongOwnerError
};

class TCustomOwnedObject : public TPersistent {
public:
  explicit TCustomOwnedObject(TCustomOwnedObject* owner = nullptr);
  ~TCustomOwnedObject() override;
  TCustomOwnedObject(const TCustomOwnedObject&) = delete;
  TCustomOwnedObject& operator=(const TCustomOwnedObject&) = delete;

  const char* ClassName() const override { return "TCustomOwnedObject"; }

  // A document is made of many small objects of a few sizes; they come from the pool of
  // slots of one size rather than from the heap one by one.
  static void* operator new(std::size_t size) { return ObjectPool::Allocate(size); }
  static void operator delete(void* pointer, std::size_t size) noexcept { ObjectPool::Release(pointer, size); }

  // Makes this object the owner of object; nothing happens for none, for this object, for
  // an object already owned here, or for an object that owns this one (directly or not),
  // since an ownership cycle could never be destroyed.
  virtual void TakeOwnership(TCustomOwnedObject* object);
  // Destroys everything this object owns.
  virtual void Clear();
  virtual void DoBeforeAddingOwned(TCustomOwnedObject* object);

  void AddOwnedObject(TCustomOwnedObject* object);
  // Takes object out of the owned list without destroying it.
  void RemoveOwnedObject(TCustomOwnedObject* object);
  // Raises EListError "List index out of bounds (%d)" outside 0 .. OwnedObjectCount() - 1.
  TCustomOwnedObject* GetOwnedObject(int index);
  int OwnedObjectCount() const { return OwnedList() != nullptr ? OwnedList()->Live : 0; }
  TCustomOwnedObject* GetOwner() const { return Owner_; }
  // Whether the object was made as one of the kinds below (a DOM node, a document).
  bool HasKind(std::uint8_t kind) const { return (Kind_ & kind) != 0; }
  // Destroys the owned objects from the last to the first.
  void ClearOwnedObjects();

  // Destroys object (none is allowed). Use this rather than delete for objects of this
  // layer inside destructors: nested destructions are queued instead of recursing.
  static void Free(TCustomOwnedObject* object);

protected:
  enum class TLifeState : std::uint8_t { Alive, Queued, Destroying };
  // Kinds the layers above tell apart for every node they make, where a cast would cost a
  // walk through the class hierarchy each time.
  static constexpr std::uint8_t KindDomNode = 1;
  static constexpr std::uint8_t KindDocument = 2;
  // A node queued for destruction after leaving a document's list (see TDomNode).
  static constexpr std::uint8_t KindLeftDocument = 4;
  // Set while the object has a side block (see TSide) in the table of blocks.
  static constexpr std::uint8_t KindHasSide = 8;

  void SetKind(std::uint8_t kind, bool on) {
    Kind_ = static_cast<std::uint8_t>(on ? Kind_ | kind : Kind_ & ~kind);
  }
  // The owned objects in the order they were added, with empty slots where objects left.
  const std::deque<TCustomOwnedObject*>* OwnedSlots() const {
    return OwnedList() != nullptr ? &OwnedList()->Items : nullptr;
  }
  // Takes the last owned object off the list, without destroying it: none when nothing is owned.
  TCustomOwnedObject* TakeLastOwned();

  // Called when the object is queued for destruction: it leaves every structure it stands in.
  virtual void DetachForDestruction();
  void MarkDestroying() { State_ = TLifeState::Destroying; }

  // Slots of destroyed or removed objects are left empty and compacted now and then, so
  // that removing any owned object costs constant time on average.
  // Made with the first owned object and dropped with the last: most objects own nothing.
  // Kept in blocks, so that a document of many nodes never holds twice the slots it needs.
  struct TOwnedList {
    std::deque<TCustomOwnedObject*> Items;
    int Live = 0;
  };
  // What few objects ever need, kept apart and made on first use: the list of what the object
  // owns and, in a layer above that extends the block (Extended set), fields of that layer's
  // own. The blocks stand in one table keyed by their object, so that an object costs no
  // field for them at all (a document of a million nodes has a handful of blocks); the
  // KindHasSide mark spares the objects without one the look-up.
  struct TSide {
    virtual ~TSide() = default;
    std::unique_ptr<TOwnedList> Owned;
    bool Extended = false;
  };
  TSide* SideIfAny() const { return HasKind(KindHasSide) ? FindSide() : nullptr; }
  // Puts `side` in place of the present block, whose owned list it must have taken over.
  void ReplaceSide(std::unique_ptr<TSide> side) const;

private:
  void CompactOwned();
  // Drops the empty owned list, and the whole block when it holds nothing else.
  void DropOwnedList();
  TOwnedList* OwnedList() const {
    TSide* side = SideIfAny();
    return side != nullptr ? side->Owned.get() : nullptr;
  }
  TSide* FindSide() const;
  void DropSide() const;
  struct TSideTable;
  static TSideTable& SideTable();

  TCustomOwnedObject* Owner_ = nullptr;
  std::uint32_t OwnedSlot_ = 0;  // position in the owner's list
  TLifeState State_ = TLifeState::Alive;
  std::uint8_t Kind_ = 0;
};

class TCustomOwnedNode : public TCustomOwnedObject {
  friend class TDomParsedNodes;

public:
  explicit TCustomOwnedNode(TCustomOwnedObject* owner = nullptr);
  ~TCustomOwnedNode() override;

  const char* ClassName() const override { return "TCustomOwnedNode"; }

  // Raises ENoModificationAllowedError on a read-only node; destroys what the node owns and
  // then its children, between DoBeforeClear and DoAfterClear.
  void Clear() override;

  // Removes node from its parent, then takes ownership of node and of all its descendants,
  // parents before children.
  virtual void AdoptSubtree(TCustomOwnedNode* node);
  virtual TCustomOwnedNode* AppendNode(TCustomOwnedNode* node);
  virtual void DoAfterInsertion(TCustomOwnedNode* node);
  virtual void DoAfterClear();
  virtual void DoAfterRemoval(TCustomOwnedNode* node);
  virtual void DoBeforeInsertion(TCustomOwnedNode* node);
  virtual void DoBeforeClear();
  virtual void DoBeforeRemoval(TCustomOwnedNode* node);
  virtual int ChildCount() const;
  virtual TCustomOwnedNode* FirstChild() const;
  virtual TCustomOwnedNode* LastChild() const;
  virtual TCustomOwnedNode* NextSibling() const;
  virtual TCustomOwnedNode* Parent() const;
  virtual TCustomOwnedNode* PreviousSibling() const;
  virtual bool IsReadOnly() const;
  virtual bool HasAncestor(const TCustomOwnedNode* node) const;
  virtual bool HasChildren() const;
  virtual int IndexOfChild(const TCustomOwnedNode* node) const;
  virtual TCustomOwnedNode* InsertNode(TCustomOwnedNode* node, TCustomOwnedNode* refNode);
  [[noreturn]] virtual void RaiseTreeError(TTreeError error);
  virtual TCustomOwnedNode* RemoveNode(TCustomOwnedNode* node);
  virtual TCustomOwnedNode* ReplaceNode(TCustomOwnedNode* newNode, TCustomOwnedNode* oldNode);
  virtual void SetReadOnly(bool value);

  // Raises EListError "List index out of bounds (%d)" outside 0 .. ChildCount() - 1.
  TCustomOwnedNode* ChildAt(int index) const;

protected:
  void DetachForDestruction() override;
  // Destroys what the node owns, then its children from the last to the first, without
  // hooks or checks. Subclasses may call it early in their destructor.
  void DestroyOwnedAndChildren();

private:
  bool OwnerAllows(const TCustomOwnedNode* node) const;
  bool IsSelfOrAncestor(const TCustomOwnedNode* node) const;
  void Link(TCustomOwnedNode* node, TCustomOwnedNode* refNode);
  void Unlink(TCustomOwnedNode* node);

  // Forgets the position remembered for ChildAt when it belongs to this node's children.
  void ForgetChildPosition() const;

  // Children are a doubly linked list in which the first child's previous link points to the
  // last child, so that a node needs no field for its last child; ChildAt remembers the last
  // position it found, so that walking the children by index costs one step per index.
  bool ReadOnly_ = false;
  TCustomOwnedNode* FirstChild_ = nullptr;
  TCustomOwnedNode* NextSibling_ = nullptr;
  TCustomOwnedNode* Parent_ = nullptr;
  TCustomOwnedNode* PreviousSibling_ = nullptr;
  int ChildCount_ = 0;
};
