#pragma once
// Counts every call of the replaceable global operator new and operator delete in the
// test process (the binary that links alloc_counter.cpp replaces them). The plugin's
// allocations are the process's allocations when the counts are taken around its calls.

#include <cstdint>

namespace reliability {

struct AllocCounts {
  uint64_t news = 0;     // successful allocations, every form of operator new
  uint64_t deletes = 0;  // deallocations of non-null pointers, every form of operator delete
};

// The counts since process start; safe from any thread.
AllocCounts AllocSnapshot();

// Allocations and frees between two snapshots.
inline AllocCounts AllocDelta(const AllocCounts& before, const AllocCounts& after) {
  return {after.news - before.news, after.deletes - before.deletes};
}

}  // namespace reliability
