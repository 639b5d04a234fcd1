#include "StartupFiles.h"

#include "DroppedItems.h"

#include <QUrl>

#include <regex>

namespace {

bool IsAddress(const std::string& arg) {
    static const std::regex address("[A-Za-z][A-Za-z0-9+.-]*:/.*");
    return std::regex_match(arg, address);
}

/*
 * Addresses are meant to come percent-encoded; bytes that are not (spaces,
 * names that are no UTF-8) are encoded here as they are, so that the path
 * keeps each of them.
 */
QUrl AddressOf(const std::string& arg) {
    QByteArray encoded;
    for (const char byte : arg) {
        const auto code = static_cast<unsigned char>(byte);
        if (code > ' ' && code < 0x7F)
            encoded += byte;
        else
            encoded += '%' + QByteArray::number(code, 16).rightJustified(2, '0');
    }
    return QUrl::fromEncoded(encoded);
}

} // namespace

StartupRequest StartupFiles(const std::vector<std::string>& args, const std::string& workingFolder,
                            const QString& thisHost) {
    StartupRequest request;
    bool options = true;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            return {{}, "unknown option " + arg + " (put -- before a file name starting with -)"};
        } else if (arg.empty()) {
            return {{}, "an empty file name"};
        } else if (options && IsAddress(arg)) {
            request.files.push_back(DroppedItemOf(AddressOf(arg), thisHost));
        } else if (arg[0] == '/') {
            request.files.push_back({arg, true});
        } else if (workingFolder.empty()) {
            return {{}, "the working folder is gone, so " + arg + " names no file"};
        } else {
            const bool slash = workingFolder.back() == '/';
            request.files.push_back({workingFolder + (slash ? "" : "/") + arg, true});
        }
    }
    return request;
}
