#include "DropBatch.h"
#include "Lookahead.h"
#include "OutputPaths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <dlfcn.h>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <pthread.h>
#include <random>
#include <set>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Thread starts that succeed before the next one fails, or -1 for all.
std::atomic<int> threadsLeft{-1};

} // namespace

// Every thread the program starts comes through here, so a test can make starting one fail.
extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes,
                              void* (*start)(void*), void* argument) noexcept {
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const auto real = reinterpret_cast<Create>(::dlsym(RTLD_NEXT, "pthread_create"));
    for (int left = threadsLeft; left >= 0;) {
        if (left == 0)
            return EAGAIN;
        if (threadsLeft.compare_exchange_weak(left, left - 1))
            break;
    }
    return real(thread, attributes, start, argument);
}

namespace {

// Runs work on a thread of its own; a test that is still running after the limit fails and
// ends the program, since a thread that hangs cannot be taken back.
void Within(std::chrono::seconds limit, const std::function<void()>& work) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> ended = done->get_future();
    std::thread([&work, done] {
        work();
        done->set_value();
    }).detach();
    if (ended.wait_for(limit) == std::future_status::timeout) {
        ADD_FAILURE() << "still running after " << limit.count() << " s: it would hang";
        std::fflush(stdout);
        std::_Exit(1);
    }
}

