#include "DropBatch.h"

#include <gtest/gtest.h>

#include <deque>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Everything the batch does through its seams, in the order it happens.
using Journal = std::vector<std::string>;

std::string StyleName(unsigned style) {
    return "[" + std::to_string(style) + "] ";
}

// Answers questions from a script and fails the test on one it did not expect.
class ScriptedPrompts final : public Prompts {
public:
    ScriptedPrompts(Journal& log, std::deque<int> script)
        : journal(log), answers(std::move(script)) {}

    int ShowMessage(const std::string& text, unsigned style) override {
        journal.push_back("message " + StyleName(style) + text);
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected message: " << text;
            return IdCancel;
        }
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void BeginWaitCursor() override {
        journal.push_back("cursor on");
        ++depth;
    }
    void EndWaitCursor() override {
        journal.push_back("cursor off");
        --depth;
    }

    std::size_t Unused() const { return answers.size(); }
    int depth = 0;

private:
    Journal& journal;
    std::deque<int> answers;
};

class FakeFileSystem final : public FileSystem {
public:
    FakeFileSystem(Journal& log, std::set<std::string> present, std::set<std::string> refused)
        : journal(log), existing(std::move(present)), unmakeable(std::move(refused)) {}

    bool Exists(const std::string& path) override {
        journal.push_back("exists? " + path);
        return existing.count(path) != 0;
    }
    bool MakeFolder(const std::string& path) override {
        journal.push_back("mkdir " + path);
        if (unmakeable.count(path) != 0)
            return false;
        existing.insert(path);
        return true;
    }
    bool Has(const std::string& path) const { return existing.count(path) != 0; }

private:
    Journal& journal;
    std::set<std::string> existing;
    std::set<std::string> unmakeable;
};

struct BatchCase {
    std::string name;
    std::vector<DroppedItem> drop;
    std::set<std::string> existingFolders;
    std::set<std::string> unmakeableFolders;
    std::set<std::string> failingSources;
    std::deque<int> answers;
    Journal expected; // between "cursor on", "take settings" and "cursor off"
    BatchOutcome outcome;
};

const std::string longFolder = "/data/" + std::string(300, 'd');
const std::string longSource = longFolder + "/" + std::string(120, 'n') + ".png";

std::string Question(const std::string& folder) {
    return "message [36] Directory doesn't exist:  " + folder + "\n\nCreate it?";
}

DroppedItem Remote(std::string text) {
    return {std::move(text), false};
}

