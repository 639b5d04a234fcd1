#include "WorkingFolder.h"

#include <filesystem>
#include <system_error>

std::string WorkingFolder() {
    std::error_code error;
    return std::filesystem::current_path(error).native();
}
