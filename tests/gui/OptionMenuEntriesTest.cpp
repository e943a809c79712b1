// An option menu's entries as data: the current entry, removal, separators and
// titles, the entry limit and size, prefix numbers, submenus and checks. No
// menu is shown, so the tests run in every tree.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "gui/OptionMenu.h"
#include "gui/OptionMenuEntries.h"
#include "tests/gui/MenuWith.h"

namespace qp::test {
namespace {

std::string entryText(const OptionMenu* menu, std::int32_t index) {
    char text[OptionMenuEntries::kEntrySize] = {};
    return menu->getEntry(index, text) ? std::string(text) : std::string("<none>");
}

TEST(OptionMenuEntryBookkeeping, TheFirstEntryBecomesCurrentAndInsertingBeforeTheCurrentKeepsIt) {
    OptionMenu* menu = menuWith({});
    EXPECT_EQ(menu->getCurrent(), -1);
    menu->addEntry("A");
    EXPECT_EQ(menu->getCurrent(), 0);
    menu->addEntry("B");
    menu->addEntry("C");
    ASSERT_TRUE(menu->setCurrent(2));
    menu->checkEntry(2, true);
    ASSERT_TRUE(menu->addEntry("X", 0));
    EXPECT_EQ(menu->getCurrent(), 3) << "still C";
    EXPECT_EQ(entryText(menu, 0), "X");
    EXPECT_EQ(entryText(menu, 3), "C");
    EXPECT_TRUE(menu->isCheckedEntry(3)) << "the check flag moves with its entry";
    EXPECT_FALSE(menu->isCheckedEntry(2));
    ASSERT_TRUE(menu->addEntry("Y", 99));
    EXPECT_EQ(entryText(menu, 4), "Y") << "an index past the end appends";
    EXPECT_EQ(menu->getCurrent(), 3);
    menu->release();
}

TEST(OptionMenuEntryBookkeeping, RemovingEntriesMovesTheCurrentOneAndTheLastLeavesNone) {
    OptionMenu* menu = menuWith({"A", "B", "C"});
    menu->setCurrent(2);
    ASSERT_TRUE(menu->removeEntry(0));
    EXPECT_EQ(menu->getCurrent(), 1);
    char text[OptionMenuEntries::kEntrySize];
    EXPECT_EQ(menu->getCurrent(text), 1);
    EXPECT_STREQ(text, "C");
    EXPECT_TRUE(menu->removeEntry(1));
    EXPECT_EQ(menu->getCurrent(), 0) << "the removed current entry hands over to the one before";
    EXPECT_FALSE(menu->removeEntry(1));
    EXPECT_FALSE(menu->removeEntry(-1));
    EXPECT_TRUE(menu->removeEntry(0));
    EXPECT_EQ(menu->getNumEntries(), 0);
    EXPECT_EQ(menu->getCurrent(), -1);
    menu->release();
}

TEST(OptionMenuEntryBookkeeping, SeparatorsAndTitlesAreSkippedWhenNotCounted) {
    OptionMenu* menu = menuWith({"A", "-", "-TTitle", "B", "-GGrey", "C"});
    ASSERT_TRUE(menu->setCurrent(1, false));
    EXPECT_EQ(menu->getCurrent(nullptr, true), 3) << "B";
    EXPECT_EQ(menu->getCurrent(nullptr, false), 1);
    ASSERT_TRUE(menu->setCurrent(3, false));
    EXPECT_EQ(menu->getCurrent(nullptr, true), 5) << "greyed entries count";
    EXPECT_FALSE(menu->setCurrent(4, false)) << "only four countable entries";
    EXPECT_FALSE(menu->setCurrent(1, true)) << "a separator cannot be current";
    EXPECT_TRUE(menu->setCurrent(2, true)) << "a title can, when counting separators";
    EXPECT_EQ(menu->getIndex("-GGrey"), 4);
    EXPECT_EQ(menu->getIndex("nope"), -1);
    menu->release();
}

TEST(OptionMenuEntryBookkeeping, AMenuHoldsAtMost1024Entries) {
    OptionMenu* menu = menuWith({});
    for (int i = 0; i < OptionMenuEntries::kMaxEntries; ++i) {
        ASSERT_TRUE(menu->addEntry(std::to_string(i).c_str()));
    }
    EXPECT_FALSE(menu->addEntry("one too many"));
    EXPECT_FALSE(menu->addSubmenu("sub", menu));
    EXPECT_EQ(menu->getNumEntries(), OptionMenuEntries::kMaxEntries);
    EXPECT_EQ(entryText(menu, 1023), "1023");
    EXPECT_FALSE(menu->addEntry(nullptr));
    menu->release();
}

TEST(OptionMenuEntryBookkeeping, LongTextsAreCutToTheEntrySize) {
    const std::string longText(400, 'x');
    OptionMenu* menu = menuWith({longText.c_str()});
    EXPECT_EQ(entryText(menu, 0), std::string(255, 'x'));
    menu->release();
}

TEST(OptionMenuEntryBookkeeping, PrefixNumbersCountFromOneAndAreNotShown) {
    OptionMenu* menu = menuWith({});
    menu->setPrefixNumbers(kMenuPrefixTwoDigits);
    menu->addEntry("Alpha");
    menu->addEntry("-");
    menu->addEntry("-GGrey");
    OptionMenu* sub = menuWith({"x"});
    menu->addSubmenu("Sub", sub);
    sub->release();
    EXPECT_EQ(entryText(menu, 0), "01 Alpha");
    EXPECT_EQ(entryText(menu, 1), "-") << "a numbered separator would be no separator";
    EXPECT_EQ(entryText(menu, 2), "-G03 Grey");
    EXPECT_EQ(entryText(menu, 3), "-M04 Sub");
    EXPECT_STREQ(menu->entries().shownText(0), "Alpha");
    EXPECT_STREQ(menu->entries().shownText(2), "Grey");
    menu->release();
}

TEST(OptionMenuEntryBookkeeping, SubmenusAreRetainedAndReleasedWithTheirEntries) {
    OptionMenu* menu = menuWith({"A"});
    OptionMenu* first = menuWith({"1"});
    OptionMenu* second = menuWith({"2"});
    ASSERT_TRUE(menu->addSubmenu("First", first));
    ASSERT_TRUE(menu->addSubmenu("Second", second));
    EXPECT_FALSE(menu->addSubmenu(nullptr, first));
    EXPECT_FALSE(menu->addSubmenu("None", nullptr));
    EXPECT_EQ(first->getRefCount(), 2);
    EXPECT_EQ(entryText(menu, 1), "-MFirst");

    ASSERT_TRUE(menu->removeEntry(1));
    EXPECT_EQ(first->getRefCount(), 1);
    EXPECT_EQ(menu->getNumSubmenus(), 1);
    EXPECT_EQ(menu->getSubmenu(0), second) << "the remaining entry keeps its own submenu";

    second->retain();
    menu->removeAllEntries();
    EXPECT_EQ(second->getRefCount(), 2);
    EXPECT_EQ(menu->getNumEntries(), 0);
    EXPECT_EQ(menu->getCurrent(), -1);
    menu->addSubmenu("Again", second);
    menu->release();
    EXPECT_EQ(second->getRefCount(), 2) << "the menu's destruction released its reference";
    first->release();
    second->release();
    second->release();
}

TEST(OptionMenuEntryBookkeeping, SetValueTakesOnlyValidEntriesAndTogglesChecksUnderMultipleCheck) {
    OptionMenu* menu = menuWith({"A", "B", "C"}, kMenuMultipleCheck);
    menu->setValue(1.7f);
    EXPECT_EQ(menu->getCurrent(), 1);
    EXPECT_TRUE(menu->isCheckedEntry(1));
    menu->setValue(1.0f);
    EXPECT_FALSE(menu->isCheckedEntry(1));
    for (float bad : {3.0f, -0.5f, std::nanf(""), 1e9f}) {
        menu->setValue(bad);
        EXPECT_EQ(menu->getCurrent(), 1);
        EXPECT_FLOAT_EQ(menu->getValue(), 1.0f);
    }
    menu->checkEntry(0, true);
    menu->checkEntryAlone(2);
    EXPECT_FALSE(menu->isCheckedEntry(0));
    EXPECT_TRUE(menu->isCheckedEntry(2));
    EXPECT_FALSE(menu->checkEntry(3, true));
    menu->release();
}

}  // namespace
}  // namespace qp::test
