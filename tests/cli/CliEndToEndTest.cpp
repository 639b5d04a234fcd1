// Runs the built quillmere-cli on pictures made here, in a temporary folder,
// and checks what it wrote, said and returned.

#include "ProfileStore.h"

#include <QTemporaryDir>

#include <vips/vips8>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct RunOptions {
    std::string workingFolder;
    // When set, standard input and standard error are a terminal and this
    // is typed on it.
    std::optional<std::string> typed;
    std::vector<std::string> environment; // NAME=value, replacing the inherited one
    // Sends SIGINT once standard error holds this text.
    std::string interruptWhenSaid;
};

RunOptions InFolder(std::string folder) {
    RunOptions options;
    options.workingFolder = std::move(folder);
    return options;
}

struct CliRun {
    int exitCode = -1; // -1 when ended by a signal
    int signal = 0;
    std::string out;
    std::string err;
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A file descriptor closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int owned = -1) : fd(owned) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd; }
    void Reset(int newFd) {
        Close();
        fd = newFd;
    }
    void Close() {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

private:
    int fd;
};

std::vector<std::string> Environment(const std::vector<std::string>& replacements) {
    std::vector<std::string> result = replacements;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('=') + 1);
        if (std::none_of(replacements.begin(), replacements.end(), [&](const std::string& r) {
                return r.compare(0, name.size(), name) == 0;
            }))
            result.push_back(text);
    }
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Runs the program with arguments passed as bytes, collects both streams
// and gives up (killing it) after a minute so a program waiting for an
// answer fails the test instead of hanging it.
CliRun RunCli(const std::vector<std::string>& arguments, const RunOptions& options = {}) {
    CliRun run;
    std::vector<std::string> argv = {QUILLMERE_CLI};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> env = Environment(options.environment);

    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0)
        return run;
    Descriptor outRead(outPipe[0]), outWrite(outPipe[1]);
    Descriptor errRead, errWrite, terminal, terminalChild;
    if (options.typed) {
        terminal.Reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
        if (terminal.Get() < 0 || ::grantpt(terminal.Get()) != 0 || ::unlockpt(terminal.Get()) != 0)
            return run;
        terminalChild.Reset(::open(::ptsname(terminal.Get()), O_RDWR | O_NOCTTY | O_CLOEXEC));
        termios mode{};
        ::tcgetattr(terminalChild.Get(), &mode);
        mode.c_lflag &= ~static_cast<tcflag_t>(ECHO);  // the typed answers stay out of the output
        mode.c_oflag &= ~static_cast<tcflag_t>(OPOST); // line feeds stay line feeds
        ::tcsetattr(terminalChild.Get(), TCSANOW, &mode);
    } else {
        if (::pipe2(errPipe, O_CLOEXEC) != 0)
            return run;
        errRead.Reset(errPipe[0]);
        errWrite.Reset(errPipe[1]);
    }

    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    if (!options.workingFolder.empty())
        ::posix_spawn_file_actions_addchdir_np(&actions, options.workingFolder.c_str());
    ::posix_spawn_file_actions_adddup2(&actions, outWrite.Get(), STDOUT_FILENO);
    if (options.typed) {
        ::posix_spawn_file_actions_adddup2(&actions, terminalChild.Get(), STDIN_FILENO);
        ::posix_spawn_file_actions_adddup2(&actions, terminalChild.Get(), STDERR_FILENO);
    } else {
        ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        ::posix_spawn_file_actions_adddup2(&actions, errWrite.Get(), STDERR_FILENO);
    }
    pid_t child = 0;
    std::vector<char*> argvPointers = Pointers(argv);
    std::vector<char*> envPointers = Pointers(env);
    const int spawned = ::posix_spawn(&child, argv.front().c_str(), &actions, nullptr,
                                      argvPointers.data(), envPointers.data());
    ::posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    outWrite.Close();
    errWrite.Close();
    terminalChild.Close();
    if (options.typed && !options.typed->empty()) {
        EXPECT_EQ(::write(terminal.Get(), options.typed->data(), options.typed->size()),
                  static_cast<ssize_t>(options.typed->size()));
    }

    const int errSource = options.typed ? terminal.Get() : errRead.Get();
    std::vector<pollfd> open = {{outRead.Get(), POLLIN, 0}, {errSource, POLLIN, 0}};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    bool interrupted = false;
    while (!open.empty() && std::chrono::steady_clock::now() < deadline) {
        if (::poll(open.data(), open.size(), 1000) < 0 && errno != EINTR)
            break;
        for (auto it = open.begin(); it != open.end();) {
            char buffer[4096];
            ssize_t got = 0;
            if (it->revents != 0 && (got = ::read(it->fd, buffer, sizeof buffer)) <= 0) {
                it = open.erase(it); // end of the stream (EIO for a terminal)
                continue;
            }
            if (got > 0)
                (it->fd == outRead.Get() ? run.out : run.err)
                    .append(buffer, static_cast<std::size_t>(got));
            it->revents = 0;
            ++it;
        }
        if (!options.interruptWhenSaid.empty() && !interrupted &&
            Contains(run.err, options.interruptWhenSaid)) {
            ::kill(child, SIGINT);
            interrupted = true;
        }
    }
    if (!open.empty()) {
        ADD_FAILURE() << "quillmere-cli did not finish within a minute";
        ::kill(child, SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return run;
}

// A plain picture of one colour.
void MakePicture(const std::string& path, int width, int height, std::vector<double> rgb) {
    fs::create_directories(fs::path(path).parent_path());
    vips::VImage::black(width, height)
        .new_from_image(rgb)
        .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB))
        .pngsave(path.c_str());
}

