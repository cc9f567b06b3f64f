// Replaces the global allocation functions of the test binary so that tests can show
// that a code path allocates nothing and that allocations and frees balance. Every form
// is replaced, so no allocation escapes the count by taking another overload.

#include "tests/reliability/alloc_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<uint64_t> newCount{0};
std::atomic<uint64_t> deleteCount{0};

void* Allocate(std::size_t size) {
  void* block = std::malloc(size ? size : 1);
  if (block) newCount.fetch_add(1, std::memory_order_relaxed);
  return block;
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
  const std::size_t align = static_cast<std::size_t>(alignment);
  // aligned_alloc wants a size that is a multiple of the alignment.
  const std::size_t rounded = ((size ? size : 1) + align - 1) / align * align;
  void* block = std::aligned_alloc(align, rounded);
  if (block) newCount.fetch_add(1, std::memory_order_relaxed);
  return block;
}

void Release(void* block) {
  if (!block) return;
  deleteCount.fetch_add(1, std::memory_order_relaxed);
  std::free(block);
}

}  // namespace

namespace reliability {

AllocCounts AllocSnapshot() {
  return {newCount.load(std::memory_order_relaxed), deleteCount.load(std::memory_order_relaxed)};
}

}  // namespace reliability

void* operator new(std::size_t size) {
  if (void* block = Allocate(size)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new(std::size_t size, std::align_val_t alignment) {
  if (void* block = AllocateAligned(size, alignment)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t alignment) { return operator new(size, alignment); }
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return AllocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return AllocateAligned(size, alignment);
}

void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete(void* block, std::align_val_t) noexcept { Release(block); }
void operator delete[](void* block, std::align_val_t) noexcept { Release(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { Release(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept { Release(block); }
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept { Release(block); }
