#include "gui/ResourcesX11.h"

namespace qp::x11 {

namespace {

// Constant-initialised, so it is none before any generated file's registration
// runs, whatever the order of static initialisation.
const ResourceTable* theDefault = nullptr;

}  // namespace

const EmbeddedResource* ResourceTable::find(std::int32_t id) const {
    for (std::size_t i = 0; i < count; ++i) {
        if (entries[i].id == id) {
            return &entries[i];
        }
    }
    return nullptr;
}

DefaultResources::DefaultResources(const ResourceTable& table) { theDefault = &table; }

const ResourceTable* defaultResources() { return theDefault; }

}  // namespace qp::x11
