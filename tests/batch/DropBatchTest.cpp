#include "DropBatch.h"
#include "FakeDesk.h"
#include "OutputPaths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <dlfcn.h>
#include <functional>
#include <future>
#include <pthread.h>
#include <random>
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

// The batch one item at a time, with nothing converted ahead: what the engine must match.
BatchOutcome OneAtATime(const std::vector<DroppedItem>& drop, FakeDesk& desk,
                        const Encoder& encode) {
    const std::stop_token stop = desk.stop.get_token();
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
        const std::string folder = OutputFolderPath(p), output = OutputFilePath(p);
        std::string why =
            drop[i].isLocalFile ? desk.SourceProblem(p.path) : "not a file on this computer";
        if (why.empty() && !desk.Exists(folder)) {
            if (desk.ShowMessage("Directory doesn't exist:  " + folder + "\n\nCreate it?", 36,
                                 {}) != IdYes ||
                stop.stop_requested())
                return end(i);
            if (const std::string problem = desk.MakeFolder(folder); !problem.empty()) {
                desk.ShowMessage("Couldn't create dir", 0, problem);
                return end(i);
            }
        }
        if (why.empty())
            why = desk.OutputFolderRefusal(p.path, folder);
        if (why.empty()) {
            Encoded e;
            try {
                e = encode(p.path, stop);
            } catch (const std::exception& error) {
                e.failure = error.what();
            } catch (...) {
                e.failure = "the conversion failed for a reason it did not give";
            }
            if (stop.stop_requested())
                return end(i);
            why = e.failure.empty() ? desk.WriteOutput(p.path, output, e.bytes) : e.failure;
            if (why.empty()) {
                ++o.converted;
                continue;
            }
            if (e.failure.empty())
                why = "cannot write " + output.substr(p.DirectoryPart().size()) + ": " + why;
        }
        ++o.failed;
        if (desk.ShowMessage(p.path, 49, why) == IdCancel)
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
    const BatchOptions options{
        .jobs = setting.jobs,
        .onItem = [&](std::size_t index, const DroppedItem&) { encoder.loopAt = index; }};
    Ran run;
    Within(60s, [&] {
        encoder.loop = std::this_thread::get_id();
        threadsLeft = setting.workersStarting;
        try {
            run.outcome = setting.oneAtATime ? OneAtATime(drop, desk, std::ref(encoder))
                                             : RunDropBatch(drop, desk, desk, std::ref(encoder),
                                                            options, desk.stop.get_token());
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

} // namespace

// Whatever the drop (with links, copies and folders that lead back), the answers, the point of a
// stop and the order in which conversions finish, the engine shows and writes what the batch
// one item at a time does: the same questions in the same order, the same writes, the same
// counts. Conversions never run further ahead than the jobs allow, nor more at once.
TEST(DropBatch, RunningAheadChangesNothingSeen) {
    // Every way a path can go wrong, and a folder's path longer than a path's usual limit.
    const std::string folders[] = {
        "/have/",      "/a/",       "/ro/",
        "/have/full/", "/x/",       "/y/",
        "/have/loop/", "/planted/", "/have/" + std::string(300, 'd') + "/"};
    const char* const names[] = {"p.png",     "bad.png", "gone.png", "q.jpg",
                                 "throw.gif", "odd",     "a.jpg"};
    const char* const aliases[] = {"/x/a.jpg",           "/y/a.jpg",
                                   "/x/Quillmere/a.jpg", "/y/Quillmere/a.jpg",
                                   "/have/link.jpg",     "/y/Quillmere/Quillmere/a.jpg",
                                   "/have/a.jpg"};
    const int answerSet[] = {IdYes, IdYes, IdYes, IdNo, IdOk, IdOk, IdCancel};
    std::minstd_rand random(20261207);
    const auto any = [&random](const auto& choices) {
        return choices[random() % std::size(choices)];
    };
    for (int round = 0; round < 1000; ++round) {
        std::vector<DroppedItem> drop(random() % 12);
        for (std::size_t i = 0; i < drop.size(); ++i) {
            const auto kind = random() % 10;
            if (kind == 0)
                drop[i] = {"https://example.org/" + std::to_string(i), false};
            else if (kind < 3 && i > 0) // the copy that one of the last two items gets
                drop[i] = {CopyOf(drop[i - 1 - random() % std::min<std::size_t>(i, 2)].path)};
            else if (kind < 7)
                drop[i] = {any(aliases)};
            else { // the name comes whole, so that the fakes see what it means
                drop[i] = {any(folders)};
                drop[i].path += any(names);
            }
        }
        std::vector<int> answers(random() % 10);
        for (int& answer : answers)
            answer = any(answerSet);
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
        EXPECT_EQ(run.log, "?36 Directory doesn't exist:  /new/Quillmere/\n\nCreate it?, ");
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
