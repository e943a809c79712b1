// OptionMenuPopup's bookkeeping, the same on every platform: the identifiers of
// the blocks and the way back from an identifier to its menu and entry.
#include "gui/OptionMenuPopup.h"

namespace qp {

OptionMenuPopup::OptionMenuPopup(OptionMenu& root) {
    std::vector<OptionMenu*> path;
    build(root, path);
}

OptionMenu* OptionMenuPopup::menuFor(std::int32_t id, std::int32_t& index) const {
    for (const Block& block : blocks_) {
        if (id >= block.first && id < block.first + block.count) {
            index = id - block.first;
            return block.menu;
        }
    }
    index = -1;
    return nullptr;
}

}  // namespace qp
