// What the LOAD button does with a chosen file name, and the SAVE button's menu as data: its items,
// the operation each one selects and the extension its save dialog offers.
#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace kt4r {

enum class LoadOperation { kBank, kProgram, kSysEx };

inline constexpr std::string_view kLoadDialogExtensions = "KT4Rpreset KT4Rbank syx";

// Every operation whose extension occurs anywhere in the name (case-sensitive), in the order bank,
// program, SysEx. ".syx" and ".SYX" both select the SysEx load, which runs once even when both occur.
std::vector<LoadOperation> LoadOperationsFor(std::string_view name);

enum class SaveOperation { kProgramFile, kBankFile, kSysExProgram, kSysExBank };

struct SaveMenuItem {
    std::string_view text; // empty for the separator, which selects nothing
    SaveOperation operation;
    int first; // SysEx bank: the first program (1..128) and the number of programs
    int count;
    bool inSubmenu; // listed under kSaveSysExBankSubmenu
};

inline constexpr std::string_view kSaveSysExBankSubmenu = "SYSEXbank";

// The menu in display order: three items, then the submenu's ranges with a separator before the
// two longer ones. A choice is an index into this list.
std::span<const SaveMenuItem> SaveMenuItems();
// The item at a chosen index; null for a closed menu (any index outside the list) or the separator.
const SaveMenuItem* SaveMenuChoice(int index);
// The extension filter of the save dialog that follows a choice.
std::string_view SaveDialogExtensions(SaveOperation operation);

} // namespace kt4r
