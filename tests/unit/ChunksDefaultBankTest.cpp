// The default-bank loader: the user's bank file beside the library, else the
// factory programs from the library's "Bank" resource.
#include "MidiTestSupport.h"

namespace qp::test {
namespace {

constexpr const char* kLibrary = "C:\\Plugins\\Quorrelphone.dll";
constexpr const char* kUserBank = "C:\\Plugins\\Quorrelphone.bnk";
constexpr std::uint16_t kFactoryId = 300;

class DefaultBank : public EffectTest {
protected:
    static ParameterBlock userBlock() {
        ParameterBlock block{};
        for (int p = 0; p < kParameterCount; ++p) {
            block.parameters[p].perProgram = 1;
            block.parameters[p].value = 0.5f;
            block.parameters[p].learnedController = 60 + p;
            std::strcpy(block.parameters[p].name, p ? "userB" : "userA");
        }
        for (int i = 0; i < kProgramCount; ++i) {
            std::snprintf(block.programs[i].name, kNameSize, "User %d", i);
            block.programs[i].values[0] = 0.1f;
            block.programs[i].values[1] = 0.2f;
        }
        return block;
    }

    static std::vector<std::uint8_t> factoryPrograms(std::size_t size = 288) {
        std::vector<std::uint8_t> bytes(size, 0);
        for (std::size_t i = 0; i * sizeof(ProgramRecord) < size; ++i) {
            ProgramRecord program{};
            std::snprintf(program.name, kNameSize, "Factory %zu", i);
            program.values[0] = 0.7f;
            program.values[1] = 2.0f;  // out of range in the resource: limited
            std::memcpy(bytes.data() + i * sizeof program, &program,
                        std::min(sizeof program, size - i * sizeof program));
        }
        return bytes;
    }

    // The user's bank file beside the library, cut to `size` bytes; answers its bytes.
    std::vector<unsigned char> putUserBank(std::size_t size = sizeof(ParameterBlock)) {
        auto bytes = bytesOf(userBlock());
        bytes.resize(size);
        platform().putFile(kUserBank, {bytes.begin(), bytes.end()});
        return bytes;
    }

    void SetUp() override {
        platform().setModuleFileName(kLibrary);
        platform().putResource("Bank", kFactoryId, factoryPrograms());
    }
};

TEST_F(DefaultBank, UserFileIsLoadedWithoutAskingWhenNotToAsk) {
    auto effect = makeEffect();
    const auto bytes = putUserBank();
    editorOf(*effect).log.clear();

    effect->loadDefaultBank(kFactoryId, true, false);

    EXPECT_EQ(rawBlock(*effect), bytes);
    EXPECT_TRUE(platform().messages().empty());
    // Nothing is applied and no editor is told: the caller selects a program.
    EXPECT_TRUE(editorOf(*effect).log.empty());
}

TEST_F(DefaultBank, AskedYesLoadsTheUserFile) {
    auto effect = makeEffect();
    const auto bytes = putUserBank();
    platform().answerNext(MessageAnswer::Yes);

    effect->loadDefaultBank(kFactoryId, true, true);

    EXPECT_EQ(rawBlock(*effect), bytes);
    ASSERT_EQ(platform().messages().size(), 1u);
    EXPECT_EQ(platform().messages()[0].text, "Reload from User-Default bank? (No = Loads Factory Bank)");
    EXPECT_EQ(platform().messages()[0].caption, "Warning!");
}

TEST_F(DefaultBank, AskedNoLoadsTheFactoryProgramsOnly) {
    auto effect = makeEffect();
    putUserBank();
    platform().answerNext(MessageAnswer::No);

    effect->loadDefaultBank(kFactoryId, true, true);

    EXPECT_STREQ(effect->block().parameters[0].name, "sens");
    EXPECT_STREQ(effect->block().programs[8].name, "Factory 8");
    EXPECT_EQ(effect->block().programs[8].values[0], 0.7f);
    EXPECT_EQ(effect->block().programs[8].values[1], 1.0f);
}

TEST_F(DefaultBank, ShortUserFileOverwritesOnlyItsBytes) {
    auto effect = makeEffect();
    putUserBank(72 + 32);  // both parameters and program 0
    effect->loadDefaultBank(kFactoryId, true, false);
    EXPECT_STREQ(effect->block().parameters[1].name, "userB");
    EXPECT_STREQ(effect->block().programs[0].name, "User 0");
    EXPECT_STREQ(effect->block().programs[1].name, "Init");
}

TEST_F(DefaultBank, MissingUserFileOrSkippingItLoadsTheFactoryBank) {
    auto effect = makeEffect();
    effect->loadDefaultBank(kFactoryId, true, true);
    EXPECT_TRUE(platform().messages().empty());
    EXPECT_STREQ(effect->block().programs[0].name, "Factory 0");

    auto other = makeEffect();
    putUserBank();
    other->loadDefaultBank(kFactoryId, false, true);
    EXPECT_STREQ(other->block().programs[0].name, "Factory 0");
    EXPECT_TRUE(platform().messages().empty());
}

TEST_F(DefaultBank, MissingOrShortResourceChangesOnlyWhatItHas) {
    auto effect = makeEffect();
    const auto before = rawBlock(*effect);
    effect->loadDefaultBank(kFactoryId + 1, true, false);
    EXPECT_EQ(rawBlock(*effect), before);

    platform().putResource("Bank", 7, factoryPrograms(40));
    effect->loadDefaultBank(7, false, false);
    EXPECT_STREQ(effect->block().programs[0].name, "Factory 0");
    EXPECT_STREQ(effect->block().programs[1].name, "Factory ");  // its first 8 bytes
    EXPECT_EQ(effect->block().programs[1].values[0], 0.5f);
    EXPECT_STREQ(effect->block().programs[2].name, "Init");
}

TEST_F(DefaultBank, WithoutALibraryPathOnlyTheResourceIsTried) {
    platform().setModuleFileName("");
    auto effect = makeEffect();
    effect->loadDefaultBank(kFactoryId, true, true);
    EXPECT_TRUE(platform().messages().empty());
    EXPECT_STREQ(effect->block().programs[0].name, "Factory 0");
}

}  // namespace
}  // namespace qp::test
