#include "PathParts.h"

std::string PathParts::DirectoryPart(const std::string& text) const {
    const auto last = text.rfind(separator);
    return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

std::string PathParts::FileNamePart(const std::string& text) const {
    const auto last = text.rfind(separator);
    return last == std::string::npos ? text : text.substr(last + 1);
}

std::string PathParts::ExtensionPart(const std::string& text) {
    const auto dot = text.rfind('.');
    return dot == std::string::npos ? std::string() : text.substr(dot);
}

std::string PathParts::StripExtension(const std::string& text) {
    return text.substr(0, text.size() - ExtensionPart(text).size());
}
