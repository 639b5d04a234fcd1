#pragma once

#include <string>

// The process's working folder, as the file system's bytes, against which
// the front ends make the names they are given absolute; empty when it
// cannot be told (it was removed, or is out of reach).
std::string WorkingFolder();