// Waits until the condition holds, at most ten seconds; says whether it came.
bool Eventually(const std::function<bool()>& holds) {
    for (const auto end = std::chrono::steady_clock::now() + 10s; !holds();) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

bool Has(const std::string& path, const char* part) {
    return path.find(part) != std::string::npos;
}

/*
 * A file system and a person in one. Paths tell what becomes of them: "/gone" cannot be read,
 * "/full/" cannot be written; folders under "/have/" exist, those under "/ro/" cannot be made, a
 * Quillmere folder under "/planted/" is another user's link. A picture outside a Quillmere
 * folder holds "p"; one inside exists once written or put there, /have/Quillmere/a.jpg holds
 * "old". Links: /y leads to /x, /have/link.jpg to /have/Quillmere/a.jpg, and
 * /have/loop/Quillmere back to /have/loop.
 * Answers come from a script (Cancel once it is used up). The log holds, in order, each folder
 * test ('?'), message, folder made and output written: everything the person sees or the disk
 * holds. The stop is requested at the event numbered stopAt.
 */
struct FakeDesk final : Prompts, FileSystem {
    struct File {
        std::uint64_t inode;
        std::string bytes;
    };

    std::vector<int> answers;
    std::string log;
    std::size_t asked = 0;
    std::stop_source stop;
    int events = 0, stopAt = -1;
    std::set<std::string> made;
    std::function<void(const std::string&path)> onSource, onMessage, onWrite; // test hooks
    std::mutex mutex; // files are read by the encoder's threads
    std::map<std::string, File> files = {{"/have/Quillmere/a.jpg", {1, "old"}}};
    std::uint64_t inodes = 1;
    std::jthread helper; // a test's own thread, joined first when the desk goes

    static std::string Resolved(std::string path) {
        static const std::pair<std::string, std::string> links[] = {
            {"/y", "/x"},
            {"/have/link.jpg", "/have/Quillmere/a.jpg"},
            {"/have/loop/Quillmere", "/have/loop"}};
        for (bool followed = true; followed;) {
            followed = false;
            for (const auto& [from, to] : links)
                if (path == from || path.starts_with(from + "/")) {
                    path = to + path.substr(from.size());
                    followed = true;
                }
        }
        return path;
    }
    // The file that a resolved path names, or nothing; call with the mutex held.
    File* Find(const std::string& path) {
        if (!files.contains(path) && !Has(path, "/gone") && !Has(path, "/Quillmere/"))
            files[path] = {++inodes, "p"};
        const auto found = files.find(path);
        return found == files.end() ? nullptr : &found->second;
    }
    void Put(const std::string& path, std::string bytes) {
        const std::lock_guard lock(mutex);
        files[Resolved(path)] = {++inodes, std::move(bytes)};
    }
    bool FolderExists(const std::string& resolved) const {
        return resolved.starts_with("/have/") || resolved.starts_with("/planted/") ||
               made.contains(resolved);
    }
    void Event(const std::string& text) {
        log += text;
        if (++events == stopAt)
            stop.request_stop();
    }

    int ShowMessage(const std::string& text, unsigned style, const std::string& detail) override {
        Event(std::to_string(style) + " " + text + (detail.empty() ? "" : " (" + detail + ")") +
              ", ");
        if (onMessage)
            onMessage(text);
        return asked < answers.size() ? answers[asked++] : IdCancel;
    }
    std::string SourceProblem(const std::string& path) override {
        if (onSource)
            onSource(path);
        const std::lock_guard lock(mutex);
        return Find(Resolved(path)) ? "" : "no such file or directory";
    }
    bool SameFile(const std::string& a, const std::string& b) override {
        const std::string first = Resolved(a), second = Resolved(b);
        const std::lock_guard lock(mutex);
        return first == second && (FolderExists(first) || files.contains(first));
    }
    std::optional<FileIdentity> Identity(const std::string& path) override {
        const std::lock_guard lock(mutex);
        const File* file = Find(Resolved(path));
        return file ? std::optional(
                          FileIdentity{1, file->inode, std::int64_t(file->bytes.size()), 0})
                    : std::nullopt;
    }
    bool Exists(const std::string& path) override {
        Event("?");
        return FolderExists(Resolved(path));
    }
    std::string MakeFolder(const std::string& path) override {
        Event("mkdir " + path + ", ");
        if (path.starts_with("/ro/"))
            return "read-only file system";
        made.insert(Resolved(path));
        return {};
    }
    std::string OutputFolderRefusal(const std::string& source, const std::string& folder) override {
        PathParts parts;
        parts.path = source;
        if (folder.starts_with("/planted/"))
            return "the Quillmere folder is a link owned by another user";
        if (Resolved(folder) == Resolved(parts.DirectoryPart()))
            return "the Quillmere folder leads back into the picture's own folder";
        return {};
    }
    std::string WriteOutput(const std::string&, const std::string& output,
                            std::span<const unsigned char> bytes) override {
        Event("write " + output + " (" + std::string(bytes.begin(), bytes.end()) + "), ");
        if (onWrite)
            onWrite(output);
        if (Has(output, "/full/"))
            return "No space left on device";
        Put(output, {bytes.begin(), bytes.end()});
        return {};
    }
};

// Converts what the source holds into "j" and those bytes, after a delay drawn from the source's
// name and the seed, so that conversions finish in any order, once onStart has returned; "/slow"
// converts until it is cancelled, "/bad" does not decode, "/throw" throws an exception and "/odd"
// something that is none. Says which file it read when reportSource is set. Records which sources
// it was asked for, how many ran at once on the workers, and whether any ran further ahead of the
// loop than the jobs allow.
struct FakeEncoder {
    FakeDesk* desk = nullptr;
    unsigned seed = 0;
    int jobs = 1;
    bool reportSource = false;
    std::atomic<int> running{0}, mostRunning{0}, cancelled{0};
    std::atomic<std::size_t> loopAt{0};
    std::atomic<bool> tooFarAhead{false};
    std::thread::id loop;             // the loop's thread, whose conversions are not ahead
    std::vector<std::string> sources; // the drop's paths, to find an item's place
    std::mutex mutex;
    std::multiset<std::string> asked;
    std::function<void(const std::string& source, std::stop_token stop)> onStart; // test hook

    Encoded operator()(const std::string& source, std::stop_token stop) {
        {
            const std::lock_guard lock(mutex);
            asked.insert(source);
        }
        if (onStart)
            onStart(source, stop);
        const bool ahead = std::this_thread::get_id() != loop;
        const auto place =
            std::size_t(std::find(sources.begin(), sources.end(), source) - sources.begin());
        // Past the item in the loop's hands, twice the jobs may be converting or finished.
        if (place > loopAt + 2 * std::size_t(jobs))
            tooFarAhead = true;
        const int now = ahead ? ++running : running.load();
        for (int most = mostRunning; now > most && !mostRunning.compare_exchange_weak(most, now);)
            ;
        std::optional<FakeDesk::File> read;
        {
            const std::lock_guard lock(desk->mutex);
            if (const FakeDesk::File* file = desk->Find(FakeDesk::Resolved(source)))
                read = *file;
        }
        std::minstd_rand random(seed + unsigned(std::hash<std::string>{}(source)));
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::microseconds(random() % 3000);
        while ((Has(source, "/slow") || std::chrono::steady_clock::now() < until) &&
               !stop.stop_requested())
            std::this_thread::sleep_for(100us);
        if (ahead)
            --running;
        if (stop.stop_requested()) {
            ++cancelled;
            return {{}, "stopped"};
        }
        if (Has(source, "/throw"))
            throw std::runtime_error("the decoder gave up");
        if (Has(source, "/odd"))
            throw 42;
        if (!read)
            return {{}, "no such file or directory"};
        const std::string bytes = Has(source, "/bad") ? "" : "j" + read->bytes;
        Encoded encoded{{bytes.begin(), bytes.end()},
                        bytes.empty() ? "the picture is damaged or cut short" : ""};
        if (reportSource)
            encoded.source = FileIdentity{1, read->inode, std::int64_t(read->bytes.size()), 0};
        return encoded;
    }
    bool Asked(const std::string& source) {
        const std::lock_guard lock(mutex);
        return asked.contains(source);
    }
};

// The batch one item at a time, with nothing converted ahead: what the engine must match.
BatchOutcome OneAtATime(const std::vector<DroppedItem>& drop, Prompts& prompts, FileSystem& files,
                        const Encoder& encode, std::stop_token stop) {
    BatchOutcome o;
    const auto end = [&](std::size_t first) {
        o.endedEarly = true;
        o.stopped = stop.stop_requested();
        o.notReached = int(drop.size() - first);
        return o;
    };
    for (std::size_t i = 0; i < drop.size(); ++i) {
        if (stop.stop_requested())
            return end(i);
        PathParts p;
        p.path = drop[i].path;
        std::string why =
            drop[i].isLocalFile ? files.SourceProblem(p.path) : "not a file on this computer";
        if (why.empty()) {
            const std::string folder = OutputFolderPath(p);
            if (!files.Exists(folder)) {
                if (prompts.ShowMessage("Directory doesn't exist:  " + folder + "\n\nCreate it?",
                                        36, {}) != IdYes ||
                    stop.stop_requested())
                    return end(i);
                if (const std::string problem = files.MakeFolder(folder); !problem.empty()) {
                    prompts.ShowMessage("Couldn't create dir", 0, problem);
                    return end(i);
                }
            }
            why = files.OutputFolderRefusal(p.path, folder);
        }
        if (why.empty()) {
            const Encoded e = EncodeCatching(encode, p.path, stop);
            if (stop.stop_requested())
                return end(i);
            if (!e.failure.empty()) {
                why = e.failure;
            } else if (why = files.WriteOutput(p.path, OutputFilePath(p), e.bytes); why.empty()) {
                ++o.converted;
                continue;
            } else {
                why = "cannot write " + OutputFilePath(p).substr(p.DirectoryPart().size()) + ": " +
                      why;
            }
        }
        ++o.failed;
        if (prompts.ShowMessage(p.path, 49, why) == IdCancel)
            return end(i + 1);
    }
    return o;
}

struct Ran {
    std::string log;
    BatchOutcome outcome;
    std::size_t asked = 0;
    bool threw = false;
};

struct Setting {
    int jobs = 1;
    unsigned seed = 1;
    int stopAt = -1;
    bool reportSource = false;
    bool oneAtATime = false;  // the reference loop instead of the engine
    int workersStarting = -1; // how many worker threads can start; -1: all
    std::function<void(FakeDesk&, FakeEncoder&)> prepare = {};
};

Ran RunWith(const std::vector<DroppedItem>& drop, const std::vector<int>& answers,
            const Setting& setting, FakeEncoder* seen = nullptr) {
    FakeDesk desk;
    desk.answers = answers;
    desk.stopAt = setting.stopAt;
    FakeEncoder local;
    FakeEncoder& encoder = seen ? *seen : local;
    encoder.desk = &desk;
    encoder.seed = setting.seed;
    encoder.jobs = setting.jobs;
    encoder.reportSource = setting.reportSource;
    for (const DroppedItem& item : drop)
        encoder.sources.push_back(item.path);
    if (setting.prepare)
        setting.prepare(desk, encoder);
    BatchOptions options;
    options.jobs = setting.jobs;
    options.onItem = [&](std::size_t index, const DroppedItem&) { encoder.loopAt = index; };
    const Encoder encode = [&](const std::string& source, std::stop_token stop) {
        return encoder(source, stop);
    };
    Ran run;
    Within(60s, [&] {
        encoder.loop = std::this_thread::get_id();
        threadsLeft = setting.workersStarting;
        try {
            run.outcome =
                setting.oneAtATime
                    ? OneAtATime(drop, desk, desk, encode, desk.stop.get_token())
                    : RunDropBatch(drop, desk, desk, encode, options, desk.stop.get_token());
        } catch (const std::system_error&) {
            run.threw = true;
        }
        threadsLeft = -1;
    });
    run.log = desk.log;
    run.asked = desk.asked;
    return run;
}

void ExpectOutcome(const BatchOutcome& got, const BatchOutcome& want) {
    EXPECT_EQ(got.converted, want.converted);
    EXPECT_EQ(got.failed, want.failed);
    EXPECT_EQ(got.notReached, want.notReached);
    EXPECT_EQ(got.endedEarly, want.endedEarly);
    EXPECT_EQ(got.stopped, want.stopped);
}

std::string CopyOf(const std::string& source) {
    PathParts parts;
    parts.path = source;
    return OutputFilePath(parts);
}

// A folder test that finds folder's output folder missing, then the question.
std::string Ask(const std::string& folder) {
    return "?36 Directory doesn't exist:  " + folder + "Quillmere/\n\nCreate it?, ";
}

std::string Failed(const std::string& path, const std::string& reason) {
    return "49 " + path + " (" + reason + "), ";
}

const std::string longFolder = "/have/" + std::string(300, 'd') + "/";
const std::string loopsBack = "the Quillmere folder leads back into the picture's own folder";

struct Case {
    const char* name;
    std::vector<DroppedItem> drop;
    std::vector<int> answers;
    BatchOutcome outcome;
    std::string steps;
    int stopAt = -1;
    bool early = false; // the second item's conversion reads its source before the first write
};

// clang-format off
const Case cases[] = {
    {"one question for a folder's files, any answer but Cancel goes on, long paths whole",
     {{"/i/a.png"}, {"/i/bad.gif"}, {"/i/c"}, {"sftp://host/e.png", false}, {longFolder + "e.png"}},
     {IdYes, IdOk, IdNo}, {.converted = 3, .failed = 2},
     Ask("/i/") + "mkdir /i/Quillmere/, write /i/Quillmere/a.jpg (jp), ?" +
     Failed("/i/bad.gif", "the picture is damaged or cut short") + "?write /i/Quillmere/c.jpg (jp), " +
     Failed("sftp://host/e.png", "not a file on this computer") + "?write " + longFolder +
     "Quillmere/e.jpg (jp), "},
    {"No at the second folder keeps the first file's copy",
     {{"/one/a.png"}, {"/two/b.png"}, {"/one/c.png"}}, {IdYes, IdNo},
     {.converted = 1, .notReached = 2, .endedEarly = true},
     Ask("/one/") + "mkdir /one/Quillmere/, write /one/Quillmere/a.jpg (jp), " + Ask("/two/")},
    {"Cancel at the question", {{"/i/a.png"}}, {IdCancel}, {.notReached = 1, .endedEarly = true},
     Ask("/i/")},
    {"a folder that cannot be made ends the batch with its reason",
     {{"/ro/a.png"}, {"/have/b.png"}}, {IdYes, IdOk}, {.notReached = 2, .endedEarly = true},
     Ask("/ro/") + "mkdir /ro/Quillmere/, 0 Couldn't create dir (read-only file system), "},
    {"Cancel after a failure", {{"/have/bad.png"}, {"/have/c.png"}}, {IdCancel},
     {.failed = 1, .notReached = 1, .endedEarly = true},
     "?" + Failed("/have/bad.png", "the picture is damaged or cut short")},
    {"a source that cannot be read fails without a question; every failure has its reason",
     {{"/new/gone.png"}, {"/have/throw.png"}, {"/have/odd.png"}, {"/have/full/x.png"}},
     {IdOk, IdOk, IdOk, IdOk}, {.failed = 4},
     Failed("/new/gone.png", "no such file or directory") + "?" +
     Failed("/have/throw.png", "the decoder gave up") + "?" +
     Failed("/have/odd.png", "the conversion failed for a reason it did not give") +
     "?write /have/full/Quillmere/x.jpg (jp), " +
     Failed("/have/full/x.png", "cannot write Quillmere/x.jpg: No space left on device")},
    {"a Quillmere folder that leads back home fails each of its pictures before any is written",
     {{"/have/loop/a.png"}, {"/have/loop/a.jpg"}, {"/have/b.png"}}, {IdOk, IdOk}, {.converted = 1, .failed = 2},
     "?" + Failed("/have/loop/a.png", loopsBack) + "?" + Failed("/have/loop/a.jpg", loopsBack) +
     "?write /have/Quillmere/b.jpg (jp), "},
    {"a Quillmere link planted by another user is refused", {{"/planted/a.png"}}, {IdOk},
     {.failed = 1}, "?" + Failed("/planted/a.png", "the Quillmere folder is a link owned by another user")},
    {"a stop during a question ends the batch when it is answered",
     {{"/i/a.png"}, {"/i/b.png"}}, {IdYes}, {.notReached = 2, .endedEarly = true, .stopped = true},
     Ask("/i/"), 2},
    {"a stop while an output is written keeps that output",
     {{"/have/a.png"}, {"/have/b.png"}, {"/have/c.png"}}, {},
     {.converted = 1, .notReached = 2, .endedEarly = true, .stopped = true},
     "?write /have/Quillmere/a.jpg (jp), ", 2},
    // A source that an earlier item's output replaces is read after that write, however the
    // paths alias and even when its conversion read it before.
    {"a link to an old copy", {{"/have/a.jpg"}, {"/have/link.jpg"}}, {}, {.converted = 2},
     "?write /have/Quillmere/a.jpg (jp), ?write /have/Quillmere/link.jpg (jjp), ", -1, true},
    {"a copy reached through a linked folder", {{"/x/a.jpg"}, {"/y/Quillmere/a.jpg"}},
     {IdYes, IdYes}, {.converted = 2}, Ask("/x/") + "mkdir /x/Quillmere/, write /x/Quillmere/a.jpg "
     "(jp), " + Ask("/y/Quillmere/") + "mkdir /y/Quillmere/Quillmere/, write "
     "/y/Quillmere/Quillmere/a.jpg (jjp), ", -1, true},
    {"a copy made earlier in the drop is converted once written",
     {{"/have/a.png"}, {"/have/Quillmere/a.jpg"}}, {}, {.converted = 2},
     "?write /have/Quillmere/a.jpg (jp), ?write /have/Quillmere/Quillmere/a.jpg (jjp), "},
    {"an empty drop", {}, {}, {}, ""},
};
// clang-format on

} // namespace

