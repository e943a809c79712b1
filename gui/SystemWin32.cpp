#include <windows.h>

#include "gui/System.h"

namespace qp {

std::uint32_t systemTicks() { return GetTickCount(); }

std::int32_t doubleClickTime() { return std::int32_t(GetDoubleClickTime()); }

std::uint32_t currentThreadId() { return GetCurrentThreadId(); }

}  // namespace qp
