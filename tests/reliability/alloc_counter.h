#pragma once
// Counts the replaceable global operator new and operator delete calls made by this test
// binary's own code, which is where the plugin's internals are linked. Calls made by other
// libraries (Mesa's compiler, LLVM, X11) are not counted: the driver's caches are not the
// plugin's allocations. A call through the C++ library (std::string's members live there)
// is counted for whoever called the C++ library.

#include <cstddef>
#include <cstdint>

namespace reliability {

struct AllocCounts {
  uint64_t news = 0;     // successful allocations, every form of operator new
  uint64_t deletes = 0;  // deallocations of blocks that were counted when allocated
  uint64_t liveBytes = 0;  // bytes of counted blocks not yet freed
};

// The counts since process start; safe from any thread.
AllocCounts AllocSnapshot();

// Allocations and frees between two snapshots; liveBytes is the growth (it wraps when
// the binary's own blocks shrank).
inline AllocCounts AllocDelta(const AllocCounts& before, const AllocCounts& after) {
  return {after.news - before.news, after.deletes - before.deletes, after.liveBytes - before.liveBytes};
}

}  // namespace reliability
