#include "ProfileStore.h"
#include "SettingsSandbox.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace {

using ProfileStoreTest = SettingsSandbox;

const QString app = QStringLiteral("quillmere");

Profile Make(std::string name, std::int32_t doPadding, std::uint32_t color, std::int32_t width,
             std::int32_t height) {
    return Profile{std::move(name), doPadding, color, width, height};
}

std::vector<std::string> NamesOf(const ProfileList& list) {
    std::vector<std::string> names;
    for (std::int32_t i = 0; i < list.Size(); ++i) {
        names.push_back(list[i].name);
    }
    return names;
}

// Every kind of name that "Save" accepts, with values at the ends of their
// ranges.
std::vector<Profile> AllKindsOfProfiles() {
    const std::string names[] = {
        "Beach",
        "beach",
        "BEACH",
        "",
        " ",
        " lead",
        "trail ",
        "  both  ",
        "a/b",
        "a\\b",
        "/",
        "\\",
        "a//b",
        "/lead",
        "trail/",
        "a\\b/c",
        "%",
        "%25",
        "%2F",
        "50%",
        "a%2fb",
        "x;y=z[w]#q",
        "[Profiles]",
        "\"quoted\"",
        "'single'",
        "key=value",
        "General",
        "@at",
        ",comma",
        "Profiles",
        ".",
        "..",
        "~",
        "Do Padding",
        "Caf\xC3\xA9",
        "CAF\xC3\x89",
        "Caf\xE9",
        "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",
        "\xF0\x9F\x98\x80",
        "\xC0\xAF",
        "\xED\xA0\x80",
        "\xFF\xFE",
        "tab\there",
        "line\nbreak",
        "cr\r",
        std::string("nul\0x", 5),
        std::string(1000, 'L'),
    };
    const std::int32_t ints[] = {INT32_MIN, -5, -1, 0, 1, 800, INT32_MAX};
    const std::uint32_t colors[] = {0u, 0x00C80000u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
    std::vector<Profile> profiles;
    std::size_t n = 0;
    for (const std::string& name : names) {
        profiles.push_back(
            Make(name, ints[n % 7], colors[n % 5], ints[(n + 3) % 7], ints[(n + 5) % 7]));
        ++n;
    }
    return profiles;
}

ProfileList ListOf(const std::vector<Profile>& profiles) {
    ProfileList list;
    for (const Profile& profile : profiles) {
        list.Add(profile);
    }
    return list;
}

std::map<std::string, Profile> ByName(const ProfileList& list) {
    std::map<std::string, Profile> byName;
    for (std::int32_t i = 0; i < list.Size(); ++i) {
        byName.emplace(list[i].name, list[i]);
    }
    return byName;
}

// The lines that start with prefix, sorted: QSettings writes keys in its own
// order.
std::vector<std::string> LinesOf(const std::string& text, const std::string& prefix) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string line = text.substr(start, end - start);
        if (line.starts_with(prefix)) {
            lines.push_back(line);
        }
        start = end + 1;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

ino_t InodeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// Lets no file of this process grow past limit bytes while it lives, as a
// full disk would; the write that crosses it fails with EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        ::getrlimit(RLIMIT_FSIZE, &saved);
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved;
        lowered.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved{};
    void (*previousHandler)(int) = nullptr;
};

} // namespace

