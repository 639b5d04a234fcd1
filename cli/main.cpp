// quillmere-cli: runs the dropped-file batch on the files and folders named
// on its command line or in a list, with the same questions asked on the
// terminal.

#include "CommandLine.h"
#include "DroppedFolders.h"
#include "EncodeImage.h"
#include "FileList.h"
#include "ImagingSession.h"
#include "Interruption.h"
#include "PathParts.h"
#include "PosixFileSystem.h"
#include "PosixFolderLister.h"
#include "Printable.h"
#include "ProfileStore.h"
#include "SystemReason.h"
#include "TerminalPrompts.h"
#include "WorkingFolder.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <malloc.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

enum ExitStatus { allWritten = 0, notAllWritten = 1, badUsage = 2 };

// The profiles live in the dialog's store, whatever this program is called.
constexpr const char* dialogProgramName = "quillmere";

// Standard input, output and error closed by whoever started the program
// would be taken by the next files it opens, and a summary or a message could
// land in a picture's output. Each closed one is held by /dev/null opened for
// reading only: writes to it fail (and are reported), reads find the end.
void HoldClosedStandardStreams() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            const int held = ::open("/dev/null", O_RDONLY);
            if (held >= 0 && held != fd) {
                ::dup2(held, fd);
                ::close(held);
            }
        }
    }
}

// Writes what standard output holds. A summary or help text that did not
// reach it (a full disk, a closed pipe, >&-) is a failure that says why.
bool Flushed(const std::string& programName, const char* what) {
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0)
        return true;
    const int error = errno;
    std::fprintf(stderr, "%s: cannot write the %s: %s\n", programName.c_str(), what,
                 SystemReason(error != 0 ? error : EIO).c_str());
    return false;
}

int RunBatch(const CliRequest& request, const std::string& programName,
             const Interruption& interruption) {
    const ImagingSession session;
    if (!session.Started()) {
        std::fprintf(stderr, "%s: the imaging library did not start\n", programName.c_str());
        return notAllWritten;
    }

    PosixFileSystem fileSystem;
    PosixFolderLister lister;
    std::vector<DroppedItem> drop;
    for (const std::string& file : request.files)
        drop.push_back({file});

    const std::stop_token stop = interruption.Token();
    // A list read from standard input leaves no terminal there to answer on.
    const bool askable = ::isatty(STDIN_FILENO) != 0 && request.filesFrom != "-";
    TerminalPrompts prompts(programName, stderr, askable ? STDIN_FILENO : -1, request.assumeYes,
                            request.keepGoing, [&stop] { return stop.stop_requested(); });
    BatchOptions options;
    options.jobs = request.jobs;
    std::size_t total = drop.size();
    options.onCounted = [&total](std::size_t items) { total = items; };
    if (::isatty(STDERR_FILENO) != 0) {
        options.onItem = [&total, names = PathParts()](std::size_t index, const DroppedItem& item) {
            std::fprintf(stderr, "[%zu/%zu] %s\n", index + 1, total,
                         Printable(names.FileNamePart(item.path), LineFeeds::escape).c_str());
        };
        options.onLooking = [](const std::string& folder, std::size_t picturesSoFar) {
            if (picturesSoFar == 0)
                std::fprintf(stderr, "Looking through %s\n",
                             Printable(folder, LineFeeds::escape).c_str());
        };
    }
    const Encoder encode = [&request](const std::string& source, std::stop_token cancel) {
        return EncodeImage(request.settings, source, std::move(cancel));
    };

    const BatchOutcome outcome =
        RunDropWithFolders(drop, prompts, fileSystem, lister, encode, options, stop);
    errno = 0;
    std::printf("%d converted, %d failed, %d skipped", outcome.converted, outcome.failed,
                outcome.notReached);
    if (outcome.passedOver > 0)
        std::printf(", %s other %s passed over", CountText(std::size_t(outcome.passedOver)).c_str(),
                    outcome.passedOver == 1 ? "file" : "files");
    std::printf("\n");
    const bool told = Flushed(programName, "summary");
    const bool allDone = outcome.failed == 0 && outcome.notReached == 0 && !outcome.endedEarly;
    if (const int signal = interruption.Requested(); signal != 0 && !allDone)
        Interruption::Finish(signal);
    return allDone && told ? allWritten : notAllWritten;
}

} // namespace

int main(int argc, char** argv) {
    // libvips decodes on several threads, and glibc gives each its own heap
    // that keeps its peak across files; one heap holds a whole batch to about
    // the peak of its largest pictures.
    mallopt(M_ARENA_MAX, 1);
    HoldClosedStandardStreams();
    // Before any thread exists, so that every thread leaves the signals to it.
    const bool onTerminal = ::isatty(STDERR_FILENO) != 0;
    const Interruption interruption([onTerminal] {
        if (onTerminal) {
            static const char stopping[] = "Stopping; press Ctrl-C again to quit at once.\n";
            (void)!::write(STDERR_FILENO, stopping, sizeof stopping - 1);
        }
    });
    const QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationVersion(QUILLMERE_VERSION);
    const std::string programName =
        QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();

    const std::vector<std::string> arguments(argv, argv + argc);
    const ProfileLoader loadProfiles = [](ProfileList& list, std::vector<std::string>& names) {
        return ProfileStore(dialogProgramName).LoadAll(list, names);
    };
    ParsedCommandLine parsed = ParseCommandLine(arguments, WorkingFolder(), loadProfiles);
    switch (parsed.action) {
    case ParsedCommandLine::Action::ShowHelp:
    case ParsedCommandLine::Action::ShowVersion:
        errno = 0;
        std::fputs(parsed.text.c_str(), stdout);
        return Flushed(programName,
                       parsed.action == ParsedCommandLine::Action::ShowHelp ? "help" : "version")
                   ? allWritten
                   : notAllWritten;
    case ParsedCommandLine::Action::Refuse:
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", programName.c_str(),
                     Printable(parsed.text, LineFeeds::keep).c_str(), programName.c_str());
        return badUsage;
    case ParsedCommandLine::Action::Run:
        break;
    }
    CliRequest request = std::move(parsed.request);
    if (!request.filesFrom.empty()) {
        if (const std::string problem = ReadFileList(request.filesFrom, request.nullSeparated,
                                                     WorkingFolder(), request.files);
            !problem.empty()) {
            std::fprintf(stderr, "%s: %s\n", programName.c_str(),
                         Printable(problem, LineFeeds::keep).c_str());
            return badUsage;
        }
    }

    try {
        return RunBatch(request, programName, interruption);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", programName.c_str(), error.what());
        return notAllWritten;
    }
}
