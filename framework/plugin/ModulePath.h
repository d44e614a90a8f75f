// The folder of the library this code was loaded from (configuration and map files live beside it).
#pragma once

#include <string>

// The folder with a trailing separator, so a file name can be appended directly; empty when unknown.
std::string ModuleFolder();