std::vector<BatchCase> Cases() {
    return {
        {"folder present: no question",
         {{"/img/beach.png"}},
         {"/img/Quillmere/"},
         {},
         {},
         {},
         {"exists? /img/Quillmere/", "convert /img/beach.png -> /img/Quillmere/beach.jpg"},
         {1, 0, 0, false}},
        {"folder missing, Yes: made, then converted",
         {{"/img/beach.png"}},
         {},
         {},
         {},
         {IdYes},
         {"exists? /img/Quillmere/", Question("/img/Quillmere/"), "mkdir /img/Quillmere/",
          "convert /img/beach.png -> /img/Quillmere/beach.jpg"},
         {1, 0, 0, false}},
        {"folder missing, No: nothing written, no further message",
         {{"/img/beach.png"}, {"/img/sea.png"}},
         {},
         {},
         {},
         {IdNo},
         {"exists? /img/Quillmere/", Question("/img/Quillmere/")},
         {0, 0, 2, true}},
        {"only Yes makes the folder",
         {{"/img/beach.png"}},
         {},
         {},
         {},
         {IdCancel},
         {"exists? /img/Quillmere/", Question("/img/Quillmere/")},
         {0, 0, 1, true}},
        {"three files of one folder: one question",
         {{"/img/a.png"}, {"/img/b.gif"}, {"/img/c"}},
         {},
         {},
         {},
         {IdYes},
         {"exists? /img/Quillmere/", Question("/img/Quillmere/"), "mkdir /img/Quillmere/",
          "convert /img/a.png -> /img/Quillmere/a.jpg", "exists? /img/Quillmere/",
          "convert /img/b.gif -> /img/Quillmere/b.jpg", "exists? /img/Quillmere/",
          "convert /img/c -> /img/Quillmere/c.jpg"},
         {3, 0, 0, false}},
        {"two folders, No at the second after the first was written",
         {{"/one/a.png"}, {"/two/b.png"}, {"/one/c.png"}},
         {},
         {},
         {},
         {IdYes, IdNo},
         {"exists? /one/Quillmere/", Question("/one/Quillmere/"), "mkdir /one/Quillmere/",
          "convert /one/a.png -> /one/Quillmere/a.jpg", "exists? /two/Quillmere/",
          Question("/two/Quillmere/")},
         {1, 0, 2, true}},
        {"folders asked for one by one, each just before its file",
         {{"/one/a.png"}, {"/two/b.png"}, {"/one/c.png"}},
         {},
         {},
         {},
         {IdYes, IdYes},
         {"exists? /one/Quillmere/", Question("/one/Quillmere/"), "mkdir /one/Quillmere/",
          "convert /one/a.png -> /one/Quillmere/a.jpg", "exists? /two/Quillmere/",
          Question("/two/Quillmere/"), "mkdir /two/Quillmere/",
          "convert /two/b.png -> /two/Quillmere/b.jpg", "exists? /one/Quillmere/",
          "convert /one/c.png -> /one/Quillmere/c.jpg"},
         {3, 0, 0, false}},
        {"folder cannot be made: message, then the end",
         {{"/ro/a.png"}, {"/img/b.png"}},
         {"/img/Quillmere/"},
         {"/ro/Quillmere/"},
         {},
         {IdYes, IdOk},
         {"exists? /ro/Quillmere/", Question("/ro/Quillmere/"), "mkdir /ro/Quillmere/",
          "message [0] Couldn't create dir"},
         {0, 0, 2, true}},
        {"Cancel at a failure ends the batch",
         {{"/img/a.png"}, {"/img/broken.png"}, {"/img/c.png"}},
         {"/img/Quillmere/"},
         {},
         {"/img/broken.png"},
         {IdCancel},
         {"exists? /img/Quillmere/", "convert /img/a.png -> /img/Quillmere/a.jpg",
          "exists? /img/Quillmere/", "convert /img/broken.png -> /img/Quillmere/broken.jpg",
          "message [49] /img/broken.png"},
         {1, 1, 1, true}},
        {"OK at a failure goes on",
         {{"/img/broken.png"}, {"/img/b.png"}, {"/img/notes.txt"}},
         {"/img/Quillmere/"},
         {},
         {"/img/broken.png", "/img/notes.txt"},
         {IdOk, IdOk},
         {"exists? /img/Quillmere/", "convert /img/broken.png -> /img/Quillmere/broken.jpg",
          "message [49] /img/broken.png", "exists? /img/Quillmere/",
          "convert /img/b.png -> /img/Quillmere/b.jpg", "exists? /img/Quillmere/",
          "convert /img/notes.txt -> /img/Quillmere/notes.jpg", "message [49] /img/notes.txt"},
         {1, 2, 0, false}},
        {"only Cancel at a failure ends the batch",
         {{"/img/broken.png"}, {"/img/b.png"}},
         {"/img/Quillmere/"},
         {},
         {"/img/broken.png"},
         {IdNo},
         {"exists? /img/Quillmere/", "convert /img/broken.png -> /img/Quillmere/broken.jpg",
          "message [49] /img/broken.png", "exists? /img/Quillmere/",
          "convert /img/b.png -> /img/Quillmere/b.jpg"},
         {1, 1, 0, false}},
        {"empty drop does nothing", {}, {}, {}, {}, {}, {}, {0, 0, 0, false}},
        {"non-local item fails without a folder test",
         {Remote("https://example.org/sea.png"), {"/img/b.png"}},
         {"/img/Quillmere/"},
         {},
         {},
         {IdOk},
         {"message [49] https://example.org/sea.png", "exists? /img/Quillmere/",
          "convert /img/b.png -> /img/Quillmere/b.jpg"},
         {1, 1, 0, false}},
        {"Cancel at a non-local item ends the batch",
         {Remote("sftp://host/sea.png"), {"/img/b.png"}},
         {},
         {},
         {},
         {IdCancel},
         {"message [49] sftp://host/sea.png"},
         {0, 1, 1, true}},
        {"a long path is used whole",
         {{longSource}},
         {longFolder + "/Quillmere/"},
         {},
         {},
         {},
         {"exists? " + longFolder + "/Quillmere/", "convert " + longSource + " -> " + longFolder +
                                                       "/Quillmere/" + std::string(120, 'n') +
                                                       ".jpg"},
         {1, 0, 0, false}},
        {"a copy inside an output folder goes one level deeper",
         {{"/img/Quillmere/beach.jpg"}},
         {"/img/Quillmere/"},
         {},
         {},
         {IdYes},
         {"exists? /img/Quillmere/Quillmere/", Question("/img/Quillmere/Quillmere/"),
          "mkdir /img/Quillmere/Quillmere/",
          "convert /img/Quillmere/beach.jpg -> /img/Quillmere/Quillmere/beach.jpg"},
         {1, 0, 0, false}},
    };
}

} // namespace

