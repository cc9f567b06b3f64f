// Replaces the global allocation functions of the test binary so that tests can show that
// a code path allocates nothing and that allocations and frees balance. Every form is
// replaced, so no allocation escapes the count by taking another overload.
//
// Each block carries a small header saying whether it was counted and how large it is, so
// a free is matched to its allocation. Whether an allocation is counted is decided by its
// caller: the stack is unwound past operator new and past the C++ library, and the first
// frame found must lie in this executable.

#include "tests/reliability/alloc_counter.h"

#include <link.h>
#include <unwind.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

std::atomic<uint64_t> newCount{0};
std::atomic<uint64_t> deleteCount{0};
std::atomic<uint64_t> liveBytes{0};

// Code ranges of the executable and of the C++ library, found once. Both are loaded before
// main, so later loads (the GL driver) need no second look.
struct Range {
  uintptr_t begin = 0, end = 0;
  bool Holds(uintptr_t address) const { return address >= begin && address < end; }
};
Range executable;
Range cxxLibrary;
std::atomic<bool> rangesKnown{false};

void NoteCode(const dl_phdr_info* info, Range& range) {
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& header = info->dlpi_phdr[i];
    if (header.p_type != PT_LOAD || !(header.p_flags & PF_X)) continue;
    const uintptr_t begin = info->dlpi_addr + header.p_vaddr;
    if (!range.begin || begin < range.begin) range.begin = begin;
    if (begin + header.p_memsz > range.end) range.end = begin + header.p_memsz;
  }
}

int NoteObject(dl_phdr_info* info, size_t, void* first) {
  bool& isFirst = *static_cast<bool*>(first);
  if (isFirst) NoteCode(info, executable);  // the program itself comes first
  else if (info->dlpi_name && std::strstr(info->dlpi_name, "libstdc++")) NoteCode(info, cxxLibrary);
  isFirst = false;
  return 0;
}

void FindRanges() {
  if (rangesKnown.load(std::memory_order_acquire)) return;
  bool first = true;
  dl_iterate_phdr(NoteObject, &first);
  rangesKnown.store(true, std::memory_order_release);
}

struct Walk {
  int frame = 0;
  uintptr_t caller = 0;
};

_Unwind_Reason_Code Step(_Unwind_Context* context, void* argument) {
  Walk& walk = *static_cast<Walk*>(argument);
  const uintptr_t address = _Unwind_GetIP(context);
  // Frame 0 is this file's own code, frame 1 operator new; C++ library frames are looked
  // through.
  if (walk.frame++ < 2 || cxxLibrary.Holds(address)) return _URC_NO_REASON;
  walk.caller = address;
  return _URC_END_OF_STACK;
}

// The unwinder may allocate on its first use; a nested allocation is never counted.
thread_local bool walking = false;

bool CalledFromExecutable() {
  if (walking) return false;
  walking = true;
  FindRanges();
  Walk walk;
  _Unwind_Backtrace(Step, &walk);
  walking = false;
  return executable.Holds(walk.caller);
}

// Header in front of every block: the pointer malloc answered, the size, the count mark.
struct alignas(std::max_align_t) Header {
  void* raw;
  std::size_t size;
  bool counted;
};

void* Allocate(std::size_t size, std::size_t alignment) {
  const std::size_t offset = alignment > sizeof(Header) ? alignment : sizeof(Header);
  void* raw = alignment > alignof(std::max_align_t)
                  ? std::aligned_alloc(alignment, (size + offset + alignment - 1) / alignment * alignment)
                  : std::malloc(size + offset);
  if (!raw) return nullptr;
  void* block = static_cast<char*>(raw) + offset;
  Header* header = static_cast<Header*>(block) - 1;
  header->raw = raw;
  header->size = size;
  header->counted = CalledFromExecutable();
  if (header->counted) {
    newCount.fetch_add(1, std::memory_order_relaxed);
    liveBytes.fetch_add(size, std::memory_order_relaxed);
  }
  return block;
}

void Release(void* block) {
  if (!block) return;
  Header* header = static_cast<Header*>(block) - 1;
  if (header->counted) {
    deleteCount.fetch_add(1, std::memory_order_relaxed);
    liveBytes.fetch_sub(header->size, std::memory_order_relaxed);
  }
  std::free(header->raw);
}

void* AllocateOrThrow(std::size_t size, std::size_t alignment) {
  if (void* block = Allocate(size, alignment)) return block;
  throw std::bad_alloc();
}

}  // namespace

namespace reliability {

AllocCounts AllocSnapshot() {
  return {newCount.load(std::memory_order_relaxed), deleteCount.load(std::memory_order_relaxed),
          liveBytes.load(std::memory_order_relaxed)};
}

}  // namespace reliability

constexpr std::size_t kPlain = alignof(std::max_align_t);

void* operator new(std::size_t size) { return AllocateOrThrow(size, kPlain); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size, kPlain); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, kPlain); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, kPlain); }
void* operator new(std::size_t size, std::align_val_t a) { return AllocateOrThrow(size, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return AllocateOrThrow(size, static_cast<std::size_t>(a)); }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return Allocate(size, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
  return Allocate(size, static_cast<std::size_t>(a));
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
