// One LV2 UI instance: the Quorrelphone editor inside the host's window.
//
// The editor needs an effect to edit, so the UI keeps a BuzzEffect of its own that
// never renders a sample: it is the editor's model only. The plug-in's real state
// is the host's control ports, and the model is held in step with them both ways:
//   host -> UI   port_event(4 or 5) sets the model's parameter, which turns the knob;
//   UI -> host   the model's host callback turns the editor's automation of a
//                parameter into a port write, its edit brackets into ui:touch
//                (when the host offers it) and a chosen preset into writes of
//                both ports.
// The host keeps the plug-in's state; the user's own settings (learnt controllers,
// the zoom) are in the settings file the UI's object installs
// (Lv2UiEntryPoint.cpp), and messages go to standard error.
//
// The host's scale (ui:scaleFactor) reaches the editor from the host's options at
// instantiate, before the editor opens, and later through the options interface;
// the editor's own requests for a new size go to the host as ui:resize.
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

#include "gui/Lifeline.h"
#include "host/PluginInterface.h"

namespace qp {
class BuzzEffect;
class EditorBase;
class GuiEditorBase;
}  // namespace qp

namespace qp::lv2 {

// A factory preset as the presets menu offers it.
struct UiPreset {
    const char* name;
    float values[2];
};

class Lv2Ui final {
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
    // The model's editor, for tests that drive it in-process.
    EditorBase* editor() const { return editor_; }

private:
    Lv2Ui(LV2UI_Write_Function write, LV2UI_Controller controller);

    static IntPtr QP_CDECL hostCallback(AEffect* record, Int32 opcode, Int32 index, IntPtr value, void* ptr,
                                        float opt);
    IntPtr fromEditor(Int32 opcode, Int32 index, IntPtr value, float opt);
    GuiEditorBase* guiEditor() const;
    // The scale an option carries; 0 for an option that is no usable scale.
    double scaleOf(const LV2_Options_Option& option) const;
    // 1 when the host took the size, 0 when it cannot hear of one or refused it.
    IntPtr askSize(Int32 width, Int32 height);
    // False when the host cleaned the UI up from inside the write.
    bool writePort(Int32 parameter, float value);
    void touch(Int32 parameter, bool grabbed);
    void loadFactoryPresets();
    // The factory preset whose values both ports hold now; -1 for none. LV2 has
    // no current program: this is what the presets menu ticks.
    std::int32_t matchingPreset() const;

    LV2UI_Write_Function write_;
    LV2UI_Controller controller_;
    const LV2UI_Touch* touch_ = nullptr;
    const LV2UI_Resize* resize_ = nullptr;
    // The URIDs the options are keyed and typed by; 0 without the host's map.
    LV2_URID scaleFactorUrid_ = 0;
    LV2_URID floatUrid_ = 0;
    // What get hands the host: it points at this, which lives as long as the UI.
    float answeredScale_ = 0.0f;
    std::unique_ptr<BuzzEffect> model_;
    EditorBase* editor_ = nullptr;  // the model's
    bool closing_ = false;
    // Ended first by the destructor.
    Lifeline lifeline_;
};

}  // namespace qp::lv2
