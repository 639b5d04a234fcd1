#include "ProfileStore.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
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

    QTemporaryDir folder;
};

} // namespace

// Loading and saving nothing create nothing. Every name "Save" accepts comes back with its
// values: the characters that separate or escape, and bytes that are no UTF-8 of each kind.
// Plain names stay readable in the file, and a later run that writes it removes what killed runs
// left beside it.
TEST_F(ProfileStoreTest, EveryNameAndValueRoundTripsAndLeftoversGo) {
    const ProfileStore store("quillmere");
    ProfileList list;
    std::vector<std::string> loadedNames{"stale"};
    EXPECT_TRUE(store.LoadProfiles(list, loadedNames));
    EXPECT_TRUE(loadedNames.empty());
    EXPECT_TRUE(store.SaveProfiles(list));
    EXPECT_FALSE(std::filesystem::exists(File("")));
    // clang-format off
    const std::string names[] = {"Caf\xC3\xA9", "Beach", "beach", "", " lead", "a/b", "a\\b",
        "%", "%25", "a%2fb", "50%", "x;y=z[w]#q", "General", "\xE6\x97\xA5", "\xF0\x9F\x98\x80",
        "Caf\xE9", "\xC0\xAF", "\xED\xA0\x80", "\xE0\x80\xAF", "\xF0\x80\x80\x80",
        "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xE2\x82x", "line\nbreak",
        std::string("nul\0x", 5), std::string(999, 'L')};
    // clang-format on
    const std::int32_t ints[] = {-5, INT32_MIN, -1, 0, 1, 600, INT32_MAX};
    const std::uint32_t colors[] = {0xFFFFFFFFu, 0u, 0x00C80000u, 0x7FFFFFFFu, 0x80000000u};
    ProfileList saved;
    std::map<std::string, Profile> expected;
    for (std::size_t n = 0; n < std::size(names); ++n) {
        saved.Add(expected[names[n]] = {names[n], ints[(n + 4) % 7], colors[n % 5], ints[n % 7],
                                        ints[(n + 5) % 7]});
    }
    ASSERT_TRUE(store.SaveProfiles(saved));
    const std::string text = ReadText("quillmere.conf");
    EXPECT_NE(text.find("\nCaf%E9\\Do%20Padding=1\nCaf%E9\\Frame%20Height=600\n"
                        "Caf%E9\\Frame%20Width=-5\nCaf%E9\\Padding%20Color=4294967295\n"),
              std::string::npos)
        << text;

    ASSERT_TRUE(store.LoadProfiles(list, loadedNames));
    const Named loaded = Loaded(list, loadedNames);
    EXPECT_EQ(std::map(loaded.begin(), loaded.end()), expected);
    EXPECT_EQ(loadedNames.size(), std::size(names));

    // A run killed between linking the previous file under a second name and
    // removing that name leaves "<file>.previous.<pid>": the next run that
    // writes removes those of earlier runs, and nothing else beside the file.
    for (const char* name :
         {"quillmere.conf.previous.1", "quillmere.conf.previous.99999",
          "quillmere.conf.previous.x1", "other.conf.previous.5", "notes.previous.7"}) {
        std::filesystem::create_hard_link(File("quillmere.conf"), File(name));
    }
    // The next run starts in a later second than the leftovers were made.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_EQ(QProcess::execute("/proc/self/exe", {"--save-as-a-later-run", folder.path()}), 0);
    const QDir written(QString::fromStdString(File("")));
    EXPECT_EQ(written.entryList(QDir::Files).join(' ').toStdString(),
              "notes.previous.7 other.conf.previous.5 quillmere.conf quillmere.conf.previous.x1");
    EXPECT_NE(ReadText("quillmere.conf").find("Later\\"), std::string::npos);
}

