// quillmere-cli: runs the dropped-file batch on the files named on its
// command line, with the same questions asked on the terminal.

#include "CommandLine.h"
#include "ConvertImage.h"
#include "DropBatch.h"
#include "ImagingSession.h"
#include "Interruption.h"
#include "PathParts.h"
#include "ProfileStore.h"
#include "ReportingFileSystem.h"
#include "TerminalPrompts.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <malloc.h>

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

// Thrown into the batch to end it before the next file once a stop was asked for.
struct StopRequested {};

int RunBatch(const CliRequest& request, const std::string& programName) {
    const ImagingSession session;
    if (!session.Started()) {
        std::fprintf(stderr, "%s: the imaging library did not start\n", programName.c_str());
        return notAllWritten;
    }

    ReportingFileSystem fileSystem(programName, stderr);
    std::vector<DroppedItem> drop;
    for (const std::string& file : request.files)
        drop.push_back({file, true});
    const int total = static_cast<int>(drop.size());

    const Interruption interruption;
    TerminalPrompts prompts(programName, stderr, ::isatty(STDIN_FILENO) ? STDIN_FILENO : -1,
                            request.assumeYes, request.keepGoing,
                            [] { return Interruption::Requested() != 0; });
    const bool showProgress = ::isatty(STDERR_FILENO) != 0;
    const PathParts names;
    int written = 0;
    int failed = 0;
    const auto convert = [&](const std::string& source, const std::string& output) {
        if (Interruption::Requested() != 0)
            throw StopRequested{};
        // The batch converts the files in order, so this is the file's place.
        if (showProgress)
            std::fprintf(stderr, "[%d/%d] %s\n", written + failed + 1, total,
                         names.FileNamePart(source).c_str());
        const int result = ConvertImage(request.settings, source, output);
        ++(result != 0 ? written : failed);
        return result;
    };

    BatchOutcome outcome;
    try {
        outcome = RunDropBatch(drop, prompts, fileSystem, convert);
    } catch (const StopRequested&) {
        outcome = {written, failed, total - written - failed, true};
    }
    std::printf("%d converted, %d failed, %d skipped\n", outcome.converted, outcome.failed,
                outcome.notReached);
    std::fflush(stdout);
    const bool allDone = outcome.converted == total;
    if (const int signal = Interruption::Requested(); signal != 0 && !allDone)
        Interruption::Finish(signal);
    return allDone ? allWritten : notAllWritten;
}

} // namespace

int main(int argc, char** argv) {
    // libvips decodes on several threads, and glibc gives each its own heap
    // that keeps its peak across files; one heap holds a whole batch to about
    // the peak of its largest picture.
    mallopt(M_ARENA_MAX, 1);
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
