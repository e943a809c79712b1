// One fuzz input is a little program for a fresh effect: bank and preset chunks,
// MIDI event lists, editor commands, host parameter changes, default-bank files
// and audio blocks, all built from the input's bytes, and any call a host can
// make through the record (every opcode and beyond, with null or real memory
// behind ptr, the parameter and the two process entries). After every step the
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
#include <limits>
#include <memory>
#include <optional>
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
    Bytes(const std::uint8_t* data, std::size_t size)
        : data_(data),
          size_(size) {}

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
        for (std::size_t i = 0; i < count; ++i) {
            bytes[i] = byte();
        }
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
        if (!usable(effect.getParameter(p), unbounded)) {
            fail("parameter value", p, effect.getParameter(p));
        }
        if (!usable(block.parameters[p].value, unbounded)) {
            fail("record value", p, block.parameters[p].value);
        }
    }
    for (Int32 i = 0; i < kProgramCount; ++i) {
        for (Int32 p = 0; p < kParameterCount; ++p) {
            if (!usable(block.programs[i].values[p], isUnbounded(effect, p))) {
                fail("program value", i, block.programs[i].values[p]);
            }
        }
    }
    const Int32 program = effect.getProgram();
    if (program < 0 || program >= kProgramCount) {
        fail("current program", program);
    }
    const Int32 target = effect.learnTarget();
    if (target < -1 || target >= kParameterCount) {
        fail("learn target", target);
    }
}

void sendBank(BuzzEffect& effect, Bytes& in) {
    // Mostly the right size, sometimes near it, sometimes anything.
    const std::uint8_t shape = in.byte();
    Int32 size = 360;
    if (shape % 4 == 1) {
        size = 360 + Int32(in.byte() % 5) - 2;
    }
    if (shape % 4 == 2) {
        size = Int32(in.u32());
    }
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

// An event list as hosts lay it out: the header, then as many event pointers as
// numEvents says (negative counts and null slots included).
class EventList {
public:
    explicit EventList(Bytes& in) {
        const std::uint8_t header = in.byte();
        const int count = header % 12;
        events_.resize(std::size_t(count) + 1);
        list_.assign(2 + std::size_t(count) + 1, 0);
        VstEvents* events = get();
        events->numEvents = header & 0x80 ? -count : count;
        // The record declares room for two pointers; the slots run on past them.
        VstEvent** slots = events->events;
        for (int i = 0; i < count; ++i) {
            const std::uint8_t kind = in.byte();
            VstMidiEvent& event = events_[std::size_t(i)];
            event.type = kind % 8 == 0 ? Int32(kind / 8) : kVstMidiType;
            event.byteSize = sizeof event;
            in.fill(event.midiData, 3);
            slots[i] = kind == 0xFF ? nullptr : reinterpret_cast<VstEvent*>(&event);
        }
        null_ = header == 0x7F;
    }

    VstEvents* get() { return reinterpret_cast<VstEvents*>(list_.data()); }
    // Now and then a host delivers no list at all.
    VstEvents* delivered() { return null_ ? nullptr : get(); }

private:
    std::vector<VstMidiEvent> events_;
    std::vector<IntPtr> list_;
    bool null_ = false;
};

void sendEvents(BuzzEffect& effect, Bytes& in) {
    EventList list(in);
    if (effect.processEvents(list.delivered()) != 1) {
        fail("processEvents answer");
    }
}

void sendParameter(BuzzEffect& effect, Bytes& in) {
    static const Int32 indexes[] = {
        0, 1, kMenuCommandIndex, kLearnCommandIndex, kLearnCommandIndex, kPresetsMenuIndex, kAboutBoxIndex,
        2, -1};
    const std::uint8_t which = in.byte();
    const Int32 index = indexes[which % (sizeof indexes / sizeof indexes[0])];
    float value;
    switch (which / 16 % 4) {
        case 0:
            value = in.anyFloat();
            break;  // any bit pattern
        case 1:
            value = float(in.byte() % 4);
            break;  // commands 0..3
        case 2:
            value = 998.0f + float(in.u16() % 1000) / 250.0f;
            break;  // near learn/forget
        default:
            value = float(in.byte()) / 200.0f;
            break;
    }
    effect.setParameter(index, value);
}

void sendDefaultBank(BuzzEffect& effect, MemoryPlatform& platform, Bytes& in) {
    const std::uint8_t flags = in.byte();
    std::vector<std::uint8_t> file(flags & 1 ? in.u16() % 400 : 0);
    in.fill(file.data(), file.size());
    if (flags & 2) {
        platform.putFile(kUserBank, file);
    }
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
        if (std::memcmp(&outLeft[n], &outRight[n], sizeof(float)) != 0) {
            fail("channels differ", n, outLeft[n]);
        }
        if (inRange && !std::isfinite(outLeft[n])) {
            fail("output sample", n, outLeft[n]);
        }
    }
}

