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

InfoAsked AskedForInfo(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h")
            return InfoAsked::help;
        if (arg == "--version")
            return InfoAsked::version;
    }
    return InfoAsked::none;
}

std::string UsageText() {
    return "Usage: quillmere [QT-OPTION]... [--] [FILE]...\n"
           "Opens the Quillmere dialog, which fits pictures to one frame size and saves\n"
           "them as JPEG files in a Quillmere folder beside each picture.\n"
           "\n"
           "The FILEs (names or file:// addresses) wait in the dialog until Convert is\n"
           "pressed; when the dialog is open already, they are handed to it.\n"
           "To convert without a dialog, from a script, use quillmere-cli.\n"
           "\n"
           "  -h, --help     show this help and exit\n"
           "      --version  show the version and exit\n"
           "  --             take every argument after it as a file name\n"
           "\n"
           "Qt's own options are understood too, such as -style NAME, -platform NAME\n"
           "and -display DISPLAY.\n";
}
