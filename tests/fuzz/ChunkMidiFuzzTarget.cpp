// One fuzz input is a little program for a fresh effect: bank and preset chunks,
// MIDI event lists, editor commands, host parameter changes, default-bank files
// and audio blocks, all built from the input's bytes. After every step the
// parameter values must be finite, and within 0..1 unless the parameter is
// unbounded; at the end the bank and the preset the effect hands out must come
// back byte for byte.
//
// Built two ways: with clang's libFuzzer (coverage-guided), and with g++ and a
// seeded random driver (RandomFuzzDriver.cpp) where libFuzzer is not at hand.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "effect/BuzzEffect.h"
#include "host/MemoryPlatform.h"

namespace {

using namespace qp;

constexpr const char* kLibrary = "C:\\Plugins\\Quorrelphone.dll";
constexpr const char* kUserBank = "C:\\Plugins\\Quorrelphone.bnk";

// Reads the input front to back; past its end every read gives zeros.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool done() const { return position_ >= size_; }
    std::uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }
    std::uint16_t u16() { return std::uint16_t(byte() | byte() << 8); }
    std::uint32_t u32() { return std::uint32_t(u16()) | std::uint32_t(u16()) << 16; }
    float anyFloat() {
        const std::uint32_t bits = u32();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    void fill(void* out, std::size_t count) {
        auto* bytes = static_cast<std::uint8_t*>(out);
        for (std::size_t i = 0; i < count; ++i) bytes[i] = byte();
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

[[noreturn]] void fail(const char* what, int a = 0, double b = 0.0) {
    std::fprintf(stderr, "fuzz invariant broken: %s (%d, %g)\n", what, a, b);
    std::abort();
}

// Every stored value is finite; a bounded parameter's are within 0..1 too. A
// bank may make a parameter unbounded, and then any finite value is its own.
bool usable(float value, bool unbounded) {
    return std::isfinite(value) && (unbounded || (value >= 0.0f && value <= 1.0f));
}

bool isUnbounded(BuzzEffect& effect, Int32 parameter) {
    return effect.block().parameters[parameter].unbounded != 0;
}

void checkInvariants(BuzzEffect& effect) {
    const ParameterBlock& block = effect.block();
    for (Int32 p = 0; p < kParameterCount; ++p) {
        const bool unbounded = isUnbounded(effect, p);
        if (!usable(effect.getParameter(p), unbounded)) fail("parameter value", p, effect.getParameter(p));
        if (!usable(block.parameters[p].value, unbounded)) fail("record value", p, block.parameters[p].value);
    }
    for (Int32 i = 0; i < kProgramCount; ++i) {
        for (Int32 p = 0; p < kParameterCount; ++p) {
            if (!usable(block.programs[i].values[p], isUnbounded(effect, p))) {
                fail("program value", i, block.programs[i].values[p]);
            }
        }
    }
    const Int32 program = effect.getProgram();
    if (program < 0 || program >= kProgramCount) fail("current program", program);
    const Int32 target = effect.learnTarget();
    if (target < -1 || target >= kParameterCount) fail("learn target", target);
}

void sendBank(BuzzEffect& effect, Bytes& in) {
    // Mostly the right size, sometimes near it, sometimes anything.
    const std::uint8_t shape = in.byte();
    Int32 size = 360;
    if (shape % 4 == 1) size = 360 + Int32(in.byte() % 5) - 2;
    if (shape % 4 == 2) size = Int32(in.u32());
    std::vector<std::uint8_t> chunk(400);
    in.fill(chunk.data(), 360);
    effect.setChunk(shape % 8 == 7 ? nullptr : chunk.data(), size, false);
}

void sendPreset(BuzzEffect& effect, Bytes& in) {
    const Int32 size = Int32(std::int8_t(in.byte()));  // -128..127, mostly refused above 32
    std::uint8_t chunk[128];
    in.fill(chunk, sizeof chunk / 4);
    std::memset(chunk + 32, 0, sizeof chunk - 32);
    effect.setChunk(in.byte() == 0xFF ? nullptr : chunk, size, true);
}

void sendEvents(BuzzEffect& effect, Bytes& in) {
    const std::uint8_t header = in.byte();
    const int count = header % 12;
    std::vector<VstMidiEvent> events(std::size_t(count) + 1);
    std::vector<IntPtr> list(2 + std::size_t(count) + 1, 0);
    auto* vstEvents = reinterpret_cast<VstEvents*>(list.data());
    vstEvents->numEvents = header & 0x80 ? -count : count;
    VstEvent** slots = vstEvents->events;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t kind = in.byte();
        VstMidiEvent& event = events[std::size_t(i)];
        event.type = kind % 8 == 0 ? Int32(kind / 8) : kVstMidiType;
        event.byteSize = sizeof event;
        in.fill(event.midiData, 3);
        slots[i] = kind == 0xFF ? nullptr : reinterpret_cast<VstEvent*>(&event);
    }
    if (effect.processEvents(header == 0x7F ? nullptr : vstEvents) != 1) fail("processEvents answer");
}

void sendParameter(BuzzEffect& effect, Bytes& in) {
    static const Int32 indexes[] = {0, 1, kMenuCommandIndex, kLearnCommandIndex, kLearnCommandIndex,
                                    kPresetsMenuIndex, kAboutBoxIndex, 2, -1};
    const std::uint8_t which = in.byte();
    const Int32 index = indexes[which % (sizeof indexes / sizeof indexes[0])];
    float value;
    switch (which / 16 % 4) {
        case 0: value = in.anyFloat(); break;                          // any bit pattern
        case 1: value = float(in.byte() % 4); break;                   // commands 0..3
        case 2: value = 998.0f + float(in.u16() % 1000) / 250.0f; break;  // near learn/forget
        default: value = float(in.byte()) / 200.0f; break;
    }
    effect.setParameter(index, value);
}

void sendDefaultBank(BuzzEffect& effect, MemoryPlatform& platform, Bytes& in) {
    const std::uint8_t flags = in.byte();
    std::vector<std::uint8_t> file(flags & 1 ? in.u16() % 400 : 0);
    in.fill(file.data(), file.size());
    if (flags & 2) platform.putFile(kUserBank, file);
    std::vector<std::uint8_t> resource(in.u16() % 320);
    in.fill(resource.data(), resource.size());
    platform.putResource("Bank", 1, resource);
    platform.answerNext(flags & 4 ? MessageAnswer::Yes : MessageAnswer::No);
    effect.loadDefaultBank(1, flags & 8, flags & 16);
    // The loader applies nothing; its caller selects a program.
    effect.setProgram(effect.getProgram());
}

void render(BuzzEffect& effect, Bytes& in) {
    constexpr Int32 kFrames = 32;
    float left[kFrames], right[kFrames], outLeft[kFrames], outRight[kFrames];
    for (Int32 n = 0; n < kFrames; ++n) {
        left[n] = float(std::int8_t(in.byte())) / 64.0f;
        right[n] = float(std::int8_t(in.byte())) / 64.0f;
    }
    float* inputs[] = {left, right};
    float* outputs[] = {outLeft, outRight};
    // Values within 0..1 give a finite output; an unbounded value near the end of
    // the float range may overflow the filters, which is the bank's doing.
    bool inRange = true;
    for (Int32 p = 0; p < kParameterCount; ++p) {
        const float value = effect.getParameter(p);
        inRange = inRange && value >= 0.0f && value <= 1.0f;
    }
    effect.processReplacing(inputs, outputs, kFrames);
    for (Int32 n = 0; n < kFrames; ++n) {
        if (std::memcmp(&outLeft[n], &outRight[n], sizeof(float)) != 0) fail("channels differ", n, outLeft[n]);
        if (inRange && !std::isfinite(outLeft[n])) fail("output sample", n, outLeft[n]);
    }
}

void checkRoundTrips(BuzzEffect& effect) {
    void* data = nullptr;
    if (effect.getChunk(&data, false) != 360) fail("bank size");
    std::vector<std::uint8_t> bank(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + 360);
    if (effect.getChunk(&data, true) != 32) fail("preset size");
    std::vector<std::uint8_t> preset(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + 32);

    BuzzEffect fresh(nullptr);
    fresh.setChunk(bank.data(), 360, false);
    if (std::memcmp(&fresh.block(), bank.data(), 360) != 0) fail("bank round trip");
    fresh.setProgram(effect.getProgram());
    fresh.setChunk(preset.data(), 32, true);
    void* again = nullptr;
    fresh.getChunk(&again, true);
    if (std::memcmp(again, preset.data(), 32) != 0) fail("preset round trip");
    for (Int32 p = 0; p < kParameterCount; ++p) {
        if (fresh.getParameter(p) != effect.getParameter(p)) fail("re-applied value", p);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Every run starts from the same machine: an empty registry, dialogs that
    // answer at once, a library path with no bank file beside it yet.
    static MemoryPlatform* platform = nullptr;
    delete platform;
    platform = new MemoryPlatform;
    platform->setModuleFileName(kLibrary);
    setCurrentPlatform(platform);
    // A plain editor, so the calls the effect makes on its editor run too.
    setEditorFactory([](EffectBase* owner) { return new EditorBase(owner); });

    Bytes in(data, size);
    auto effect = std::make_unique<BuzzEffect>(nullptr);
    checkInvariants(*effect);
    for (int step = 0; step < 64 && !in.done(); ++step) {
        const std::uint8_t op = in.byte();
        if (op & 0x80) platform->answerNext(MessageAnswer::Yes);
        switch (op % 8) {
            case 0: sendBank(*effect, in); break;
            case 1: sendPreset(*effect, in); break;
            case 2:
            case 3: sendEvents(*effect, in); break;
            case 4: sendParameter(*effect, in); break;
            case 5: render(*effect, in); break;
            case 6: sendDefaultBank(*effect, *platform, in); break;
            default: effect->setProgram(Int32(in.byte() % 12) - 1); break;
        }
        checkInvariants(*effect);
    }
    render(*effect, in);
    checkRoundTrips(*effect);
    // Each effect made here reads the settings some earlier step may have saved.
    BuzzEffect next(nullptr);
    checkInvariants(next);
    return 0;
}
