// Owned-node trees: ownership, the checked edits in their order, destruction without
// double frees, and trees a million levels deep or wide.
#include "dom/TreeUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

// Records every hook call and every destruction, so tests can see what an edit did.
struct TJournal {
  std::vector<std::string> Hooks;
  std::multiset<std::string> Destroyed;
};

class TTestNode : public TCustomOwnedNode {
public:
  TTestNode(TCustomOwnedObject* owner, std::string name, TJournal* journal)
      : TCustomOwnedNode(owner), Name(std::move(name)), Journal(journal) {}
  ~TTestNode() override {
    if (Journal != nullptr) Journal->Destroyed.insert(Name);
  }

  void DoAfterInsertion(TCustomOwnedNode* n) override { Log("after-insert", n); }
  void DoAfterClear() override { Log("after-clear", this); }
  void DoAfterRemoval(TCustomOwnedNode* n) override { Log("after-remove", n); }
  void DoBeforeInsertion(TCustomOwnedNode* n) override { Log("before-insert", n); }
  void DoBeforeClear() override { Log("before-clear", this); }
  void DoBeforeRemoval(TCustomOwnedNode* n) override { Log("before-remove", n); }

  std::string Name;
  TJournal* Journal;

private:
  void Log(const char* what, TCustomOwnedNode* n) {
    if (Journal != nullptr)
      Journal->Hooks.push_back(std::string(what) + " " + static_cast<TTestNode*>(n)->Name);
  }
};

std::string Names(const TCustomOwnedNode* parent) {
  std::string out;
  for (int i = 0; i < parent->ChildCount(); ++i) {
    if (!out.empty()) out += ',';
    out += static_cast<const TTestNode*>(parent->ChildAt(i))->Name;
  }
  return out;
}

// The sibling links must mirror the children list in both directions.
void ExpectConsistent(const TCustomOwnedNode* parent) {
  const TCustomOwnedNode* previous = nullptr;
  for (int i = 0; i < parent->ChildCount(); ++i) {
    const TCustomOwnedNode* child = parent->ChildAt(i);
    EXPECT_EQ(child->Parent(), parent);
    EXPECT_EQ(child->PreviousSibling(), previous);
    if (previous != nullptr) EXPECT_EQ(previous->NextSibling(), child);
    previous = child;
  }
  if (previous != nullptr) EXPECT_EQ(previous->NextSibling(), nullptr);
  EXPECT_EQ(parent->FirstChild(), parent->ChildCount() ? parent->ChildAt(0) : nullptr);
  EXPECT_EQ(parent->LastChild(), previous);
}

std::string ErrorOf(const std::function<void()>& edit) {
  try {
    edit();
  } catch (const EListError& e) {
    return std::string(e.ClassName()) + ": " + e.what();
  }
  return "ok";
}

// A fixture document: root with children a, b, c; x owned but detached; y owned by
// another document; all owned by doc.
struct TTree {
  TJournal Journal;
  TTestNode* Doc = new TTestNode(nullptr, "doc", &Journal);
  TTestNode* Other = new TTestNode(nullptr, "other", &Journal);
  TTestNode* Root = new TTestNode(Doc, "root", &Journal);
  TTestNode* A = new TTestNode(Doc, "a", &Journal);
  TTestNode* B = new TTestNode(Doc, "b", &Journal);
  TTestNode* C = new TTestNode(Doc, "c", &Journal);
  TTestNode* X = new TTestNode(Doc, "x", &Journal);
  TTestNode* Y = new TTestNode(Other, "y", &Journal);

  TTree() {
    Doc->AppendNode(Root);
    Root->AppendNode(A);
    Root->AppendNode(B);
    Root->AppendNode(C);
    Journal.Hooks.clear();
  }
  ~TTree() {
    TCustomOwnedObject::Free(Doc);
    TCustomOwnedObject::Free(Other);
  }
};

