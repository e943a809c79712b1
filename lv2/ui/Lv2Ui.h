// One LV2 UI instance: the Quorrelphone editor inside the host's window, and its
// model. The plug-in's state is the host's control ports, and the UI keeps the
// values they last carried:
//   host -> UI   port_event(4 or 5) stores the value and tells the editor, whose
//                knob follows;
//   UI -> host   the editor's value becomes a port write, its gesture a ui:touch
//                bracket (when the host offers it), a chosen preset writes of both
//                ports, and a new size (another zoom step) ui:resize.
// The user's own settings (the zoom) are in the settings file the UI's object
// installs (Lv2UiEntryPoint.cpp), and messages go to standard error.
//
// The host's scale (ui:scaleFactor) reaches the editor from the host's options at
// instantiate, before the editor opens, and later through the options interface.
//
// A host may clean the UI up from inside the UI's own call to it (a write_function
// that closes the UI when a preset loads, a touch that does): every such call is
// a call-out on the UI's lifeline (gui/Lifeline.h), and once it is lost the UI
// returns without touching itself.
//
// Threads: everything here runs on the host's UI thread, the one that calls
// instantiate, port_event, idle and cleanup.
#pragma once

#include <cstdint>
#include <memory>

#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include "editor/EditorModel.h"
#include "effect/ParameterRecords.h"
#include "gui/Lifeline.h"

namespace qp {
class BuzzEditor;
}  // namespace qp

namespace qp::lv2 {

// A factory preset as the presets menu offers it.
struct UiPreset {
    const char* name;
    float values[2];
};

class Lv2Ui final : private EditorModel {
public:
    // The editor's window as a child of the host's ui:parent, or null when the host
    // gave no parent or the window could not be made. *widget is then the window.
    static Lv2Ui* create(LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features);
    ~Lv2Ui();
    Lv2Ui(const Lv2Ui&) = delete;
    Lv2Ui& operator=(const Lv2Ui&) = delete;

    // Only float values of the two control ports are taken; anything else is ignored.
    void portEvent(std::uint32_t port, std::uint32_t bufferSize, std::uint32_t format, const void* buffer);
    // Draws, pumps the window's events and runs a drag; 0 while the UI is up.
    int idle();
    // The options interface's two calls; a status of LV2_Options_Status bits.
    // ui:scaleFactor alone is known: a float above 0 the editor takes as its
    // host's scale (get answers it once the host said one).
    std::uint32_t getOptions(LV2_Options_Option* options);
    std::uint32_t setOptions(const LV2_Options_Option* options);
    // The editor, for tests that drive it in-process.
    BuzzEditor* editor() const { return editor_.get(); }

private:
    Lv2Ui(LV2UI_Write_Function write, LV2UI_Controller controller);

    // EditorModel, over the ports.
    float parameterValue(std::int32_t index) const override;
    void beginGesture(std::int32_t index) override;
    void changeValue(std::int32_t index, float value) override;
    void endGesture(std::int32_t index) override;
    std::int32_t presetCount() const override;
    void presetName(std::int32_t preset, char* name, std::size_t size) const override;
    // The factory preset whose values both ports hold now; -1 for none. LV2 has
    // no current program: this is what the presets menu ticks.
    std::int32_t currentPreset() const override;
    // The host gets the preset's values as written in presets.ttl.
    void choosePreset(std::int32_t preset) override;
    // True when the host took the size.
    bool requestSize(std::int32_t width, std::int32_t height) override;

    // The scale an option carries; 0 for an option that is no usable scale.
    double scaleOf(const LV2_Options_Option& option) const;
    // Clamps to 0..1 and passes over a non-finite value, as the plug-in does.
    void storeValue(std::int32_t parameter, float value);
    // False when the host cleaned the UI up from inside the write.
    bool writePort(std::int32_t parameter, float value);
    void touch(std::int32_t parameter, bool grabbed);

    LV2UI_Write_Function write_;
    LV2UI_Controller controller_;
    const LV2UI_Touch* touch_ = nullptr;
    const LV2UI_Resize* resize_ = nullptr;
    // The URIDs the options are keyed and typed by; 0 without the host's map.
    LV2_URID scaleFactorUrid_ = 0;
    LV2_URID floatUrid_ = 0;
    // What get hands the host: it points at this, which lives as long as the UI.
    float answeredScale_ = 0.0f;
    // What the ports last carried, as the plug-in takes them; the defaults until
    // the host's first port events.
    float values_[kParameterCount];
    std::unique_ptr<BuzzEditor> editor_;
    // Ended first by the destructor.
    Lifeline lifeline_;
};

}  // namespace qp::lv2