void WriteText(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

Size JpegSize(const std::string& path) {
    const char* loader = vips_foreign_find_load(path.c_str());
    EXPECT_STREQ(loader, "VipsForeignLoadJpegFile") << path;
    if (loader == nullptr) {
        vips_error_clear();
        return {};
    }
    const vips::VImage image = vips::VImage::new_from_file(path.c_str());
    return {image.width(), image.height()};
}

// True when the pixel lies within a JPEG's error of the colour.
bool PixelNear(const std::string& path, int x, int y, std::vector<double> rgb) {
    const std::vector<double> found = vips::VImage::new_from_file(path.c_str()).getpoint(x, y);
    if (found.size() != 3)
        return false;
    for (std::size_t band = 0; band < 3; ++band)
        if (std::abs(found[band] - rgb[band]) > 12)
            return false;
    return true;
}

std::string Question(const std::string& folder) {
    return "Directory doesn't exist:  " + folder + "/Quillmere/\n\nCreate it? [yes/no] ";
}

std::vector<std::string> Tree(const std::string& folder) {
    std::vector<std::string> entries;
    if (fs::exists(folder))
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            entries.push_back(entry.path().string());
    std::sort(entries.begin(), entries.end());
    return entries;
}

class CliEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(temp.isValid()); }

    // A folder with two pictures and a file that is no picture.
    std::string Pictures(const std::string& name) {
        const std::string folder = root + "/" + name;
        MakePicture(folder + "/a.png", 64, 48, {255, 0, 0});
        MakePicture(folder + "/b.png", 30, 90, {0, 255, 0});
        WriteText(folder + "/bad.png", "no picture at all");
        return folder;
    }

    QTemporaryDir temp;
    const std::string root = temp.path().toStdString();
};

} // namespace