TEST(OwnedObject, OwnershipListAndItsIndexError) {
  TCustomOwnedObject owner;
  EXPECT_EQ(ErrorOf([&] { owner.GetOwnedObject(3); }), "EListError: List index out of bounds (3)");
  auto* a = new TCustomOwnedObject(&owner);
  auto* b = new TCustomOwnedObject(&owner);
  EXPECT_EQ(owner.OwnedObjectCount(), 2);
  EXPECT_EQ(owner.GetOwnedObject(1), b);
  EXPECT_EQ(a->GetOwner(), &owner);
  owner.RemoveOwnedObject(a);
  EXPECT_EQ(a->GetOwner(), nullptr);
  EXPECT_EQ(owner.GetOwnedObject(0), b);
  EXPECT_EQ(ErrorOf([&] { owner.GetOwnedObject(1); }), "EListError: List index out of bounds (1)");
  EXPECT_EQ(ErrorOf([&] { owner.GetOwnedObject(-1); }),
            "EListError: List index out of bounds (-1)");
  owner.TakeOwnership(a);
  EXPECT_EQ(owner.GetOwnedObject(1), a);
  TCustomOwnedObject second;
  second.TakeOwnership(a);
  EXPECT_EQ(a->GetOwner(), &second);
  EXPECT_EQ(owner.OwnedObjectCount(), 1);
  // An owner of the taker is never taken, or neither could ever be destroyed.
  auto* inner = new TCustomOwnedObject(a);
  inner->TakeOwnership(a);
  EXPECT_EQ(a->GetOwner(), &second);
  EXPECT_EQ(inner->OwnedObjectCount(), 0);
}

TEST(OwnedObject, ManyRemovalsKeepPositions) {
  TCustomOwnedObject owner;
  std::vector<TCustomOwnedObject*> objects;
  for (int i = 0; i < 200; ++i) objects.push_back(new TCustomOwnedObject(&owner));
  for (int i = 0; i < 200; i += 2) owner.RemoveOwnedObject(objects[static_cast<std::size_t>(i)]);
  ASSERT_EQ(owner.OwnedObjectCount(), 100);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(owner.GetOwnedObject(i), objects[static_cast<std::size_t>(2 * i + 1)]);
  for (int i = 0; i < 200; i += 2) owner.AddOwnedObject(objects[static_cast<std::size_t>(i)]);
  EXPECT_EQ(owner.GetOwnedObject(100), objects[0]);
  owner.ClearOwnedObjects();
  EXPECT_EQ(owner.OwnedObjectCount(), 0);
}

struct TEditCase {
  const char* Name;
  std::function<void(TTree&)> Edit;
  std::string Expected;
};