// Every name that can be saved comes back exactly, with its four values,
// whether read by another store object of the same process or parsed afresh
// from a copy of the file; names differing only in case stay apart.
TEST_F(ProfileStoreTest, EveryNameAndValueRoundTrips) {
    const std::vector<Profile> saved = AllKindsOfProfiles();
    ASSERT_TRUE(ProfileStore(app.toStdString()).SaveProfiles(ListOf(saved)));

    WriteText(StoreFile(QStringLiteral("copy")), ReadText(StoreFile(app)));
    for (const char* reader : {"quillmere", "copy"}) {
        ProfileList list;
        std::vector<std::string> names{"stale"};
        ASSERT_TRUE(ProfileStore(reader).LoadProfiles(list, names)) << reader;
        ASSERT_EQ(list.Size(), static_cast<std::int32_t>(saved.size())) << reader;
        EXPECT_EQ(list.Capacity(), list.Size()) << reader;
        EXPECT_EQ(names, NamesOf(list)) << reader;
        const std::map<std::string, Profile> loaded = ByName(list);
        for (const Profile& profile : saved) {
            const auto found = loaded.find(profile.name);
            ASSERT_NE(found, loaded.end()) << reader << ": \"" << profile.name << '"';
            EXPECT_EQ(found->second, profile) << reader << ": \"" << profile.name << '"';
        }
    }

    ProfileStore store(app.toStdString());
    for (const Profile& profile : saved) {
        Profile read;
        read.name = profile.name;
        ASSERT_TRUE(store.LoadProfile(read)) << '"' << profile.name << '"';
        EXPECT_EQ(read, profile);
    }
}

// Plain names stay readable in the file, blanks and the like in QSettings'
// own escapes; saving again overwrites the values in place.
TEST_F(ProfileStoreTest, FileKeepsPlainNamesReadable) {
    ProfileStore store(app.toStdString());
    ASSERT_TRUE(store.SaveProfile(Make("Beach", 1, 0xFFFFFFFFu, -5, 600)));
    ASSERT_TRUE(store.SaveProfile(Make("a/b", 0, 0u, 1, 2)));
    ASSERT_TRUE(store.SaveProfile(Make("Beach", 0, 0x00C80000u, 800, -600)));
    ASSERT_TRUE(store.SaveProfile(Make("Night Sky", 1, 1u, 2, 3)));
    const std::string text = ReadText(StoreFile(app));
    EXPECT_EQ(
        LinesOf(text, "Beach\\"),
        (std::vector<std::string>{"Beach\\Do%20Padding=0", "Beach\\Frame%20Height=-600",
                                  "Beach\\Frame%20Width=800", "Beach\\Padding%20Color=13107200"}))
        << text;
    EXPECT_EQ(LinesOf(text, "a%252Fb\\").size(), 4u) << text;
    EXPECT_EQ(LinesOf(text, "Night%20Sky\\").size(), 4u) << text;
    EXPECT_EQ(LinesOf(text, "[").front(), "[Profiles]") << text;
}

// A stored profile that does not read back whole is left out, and the ones
// after it still load; saving the list afterwards leaves what is stored for
// it exactly as it was.
TEST_F(ProfileStoreTest, UnreadableProfilesAreSkippedAndKept) {
    const std::string good = "Do%20Padding=1\nPadding%20Color=255\nFrame%20Width=640\n"
                             "Frame%20Height=480\n";
    std::string text = "[Profiles]\n";
    const auto group = [&](const std::string& name, const std::string& values) {
        std::size_t start = 0;
        while (start < values.size()) {
            const std::size_t end = values.find('\n', start);
            text += name + "\\" + values.substr(start, end - start) + "\n";
            start = end + 1;
        }
    };
    group("Alpha", good);
    group("Broken", "Do%20Padding=1\nPadding%20Color=255\nFrame%20Width=640\n");
    group("Color", "Do%20Padding=1\nPadding%20Color=blue\nFrame%20Width=640\n"
                   "Frame%20Height=480\n");
    group("Huge", "Do%20Padding=1\nPadding%20Color=4294967296\nFrame%20Width=640\n"
                  "Frame%20Height=480\n");
    group("List", "Do%20Padding=1\nPadding%20Color=1\nFrame%20Width=\"1, 2\"\n"
                  "Frame%20Height=1, 2\n");
    group("Nested\\b", good);
    group("Odd%25zz", good);
    group("Neg", "Do%20Padding=1\nPadding%20Color=-1\nFrame%20Width=4294967291\n"
                 "Frame%20Height=-5\n");
    group("Zulu", good);
    WriteText(StoreFile(app), text);
    const std::vector<std::string> broken = {"Broken\\", "Color\\",     "Huge\\",
                                             "List\\",   "Nested\\b\\", "Odd%25zz\\"};
    std::map<std::string, std::vector<std::string>> before;
    for (const std::string& prefix : broken) {
        before[prefix] = LinesOf(text, prefix);
        ASSERT_FALSE(before[prefix].empty()) << prefix;
    }

    ProfileStore store(app.toStdString());
    ProfileList list;
    std::vector<std::string> names;
    EXPECT_FALSE(store.LoadProfiles(list, names));
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "Neg", "Zulu"}));
    EXPECT_EQ(NamesOf(list), names);
    EXPECT_EQ(list.Capacity(), 3);
    EXPECT_EQ(list[0], Make("Alpha", 1, 255u, 640, 480));
    EXPECT_EQ(list[1], Make("Neg", 1, 0xFFFFFFFFu, -5, -5));

    Profile missing;
    missing.name = "Broken";
    missing.frameWidth = 77;
    EXPECT_FALSE(store.LoadProfile(missing));
    EXPECT_EQ(missing.frameWidth, 77);

    list[0].frameWidth = 1024;
    list.Add(Make("New", 0, 1u, 2, 3));
    ASSERT_TRUE(store.SaveProfiles(list));
    const std::string after = ReadText(StoreFile(app));
    for (const std::string& prefix : broken) {
        EXPECT_EQ(LinesOf(after, prefix), before[prefix]) << prefix << '\n' << after;
    }
    EXPECT_EQ(LinesOf(after, "Alpha\\Frame%20Width="),
              std::vector<std::string>{"Alpha\\Frame%20Width=1024"});

    EXPECT_FALSE(store.LoadProfiles(list, names));
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "Neg", "New", "Zulu"}));
}