// Each case runs a drop through scripted answers and checks every step the
// batch took, in order, and what it reports.
TEST(DropBatch, FollowsTheAnswersStepByStep) {
    for (const BatchCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        Journal journal;
        ScriptedPrompts prompts(journal, c.answers);
        FakeFileSystem fileSystem(journal, c.existingFolders, c.unmakeableFolders);
        const auto convert = [&](const std::string& source, const std::string& output) {
            journal.push_back("convert " + source + " -> " + output);
            EXPECT_TRUE(fileSystem.Has(output.substr(0, output.rfind('/') + 1)))
                << "converted before its folder existed";
            EXPECT_EQ(prompts.depth, 1) << "converted outside the wait cursor";
            return c.failingSources.count(source) != 0 ? 0 : 1;
        };
        const BatchOutcome outcome = RunDropBatch(c.drop, prompts, fileSystem, convert, [&] {
            EXPECT_EQ(prompts.depth, 1) << "settings taken outside the wait cursor";
            journal.push_back("take settings");
        });

        Journal expected = {"cursor on", "take settings"};
        expected.insert(expected.end(), c.expected.begin(), c.expected.end());
        expected.push_back("cursor off");
        EXPECT_EQ(journal, expected);
        EXPECT_EQ(prompts.Unused(), 0u) << "a scripted answer was never asked for";
        EXPECT_EQ(prompts.depth, 0);
        EXPECT_EQ(outcome.converted, c.outcome.converted);
        EXPECT_EQ(outcome.failed, c.outcome.failed);
        EXPECT_EQ(outcome.notReached, c.outcome.notReached);
        EXPECT_EQ(outcome.endedEarly, c.outcome.endedEarly);
        EXPECT_EQ(outcome.converted + outcome.failed + outcome.notReached,
                  static_cast<int>(c.drop.size()));
    }
}

// The wait cursor ends when the batch is left by an exception, which passes
// on to the caller untouched.
TEST(DropBatch, EndsTheWaitCursorWhenLeftByAnException) {
    struct Thrower {
        std::string name;
        bool inSettings;
        bool inConvert;
    };
    for (const Thrower& t : {Thrower{"from the converter", false, true},
                             Thrower{"while taking the settings", true, false}}) {
        SCOPED_TRACE(t.name);
        Journal journal;
        ScriptedPrompts prompts(journal, {});
        FakeFileSystem fileSystem(journal, {"/img/Quillmere/"}, {});
        int conversions = 0;
        const auto convert = [&](const std::string&, const std::string&) -> int {
            ++conversions;
            if (t.inConvert)
                throw std::runtime_error("decoder gave up");
            return 1;
        };
        const auto takeSettings = [&] {
            if (t.inSettings)
                throw std::runtime_error("no settings");
        };
        EXPECT_THROW(RunDropBatch({{"/img/a.png"}, {"/img/b.png"}}, prompts, fileSystem, convert,
                                  takeSettings),
                     std::runtime_error);
        EXPECT_EQ(prompts.depth, 0);
        ASSERT_FALSE(journal.empty());
        EXPECT_EQ(journal.back(), "cursor off");
        EXPECT_EQ(conversions, t.inConvert ? 1 : 0) << "nothing after the exception";
    }
}

// Without a settings callback the batch runs as it does with one.
TEST(DropBatch, RunsWithoutSettingsCallback) {
    Journal journal;
    ScriptedPrompts prompts(journal, {});
    FakeFileSystem fileSystem(journal, {"/img/Quillmere/"}, {});
    const BatchOutcome outcome =
        RunDropBatch({{"/img/a.png"}}, prompts, fileSystem,
                     [](const std::string&, const std::string&) { return 7; });
    EXPECT_EQ(outcome.converted, 1) << "any nonzero result means written";
    EXPECT_EQ(journal, (Journal{"cursor on", "exists? /img/Quillmere/", "cursor off"}));
}
