#pragma once
// A process that forks keeps only the thread that forked: threads of ours that the child
// would wait for are not there. Code that owns such a thread learns of the fork here.

namespace hostkit {

// Runs `handler` in the child of every later fork, before fork returns there. The handler
// may only set flags (the child holds one thread and possibly locks held by others).
void CallInForkedChild(void (*handler)());

}  // namespace hostkit
