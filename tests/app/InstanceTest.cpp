#include "HandoverMessage.h"
#include "SingleInstance.h"
#include "StartupFiles.h"

#include <QLocalSocket>
#include <QtTest>

#include <gtest/gtest.h>

#include <csignal>
#include <future>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The items as one text, each "file <path>" or "text <address>", apart by ", ".
std::string Described(const std::vector<DroppedItem>& items) {
    std::string described;
    for (const DroppedItem& item : items)
        described += (described.empty() ? "" : ", ") +
                     std::string(item.isLocalFile ? "file " : "text ") + item.path;
    return described;
}

// Names against the working folder, in their order and bytes; "--" ends
// the options; addresses are read as drops read them: a file address of this
// machine gives its path's own bytes, any other is kept as its text. --help
// and --version, the first of them before "--", are asked for before any of
// this (and need no display, ASecondStartHandsItsFilesToTheRunningDialog).
TEST(StartupFiles, TheCommandLineBecomesOneDropOrIsRefused) {
    const struct {
        const char* name;
        std::vector<std::string> args;
        std::string folder, files, refusal;
        InfoAsked asked = InfoAsked::none;
    } rows[] = {
        // clang-format off
        {"names in order", {"b.png", "/x/caf\xE9.png", "sub/c.png"}, "/home/u",
         "file /home/u/b.png, file /x/caf\xE9.png, file /home/u/sub/c.png", ""},
        {"the root folder", {"a.png", "-"}, "/", "file /a.png, file /-", ""},
        {"after --", {"--", "-x.png", "file:///a.png", "--help"}, "/w",
         "file /w/-x.png, file /w/file:///a.png, file /w/--help", ""},
        {"addresses of this machine", {"file:///t/caf%C3%A9.png", "file:///t/a b\xE9.png",
         "file:///t/caf%E9.png", "file://LocalHost/a.png", "file://ThisBox/b.png"}, "/w",
         "file /t/caf\xC3\xA9.png, file /t/a b\xE9.png, file /t/caf\xE9.png, file /a.png, "
         "file /b.png", ""},
        {"addresses kept as text", {"file://elsewhere/a.png", "https://e.org/a.png",
         "file:///a%00b.png"}, "/w", "text file://elsewhere/a.png, text https://e.org/a.png, "
         "text file:///a%00b.png", ""},
        {"an unknown option", {"a.png", "-x"}, "/w", "", "unknown option -x"},
        {"an empty name", {"a.png", ""}, "/w", "", "an empty file name"},
        {"no working folder, absolute", {"/a.png"}, "", "file /a.png", ""},
        {"no working folder, relative", {"a.png"}, "", "", "the working folder is gone"},
        {"--help", {"a.png", "--help"}, "/w", "", "unknown option --help", InfoAsked::help},
        {"-h", {"-h"}, "/w", "", "unknown option -h", InfoAsked::help},
        {"--version first", {"--version", "-h"}, "/w", "", "unknown option --version",
         InfoAsked::version},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const StartupRequest request = StartupFiles(row.args, row.folder, "thisbox");
        EXPECT_EQ(Described(request.files), row.files);
        EXPECT_EQ(request.refusal.substr(0, row.refusal.size()), row.refusal);
        EXPECT_EQ(request.refusal.empty(), row.refusal.empty());
        EXPECT_EQ(AskedForInfo(row.args), row.asked);
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

    const std::pair<const char*, std::string> damaged[] = {
        {"another magic", std::string(good).replace(0, 1, "X")},
        {"cut short", good.substr(0, good.size() - 1)},
        {"longer than said", good + "x"},
        {"an unknown kind", std::string(good).replace(8, 1, "\x02")},
        {"an item longer than the body", std::string(good).replace(12, 1, "d")}, // 100 bytes
        {"an empty item", EncodeHandover({{"", false}})},
        {"a relative path", EncodeHandover({{"a.png", true}})},
        {"a zero byte", EncodeHandover({{std::string("/a\0b", 4), true}})},
    };
    for (const auto& [name, message] : damaged) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(DecodeHandover(message));
    }
    EXPECT_EQ(HandoverBodySize(std::string("QMRH\x01\0\0\0", 8)), largestHandoverBody);
    EXPECT_FALSE(HandoverBodySize(std::string("QMRH\x01\0\0\x01", 8))); // beyond reason
}

