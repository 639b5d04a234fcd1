#include "DropBatch.h"
#include "OutputPaths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <random>
#include <set>
#include <thread>

namespace {

// Sources tell the fakes what becomes of them: "/gone" cannot be read, "/bad" does not decode,
// "/throw" makes the encoder throw, "/slow" converts until it is cancelled, "/full/" cannot be
// written; folders under "/have/" exist and those under "/ro/" cannot be made.
bool Has(const std::string& path, const char* part) {
    return path.find(part) != std::string::npos;
}

// Answers from a script (Cancel once it is used up) and logs, in order, each folder test ('?'),
// message, folder made and output written: everything the person sees or the disk holds. The
// stop is requested at the event numbered stopAt.
struct FakeDesk final : Prompts, FileSystem {
    std::vector<int> answers;
    std::string log;
    std::size_t asked = 0;
    std::set<std::string> made;
    std::mutex mutex;
    std::set<std::string> written; // read by the encoder's threads
    std::stop_source stop;
    int events = 0, stopAt = -1;

    void Event(const std::string& text) {
        log += text;
        if (++events == stopAt)
            stop.request_stop();
    }
    int ShowMessage(const std::string& text, unsigned style, const std::string& detail) override {
        Event(std::to_string(style) + " " + text + (detail.empty() ? "" : " (" + detail + ")") +
              ", ");
        return asked < answers.size() ? answers[asked++] : IdCancel;
    }
    std::string SourceProblem(const std::string& path) override {
        return Has(path, "/gone") ? "No such file or directory" : "";
    }
    bool SameFile(const std::string& a, const std::string& b) override { return a == b; }
    bool Exists(const std::string& path) override {
        Event("?");
        return path.starts_with("/have/") || made.contains(path);
    }
    std::string MakeFolder(const std::string& path) override {
        Event("mkdir " + path + ", ");
        if (path.starts_with("/ro/"))
            return "Read-only file system";
        made.insert(path);
        return {};
    }
    std::string WriteOutput(const std::string&, const std::string& output,
                            std::span<const unsigned char> bytes) override {
        Event("write " + output + " (" + std::string(bytes.begin(), bytes.end()) + "), ");
        if (Has(output, "/full/"))
            return "No space left on device";
        const std::lock_guard lock(mutex);
        written.insert(output);
        return {};
    }
};

// Converts into "jpeg", or "jpeg of copy" when an earlier item of the drop wrote the
// source, after a delay drawn from the source's name and the seed, so that conversions finish
// in any order; gives up when cancelled. Records how many ran at once and whether any ran
// further ahead of the loop than the jobs allow.
struct FakeEncoder {
    FakeDesk* desk = nullptr;
    unsigned seed = 0;
    int jobs = 1;
    std::atomic<int> running{0}, mostRunning{0}, cancelled{0};
    std::atomic<std::size_t> loopAt{0};
    std::atomic<bool> tooFarAhead{false};
    std::vector<std::string> sources; // the drop's paths, to find an item's place

