// Where the X11 back end finds the toolkit's bitmaps: tables of .bmp files
// compiled into the binary (cmake/EmbedBitmaps.cmake makes one from a Windows
// resource script, so both platforms draw from the same files). A table stands
// for what a module is on Windows: Bitmap(module, id) looks in that table, and
// Bitmap(id) in the toolkit's module, which is the table marked default in the
// binary (the plug-in's own pictures, or a test program's) unless set otherwise.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qp::x11 {

struct EmbeddedResource {
    std::int32_t id;
    const std::uint8_t* data;
    std::size_t size;
};

struct ResourceTable {
    const EmbeddedResource* entries;
    std::size_t count;

    // The entry with that id, or none.
    const EmbeddedResource* find(std::int32_t id) const;
};

// A static object of the generated file: makes its table the default one.
class DefaultResources {
public:
    explicit DefaultResources(const ResourceTable& table);
};

// The table marked default, or none when the binary embeds none.
const ResourceTable* defaultResources();

}  // namespace qp::x11
