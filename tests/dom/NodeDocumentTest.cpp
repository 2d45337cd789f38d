// A node answers the document that owns it for as long as it lives, including while it is
// destroyed inside another destruction (when it has already left the document's list), and
// answers none once the document that owned it is going away.
#include "DomTestSupport.h"

#include "dom/TreeUtils.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

// Records the document it answers in its own destructor.
class TRecordingNode : public TDomNode {
public:
  TRecordingNode(TCustomOwnedObject* owner, TDomCustomDocument** seen) : TDomNode(owner), Seen_(seen) {}
  ~TRecordingNode() override { *Seen_ = ReferenceDocument(); }

private:
  TDomCustomDocument** Seen_;
};

// Frees another object from its destructor, so that the other one is queued, not deleted.
class TFreesOther : public TCustomOwnedObject {
public:
  explicit TFreesOther(TCustomOwnedObject* other) : Other_(other) {}
  ~TFreesOther() override { Free(Other_); }

private:
  TCustomOwnedObject* Other_;
};

}  // namespace

TEST(NodeDocument, AnsweredUntilTheNodeIsGone) {
  struct Case {
    std::string Name;
    bool Queued;          // freed inside another destruction
    bool WithDocument;    // freed by the document's own destruction
  };
  const Case cases[] = {
      {"freed on its own", false, false},
      {"freed inside another destruction", true, false},
      {"freed with its document", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    DocumentPtr document = NewDocument();
    TDomCustomDocument* seen = reinterpret_cast<TDomCustomDocument*>(1);
    auto* node = new TRecordingNode(document.get(), &seen);
    EXPECT_EQ(node->ownerDocument(), document.get());
    EXPECT_EQ(node->ReferenceDocument(), document.get());
    if (c.WithDocument) {
      document.reset();
      EXPECT_EQ(seen, nullptr);
      continue;
    }
    if (c.Queued)
      TCustomOwnedObject::Free(new TFreesOther(node));
    else
      TCustomOwnedObject::Free(node);
    EXPECT_EQ(seen, document.get());
    EXPECT_EQ(document->OwnedObjectCount(), 0);
  }
}

// The blocks of owned lists and rarely used fields stand in one table shared by all threads;
// documents built and torn down side by side must each keep exactly their own.
TEST(NodeDocument, DocumentsOfTwoThreadsKeepTheirOwnBlocks) {
  const auto work = [](int seed, std::string* failure) {
    for (int round = 0; round < 20 && failure->empty(); ++round) {
      DocumentPtr document = NewDocument();
      std::vector<TDomNode*> nodes;
      for (int i = 0; i < 2000; ++i) {
        TDomNode* node = TDomElement::Create(document.get(), u"e");
        if (i % 3 == 0) node->setUserData(u"k", &nodes, nullptr);
        nodes.push_back(node);
      }
      for (std::size_t i = 0; i < nodes.size(); i += 2) TCustomOwnedObject::Free(nodes[i]);
      int marked = 0;
      for (std::size_t i = 1; i < nodes.size(); i += 2)
        marked += nodes[i]->getUserData(u"k") == &nodes ? 1 : 0;
      if (document->OwnedObjectCount() != 1000 || marked != 333)
        *failure = "thread " + std::to_string(seed) + ": " + std::to_string(document->OwnedObjectCount()) +
                   " owned, " + std::to_string(marked) + " marked";
    }
  };
  std::string first, second;
  std::thread other(work, 2, &second);
  work(1, &first);
  other.join();
  EXPECT_EQ(first, "");
  EXPECT_EQ(second, "");
}
