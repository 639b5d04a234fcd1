#pragma once

#include <string>

// The system's words for an error number, as a reason of the program's own:
// "no such file or directory". Reasons begin in lower case wherever they come
// from, since they follow a path or a colon.
std::string SystemReason(int error);
