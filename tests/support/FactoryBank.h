// The factory bank as the tests meet it: its file, and its programs' names and descriptions read from
// the readable source in presets/, in bank order.
#pragma once

#include <string>
#include <vector>

namespace kt4r_test {

struct FactoryProgram {
    std::string name;
    std::string description;
    std::string group; // the source file's title
};

// The bank file the build writes from the source (and an install puts beside the library).
std::string FactoryBankPath();
// "program:" and "description:" lines of presets/<n>-<group>.txt, files in the order of their numbers.
std::vector<FactoryProgram> FactoryPrograms();

} // namespace kt4r_test
