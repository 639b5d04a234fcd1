// The command line read into a request, and the built quillmere-cli run on pictures made here
// in a temporary folder, with the dialog's store in a temporary XDG_CONFIG_HOME: its arguments,
// its questions on a terminal and without one, its signals, its exit status and what it says,
// and the README's recipe for an archive, run with GNU parallel on this machine alone. That the
// batch converts, asks and orders folders as it should is the batch tests' part; one row each
// here shows that the program wires it up.

#include "ColorOption.h"
#include "CommandLine.h"
#include "ImagingSession.h"
#include "Interruption.h"
#include "ProfileStore.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <vips/vips8>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <pty.h>
#include <regex>
#include <set>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string root; // the temporary folder the pictures and the store go into

// Reads fd to its end and closes it; Ctrl-C goes to interruptAtQuestion when it asks.
std::string ReadAll(int fd, pid_t interruptAtQuestion = 0) {
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) {
        text.append(buffer, std::size_t(got));
        if (interruptAtQuestion != 0 && text.ends_with("[yes/no] ")) // only while it waits
            ::kill(interruptAtQuestion, SIGINT);
    }
    ::close(fd);
    return text;
}

// Every file under folder, sorted, a JPEG with its picture size; links are neither listed nor
// followed; "none" without the folder.
std::string Listing(const std::string& folder) {
    std::error_code missing;
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder, missing)) {
        if (entry.is_symlink() || entry.is_directory())
            continue;
        std::string file = fs::relative(entry.path(), folder).string();
        if (file.ends_with(".jpg")) {
            const vips::VImage image = vips::VImage::new_from_file(entry.path().c_str());
            file += " " + std::to_string(image.width()) + "x" + std::to_string(image.height());
        }
        files.insert(file);
    }
    std::string text = missing ? "none" : "";
    for (const std::string& file : files)
        text += (text.empty() ? "" : ", ") + file;
    return text;
}

struct Row {
    // The name is also the row's folder, with a blank and a non-ASCII letter added; the
    // arguments are as the shell splits them, redirections too.
    std::string name, arguments;
    // Typed on a terminal that is standard input and error; "": Ctrl-C at the first question;
    // nothing: no terminal.
    const char* typed;
    int status; // the exit status, or 128 + the signal that ended the program
    // The summary's counts ("converted failed skipped", and the files passed over), the files in
    // the listed folder, and standard error with '@' for the row's folder.
    std::string counts, listing, err;
    // Shell commands run in the row's folder first, and the folder whose files are listed.
    std::string setup = {}, listed = "Quillmere";
};

// Runs a shell command in dir, with an alarm that ends a run that would wait for ever. typed
// goes to a terminal that is standard input and error, "" for Ctrl-C at the first question;
// without it there is no terminal. Gives the exit status (or 128 + the signal that ended it),
// standard output and standard error.
std::tuple<int, std::string, std::string> Shell(const std::string& dir, const std::string& command,
                                                const char* typed) {
    int out[2], err[2]; // read end, write end
    termios mode{};
    mode.c_lflag = ICANON; // whole lines and Ctrl-D; no echo, line feeds stay line feeds
    mode.c_cc[VEOF] = 4;
    if (::pipe(out) != 0 ||
        (typed ? ::openpty(err, err + 1, nullptr, &mode, nullptr) : ::pipe(err)) != 0)
        return {-1, "", std::strerror(errno)};
    const pid_t child = ::fork();
    if (child == 0) { // only async-signal-safe calls in the copy of a threaded process
        const int input = typed ? err[1] : ::open("/dev/null", O_RDONLY);
        if (::chdir(dir.c_str()) == 0 && ::dup2(input, 0) == 0 && ::dup2(out[1], 1) == 1 &&
            ::dup2(err[1], 2) == 2 && ::alarm(60) == 0)
            ::execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    const std::string text = typed ? typed : "";
    EXPECT_EQ(text.empty() ? 0 : ::write(err[0], text.data(), text.size()), ssize_t(text.size()));
    const std::string said = ReadAll(err[0], typed && text.empty() ? child : 0),
                      printed = ReadAll(out[0]);
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), printed, said};
}