// Each drop runs on scripted answers, one conversion at a time and four, with the encoder saying
// which file it read or not: every step, in order, and the outcome are checked on every way out.
TEST(DropBatch, FollowsTheAnswersToEveryWayOut) {
    for (const Case& c : cases)
        for (const int jobs : {1, 4})
            for (const bool reportSource : {false, true}) {
                SCOPED_TRACE(std::string(c.name) + ", jobs " + std::to_string(jobs) +
                             (reportSource ? ", the file read told" : ""));
                const auto readEarly = [&c](FakeDesk& desk, FakeEncoder& encoder) {
                    desk.onWrite = [&](const std::string& output) {
                        if (c.early && output == CopyOf(c.drop[0].path)) {
                            EXPECT_TRUE(Eventually([&] { return encoder.Asked(c.drop[1].path); }));
                        }
                    };
                };
                const Ran run = RunWith(c.drop, c.answers,
                                        {.jobs = jobs,
                                         .stopAt = c.stopAt,
                                         .reportSource = reportSource,
                                         .prepare = readEarly});
                EXPECT_EQ(run.log, c.steps);
                ExpectOutcome(run.outcome, c.outcome);
                EXPECT_EQ(run.asked, c.answers.size()) << "a scripted answer was never asked for";
            }
}

// Whatever the drop (with links, copies and folders that lead back), the answers, the point of a
// stop and the order in which conversions finish, the engine shows and writes what the batch
// one item at a time does: the same questions in the same order, the same writes, the same
// counts. Conversions never run further ahead than the jobs allow, nor more at once.
TEST(DropBatch, RunningAheadChangesNothingSeen) {
    const char* const folders[] = {"/have/", "/a/", "/ro/",       "/have/full/",
                                   "/x/",    "/y/", "/have/loop/"};
    const char* const names[] = {"p.png",     "bad.png", "gone.png", "q.jpg",
                                 "throw.gif", "odd",     "a.jpg"};
    const char* const aliases[] = {"/x/a.jpg",           "/y/a.jpg",
                                   "/x/Quillmere/a.jpg", "/y/Quillmere/a.jpg",
                                   "/have/link.jpg",     "/y/Quillmere/Quillmere/a.jpg",
                                   "/have/a.jpg"};
    const int answerSet[] = {IdYes, IdYes, IdYes, IdNo, IdOk, IdOk, IdCancel};
    std::minstd_rand random(20261207);
    for (int round = 0; round < 400; ++round) {
        std::vector<DroppedItem> drop(random() % 12);
        for (std::size_t i = 0; i < drop.size(); ++i) {
            const auto kind = random() % 10;
            const std::string name = std::to_string(i) + names[random() % 7];
            if (kind == 0)
                drop[i] = {"https://example.org/" + name, false};
            else if (kind < 3 && i > 0) // the copy that one of the last two items gets
                drop[i] = {CopyOf(drop[i - 1 - random() % std::min<std::size_t>(i, 2)].path)};
            else if (kind < 6)
                drop[i] = {aliases[random() % 7]};
            else
                drop[i] = {std::string(folders[random() % 7]) + name};
        }
        std::vector<int> answers(random() % 10);
        for (int& answer : answers)
            answer = answerSet[random() % 7];
        Setting setting{.jobs = 1 + int(random() % 8),
                        .seed = unsigned(random()),
                        .stopAt = random() % 3 == 0 ? int(random() % 12) + 1 : -1,
                        .reportSource = random() % 2 == 0};
        if (random() % 2 == 0)
            setting.prepare = [](FakeDesk& desk, FakeEncoder&) {
                desk.made.insert("/x/Quillmere/");
                desk.Put("/x/Quillmere/a.jpg", "old");
            };
        SCOPED_TRACE("round " + std::to_string(round) + ", jobs " + std::to_string(setting.jobs));

        FakeEncoder seen;
        const Ran ahead = RunWith(drop, answers, setting, &seen);
        setting.oneAtATime = true;
        const Ran one = RunWith(drop, answers, setting);
        EXPECT_EQ(ahead.log, one.log);
        ExpectOutcome(ahead.outcome, one.outcome);
        EXPECT_EQ(ahead.asked, one.asked);
        EXPECT_LE(seen.mostRunning, setting.jobs);
        EXPECT_FALSE(seen.tooFarAhead);
        EXPECT_EQ(seen.running, 0) << "a conversion outlived its batch";
    }
}

