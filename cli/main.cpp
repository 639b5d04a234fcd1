// quillmere-cli: runs the dropped-file batch on the files named on its
// command line, with the same questions asked on the terminal.

#include "CommandLine.h"
#include "ConvertImage.h"
#include "DropBatch.h"
#include "ImagingSession.h"
#include "PathParts.h"
#include "ProfileStore.h"
#include "ReportingFileSystem.h"
#include "TerminalPrompts.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

enum ExitStatus { allWritten = 0, notAllWritten = 1, badUsage = 2 };

// The profiles live in the dialog's store, whatever this program is called.
constexpr const char* dialogProgramName = "quillmere";

std::string WorkingFolder() {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return {};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

int RunBatch(const CliRequest& request, const std::string& programName) {
    const ImagingSession session;
    if (!session.Started()) {
        std::fprintf(stderr, "%s: the imaging library did not start\n", programName.c_str());
        return notAllWritten;
    }

    TerminalPrompts prompts(programName, stderr, ::isatty(STDIN_FILENO) ? stdin : nullptr,
                            request.assumeYes, request.keepGoing);
    ReportingFileSystem fileSystem(programName, stderr);
    std::vector<DroppedItem> drop;
    for (const std::string& file : request.files)
        drop.push_back({file, true});

    const bool showProgress = ::isatty(STDERR_FILENO) != 0;
    const PathParts names;
    std::size_t started = 0;
    const auto convert = [&](const std::string& source, const std::string& output) {
        // The batch converts the files in order, so this is the file's place.
        ++started;
        if (showProgress)
            std::fprintf(stderr, "[%zu/%zu] %s\n", started, drop.size(),
                         names.FileNamePart(source).c_str());
        return ConvertImage(request.settings, source, output);
    };

    const BatchOutcome outcome = RunDropBatch(drop, prompts, fileSystem, convert);
    std::printf("%d converted, %d failed, %d skipped\n", outcome.converted, outcome.failed,
                outcome.notReached);
    return outcome.converted == static_cast<int>(drop.size()) ? allWritten : notAllWritten;
}

} // namespace

int main(int argc, char** argv) {
    const QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationVersion(QUILLMERE_VERSION);
    const std::string programName =
        QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();

    const std::vector<std::string> arguments(argv, argv + argc);
    const ProfileLoader loadProfiles = [](ProfileList& list, std::vector<std::string>& names) {
        ProfileStore(dialogProgramName).LoadProfiles(list, names);
    };
    const ParsedCommandLine parsed = ParseCommandLine(arguments, WorkingFolder(), loadProfiles);
    switch (parsed.action) {
    case ParsedCommandLine::Action::ShowHelp:
    case ParsedCommandLine::Action::ShowVersion:
        std::fputs(parsed.text.c_str(), stdout);
        return allWritten;
    case ParsedCommandLine::Action::Refuse:
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", programName.c_str(),
                     parsed.text.c_str(), programName.c_str());
        return badUsage;
    case ParsedCommandLine::Action::Run:
        break;
    }

    try {
        return RunBatch(parsed.request, programName);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", programName.c_str(), error.what());
        return notAllWritten;
    }
}