// Each case breaks several checks at once; the first in the documented order must be the one
// reported, and neither the tree nor the hooks may show any change.
TEST(OwnedNode, EditChecksInOrderChangeNothing) {
  const TEditCase cases[] = {
      {"append none", [](TTree& t) { t.Root->AppendNode(nullptr); },
       "ENotAssignedError: Parameter Node Not Assigned Error"},
      {"append foreign to read-only",
       [](TTree& t) { t.A->SetReadOnly(true); t.A->AppendNode(t.Y); },
       "EWrongOwnerError: Wrong Owner Error"},
      {"append ancestor to read-only",
       [](TTree& t) { t.A->SetReadOnly(true); t.A->AppendNode(t.Root); },
       "EHierarchyRequestError: Hierarchy Request Error"},
      {"append self", [](TTree& t) { t.A->AppendNode(t.A); },
       "EHierarchyRequestError: Hierarchy Request Error"},
      {"append to read-only", [](TTree& t) { t.A->SetReadOnly(true); t.A->AppendNode(t.X); },
       "ENoModificationAllowedError: No Modification Allowed Error"},
      {"append from read-only parent",
       [](TTree& t) { t.Root->SetReadOnly(true); t.X->AppendNode(t.B); },
       "ENoModificationAllowedError: No Modification Allowed Error"},
      {"insert none", [](TTree& t) { t.Root->InsertNode(nullptr, t.Y); },
       "ENotAssignedError: Parameter Node Not Assigned Error"},
      {"insert foreign before stranger", [](TTree& t) { t.Root->InsertNode(t.Y, t.X); },
       "EWrongOwnerError: Wrong Owner Error"},
      {"insert before itself", [](TTree& t) { t.Root->InsertNode(t.X, t.X); },
       "EHierarchyRequestError: Hierarchy Request Error"},
      {"insert ancestor before itself", [](TTree& t) { t.A->InsertNode(t.Root, t.Root); },
       "EHierarchyRequestError: Hierarchy Request Error"},
      {"insert into read-only before stranger",
       [](TTree& t) { t.Root->SetReadOnly(true); t.Root->InsertNode(t.X, t.X); },
       "ENoModificationAllowedError: No Modification Allowed Error"},
      {"insert before non-child", [](TTree& t) { t.Root->InsertNode(t.X, t.Doc); },
       "ENotFoundError: Node Not Found Error."},
      {"remove none from read-only",
       [](TTree& t) { t.Root->SetReadOnly(true); t.Root->RemoveNode(nullptr); },
       "ENotAssignedError: Parameter Node Not Assigned Error"},
      {"remove non-child from read-only",
       [](TTree& t) { t.Root->SetReadOnly(true); t.Root->RemoveNode(t.X); },
       "ENoModificationAllowedError: No Modification Allowed Error"},
      {"remove non-child", [](TTree& t) { t.Root->RemoveNode(t.X); },
       "ENotFoundError: Node Not Found Error."},
      {"replace none", [](TTree& t) { t.Root->ReplaceNode(t.Y, nullptr); },
       "ENotAssignedError: Parameter Node Not Assigned Error"},
      {"replace with none", [](TTree& t) { t.Root->ReplaceNode(nullptr, t.A); },
       "ENotAssignedError: Parameter Node Not Assigned Error"},
      {"replace with foreign", [](TTree& t) { t.Root->ReplaceNode(t.Y, t.X); },
       "EWrongOwnerError: Wrong Owner Error"},
      {"replace with ancestor", [](TTree& t) { t.A->ReplaceNode(t.Root, t.X); },
       "EHierarchyRequestError: Hierarchy Request Error"},
      {"replace in read-only", [](TTree& t) { t.Root->SetReadOnly(true); t.Root->ReplaceNode(t.X, t.Doc); },
       "ENoModificationAllowedError: No Modification Allowed Error"},
      {"replace with child of read-only",
       [](TTree& t) { t.Root->SetReadOnly(true); t.X->ReplaceNode(t.A, t.Doc); },
       "ENoModificationAllowedError: No Modification Allowed Error"},
      {"replace non-child", [](TTree& t) { t.Root->ReplaceNode(t.X, t.Doc); },
       "ENotFoundError: Node Not Found Error."},
      {"adopt none", [](TTree& t) { t.Root->AdoptSubtree(nullptr); },
       "ENotAssignedError: Parameter Node Not Assigned Error"},
      {"adopt from read-only parent",
       [](TTree& t) { t.Root->SetReadOnly(true); t.X->AdoptSubtree(t.A); },
       "ENoModificationAllowedError: No Modification Allowed Error"},
      {"clear read-only", [](TTree& t) { t.Root->SetReadOnly(true); t.Root->Clear(); },
       "ENoModificationAllowedError: No Modification Allowed Error"},
  };
  for (const TEditCase& c : cases) {
    TTree t;
    EXPECT_EQ(ErrorOf([&] { c.Edit(t); }), c.Expected) << c.Name;
    EXPECT_EQ(Names(t.Root), "a,b,c") << c.Name;
    EXPECT_EQ(Names(t.Doc), "root") << c.Name;
    EXPECT_EQ(t.X->Parent(), nullptr) << c.Name;
    EXPECT_EQ(t.A->GetOwner(), t.Doc) << c.Name;
    EXPECT_TRUE(t.Journal.Hooks.empty()) << c.Name;
    EXPECT_TRUE(t.Journal.Destroyed.empty()) << c.Name;
    ExpectConsistent(t.Root);
  }
}

struct TEditResult {
  const char* Name;
  std::function<TCustomOwnedNode*(TTree&)> Edit;
  const char* Returned;
  std::string RootChildren;
  std::string Hooks;
};

