#include "instrument/FileChoices.h"

#include <array>

namespace kt4r {

namespace {

constexpr std::array<SaveMenuItem, 10> kSaveMenu = {{
    {"KT4Rpreset", SaveOperation::kProgramFile, 0, 0, false},
    {"KT4Rbank", SaveOperation::kBankFile, 0, 0, false},
    {"SYSEXpreset", SaveOperation::kSysExProgram, 0, 0, false},
    {" 1- 32", SaveOperation::kSysExBank, 1, 32, true},
    {"33- 64", SaveOperation::kSysExBank, 33, 32, true},
    {"65- 96", SaveOperation::kSysExBank, 65, 32, true},
    {"97-128", SaveOperation::kSysExBank, 97, 32, true},
    {"", SaveOperation::kSysExBank, 0, 0, true},
    {" 1- 64", SaveOperation::kSysExBank, 1, 64, true},
    {" 1-128", SaveOperation::kSysExBank, 1, 128, true},
}};

} // namespace

std::vector<LoadOperation> LoadOperationsFor(std::string_view name)
{
    auto contains = [name](std::string_view extension) { return name.rfind(extension) != std::string_view::npos; };
    std::vector<LoadOperation> operations;
    if (contains(".KT4Rbank"))
        operations.push_back(LoadOperation::kBank);
    if (contains(".KT4Rpreset"))
        operations.push_back(LoadOperation::kProgram);
    if (contains(".syx") || contains(".SYX"))
        operations.push_back(LoadOperation::kSysEx);
    return operations;
}

std::span<const SaveMenuItem> SaveMenuItems()
{
    return kSaveMenu;
}

const SaveMenuItem* SaveMenuChoice(int index)
{
    if (index < 0 || index >= static_cast<int>(kSaveMenu.size()) || kSaveMenu[static_cast<size_t>(index)].text.empty())
        return nullptr;
    return &kSaveMenu[static_cast<size_t>(index)];
}

std::string_view SaveDialogExtensions(SaveOperation operation)
{
    switch (operation) {
    case SaveOperation::kProgramFile: return "KT4Rpreset";
    case SaveOperation::kBankFile: return "KT4Rbank";
    case SaveOperation::kSysExProgram:
    case SaveOperation::kSysExBank: return "syx SYX";
    }
    return "";
}

} // namespace kt4r
