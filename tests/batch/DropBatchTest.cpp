#include "DropBatch.h"
#include "FakeDesk.h"
#include "Lookahead.h"
#include "OutputPaths.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <future>
#include <pthread.h>

using namespace std::chrono_literals;

// Thread starts that succeed before the next one fails, or -1 for all.
static std::atomic<int> threadsLeft{-1};

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

// Waits until the condition holds, at most ten seconds; says whether it came.
bool Eventually(const std::function<bool()>& holds) {
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (!holds() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(1ms);
    return holds();
}

// The batch one item at a time, with nothing converted ahead: what the engine must match.
BatchOutcome OneAtATime(const std::vector<DroppedItem>& drop, FakeDesk& desk) {
    const std::stop_token stop = desk.stop.get_token();
    BatchOutcome o;
    const auto end = [&](std::size_t first) {
        return BatchOutcome{o.converted, o.failed, int(drop.size() - first), true,
                            stop.stop_requested()};
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
                e = desk(p.path, stop);
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
                why = "cannot write Quillmere/" + output.substr(output.rfind('/') + 1) + ": " + why;
        }
        ++o.failed;
        if (desk.ShowMessage(p.path, 49, why) == IdCancel)
            return end(i + 1);
    }
    return o;
}

// The counts of the drop run on the desk, by the engine or by the one-at-a-time loop, with
// workersStarting worker threads able to start (-1: all); none when it threw. It runs on a
// thread of its own; a run that is still going after a minute fails and ends the program, since
// a thread that hangs cannot be taken back.
std::vector<int> RunDrop(FakeDesk& desk, const std::vector<DroppedItem>& drop,
                         bool oneAtATime = false, int workersStarting = -1) {
    desk.drop = drop;
    const BatchOptions options{
        .jobs = desk.jobs,
        .onItem = [&](std::size_t index, const DroppedItem&) { desk.loopAt = index; }};
    std::vector<int> counts;
    std::packaged_task<void()> run([&] {
        desk.loop = std::this_thread::get_id();
        threadsLeft = workersStarting;
        try {
            counts = Counts(oneAtATime ? OneAtATime(drop, desk)
                                       : RunDropBatch(drop, desk, desk, std::ref(desk), options,
                                                      desk.stop.get_token()));
        } catch (const std::system_error&) {
        }
        threadsLeft = -1;
    });
    std::future<void> ended = run.get_future();
    std::thread(std::move(run)).detach();
    if (ended.wait_for(60s) == std::future_status::timeout) {
        ADD_FAILURE() << "still running after a minute: it would hang";
        std::fflush(stdout);
        std::_Exit(1);
    }
    ended.get(); // what else it threw
    return counts;
}

} // namespace

// Whatever the drop (with links, copies and folders that lead back), the answers, the point of a
// stop and the order in which conversions finish, the engine shows and writes what the batch
// one item at a time does: the same questions in the same order, the same writes, the same
// counts. Conversions never run further ahead than the jobs allow, nor more at once.
TEST(DropBatch, RunningAheadChangesNothingSeen) {
    // Every way a path can go wrong, and a folder's path longer than a path's usual limit.
    const std::string deep = "/have/" + std::string(300, 'd') + "/";
    const std::string folders[] = {"/have/", "/a/",         "/ro/",      "/have/full/", "/x/",
                                   "/y/",    "/have/loop/", "/planted/", deep};
    const char* const names[] = {"p.png",     "bad.png", "gone.png", "q.jpg",
                                 "throw.gif", "odd",     "a.jpg"};
    const char* const aliases[] = {"/x/a.jpg",           "/y/a.jpg",
                                   "/x/Quillmere/a.jpg", "/y/Quillmere/a.jpg",
                                   "/have/link.jpg",     "/y/Quillmere/Quillmere/a.jpg",
                                   "/have/a.jpg"};
    const int answerSet[] = {IdYes, IdYes, IdYes, IdNo, IdOk, IdOk, IdCancel};
    std::minstd_rand random(20261207);
    const auto any = [&random](const auto& from) { return from[random() % std::size(from)]; };
    for (int round = 0; round < 1000; ++round) {
        std::vector<DroppedItem> drop(random() % 12);
        for (std::size_t i = 0; i < drop.size(); ++i) {
            const auto kind = random() % 10;
            if (kind == 0)
                drop[i] = {"https://example.org/" + std::to_string(i), false};
            else if (kind < 3 && i > 0) { // the copy that one of the last two items gets
                PathParts source;
                source.path = drop[i - 1 - random() % std::min<std::size_t>(i, 2)].path;
                drop[i] = {OutputFilePath(source)};
            } else if (kind < 7)
                drop[i] = {any(aliases)};
            else { // the name comes whole, so that the fakes see what it means
                drop[i] = {any(folders)};
                drop[i].path += any(names);
            }
        }
        std::vector<int> answers(random() % 10);
        for (int& answer : answers)
            answer = any(answerSet);
        const int jobs = 1 + int(random() % 8);
        const unsigned seed = unsigned(random());
        const int stopAt = random() % 3 == 0 ? int(random() % 12) + 1 : -1;
        const bool reportSource = random() % 2 == 0, oldCopy = random() % 2 == 0;
        SCOPED_TRACE("round " + std::to_string(round) + ", jobs " + std::to_string(jobs));
        FakeDesk ahead, one;
        for (FakeDesk* desk : {&ahead, &one}) {
            desk->answers = answers;
            desk->jobs = jobs;
            desk->seed = seed;
            desk->stopAt = stopAt;
            desk->reportSource = reportSource;
            if (oldCopy) {
                desk->made.insert("/x/Quillmere/");
                desk->Put("/x/Quillmere/a.jpg", "old");
            }
        }
        EXPECT_EQ(RunDrop(ahead, drop), RunDrop(one, drop, true));
        EXPECT_EQ(ahead.log, one.log);
        EXPECT_EQ(ahead.tooMany, 0);
        EXPECT_EQ(ahead.tooFarAhead, 0);
        EXPECT_EQ(ahead.running, 0) << "a conversion outlived its batch";
    }
}

