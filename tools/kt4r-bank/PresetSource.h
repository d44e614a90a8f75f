// The factory bank's readable source: one text file per group of sixteen programs, each program a
// name, a one-line description and "<panel name> = <display value>" lines.
#pragma once

#include <string>
#include <vector>

namespace kt4r_bank {

struct SourceSetting {
    std::string panelName; // as the readout names the parameter ("VCF FREQUENCY")
    std::string value;     // as the readout shows its value ("45", "SAW", "1 UP")
    std::string where;     // "file:line", for messages
};

struct SourceProgram {
    std::string name;
    std::string description;
    std::string where; // the "program:" line
    std::vector<SourceSetting> settings;
};

struct SourceGroup {
    std::string title;
    std::string path;
    std::vector<SourceProgram> programs;
};

// Reads one group file's text. The first line that is not blank is "# <title>"; then blocks of
// "program: <name>", "description: <one line>" and settings, separated by blank lines; other "#" lines
// are comments. False, with "path:line: what is wrong" in *error, at the first malformed line.
bool ParseGroup(const std::string& text, const std::string& path, SourceGroup* group, std::string* error);

// The group files of a folder ("<number>-<words>.txt"), in the order of their leading numbers.
std::vector<std::string> GroupFiles(const std::string& folder);

} // namespace kt4r_bank
