#include "host/ModuleHandle.h"

namespace qp {

namespace {
void* theModule = nullptr;
}

void setModuleHandle(void* module) { theModule = module; }
void* moduleHandle() { return theModule; }

}  // namespace qp
