#include "HandoverMessage.h"
#include "SingleInstance.h"
#include "StartupFiles.h"

#include <QLocalSocket>
#include <QtTest>

#include <gtest/gtest.h>

#include <csignal>
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
// the options; addresses are read as drops read them: a file address of this
// machine gives its path's own bytes, any other is kept as its text.
TEST(StartupFiles, TheCommandLineBecomesOneDropOrIsRefused) {
    const struct {
        const char* name;
        std::vector<std::string> args;
        std::string folder;
        std::vector<std::string> files;
        std::string refusal;
    } rows[] = {
        // clang-format off
        {"names in order", {"b.png", "/x/caf\xE9.png", "sub/c.png"}, "/home/u",
         {"file /home/u/b.png", "file /x/caf\xE9.png", "file /home/u/sub/c.png"}, ""},
        {"the root folder", {"a.png", "-"}, "/", {"file /a.png", "file /-"}, ""},
        {"after --", {"--", "-x.png", "file:///a.png"}, "/w",
         {"file /w/-x.png", "file /w/file:///a.png"}, ""},
        {"addresses of this machine", {"file:///t/caf%C3%A9.png", "file:///t/a b\xE9.png",
         "file:///t/caf%E9.png", "file://LocalHost/a.png", "file://ThisBox/b.png"}, "/w",
         {"file /t/caf\xC3\xA9.png", "file /t/a b\xE9.png", "file /t/caf\xE9.png", "file /a.png",
          "file /b.png"}, ""},
        {"addresses kept as text", {"file://elsewhere/a.png", "https://e.org/a.png",
         "file:///a%00b.png"}, "/w", {"text file://elsewhere/a.png", "text https://e.org/a.png",
         "text file:///a%00b.png"}, ""},
        {"an unknown option", {"a.png", "-x"}, "/w", {}, "unknown option -x"},
        {"an empty name", {"a.png", ""}, "/w", {}, "an empty file name"},
        {"no working folder, absolute", {"/a.png"}, "", {"file /a.png"}, ""},
        {"no working folder, relative", {"a.png"}, "", {}, "the working folder is gone"},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const StartupRequest request = StartupFiles(row.args, row.folder, "thisbox");
        EXPECT_EQ(Described(request.files), row.files);
        EXPECT_EQ(request.refusal.substr(0, row.refusal.size()), row.refusal);
        EXPECT_EQ(request.refusal.empty(), row.refusal.empty());
    }
}

// --help and --version print and end with 0, and need no display; anything
// else before "--" that starts with "-" is left to the toolkit and then to
// StartupFiles.
TEST(StartupFiles, HelpAndVersionArePrintedWithoutADisplay) {
    const struct {
        const char* name;
        std::vector<std::string> args;
        InfoAsked asked;
    } rows[] = {{"--help", {"a.png", "--help"}, InfoAsked::help},
                {"-h", {"-h"}, InfoAsked::help},
                {"--version", {"--version", "--help"}, InfoAsked::version},
                {"after --", {"--", "--help"}, InfoAsked::none},
                {"files", {"a.png"}, InfoAsked::none}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(AskedForInfo(row.args), row.asked);
    }
    for (const char* option : {"--help", "--version"}) {
        SCOPED_TRACE(option);
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
        program.setProcessEnvironment(environment);
        program.start(QUILLMERE_PROGRAM, {option});
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        const std::string printed = program.readAllStandardOutput().toStdString();
        EXPECT_EQ(printed.substr(0, 10),
                  option == std::string("--help") ? "Usage: qui" : "quillmere ");
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
    };
    for (const auto& row : damaged) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(DecodeHandover(row.message));
    }
    EXPECT_EQ(HandoverBodySize(std::string("QMRH\x01\0\0\0", 8)), largestHandoverBody);
    EXPECT_FALSE(HandoverBodySize(std::string("QMRH\x01\0\0\x01", 8))); // beyond reason
}

