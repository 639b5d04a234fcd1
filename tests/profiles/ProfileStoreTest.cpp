#include "ProfileStore.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using Named = std::vector<std::pair<std::string, Profile>>; // a loaded name beside its profile

// Points the per-user settings into a fresh temporary folder, so no test touches the user's own
// and none sees another's files through QSettings' cache.
class ProfileStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    }
    std::string File(const std::string& name) const {
        return folder.filePath(QString::fromStdString("Tollervane/" + name)).toStdString();
    }
    std::string ReadText(const std::string& name) const {
        std::ifstream in(File(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void WriteText(const std::string& name, const std::string& text) const {
        std::filesystem::create_directories(File(""));
        std::ofstream(File(name), std::ios::binary) << text;
    }
    static Named Loaded(const ProfileList& list, const std::vector<std::string>& names) {
        Named loaded;
        for (std::int32_t i = 0; i < list.Size(); ++i) {
            loaded.emplace_back(names.at(std::size_t(i)), list[i]);
        }
        return loaded;
    }

    // Runs write with files limited to size bytes, as on a full disk. Crossing
    // the limit must fail the write (EFBIG), not end the process, and nothing
    // may print meanwhile: the test's own output may be a file.
    static void OnAFullDisk(std::size_t size, const std::function<void()>& write) {
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit full{size, saved.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
        write();
        ::setrlimit(RLIMIT_FSIZE, &saved);
    }

    QTemporaryDir folder;
};

} // namespace

// Every name "Save" accepts comes back with its values, read by a second store object and from
// a copy of the file parsed afresh; plain names stay readable in the file.
TEST_F(ProfileStoreTest, EveryNameAndValueRoundTrips) {
    // clang-format off
    const std::string names[] = {"Caf\xC3\xA9", "Beach", "beach", "BEACH", "", " ", " lead",
        "trail ", "a/b", "a\\b", "/", "\\", "a//b", "a\\b/c", "%", "%25", "%2F", "50%", "a%2fb",
        "x;y=z[w]#q", "[Profiles]", "\"q\"", "key=value", "General", "@at", ",", "Profiles", "..",
        "Do Padding", "Caf\xC3\xA9 ", "CAF\xC3\x89", "Caf\xE9", "\xE6\x97\xA5", "\xF0\x9F\x98\x80",
        "\xC0\xAF", "\xED\xA0\x80", "\xFF\xFE", "\xE0\x80\xAF", "\xF0\x80\x80\x80",
        "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xE2\x82x", "tab\there", "line\nbreak", "cr\r",
        std::string("nul\0x", 5), std::string(999, 'L')};
    // clang-format on
    const std::int32_t ints[] = {-5, INT32_MIN, -1, 0, 1, 600, INT32_MAX};
    const std::uint32_t colors[] = {0xFFFFFFFFu, 0u, 0x00C80000u, 0x7FFFFFFFu, 0x80000000u};
    ProfileList saved;
    std::map<std::string, Profile> expected;
    for (std::size_t n = 0; n < std::size(names); ++n) {
        const Profile profile{names[n], ints[(n + 4) % 7], colors[n % 5], ints[n % 7],
                              ints[(n + 5) % 7]};
        saved.Add(expected[names[n]] = profile);
    }
    ASSERT_TRUE(ProfileStore("quillmere").SaveProfiles(saved));
    const std::string text = ReadText("quillmere.conf");
    EXPECT_NE(text.find("\nCaf%E9\\Do%20Padding=1\nCaf%E9\\Frame%20Height=600\n"
                        "Caf%E9\\Frame%20Width=-5\nCaf%E9\\Padding%20Color=4294967295\n"),
              std::string::npos)
        << text;

    WriteText("copy.conf", text);
    for (const char* reader : {"quillmere", "copy"}) {
        SCOPED_TRACE(reader);
        const ProfileStore store(reader);
        ProfileList list;
        std::vector<std::string> loadedNames{"stale"};
        ASSERT_TRUE(store.LoadProfiles(list, loadedNames));
        const Named loaded = Loaded(list, loadedNames);
        EXPECT_EQ(std::map(loaded.begin(), loaded.end()), expected);
        EXPECT_EQ(loadedNames.size(), std::size(names));
        for (const auto& [name, profile] : expected) {
            Profile one{name};
            EXPECT_TRUE(store.LoadProfile(one)) << '"' << name << '"';
            EXPECT_EQ(one, profile) << '"' << name << '"';
        }
    }
}

// A stored profile that does not read whole (a value missing, not a 32-bit decimal integer, or a
// group this program never writes) is skipped while the rest load in the store's order, and is
// left as it was in the file when the list is saved again. The organisation's file beside it is
// not read.
TEST_F(ProfileStoreTest, UnreadableProfilesAreSkippedAndKept) {
    // Pairs: the text stored as colour and width, and the colour read (nullptr: skipped).
    // clang-format off
    const char* rows[] = {"0", "0", "-5", "4294967291", "4294967291", "4294967291",
        "-2147483648", "2147483648", "2147483648", "2147483648", "4294967295", "4294967295",
        "007", "7", " 12 ", "12", "\"13\"", "13", "@Variant(\\0\\0\\0\\x2\\0\\0\\0\\xe)", "14",
        "4294967296", nullptr, "-2147483649", nullptr, "99999999999999999999", nullptr,
        "+5", nullptr, "0x10", nullptr, "5.0", nullptr, "1e3", nullptr, "\" 5\"", nullptr,
        "", nullptr, "blue", nullptr, "-", nullptr, "1, 2", nullptr, "@ByteArray(5)", nullptr,
        "@Invalid()", nullptr, "true", nullptr};
    // clang-format on
    std::vector<std::string> kept = {
        "Missing\\Do%20Padding=1\nMissing\\Frame%20Height=1\nMissing\\Frame%20Width=1\n",
        "Nested\\b\\Do%20Padding=1\n",
        "%2541\\Do%20Padding=1\n%2541\\Frame%20Height=1\n"
        "%2541\\Frame%20Width=1\n%2541\\Padding%20Color=1\n"};
    std::string text = "[Profiles]\n" + kept[0] + kept[1] + kept[2];
    Named expected;
    for (std::size_t i = 0; i < std::size(rows) / 2; ++i) {
        const std::string name = "p" + std::to_string(10 + i) + "\\", value = rows[2 * i];
        const std::string group =
            name + "Do%20Padding=1\n" + name + "Frame%20Height=" + std::to_string(i) + '\n' + name +
            "Frame%20Width=" + value + '\n' + name + "Padding%20Color=" + value + '\n';
        text += group;
        if (const char* bits = rows[2 * i + 1]) {
            const auto color = std::uint32_t(std::stoul(bits));
            const Profile read{name.substr(0, 3), 1, color, std::int32_t(color), std::int32_t(i)};
            expected.emplace_back(read.name, read);
        } else {
            kept.push_back(group);
        }
    }
    WriteText("../Tollervane.conf", "[Profiles]\nq\\Do%20Padding=1\nq\\Padding%20Color=1\n"
                                    "q\\Frame%20Width=1\nq\\Frame%20Height=1\n");
    WriteText("quillmere.conf", text);

    const ProfileStore store("quillmere");
    ProfileList list;
    std::vector<std::string> names;
    EXPECT_FALSE(store.LoadProfiles(list, names));
    EXPECT_EQ(Loaded(list, names), expected);
    EXPECT_EQ(list.Capacity(), list.Size());
    Profile missing{"Missing", 7};
    EXPECT_FALSE(store.LoadProfile(missing));
    EXPECT_EQ(missing, (Profile{"Missing", 7}));

    list.Add({"New", 0, 1u, 2, 3});
    ASSERT_TRUE(store.SaveProfiles(list));
    const std::string after = ReadText("quillmere.conf");
    for (const std::string& group : kept) {
        EXPECT_NE(after.find('\n' + group), std::string::npos) << group << after;
    }
    EXPECT_NE(after.find("\nNew\\Frame%20Width=2\n"), std::string::npos) << after;
}

// Loading and saving nothing create nothing. Removed profiles are deleted,
// with an empty list too, except a name that is also saved.
TEST_F(ProfileStoreTest, SavingWritesTheListAndDeletesTheRemoved) {
    const ProfileStore store("quillmere");
    ProfileList list;
    std::vector<std::string> names{"stale"};
    EXPECT_TRUE(store.LoadProfiles(list, names));
    EXPECT_EQ(names, std::vector<std::string>{});
    EXPECT_TRUE(store.SaveProfiles(list));
    EXPECT_FALSE(std::filesystem::exists(File("")));

    ASSERT_TRUE(store.SaveProfile({"Beach"}));
    ASSERT_TRUE(store.SaveProfile({"Night"}));
    ProfileList night;
    night.Add({"Night", 1});
    EXPECT_TRUE(store.SaveProfiles(night, {"Beach", "Night"}));
    EXPECT_TRUE(store.LoadProfiles(list, names));
    EXPECT_EQ(Loaded(list, names), (Named{{"Night", {"Night", 1}}}));
    // Deleting the profiles removed in a run needs no profile left to write.
    EXPECT_TRUE(store.SaveProfiles(ProfileList(), {"Night", "Never stored"}));
    EXPECT_TRUE(store.LoadProfiles(list, names));
    EXPECT_EQ(names, std::vector<std::string>{});
}

// A store that is a folder, or that links to a file that is no settings file
// (the person's notes), is neither loaded nor written over, and saving says
// why.
TEST_F(ProfileStoreTest, AStoreThatIsNoSettingsFileIsLeftAlone) {
    WriteText("notes.txt", "Buy milk\n");
    std::filesystem::create_symlink(File("notes.txt"), File("noted.conf"));
    std::filesystem::create_directories(File("folder.conf"));
    const std::pair<const char*, std::string> rows[] = {
        {"noted", "not a settings file"}, {"folder", "a folder, not a settings file"}};
    for (const auto& [name, reason] : rows) {
        SCOPED_TRACE(name);
        const ProfileStore store(name);
        ProfileList list;
        list.Add({"X", 1, 2u, 3, 4});
        std::vector<std::string> names{"stale"};
        EXPECT_FALSE(store.LoadProfiles(list, names));
        EXPECT_EQ(Loaded(list, names), (Named{{"stale", {"X", 1, 2u, 3, 4}}}));
        EXPECT_EQ(store.SaveAll(list, {}), reason);
        EXPECT_FALSE(store.SaveProfile({"Y"}));
    }
    EXPECT_EQ(ReadText("notes.txt"), "Buy milk\n");
}

// A save that fails part way (a full disk) is reported and leaves the
// previous file, or none when there was none, and no temporary file. A store
// that links to a settings file elsewhere is written through the link, which
// stays, and a failed write there puts the linked file back.
TEST_F(ProfileStoreTest, AFailedSaveKeepsThePreviousFile) {
    WriteText("dotfile", "[Profiles]\n");
    std::filesystem::create_symlink(File("dotfile"), File("linked.conf"));
    ProfileList list, longer;
    list.Add({"X", 1, 2u, 3, 4});
    longer.Add({std::string(100, 'L')});
    const std::pair<const char*, std::string> rows[] = {{"plain", "plain.conf"},
                                                        {"linked", "dotfile"}};
    for (const auto& [name, file] : rows) {
        SCOPED_TRACE(name);
        const ProfileStore store(name);
        ASSERT_EQ(store.SaveAll(list, {}), "");
        const std::string before = ReadText(file);
        EXPECT_NE(before.find("\nX\\Frame%20Width=3\n"), std::string::npos) << before;
        std::string same, grown;
        bool first = true;
        OnAFullDisk(before.size() + 10, [&] {
            same = store.SaveAll(list, {});
            grown = store.SaveAll(longer, {});
            first = ProfileStore("first").SaveProfile({"Longer than X", 1, 2u, 3, 4});
        });
        EXPECT_EQ(same, "");
        EXPECT_EQ(grown, "the settings file could not be written whole");
        EXPECT_FALSE(first);
        EXPECT_EQ(ReadText(file), before);
    }
    EXPECT_TRUE(std::filesystem::is_symlink(File("linked.conf")));
    const QDir written(QString::fromStdString(File("")));
    EXPECT_EQ(written.entryList(QDir::Files | QDir::Hidden).join(' ').toStdString(),
              "dotfile linked.conf plain.conf");
}

// A run killed between linking the previous file under a second name and
// removing that name leaves "<file>.previous.<pid>": the next run that
// writes removes those of earlier runs, and nothing else beside the file.
TEST_F(ProfileStoreTest, LeftoversOfKilledRunsGoAtTheNextRunsWrite) {
    const ProfileStore store("quillmere");
    ASSERT_TRUE(store.SaveProfile({"Beach"}));
    const std::string leftovers[] = {"quillmere.conf.previous.1", "quillmere.conf.previous.99999"},
                      kept[] = {"quillmere.conf.previous.x1", "other.conf.previous.5",
                                "notes.previous.7"};
    for (const std::string& name : leftovers)
        std::filesystem::create_hard_link(File("quillmere.conf"), File(name));
    for (const std::string& name : kept)
        WriteText(name, "kept");
    // The next run starts in a later second than the leftovers were made.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    const std::string program = "/proc/self/exe", flag = "--save-as-a-later-run",
                      config = folder.path().toStdString();
    char* const args[] = {const_cast<char*>(program.c_str()), const_cast<char*>(flag.c_str()),
                          const_cast<char*>(config.c_str()), nullptr};
    pid_t child = 0;
    ASSERT_EQ(::posix_spawn(&child, program.c_str(), nullptr, nullptr, args, environ), 0);
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);
    for (const std::string& name : leftovers)
        EXPECT_FALSE(std::filesystem::exists(File(name))) << name;
    for (const std::string& name : kept)
        EXPECT_TRUE(std::filesystem::exists(File(name))) << name;
    EXPECT_NE(ReadText("quillmere.conf").find("Later\\"), std::string::npos);
}

// A later run of the program, for the test of what an earlier one left.
int main(int argc, char** argv) {
    if (argc == 3 && std::string_view(argv[1]) == "--save-as-a-later-run") {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, argv[2]);
        return ProfileStore("quillmere").SaveProfile({"Later"}) ? 0 : 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
