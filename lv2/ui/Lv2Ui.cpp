#include "lv2/ui/Lv2Ui.h"

#include <lv2/atom/atom.h>

#include <cmath>
#include <cstring>
#include <new>

#include "editor/BuzzEditor.h"
#include "effect/BuzzEffect.h"
#include "gui/Frame.h"
#include "lv2/Lv2Ports.h"

namespace qp::lv2 {

namespace {

// The presets of presets.ttl, written by qp_lv2_bundle from the factory bank.
constexpr UiPreset kFactoryPresets[] = {
#include "lv2/ui/FactoryPresetTable.inc"
};
static_assert(sizeof kFactoryPresets / sizeof kFactoryPresets[0] == kProgramCount,
              "one preset per program of the effect");

// The VST 2 version a host reports.
constexpr IntPtr kHostVersion = 2400;
// LV2's float protocol: a port_event or write of one float.
constexpr std::uint32_t kFloatProtocol = 0;

EditorBase* makeLv2Editor(EffectBase* effect) {
    auto* buzz = dynamic_cast<BuzzEffect*>(effect);
    return buzz ? new (std::nothrow) BuzzEditor(buzz, BuzzEditor::Commands::AboutAndPresets) : nullptr;
}

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
// carries (a command of the editor's).
std::uint32_t portOf(Int32 parameter) {
    for (std::uint32_t port = 0; port < kPortCount; ++port) {
        if (kPorts[port].kind == PortKind::ControlInput && kPorts[port].parameter == parameter) {
            return port;
        }
    }
    return kPortCount;
}

bool isParameter(Int32 index) { return portOf(index) < kPortCount; }

// Options end with one whose key (and value) is 0; no URID is 0.
bool isLastOption(const LV2_Options_Option& option) { return option.key == 0; }

}  // namespace

Lv2Ui::Lv2Ui(LV2UI_Write_Function write, LV2UI_Controller controller)
    : write_(write),
      controller_(controller) {}

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
    setEditorFactory(makeLv2Editor);
    ui->model_.reset(new (std::nothrow) BuzzEffect(&Lv2Ui::hostCallback));
    if (!ui->model_ || !ui->model_->editor()) {
        return nullptr;
    }
    ui->model_->record()->user = ui.get();
    ui->editor_ = ui->model_->editor();
    ui->loadFactoryPresets();
    // The editor comes up at the step of the host's scale, so the scale must be
    // there before open.
    auto* options = static_cast<const LV2_Options_Option*>(featureData(features, LV2_OPTIONS__options));
    for (const LV2_Options_Option* option = options; option && !isLastOption(*option); ++option) {
        if (const double scale = ui->scaleOf(*option); scale > 0.0) {
            ui->guiEditor()->setHostScale(scale);
        }
    }
    static_cast<BuzzEditor*>(ui->editor_)->setPresetMatch([owner = ui.get()] {
        return owner->matchingPreset();
    });
    if (ui->editor_->open(parent) != 1) {
        return nullptr;
    }
    auto* frame = static_cast<BuzzEditor*>(ui->editor_)->getFrame();
    void* window = frame ? frame->getWindow() : nullptr;
    if (!window) {
        return nullptr;
    }
    *widget = window;
    ERect* rect = nullptr;
    if (ui->resize_ && ui->editor_->getRect(&rect) == 1 && rect) {
        ui->resize_->ui_resize(ui->resize_->handle, rect->right - rect->left, rect->bottom - rect->top);
    }
    return ui.release();
}

Lv2Ui::~Lv2Ui() {
    lifeline_.end();
    if (editor_) {
        // A drag still held ends its touch bracket here; nothing is written after.
        editor_->close();
    }
    closing_ = true;
    // The effect owns the editor and destroys it with itself.
    model_.reset();
}

void Lv2Ui::loadFactoryPresets() {
    for (Int32 program = 0; program < kProgramCount; ++program) {
        model_->setProgram(program);
        char name[kNameSize] = {};
        std::strncpy(name, kFactoryPresets[program].name, sizeof name - 1);
        model_->setProgramName(name);
        for (Int32 index : {kSensIndex, kBuzzIndex}) {
            model_->setParameter(index, kFactoryPresets[program].values[index]);
        }
    }
    // The ports' values arrive with the host's first port events.
    model_->setProgram(0);
}

