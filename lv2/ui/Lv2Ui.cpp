#include "lv2/ui/Lv2Ui.h"

#include <lv2/atom/atom.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "editor/BuzzEditor.h"
#include "lv2/Lv2Ports.h"

namespace qp::lv2 {

namespace {

// The presets of presets.ttl, written by qp_lv2_bundle from the factory bank.
constexpr UiPreset kFactoryPresets[] = {
#include "lv2/ui/FactoryPresetTable.inc"
};
static_assert(sizeof kFactoryPresets / sizeof kFactoryPresets[0] == kProgramCount,
              "one preset per program of the effect");

// LV2's float protocol: a port_event or write of one float.
constexpr std::uint32_t kFloatProtocol = 0;

const LV2_Feature* findFeature(const LV2_Feature* const* features, const char* uri) {
    for (const LV2_Feature* const* f = features; f && *f; ++f) {
        if (std::strcmp((*f)->URI, uri) == 0) {
            return *f;
        }
    }
    return nullptr;
}

const void* featureData(const LV2_Feature* const* features, const char* uri) {
    const LV2_Feature* found = findFeature(features, uri);
    return found ? found->data : nullptr;
}

// The control port that carries a parameter; kPortCount for an index no port
// carries.
std::uint32_t portOf(std::int32_t parameter) {
    for (std::uint32_t port = 0; port < kPortCount; ++port) {
        if (kPorts[port].kind == PortKind::ControlInput && kPorts[port].parameter == parameter) {
            return port;
        }
    }
    return kPortCount;
}

bool isParameter(std::int32_t index) { return portOf(index) < kPortCount; }

// Options end with one whose key (and value) is 0; no URID is 0.
bool isLastOption(const LV2_Options_Option& option) { return option.key == 0; }

}  // namespace

Lv2Ui::Lv2Ui(LV2UI_Write_Function write, LV2UI_Controller controller)
    : write_(write),
      controller_(controller) {
    for (std::int32_t index = 0; index < kParameterCount; ++index) {
        values_[index] = kParameterDefinitions[index].defaultValue;
    }
}

Lv2Ui* Lv2Ui::create(LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                     const LV2_Feature* const* features) {
    // ui:parent carries the X11 window id in the pointer itself; without it there
    // is nothing to show. Idle time comes from the interface extension_data hands
    // out: some hosts also list ui:idleInterface as a feature, others (Qtractor)
    // only ask for the interface, so the feature itself is not looked for.
    void* parent = const_cast<void*>(featureData(features, LV2_UI__parent));
    if (!parent || !write || !widget) {
        return nullptr;
    }
    std::unique_ptr<Lv2Ui> ui(new (std::nothrow) Lv2Ui(write, controller));
    if (!ui) {
        return nullptr;
    }
    ui->touch_ = static_cast<const LV2UI_Touch*>(featureData(features, LV2_UI__touch));
    // Before the editor opens: it may ask for its size from inside open.
    ui->resize_ = static_cast<const LV2UI_Resize*>(featureData(features, LV2_UI__resize));
    // Options are keyed by URIDs: without the host's map none can be read.
    if (auto* map = static_cast<const LV2_URID_Map*>(featureData(features, LV2_URID__map)); map && map->map) {
        ui->scaleFactorUrid_ = map->map(map->handle, LV2_UI__scaleFactor);
        ui->floatUrid_ = map->map(map->handle, LV2_ATOM__Float);
    }
    ui->editor_.reset(new (std::nothrow) BuzzEditor(*ui, BuzzEditor::Commands::AboutAndPresets));
    if (!ui->editor_) {
        return nullptr;
    }
    // The editor comes up at the step of the host's scale, so the scale must be
    // there before open.
    auto* options = static_cast<const LV2_Options_Option*>(featureData(features, LV2_OPTIONS__options));
    for (const LV2_Options_Option* option = options; option && !isLastOption(*option); ++option) {
        if (const double scale = ui->scaleOf(*option); scale > 0.0) {
            ui->editor_->setHostScale(scale);
        }
    }
    std::int32_t width = 0;
    std::int32_t height = 0;
    ui->editor_->announceSize(width, height);
    if (!ui->editor_->open(parent)) {
        return nullptr;
    }
    void* window = ui->editor_->window();
    if (!window) {
        return nullptr;
    }
    *widget = window;
    if (ui->resize_) {
        ui->resize_->ui_resize(ui->resize_->handle, ui->editor_->width(), ui->editor_->height());
    }
    return ui.release();
}

Lv2Ui::~Lv2Ui() {
    lifeline_.end();
    if (editor_) {
        // A drag still held ends its touch bracket here; nothing is written after.
        editor_->close();
    }
    editor_.reset();
}

float Lv2Ui::parameterValue(std::int32_t index) const {
    return index >= 0 && index < kParameterCount ? values_[index] : 0.0f;
}

void Lv2Ui::storeValue(std::int32_t parameter, float value) {
    if (parameter < 0 || parameter >= kParameterCount || !std::isfinite(value)) {
        return;
    }
    values_[parameter] = value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
}

void Lv2Ui::beginGesture(std::int32_t index) { touch(index, true); }

void Lv2Ui::changeValue(std::int32_t index, float value) {
    if (isParameter(index)) {
        storeValue(index, value);
        writePort(index, values_[index]);
    }
}

void Lv2Ui::endGesture(std::int32_t index) { touch(index, false); }

std::int32_t Lv2Ui::presetCount() const { return kProgramCount; }

void Lv2Ui::presetName(std::int32_t preset, char* name, std::size_t size) const {
    if (size > 0) {
        std::snprintf(name, size, "%s",
                      preset >= 0 && preset < kProgramCount ? kFactoryPresets[preset].name : "");
    }
}

std::int32_t Lv2Ui::currentPreset() const {
    for (std::int32_t preset = 0; preset < kProgramCount; ++preset) {
        const float* values = kFactoryPresets[preset].values;
        // The values a preset writes are these very floats, and so are the ones
        // a host loading presets.ttl sends (the same decimal text): no tolerance.
        if (values_[kSensIndex] == values[kSensIndex] && values_[kBuzzIndex] == values[kBuzzIndex]) {
            return preset;
        }
    }
    return -1;
}

void Lv2Ui::choosePreset(std::int32_t preset) {
    if (preset < 0 || preset >= kProgramCount) {
        return;
    }
    for (std::int32_t parameter : {kSensIndex, kBuzzIndex}) {
        const float presetValue = kFactoryPresets[preset].values[parameter];
        values_[parameter] = presetValue;
        if (!writePort(parameter, presetValue)) {
            return;
        }
        // The host echoes its ports later, or not at all: the knob moves now.
        editor_->parameterChanged(parameter, presetValue);
    }
}

void Lv2Ui::portEvent(std::uint32_t port, std::uint32_t bufferSize, std::uint32_t format,
                      const void* buffer) {
    if (format != kFloatProtocol || bufferSize != sizeof(float) || !buffer || port >= kPortCount ||
        kPorts[port].kind != PortKind::ControlInput) {
        return;
    }
    float value;
    std::memcpy(&value, buffer, sizeof value);
    const std::int32_t parameter = kPorts[port].parameter;
    storeValue(parameter, value);
    editor_->parameterChanged(parameter, values_[parameter]);
}

int Lv2Ui::idle() {
    editor_->idle();
    return 0;
}

double Lv2Ui::scaleOf(const LV2_Options_Option& option) const {
    if (!scaleFactorUrid_ || option.context != LV2_OPTIONS_INSTANCE || option.key != scaleFactorUrid_ ||
        option.type != floatUrid_ || option.size != sizeof(float) || !option.value) {
        return 0.0;
    }
    float scale;
    std::memcpy(&scale, option.value, sizeof scale);
    return std::isfinite(scale) && scale > 0.0f ? double(scale) : 0.0;
}

std::uint32_t Lv2Ui::getOptions(LV2_Options_Option* options) {
    std::uint32_t status = LV2_OPTIONS_SUCCESS;
    for (LV2_Options_Option* option = options; option && !isLastOption(*option); ++option) {
        if (!scaleFactorUrid_ || option->key != scaleFactorUrid_) {
            status |= LV2_OPTIONS_ERR_BAD_KEY;
        } else if (option->context != LV2_OPTIONS_INSTANCE) {
            status |= LV2_OPTIONS_ERR_BAD_SUBJECT;
        } else if (editor_->hostScale() <= 0.0) {
            // The host never said one: the editor follows the system's scale,
            // which is no value of this option.
            status |= LV2_OPTIONS_ERR_UNKNOWN;
        } else {
            answeredScale_ = float(editor_->hostScale());
            option->size = sizeof answeredScale_;
            option->type = floatUrid_;
            option->value = &answeredScale_;
        }
    }
    return status;
}

std::uint32_t Lv2Ui::setOptions(const LV2_Options_Option* options) {
    std::uint32_t status = LV2_OPTIONS_SUCCESS;
    for (const LV2_Options_Option* option = options; option && !isLastOption(*option); ++option) {
        if (!scaleFactorUrid_ || option->key != scaleFactorUrid_) {
            status |= LV2_OPTIONS_ERR_BAD_KEY;
        } else if (option->context != LV2_OPTIONS_INSTANCE) {
            status |= LV2_OPTIONS_ERR_BAD_SUBJECT;
        } else if (const double scale = scaleOf(*option); scale <= 0.0) {
            status |= LV2_OPTIONS_ERR_BAD_VALUE;
        } else {
            // The open editor resizes and asks the host for its new size, and a
            // host may clean the UI up from inside that.
            const CallOut call(lifeline_);
            editor_->setHostScale(scale);
            if (call.isLost()) {
                return status;
            }
        }
    }
    return status;
}

bool Lv2Ui::requestSize(std::int32_t width, std::int32_t height) {
    if (!resize_ || !resize_->ui_resize || width <= 0 || height <= 0) {
        return false;
    }
    // ui_resize answers 0 when the host took the size. The editor learns of a
    // lost UI through its own call-out.
    return resize_->ui_resize(resize_->handle, width, height) == 0;
}

bool Lv2Ui::writePort(std::int32_t parameter, float value) {
    CallOut call(lifeline_);
    write_(controller_, portOf(parameter), sizeof value, kFloatProtocol, &value);
    return !call.isLost();
}

void Lv2Ui::touch(std::int32_t parameter, bool grabbed) {
    if (isParameter(parameter) && touch_ && touch_->touch) {
        touch_->touch(touch_->handle, portOf(parameter), grabbed);
    }
}

}  // namespace qp::lv2
