#include "HandoverMessage.h"
#include "SingleInstance.h"
#include "StartupFiles.h"

#include <QLocalSocket>
#include <QtTest>

#include <gtest/gtest.h>

#include <cstring>
#include <future>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

std::vector<std::string> Described(const std::vector<DroppedItem>& items) {
    std::vector<std::string> described;
    for (const DroppedItem& item : items)
        described.push_back((item.isLocalFile ? "file " : "text ") + item.path);
    return described;
}

// Names against the working folder, in their order and bytes; "--" ends
// the options; addresses are read as drops read them.
TEST(StartupFiles, TheCommandLineBecomesOneDropOrIsRefused) {
    const struct {
        const char* name;
        std::vector<std::string> args;
        std::string folder;
        std::vector<std::string> files;
        std::string refusal;
    } rows[] = {
        {"names in order",
         {"b.png", "/x/caf\xE9.png", "sub/c.png"},
         "/home/u",
         {"file /home/u/b.png", "file /x/caf\xE9.png", "file /home/u/sub/c.png"},
         ""},
        {"the root folder", {"a.png", "-"}, "/", {"file /a.png", "file /-"}, ""},
        {"after --",
         {"--", "-x.png", "file:///a.png"},
         "/w",
         {"file /w/-x.png", "file /w/file:///a.png"},
         ""},
        {"addresses",
         {"file:///t/caf%C3%A9.png", "file:///t/a b\xE9.png", "file://elsewhere/a.png"},
         "/w",
         {"file /t/caf\xC3\xA9.png", "file /t/a b\xE9.png", "text file://elsewhere/a.png"},
         ""},
        {"an unknown option", {"a.png", "-x"}, "/w", {}, "unknown option -x"},
        {"an empty name", {"a.png", ""}, "/w", {}, "an empty file name"},
        {"no working folder, absolute", {"/a.png"}, "", {"file /a.png"}, ""},
        {"no working folder, relative", {"a.png"}, "", {}, "the working folder is gone"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const StartupRequest request = StartupFiles(row.args, row.folder, "thisbox");
        EXPECT_EQ(Described(request.files), row.files);
        EXPECT_EQ(request.refusal.substr(0, row.refusal.size()), row.refusal);
        EXPECT_EQ(request.refusal.empty(), row.refusal.empty());
    }
}

// A message gives back its items, bytes and kinds kept; any damage to one
// makes it no message at all.
TEST(HandoverMessage, ItemsComeBackAndDamagedMessagesAreRefused) {
    const std::vector<DroppedItem> items{{"/p/caf\xE9.png", true}, {"https://e.org/a.png", false}};
    const std::string good = EncodeHandover(items);
    ASSERT_TRUE(DecodeHandover(good));
    EXPECT_EQ(Described(*DecodeHandover(good)), Described(items));
    EXPECT_EQ(DecodeHandover(EncodeHandover({}))->size(), 0u);
    EXPECT_EQ(HandoverBodySize(good), good.size() - handoverHeaderSize);

    const auto changed = [&](std::size_t at, char byte) {
        std::string message = good;
        message[at] = byte;
        return message;
    };
    const struct {
        const char* name;
        std::string message;
    } damaged[] = {
        {"another magic", changed(0, 'X')},
        {"cut short", good.substr(0, good.size() - 1)},
        {"longer than said", good + "x"},
        {"an unknown kind", changed(8, 2)},
        {"an item longer than the body", changed(12, 100)},
        {"an empty item", EncodeHandover({{"", false}})},
        {"a relative path", EncodeHandover({{"a.png", true}})},
        {"a zero byte", EncodeHandover({{std::string("/a\0b", 4), true}})},
        {"a body beyond reason", std::string("QMRH\x7F\0\0\0", 8)},
    };
    for (const auto& row : damaged) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(DecodeHandover(row.message));
    }
    EXPECT_FALSE(HandoverBodySize(damaged[8].message));
}

// Leaves a socket file that nothing listens at, as a crashed run does.
void LeaveStaleSocket(const QString& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    ASSERT_LT(static_cast<std::size_t>(bytes.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(path));
}

// The server takes over a stale socket, drops a client that sends garbage
// and hands on the items of a good message, answering that it took them.
TEST(InstanceServer, TakesOverAStaleSocketAndIgnoresGarbage) {
    QTemporaryDir run;
    const QString path = InstanceSocketPath(run.path(), "org.example.Quillmere", "wayland/0");
    EXPECT_EQ(path, run.path() + "/org.example.Quillmere-wayland_0");
    LeaveStaleSocket(path);
    InstanceServer server;
    std::vector<std::vector<DroppedItem>> arrived;
    QObject::connect(&server, &InstanceServer::Arrived,
                     [&](const std::vector<DroppedItem>& items) { arrived.push_back(items); });
    ASSERT_TRUE(server.Listen(path));

    QLocalSocket garbage;
    garbage.connectToServer(path);
    ASSERT_TRUE(garbage.waitForConnected(5000));
    garbage.write("QMRH\xFF\xFF\xFF\xFFthe rest");
    EXPECT_TRUE(QTest::qWaitFor([&] { return garbage.state() == QLocalSocket::UnconnectedState; }));

    const std::vector<DroppedItem> items{{"/p/a.png", true}};
    auto handover = std::async(std::launch::async, [&] { return HandOver(path, items, 5000); });
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return handover.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        10000));
    EXPECT_EQ(handover.get(), Handover::taken);
    ASSERT_EQ(arrived.size(), 1u);
    EXPECT_EQ(Described(arrived[0]), Described(items));
    EXPECT_EQ(HandOver(run.path() + "/nobody", items, 1000), Handover::noListener);
}

// The real program: files named at its start are converted at once; a second
// start hands its own (a relative name) to it and ends with 0, and so does a
// third with none; the first takes over a stale socket. The Quillmere folder
// exists, so the conversions ask nothing.
TEST(AppInstance, ASecondStartHandsItsFilesToTheRunningDialog) {
    QTemporaryDir home;
    const QDir root(home.path());
    ASSERT_TRUE(root.mkpath("run") && root.mkpath("config") && root.mkpath("pictures/Quillmere"));
    QFile::setPermissions(root.filePath("run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QDir pictures(root.filePath("pictures"));
    QImage picture(8, 6, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(pictures.filePath("first.png")));
    ASSERT_TRUE(picture.save(pictures.filePath("second.png")));
    LeaveStaleSocket(InstanceSocketPath(root.filePath("run"), "org.example.Quillmere", ":97"));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", root.filePath("run"));
    environment.insert("XDG_CONFIG_HOME", root.filePath("config"));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("DISPLAY", ":97");
    environment.remove("WAYLAND_DISPLAY");
    const auto start = [&](QProcess& process, const QStringList& args) {
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(pictures.path());
        process.start(QUILLMERE_PROGRAM, args);
        EXPECT_TRUE(process.waitForStarted());
    };
    const auto written = [&](const char* name) {
        return QTest::qWaitFor([&] { return pictures.exists(name); }, 20000);
    };

    QProcess first;
    start(first, {pictures.filePath("first.png")});
    EXPECT_TRUE(written("Quillmere/first.jpg"));
    for (const QStringList& args : {QStringList{"second.png"}, QStringList{}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        QProcess next;
        start(next, args);
        EXPECT_TRUE(next.waitForFinished(20000));
        EXPECT_EQ(next.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(next.exitCode(), 0);
    }
    EXPECT_TRUE(written("Quillmere/second.jpg"));
    EXPECT_EQ(first.state(), QProcess::Running);
    first.terminate();
    EXPECT_TRUE(first.waitForFinished(10000));
}

} // namespace