// --- The whole host surface, through the record's entries ---------------------

IntPtr QP_CDECL quietHost(AEffect*, Int32 opcode, Int32, IntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// An editor that needs no window: it has a rectangle, opens on any parent the
// host names, and checks that no non-finite value ever reaches it.
class FuzzEditor : public EditorBase {
public:
    explicit FuzzEditor(EffectBase* effect)
        : EditorBase(effect) {}
    Int32 getRect(ERect** rect) override {
        if (rect != nullptr) {
            *rect = &rect_;
        }
        return 1;
    }
    Int32 open(void* parent) override {
        EditorBase::open(parent);
        return 1;
    }
    Int32 keyDown(VstKeyCode& key) override { return key.virt != 0 ? 1 : 0; }
    void setParameter(Int32 index, float value) override {
        if (!std::isfinite(value)) {
            fail("non-finite value for the editor", index, value);
        }
        EditorBase::setParameter(index, value);
    }

private:
    ERect rect_{0, 0, 180, 300};
};

Int32 anyIndex(Bytes& in) {
    const std::uint8_t shape = in.byte();
    switch (shape % 4) {
        case 0:
            return Int32(in.u32());
        case 1:
            return Int32(shape / 4 % 8) - 2;  // -2..5, the command index included
        default:
            return Int32(shape / 4 % 16);  // 0..15, 13 the learn command
    }
}

IntPtr anyValue(Bytes& in) {
    const std::uint8_t shape = in.byte();
    switch (shape % 8) {
        case 0:
            return IntPtr(std::int32_t(in.u32()));
        case 1:
            return shape & 0x80 ? 360 : 32;  // the chunk sizes, and near them
        case 2:
            return IntPtr(360 + Int32(in.byte() % 5) - 2);
        case 3:
            return -IntPtr(in.byte());
        default:
            return IntPtr(shape / 8);
    }
}

float anyFloat(Bytes& in) {
    const std::uint8_t shape = in.byte();
    switch (shape % 4) {
        case 0:
            return in.anyFloat();
        case 1:
            return float(in.u16());  // sample rates, gains
        default:
            return float(shape / 4) / 16.0f;  // 0..4, the command numbers among them
    }
}

// Opcodes 0 to 80 (the documented ones and a few beyond) nearly always, now and
// then one far out of range either way.
Int32 anyOpcode(Bytes& in) {
    const std::uint8_t shape = in.byte();
    if (shape < 243) {
        return shape % 81;
    }
    switch (shape % 4) {
        case 0:
            return -1 - Int32(in.byte());
        case 1:
            return 81 + Int32(in.byte());
        case 2:
            return Int32(in.u32());
        default:
            return std::numeric_limits<Int32>::min();
    }
}

// The host's memory behind ptr (and behind value for the two opcodes that take a
// second reference): large enough for every record the interface defines (a
// 360-byte bank, a pin record, a speaker arrangement, a 256-byte text) and
// terminated, as a host's text is.
struct HostMemory {
    alignas(16) std::uint8_t ptr[1024];
    alignas(16) std::uint8_t second[1024];
};

void renderThroughRecord(AEffect* record, Bytes& in) {
    constexpr Int32 kFrames = 64;
    float left[kFrames], right[kFrames], outLeft[kFrames] = {}, outRight[kFrames] = {};
    const std::uint8_t shape = in.byte();
    for (Int32 n = 0; n < kFrames; ++n) {
        left[n] = shape & 1 ? in.anyFloat() : float(std::int8_t(in.byte())) / 64.0f;
        right[n] = float(std::int8_t(in.byte())) / 64.0f;
    }
    float* inputs[] = {left, right};
    float* outputs[] = {outLeft, outRight};
    // Frame counts up to the buffers' size, zero and negative ones; now and then
    // no buffers at all.
    const Int32 frames = shape & 2 ? -Int32(in.byte() % 4) : Int32(in.byte() % (kFrames + 1));
    float** from = shape & 4 ? nullptr : inputs;
    float** to = shape & 8 ? nullptr : outputs;
    (shape & 16 ? record->process : record->processReplacing)(record, from, to, frames);
}

// One call through the record; a few answers are part of the record's contract
// whatever the arguments. effClose through the record ends the effect, and a
// host would then open a new one.
void callRecord(std::unique_ptr<BuzzEffect>& effect, HostMemory& memory, Bytes& in) {
    AEffect* record = effect->record();
    switch (in.byte() % 8) {
        case 0:
            record->setParameter(record, anyIndex(in), anyFloat(in));
            return;
        case 1: {
            const Int32 index = anyIndex(in);
            const float value = record->getParameter(record, index);
            if (!std::isfinite(value)) {
                fail("getParameter", index, value);
            }
            if ((index < 0 || index >= kParameterCount) && value != 0.0f) {
                fail("other index reads", index, value);
            }
            return;
        }
        case 2:
            renderThroughRecord(record, in);
            return;
        default:
            break;
    }

    const Int32 opcode = anyOpcode(in);
    const Int32 index = anyIndex(in);
    const float opt = anyFloat(in);
    const std::uint8_t shape = in.byte();
    std::memset(&memory, 0, sizeof memory);
    in.fill(memory.ptr, shape & 0x80 ? 360 : in.byte() % 64);
    memory.ptr[sizeof memory.ptr - 1] = 0;
    void* ptr = shape % 4 == 0 ? nullptr : memory.ptr;
    IntPtr value = anyValue(in);
    if (opcode == effSetSpeakerArrangement || opcode == effGetSpeakerArrangement) {
        // The input arrangement (or its reference) travels in value.
        auto* arrangement = reinterpret_cast<VstSpeakerArrangement*>(memory.second);
        arrangement->numChannels = Int32(in.byte() % 9);
        value = shape & 0x40 ? reinterpret_cast<IntPtr>(memory.second) : 0;
    }
    std::optional<EventList> events;
    if (opcode == effProcessEvents && ptr != nullptr) {
        ptr = events.emplace(in).get();
    }

    if (opcode == effClose) {
        if (record->dispatcher(record, opcode, index, value, ptr, opt) != 1) {
            fail("effClose answer");
        }
        (void)effect.release();  // the entry destroyed it
        effect = std::make_unique<BuzzEffect>(quietHost);
        return;
    }
    const IntPtr answer = record->dispatcher(record, opcode, index, value, ptr, opt);
    switch (opcode) {
        case effIdentify:
            if (answer != fourCharCode('N', 'v', 'E', 'f')) {
                fail("effIdentify answer", int(answer));
            }
            break;
        case effGetChunk:
            if (ptr != nullptr) {
                void* handed = nullptr;
                std::memcpy(&handed, ptr, sizeof handed);
                const bool bank = index == 0;
                if (answer != (bank ? 360 : 32)) {
                    fail("effGetChunk size", int(answer));
                }
                if (bank && handed != &effect->block()) {
                    fail("effGetChunk bank");
                }
            }
            break;
        case effSetChunk:
        case effProcessEvents:
            if (answer != 1) {
                fail("answer of a chunk or an event list", opcode);
            }
            break;
        case effGetCurrentMidiProgram:
            if (answer != -1) {
                fail("effGetCurrentMidiProgram answer", int(answer));
            }
            break;
        case effShellGetNextPlugin:
            if (answer != 0) {
                fail("effShellGetNextPlugin answer", int(answer));
            }
            break;
        default:
            if ((opcode < 0 || opcode > effLastOpcode) && answer != 0) {
                fail("unknown opcode answered", opcode);
            }
            break;
    }
}

// After any sequence the effect still works for a host that starts over: a
// fresh instance's bank loads through the record and comes back byte for byte,
// and ordinary input renders finite, equal channels.
void checkUsable(BuzzEffect& effect) {
    AEffect* record = effect.record();
    if (record->magic != kEffectMagic || EffectBase::fromRecord(record) != &effect) {
        fail("record");
    }
    BuzzEffect fresh(nullptr);
    void* data = nullptr;
    fresh.getChunk(&data, false);
    std::vector<std::uint8_t> bank(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + 360);
    if (record->dispatcher(record, effSetChunk, 0, 360, bank.data(), 0.0f) != 1) {
        fail("bank load answer");
    }
    void* back = nullptr;
    if (record->dispatcher(record, effGetChunk, 0, 0, &back, 0.0f) != 360) {
        fail("bank size after load");
    }
    if (std::memcmp(back, bank.data(), 360) != 0) {
        fail("bank after load");
    }

    constexpr Int32 kFrames = 256;
    std::vector<float> left(kFrames), right(kFrames), outLeft(kFrames), outRight(kFrames);
    for (Int32 n = 0; n < kFrames; ++n) {
        left[n] = float(std::sin(double(n) * 0.05)) * 0.9f;
        right[n] = -0.5f * left[n];
    }
    float* inputs[] = {left.data(), right.data()};
    float* outputs[] = {outLeft.data(), outRight.data()};
    for (int block = 0; block < 4; ++block) {
        record->processReplacing(record, inputs, outputs, kFrames);
        for (Int32 n = 0; n < kFrames; ++n) {
            if (!std::isfinite(outLeft[std::size_t(n)]) ||
                outLeft[std::size_t(n)] != outRight[std::size_t(n)]) {
                fail("usable output", n, outLeft[std::size_t(n)]);
            }
        }
    }
}

void checkRoundTrips(BuzzEffect& effect) {
    void* data = nullptr;
    if (effect.getChunk(&data, false) != 360) {
        fail("bank size");
    }
    std::vector<std::uint8_t> bank(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + 360);
    if (effect.getChunk(&data, true) != 32) {
        fail("preset size");
    }
    std::vector<std::uint8_t> preset(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + 32);

    BuzzEffect fresh(nullptr);
    fresh.setChunk(bank.data(), 360, false);
    if (std::memcmp(&fresh.block(), bank.data(), 360) != 0) {
        fail("bank round trip");
    }
    fresh.setProgram(effect.getProgram());
    fresh.setChunk(preset.data(), 32, true);
    void* again = nullptr;
    fresh.getChunk(&again, true);
    if (std::memcmp(again, preset.data(), 32) != 0) {
        fail("preset round trip");
    }
    for (Int32 p = 0; p < kParameterCount; ++p) {
        if (fresh.getParameter(p) != effect.getParameter(p)) {
            fail("re-applied value", p);
        }
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
    // An editor without a window, so the calls the effect and the dispatcher make
    // on its editor run too.
    setEditorFactory([](EffectBase* owner) -> EditorBase* { return new FuzzEditor(owner); });

    Bytes in(data, size);
    auto effect = std::make_unique<BuzzEffect>(quietHost);
    static HostMemory memory;
    checkInvariants(*effect);
    for (int step = 0; step < 64 && !in.done(); ++step) {
        const std::uint8_t op = in.byte();
        if (op & 0x80) {
            platform->answerNext(MessageAnswer::Yes);
        }
        // Steps 8 to 15 go through the record as a host's calls do; 0 to 7 reach
        // the effect's operations directly.
        if (op & 8) {
            callRecord(effect, memory, in);
            checkInvariants(*effect);
            continue;
        }
        switch (op % 8) {
            case 0:
                sendBank(*effect, in);
                break;
            case 1:
                sendPreset(*effect, in);
                break;
            case 2:
            case 3:
                sendEvents(*effect, in);
                break;
            case 4:
                sendParameter(*effect, in);
                break;
            case 5:
                render(*effect, in);
                break;
            case 6:
                sendDefaultBank(*effect, *platform, in);
                break;
            default:
                effect->setProgram(Int32(in.byte() % 12) - 1);
                break;
        }
        checkInvariants(*effect);
    }
    render(*effect, in);
    checkRoundTrips(*effect);
    checkUsable(*effect);
    // Each effect made here reads the settings some earlier step may have saved.
    BuzzEffect next(nullptr);
    checkInvariants(next);
    return 0;
}
