// The slot pool behind the owned objects: every live slot is its own, aligned, and keeps what
// is written into it while others come and go; sizes on both sides of every boundary, and
// objects of the tree layer made and destroyed through it.
#include "dom/ObjectPool.h"
#include "dom/TreeUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

struct TBlock {
  unsigned char* Memory;
  std::size_t Size;
  unsigned char Fill;
};

void FillBlock(const TBlock& block) { std::memset(block.Memory, block.Fill, block.Size); }

bool Intact(const TBlock& block) {
  return std::all_of(block.Memory, block.Memory + block.Size, [&](unsigned char c) { return c == block.Fill; });
}

TEST(ObjectPool, SlotsStayApartAndKeepTheirContents) {
  struct Case {
    std::size_t Size;
    int Count;
    int ReleaseEvery;  // every n-th block is released and made again halfway through
  };
  const Case cases[] = {
      {1, 100, 2},    {7, 100, 3},     {8, 100, 2},      {9, 1000, 5},   {72, 3000, 2},
      {120, 2000, 7}, {255, 700, 2},   {256, 1000, 3},   {257, 50, 2},   {4096, 20, 2},
      {136, 20000, 1},  // everything released: slabs go back and come again
  };
  for (const Case& c : cases) {
    std::vector<TBlock> blocks;
    for (int i = 0; i < c.Count; ++i) {
      TBlock block{static_cast<unsigned char*>(ObjectPool::Allocate(c.Size)), c.Size,
                   static_cast<unsigned char>(i * 7 + 1)};
      ASSERT_NE(block.Memory, nullptr);
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block.Memory) % 8, 0u) << c.Size;
      FillBlock(block);
      blocks.push_back(block);
    }
    for (std::size_t i = 0; i < blocks.size(); i += static_cast<std::size_t>(c.ReleaseEvery)) {
      ObjectPool::Release(blocks[i].Memory, blocks[i].Size);
      blocks[i].Memory = nullptr;
    }
    for (std::size_t i = 0; i < blocks.size(); i += static_cast<std::size_t>(c.ReleaseEvery)) {
      blocks[i].Memory = static_cast<unsigned char*>(ObjectPool::Allocate(c.Size));
      blocks[i].Fill = static_cast<unsigned char>(blocks[i].Fill + 100);
      FillBlock(blocks[i]);
    }
    // No two live blocks overlap, and none was disturbed by the others.
    std::vector<TBlock> sorted = blocks;
    std::sort(sorted.begin(), sorted.end(), [](const TBlock& a, const TBlock& b) { return a.Memory < b.Memory; });
    for (std::size_t i = 1; i < sorted.size(); ++i)
      EXPECT_LE(sorted[i - 1].Memory + sorted[i - 1].Size, sorted[i].Memory) << c.Size;
    int damaged = 0;
    for (const TBlock& block : blocks) damaged += Intact(block) ? 0 : 1;
    EXPECT_EQ(damaged, 0) << c.Size;
    for (const TBlock& block : blocks) ObjectPool::Release(block.Memory, block.Size);
  }
  ObjectPool::Release(nullptr, 16);  // nothing to give back
}

// A node class larger than the tree layer's own, so that destruction through a base pointer
// must hand back the size of the object actually made.
class TWideNode : public TCustomOwnedNode {
public:
  explicit TWideNode(TCustomOwnedObject* owner, int mark) : TCustomOwnedNode(owner) { Payload.fill(mark); }
  std::array<int, 24> Payload{};
};

TEST(ObjectPool, TreeObjectsOfMixedSizesLiveAndDieThroughIt) {
  for (const int rounds : {1, 3}) {
    auto* owner = new TCustomOwnedNode(nullptr);
    std::vector<TWideNode*> wide;
    for (int round = 0; round < rounds; ++round) {
      for (int i = 0; i < 5000; ++i) {
        TCustomOwnedNode* plain = owner->AppendNode(new TCustomOwnedNode(owner));
        wide.push_back(static_cast<TWideNode*>(plain->AppendNode(new TWideNode(owner, i))));
      }
      // Destroying some of each kind frees their slots for the next round.
      for (std::size_t i = 0; i < wide.size(); i += 3) {
        TCustomOwnedObject::Free(wide[i]);
        wide[i] = nullptr;
      }
    }
    int changed = 0;
    for (std::size_t i = 0; i < wide.size(); ++i) {
      if (wide[i] == nullptr) continue;
      const int mark = static_cast<int>(i % 5000);
      for (int value : wide[i]->Payload) changed += value == mark ? 0 : 1;
    }
    EXPECT_EQ(changed, 0);
    TCustomOwnedObject::Free(owner);
  }
}

}  // namespace
