// A node answers the document that owns it for as long as it lives, including while it is
// destroyed inside another destruction (when it has already left the document's list), and
// answers none once the document that owned it is going away.
#include "DomTestSupport.h"

#include "dom/TreeUtils.h"

#include <gtest/gtest.h>

#include <string>

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