// The first start finds nothing and creates nothing; loading never writes,
// so a read-only user of the store (the command line) leaves no trace.
TEST_F(ProfileStoreTest, LoadingWritesNothing) {
    ProfileStore store(app.toStdString());
    ProfileList list;
    std::vector<std::string> names{"stale"};
    EXPECT_TRUE(store.LoadProfiles(list, names));
    EXPECT_EQ(list.Size(), 0);
    EXPECT_EQ(list.Capacity(), 0);
    EXPECT_TRUE(names.empty());
    Profile unknown;
    unknown.name = "Beach";
    EXPECT_FALSE(store.LoadProfile(unknown));
    EXPECT_EQ(Entries(QString()), QStringList());

    ASSERT_TRUE(store.SaveProfile(Make("Beach", 1, 2u, 3, 4)));
    const QString file = StoreFile(app);
    const ino_t inode = InodeOf(file);
    const QDateTime modified = QFileInfo(file).lastModified();
    EXPECT_TRUE(store.LoadProfiles(list, names));
    EXPECT_TRUE(store.LoadProfile(unknown));
    EXPECT_EQ(InodeOf(file), inode);
    EXPECT_EQ(QFileInfo(file).lastModified(), modified);
    EXPECT_EQ(Entries(QStringLiteral("Tollervane")), QStringList{app + QStringLiteral(".conf")});
}

// Only this user's file of this program counts: neither the organisation-wide
// file beside it nor another program name's file is read.
TEST_F(ProfileStoreTest, ReadsOnlyItsOwnFile) {
    const std::string beach = "[Profiles]\nBeach\\Do%20Padding=1\nBeach\\Padding%20Color=2\n"
                              "Beach\\Frame%20Width=3\nBeach\\Frame%20Height=4\n";
    WriteText(Path(QStringLiteral("Tollervane.conf")), beach);
    WriteText(StoreFile(QStringLiteral("quillmere-cli")), beach);
    ProfileList list;
    std::vector<std::string> names;
    EXPECT_TRUE(ProfileStore(app.toStdString()).LoadProfiles(list, names));
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(ProfileStore("quillmere-cli").LoadProfiles(list, names));
    EXPECT_EQ(names, std::vector<std::string>{"Beach"});
}

