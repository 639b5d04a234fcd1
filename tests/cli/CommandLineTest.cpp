#include "CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Action = ParsedCommandLine::Action;

const std::string here = "/home/ann/pics";

Profile Stored(std::string name, std::int32_t padding, std::uint32_t color, std::int32_t width,
               std::int32_t height) {
    return {std::move(name), padding, color, width, height};
}

// A store with two names that differ only in letter case and one whose
// width no JPEG can take.
void LoadStore(ProfileList& list, std::vector<std::string>& names) {
    for (const Profile& profile :
         {Stored("Small", 1, 0x000000FF, 64, 48), Stored("small", 0, 0x00FF0000, 10, 12),
          Stored("Broken size", 1, 0, 0, 600)}) {
        list.Add(profile);
        names.push_back(profile.name);
    }
}

struct Case {
    std::vector<std::string> arguments; // after the program name
    Action action;
    std::string expectation; // files joined by '|' for Run, a text part otherwise
    FrameSettings settings = {};
    bool assumeYes = false;
    bool keepGoing = false;
};

std::string Joined(const std::vector<std::string>& files) {
    std::string joined;
    for (const std::string& file : files)
        joined += (joined.empty() ? "" : "|") + file;
    return joined;
}

const std::vector<Case> cases = {
    // Defaults, and where relative paths end up.
    {{"a.png"}, Action::Run, here + "/a.png"},
    {{"/srv/x.png", "./b.png", ".//c.png", "../d.png", "sub/e f ü.png"},
     Action::Run,
     "/srv/x.png|" + here + "/b.png|" + here + "/c.png|" + here + "/../d.png|" + here +
         "/sub/e f ü.png"},
    {{"--", "-dash.png", "--yes"}, Action::Run, here + "/-dash.png|" + here + "/--yes"},
    {{"\xff\xfe.png", "/raw/\x80.png"}, Action::Run, here + "/\xff\xfe.png|/raw/\x80.png"},
    // Every option, and options after the files.
    {{"--width", "1920", "--height=1080", "--no-padding", "--color", "#ff8000", "a.png"},
     Action::Run,
     here + "/a.png",
     {0, 0x000080FF, 1920, 1080}},
    {{"a.png", "--yes", "--keep-going", "--color=navy"},
     Action::Run,
     here + "/a.png",
     {1, 0x00800000, 800, 600},
     true,
     true},
    {{"--width", "1", "--height", "65500", "a"},
     Action::Run,
     here + "/a",
     {1, 0x00C80000, 1, 65500}},
    // The later of --padding and --no-padding counts.
    {{"--no-padding", "--padding", "a"}, Action::Run, here + "/a", {1, 0x00C80000, 800, 600}},
    {{"--padding", "--no-padding", "a"}, Action::Run, here + "/a", {0, 0x00C80000, 800, 600}},
    // A profile's values, overridden by the options beside it; names are exact.
    {{"--profile", "Small", "a"}, Action::Run, here + "/a", {1, 0x000000FF, 64, 48}},
    {{"--profile", "Small", "--height", "20", "--no-padding", "a"},
     Action::Run,
     here + "/a",
     {0, 0x000000FF, 64, 20}},
    {{"--profile=small", "a"}, Action::Run, here + "/a", {0, 0x00FF0000, 10, 12}},
    {{"--profile", "Broken size", "--width", "100", "a"},
     Action::Run,
     here + "/a",
     {1, 0, 100, 600}},
    {{"--profile", "SMALL", "a"},
     Action::Refuse,
     "no profile is named \"SMALL\"; the profiles are \"Small\", \"small\", \"Broken size\""},
    {{"--profile", "Broken size", "a"},
     Action::Refuse,
     "profile \"Broken size\" has a frame width of 0; give --width to replace it"},
    // Refused before anything is done.
    {{}, Action::Refuse, "no files given"},
    {{"--yes"}, Action::Refuse, "no files given"},
    {{""}, Action::Refuse, "an empty file name was given"},
    {{"--width", "abc", "a"},
     Action::Refuse,
     "--width wants a whole number of pixels from 1 to 65500, not \"abc\""},
    {{"--width", "0", "a"}, Action::Refuse, "not \"0\""},
    {{"--width", "-5", "a"}, Action::Refuse, "not \"-5\""},
    {{"--width", "65501", "a"}, Action::Refuse, "not \"65501\""},
    {{"--width", "99999999999", "a"}, Action::Refuse, "not \"99999999999\""},
    {{"--width", "12a", "a"}, Action::Refuse, "not \"12a\""},
    {{"--width", " 12", "a"}, Action::Refuse, "not \" 12\""},
    {{"--width", "", "a"}, Action::Refuse, "not \"\""},
    {{"--height", "1e3", "a"},
     Action::Refuse,
     "--height wants a whole number of pixels from 1 to 65500, not \"1e3\""},
    {{"--color", "nosuch", "a"},
     Action::Refuse,
     "--color wants #RRGGBB, #RGB or a colour name such as navy, not \"nosuch\""},
    {{"--bogus", "a"}, Action::Refuse, "Unknown option 'bogus'"},
    {{"a", "--width"}, Action::Refuse, "Missing value after '--width'"},
    // Help comes first, whatever else the line holds.
    {{"--help", "--width", "abc"}, Action::ShowHelp, "[options] FILE..."},
    {{"-h"}, Action::ShowHelp, "--keep-going"},
    {{"--version", "a"}, Action::ShowVersion, ""},
};

} // namespace

