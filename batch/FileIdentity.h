#pragma once

#include <string>

// Whether both paths name one existing file or folder, however they are
// spelt: through links, bind mounts or "..".
bool SameFile(const std::string& a, const std::string& b);
