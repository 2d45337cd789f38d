// Objects freed again while they leave their structures on the way to destruction, as a
// notification handler that frees every removed node would do: each is destroyed once.
#include "dom/TreeUtils.h"

#include <gtest/gtest.h>

namespace {

struct TCounts {
  int Detached = 0;
  int Destroyed = 0;
};

// Frees itself `FreesWhileDetaching` more times from inside its own detachment.
class TSelfFreeing : public TCustomOwnedObject {
public:
  TSelfFreeing(TCustomOwnedObject* owner, TCounts* counts, int freesWhileDetaching)
      : TCustomOwnedObject(owner), Counts(counts), FreesWhileDetaching(freesWhileDetaching) {}
  ~TSelfFreeing() override { ++Counts->Destroyed; }

protected:
  void DetachForDestruction() override {
    ++Counts->Detached;
    while (FreesWhileDetaching > 0) {
      --FreesWhileDetaching;
      Free(this);
    }
    TCustomOwnedObject::DetachForDestruction();
  }

private:
  TCounts* Counts;
  int FreesWhileDetaching;
};

// Frees another object from its destructor, so that the other one is queued, not deleted.
class TFreesOther : public TCustomOwnedObject {
public:
  explicit TFreesOther(TCustomOwnedObject* other) : Other(other) {}
  ~TFreesOther() override { Free(Other); }

private:
  TCustomOwnedObject* Other;
};

TEST(OwnedObjectDestruction, FreedAgainWhileDetachingIsDestroyedOnce) {
  struct Case {
    int FreesWhileDetaching;
    bool Owned;  // the object has an owner it leaves while detaching
  };
  const Case cases[] = {{0, true}, {1, true}, {2, true}, {1, false}, {3, false}};
  for (const Case& c : cases) {
    TCounts counts;
    auto* owner = new TCustomOwnedObject(nullptr);
    auto* object = new TSelfFreeing(c.Owned ? owner : nullptr, &counts, c.FreesWhileDetaching);
    TCustomOwnedObject::Free(new TFreesOther(object));
    EXPECT_EQ(counts.Detached, 1) << c.FreesWhileDetaching;
    EXPECT_EQ(counts.Destroyed, 1) << c.FreesWhileDetaching;
    EXPECT_EQ(owner->OwnedObjectCount(), 0) << c.FreesWhileDetaching;
    TCustomOwnedObject::Free(owner);
    EXPECT_EQ(counts.Destroyed, 1) << c.FreesWhileDetaching;
  }
}

}  // namespace
