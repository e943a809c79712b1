// What every settings store owes the effect, as writeSetting and readSetting
// see it: one table for the registry (the unit suite's MemoryPlatform stands in
// for it) and for the Linux settings file (qp_settings_tests). A store says how
// a value is put there by hand, how one value is damaged and how writes are
// made to fail, each in its own terms; the rows say what the effect gets back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "effect/Settings.h"

namespace qp::test {

class SettingsStoreUnderTest {
public:
    virtual ~SettingsStoreUnderTest() = default;
    // Forgets every value, before each row.
    virtual void clear() = 0;
    virtual void putDword(const char* name, std::uint32_t data) = 0;
    // Leaves data under name that is no stored number.
    virtual void damage(const char* name) = 0;
    // Makes every write fail from now on: the value cannot be written, or (key)
    // the place that holds all values cannot be opened for writing.
    virtual void failWrites(bool key) = 0;
    virtual void repair() = 0;
};

struct SettingsStoreStep {
    enum Kind {
        Write,
        Read,
        Put,
        Damage,
        FailValueWrites,
        FailKey,
        Repair
    } kind;
    const char* name = nullptr;
    // Write: the number, Put: the stored data.
    std::int64_t number = 0;
    // Write: 1 for success, Read: the result.
    std::int64_t expected = 0;
};

struct SettingsStoreCase {
    const char* label;
    std::vector<SettingsStoreStep> steps;
};

inline const std::vector<SettingsStoreCase>& settingsStoreCases() {
    using S = SettingsStoreStep;
    static const std::vector<SettingsStoreCase> cases = {
        {"a number reads back plus one",
         {{S::Write, "MidiCC-sens", 7, 1},
          {S::Read, "MidiCC-sens", 0, 8},
          {S::Write, "big", 0x01020304, 1},
          {S::Read, "big", 0, 0x01020305},
          {S::Read, "MidiCC-sens", 0, 8}}},
        {"minus one is kept as nothing", {{S::Write, "minus", -1, 1}, {S::Read, "minus", 0, 0}}},
        {"the largest number wraps", {{S::Write, "max", INT32_MAX, 1}, {S::Read, "max", 0, INT32_MIN}}},
        {"a second write replaces the first",
         {{S::Write, "sens", 1, 1}, {S::Write, "sens", 8000, 1}, {S::Read, "sens", 0, 8001}}},
        {"nothing stored reads as nothing",
         {{S::Read, "MidiCC-buzz", 0, 0}, {S::Put, "Zoom", 5}, {S::Read, "MidiCC-buzz", 0, 0}}},
        {"data put by hand reads as it is",
         {{S::Put, "negative", 0xFFFFFFFE},
          {S::Read, "negative", 0, -2},
          {S::Put, "MidiCC-sens", 1},
          {S::Read, "MidiCC-sens", 0, 1}}},
        {"damaged data reads as nothing and costs no other value",
         {{S::Put, "Zoom", 5},
          {S::Damage, "MidiCC-sens"},
          {S::Read, "MidiCC-sens", 0, 0},
          {S::Read, "Zoom", 0, 5},
          {S::Write, "MidiCC-sens", 7, 1},
          {S::Read, "MidiCC-sens", 0, 8},
          {S::Read, "Zoom", 0, 5}}},
        {"a value that cannot be written says so and loses nothing",
         {{S::Put, "MidiCC-sens", 8},
          {S::FailValueWrites},
          {S::Write, "MidiCC-sens", 3, 0},
          {S::Write, "MidiCC-buzz", 3, 0},
          {S::Repair},
          {S::Read, "MidiCC-sens", 0, 8},
          {S::Read, "MidiCC-buzz", 0, 0}}},
        {"a store that cannot be opened says so and loses nothing",
         {{S::Put, "MidiCC-sens", 8},
          {S::FailKey},
          {S::Write, "MidiCC-sens", 3, 0},
          {S::Repair},
          {S::Read, "MidiCC-sens", 0, 8},
          {S::Write, "MidiCC-sens", 3, 1},
          {S::Read, "MidiCC-sens", 0, 4}}},
    };
    return cases;
}

// Runs every row against the store, which must be the current platform's.
inline void expectSettingsStoreCases(SettingsStoreUnderTest& store, const char* product) {
    for (const SettingsStoreCase& c : settingsStoreCases()) {
        store.clear();
        for (std::size_t n = 0; n < c.steps.size(); ++n) {
            const SettingsStoreStep& step = c.steps[n];
            switch (step.kind) {
                case SettingsStoreStep::Write:
                    EXPECT_EQ(writeSetting(product, step.name, std::int32_t(step.number)), step.expected != 0)
                        << c.label << ", step " << n;
                    break;
                case SettingsStoreStep::Read:
                    EXPECT_EQ(readSetting(product, step.name), step.expected) << c.label << ", step " << n;
                    break;
                case SettingsStoreStep::Put:
                    store.putDword(step.name, std::uint32_t(step.number));
                    break;
                case SettingsStoreStep::Damage:
                    store.damage(step.name);
                    break;
                case SettingsStoreStep::FailValueWrites:
                case SettingsStoreStep::FailKey:
                    store.failWrites(step.kind == SettingsStoreStep::FailKey);
                    break;
                case SettingsStoreStep::Repair:
                    store.repair();
                    break;
            }
        }
        store.repair();
    }
}

}  // namespace qp::test