// Conversions that would never end by themselves are cancelled: by a No that ends the batch, by
// a stop during a question before it is answered, and by a stop while the loop waits for one.
TEST(DropBatch, CancelsConversionsInFlight) {
    std::vector<DroppedItem> drop{{"/new/a.png"}};
    for (int i = 1; i <= 4; ++i)
        drop.push_back({"/have/slow" + std::to_string(i)});
    for (const bool stopAtQuestion : {false, true}) {
        SCOPED_TRACE(stopAtQuestion ? "a stop during the question" : "a No");
        FakeEncoder seen;
        const auto prepare = [&](FakeDesk& desk, FakeEncoder&) {
            // The question comes once every worker converts; a stop ends them before it is
            // answered.
            desk.onSource = [&](const std::string&) {
                EXPECT_TRUE(Eventually([&] { return seen.running == 4; }));
            };
            if (stopAtQuestion)
                desk.onMessage = [&](const std::string&) {
                    desk.stop.request_stop();
                    EXPECT_TRUE(Eventually([&] { return seen.cancelled == 4; }))
                        << "the stop left them running";
                };
        };
        const Ran run =
            RunWith(drop, {stopAtQuestion ? IdYes : IdNo}, {.jobs = 4, .prepare = prepare}, &seen);
        EXPECT_EQ(run.log, Ask("/new/"));
        ExpectOutcome(run.outcome,
                      {.notReached = 5, .endedEarly = true, .stopped = stopAtQuestion});
        EXPECT_EQ(seen.cancelled, 4);
        EXPECT_EQ(seen.running, 0);
    }

    FakeEncoder seen;
    const auto stopWhenConverting = [&](FakeDesk& desk, FakeEncoder&) {
        desk.onSource = [&](const std::string&) {
            desk.helper = std::jthread([&] {
                EXPECT_TRUE(Eventually([&] { return seen.running == 1; }));
                desk.stop.request_stop();
            });
        };
    };
    const Ran run =
        RunWith({{"/have/slow.png"}, {"/have/b.png"}}, {}, {.prepare = stopWhenConverting}, &seen);
    EXPECT_EQ(run.log, "?");
    ExpectOutcome(run.outcome, {.notReached = 2, .endedEarly = true, .stopped = true});
}

