// MIDI input, MIDI learn, and the user settings that keep learnt controllers
// (and kept defaults) from one instance to the next.
//
// Learnt controllers and the learn target are written by the editor's thread and
// read by whichever thread delivers MIDI, so they are touched through relaxed
// atomic_refs: each is one 32-bit field and no ordering between them is promised.
#include <atomic>
#include <cmath>
#include <cstdio>

#include "effect/BuzzEffect.h"
#include "effect/RecordNames.h"
#include "effect/Settings.h"
#include "effect/SharedField.h"
#include "host/EditorProtocol.h"
#include "host/Platform.h"

namespace qp {

namespace {

constexpr std::uint8_t kKindMask = 0xF0;
constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kNoteOn = 0x90;
constexpr std::uint8_t kControlChange = 0xB0;
constexpr std::uint8_t kProgramChange = 0xC0;
constexpr std::uint8_t kDataMask = 0x7F;
constexpr float kControllerScale = 1.0f / 127.0f;  // 127 -> exactly 1.0, 64 -> 0.503937

constexpr float kSaveDefaultsCommand = float(kMenuSaveDefaultsEntry);
constexpr float kForgetAllCommand = float(kMenuForgetAllEntry);

constexpr const char* kSaveDefaultsQuestion = "Save Actual Values as Defaults?";
constexpr const char* kForgetAllQuestion = "Forget Learned MidiCC?";
constexpr const char* kDefaultWriteError = "Error saving registery!";
constexpr const char* kControllerWriteError = "Error saving Midi-CC registery!";
constexpr const char* kDefaultsSaved = "Default Values Saved!";

// The parameter a learn or forget command names: trunc(value), which must be a
// parameter of this effect. NaN and infinities name none.
bool commandParameter(float value, Int32& parameter) {
    if (!(value > -1.0f && value < float(kParameterCount))) {
        return false;
    }
    parameter = Int32(value);
    return true;
}

// The setting names of a parameter: its name, and "MidiCC-" + its name.
struct SettingNames {
    explicit SettingNames(const ParameterRecord& record) {
        copyRecordName(keptDefault, record.name);
        std::snprintf(controller, sizeof controller, "%s%s", kMidiControllerPrefix, keptDefault);
    }
    char keptDefault[kNameSize];
    char controller[kSettingValueNameSize];
};

}  // namespace

Int32 BuzzEffect::processEvents(VstEvents* events) {
    if (std::atomic_ref<std::uint8_t>(notReady_).load(std::memory_order_acquire)) {
        return 1;
    }
    if (!events || events->numEvents <= 0) {
        return 1;
    }
    const Int32 count = events->numEvents;
    // The record declares room for two pointers; hosts append as many as numEvents says.
    VstEvent* const* list = events->events;
    for (Int32 i = 0; i < count; ++i) {
        const VstEvent* event = list[i];
        if (!event || event->type != kVstMidiType) {
            continue;
        }
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        const std::uint8_t status = std::uint8_t(midi->midiData[0]);
        const std::uint8_t data1 = std::uint8_t(midi->midiData[1]);
        const std::uint8_t data2 = std::uint8_t(midi->midiData[2]);
        // The low four bits are the channel: every channel acts alike.
        switch (status & kKindMask) {
            case kProgramChange:
                // setProgram trusts its caller, and a program change can name
                // any number up to 255: only the nine programs are selected.
                if (data1 < kProgramCount) {
                    setProgram(data1);
                }
                break;
            case kControlChange: {
                const Int32 target = loadShared(learnTarget_);
                if (target >= 0 && target < kParameterCount) {
                    storeShared(block_.parameters[target].learnedController, data1);
                    storeShared(learnTarget_, -1);
                }
                const float x = float(data2 & kDataMask) * kControllerScale;
                for (Int32 p = 0; p < kParameterCount; ++p) {
                    const Int32 controller = loadShared(block_.parameters[p].learnedController);
                    // The plain setter: a controller is the user's hand, not
                    // automation, so the host is not told.
                    if (controller != 0 && controller == data1) {
                        setParameter(p, x);
                    }
                }
                break;
            }
            case kNoteOn:
            case kNoteOff:
                handleNote(data1 & kDataMask, data2 & kDataMask,
                           (status & kKindMask) == kNoteOn && (data2 & kDataMask) != 0);
                break;
            default:  // pitch bend, aftertouch, system messages
                break;
        }
    }
    return 1;
}

void BuzzEffect::handleNote(Int32, Int32, bool) {}

Int32 BuzzEffect::learnedController(Int32 parameter) {
    if (parameter < 0 || parameter >= kParameterCount) {
        return 0;
    }
    return loadShared(block_.parameters[parameter].learnedController);
}

void BuzzEffect::askThen(const char* question, void (BuzzEffect::*action)()) {
    // The editor keeps the action until the answer and drops it unrun when it
    // closes or goes with the effect, so `this` outlives every call of it.
    if (currentPlatform().asksInEditor() && editor_ &&
        editor_->ask(question, MessageKind::Question, [this, action] { (this->*action)(); })) {
        return;
    }
    if (askYesNo(question)) {
        (this->*action)();
    }
}

void BuzzEffect::tell(const char* text, MessageKind kind) {
    if (currentPlatform().asksInEditor() && editor_ && editor_->ask(text, kind, nullptr)) {
        return;
    }
    if (kind == MessageKind::Error) {
        showError(text);
    } else {
        showConfirmation(text);
    }
}

void BuzzEffect::saveDefaults() {
    for (Int32 p = 0; p < kParameterCount; ++p) {
        const ParameterRecord& record = block_.parameters[p];
        const SettingNames names(record);
        if (loadShared(record.keepDefault) == kKeepDefault &&
            !writeSetting(kProductName, names.keptDefault, keptDefaultNumber(currentParameterValue(p)))) {
            tell(kDefaultWriteError, MessageKind::Error);
        }
        if (!writeSetting(kProductName, names.controller, learnedController(p))) {
            tell(kControllerWriteError, MessageKind::Error);
        }
    }
    // Shown after errors too: the user always learns that saving ended.
    tell(kDefaultsSaved, MessageKind::Confirmation);
}

void BuzzEffect::forgetAllControllers() {
    // Memory only: the settings keep the old bindings until saved again.
    for (Int32 p = 0; p < kParameterCount; ++p) {
        storeShared(block_.parameters[p].learnedController, 0);
    }
    if (editor_) {
        editor_->refreshLearnedControllers();
    }
}

void BuzzEffect::handleCommand(Int32 index, float value) {
    if (index == kMenuCommandIndex) {
        if (value == kSaveDefaultsCommand) {
            askThen(kSaveDefaultsQuestion, &BuzzEffect::saveDefaults);
        } else if (value == kForgetAllCommand) {
            askThen(kForgetAllQuestion, &BuzzEffect::forgetAllControllers);
        }
        return;
    }
    if (index == kLearnCommandIndex) {
        if (std::isnan(value)) {
            return;
        }
        Int32 parameter = 0;
        if (value < kLearnCommandLimit) {
            if (commandParameter(value, parameter)) {
                storeShared(learnTarget_, parameter);
            }
        } else if (commandParameter(value - float(kForgetCommandOffset), parameter)) {
            storeShared(block_.parameters[parameter].learnedController, 0);
            if (editor_) {
                editor_->refreshLearnedControllers();
            }
        }
    }
}

void BuzzEffect::loadSettings() {
    for (Int32 p = 0; p < kParameterCount; ++p) {
        const SettingNames names(block_.parameters[p]);
        if (loadShared(block_.parameters[p].keepDefault) == 1) {
            const Int32 stored = readSetting(kProductName, names.keptDefault);
            // Program 0 is current during construction, so a per-program value
            // lands in program 0 only.
            if (stored != 0) {
                setParameter(p, float((double(stored) - 1.0) / 10000.0));
            }
        }
        const Int32 stored = readSetting(kProductName, names.controller);
        // INT32_MIN would be no controller number plus one.
        if (stored != 0 && stored != INT32_MIN) {
            storeShared(block_.parameters[p].learnedController, stored - 1);
        }
    }
}

}  // namespace qp
