// OptionMenuPopup on X11. For now it makes no menus: menuCount() is 0 and track
// answers 0 (nothing chosen). The toolkit's own popup windows come here.
#include "gui/OptionMenuPopup.h"

namespace qp {

OptionMenuPopup::~OptionMenuPopup() = default;

NativeMenu OptionMenuPopup::build(OptionMenu&, std::vector<OptionMenu*>&) { return nullptr; }

std::int32_t OptionMenuPopup::track(NativeWindow, std::int32_t, std::int32_t, bool) { return 0; }

}  // namespace qp