// A socket that a crashed run left has no listener, and the dialog listens
// there in its place. A start that the dialog did not answer in time (the
// dialog was stopped, or busy) reports the files as not taken, and the
// dialog, going on, never takes them; one answered in time hands them over
// once.
TEST(AppInstance, AHandoverNotAnsweredInTimeIsNeverTaken) {
    using namespace std::chrono_literals;
    QTemporaryDir run;
    const QString path = run.filePath("socket");
    // A socket file that nothing listens at, as a crashed run leaves.
    ASSERT_EQ(::mknod(QFile::encodeName(path).constData(), S_IFSOCK | 0600, 0), 0);
    EXPECT_EQ(HandOver(path, {{"/stale.png"}}, 300), Handover::noListener);
    InstanceServer server;
    ASSERT_TRUE(server.Listen(path));
    std::string arrived;
    QObject::connect(&server, &InstanceServer::Arrived,
                     [&](const std::vector<DroppedItem>& items) { arrived = Described(items); });
    for (const bool answered : {false, true}) {
        SCOPED_TRACE(answered ? "answered" : "not answered in time");
        auto handed = std::async(std::launch::async, [&] {
            return HandOver(path, {{"/in.png"}}, answered ? 5000 : 300);
        });
        // No events are handled here while a start that is not answered waits.
        if (answered) {
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return handed.wait_for(0s) == std::future_status::ready; }, 10000));
        }
        ASSERT_EQ(handed.wait_for(10s), std::future_status::ready);
        EXPECT_EQ(handed.get(), answered ? Handover::taken : Handover::refused);
        EXPECT_EQ(QTest::qWaitFor([&] { return !arrived.empty(); }, answered ? 5000 : 300),
                  answered);
        EXPECT_EQ(arrived, answered ? "file /in.png" : "");
    }
}

// The real program: it drops a client that sends garbage; a second start
// hands its own files (a relative name) to it and ends with 0; files from
// outside wait in the dialog for Convert, so none is written.
TEST(AppInstance, ASecondStartHandsItsFilesToTheRunningDialog) {
    QTemporaryDir home;
    const QDir root(home.path());
    // The temporary folder, which only its owner may enter, is the runtime folder too.
    for (const char* path : {"config", "pictures/Quillmere"})
        ASSERT_TRUE(root.mkpath(path)) << path;
    const QDir pictures(root.filePath("pictures"));
    QImage picture(8, 6, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    for (const char* name : {"first.png", "second.png"})
        ASSERT_TRUE(picture.save(pictures.filePath(name)));
    const QString socket = InstanceSocketPath(root.path(), "org.example.Quillmere", ":97");
    EXPECT_EQ(InstanceSocketPath("/r", "a.b", "/w/x"), "/r/a.b-_w_x"); // a display that is a path

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", root.path());
    environment.insert("XDG_CONFIG_HOME", root.filePath("config"));
    environment.insert("DISPLAY", ":97");
    environment.remove("WAYLAND_DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    // Starts the program, and waits for it to end if finishWithin is given.
    const auto start = [&](const QStringList& args, int finishWithin = 0) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(pictures.path());
        process->start(QUILLMERE_PROGRAM, args);
        EXPECT_TRUE(finishWithin ? process->waitForFinished(finishWithin)
                                 : process->waitForStarted());
        return process;
    };
    // Printed before the toolkit would look for the display, which is not there.
    for (const auto& [option, printed] :
         {std::pair{"--help", "Usage: quillmere "}, {"--version", "quillmere "}}) {
        SCOPED_TRACE(option);
        const auto info = start({option}, 10000);
        EXPECT_EQ(info->exitCode(), 0);
        EXPECT_TRUE(info->readAllStandardOutput().startsWith(printed));
    }
    environment.insert("QT_QPA_PLATFORM", "offscreen");

    auto running = start({pictures.filePath("first.png")});
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
    EXPECT_EQ(start({"second.png"}, 20000)->exitCode(), 0);
    // Files from outside wait in the dialog for Convert.
    EXPECT_FALSE(pictures.exists("Quillmere/first.jpg"));
    EXPECT_FALSE(pictures.exists("Quillmere/second.jpg"));

    // A start that the stopped dialog did not answer says so. A process that
    // is not running has the id 0, which would stop this whole process group.
    ASSERT_EQ(running->state(), QProcess::Running);
    ASSERT_EQ(::kill(static_cast<pid_t>(running->processId()), SIGSTOP), 0);
    const auto refused = start({"third.png"}, 20000);
    ::kill(static_cast<pid_t>(running->processId()), SIGCONT);
    EXPECT_EQ(refused->exitCode(), 1);
    EXPECT_EQ(refused->readAllStandardError().toStdString(),
              "quillmere: the running Quillmere did not answer, so it will not convert the "
              "files\n");

    // A logout (SIGHUP) or SIGTERM ends the dialog the usual way, and its
    // socket goes with it; the next start then listens there.
    for (const int signal : {SIGHUP, SIGTERM}) {
        SCOPED_TRACE(signal);
        if (signal == SIGTERM) {
            running = start({});
            EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(socket); }, 20000));
        }
        ASSERT_EQ(running->state(), QProcess::Running);
        ::kill(static_cast<pid_t>(running->processId()), signal);
        EXPECT_TRUE(running->waitForFinished(10000));
        EXPECT_EQ(running->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(running->exitCode(), 0);
        EXPECT_FALSE(QFile::exists(socket));
    }
}

} // namespace