std::int32_t Lv2Ui::matchingPreset() const {
    for (Int32 program = 0; program < kProgramCount; ++program) {
        const float* values = kFactoryPresets[program].values;
        // The values a preset writes are these very floats, and so are the ones
        // a host loading presets.ttl sends (the same decimal text): no tolerance.
        if (model_->getParameter(kSensIndex) == values[kSensIndex] &&
            model_->getParameter(kBuzzIndex) == values[kBuzzIndex]) {
            return program;
        }
    }
    return -1;
}

void Lv2Ui::portEvent(std::uint32_t port, std::uint32_t bufferSize, std::uint32_t format,
                      const void* buffer) {
    if (format != kFloatProtocol || bufferSize != sizeof(float) || !buffer || port >= kPortCount ||
        kPorts[port].kind != PortKind::ControlInput) {
        return;
    }
    float value;
    std::memcpy(&value, buffer, sizeof value);
    // The model clamps and passes over non-finite values, as the plug-in does.
    model_->setParameter(kPorts[port].parameter, value);
}

int Lv2Ui::idle() {
    editor_->idle();
    return 0;
}

GuiEditorBase* Lv2Ui::guiEditor() const { return static_cast<BuzzEditor*>(editor_); }

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
        } else if (guiEditor()->hostScale() <= 0.0) {
            // The host never said one: the editor follows the system's scale,
            // which is no value of this option.
            status |= LV2_OPTIONS_ERR_UNKNOWN;
        } else {
            answeredScale_ = float(guiEditor()->hostScale());
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
            guiEditor()->setHostScale(scale);
            if (call.isLost()) {
                return status;
            }
        }
    }
    return status;
}

IntPtr QP_CDECL Lv2Ui::hostCallback(AEffect* record, Int32 opcode, Int32 index, IntPtr value, void*,
                                    float opt) {
    if (opcode == audioMasterVersion) {
        return kHostVersion;
    }
    // The model calls while it is being made, before it knows its UI.
    auto* ui = record ? static_cast<Lv2Ui*>(record->user) : nullptr;
    return ui ? ui->fromEditor(opcode, index, value, opt) : 0;
}

IntPtr Lv2Ui::fromEditor(Int32 opcode, Int32 index, IntPtr value, float opt) {
    if (closing_) {
        return 0;
    }
    switch (opcode) {
        case audioMasterAutomate:
            if (isParameter(index)) {
                writePort(index, opt);
            } else if (index == kPresetsMenuIndex) {
                // The model has already switched program: the host gets the preset's
                // values as written in presets.ttl, whatever the program was edited to.
                const Int32 program = model_->getProgram();
                if (program >= 0 && program < kProgramCount) {
                    for (Int32 parameter : {kSensIndex, kBuzzIndex}) {
                        const float presetValue = kFactoryPresets[program].values[parameter];
                        model_->setParameter(parameter, presetValue);
                        if (!writePort(parameter, presetValue)) {
                            return 1;
                        }
                    }
                }
            }
            return 1;
        case audioMasterBeginEdit:
        case audioMasterEndEdit:
            if (isParameter(index)) {
                touch(index, opcode == audioMasterBeginEdit);
            }
            return 1;
        case audioMasterSizeWindow:
            return askSize(index, Int32(value));
        default:
            return 0;
    }
}

IntPtr Lv2Ui::askSize(Int32 width, Int32 height) {
    if (!resize_ || !resize_->ui_resize || width <= 0 || height <= 0) {
        return 0;
    }
    // ui_resize answers 0 when the host took the size. The editor's caller
    // learns of a lost UI through its own call-out on the editor.
    const CallOut call(lifeline_);
    return resize_->ui_resize(resize_->handle, width, height) == 0 ? 1 : 0;
}

bool Lv2Ui::writePort(Int32 parameter, float value) {
    CallOut call(lifeline_);
    write_(controller_, portOf(parameter), sizeof value, kFloatProtocol, &value);
    return !call.isLost();
}

void Lv2Ui::touch(Int32 parameter, bool grabbed) {
    if (touch_ && touch_->touch) {
        touch_->touch(touch_->handle, portOf(parameter), grabbed);
    }
}

}  // namespace qp::lv2
