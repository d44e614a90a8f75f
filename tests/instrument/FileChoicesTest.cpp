// Which loaders a file name selects, and the save menu's items and ranges.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "instrument/FileChoices.h"

namespace {

using kt4r::LoadOperation;

TEST(FileChoices, LoadRunsEveryOperationWhoseExtensionOccursInTheName)
{
    struct Case {
        const char* name;
        std::vector<LoadOperation> operations;
    };
    const Case cases[] = {
        {"/home/p/Brass.KT4Rpreset", {LoadOperation::kProgram}},
        {"All.KT4Rbank", {LoadOperation::kBank}},
        {"dump.syx", {LoadOperation::kSysEx}},
        {"DUMP.SYX", {LoadOperation::kSysEx}},
        {"old.KT4Rpreset.bak", {LoadOperation::kProgram}},
        {"x.KT4Rpreset.KT4Rbank", {LoadOperation::kBank, LoadOperation::kProgram}},
        {"both.syx.SYX", {LoadOperation::kSysEx}},
        {"notes.txt", {}},
        {"mixed.Syx", {}},
        {"lower.kt4rpreset", {}},
        {".syx", {LoadOperation::kSysEx}},
        {"syx", {}},
        {"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kt4r::LoadOperationsFor(c.name), c.operations) << c.name;
}

// Closing the menu or picking the separator chooses nothing.
TEST(FileChoices, SaveMenuListsItsItemsInOrderWithTheSubmenuRanges)
{
    using kt4r::SaveOperation;
    const kt4r::SaveMenuItem expected[] = {
        {"KT4Rpreset", SaveOperation::kProgramFile, 0, 0, false},   {"KT4Rbank", SaveOperation::kBankFile, 0, 0, false},
        {"SYSEXpreset", SaveOperation::kSysExProgram, 0, 0, false}, {" 1- 32", SaveOperation::kSysExBank, 1, 32, true},
        {"33- 64", SaveOperation::kSysExBank, 33, 32, true},        {"65- 96", SaveOperation::kSysExBank, 65, 32, true},
        {"97-128", SaveOperation::kSysExBank, 97, 32, true},        {"", SaveOperation::kSysExBank, 0, 0, true},
        {" 1- 64", SaveOperation::kSysExBank, 1, 64, true},         {" 1-128", SaveOperation::kSysExBank, 1, 128, true},
    };
    const auto fields = [](const kt4r::SaveMenuItem& item) {
        return std::tuple(item.text, item.operation, item.first, item.count, item.inSubmenu);
    };
    const auto items = kt4r::SaveMenuItems();
    ASSERT_EQ(items.size(), std::size(expected));
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(fields(items[i]), fields(expected[i])) << i;
        EXPECT_EQ(kt4r::SaveMenuChoice(static_cast<int>(i)), i == 7 ? nullptr : &items[i]) << i;
    }
    EXPECT_EQ(kt4r::SaveMenuChoice(-1), nullptr);
    EXPECT_EQ(kt4r::SaveMenuChoice(10), nullptr);
    EXPECT_EQ(kt4r::kSaveSysExBankSubmenu, "SYSEXbank");
}

TEST(FileChoices, DialogsOfferTheExtensionOfTheirFileKind)
{
    using kt4r::SaveOperation;
    EXPECT_EQ(kt4r::SaveDialogExtensions(SaveOperation::kProgramFile), "KT4Rpreset");
    EXPECT_EQ(kt4r::SaveDialogExtensions(SaveOperation::kBankFile), "KT4Rbank");
    EXPECT_EQ(kt4r::SaveDialogExtensions(SaveOperation::kSysExProgram), "syx SYX");
    EXPECT_EQ(kt4r::SaveDialogExtensions(SaveOperation::kSysExBank), "syx SYX");
    EXPECT_EQ(kt4r::kLoadDialogExtensions, "KT4Rpreset KT4Rbank syx");
}

} // namespace
