#pragma once
// The frei0r interface from Debian's header, which declares its functions without C linkage.

extern "C" {
#include <frei0r.h>
}