// A request as "WxH pad|nopad BBGGRR files", a refusal as its reason, help as its usage line.
std::string Outcome(const ParsedCommandLine& parsed) {
    if (parsed.action != ParsedCommandLine::Action::Run)
        return parsed.action == ParsedCommandLine::Action::ShowVersion      ? "version"
               : parsed.text.find("[options] FILE...") != std::string::npos ? "[options] FILE..."
                                                                            : parsed.text;
    const FrameSettings& s = parsed.request.settings;
    char line[64];
    std::snprintf(line, sizeof line, "%dx%d %s %06x", s.frameWidth, s.frameHeight,
                  s.doPadding != 0 ? "pad" : "nopad", s.paddingColor);
    std::string text = line;
    for (const std::string& file : parsed.request.files)
        text += " " + file;
    return text;
}

} // namespace

// Names byte for byte, a folder's pictures and a list's names converted at 800 x 600. Without a
// terminal a folder gets No and a failure Cancel unless --yes and --keep-going answer; on one,
// questions wait for an answer, shortened or not, progress shows, and Ctrl-C takes the safe
// answer and ends the program by the signal. Exit status 0 only when every file was written and
// the summary was told; 2 for bad usage. --profile reads the dialog's store and never writes
// it; options beside it win.
TEST(CliEndToEnd, ConvertsAsksAndRefuses) {
    const std::string q =
        "quillmere-cli: Directory doesn't exist:  @/Quillmere/\n\nCreate it? [yes/no] ";
    const std::string yes = q + "yes (--yes)\n";
    const std::string bad = "quillmere-cli: @/bad.png: not a picture Quillmere reads [ok/cancel] ";
    const std::string elsewhere = "XDG_CONFIG_HOME=\"$PWD/c\" "; // a store of the row's own
    const std::string help = "\nTry 'quillmere-cli --help' for more information.\n";
    const ProfileStore store("quillmere");
    ASSERT_TRUE(store.SaveProfile({"Small", 1, 0x0000FF, 64, 48}));
    ASSERT_TRUE(store.SaveProfile({"Tall", 0, 0xFF0000, 50, 100}));
    const auto written = fs::last_write_time(root + "/config/Tollervane/quillmere.conf");
    const std::vector<Row> rows = {
        {"no store", "--yes --profile Small a.png", nullptr, 2, "", "none",
         "quillmere-cli: no profile is named \"Small\"; none is stored" + help, elsewhere},
        {"a store that is a pipe", "--profile Small a.png", nullptr, 2, "", "none",
         "quillmere-cli: cannot read the profiles: a named pipe, not a settings file" + help,
         "mkdir -p c/Tollervane && mkfifo c/Tollervane/quillmere.conf && " + elsewhere},
        {"names in no encoding and after --", "--yes \xff\xfe.png -- -e.png", nullptr, 0, "2 0 0",
         "-e.jpg 800x600, \xff\xfe.jpg 800x600", yes},
        {"a folder", "--yes t", nullptr, 0, "1 0 0, 1 other file passed over",
         "Quillmere/a.jpg 800x600, a.png, notes.txt",
         "quillmere-cli: Convert the 1 picture in t?\n\nA Quillmere folder is made beside the "
         "pictures in each folder. [yes/no] yes (--yes)\n",
         "mkdir t && cp a.png t && echo notes > t/notes.txt && ", "t"},
        {"a list of names, one a line, blank lines passed over", "--yes --files-from list", nullptr,
         0, "2 0 0", "a.jpg 800x600, c.jpg 800x600", yes,
         "printf 'a.png\\n\\n%s/c.jpg\\n' \"$PWD\" > list && "},
        {"a list that cannot be read", "--files-from nolist", nullptr, 2, "", "none",
         "quillmere-cli: cannot read the list \"nolist\": no such file or directory\n"},
        {"a zero byte without --null", "--files-from -", nullptr, 2, "", "none",
         "quillmere-cli: the list standard input holds a zero byte; --null reads a list of names "
         "each ended by one\n",
         "printf 'a\\0b' | "},
        // Control characters of names are shown escaped, never sent to the terminal.
        {"no terminal: --keep-going, then No to a folder",
         "--keep-going \"$(printf 'n\\033[1m\\n.png')\" a.png", nullptr, 1, "0 1 1", "none",
         "quillmere-cli: @/n\\x1B[1m\\x0A.png: no such file or directory [ok/cancel] ok "
         "(--keep-going)\n" +
             q + "no (no terminal to ask; --yes answers yes)\n"},
        {"no terminal: Cancel after a failure", "--yes a.png bad.png b.png", nullptr, 1, "1 1 1",
         "a.jpg 800x600", yes + bad + "cancel (no terminal to ask; --keep-going answers ok)\n"},
        {"the end of input", "a*", "maybe\x04\x04\x04", 1, "0 0 1", "none",
         "[1/1] a\\x0D\\x0A.png\n" + q + "Please answer yes/no: no (end of input)\n",
         "mv a.png \"$(printf 'a\\r\\n.png')\" && "},
        {"answers asked again, then ok and cancel typed", "bad.png bad.png a.png",
         "maybe\n\n  YES \nok\nC\n", 1, "0 2 1", "",
         "[1/3] bad.png\n" + q + "Please answer yes/no: Please answer yes/no: " + bad +
             "[2/3] bad.png\n" + bad},
        {"Ctrl-C at a question", "a.png b.png", "", 130, "0 0 2", "none",
         "[1/2] a.png\n" + q + "Stopping; press Ctrl-C again to quit at once.\nno (interrupted)\n"},
        {"a profile with an option over it", "--yes --profile Tall --width 60 a.png", nullptr, 0,
         "1 0 0", "a.jpg 33x100", yes},
        // A stop in the middle of a huge conversion ends it by the signal, nothing left.
        {"SIGTERM in a huge conversion", "--yes --width 65500 --height 65500 a.png", nullptr, 143,
         "0 0 1", "", yes, "(sleep 1; kill -TERM $$) & "},
        // A summary that cannot be told fails the run, with the reason.
        {"a full standard output", "--yes a.png >/dev/full", nullptr, 1, "", "a.jpg 800x600",
         yes + "quillmere-cli: cannot write the summary: no space left on device\n"},
    };
    // Each row runs in a folder of its own holding a green a.png (30 x 90) with copies b.png,
    // -e.png and \xff\xfe.png, a c.jpg (90 x 30) and a bad.png that is no picture.
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string dir = root + "/" + row.name + " ü";
        fs::remove_all(dir);
        fs::create_directories(dir);
        vips::VImage::black(30, 90).new_from_image({0, 255, 0}).pngsave((dir + "/a.png").c_str());
        for (const char* copy : {"b.png", "-e.png", "\xff\xfe.png"})
            fs::copy_file(dir + "/a.png", dir + "/" + copy);
        std::ofstream(dir + "/bad.png") << "no picture";
        vips::VImage::black(90, 30).jpegsave((dir + "/c.jpg").c_str());

        auto [status, out, err] =
            Shell(dir, row.setup + "exec quillmere-cli " + row.arguments, row.typed);
        EXPECT_EQ(status, row.status);
        EXPECT_EQ(std::regex_replace(out, std::regex(" converted,| failed,| skipped|\n"), ""),
                  row.counts);
        EXPECT_EQ(Listing(dir + "/" + row.listed), row.listing);
        for (auto at = err.find(dir); at != std::string::npos; at = err.find(dir, at))
            err.replace(at, dir.size(), "@");
        EXPECT_EQ(err, row.err);
    }
    EXPECT_FALSE(fs::exists(root + "/no store ü/c")) << "looking made a store";
    EXPECT_EQ(fs::last_write_time(root + "/config/Tollervane/quillmere.conf"), written);
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(root + "/config"), {}), 2);
}