// Items the loop passes by (a source it cannot read) are let go of: the conversion of one is
// cancelled, and one that has not started never does. The only worker is held in the first
// item until the loop has passed the next two.
TEST(DropBatch, LetsGoOfPassedItemsWithoutStartingThem) {
    FakeEncoder seen;
    std::atomic<bool> passed{false};
    const auto hold = [&](FakeDesk& desk, FakeEncoder& encoder) {
        desk.onSource = [&](const std::string& path) {
            if (path == "/have/gone0") {
                EXPECT_TRUE(Eventually([&] { return encoder.Asked(path); }));
            }
        };
        desk.onMessage = [&](const std::string& text) { passed = passed || text == "/have/gone2"; };
        encoder.onStart = [&](const std::string& source, std::stop_token stop) {
            if (source != "/have/gone0")
                return;
            EXPECT_TRUE(Eventually([&] { return stop.stop_requested(); }))
                << "a passed item still converts";
            EXPECT_TRUE(Eventually([&] { return passed.load(); }));
        };
    };
    const Ran run = RunWith({{"/have/gone0"}, {"/have/gone1"}, {"/have/gone2"}, {"/have/b3"}},
                            {IdOk, IdOk, IdOk}, {.prepare = hold}, &seen);
    EXPECT_FALSE(seen.Asked("/have/gone1"));
    EXPECT_FALSE(seen.Asked("/have/gone2"));
    ExpectOutcome(run.outcome, {.converted = 1, .failed = 3});
}

// When not every worker thread can start, the ones that did do the work; when none can, the
// batch ends with the error before anything is asked or written. Neither waits for ever.
TEST(DropBatch, CarriesOnWithTheWorkersThatStart) {
    const std::vector<DroppedItem> drop{{"/have/a.png"}, {"/have/b.png"}, {"/have/c.png"}};
    const Ran one = RunWith(drop, {}, {.jobs = 4, .workersStarting = 1});
    EXPECT_FALSE(one.threw);
    EXPECT_EQ(one.log, "?write /have/Quillmere/a.jpg (jp), ?write /have/Quillmere/b.jpg (jp), "
                       "?write /have/Quillmere/c.jpg (jp), ");
    const Ran none = RunWith(drop, {}, {.jobs = 4, .workersStarting = 0});
    EXPECT_TRUE(none.threw);
    EXPECT_EQ(none.log, "");
}