TEST(OwnedNode, SuccessfulEditsLinkAndCallHooks) {
  const TEditResult cases[] = {
      {"append detached", [](TTree& t) { return t.Root->AppendNode(t.X); }, "x", "a,b,c,x",
       "before-insert x|after-insert x"},
      {"append moves without removal hooks", [](TTree& t) { return t.X->AppendNode(t.B); }, "b",
       "a,c", "before-insert b|after-insert b"},
      {"append own child to the end", [](TTree& t) { return t.Root->AppendNode(t.A); }, "a",
       "b,c,a", "before-insert a|after-insert a"},
      {"insert first", [](TTree& t) { return t.Root->InsertNode(t.X, t.A); }, "x", "x,a,b,c",
       "before-insert x|after-insert x"},
      {"insert middle", [](TTree& t) { return t.Root->InsertNode(t.X, t.C); }, "x", "a,b,x,c",
       "before-insert x|after-insert x"},
      {"insert without reference appends", [](TTree& t) { return t.Root->InsertNode(t.X, nullptr); },
       "x", "a,b,c,x", "before-insert x|after-insert x"},
      {"insert own child before another", [](TTree& t) { return t.Root->InsertNode(t.C, t.A); },
       "c", "c,a,b", "before-insert c|after-insert c"},
      {"insert own child before its next", [](TTree& t) { return t.Root->InsertNode(t.A, t.B); },
       "a", "a,b,c", "before-insert a|after-insert a"},
      {"remove middle", [](TTree& t) { return t.Root->RemoveNode(t.B); }, "b", "a,c",
       "before-remove b|after-remove b"},
      {"replace middle", [](TTree& t) { return t.Root->ReplaceNode(t.X, t.B); }, "b", "a,x,c",
       "before-remove b|after-remove b|before-insert x|after-insert x"},
      {"replace with itself", [](TTree& t) { return t.Root->ReplaceNode(t.B, t.B); }, "b",
       "a,b,c", ""},
      {"replace with its next sibling", [](TTree& t) { return t.Root->ReplaceNode(t.C, t.B); },
       "b", "a,c",
       "before-remove c|after-remove c|before-remove b|after-remove b|before-insert c|"
       "after-insert c"},
      {"replace with node of another parent", [](TTree& t) {
         t.X->AppendNode(t.Root->RemoveNode(t.A));
         t.Journal.Hooks.clear();
         return t.Root->ReplaceNode(t.A, t.C);
       },
       "c", "b,a",
       "before-remove a|after-remove a|before-remove c|after-remove c|before-insert a|"
       "after-insert a"},
      {"document owner takes its node as child", [](TTree& t) {
         return t.Doc->AppendNode(t.X);
       },
       "x", "a,b,c", "before-insert x|after-insert x"},
  };
  for (const TEditResult& c : cases) {
    TTree t;
    TCustomOwnedNode* returned = c.Edit(t);
    EXPECT_EQ(static_cast<TTestNode*>(returned)->Name, c.Returned) << c.Name;
    EXPECT_EQ(Names(t.Root), c.RootChildren) << c.Name;
    std::string hooks;
    for (const std::string& h : t.Journal.Hooks) hooks += (hooks.empty() ? "" : "|") + h;
    EXPECT_EQ(hooks, c.Hooks) << c.Name;
    EXPECT_TRUE(t.Journal.Destroyed.empty()) << c.Name;
    ExpectConsistent(t.Root);
    ExpectConsistent(t.X);
    ExpectConsistent(t.Doc);
  }
}

TEST(OwnedNode, RemovedNodeStaysOwnedAndDiesWithItsOwner) {
  TJournal journal;
  {
    TTree t;
    t.Root->RemoveNode(t.B);
    EXPECT_EQ(t.B->GetOwner(), t.Doc);
    EXPECT_EQ(t.B->Parent(), nullptr);
    EXPECT_EQ(t.B->NextSibling(), nullptr);
    EXPECT_EQ(t.B->PreviousSibling(), nullptr);
    EXPECT_EQ(t.A->NextSibling(), t.C);
    EXPECT_TRUE(t.Journal.Destroyed.empty());
    TCustomOwnedObject::Free(t.Doc);
    EXPECT_EQ(t.Journal.Destroyed,
              (std::multiset<std::string>{"doc", "root", "a", "b", "c", "x"}));
    t.Doc = nullptr;
  }
}

