// Storage for the many small objects of the owned-object trees: slots of one size are cut
// from 2 MB slabs, without a per-object header and with neighbours of the same kind next to
// each other; a slab's pages count only once slots on them are used. A slab whose objects
// are all gone is kept for reuse by objects of any size (up to 1 GiB of them; more go back
// to the heap), unless it is the last one with room for its size, which simply stays.
// Larger requests, and every request in sanitizer builds (which must see each object on its
// own), go to the ordinary heap.
#pragma once

#include <cstddef>

namespace ObjectPool {

void* Allocate(std::size_t size);
// `size` must be the size the storage was allocated with.
void Release(void* pointer, std::size_t size) noexcept;

}  // namespace ObjectPool
