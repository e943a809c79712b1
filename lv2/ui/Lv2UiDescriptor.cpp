#include "lv2/ui/Lv2UiDescriptor.h"

#include <cstring>

#include "gui/X11Errors.h"
#include "lv2/Lv2Ports.h"
#include "lv2/ui/Lv2Ui.h"

namespace qp::lv2 {

namespace {

Lv2Ui* uiOf(LV2UI_Handle handle) { return static_cast<Lv2Ui*>(handle); }

// Every entry from the host holds an error scope (gui/X11Errors.h): each X
// request of the editor's connection is made inside one.
using HostEntry = x11::ErrorScope;

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features) {
    if (!pluginUri || std::strcmp(pluginUri, kPluginUri) != 0) {
        return nullptr;
    }
    const HostEntry entry;
    return Lv2Ui::create(write, controller, widget, features);
}

void cleanup(LV2UI_Handle handle) {
    const HostEntry entry;
    delete uiOf(handle);
}

void portEvent(LV2UI_Handle handle, std::uint32_t port, std::uint32_t bufferSize, std::uint32_t format,
               const void* buffer) {
    const HostEntry entry;
    uiOf(handle)->portEvent(port, bufferSize, format, buffer);
}

int idle(LV2UI_Handle handle) {
    const HostEntry entry;
    return uiOf(handle)->idle();
}

std::uint32_t getOptions(LV2_Handle handle, LV2_Options_Option* options) {
    const HostEntry entry;
    return uiOf(handle)->getOptions(options);
}

std::uint32_t setOptions(LV2_Handle handle, const LV2_Options_Option* options) {
    const HostEntry entry;
    return uiOf(handle)->setOptions(options);
}

constexpr LV2UI_Idle_Interface kIdleInterface = {idle};
constexpr LV2_Options_Interface kOptionsInterface = {getOptions, setOptions};

const void* extensionData(const char* uri) {
    if (!uri) {
        return nullptr;
    }
    if (std::strcmp(uri, LV2_UI__idleInterface) == 0) {
        return &kIdleInterface;
    }
    return std::strcmp(uri, LV2_OPTIONS__interface) == 0 ? &kOptionsInterface : nullptr;
}

constexpr LV2UI_Descriptor kDescriptor = {kUiUri, instantiate, cleanup, portEvent, extensionData};

}  // namespace

const LV2UI_Descriptor* uiDescriptor(std::uint32_t index) { return index == 0 ? &kDescriptor : nullptr; }

}  // namespace qp::lv2