// A stored profile that does not read whole (a value missing, not a 32-bit decimal integer, or a
// group this program never writes) is skipped while the rest load in the store's order, and is
// left as it was in the file when the list is saved again. The organisation's file beside it is
// not read. Profiles removed are deleted, with an empty list too, except a name also saved.
TEST_F(ProfileStoreTest, UnreadableProfilesAreSkippedAndKept) {
    // Pairs: the text stored as colour and width, and the colour read (nullptr: skipped).
    // clang-format off
    const char* rows[] = {"0", "0", "-5", "4294967291", "-2147483648", "2147483648",
        "4294967295", "4294967295", "@Variant(\\0\\0\\0\\x2\\0\\0\\0\\xe)", "14",
        "4294967296", nullptr, "-2147483649", nullptr, "+5", nullptr, "5.0", nullptr,
        "1, 2", nullptr, "@ByteArray(5)", nullptr};
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

    list.RemoveAt(0); // p10
    list.Add({"New", 0, 1u, 2, 3});
    ASSERT_TRUE(store.SaveProfiles(list, {"p10", "New", "Never stored"}));
    const std::string after = ReadText("quillmere.conf");
    for (const std::string& group : kept) {
        EXPECT_NE(after.find('\n' + group), std::string::npos) << group << after;
    }
    EXPECT_NE(after.find("\nNew\\Frame%20Width=2\n"), std::string::npos) << after;
    EXPECT_EQ(after.find("\np10\\"), std::string::npos) << after;
    ASSERT_TRUE(store.SaveProfiles(ProfileList(), {"New"}));
    EXPECT_EQ(ReadText("quillmere.conf").find("\nNew\\"), std::string::npos);
}

// A store that links to a file that is no settings file (the person's notes)
// is neither loaded nor written over, and saving says why; a store that is a
// folder is the dialog's example (DialogTest). A save that fails part way (a
// full disk) is reported and leaves the previous file, or none when there was none, and no
// temporary file. A store that links to a settings file elsewhere is written through the link,
// which stays, and a failed write there puts the linked file back.
TEST_F(ProfileStoreTest, AStoreThatCannotBeWrittenKeepsWhatItHad) {
    ProfileList list, longer;
    list.Add({"X", 1, 2u, 3, 4});
    longer.Add({std::string(100, 'L')});
    WriteText("notes.txt", "Buy milk\n");
    std::filesystem::create_symlink(File("notes.txt"), File("noted.conf"));
    const ProfileStore noted("noted");
    std::vector<std::string> names{"stale"};
    EXPECT_FALSE(noted.LoadProfiles(list, names));
    EXPECT_EQ(Loaded(list, names), (Named{{"stale", {"X", 1, 2u, 3, 4}}}));
    EXPECT_EQ(noted.SaveAll(list, {}), "not a settings file");
    EXPECT_FALSE(noted.SaveProfile({"Y"}));
    EXPECT_EQ(ReadText("notes.txt"), "Buy milk\n");

    WriteText("dotfile", "[Profiles]\n");
    std::filesystem::create_symlink(File("dotfile"), File("linked.conf"));
    const std::pair<const char*, std::string> rows[] = {{"plain", "plain.conf"},
                                                        {"linked", "dotfile"}};
    for (const auto& [name, file] : rows) {
        SCOPED_TRACE(name);
        const ProfileStore store(name);
        ASSERT_EQ(store.SaveAll(list, {}), "");
        const std::string before = ReadText(file);
        EXPECT_NE(before.find("\nX\\Frame%20Width=3\n"), std::string::npos) << before;
        // Files limited to a few bytes past the file, as on a full disk: crossing the
        // limit fails the write (EFBIG) rather than ending the process.
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit full{before.size() + 10, saved.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
        const std::string same = store.SaveAll(list, {}), grown = store.SaveAll(longer, {});
        const bool first = ProfileStore("first").SaveProfile({"Longer than X", 1, 2u, 3, 4});
        ::setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(same, "");
        EXPECT_EQ(grown, "the settings file could not be written whole");
        EXPECT_FALSE(first);
        EXPECT_EQ(ReadText(file), before);
    }
    EXPECT_TRUE(std::filesystem::is_symlink(File("linked.conf")));
    const QDir written(QString::fromStdString(File("")));
    EXPECT_EQ(written.entryList(QDir::Files | QDir::Hidden).join(' ').toStdString(),
              "dotfile linked.conf noted.conf notes.txt plain.conf");
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