    Encoded operator()(const std::string& source, std::stop_token stop) {
        const auto place =
            std::size_t(std::find(sources.begin(), sources.end(), source) - sources.begin());
        // Past the item in the loop's hands, twice the jobs may be converting or finished.
        if (place > loopAt + 2 * std::size_t(jobs))
            tooFarAhead = true;
        const int now = ++running;
        for (int most = mostRunning; now > most && !mostRunning.compare_exchange_weak(most, now);)
            ;
        std::minstd_rand random(seed + unsigned(std::hash<std::string>{}(source)));
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::microseconds(random() % 3000);
        while ((Has(source, "/slow") || std::chrono::steady_clock::now() < until) &&
               !stop.stop_requested())
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        --running;
        if (stop.stop_requested()) {
            ++cancelled;
            return {{}, "stopped"};
        }
        if (Has(source, "/throw"))
            throw std::runtime_error("the decoder gave up");
        if (Has(source, "/bad"))
            return {{}, "the picture is damaged or cut short"};
        const std::lock_guard lock(desk->mutex);
        const std::string bytes = desk->written.contains(source) ? "jpeg of copy" : "jpeg";
        return {{bytes.begin(), bytes.end()}, {}};
    }
};

struct Outcome {
    std::string log;
    std::vector<int> outcome; // converted, failed, not reached, ended early, stopped
    std::size_t asked = 0;
};

Outcome RunWith(const std::vector<DroppedItem>& drop, const std::vector<int>& answers, int jobs,
                unsigned seed, int stopAt = -1, FakeEncoder* seen = nullptr) {
    FakeDesk desk;
    desk.answers = answers;
    desk.stopAt = stopAt;
    FakeEncoder local;
    FakeEncoder& encoder = seen ? *seen : local;
    encoder.desk = &desk;
    encoder.seed = seed;
    encoder.jobs = jobs;
    for (const DroppedItem& item : drop)
        encoder.sources.push_back(item.path);
    BatchOptions options;
    options.jobs = jobs;
    options.onItem = [&](std::size_t index, const DroppedItem&) { encoder.loopAt = index; };
    const BatchOutcome o = RunDropBatch(
        drop, desk, desk,
        [&](const std::string& source, std::stop_token stop) { return encoder(source, stop); },
        options, desk.stop.get_token());
    return {desk.log, {o.converted, o.failed, o.notReached, o.endedEarly, o.stopped}, desk.asked};
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

const std::string longFolder = "/have/" + std::string(300, 'd') + "/";

struct Case {
    const char* name;
    std::vector<DroppedItem> drop;
    std::vector<int> answers, outcome; // outcome: converted, failed, not reached, early, stopped
    std::string steps;
    int stopAt = -1;
};

// clang-format off
const Case cases[] = {
    {"one question for a folder's files, any answer but Cancel goes on, long paths whole",
     {{"/i/a.png"}, {"/i/bad.gif"}, {"/i/c"}, {"sftp://host/e.png", false}, {longFolder + "e.png"}},
     {IdYes, IdOk, IdNo}, {3, 2, 0, 0, 0}, Ask("/i/") + "mkdir /i/Quillmere/, write "
     "/i/Quillmere/a.jpg (jpeg), ?49 /i/bad.gif (the picture is damaged or cut short), ?write "
     "/i/Quillmere/c.jpg (jpeg), 49 sftp://host/e.png (not a file on this computer), ?write " +
     longFolder + "Quillmere/e.jpg (jpeg), "},
    {"No at the second folder keeps the first file's copy",
     {{"/one/a.png"}, {"/two/b.png"}, {"/one/c.png"}}, {IdYes, IdNo}, {1, 0, 2, 1, 0},
     Ask("/one/") + "mkdir /one/Quillmere/, write /one/Quillmere/a.jpg (jpeg), " + Ask("/two/")},
    {"Cancel at the question", {{"/i/a.png"}}, {IdCancel}, {0, 0, 1, 1, 0}, Ask("/i/")},
    {"a folder that cannot be made ends the batch with its reason",
     {{"/ro/a.png"}, {"/have/b.png"}}, {IdYes, IdOk}, {0, 0, 2, 1, 0},
     Ask("/ro/") + "mkdir /ro/Quillmere/, 0 Couldn't create dir (Read-only file system), "},
    {"Cancel after a failure", {{"/have/bad.png"}, {"/have/c.png"}}, {IdCancel}, {0, 1, 1, 1, 0},
     "?49 /have/bad.png (the picture is damaged or cut short), "},
    {"a source that cannot be read fails without a folder question",
     {{"/new/gone.png"}, {"/have/throw.png"}, {"/have/full/x.png"}}, {IdOk, IdOk, IdOk},
     {0, 3, 0, 0, 0}, "49 /new/gone.png (No such file or directory), ?49 /have/throw.png (the "
     "decoder gave up), ?write /have/full/Quillmere/x.jpg (jpeg), 49 /have/full/x.png (No space left on "
     "device), "},
    {"a stop during a question ends the batch when it is answered",
     {{"/i/a.png"}, {"/i/b.png"}}, {IdYes}, {0, 0, 2, 1, 1}, Ask("/i/"), 2},
    {"a stop while an output is written keeps that output",
     {{"/have/a.png"}, {"/have/b.png"}, {"/have/c.png"}}, {}, {1, 0, 2, 1, 1},
     "?write /have/Quillmere/a.jpg (jpeg), ", 2},
    {"a copy made earlier in the drop is converted once written",
     {{"/have/a.png"}, {"/have/Quillmere/a.jpg"}}, {}, {2, 0, 0, 0, 0},
     "?write /have/Quillmere/a.jpg (jpeg), ?write /have/Quillmere/Quillmere/a.jpg (jpeg of copy), "},
    {"an empty drop", {}, {}, {0, 0, 0, 0, 0}, ""},
};
// clang-format on

} // namespace

// Each drop runs on scripted answers, one conversion at a time and four: every step, in order,
// and the outcome are checked on every way out.
TEST(DropBatch, FollowsTheAnswersToEveryWayOut) {
    for (const Case& c : cases) {
        for (const int jobs : {1, 4}) {
            SCOPED_TRACE(std::string(c.name) + ", jobs " + std::to_string(jobs));
            const Outcome run = RunWith(c.drop, c.answers, jobs, 1, c.stopAt);
            EXPECT_EQ(run.log, c.steps);
            EXPECT_EQ(run.outcome, c.outcome);
            EXPECT_EQ(run.asked, c.answers.size()) << "a scripted answer was never asked for";
        }
    }
}

// Whatever the drop, the answers, the point of a stop and the order in which conversions
// finish, running ahead on several workers changes nothing a person sees or the disk holds:
// the same questions in the same order, the same writes, the same counts as one at a time.
// Conversions never run further ahead than the jobs allow, nor more at once.
TEST(DropBatch, RunningAheadChangesNothingSeen) {
    const char* const folders[] = {"/have/", "/a/", "/b/", "/ro/", "/have/full/"};
    const char* const names[] = {"p.png", "bad.png", "gone.png", "q.jpg", "throw.gif", "r"};
    const int answerSet[] = {IdYes, IdYes, IdYes, IdNo, IdOk, IdOk, IdCancel};
    std::minstd_rand random(20261207);
    for (int round = 0; round < 300; ++round) {
        std::vector<DroppedItem> drop(random() % 12);
        for (std::size_t i = 0; i < drop.size(); ++i) {
            const auto kind = random() % 10;
            const std::string name = std::to_string(i) + names[random() % 6];
            if (kind == 0)
                drop[i] = {"https://example.org/" + name, false};
            else if (kind < 3 && i > 0) // the copy that one of the last two items gets
                drop[i] = {CopyOf(drop[i - 1 - random() % std::min<std::size_t>(i, 2)].path)};
            else
                drop[i] = {std::string(folders[random() % 5]) + name};
        }
        std::vector<int> answers(random() % 10);
        for (int& answer : answers)
            answer = answerSet[random() % 7];
        const int stopAt = random() % 3 == 0 ? int(random() % 12) + 1 : -1;
        const auto seed = unsigned(random());
        const int jobs = 2 + int(random() % 7);
        SCOPED_TRACE("round " + std::to_string(round) + ", jobs " + std::to_string(jobs));

        const Outcome one = RunWith(drop, answers, 1, seed, stopAt);
        FakeEncoder seen;
        const Outcome ahead = RunWith(drop, answers, jobs, seed, stopAt, &seen);
        EXPECT_EQ(ahead.log, one.log);
        EXPECT_EQ(ahead.outcome, one.outcome);
        EXPECT_LE(seen.mostRunning, jobs);
        EXPECT_FALSE(seen.tooFarAhead);
        EXPECT_EQ(seen.running, 0) << "a conversion outlived its batch";
    }
}

// Conversions that would never end by themselves are cancelled when a No ends the batch, and a
// stop from another thread ends a batch that waits for one; nothing is written.
TEST(DropBatch, CancelsConversionsInFlight) {
    std::vector<DroppedItem> drop;
    for (int i = 0; i < 8; ++i)
        drop.push_back({(i == 0 ? "/new/slow" : "/have/slow") + std::to_string(i)});
    FakeEncoder seen;
    EXPECT_EQ(RunWith(drop, {IdNo}, 4, 7, -1, &seen).log, Ask("/new/"));
    EXPECT_EQ(seen.running, 0);

    FakeDesk desk;
    seen.desk = &desk;
    std::jthread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        desk.stop.request_stop();
    });
    const BatchOutcome o = RunDropBatch(
        {{"/have/slow.png"}, {"/have/b.png"}}, desk, desk,
        [&](const std::string& source, std::stop_token stop) { return seen(source, stop); },
        {.jobs = 2, .onItem = {}}, desk.stop.get_token());
    EXPECT_TRUE(o.stopped);
    EXPECT_EQ(o.notReached, 2);
    EXPECT_EQ(desk.log, "?");
}
