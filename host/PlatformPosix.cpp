// The default Platform outside Windows (the LV2 plug-in, the native tests).
#include "host/MemoryPlatform.h"

namespace qp {

// Without Windows nobody can answer a dialog: questions are answered No, so
// nothing is written on anyone's behalf.
Platform& defaultPlatform() {
    static MemoryPlatform platform;
    return platform;
}

}  // namespace qp