// The README's recipe, word for word but for its archive and hosts, converts every picture of
// an archive and every link to one, names with blanks and line feeds included, beside itself,
// and nothing else.
TEST(CliEndToEnd, TheReadmeRecipeConvertsAnArchive) {
    std::ifstream readme(QUILLMERE_README);
    std::string line, recipe;
    bool inSection = false, inBlock = false;
    while (std::getline(readme, line)) {
        if (line.starts_with("## "))
            inSection = line == "## Millions of pictures";
        else if (inSection && line.starts_with("```"))
            inBlock = !inBlock;
        else if (inSection && inBlock)
            recipe += line + "\n";
    }
    ASSERT_TRUE(recipe.starts_with("archive=/srv/photos hosts=host1,host2,:\n")) << recipe;
    recipe.replace(0, recipe.find('\n'), "archive=\"$PWD/archive\" hosts=:");

    const std::string dir = root + "/recipe ü", archive = dir + "/archive";
    for (const char* name : {"2019/IMG 2.PNG", "2019/day 3/a.png", "2020/line\nfeed.png", "top.png",
                             "2019/Quillmere/old.png", ".trash/t.png"}) {
        fs::create_directories(fs::path(archive + "/" + name).parent_path());
        vips::VImage::black(60, 20).pngsave((archive + "/" + name).c_str());
    }
    std::ofstream(archive + "/2020/clip.mp4") << "video";
    fs::create_symlink("../top.png", archive + "/2020/link.png");
    std::ofstream(dir + "/recipe") << recipe;
    // parallel keeps its state under the home folder; this one is the test's own.
    const auto [status, out, err] = Shell(dir, "HOME=$PWD sh recipe", nullptr);
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(err.find("[ok/cancel]"), std::string::npos) << "a failure: " << err;
    EXPECT_EQ(out, "5 converted, 0 failed, 0 skipped\n");
    EXPECT_EQ(Listing(archive),
              ".trash/t.png, 2019/IMG 2.PNG, 2019/Quillmere/IMG 2.jpg 800x600, "
              "2019/Quillmere/old.png, 2019/day 3/Quillmere/a.jpg 800x600, 2019/day 3/a.png, "
              "2020/Quillmere/line\nfeed.jpg 800x600, 2020/Quillmere/link.jpg 800x600, "
              "2020/clip.mp4, 2020/line\nfeed.png, Quillmere/top.jpg 800x600, top.png");
    fs::remove_all(dir);
}