TEST(OwnedNode, ClearDestroysOwnedThenChildrenBetweenHooks) {
  TTree t;
  auto* owned = new TTestNode(t.Root, "owned", &t.Journal);
  auto* grand = new TTestNode(t.Doc, "grand", &t.Journal);
  t.A->AppendNode(grand);
  t.Journal.Hooks.clear();
  t.Root->Clear();
  EXPECT_EQ(t.Root->ChildCount(), 0);
  EXPECT_EQ(t.Journal.Destroyed, (std::multiset<std::string>{"owned", "a", "b", "c", "grand"}));
  EXPECT_EQ(t.Journal.Hooks, (std::vector<std::string>{"before-clear root", "after-clear root"}));
  EXPECT_EQ(t.Doc->OwnedObjectCount(), 2);  // root and x remain
  (void)owned;
}

TEST(OwnedNode, DestroyingAChildUnlinksItWithoutHooks) {
  TTree t;
  TCustomOwnedObject::Free(t.B);
  EXPECT_EQ(Names(t.Root), "a,c");
  ExpectConsistent(t.Root);
  EXPECT_TRUE(t.Journal.Hooks.empty());
  EXPECT_EQ(t.Doc->OwnedObjectCount(), 4);
  // Plain delete behaves the same.
  delete t.C;
  EXPECT_EQ(Names(t.Root), "a");
  ExpectConsistent(t.Root);
}

TEST(OwnedNode, AdoptSubtreeTakesEveryDescendantInOrder) {
  TTree t;
  auto* grand = new TTestNode(t.Other, "grand", &t.Journal);
  t.Other->AppendNode(grand);
  // A node can only sit under a node of the same owner, so build the subtree in Other.
  auto* sub = new TTestNode(t.Other, "sub", &t.Journal);
  sub->AppendNode(grand);
  auto* leaf = new TTestNode(t.Other, "leaf", &t.Journal);
  grand->AppendNode(leaf);
  t.Journal.Hooks.clear();
  t.X->AdoptSubtree(sub);
  EXPECT_EQ(sub->GetOwner(), t.X);
  EXPECT_EQ(grand->GetOwner(), t.X);
  EXPECT_EQ(leaf->GetOwner(), t.X);
  EXPECT_EQ(t.X->GetOwnedObject(0), sub);
  EXPECT_EQ(t.X->GetOwnedObject(1), grand);
  EXPECT_EQ(t.X->GetOwnedObject(2), leaf);
  EXPECT_EQ(t.Other->OwnedObjectCount(), 1);  // y stays
  // Adopting a node with a parent removes it there first, with that parent's hooks.
  t.X->AdoptSubtree(t.B);
  EXPECT_EQ(Names(t.Root), "a,c");
  EXPECT_EQ(t.B->GetOwner(), t.X);
  EXPECT_EQ(t.Journal.Hooks, (std::vector<std::string>{"before-remove b", "after-remove b"}));
  // Destroying x now destroys everything it adopted, once each.
  TCustomOwnedObject::Free(t.X);
  EXPECT_EQ(t.Journal.Destroyed, (std::multiset<std::string>{"x", "sub", "grand", "leaf", "b"}));
}

TEST(OwnedNode, ChildAtIndexError) {
  TTree t;
  EXPECT_EQ(ErrorOf([&] { t.Root->ChildAt(3); }), "EListError: List index out of bounds (3)");
  EXPECT_EQ(ErrorOf([&] { t.X->ChildAt(0); }), "EListError: List index out of bounds (0)");
  EXPECT_EQ(t.Root->IndexOfChild(t.C), 2);
  EXPECT_EQ(t.Root->IndexOfChild(t.X), -1);
  EXPECT_EQ(t.Root->IndexOfChild(nullptr), -1);
  EXPECT_TRUE(t.A->HasAncestor(t.Doc));
  EXPECT_FALSE(t.Doc->HasAncestor(t.A));
  EXPECT_FALSE(t.A->HasAncestor(t.A));
}

