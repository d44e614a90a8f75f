#include "framework/x11/FileChooserProcess.h"

#include <sstream>

std::vector<std::string> FileChooserCommand(const std::string& tool, int action, const std::string& directory,
                                            const std::string& extensions)
{
    std::string patterns;
    std::istringstream words(extensions);
    for (std::string ext; words >> ext;)
        patterns += (patterns.empty() ? "*." : " *.") + ext;
    const bool save = action == 1;

    std::vector<std::string> argv;
    if (tool == "kdialog") {
        argv = {"kdialog", save ? "--getsavefilename" : "--getopenfilename", directory.empty() ? "." : directory};
        if (!patterns.empty())
            argv.push_back(patterns);
        return argv;
    }
    argv = {"zenity", "--file-selection"};
    if (save) {
        argv.push_back("--save");
        argv.push_back("--confirm-overwrite");
    }
    if (!directory.empty())
        argv.push_back("--filename=" + directory);
    if (!patterns.empty())
        argv.push_back("--file-filter=" + patterns);
    return argv;
}

std::string ChosenPath(const std::string& output)
{
    const size_t end = output.find_first_of("\r\n");
    return output.substr(0, end);
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileChooserProcess::InstalledTool()
{
    for (const char* tool : {"zenity", "kdialog"})
        if (!FindOnPath(tool).empty())
            return tool;
    return std::string();
}

bool FileChooserProcess::Start(int action, const std::string& directory, const std::string& extensions)
{
    const std::string tool = InstalledTool();
    return !tool.empty() && mChild.Start(FileChooserCommand(tool, action, directory, extensions));
}

bool FileChooserProcess::Poll(std::string* path)
{
    if (!mChild.Poll())
        return false;
    // Any exit but 0 is a cancel (zenity and kdialog answer 1; a killed chooser answers nothing).
    *path = mChild.ExitCode() == 0 ? ChosenPath(mChild.Output()) : std::string();
    return true;
}