// One signal delivered twice within moments (by a tool that signals the process and its group)
// is one interruption, which stops the work and lets the program go on to its end; a person's
// second Ctrl-C a moment later ends the program at once. Each runs in a process of its own.
TEST(CliInterruption, TakesOneSignalDeliveredTwiceAsOne) {
    // The gap between the two signals, and how the program ends: 0 when it carried on to its
    // end, 128 + the signal that ended it.
    for (const auto& [gapMs, ends] : {std::pair{5, 0}, std::pair{300, 128 + SIGINT}}) {
        SCOPED_TRACE(std::to_string(gapMs) + " ms apart");
        const pid_t child = ::fork();
        if (child == 0) {
            ::alarm(10); // also ends a watcher that its object cannot wake at the end
            bool stopped = false;
            {
                const Interruption interruption;
                ::kill(::getpid(), SIGINT);
                ::usleep(useconds_t(gapMs) * 1000);
                ::kill(::getpid(), SIGINT);
                ::usleep(300'000);
                stopped = interruption.Token().stop_requested();
            }
            ::_exit(stopped ? 0 : 3);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), ends);
    }
}

// Every option, colour, file and profile lands in the request, relative paths from the working
// folder and file names byte for byte; a refusal says what was wrong.
TEST(CliCommandLine, ReadsOptionsColoursFilesAndProfiles) {
    const std::string side = " wants a whole number of pixels from 1 to 65500, not ";
    const std::pair<std::string, std::string> rows[] = {
        // arguments split at '|'
        {"/x.png|./b|.//c|../d|s/e f ü", "800x600 pad c80000 /x.png /w/b /w/c /w/../d /w/s/e f ü"},
        {"\xff\xfe|--|-e|--yes|/\x80", "800x600 pad c80000 /w/\xff\xfe /w/-e /w/--yes /\x80"},
        {"--width|9|--height=8|--no-padding|--color|#ff8000|a", "9x8 nopad 0080ff /w/a"},
        {"a|--yes|--keep-going|--width|1|--height|65500|--jobs|64", "1x65500 pad c80000 /w/a"},
        {"--no-padding|--padding|a", "800x600 pad c80000 /w/a"},
        {"--padding|--no-padding|a", "800x600 nopad c80000 /w/a"},
        {"--profile|Sm|--height|20|--no-padding|a", "64x20 nopad 0000ff /w/a"},
        {"--profile|0 w|--width|100|a", "100x600 pad 000000 /w/a"},
        {"--profile|SM|a", "no profile is named \"SM\"; the profiles are \"Sm\", \"0 w\""},
        {"--profile|0 w|a", "profile \"0 w\" has a frame width of 0; give --width to replace it"},
        {"--yes", "no files given"},
        {"--files-from|-|--null", "800x600 pad c80000"},
        {"--files-from=l|a", "800x600 pad c80000 /w/a"},
        {"--null|a", "--null is for the list of --files-from, which was not given"},
        {"--files-from=|a", "--files-from wants a file name, or - for standard input"},
        {"", "an empty file name was given"},
        {"--width|0|a", "--width" + side + "\"0\""},
        {"--height|65501|a", "--height" + side + "\"65501\""},
        {"--width|99999999999|a", "--width" + side + "\"99999999999\""},
        {"--width|12a|a", "--width" + side + "\"12a\""},
        {"--color|x|a", "--color wants #RRGGBB, #RGB or a colour name such as navy, not \"x\""},
        {"--bogus|a", "Unknown option 'bogus'."},
        {"--jobs|65|a", "--jobs wants a whole number from 1 to 64, not \"65\""},
        {"--help|--width|abc", "[options] FILE..."},
        {"-h", "[options] FILE..."},
        {"--version|a", "version"},
    };
    const auto store = [](ProfileList& list, std::vector<std::string>& names) {
        names = {"Sm", "0 w"};
        list.Add({"Sm", 1, 0x0000FF, 64, 48});
        list.Add({"0 w", 1, 0, 0, 600});
        return std::string();
    };
    for (const auto& [arguments, outcome] : rows) {
        std::vector<std::string> line = {"quillmere-cli"};
        for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1)
            line.push_back(arguments.substr(start, (end = arguments.find('|', start)) - start));
        EXPECT_EQ(Outcome(ParseCommandLine(line, "/w", store)), outcome) << arguments;
    }
    // A long list of names is cut to a screenful.
    const auto many = [](ProfileList&, std::vector<std::string>& names) {
        names.assign(100000, "p");
        return std::string();
    };
    const std::string refusal = Outcome(ParseCommandLine({"q", "--profile", "x", "a"}, "/", many));
    EXPECT_TRUE(refusal.ends_with(", \"p\" and 99980 more")) << refusal;
    EXPECT_EQ(Outcome(ParseCommandLine({"q", "a"}, "", store)),
              "the current folder is unknown, so \"a\" cannot be found; give its full path");
    EXPECT_EQ(Outcome(ParseCommandLine({"q", "a"}, "/", store)), "800x600 pad c80000 /a");

    // Colours come out as 0x00BBGGRR; names are the toolkit's; none of the toolkit's forms with
    // transparency or more than 8 bits a channel is a padding colour.
    const std::pair<std::string, std::optional<std::uint32_t>> colours[] = {
        {"#123456", 0x563412}, {"#a1c", 0xCC11AA}, {"Navy", 0x800000},
        {"transparent", {}},   {"#ff0000ff", {}},  {"#fff000fff", {}}};
    for (const auto& [text, expected] : colours)
        EXPECT_EQ(ParseColor(text), expected) << text;
}

// The pictures and the store live in a temporary folder, named before anything reads settings.
int main(int argc, char** argv) {
    const QTemporaryDir temporary;
    root = temporary.path().toStdString();
    ::setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    ::setenv("PATH", (QUILLMERE_CLI_DIR ":" + std::string(::getenv("PATH"))).c_str(), 1);
    const QCoreApplication application(argc, argv);
    const ImagingSession session;
    if (!temporary.isValid() || !session.Started())
        return 1;
    ::testing::InitGoogleTest(&argc, argv);
    const int failed = RUN_ALL_TESTS();
    fs::remove_all(root); // names that are no UTF-8 defeat QTemporaryDir's own clean-up
    return failed;
}