// Nodes of one owner whose destruction is triggered by the destruction of another node of
// the same owner during the same walk must each die exactly once.
TEST(OwnedNode, OwnerDestructionWithChildrenCreatedAfterOrBeforeParents) {
  for (const bool parentsFirst : {true, false}) {
    TJournal journal;
    auto* doc = new TTestNode(nullptr, "doc", &journal);
    std::vector<TTestNode*> nodes;
    for (int i = 0; i < 50; ++i)
      nodes.push_back(new TTestNode(doc, std::to_string(i), &journal));
    // A shape where some parents were created before and some after their children.
    for (int i = 1; i < 50; ++i) {
      const int parent = parentsFirst ? (i - 1) / 2 : 49 - (i - 1) / 2;
      const int child = parentsFirst ? i : 49 - i;
      nodes[static_cast<std::size_t>(parent)]->AppendNode(nodes[static_cast<std::size_t>(child)]);
    }
    TCustomOwnedObject::Free(doc);
    EXPECT_EQ(journal.Destroyed.size(), 51u);
    EXPECT_EQ(std::set<std::string>(journal.Destroyed.begin(), journal.Destroyed.end()).size(),
              51u);
  }
}

constexpr int kMillion = 1000000;

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

TEST(OwnedNodeScale, MillionLevelsDeepTopDownAndBottomUp) {
  for (const bool topDown : {true, false}) {
    const auto start = std::chrono::steady_clock::now();
    auto* doc = new TCustomOwnedNode(nullptr);
    std::vector<TCustomOwnedNode*> nodes;
    nodes.reserve(kMillion);
    for (int i = 0; i < kMillion; ++i) nodes.push_back(new TCustomOwnedNode(doc));
    if (topDown) {
      doc->AppendNode(nodes[0]);
      for (int i = 1; i < kMillion; ++i) nodes[static_cast<std::size_t>(i - 1)]->AppendNode(nodes[static_cast<std::size_t>(i)]);
    } else {
      // Children first: destroying the owner then meets the top of the tree first.
      for (int i = kMillion - 1; i > 0; --i) nodes[static_cast<std::size_t>(i)]->AppendNode(nodes[static_cast<std::size_t>(i - 1)]);
      doc->AppendNode(nodes[kMillion - 1]);
    }
    TCustomOwnedNode* top = topDown ? nodes.front() : nodes.back();
    TCustomOwnedNode* bottom = topDown ? nodes.back() : nodes.front();
    EXPECT_TRUE(bottom->HasAncestor(doc));
    EXPECT_TRUE(bottom->HasAncestor(top));
    EXPECT_FALSE(top->HasAncestor(bottom));
    // Appending the top under the bottom would make a cycle.
    EXPECT_THROW(bottom->AppendNode(top), EHierarchyRequestError);
    if (topDown) {
      // A second node adopts the whole chain; the first owner then destroys it with itself.
      auto* other = new TCustomOwnedNode(nullptr);
      doc->TakeOwnership(other);
      other->AdoptSubtree(top);
      EXPECT_EQ(other->OwnedObjectCount(), kMillion);
      EXPECT_EQ(doc->ChildCount(), 0);
      EXPECT_EQ(doc->OwnedObjectCount(), 1);
    }
    TCustomOwnedObject::Free(doc);
    std::printf("deep tree (%s): %.2f s\n", topDown ? "top-down" : "bottom-up", Seconds(start));
  }
}

TEST(OwnedNodeScale, MillionChildrenWideClearedAndDestroyed) {
  const auto start = std::chrono::steady_clock::now();
  auto* doc = new TCustomOwnedNode(nullptr);
  auto* root = new TCustomOwnedNode(doc);
  doc->AppendNode(root);
  for (int i = 0; i < kMillion; ++i) root->AppendNode(new TCustomOwnedNode(doc));
  EXPECT_EQ(root->ChildCount(), kMillion);
  EXPECT_EQ(root->IndexOfChild(root->LastChild()), kMillion - 1);
  EXPECT_TRUE(root->LastChild()->HasAncestor(doc));
  // Taking out the first and the last child, which the order reader and normalisation do.
  root->RemoveNode(root->FirstChild());
  root->RemoveNode(root->LastChild());
  EXPECT_EQ(root->ChildCount(), kMillion - 2);
  root->Clear();
  EXPECT_EQ(doc->OwnedObjectCount(), 3);  // root and the two removed children
  for (int i = 0; i < kMillion; ++i) root->AppendNode(new TCustomOwnedNode(doc));
  TCustomOwnedObject::Free(doc);
  std::printf("wide tree: %.2f s\n", Seconds(start));
}

}  // namespace