// Each copy lands in Quillmere beside its source, a copy of a copy one level
// deeper; an old copy is replaced, and the default frame is 800 x 600 padded
// with blue 200.
TEST_F(CliEndToEnd, WritesEachCopyBesideItsSource) {
    const std::string one = Pictures("one");
    const std::string two = root + "/two words ü";
    MakePicture(two + "/tall.png", 30, 90, {0, 255, 0});
    WriteText(two + "/Quillmere/tall.jpg", "an old copy");

    const CliRun run =
        RunCli({"--yes", one + "/a.png", two + "/tall.png", one + "/Quillmere/a.jpg"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "3 converted, 0 failed, 0 skipped\n");
    EXPECT_TRUE(Contains(run.err, Question(one) + "yes (--yes)")) << run.err;
    EXPECT_TRUE(Contains(run.err, Question(one + "/Quillmere") + "yes (--yes)")) << run.err;
    EXPECT_FALSE(Contains(run.err, Question(two))) << "the folder was there";
    EXPECT_FALSE(Contains(run.err, "[1/3]")) << "progress only on a terminal";
    for (const std::string& copy : {one + "/Quillmere/a.jpg", two + "/Quillmere/tall.jpg",
                                    one + "/Quillmere/Quillmere/a.jpg"})
        EXPECT_EQ(JpegSize(copy), (Size{800, 600})) << copy;
    EXPECT_TRUE(PixelNear(two + "/Quillmere/tall.jpg", 10, 300, {0, 0, 200}));
    EXPECT_TRUE(PixelNear(two + "/Quillmere/tall.jpg", 400, 300, {0, 255, 0}));
    EXPECT_EQ(Tree(one + "/Quillmere").size(), 3u) << "a.jpg, Quillmere, Quillmere/a.jpg";
}

// 0 when every file was written, 1 when one failed or the run stopped; without
// a terminal a folder question gets No and a failure Cancel.
TEST_F(CliEndToEnd, ExitStatusFollowsTheOutcome) {
    struct Row {
        std::string name;
        std::vector<std::string> options;
        std::vector<std::string> files; // in the row's folder
        bool folderThere;
        int exitCode;
        std::string summary;
        std::vector<std::string> written;
        std::string said; // part of standard error, after the folder's name
    };
    const std::vector<Row> rows = {
        {"every file written",
         {"--yes"},
         {"a.png", "b.png"},
         false,
         0,
         "2 converted, 0 failed, 0 skipped",
         {"a.jpg", "b.jpg"},
         ""},
        {"no terminal: No to the folder",
         {},
         {"a.png", "b.png"},
         false,
         1,
         "0 converted, 0 failed, 2 skipped",
         {},
         "/Quillmere/\n\nCreate it? [yes/no] no "
         "(no terminal to ask; --yes answers yes)\n"},
        {"folder there: no question",
         {},
         {"a.png"},
         true,
         0,
         "1 converted, 0 failed, 0 skipped",
         {"a.jpg"},
         ""},
        {"no terminal: Cancel after a failure",
         {"--yes"},
         {"a.png", "bad.png", "b.png"},
         false,
         1,
         "1 converted, 1 failed, 1 skipped",
         {"a.jpg"},
         "/bad.png [ok/cancel] cancel (no terminal to ask; --keep-going answers ok)\n"},
        {"--keep-going",
         {"--yes", "--keep-going"},
         {"bad.png", "a.png", "missing.png", "b.png"},
         false,
         1,
         "2 converted, 2 failed, 0 skipped",
         {"a.jpg", "b.jpg"},
         "/missing.png [ok/cancel] ok (--keep-going)\n"},
        {"folder cannot be made",
         {"--yes"},
         {"gone/a.png", "a.png"},
         false,
         1,
         "0 converted, 0 failed, 2 skipped",
         {},
         "/gone/Quillmere/: No such file or directory\nquillmere-cli: Couldn't create dir\n"},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(row.name);
        const std::string folder = Pictures("row" + std::to_string(i));
        if (row.folderThere)
            fs::create_directory(folder + "/Quillmere");
        std::vector<std::string> arguments = row.options;
        for (const std::string& file : row.files)
            arguments.push_back(folder + "/" + file);

        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
        EXPECT_EQ(run.out, row.summary + "\n");
        if (!row.said.empty()) {
            EXPECT_TRUE(Contains(run.err, folder + row.said)) << run.err;
        }
        if (row.folderThere) {
            EXPECT_FALSE(Contains(run.err, "Create it?")) << run.err;
        }
        std::vector<std::string> expected;
        for (const std::string& name : row.written)
            expected.push_back(folder + "/Quillmere/" + name);
        EXPECT_EQ(Tree(folder + "/Quillmere"), expected);
    }
}

// A relative path starts in the working folder, never at the root.
TEST_F(CliEndToEnd, RelativePathsStartInTheWorkingFolder) {
    const std::string pics = Pictures("pics");
    MakePicture(pics + "/sub/c.png", 20, 20, {0, 0, 255});
    MakePicture(root + "/other/d.png", 20, 20, {0, 0, 255});
    const bool rootCopyBefore = fs::exists("/Quillmere");

    const CliRun run = RunCli({"--yes", "a.png", "./sub/c.png", "../other/d.png"}, InFolder(pics));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(Contains(run.err, Question(pics))) << run.err;
    EXPECT_TRUE(fs::exists(pics + "/Quillmere/a.jpg"));
    EXPECT_TRUE(fs::exists(pics + "/sub/Quillmere/c.jpg"));
    EXPECT_TRUE(fs::exists(root + "/other/Quillmere/d.jpg"));
    EXPECT_EQ(fs::exists("/Quillmere"), rootCopyBefore);
}

// Names with blanks, non-ASCII letters, bytes that are no UTF-8 and a
// leading dash keep every byte.
TEST_F(CliEndToEnd, KeepsOddFileNamesByteForByte) {
    const std::string folder = root + "/Ferien am Meer";
    MakePicture(folder + "/Strand äöü 海.png", 40, 30, {255, 255, 0});
    MakePicture(folder + "/plain.png", 40, 30, {255, 255, 0});
    fs::rename(fs::path(folder + "/plain.png"), fs::path(folder + "/raw\xff\xfe.png"));
    MakePicture(folder + "/-dash.png", 40, 30, {255, 255, 0});

    const CliRun run =
        RunCli({"--yes", "--width", "40", "--height", "30", "--", folder + "/Strand äöü 海.png",
                folder + "/raw\xff\xfe.png", "-dash.png"},
               InFolder(folder));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    for (const std::string copy : {"Strand äöü 海.jpg", "raw\xff\xfe.jpg", "-dash.jpg"})
        EXPECT_EQ(JpegSize(folder + "/Quillmere/" + copy), (Size{40, 30})) << copy;
}

// A refused command line leaves the disk as it was and prints only why.
TEST_F(CliEndToEnd, RefusesBadUsageBeforeTouchingAnything) {
    const std::string folder = Pictures("untouched");
    const std::string a = folder + "/a.png";
    const std::vector<std::pair<std::vector<std::string>, std::string>> rows = {
        {{"--yes", "--width", "abc", a}, "--width wants a whole number of pixels"},
        {{"--yes", "--height", "0", a}, "--height wants a whole number of pixels"},
        {{"--yes", "--color", "nosuch", a}, "--color wants #RRGGBB"},
        {{"--yes"}, "no files given"},
        {{"--yes", "--frobnicate", a}, "Unknown option 'frobnicate'"},
        {{"--yes", "--profile", "Nope", a}, "no profile is named \"Nope\""},
    };
    const std::vector<std::string> before = Tree(folder);
    for (const auto& [arguments, message] : rows) {
        SCOPED_TRACE(message);
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(Contains(run.err, "quillmere-cli: " + message)) << run.err;
        EXPECT_TRUE(Contains(run.err, "Try 'quillmere-cli --help'")) << run.err;
        EXPECT_EQ(Tree(folder), before);
    }
    const CliRun help = RunCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(Contains(help.out, "[options] FILE...")) << help.out;
}

// --profile reads the dialog's store without changing it; options beside it
// win; an unknown name lists the names there are.
TEST_F(CliEndToEnd, TakesSettingsFromTheDialogsProfiles) {
    const ProfileStore store("quillmere");
    ASSERT_TRUE(store.SaveProfile({"Small", 1, 0x000000FF, 64, 48}));
    ASSERT_TRUE(store.SaveProfile({"Tall one", 0, 0x00FF0000, 50, 100}));
    const std::string config = std::getenv("XDG_CONFIG_HOME");
    const std::string file = config + "/Tollervane/quillmere.conf";
    ASSERT_TRUE(fs::exists(file));
    const auto readAll = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string contents = readAll(file);
    const auto written = fs::last_write_time(file);
    const std::vector<std::string> configBefore = Tree(config);

    const std::string folder = root + "/profiled";
    MakePicture(folder + "/tall.png", 30, 90, {0, 255, 0});
    MakePicture(folder + "/wide.png", 90, 30, {0, 255, 0});
    const CliRun small = RunCli({"--yes", "--profile", "Small", folder + "/tall.png"});
    EXPECT_EQ(small.exitCode, 0) << small.err;
    EXPECT_EQ(JpegSize(folder + "/Quillmere/tall.jpg"), (Size{64, 48}));
    EXPECT_TRUE(PixelNear(folder + "/Quillmere/tall.jpg", 2, 24, {255, 0, 0})) << "padded in red";

    const CliRun overridden =
        RunCli({"--profile", "Tall one", "--width", "60", folder + "/wide.png"});
    EXPECT_EQ(overridden.exitCode, 0) << overridden.err;
    EXPECT_EQ(JpegSize(folder + "/Quillmere/wide.jpg"), (Size{60, 20})) << "no padding, 60 wide";

    const CliRun unknown = RunCli({"--yes", "--profile", "small", folder + "/tall.png"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(Contains(unknown.err, "no profile is named \"small\"; the profiles are "
                                      "\"Small\", \"Tall one\"\n"))
        << unknown.err;

    EXPECT_EQ(readAll(file), contents);
    EXPECT_EQ(fs::last_write_time(file), written);
    EXPECT_EQ(Tree(config), configBefore);

    // With no store at all, nothing is created.
    const std::string empty = root + "/empty config";
    fs::create_directory(empty);
    const CliRun none = RunCli({"--profile", "Small", folder + "/tall.png"},
                               {"", std::nullopt, {"XDG_CONFIG_HOME=" + empty}, ""});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_TRUE(Contains(none.err, "no profile is named \"Small\"; none is stored")) << none.err;
    EXPECT_TRUE(fs::is_empty(empty));
}

// On a terminal the questions wait for an answer and progress is shown.
TEST_F(CliEndToEnd, AsksOnTheTerminal) {
    struct Row {
        std::string name;
        std::string typed;
        std::vector<std::string> files;
        int exitCode;
        std::vector<std::string> written;
        std::vector<std::string> said;
    };
    const std::vector<Row> rows = {
        {"yes to the folder",
         "y\n",
         {"a.png"},
         0,
         {"a.jpg"},
         {"Create it? [yes/no] ", "[1/1] a.png\n"}},
        {"no to the folder", "no\n", {"a.png"}, 1, {}, {"Create it? [yes/no] ", "0 converted"}},
        {"end of input", "\x04", {"a.png"}, 1, {}, {"no (end of input)"}},
        {"ok after a failure",
         "y\nok\n",
         {"bad.png", "a.png"},
         1,
         {"a.jpg"},
         {"[1/2] bad.png\n", "bad.png [ok/cancel] ", "[2/2] a.png\n"}},
        {"cancel after a failure", "y\nc\n", {"bad.png", "a.png"}, 1, {}, {"[ok/cancel] "}},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(row.name);
        const std::string folder = Pictures("tty" + std::to_string(i));
        std::vector<std::string> files;
        for (const std::string& file : row.files)
            files.push_back(folder + "/" + file);
        const CliRun run = RunCli(files, {"", row.typed, {}, ""});
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
        for (const std::string& part : row.said)
            EXPECT_TRUE(Contains(run.err + run.out, part)) << part << " not in:\n" << run.err;
        std::vector<std::string> expected;
        for (const std::string& name : row.written)
            expected.push_back(folder + "/Quillmere/" + name);
        EXPECT_EQ(Tree(folder + "/Quillmere"), expected);
    }
}

// Ctrl-C at a question takes the safe answer, prints the summary and ends the
// program by the signal, so a shell loop running it stops as well.
TEST_F(CliEndToEnd, StopsCleanlyWhenInterrupted) {
    const std::string folder = Pictures("interrupted");
    RunOptions options;
    options.typed = "";
    options.interruptWhenSaid = "[yes/no] ";
    const CliRun run = RunCli({folder + "/a.png", folder + "/b.png"}, options);
    EXPECT_EQ(run.signal, SIGINT) << run.err;
    EXPECT_TRUE(Contains(run.err, "Create it? [yes/no] no (interrupted)\n")) << run.err;
    EXPECT_EQ(run.out, "0 converted, 0 failed, 2 skipped\n");
    EXPECT_FALSE(fs::exists(folder + "/Quillmere"));
}
