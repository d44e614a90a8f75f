#include "tools/kt4r-bank/PresetSource.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <regex>
#include <sstream>
#include <utility>

namespace kt4r_bank {

namespace {

std::string Trim(const std::string& text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    return text.substr(begin, end - begin);
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

} // namespace

bool ParseGroup(const std::string& text, const std::string& path, SourceGroup* group, std::string* error)
{
    *group = SourceGroup{};
    group->path = path;
    std::istringstream lines(text);
    std::string raw;
    int number = 0;
    bool titled = false;
    SourceProgram* open = nullptr; // the program whose block has not ended
    auto fail = [&](const std::string& where, const std::string& what) {
        *error = where + ": " + what;
        return false;
    };
    auto close = [&](const std::string& where) {
        if (open && open->description.empty())
            return fail(where, "program '" + open->name + "' has no 'description:' line");
        open = nullptr;
        return true;
    };
    while (std::getline(lines, raw)) {
        ++number;
        const std::string line = Trim(raw);
        const std::string where = path + ":" + std::to_string(number);
        if (!titled) {
            if (line.empty())
                continue;
            if (line[0] != '#' || Trim(line.substr(1)).empty())
                return fail(where, "the file must start with '# <Group title>'");
            group->title = Trim(line.substr(1));
            titled = true;
            continue;
        }
        if (line.empty()) {
            if (!close(where))
                return false;
            continue;
        }
        if (line[0] == '#')
            continue;
        if (!open) {
            if (!StartsWith(line, "program:"))
                return fail(where, "a program block must start with 'program: <name>'");
            SourceProgram program;
            program.name = Trim(line.substr(8));
            program.where = where;
            if (program.name.empty())
                return fail(where, "the program has no name");
            group->programs.push_back(std::move(program));
            open = &group->programs.back();
            continue;
        }
        if (open->description.empty()) {
            if (!StartsWith(line, "description:"))
                return fail(where, "'description: <one line>' must follow 'program:'");
            open->description = Trim(line.substr(12));
            if (open->description.empty())
                return fail(where, "the description is empty");
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            return fail(where, "expected '<panel name> = <display value>'");
        SourceSetting setting{Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)), where};
        if (setting.panelName.empty() || setting.value.empty())
            return fail(where, "a setting needs a panel name and a value");
        open->settings.push_back(std::move(setting));
    }
    if (!titled)
        return fail(path, "empty file; it must start with '# <Group title>'");
    return close(path + ":" + std::to_string(number));
}

std::vector<std::string> GroupFiles(const std::string& folder)
{
    static const std::regex kName(R"(^(\d+)-[A-Za-z0-9_.-]+\.txt$)");
    std::vector<std::pair<int, std::string>> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        std::smatch match;
        if (entry.is_regular_file() && std::regex_match(name, match, kName))
            found.emplace_back(std::stoi(match[1].str()), entry.path().string());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& f : found)
        paths.push_back(std::move(f.second));
    return paths;
}

} // namespace kt4r_bank
