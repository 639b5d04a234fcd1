#include "SystemReason.h"

#include <cstring>

std::string SystemReason(int error) {
    std::string reason = std::strerror(error);
    if (!reason.empty() && reason[0] >= 'A' && reason[0] <= 'Z' &&
        (reason.size() < 2 || reason[1] < 'A' || reason[1] > 'Z')) {
        reason[0] = static_cast<char>(reason[0] - 'A' + 'a');
    }
    return reason;
}
