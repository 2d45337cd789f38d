#include "dom/ObjectPool.h"

#include "platform/SingleThread.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace {

// GCC announces AddressSanitizer with a macro, clang only through __has_feature.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define EARMARK_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(EARMARK_ADDRESS_SANITIZER)
constexpr bool kPooling = false;
#else
constexpr bool kPooling = true;
#endif

// Large enough that the heap maps each slab on its own instead of cutting aligned pieces out
// of the space small objects share (smaller slabs raised the peak memory of a parse), and the
// size of a huge page.
constexpr std::size_t kSlabBytes = 2 * 1024 * 1024;
constexpr std::size_t kGranule = 8;
constexpr std::size_t kLargestSlot = 256;

struct TFreeSlot {
  TFreeSlot* Next;
};

// The header at the start of every slab; the slab is aligned to its size, so a slot finds
// its slab by clearing the low bits of its address.
struct TSlab {
  TFreeSlot* FreeSlots;  // slots given back
  char* Unused;          // the first slot never handed out
  char* End;
  std::size_t SlotSize;
  int Live;
  bool Listed;       // in its size's list of slabs with room
  TSlab* Previous;   // in that list
  TSlab* Next;
};

constexpr std::size_t kHeaderBytes = (sizeof(TSlab) + 15) / 16 * 16;

// Per slot size, the slabs that have room.
TSlab* WithRoom[kLargestSlot / kGranule + 1] = {};

// Empty slabs kept for the next objects of any size, as the heap keeps freed memory for the
// process: a document freed and another one parsed then reuse pages that are already there
// instead of giving them back and touching fresh ones. Beyond the limit they go back.
constexpr int kMaxSpareSlabs = 1024;
TSlab* SpareSlabs = nullptr;
int SpareSlabCount = 0;
long SlabsMade = 0;
constexpr long kSmallPageSlabs = 8;

// Huge pages are asked for only while they come cheap. Where the system has handed the
// memory of its free huge blocks back to a host (a virtual machine reporting free pages), the
// first touch of each huge page waits for the host to supply it again and costs several
// times what the same memory in small pages does; the first slow one ends the asking for
// the rest of the process. A huge page that comes at once takes a few tenths of a
// millisecond; small pages for a slab take about 0.6 ms.
constexpr std::chrono::microseconds kSlowHugePage{600};
bool HugePagesCheap = true;

// Asks for huge pages behind a fresh slab and touches it, ending the asking when that was slow.
void BackWithHugePages(void* memory) {
  if (madvise(memory, kSlabBytes, MADV_HUGEPAGE) != 0) {
    HugePagesCheap = false;
    return;
  }
  const auto start = std::chrono::steady_clock::now();
  *static_cast<volatile char*>(memory) = 0;
  if (std::chrono::steady_clock::now() - start > kSlowHugePage) HugePagesCheap = false;
}

// Objects may be made on one thread and destroyed on another; the lock is held for a few
// pointer moves only.
std::atomic_flag Lock = ATOMIC_FLAG_INIT;

class TLockGuard {
public:
  // A process with one thread only takes no lock.
  TLockGuard() : Locked_(!ProcessIsSingleThreaded()) {
    if (Locked_)
      while (Lock.test_and_set(std::memory_order_acquire)) {
      }
  }
  ~TLockGuard() {
    if (Locked_) Lock.clear(std::memory_order_release);
  }
  TLockGuard(const TLockGuard&) = delete;
  TLockGuard& operator=(const TLockGuard&) = delete;

private:
  bool Locked_;
};

std::size_t SlotSizeOf(std::size_t size) { return size == 0 ? kGranule : (size + kGranule - 1) / kGranule * kGranule; }

void List(TSlab* slab) {
  TSlab*& head = WithRoom[slab->SlotSize / kGranule];
  slab->Previous = nullptr;
  slab->Next = head;
  if (head != nullptr) head->Previous = slab;
  head = slab;
  slab->Listed = true;
}

void Unlist(TSlab* slab) {
  TSlab*& head = WithRoom[slab->SlotSize / kGranule];
  if (slab->Previous != nullptr)
    slab->Previous->Next = slab->Next;
  else
    head = slab->Next;
  if (slab->Next != nullptr) slab->Next->Previous = slab->Previous;
  slab->Previous = nullptr;
  slab->Next = nullptr;
  slab->Listed = false;
}

bool IsFull(const TSlab* slab) {
  return slab->FreeSlots == nullptr && static_cast<std::size_t>(slab->End - slab->Unused) < slab->SlotSize;
}

}  // namespace

namespace ObjectPool {

void* Allocate(std::size_t size) {
  if (!kPooling || size > kLargestSlot) return ::operator new(size);
  const std::size_t slotSize = SlotSizeOf(size);
  TLockGuard guard;
  TSlab* slab = WithRoom[slotSize / kGranule];
  if (slab == nullptr) {
    void* memory = SpareSlabs;
    if (memory != nullptr) {
      SpareSlabs = SpareSlabs->Next;
      --SpareSlabCount;
    } else {
      memory = std::aligned_alloc(kSlabBytes, kSlabBytes);
      if (memory == nullptr) throw std::bad_alloc();
      // Past the first few slabs the document is a large one: its slabs are backed by huge
      // pages where the system offers them cheaply, so that touching them costs one fault
      // per slab instead of one per small page. A small document keeps to small pages.
      if (++SlabsMade > kSmallPageSlabs && HugePagesCheap) BackWithHugePages(memory);
    }
    slab = static_cast<TSlab*>(memory);
    slab->FreeSlots = nullptr;
    slab->Unused = static_cast<char*>(memory) + kHeaderBytes;
    slab->End = static_cast<char*>(memory) + kSlabBytes;
    slab->SlotSize = slotSize;
    slab->Live = 0;
    List(slab);
  }
  void* slot;
  if (slab->FreeSlots != nullptr) {
    slot = slab->FreeSlots;
    slab->FreeSlots = slab->FreeSlots->Next;
  } else {
    slot = slab->Unused;
    slab->Unused += slotSize;
  }
  ++slab->Live;
  if (IsFull(slab)) Unlist(slab);
  return slot;
}

void Release(void* pointer, std::size_t size) noexcept {
  if (pointer == nullptr) return;
  if (!kPooling || size > kLargestSlot) {
    ::operator delete(pointer);
    return;
  }
  TLockGuard guard;
  auto* slab = reinterpret_cast<TSlab*>(reinterpret_cast<std::uintptr_t>(pointer) & ~(kSlabBytes - 1));
  auto* slot = static_cast<TFreeSlot*>(pointer);
  slot->Next = slab->FreeSlots;
  slab->FreeSlots = slot;
  --slab->Live;
  if (!slab->Listed) List(slab);
  // An empty slab goes back unless it is the only one left with room for its size, which
  // keeps making and destroying single objects from costing a slab each time.
  if (slab->Live == 0 && (slab->Previous != nullptr || slab->Next != nullptr)) {
    Unlist(slab);
    if (SpareSlabCount < kMaxSpareSlabs) {
      slab->Next = SpareSlabs;
      SpareSlabs = slab;
      ++SpareSlabCount;
    } else {
      std::free(slab);
    }
  }
}

}  // namespace ObjectPool
