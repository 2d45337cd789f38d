#include "dom/SharedText.h"

#include "platform/SingleThread.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

struct TSharedText::TBlockHeader {
  std::atomic<std::uint32_t> Refs;
  std::uint32_t Capacity;  // units of text the block holds
  std::uint32_t Used;      // units handed out so far
  std::uint32_t Unused;
  char16_t* Text() { return reinterpret_cast<char16_t*>(this + 1); }
};

namespace {

// A writer's blocks: large enough that the header and the unused tail cost little, below
// the size from which the heap maps each block on its own (and unmaps it when freed), small
// enough that a few nodes kept from a large document keep little else alive.
constexpr std::size_t kWriterBlockUnits = 60 * 1024;
// Pieces from this size on get a block of their own rather than a writer's.
constexpr std::size_t kOwnBlockUnits = kWriterBlockUnits / 4;

// Reference counts change with plain loads and stores while the process has one thread.
void AddRef(std::atomic<std::uint32_t>& refs) {
  if (ProcessIsSingleThreaded())
    refs.store(refs.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
  else
    refs.fetch_add(1, std::memory_order_relaxed);
}

// True when the count reached zero.
bool DropRef(std::atomic<std::uint32_t>& refs) {
  if (ProcessIsSingleThreaded()) {
    const std::uint32_t left = refs.load(std::memory_order_relaxed) - 1;
    refs.store(left, std::memory_order_relaxed);
    return left == 0;
  }
  return refs.fetch_sub(1, std::memory_order_acq_rel) == 1;
}

std::uint32_t CheckedSize(std::size_t size) {
  if (size > 0x7FFFFFFF) throw std::length_error("Text too long.");
  return static_cast<std::uint32_t>(size);
}

}  // namespace

TSharedText::TBlockHeader* TSharedText::NewBlock(std::size_t capacity) {
  CheckedSize(capacity);
  void* memory = std::malloc(sizeof(TBlockHeader) + capacity * sizeof(char16_t));
  if (memory == nullptr) throw std::bad_alloc();
  auto* block = static_cast<TBlockHeader*>(memory);
  new (&block->Refs) std::atomic<std::uint32_t>(1);
  block->Capacity = static_cast<std::uint32_t>(capacity);
  block->Used = 0;
  block->Unused = 0;
  return block;
}

void TSharedText::Unref(TBlockHeader* block) noexcept {
  if (block != nullptr && DropRef(block->Refs)) {
    block->Refs.~atomic();
    std::free(block);
  }
}

TSharedText::TBlockHeader* TSharedText::Block() const noexcept {
  if (Data_ == nullptr) return nullptr;
  return reinterpret_cast<TBlockHeader*>(
      const_cast<char*>(reinterpret_cast<const char*>(Data_) - Offset_));
}

void TSharedText::Release() noexcept {
  Unref(Block());
  Data_ = nullptr;
  Size_ = 0;
  Offset_ = 0;
}

TSharedText::TSharedText(const TSharedText& other) noexcept
    : Data_(other.Data_), Size_(other.Size_), Offset_(other.Offset_) {
  if (TBlockHeader* block = Block()) AddRef(block->Refs);
}

TSharedText::TSharedText(TSharedText&& other) noexcept
    : Data_(other.Data_), Size_(other.Size_), Offset_(other.Offset_) {
  other.Data_ = nullptr;
  other.Size_ = 0;
  other.Offset_ = 0;
}

TSharedText& TSharedText::operator=(const TSharedText& other) noexcept {
  if (this != &other) {
    if (TBlockHeader* block = other.Block()) AddRef(block->Refs);
    Release();
    Data_ = other.Data_;
    Size_ = other.Size_;
    Offset_ = other.Offset_;
  }
  return *this;
}

TSharedText& TSharedText::operator=(TSharedText&& other) noexcept {
  if (this != &other) {
    Release();
    Data_ = other.Data_;
    Size_ = other.Size_;
    Offset_ = other.Offset_;
    other.Data_ = nullptr;
    other.Size_ = 0;
    other.Offset_ = 0;
  }
  return *this;
}

void TSharedText::Assign(std::u16string_view text) {
  if (text.empty()) {
    Release();
    return;
  }
  // The old text may be what is assigned; the new block is filled before the old one goes.
  TBlockHeader* block = NewBlock(text.size());
  std::memcpy(block->Text(), text.data(), text.size() * sizeof(char16_t));
  block->Used = static_cast<std::uint32_t>(text.size());
  Release();
  Data_ = block->Text();
  Size_ = static_cast<std::uint32_t>(text.size());
  Offset_ = sizeof(TBlockHeader);
}

void TSharedText::Append(std::u16string_view text) {
  if (text.empty()) return;
  const std::uint32_t size = CheckedSize(Size_ + text.size());
  TBlockHeader* block = Block();
  if (block != nullptr && block->Refs.load(std::memory_order_acquire) == 1 &&
      Data_ + Size_ == block->Text() + block->Used && block->Used + text.size() <= block->Capacity) {
    std::memcpy(const_cast<char16_t*>(Data_) + Size_, text.data(), text.size() * sizeof(char16_t));
    block->Used += static_cast<std::uint32_t>(text.size());
    Size_ = size;
    return;
  }
  // Room for an eighth more, at least a few thousand units, so that a text built from many
  // pieces costs linear time without holding much more than its length.
  const std::size_t capacity = static_cast<std::size_t>(size) + std::max<std::size_t>(size / 8, 4096);
  if (block != nullptr && block->Refs.load(std::memory_order_acquire) == 1 && Data_ == block->Text() &&
      Size_ == block->Used) {
    // The heap can often move or extend a large block without copying it.
    void* moved = std::realloc(block, sizeof(TBlockHeader) + CheckedSize(capacity) * sizeof(char16_t));
    if (moved == nullptr) throw std::bad_alloc();
    block = static_cast<TBlockHeader*>(moved);
    block->Capacity = static_cast<std::uint32_t>(capacity);
    std::memcpy(block->Text() + Size_, text.data(), text.size() * sizeof(char16_t));
    block->Used = size;
    Data_ = block->Text();
    Size_ = size;
    return;
  }
  TBlockHeader* grown = NewBlock(capacity);
  if (Size_ > 0) std::memcpy(grown->Text(), Data_, Size_ * sizeof(char16_t));
  std::memcpy(grown->Text() + Size_, text.data(), text.size() * sizeof(char16_t));
  grown->Used = size;
  Release();
  Data_ = grown->Text();
  Size_ = size;
  Offset_ = sizeof(TBlockHeader);
}

void TSharedText::ShrinkToFit() {
  TBlockHeader* block = Block();
  if (block == nullptr || block->Refs.load(std::memory_order_acquire) != 1 || Data_ != block->Text() ||
      Size_ != block->Used || block->Capacity == Size_)
    return;
  void* moved = std::realloc(block, sizeof(TBlockHeader) + Size_ * sizeof(char16_t));
  if (moved == nullptr) return;  // keeping the room is no failure
  block = static_cast<TBlockHeader*>(moved);
  block->Capacity = Size_;
  Data_ = block->Text();
}

TSharedText::TWriter::~TWriter() { Unref(Block_); }

TSharedText TSharedText::TWriter::Take(std::u16string_view text) {
  TSharedText piece;
  if (text.empty()) return piece;
  if (text.size() >= kOwnBlockUnits) {
    piece.Assign(text);
    return piece;
  }
  if (Block_ == nullptr || Block_->Capacity - Block_->Used < text.size()) {
    Unref(Block_);
    Block_ = nullptr;
    Block_ = NewBlock(kWriterBlockUnits);
  }
  char16_t* at = Block_->Text() + Block_->Used;
  std::memcpy(at, text.data(), text.size() * sizeof(char16_t));
  Block_->Used += static_cast<std::uint32_t>(text.size());
  AddRef(Block_->Refs);
  piece.Data_ = at;
  piece.Size_ = static_cast<std::uint32_t>(text.size());
  piece.Offset_ = static_cast<std::uint32_t>(reinterpret_cast<const char*>(at) - reinterpret_cast<const char*>(Block_));
  return piece;
}