// Each save replaces the file by renaming a complete new one over it, so a
// write that fails part way leaves the previous file whole, and the failure
// is reported. A store that cannot be read at all is neither loaded nor
// written, and a file QSettings finds malformed (a section header without its
// closing bracket) is loaded as far as it goes and written out well-formed.
TEST_F(ProfileStoreTest, WritesAreAtomicAndReported) {
    ProfileStore store(app.toStdString());
    const QString file = StoreFile(app);
    ASSERT_TRUE(store.SaveProfile(Make("Beach", 1, 2u, 3, 4)));
    const ino_t first = InodeOf(file);
    ASSERT_TRUE(store.SaveProfile(Make("Night", 1, 2u, 3, 4)));
    EXPECT_NE(InodeOf(file), first);
    EXPECT_EQ(Entries(QStringLiteral("Tollervane")), QStringList{app + QStringLiteral(".conf")});

    const std::string before = ReadText(file);
    bool savedPastTheLimit = true;
    {
        // Nothing may print in here: the test's own output may be a file.
        const FileSizeLimit limit(before.size() + 10);
        savedPastTheLimit = store.SaveProfile(Make("A rather long new profile name", 1, 2u, 3, 4));
    }
    EXPECT_FALSE(savedPastTheLimit);
    EXPECT_EQ(ReadText(file), before);
    EXPECT_EQ(Entries(QStringLiteral("Tollervane")), QStringList{app + QStringLiteral(".conf")});
    ProfileList reloaded;
    std::vector<std::string> reloadedNames;
    EXPECT_TRUE(store.LoadProfiles(reloaded, reloadedNames));
    EXPECT_EQ(reloadedNames, (std::vector<std::string>{"Beach", "Night"}));

    // A first save that falls short leaves no file at all.
    bool firstSaved = true;
    {
        const FileSizeLimit limit(40);
        firstSaved = ProfileStore("first").SaveProfile(Make("Beach", 1, 2u, 3, 4));
    }
    EXPECT_FALSE(firstSaved);
    EXPECT_EQ(Entries(QStringLiteral("Tollervane")), QStringList{app + QStringLiteral(".conf")});

    // The file's place is taken by a folder: nothing can be read or written.
    QDir().mkpath(StoreFile(QStringLiteral("blocked")));
    ProfileStore blocked("blocked");
    ProfileList list = ListOf({Make("kept", 1, 2u, 3, 4)});
    std::vector<std::string> names{"kept"};
    EXPECT_FALSE(blocked.LoadProfiles(list, names));
    EXPECT_EQ(NamesOf(list), std::vector<std::string>{"kept"});
    EXPECT_EQ(names, std::vector<std::string>{"kept"});
    EXPECT_FALSE(blocked.SaveProfile(Make("Beach", 1, 2u, 3, 4)));
    EXPECT_FALSE(blocked.SaveProfiles(list));

    // The folder for the file cannot be made.
    WriteText(Path(QStringLiteral("elsewhere/Tollervane")), "not a folder");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Path("elsewhere"));
    EXPECT_FALSE(ProfileStore("nowhere").SaveProfile(Make("Beach", 1, 2u, 3, 4)));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Path(QString()));

    const std::string damaged = "[Profiles\nBeach\\Do%20Padding=1\nBeach\\Padding%20Color=2\n"
                                "Beach\\Frame%20Width=3\nBeach\\Frame%20Height=4\n";
    WriteText(StoreFile(QStringLiteral("damaged")), damaged);
    ProfileStore damagedStore("damaged");
    EXPECT_TRUE(damagedStore.LoadProfiles(list, names));
    EXPECT_EQ(names, std::vector<std::string>{"Beach"});
    EXPECT_TRUE(damagedStore.SaveProfile(Make("New", 1, 2u, 3, 4)));
    EXPECT_TRUE(damagedStore.LoadProfiles(list, names));
    EXPECT_EQ(names, (std::vector<std::string>{"Beach", "New"}));
    EXPECT_EQ(LinesOf(ReadText(StoreFile(QStringLiteral("damaged"))), "[").front(), "[Profiles]");
}

// Saving an empty list writes nothing at all.
TEST_F(ProfileStoreTest, SavingNothingWritesNothing) {
    EXPECT_TRUE(ProfileStore(app.toStdString()).SaveProfiles(ProfileList()));
    EXPECT_EQ(Entries(QString()), QStringList());
}