// A start that the dialog did not answer in time (the dialog was stopped, or
// busy) reports the files as not taken, and the dialog, going on, never takes
// them; one answered in time hands them over once.
TEST(AppInstance, AHandoverNotAnsweredInTimeIsNeverTaken) {
    using namespace std::chrono_literals;
    QTemporaryDir run;
    const QString path = run.filePath("socket");
    InstanceServer server;
    ASSERT_TRUE(server.Listen(path));
    std::vector<std::string> arrived;
    QObject::connect(&server, &InstanceServer::Arrived, [&](const std::vector<DroppedItem>& items) {
        for (const std::vector<std::string> described = Described(items);
             const auto& item : described)
            arrived.push_back(item);
    });
    // No events are handled here while the late start waits.
    auto late =
        std::async(std::launch::async, [&] { return HandOver(path, {{"/late.png"}}, 300); });
    ASSERT_EQ(late.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(late.get(), Handover::refused);
    QTest::qWait(300);
    EXPECT_TRUE(arrived.empty());
    auto taken =
        std::async(std::launch::async, [&] { return HandOver(path, {{"/in.png"}}, 5000); });
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return taken.wait_for(0s) == std::future_status::ready; }, 10000));
    EXPECT_EQ(taken.get(), Handover::taken);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !arrived.empty(); }, 5000));
    EXPECT_EQ(arrived, std::vector<std::string>{"file /in.png"});
}

// Leaves a socket file that nothing listens at, as a crashed run does.
void LeaveStaleSocket(const QString& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    std::memcpy(address.sun_path, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

// The real program: it takes over a stale socket and drops a client that
// sends garbage; a second start hands its own files (a relative name) to it
// and ends with 0, and so does a third with none; files from outside wait in
// the dialog for Convert, so none is written.
TEST(AppInstance, ASecondStartHandsItsFilesToTheRunningDialog) {
    QTemporaryDir home;
    const QDir root(home.path());
    for (const char* path : {"run", "config", "pictures/Quillmere"})
        ASSERT_TRUE(root.mkpath(path)) << path;
    QFile::setPermissions(root.filePath("run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QDir pictures(root.filePath("pictures"));
    QImage picture(8, 6, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(pictures.filePath("first.png")));
    ASSERT_TRUE(picture.save(pictures.filePath("second.png")));
    const QString socket = InstanceSocketPath(root.filePath("run"), "org.example.Quillmere", ":97");
    EXPECT_EQ(InstanceSocketPath("/r", "a.b", "/w/x"), "/r/a.b-_w_x"); // a display that is a path
    LeaveStaleSocket(socket);

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

    QProcess first;
    start(first, {pictures.filePath("first.png")});
    QLocalSocket garbage;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            garbage.connectToServer(socket);
            return garbage.waitForConnected(100);
        },
        20000));
    garbage.write("QMRH\xFF\xFF\xFF\xFF"
                  "and more");                      // a size beyond reason
    EXPECT_TRUE(garbage.waitForDisconnected(3000)); // not left waiting for the rest
    for (const QStringList& args : {QStringList{"second.png"}, QStringList{}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        QProcess next;
        start(next, args);
        EXPECT_TRUE(next.waitForFinished(20000));
        EXPECT_EQ(next.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(next.exitCode(), 0);
    }
    // Files from outside wait in the dialog for Convert.
    EXPECT_FALSE(pictures.exists("Quillmere/first.jpg"));
    EXPECT_FALSE(pictures.exists("Quillmere/second.jpg"));

    // A start that the stopped dialog did not answer says so, and the
    // dialog, going on, never converts what was reported as not taken.
    ASSERT_TRUE(picture.save(pictures.filePath("third.png")));
    // A process that is not running has the id 0, which would stop this whole process group.
    ASSERT_EQ(first.state(), QProcess::Running);
    ASSERT_EQ(::kill(static_cast<pid_t>(first.processId()), SIGSTOP), 0);
    QProcess refused;
    start(refused, {"third.png"});
    EXPECT_TRUE(refused.waitForFinished(20000));
    ::kill(static_cast<pid_t>(first.processId()), SIGCONT);
    EXPECT_EQ(refused.exitCode(), 1);
    EXPECT_EQ(refused.readAllStandardError().toStdString(),
              "quillmere: the running Quillmere did not answer, so it will not convert the "
              "files\n");

    // A logout (SIGHUP) or SIGTERM ends the dialog the usual way, and its
    // socket goes with it; the next start then listens there.
    QProcess last;
    for (const auto& [process, signal] : {std::pair{&first, SIGHUP}, {&last, SIGTERM}}) {
        SCOPED_TRACE(signal);
        if (process == &last) {
            start(last, {});
            EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(socket); }, 20000));
        }
        ASSERT_EQ(process->state(), QProcess::Running);
        ::kill(static_cast<pid_t>(process->processId()), signal);
        EXPECT_TRUE(process->waitForFinished(10000));
        EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process->exitCode(), 0);
        EXPECT_FALSE(QFile::exists(socket));
    }
}

} // namespace
