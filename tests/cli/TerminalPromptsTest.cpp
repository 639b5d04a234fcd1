#include "TerminalPrompts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

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

} // namespace

// Every message carries the program's name and its choices; a question is
// answered by the option that applies, then by the terminal, then safely.
TEST(CliTerminalPrompts, AnswerFromOptionsTerminalOrSafely) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CapturedOutput output;
        std::string typed = row.typed.value_or("");
        std::FILE* input = row.typed ? ::fmemopen(typed.data(), typed.size(), "r") : nullptr;
        if (row.typed && typed.empty())
            input = ::fopen("/dev/null", "r"); // fmemopen refuses an empty buffer
        ASSERT_TRUE(!row.typed || input != nullptr);
        TerminalPrompts prompts("cli", output.Stream(), input, row.assumeYes, row.keepGoing);
        EXPECT_EQ(prompts.ShowMessage(row.text, row.style), row.answer);
        EXPECT_EQ(output.Text(), row.written);
        if (input != nullptr)
            std::fclose(input);
    }
}
