#include "TerminalPrompts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

const std::string folderQuestion = "Directory doesn't exist:  /a/Quillmere/\n\nCreate it?";
constexpr unsigned questionStyle = MessageStyle::YesNo | MessageStyle::IconQuestion;
constexpr unsigned failureStyle = MessageStyle::OkCancel | MessageStyle::IconExclamation;

struct Row {
    std::string name;
    std::string text;
    unsigned style;
    std::optional<std::string> typed; // nothing: no terminal
    bool assumeYes;
    bool keepGoing;
    int answer;
    std::string written;
    int answersBeforeStop = -1; // the stop request holds after this many polls; -1: never
};

const std::string askedFolder = "cli: " + folderQuestion + " [yes/no] ";
const std::string askedFailure = "cli: warning: /a/b.png [ok/cancel] ";

const Row rows[] = {
    {"no terminal: No to a folder", folderQuestion, questionStyle, std::nullopt, false, false, IdNo,
     askedFolder + "no (no terminal to ask; --yes answers yes)\n"},
    {"--yes answers a folder", folderQuestion, questionStyle, std::nullopt, true, false, IdYes,
     askedFolder + "yes (--yes)\n"},
    {"--keep-going does not answer a folder", folderQuestion, questionStyle, std::nullopt, false,
     true, IdNo, askedFolder + "no (no terminal to ask; --yes answers yes)\n"},
    {"no terminal: Cancel after a failure", "/a/b.png", failureStyle, std::nullopt, false, false,
     IdCancel, askedFailure + "cancel (no terminal to ask; --keep-going answers ok)\n"},
    {"--keep-going answers a failure", "/a/b.png", failureStyle, std::nullopt, false, true, IdOk,
     askedFailure + "ok (--keep-going)\n"},
    {"--yes does not answer a failure", "/a/b.png", failureStyle, std::nullopt, true, false,
     IdCancel, askedFailure + "cancel (no terminal to ask; --keep-going answers ok)\n"},
    {"a plain message just prints", "Couldn't create dir", MessageStyle::Ok, std::nullopt, false,
     false, IdOk, "cli: Couldn't create dir\n"},
    {"a plain message reads nothing", "Couldn't create dir", MessageStyle::Ok, "n\n", false, false,
     IdOk, "cli: Couldn't create dir\n"},
    {"hand icon", "Broken", MessageStyle::Ok | MessageStyle::IconHand, std::nullopt, false, false,
     IdOk, "cli: error: Broken\n"},
    {"typed y", folderQuestion, questionStyle, "y\n", false, false, IdYes, askedFolder},
    {"typed NO with blanks", folderQuestion, questionStyle, "  NO \n", false, false, IdNo,
     askedFolder},
    {"asked again until the answer is one of the choices", folderQuestion, questionStyle,
     "maybe\n\nyes\n", false, false, IdYes,
     askedFolder + "Please answer yes/no: Please answer yes/no: "},
    {"end of input: No", folderQuestion, questionStyle, "", false, false, IdNo,
     askedFolder + "no (end of input)\n"},
    {"end of input after a wrong answer: Cancel", "/a/b.png", failureStyle, "x", false, false,
     IdCancel, askedFailure + "Please answer ok/cancel: cancel (end of input)\n"},
    {"typed c", "/a/b.png", failureStyle, "c\n", false, false, IdCancel, askedFailure},
    {"typed ok", "/a/b.png", failureStyle, "ok\r\n", false, false, IdOk, askedFailure},
    {"an option answers before the terminal is read", "/a/b.png", failureStyle, "c\n", false, true,
     IdOk, askedFailure + "ok (--keep-going)\n"},
    {"a stop request ends the wait with the safe answer", folderQuestion, questionStyle, "y\n",
     false, false, IdNo, askedFolder + "no (interrupted)\n", 0},
    {"a stop request while nothing is typed", "/a/b.png", failureStyle, std::nullopt, false, false,
     IdCancel, askedFailure + "cancel (interrupted)\n", 3},
};

// Closes a memory stream and hands back what was written to it.
class CapturedOutput {
public:
    CapturedOutput() : stream(::open_memstream(&buffer, &size)) {}
    ~CapturedOutput() {
        if (stream != nullptr)
            std::fclose(stream);
        std::free(buffer);
    }
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    std::FILE* Stream() const { return stream; }
    std::string Text() {
        std::fflush(stream);
        return std::string(buffer, size);
    }

private:
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* stream;
};

// A pipe standing in for the terminal. With typed text, that is all it will
// ever give; without, it stays open and silent.
class TypedInput {
public:
    explicit TypedInput(const std::optional<std::string>& typed) {
        if (::pipe(ends) != 0)
            return;
        if (typed) {
            EXPECT_EQ(::write(ends[1], typed->data(), typed->size()),
                      static_cast<ssize_t>(typed->size()));
            ::close(ends[1]);
            ends[1] = -1;
        }
    }
    ~TypedInput() {
        for (const int end : ends)
            if (end >= 0)
                ::close(end);
    }
    TypedInput(const TypedInput&) = delete;
    TypedInput& operator=(const TypedInput&) = delete;

    int ReadEnd() const { return ends[0]; }

private:
    int ends[2] = {-1, -1};
};

} // namespace

// Every message carries the program's name and its choices; a question is
// answered by the option that applies, then by the terminal, then safely.
TEST(CliTerminalPrompts, AnswerFromOptionsTerminalOrSafely) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CapturedOutput output;
        const bool silentTerminal = row.answersBeforeStop > 0 && !row.typed;
        const TypedInput input(row.typed);
        int polls = 0;
        const auto stop = [&] {
            return row.answersBeforeStop >= 0 && polls++ >= row.answersBeforeStop;
        };
        TerminalPrompts prompts("cli", output.Stream(),
                                row.typed || silentTerminal ? input.ReadEnd() : -1, row.assumeYes,
                                row.keepGoing, stop);
        EXPECT_EQ(prompts.ShowMessage(row.text, row.style), row.answer);
        EXPECT_EQ(output.Text(), row.written);
    }
}
