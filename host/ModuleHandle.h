// The loaded library's own module handle (an HINSTANCE on Windows), recorded by
// the library entry point. The effect uses it for its file path and resources.
#pragma once

namespace qp {

void setModuleHandle(void* module);
void* moduleHandle();

}  // namespace qp
