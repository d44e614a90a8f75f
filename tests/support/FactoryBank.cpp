#include "support/FactoryBank.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <utility>

namespace kt4r_test {

std::string FactoryBankPath()
{
    return std::string(KT4R_PRESETS) + "/KT-4R Factory.KT4Rbank";
}

std::vector<FactoryProgram> FactoryPrograms()
{
    static const std::regex kFile(R"(^(\d+)-.*\.txt$)");
    std::vector<std::pair<int, std::filesystem::path>> files;
    for (const auto& entry : std::filesystem::directory_iterator(KT4R_PRESETS)) {
        std::smatch match;
        const std::string name = entry.path().filename().string();
        if (std::regex_match(name, match, kFile))
            files.emplace_back(std::stoi(match[1].str()), entry.path());
    }
    std::sort(files.begin(), files.end());
    std::vector<FactoryProgram> programs;
    for (const auto& [number, path] : files) {
        std::ifstream in(path);
        std::string line;
        std::string title;
        while (std::getline(in, line)) {
            if (title.empty() && line.rfind("# ", 0) == 0)
                title = line.substr(2);
            else if (line.rfind("program:", 0) == 0)
                programs.push_back({line.substr(line.find_first_not_of(' ', 8)), "", title});
            else if (line.rfind("description:", 0) == 0 && !programs.empty())
                programs.back().description = line.substr(line.find_first_not_of(' ', 12));
        }
    }
    return programs;
}

} // namespace kt4r_test