// Each command line either becomes a request with every value in place or is
// refused with a message that names what was wrong.
TEST(CliCommandLine, ReadsOptionsFilesAndProfiles) {
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& argument : c.arguments)
            line += " [" + argument + "]";
        SCOPED_TRACE("command line:" + line);
        std::vector<std::string> arguments = {"quillmere-cli"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const ParsedCommandLine parsed = ParseCommandLine(arguments, here, LoadStore);
        ASSERT_EQ(parsed.action, c.action) << parsed.text;
        if (c.action != Action::Run) {
            EXPECT_NE(parsed.text.find(c.expectation), std::string::npos) << parsed.text;
            continue;
        }
        EXPECT_EQ(Joined(parsed.request.files), c.expectation);
        EXPECT_EQ(parsed.request.settings.doPadding, c.settings.doPadding);
        EXPECT_EQ(parsed.request.settings.paddingColor, c.settings.paddingColor);
        EXPECT_EQ(parsed.request.settings.frameWidth, c.settings.frameWidth);
        EXPECT_EQ(parsed.request.settings.frameHeight, c.settings.frameHeight);
        EXPECT_EQ(parsed.request.assumeYes, c.assumeYes);
        EXPECT_EQ(parsed.request.keepGoing, c.keepGoing);
    }
}

// The store is read only when a profile is asked for, and an empty one says so.
TEST(CliCommandLine, ReadsTheStoreOnlyForAProfile) {
    int loads = 0;
    const auto countingEmptyStore = [&](ProfileList&, std::vector<std::string>&) { ++loads; };
    EXPECT_EQ(
        ParseCommandLine({"quillmere-cli", "--width", "10", "a"}, here, countingEmptyStore).action,
        Action::Run);
    EXPECT_EQ(loads, 0);
    const ParsedCommandLine parsed =
        ParseCommandLine({"quillmere-cli", "--profile", "", "a"}, here, countingEmptyStore);
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(parsed.action, Action::Refuse);
    EXPECT_EQ(parsed.text, "no profile is named \"\"; none is stored");
}

// Without a working folder only absolute paths can be used.
TEST(CliCommandLine, RefusesRelativePathsWithoutWorkingFolder) {
    EXPECT_EQ(ParseCommandLine({"quillmere-cli", "/a.png"}, "", LoadStore).action, Action::Run);
    const ParsedCommandLine parsed = ParseCommandLine({"quillmere-cli", "a.png"}, "", LoadStore);
    EXPECT_EQ(parsed.action, Action::Refuse);
    EXPECT_NE(parsed.text.find("\"a.png\""), std::string::npos) << parsed.text;
    EXPECT_EQ(ParseCommandLine({"quillmere-cli", "a.png"}, "/", LoadStore).request.files,
              std::vector<std::string>{"/a.png"});
}
