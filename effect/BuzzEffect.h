// Quorrelphone's effect: two inputs summed to mono, a step of height `buzz` added
// while the sum rises above 1 - `sens`, then a 400 Hz highpass and a 3000 Hz
// lowpass to both outputs (the chain of effect/dsp/BuzzChain.h). Nine programs,
// MIDI learn, bank and preset chunks.
#pragma once

#include <cstdint>

#include "effect/ParameterRecords.h"
#include "effect/Settings.h"
#include "effect/dsp/BuzzChain.h"
#include "host/EditorBase.h"
#include "host/EditorProtocol.h"
#include "host/EffectHostServices.h"

namespace qp {

constexpr Int32 kUniqueId = fourCharCode('1', '0', '2', '8');
constexpr const char* kVendorName = "Veltmarsk";
constexpr Int32 kVendorVersion = 1;

// The parameters' indexes (kSensIndex, kBuzzIndex) are in effect/ParameterRecords.h.
// The editor's commands (kAboutBoxIndex, kMenuCommandIndex, ...) are in
// host/EditorProtocol.h, shared with the editor.

// The editor the effect creates at construction comes from the maker it is
// given: the product's front end hands in the real one (plugin/). Without one it
// takes the maker installed here, which tests set; with none the effect has no
// editor (and says so in its flags). A maker that returns null counts as a
// failed editor allocation.
void setEditorFactory(EditorFactory factory);
EditorFactory editorFactory();

// Set when a constructed effect failed to create its editor; never cleared, so
// every later `main` in the process refuses too.
bool editorCreationFailed();

class BuzzEffect final : public EffectHostServices {
public:
    explicit BuzzEffect(HostCallback callback, EditorFactory makeEditor = editorFactory());
    ~BuzzEffect() override;

    // Base operations.
    void setParameter(Int32 index, float value) override;
    // A value the user set in the editor: taken and reported to the host as
    // automateParameter does, but not handed back to the editor, whose knob
    // already shows it.
    void takeEditorValue(Int32 index, float value);
    float getParameter(Int32 index) override;
    void process(float** inputs, float** outputs, Int32 sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, Int32 sampleFrames) override;
    Int32 getProgram() override;
    void setProgram(Int32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParamLabel(Int32 index, char* label) override;
    void getParamDisplay(Int32 index, char* text) override;
    void getParamName(Int32 index, char* text) override;
    Int32 getChunk(void** data, bool isPreset) override;
    Int32 setChunk(void* data, Int32 byteSize, bool isPreset) override;
    void setSampleRate(float sampleRate) override;
    void setBlockSize(Int32 blockSize) override;
    void resume() override;
    Int32 processEvents(VstEvents* events) override;
    bool getProgramNameIndexed(Int32 category, Int32 index, char* text) override;
    bool copyProgram(Int32 destination) override;
    bool getOutputProperties(Int32 index, VstPinProperties* properties) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    Int32 getVendorVersion() override;
    IntPtr vendorSpecific(Int32 index, IntPtr value, void* ptr, float opt) override;
    Int32 canDo(const char* text) override;

    // Operations this effect adds.
    virtual void renderReplacing(float** inputs, float** outputs, Int32 sampleFrames);
    virtual void renderAccumulating(float** inputs, float** outputs, Int32 sampleFrames);
    virtual void getProgramNameAt(char* text, Int32 program);
    virtual void setupParameters();
    virtual float currentParameterValue(Int32 index);
    virtual void defineParameter(Int32 index, const char* name, float defaultValue, std::uint8_t perProgram,
                                 std::uint8_t unbounded, std::uint8_t keepDefault);
    virtual void loadDefaultBank(std::uint16_t resourceId, bool tryUserFile, bool ask);
    virtual void loadSettings();
    virtual void handleCommand(Int32 index, float value);
    virtual void loadBankBlock(const void* data, Int32 byteSize);
    virtual void handleNote(Int32 note, Int32 velocity, bool on);
    virtual Int32 learnedController(Int32 parameter);

    const ParameterBlock& block() const { return block_; }
    Int32 learnTarget() const { return learnTarget_; }

private:
    // What setParameter does before it tells the editor: commands carried out,
    // a parameter's value (clamped where bounded) stored; false for a value that
    // is none (NaN, an infinity), which changes nothing.
    bool takeValue(Int32 index, float& value);
    // The two settings commands' work, done once the user answered Yes.
    void saveDefaults();
    void forgetAllControllers();
    // Asks the user, in the open editor where the platform asks there (the
    // action then runs when the user answers Yes), else in the platform's box
    // (the action runs at once on Yes).
    void askThen(const char* question, void (BuzzEffect::*action)());
    // An error or a confirmation, shown where askThen asks.
    void tell(const char* text, MessageKind kind);
    // The record's block entries: the host's call lands in the sample loop
    // without the base's entry and its virtual call on the way, which at the
    // smallest blocks cost more than the samples.
    static void QP_CDECL processEntry(AEffect* record, float** inputs, float** outputs, Int32 sampleFrames);
    static void QP_CDECL processReplacingEntry(AEffect* record, float** inputs, float** outputs,
                                               Int32 sampleFrames);

    void setupDsp();
    void setRecordDefaults();
    // Inlined into every block function, so the values the loop reads stay in
    // registers rather than being handed over through memory.
    template <typename Deliver>
    [[gnu::always_inline]] inline void render(float** inputs, float** outputs, Int32 sampleFrames,
                                              Deliver deliver);

    // The parameter values and the current program are written by the host's
    // automation and the editor while the audio thread reads them per sample; all
    // such accesses go through these (relaxed atomics over the plain fields, so
    // the block keeps the byte layout the chunks copy).
    Int32 loadCurrentProgram();
    void storeCurrentProgram(Int32 program);
    float& liveValue(Int32 index);

    ParameterBlock block_{};
    Int32 learnTarget_ = -1;
    std::uint8_t notReady_ = 1;
    // A member rather than an allocation: the sample loop reaches the filters
    // without an indirection and construction cannot half-fail.
    BuzzChain chain_;
};

}  // namespace qp
