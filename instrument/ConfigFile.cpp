#include "instrument/ConfigFile.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace {

std::string Strip(const std::string& s)
{
    static const char* const kSpace = " \f\n\r\t\v";
    const size_t first = s.find_first_not_of(kSpace);
    if (first == std::string::npos)
        return std::string();
    const size_t last = s.find_last_not_of(kSpace);
    return s.substr(first, last - first + 1);
}

} // namespace

void ConfigFile::Read(const std::string& path)
{
    mPath = path;
    mValues.clear();
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return;
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    Parse(text);
}

void ConfigFile::Parse(const std::string& text)
{
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line, '\n')) {
        if (line.empty() || line[0] == '#')
            continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        mValues[Strip(line.substr(0, equals))] = Strip(line.substr(equals + 1));
    }
}
