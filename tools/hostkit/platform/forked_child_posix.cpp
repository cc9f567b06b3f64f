#include <pthread.h>

#include "tools/hostkit/platform/forked_child.h"

namespace hostkit {

void CallInForkedChild(void (*handler)()) { pthread_atfork(nullptr, nullptr, handler); }

}  // namespace hostkit
