// Bank and preset chunks as hosts take and give them back: exact round trips,
// refused sizes with their messages, partial presets, and what the parameters
// and the editor do after each load.
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "MidiTestSupport.h"

namespace qp::test {
namespace {

using Buttons = MemoryPlatform::Buttons;

class Chunks : public EffectTest {
protected:
    // A bank unlike the constructed one in every field, bytes after the names'
    // terminators and the padding bytes included.
    static ParameterBlock unusualBlock() {
        ParameterBlock block;
        auto* bytes = reinterpret_cast<unsigned char*>(&block);
        for (std::size_t i = 0; i < sizeof block; ++i) {
            bytes[i] = static_cast<unsigned char>(i * 7 + 3);
        }
        for (int p = 0; p < kParameterCount; ++p) {
            ParameterRecord& parameter = block.parameters[p];
            parameter.perProgram = 1;
            parameter.unbounded = 0;
            parameter.keepDefault = std::uint8_t(p);
            parameter.value = 0.25f + 0.5f * float(p);
            parameter.learnedController = 40 + p;
            std::memcpy(parameter.name, p == 0 ? "edge" : "drone", p == 0 ? 5 : 6);
        }
        for (int i = 0; i < kProgramCount; ++i) {
            ProgramRecord& program = block.programs[i];
            std::snprintf(program.name, 10, "Prog %d", i);
            program.values[0] = float(i) / 10.0f;
            program.values[1] = 1.0f - float(i) / 10.0f;
        }
        return block;
    }

