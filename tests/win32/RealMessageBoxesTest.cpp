// The real message boxes: shown without an owner window, with the caption and
// buttons of their kind, and answered here as a person would, by clicking.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "DialogAnswerer.h"
#include "effect/BuzzEffect.h"
#include "host/Platform.h"

namespace qp::test {
namespace {

constexpr const char* kEffectKey = "Software\\Veltmarsk\\Quorrelphone";

class RealDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) {
            GTEST_SKIP() << "message boxes need a display";
        }
        setCurrentPlatform(nullptr);
    }
};

TEST_F(RealDialogs, QuestionIsAWarningWithYesAndNo) {
    DialogAnswerer yes({IDYES});
    EXPECT_TRUE(askYesNo("Forget Learned MidiCC?"));
    auto seen = yes.finish();
    ASSERT_EQ(seen.size(), 1u);
    expectDialog(seen[0], "Warning!", "Forget Learned MidiCC?", kYesNoButtons);

    DialogAnswerer no({IDNO});
    EXPECT_FALSE(askYesNo("Forget Learned MidiCC?"));
    EXPECT_EQ(no.finish().size(), 1u);
}

TEST_F(RealDialogs, ErrorAndConfirmationHaveOnlyOk) {
    DialogAnswerer ok({IDOK, IDOK});
    showError("Can't load bank, wrong file size!");
    showConfirmation("Default Values Saved!");
    auto seen = ok.finish();
    ASSERT_EQ(seen.size(), 2u);
    expectDialog(seen[0], "Error!", "Can't load bank, wrong file size!", kOkButton);
    EXPECT_EQ(seen[1].caption, "Ok!");
    EXPECT_EQ(seen[1].text, "Default Values Saved!");
}

TEST_F(RealDialogs, SaveDefaultsAnsweredByClickingWritesTheRegistry) {
    RegDeleteKeyA(HKEY_CURRENT_USER, kEffectKey);
    auto effect = std::make_unique<BuzzEffect>(nullptr);
    effect->setParameter(kLearnCommandIndex, float(kSensIndex));
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.midiData[0] = char(0xB2);
    event.midiData[1] = 7;
    event.midiData[2] = 64;
    struct {
        Int32 numEvents;
        IntPtr reserved;
        VstEvent* events[1];
    } list{1, 0, {reinterpret_cast<VstEvent*>(&event)}};
    effect->processEvents(reinterpret_cast<VstEvents*>(&list));
    ASSERT_EQ(effect->learnedController(kSensIndex), 7);

    {
        DialogAnswerer answers({IDYES, IDOK});
        effect->setParameter(kMenuCommandIndex, 1.0f);
        auto seen = answers.finish();
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_EQ(seen[0].text, "Save Actual Values as Defaults?");
        EXPECT_EQ(seen[1].text, "Default Values Saved!");
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kEffectKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD data = 0, size = sizeof data, type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "MidiCC-sens", nullptr, &type, reinterpret_cast<BYTE*>(&data), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_DWORD));
    EXPECT_EQ(data, 8u);
    size = sizeof data;
    EXPECT_EQ(RegQueryValueExA(key, "MidiCC-buzz", nullptr, &type, reinterpret_cast<BYTE*>(&data), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(data, 1u);
    RegCloseKey(key);

    // Forgetting answered No keeps the binding.
    {
        DialogAnswerer no({IDNO});
        effect->setParameter(kMenuCommandIndex, 2.0f);
        EXPECT_EQ(no.finish().size(), 1u);
    }
    EXPECT_EQ(effect->learnedController(kSensIndex), 7);
    EXPECT_EQ(std::make_unique<BuzzEffect>(nullptr)->learnedController(kSensIndex), 7);
    RegDeleteKeyA(HKEY_CURRENT_USER, kEffectKey);
}

TEST_F(RealDialogs, WrongChunkSizeShowsItsErrorBox) {
    auto effect = std::make_unique<BuzzEffect>(nullptr);
    unsigned char bytes[400] = {};
    DialogAnswerer ok({IDOK, IDOK});
    EXPECT_EQ(effect->setChunk(bytes, 359, false), 1);
    EXPECT_EQ(effect->setChunk(bytes, 33, true), 1);
    auto seen = ok.finish();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, "Can't load bank, wrong file size!");
    EXPECT_EQ(seen[0].caption, "Error!");
    EXPECT_EQ(seen[1].text, "Can't load preset, wrong file size!");
}

}  // namespace
}  // namespace qp::test
