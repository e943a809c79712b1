// MIDI input: learning controllers, controllers driving parameters, program
// changes, and the events and lists that must change nothing.
#include <cmath>

#include "MidiTestSupport.h"

namespace qp::test {
namespace {

using MidiInput = EffectTest;

const float kMiddle = 64.0f * (1.0f / 127.0f);

void armLearn(BuzzEffect& effect, Int32 parameter) {
    effect.setParameter(kLearnCommandIndex, float(parameter));
}

TEST_F(MidiInput, ArmedLearnBindsTheControllerAndAppliesTheSameEvent) {
    auto effect = makeEffect();
    armLearn(*effect, kSensIndex);
    EXPECT_EQ(effect->learnTarget(), kSensIndex);

    controller(*effect, 0, 1, 64);

    EXPECT_EQ(effect->learnedController(kSensIndex), 1);
    EXPECT_EQ(effect->learnTarget(), -1);
    EXPECT_EQ(effect->getParameter(kSensIndex), kMiddle);
    EXPECT_NEAR(effect->getParameter(kSensIndex), 0.503937f, 1e-6f);
    EXPECT_EQ(effect->getParameter(kBuzzIndex), 0.5f);
}

TEST_F(MidiInput, LearntControllerDrivesItsParameterOnEveryChannelWithoutTellingTheHost) {
    auto effect = makeEffect();
    armLearn(*effect, kBuzzIndex);
    controller(*effect, 3, 7, 10);
    host.calls.clear();

    for (int channel = 0; channel < 16; ++channel) {
        controller(*effect, channel, 7, 127);
        EXPECT_EQ(effect->getParameter(kBuzzIndex), 1.0f) << "channel " << channel;
        controller(*effect, channel, 7, 0);
        EXPECT_EQ(effect->getParameter(kBuzzIndex), 0.0f) << "channel " << channel;
    }
    EXPECT_TRUE(host.callsWith(audioMasterAutomate).empty());
    // The editor follows through the plain setter.
    EXPECT_EQ(editorOf(*effect).log.back().kind, EditorEvent::SetParameter);
    EXPECT_EQ(editorOf(*effect).log.back().index, kBuzzIndex);
    // Other controllers and the unbound parameter are left alone.
    controller(*effect, 0, 8, 127);
    EXPECT_EQ(effect->getParameter(kBuzzIndex), 0.0f);
    EXPECT_EQ(effect->getParameter(kSensIndex), 0.5f);
}

TEST_F(MidiInput, ValueByteIsReadAsSevenBits) {
    auto effect = makeEffect();
    armLearn(*effect, kSensIndex);
    controller(*effect, 0, 20, 0x80 | 64);
    EXPECT_EQ(effect->getParameter(kSensIndex), kMiddle);
    controller(*effect, 0, 20, 0xFF);
    EXPECT_EQ(effect->getParameter(kSensIndex), 1.0f);
}

TEST_F(MidiInput, TwoParametersOnOneControllerBothFollowIt) {
    auto effect = makeEffect();
    armLearn(*effect, kSensIndex);
    controller(*effect, 0, 21, 0);
    armLearn(*effect, kBuzzIndex);
    controller(*effect, 9, 21, 127);

    EXPECT_EQ(effect->getParameter(kSensIndex), 1.0f);
    EXPECT_EQ(effect->getParameter(kBuzzIndex), 1.0f);
    controller(*effect, 2, 21, 64);
    EXPECT_EQ(effect->getParameter(kSensIndex), kMiddle);
    EXPECT_EQ(effect->getParameter(kBuzzIndex), kMiddle);
}

TEST_F(MidiInput, LearningControllerZeroMeansNone) {
    auto effect = makeEffect();
    armLearn(*effect, kSensIndex);
    controller(*effect, 0, 0, 127);

    EXPECT_EQ(effect->learnedController(kSensIndex), 0);
    EXPECT_EQ(effect->learnTarget(), -1);
    EXPECT_EQ(effect->getParameter(kSensIndex), 0.5f);
    controller(*effect, 0, 0, 0);
    EXPECT_EQ(effect->getParameter(kSensIndex), 0.5f);
}

TEST_F(MidiInput, ArmingAgainMovesTheTarget) {
    auto effect = makeEffect();
    armLearn(*effect, kSensIndex);
    armLearn(*effect, kBuzzIndex);
    controller(*effect, 0, 30, 127);
    EXPECT_EQ(effect->learnedController(kSensIndex), 0);
    EXPECT_EQ(effect->learnedController(kBuzzIndex), 30);
}

TEST_F(MidiInput, ProgramChangeSelectsOnlyTheNinePrograms) {
    auto effect = makeEffect();
    effect->setProgram(3);
    effect->setParameter(kSensIndex, 0.25f);
    effect->setProgram(0);
    auto& editor = editorOf(*effect);
    editor.log.clear();

    EventList select3;
    select3.midi(0xC5, 3, 0);
    EXPECT_EQ(send(*effect, select3), 1);
    EXPECT_EQ(effect->getProgram(), 3);
    EXPECT_EQ(effect->getParameter(kSensIndex), 0.25f);
    ASSERT_EQ(editor.count(EditorEvent::SetParameter), 2);
    EXPECT_EQ(editor.log[0].value, 0.25f);

    for (int number : {9, 127, 200, 255}) {
        EventList list;
        list.midi(0xC0, number, 0);
        EXPECT_EQ(send(*effect, list), 1);
        EXPECT_EQ(effect->getProgram(), 3) << number;
    }
}

TEST_F(MidiInput, OtherMessagesAndEventTypesChangeNothing) {
    auto effect = makeEffect();
    armLearn(*effect, kSensIndex);
    controller(*effect, 0, 5, 100);
    armLearn(*effect, kBuzzIndex);  // stays armed: nothing below is a controller change
    const auto before = rawBlock(*effect);

    EventList list;
    list.midi(0x90, 5, 100)      // note on
        .midi(0x80, 5, 0)        // note off
        .midi(0xA0, 5, 1)        // poly aftertouch
        .midi(0xD0, 5, 0)        // channel aftertouch
        .midi(0xE0, 0x7F, 0x7F)  // pitch bend
        .midi(0xF0, 5, 1)        // system
        .midi(0xB0, 5, 0, 6)     // a controller change in a non-MIDI event (sysex type)
        .midi(0xC0, 4, 0, 0);    // a program change in an event of type 0
    EXPECT_EQ(send(*effect, list), 1);

    EXPECT_EQ(rawBlock(*effect), before);
    EXPECT_EQ(effect->getProgram(), 0);
    EXPECT_EQ(effect->learnTarget(), kBuzzIndex);
}

TEST_F(MidiInput, MalformedListsAreSkippedSafely) {
    auto effect = makeEffect();
    armLearn(*effect, kSensIndex);
    controller(*effect, 0, 5, 0);
    const auto before = rawBlock(*effect);

    EXPECT_EQ(effect->processEvents(nullptr), 1);

    EventList negative;
    negative.midi(0xB0, 5, 127);
    VstEvents* list = negative.get();
    list->numEvents = -1;
    EXPECT_EQ(effect->processEvents(list), 1);
    list->numEvents = 0;
    EXPECT_EQ(effect->processEvents(list), 1);
    EXPECT_EQ(rawBlock(*effect), before);

    // Null entries are passed over; the events around them still act.
    EventList holes;
    holes.midi(0xB0, 5, 127).midi(0xB0, 5, 127).midi(0xB0, 5, 64);
    list = holes.get();
    list->events[0] = nullptr;
    VstEvent** slots = list->events;
    slots[1] = nullptr;
    EXPECT_EQ(effect->processEvents(list), 1);
    EXPECT_EQ(effect->getParameter(kSensIndex), kMiddle);
}

TEST_F(MidiInput, ManyEventsInOneListActInOrder) {
    auto effect = makeEffect();
    armLearn(*effect, kBuzzIndex);
    EventList list;
    for (int value = 0; value < 100; ++value) {
        list.midi(0xB0, 11, value);
    }
    list.midi(0xC0, 8, 0).midi(0xB0, 11, 127);
    EXPECT_EQ(send(*effect, list), 1);
    EXPECT_EQ(effect->getProgram(), 8);
    EXPECT_EQ(effect->getParameter(kBuzzIndex), 1.0f);
}

}  // namespace
}  // namespace qp::test