    void expectCurrentProgramReapplied(BuzzEffect& effect, std::size_t from = 0) {
        const auto& log = editorOf(effect).log;
        ASSERT_GE(log.size(), from + 4);
        const Int32 program = effect.getProgram();
        for (Int32 p = 0; p < kParameterCount; ++p) {
            EXPECT_EQ(log[from + p].kind, EditorEvent::SetParameter);
            EXPECT_EQ(log[from + p].index, p);
            EXPECT_EQ(log[from + p].value, effect.block().programs[program].values[p]);
        }
        EXPECT_EQ(log[from + 2].kind, EditorEvent::RequestUpdate);
        EXPECT_EQ(log[from + 3].kind, EditorEvent::RefreshLearnedControllers);
    }
};

TEST_F(Chunks, GetChunkHandsOutTheLiveBlockAndCurrentProgram) {
    auto effect = makeEffect();
    effect->setProgram(4);
    void* data = nullptr;
    EXPECT_EQ(effect->getChunk(&data, false), 360);
    EXPECT_EQ(data, &effect->block());
    EXPECT_EQ(effect->getChunk(&data, true), 32);
    EXPECT_EQ(data, &effect->block().programs[4]);
    EXPECT_EQ(effect->getChunk(nullptr, true), 0);
}

TEST_F(Chunks, BankRoundTripRestoresEveryByte) {
    auto source = makeEffect();
    const auto original = bytesOf(unusualBlock());
    EXPECT_EQ(source->setChunk(const_cast<unsigned char*>(original.data()), 360, false), 1);
    const auto saved = bankOf(*source);
    EXPECT_EQ(saved, original);

    auto target = makeEffect();
    target->setProgram(6);
    editorOf(*target).log.clear();
    EXPECT_EQ(target->setChunk(const_cast<unsigned char*>(saved.data()), 360, false), 1);

    EXPECT_EQ(bankOf(*target), original);
    EXPECT_EQ(target->getProgram(), 6);
    EXPECT_EQ(target->getParameter(kSensIndex), 0.6f);
    EXPECT_EQ(target->learnedController(kBuzzIndex), 41);
    expectCurrentProgramReapplied(*target);
    EXPECT_TRUE(platform().messages().empty());
    // The loaded binding acts at once.
    controller(*target, 0, 41, 127);
    EXPECT_EQ(target->getParameter(kBuzzIndex), 1.0f);
}

TEST_F(Chunks, WrongBankSizesAreRefusedAndTheProgramIsReapplied) {
    auto effect = makeEffect();
    const auto other = bytesOf(unusualBlock());
    std::vector<unsigned char> bigger(other);
    bigger.push_back(0);
    effect->setProgram(2);
    const auto before = rawBlock(*effect);

    struct Case {
        void* data;
        Int32 size;
    } cases[] = {{bigger.data(), 359},
                 {bigger.data(), 361},
                 {bigger.data(), 0},
                 {bigger.data(), -360},
                 {nullptr, 360}};
    for (const Case& c : cases) {
        platform().clearMessages();
        editorOf(*effect).log.clear();
        EXPECT_EQ(effect->setChunk(c.data, c.size, false), 1);
        ASSERT_EQ(platform().messages().size(), 1u) << c.size;
        EXPECT_EQ(platform().messages()[0].text, "Can't load bank, wrong file size!");
        EXPECT_EQ(platform().messages()[0].caption, "Error!");
        EXPECT_EQ(platform().messages()[0].buttons, Buttons::Ok);
        EXPECT_EQ(rawBlock(*effect), before);
        EXPECT_EQ(effect->getProgram(), 2);
        expectCurrentProgramReapplied(*effect);
    }
}

TEST_F(Chunks, WrongPresetSizesAreRefused) {
    auto effect = makeEffect();
    ProgramRecord preset{};
    std::strcpy(preset.name, "Loud");
    preset.values[0] = 0.1f;
    preset.values[1] = 0.2f;
    unsigned char bytes[64] = {};
    std::memcpy(bytes, &preset, sizeof preset);
    const auto before = rawBlock(*effect);

    for (Int32 size : {33, 64, -1, std::numeric_limits<Int32>::min()}) {
        platform().clearMessages();
        editorOf(*effect).log.clear();
        EXPECT_EQ(effect->setChunk(bytes, size, true), 1);
        EXPECT_EQ(messageTexts(), std::vector<std::string>{"Can't load preset, wrong file size!"}) << size;
        EXPECT_EQ(platform().messages()[0].caption, "Error!");
        EXPECT_EQ(rawBlock(*effect), before);
        // The editor is still told to update.
        EXPECT_EQ(editorOf(*effect).count(EditorEvent::RequestUpdate), 1);
        EXPECT_EQ(editorOf(*effect).count(EditorEvent::RefreshLearnedControllers), 1);
    }
    platform().clearMessages();
    EXPECT_EQ(effect->setChunk(nullptr, 32, true), 1);
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Can't load preset, wrong file size!"});
    EXPECT_EQ(rawBlock(*effect), before);
}

// On 64-bit Windows the host's size arrives 8 bytes wide. A size 4 GiB past a
// valid one must be refused as the wrong size, not cut to its low 32 bits and
// loaded.
#if INTPTR_MAX == INT64_MAX
TEST_F(Chunks, PointerWideSizesBeyondInt32AreRefusedNotWrapped) {
    auto effect = makeEffect();
    auto bank = bytesOf(unusualBlock());
    const auto before = rawBlock(*effect);
    const IntPtr past = IntPtr(1) << 32;
    for (auto [size, isPreset] : {std::pair{past + 360, false}, std::pair{past + 32, true},
                                  std::pair{past + 8, true}, std::pair{past * 4, false}}) {
        platform().clearMessages();
        EXPECT_EQ(effect->dispatcher(effSetChunk, isPreset ? 1 : 0, size, bank.data(), 0.0f), 1);
        EXPECT_EQ(messageTexts(), std::vector<std::string>{isPreset ? "Can't load preset, wrong file size!"
                                                                    : "Can't load bank, wrong file size!"})
            << size;
        EXPECT_EQ(rawBlock(*effect), before);
    }
    // The same bytes with the size they really have load.
    EXPECT_EQ(effect->dispatcher(effSetChunk, 0, 360, bank.data(), 0.0f), 1);
    EXPECT_EQ(bankOf(*effect), bank);
}
#endif

TEST_F(Chunks, PresetGoesIntoTheCurrentProgram) {
    auto source = makeEffect();
    source->setProgram(1);
    char name[] = "Hornet";
    source->setProgramName(name);
    source->setParameter(kSensIndex, 0.9f);
    source->setParameter(kBuzzIndex, 0.3f);
    void* data = nullptr;
    ASSERT_EQ(source->getChunk(&data, true), 32);
    std::vector<unsigned char> preset(static_cast<unsigned char*>(data),
                                      static_cast<unsigned char*>(data) + 32);

    auto target = makeEffect();
    target->setProgram(7);
    editorOf(*target).log.clear();
    EXPECT_EQ(target->setChunk(preset.data(), 32, true), 1);

    EXPECT_STREQ(target->block().programs[7].name, "Hornet");
    EXPECT_EQ(target->getParameter(kSensIndex), 0.9f);
    EXPECT_EQ(target->getParameter(kBuzzIndex), 0.3f);
    EXPECT_STREQ(target->block().programs[1].name, "Init");
    expectCurrentProgramReapplied(*target);
}

TEST_F(Chunks, ShortPresetOverwritesOnlyItsOwnBytes) {
    auto effect = makeEffect();
    effect->setParameter(kBuzzIndex, 0.75f);
    ProgramRecord preset{};
    std::strcpy(preset.name, "Short");
    preset.values[0] = 0.125f;
    preset.values[1] = 0.0f;

    EXPECT_EQ(effect->setChunk(&preset, 28, true), 1);
    EXPECT_STREQ(effect->block().programs[0].name, "Short");
    EXPECT_EQ(effect->getParameter(kSensIndex), 0.125f);
    EXPECT_EQ(effect->getParameter(kBuzzIndex), 0.75f);

    const auto before = rawBlock(*effect);
    EXPECT_EQ(effect->setChunk(&preset, 0, true), 1);
    EXPECT_EQ(rawBlock(*effect), before);
    EXPECT_TRUE(platform().messages().empty());
}

// Parameter 0 is bounded: what a bank holds outside 0..1 is limited. Parameter 1
// is made unbounded by the bank itself: its finite values are kept as they are.
// Neither ever holds a non-finite value.
TEST_F(Chunks, LoadedValuesKeepToTheirRangeAndAreNeverNonFinite) {
    auto effect = makeEffect();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float max = std::numeric_limits<float>::max();
    ParameterBlock block = unusualBlock();
    const float loaded[kProgramCount][2] = {{nan, inf},   {-inf, 5.0f},  {-0.5f, 1e-3f},
                                            {-nan, 1.0f}, {0.0f, 2e38f}, {0.5f, 0.5f},
                                            {nan, nan},   {inf, -inf},   {1.5f, -1.0f}};
    const float expected[kProgramCount][2] = {{0, max},     {0, 5.0f}, {0, 1e-3f}, {0, 1},    {0, 2e38f},
                                              {0.5f, 0.5f}, {0, 0},    {1, -max},  {1, -1.0f}};
    for (int i = 0; i < kProgramCount; ++i) {
        block.programs[i].values[0] = loaded[i][0];
        block.programs[i].values[1] = loaded[i][1];
    }
    block.parameters[0].value = nan;
    block.parameters[1].value = 7.0f;
    block.parameters[1].unbounded = 1;
    auto bank = bytesOf(block);
    effect->setChunk(bank.data(), 360, false);

    for (int i = 0; i < kProgramCount; ++i) {
        effect->setProgram(i);
        EXPECT_EQ(effect->getParameter(0), expected[i][0]) << i;
        EXPECT_EQ(effect->getParameter(1), expected[i][1]) << i;
    }
    EXPECT_EQ(effect->block().parameters[0].value, 0.0f);
    EXPECT_EQ(effect->block().parameters[1].value, 7.0f);
    EXPECT_EQ(effect->block().parameters[1].unbounded, 1);
    effect->setParameter(1, 3.0f);
    EXPECT_EQ(effect->getParameter(1), 3.0f);
    effect->setParameter(0, 3.0f);
    EXPECT_EQ(effect->getParameter(0), 1.0f);

    ProgramRecord preset{};
    preset.values[0] = inf;
    preset.values[1] = nan;
    effect->setChunk(&preset, 32, true);
    EXPECT_EQ(effect->getParameter(0), 1.0f);
    EXPECT_EQ(effect->getParameter(1), 0.0f);
    preset.values[1] = -42.5f;
    effect->setChunk(&preset, 32, true);
    EXPECT_EQ(effect->getParameter(1), -42.5f);
}

TEST_F(Chunks, AnUnboundedBankRoundTripsByteForByte) {
    ParameterBlock block = unusualBlock();
    for (ParameterRecord& parameter : block.parameters) {
        parameter.unbounded = 1;
    }
    block.parameters[0].value = -3.0f;
    block.parameters[1].value = 1e30f;
    block.programs[2].values[0] = 12.5f;
    block.programs[2].values[1] = -0.75f;
    const auto original = bytesOf(block);
    auto source = makeEffect();
    source->setProgram(2);
    EXPECT_EQ(source->setChunk(const_cast<unsigned char*>(original.data()), 360, false), 1);
    EXPECT_EQ(source->getParameter(0), 12.5f);
    EXPECT_EQ(source->getParameter(1), -0.75f);
    const auto saved = bankOf(*source);
    EXPECT_EQ(saved, original);

    auto target = makeEffect();
    target->setChunk(const_cast<unsigned char*>(saved.data()), 360, false);
    EXPECT_EQ(bankOf(*target), original);
}

// What a host reaches through the record: the dispatcher hands every chunk to
// the loader, which answers 1 whatever it makes of it.
TEST_F(Chunks, ThroughTheDispatcherEveryChunkIsAnsweredByTheLoader) {
    auto effect = makeEffect();
    effect->setProgram(3);
    const auto before = rawBlock(*effect);
    unsigned char bytes[400] = {};
    struct Case {
        Int32 index;
        IntPtr size;
        void* data;
        const char* message;
    } cases[] = {{1, -1, bytes, "Can't load preset, wrong file size!"},
                 {1, -32, bytes, "Can't load preset, wrong file size!"},
                 {0, -360, bytes, "Can't load bank, wrong file size!"},
                 {1, 32, nullptr, "Can't load preset, wrong file size!"},
                 {1, 5, nullptr, "Can't load preset, wrong file size!"},
                 {0, 360, nullptr, "Can't load bank, wrong file size!"},
                 {0, -1, nullptr, "Can't load bank, wrong file size!"}};
    for (const Case& c : cases) {
        platform().clearMessages();
        editorOf(*effect).log.clear();
        EXPECT_EQ(effect->dispatcher(effSetChunk, c.index, c.size, c.data, 0.0f), 1) << c.size;
        EXPECT_EQ(messageTexts(), std::vector<std::string>{c.message}) << c.size;
        EXPECT_EQ(rawBlock(*effect), before) << c.size;
        EXPECT_EQ(effect->getProgram(), 3);
        EXPECT_EQ(editorOf(*effect).count(EditorEvent::RequestUpdate), 1) << c.size;
        EXPECT_EQ(editorOf(*effect).count(EditorEvent::RefreshLearnedControllers), 1) << c.size;
        if (c.index == 0) {
            expectCurrentProgramReapplied(*effect);
        }
    }
    // No bytes at all: nothing is copied and nothing is wrong.
    platform().clearMessages();
    editorOf(*effect).log.clear();
    EXPECT_EQ(effect->dispatcher(effSetChunk, 1, 0, nullptr, 0.0f), 1);
    EXPECT_TRUE(platform().messages().empty());
    EXPECT_EQ(rawBlock(*effect), before);
    expectCurrentProgramReapplied(*effect);
}

TEST_F(Chunks, UnterminatedNamesAreReadAsTwentyThreeCharacters) {
    auto effect = makeEffect();
    ParameterBlock block = unusualBlock();
    for (ProgramRecord& program : block.programs) {
        std::memset(program.name, 'N', kNameSize);
    }
    std::memset(block.parameters[0].name, 'P', kNameSize);
    auto bank = bytesOf(block);
    effect->setChunk(bank.data(), 360, false);
    effect->setProgram(3);

    char text[64];
    std::memset(text, 'x', sizeof text);
    effect->getProgramNameAt(text, 8);
    EXPECT_EQ(std::string(text), std::string(23, 'N'));
    std::memset(text, 'x', sizeof text);
    effect->getProgramName(text);
    EXPECT_EQ(std::string(text), std::string(23, 'N'));
    std::memset(text, 'x', sizeof text);
    EXPECT_TRUE(effect->getProgramNameIndexed(0, 2, text));
    EXPECT_EQ(std::string(text), std::string(23, 'N'));
    std::memset(text, 'x', sizeof text);
    effect->getParamName(0, text);
    EXPECT_EQ(std::string(text), std::string(8, 'P'));
    // The bytes themselves are kept for the next save.
    EXPECT_EQ(bankOf(*effect), bank);
}

TEST_F(Chunks, ProgramNameAtNamesAnyProgramWhateverIsCurrent) {
    auto effect = makeEffect();
    auto bank = bytesOf(unusualBlock());
    effect->setChunk(bank.data(), 360, false);
    effect->setProgram(5);
    char text[kNameSize];
    effect->getProgramNameAt(text, 0);
    EXPECT_STREQ(text, "Prog 0");
    effect->getProgramNameAt(text, 8);
    EXPECT_STREQ(text, "Prog 8");
    std::strcpy(text, "old");
    effect->getProgramNameAt(text, 9);
    EXPECT_STREQ(text, "");
    effect->getProgramNameAt(text, -1);
    EXPECT_STREQ(text, "");
    effect->getProgramNameAt(nullptr, 0);
}

}  // namespace
}  // namespace qp::test