// Conversions that would never end by themselves are cancelled: by a No that ends the batch, and
// by a stop during a question, before it is answered.
TEST(DropBatch, CancelsConversionsInFlight) {
    const std::vector<DroppedItem> drop{
        {"/new/a.png"}, {"/have/slow1"}, {"/have/slow2"}, {"/have/slow3"}, {"/have/slow4"}};
    for (const bool stopAtQuestion : {false, true}) {
        SCOPED_TRACE(stopAtQuestion ? "a stop during the question" : "a No");
        FakeDesk desk;
        desk.jobs = 4;
        desk.answers = {stopAtQuestion ? IdYes : IdNo};
        // The question comes once every worker converts.
        desk.onSource = [&](const std::string&) {
            EXPECT_TRUE(Eventually([&] { return desk.running == 4; }));
        };
        if (stopAtQuestion)
            desk.onMessage = [&](const std::string&) {
                desk.stop.request_stop();
                EXPECT_TRUE(Eventually([&] { return desk.cancelled == 4; }))
                    << "the stop left them running";
            };
        EXPECT_EQ(RunDrop(desk, drop), (std::vector<int>{0, 0, 5, 1, 0, stopAtQuestion}));
    }
}

// Items the loop passes by (a source it cannot read) are let go of: the conversion of one is
// cancelled, and one that has not started never does. The only worker is held in the first
// item until the loop has passed the next two.
TEST(DropBatch, LetsGoOfPassedItemsWithoutStartingThem) {
    FakeDesk desk;
    desk.answers = {IdOk, IdOk, IdOk};
    desk.onSource = [&](const std::string& path) { // the worker is in gone0 when it is checked
        if (path == "/have/gone0") {
            EXPECT_TRUE(Eventually([&] { return desk.Started(path); }));
        }
    };
    desk.onStart = [&](const std::string& source, std::stop_token stop) {
        if (source != "/have/gone0")
            return;
        EXPECT_TRUE(Eventually([&] { return stop.stop_requested(); }))
            << "a passed item still converts";
        EXPECT_TRUE(Eventually([&] { return desk.asked == 3; })) << "the loop passed gone2";
    };
    EXPECT_EQ(RunDrop(desk, {{"/have/gone0"}, {"/have/gone1"}, {"/have/gone2"}, {"/have/b3"}}),
              (std::vector<int>{1, 3, 0, 0, 0, 0}));
    EXPECT_FALSE(desk.Started("/have/gone1"));
    EXPECT_FALSE(desk.Started("/have/gone2"));
}

// When not every worker thread can start, the ones that did do the work; when none can, the
// batch ends with the error before anything is asked or written. Neither waits for ever.
TEST(DropBatch, CarriesOnWithTheWorkersThatStart) {
    const std::vector<DroppedItem> drop{{"/have/a.png"}, {"/have/b.png"}, {"/have/c.png"}};
    FakeDesk one, none;
    one.jobs = none.jobs = 4;
    EXPECT_EQ(RunDrop(one, drop, false, 1), (std::vector<int>{3, 0, 0, 0, 0, 0}));
    EXPECT_EQ(RunDrop(none, drop, false, 0), std::vector<int>()) << "no error";
    EXPECT_EQ(none.log, "");
}

// While the loop stays at the first item, the workers run as far ahead as small JPEGs allow, and
// only twice the jobs ahead when the finished JPEGs are large.
TEST(Lookahead, RunsAheadAsFarAsTheHeldJpegsAllow) {
    for (const auto& [name, jpegBytes, most] :
         {std::tuple{"small JPEGs", 100'000u, 16u}, std::tuple{"large JPEGs", 20'000'000u, 4u}}) {
        SCOPED_TRACE(name);
        const std::vector<DroppedItem> drop(40, DroppedItem{"/a.png"});
        std::atomic<std::size_t> started{0};
        const Encoder encode = [&](const std::string&, std::stop_token) {
            ++started;
            return Encoded{std::vector<unsigned char>(jpegBytes), ""};
        };
        Lookahead ahead(drop, std::vector<std::size_t>(drop.size()), encode, 2, {});
        Eventually([&] { return started >= most; });
        std::this_thread::sleep_for(100ms); // time enough to start one too many
        EXPECT_EQ(started, most);
    }
}
