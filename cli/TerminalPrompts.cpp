#include "TerminalPrompts.h"

#include "Printable.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#include <utility>

namespace {

// How the terminal shows each answer; a reply may be its first letters.
const char* WordFor(MessageAnswer answer) {
    switch (answer) {
    case IdCancel:
        return "cancel";
    case IdYes:
        return "yes";
    case IdNo:
        return "no";
    case IdSave:
        return "save";
    case IdDiscard:
        return "discard";
    default:
        return "ok";
    }
}

const char* IconWord(unsigned style) {
    return (style & MessageStyle::IconMask) == MessageStyle::IconHand ? "error: " : "";
}

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

enum class Reading { line, end, stopped };

/*
 * One line of input without its line feed, read byte by byte straight from
 * the descriptor so that nothing is held back in a buffer. The wait is cut
 * into short polls so that a request to stop is seen within a fifth of a
 * second, whenever it arrives.
 */
Reading ReadLine(int in, const std::function<bool()>& stopRequested, std::string& line) {
    line.clear();
    for (;;) {
        if (stopRequested && stopRequested())
            return Reading::stopped;
        pollfd ready{in, POLLIN, 0};
        const int polled = ::poll(&ready, 1, 200);
        if (polled < 0 && errno != EINTR)
            return Reading::end;
        if (polled <= 0)
            continue;
        char c = 0;
        const ssize_t got = ::read(in, &c, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return line.empty() ? Reading::end : Reading::line;
        if (c == '\n')
            return Reading::line;
        line += c;
    }
}

} // namespace

TerminalPrompts::TerminalPrompts(std::string name, std::FILE* output, int input, bool answerYes,
                                 bool goOn, std::function<bool()> stop)
    : programName(std::move(name)), out(output), in(input), assumeYes(answerYes), keepGoing(goOn),
      stopRequested(std::move(stop)) {}

int TerminalPrompts::ShowMessage(const std::string& text, unsigned style,
                                 const std::string& detail) {
    const std::span<const MessageAnswer> answers = AnswersOf(style);
    // A message with a reason beneath it names one file or folder in its text, so none of its
    // line feeds is layout, and a failure stays one line for whoever reads them line by line.
    const LineFeeds named = detail.empty() ? LineFeeds::keep : LineFeeds::escape;
    std::fprintf(out, "%s: %s%s%s%s", programName.c_str(), IconWord(style),
                 Printable(text, named).c_str(), detail.empty() ? "" : ": ",
                 Printable(detail, LineFeeds::escape).c_str());
    if (answers.size() == 1) {
        std::fputc('\n', out);
        std::fflush(out);
        return answers.front();
    }

    std::string menu;
    for (const MessageAnswer answer : answers)
        menu += std::string(menu.empty() ? "" : "/") + WordFor(answer);
    std::fprintf(out, " [%s] ", menu.c_str());

    // --yes answers the folder question, --keep-going the failure message.
    const MessageAnswer go = answers.front();
    const bool question = go == IdYes;
    const std::string option = question ? "--yes" : "--keep-going";
    const auto answerWith = [&](MessageAnswer answer, const std::string& why) {
        std::fprintf(out, "%s (%s)\n", WordFor(answer), why.c_str());
        std::fflush(out);
        return answer;
    };
    if (question ? assumeYes : keepGoing)
        return answerWith(go, option);
    const MessageAnswer safe = SafeAnswer(style);
    if (in < 0)
        return answerWith(safe, "no terminal to ask; " + option + " answers " + WordFor(go));

    std::fflush(out);
    std::string line;
    Reading reading;
    while ((reading = ReadLine(in, stopRequested, line)) == Reading::line) {
        const std::string reply = Lowered(Trimmed(line));
        // A choice may be shortened to its first letters: y, n, o, c.
        for (const MessageAnswer answer : answers)
            if (!reply.empty() && std::string(WordFor(answer)).compare(0, reply.size(), reply) == 0)
                return answer;
        std::fprintf(out, "Please answer %s: ", menu.c_str());
        std::fflush(out);
    }
    return answerWith(safe, reading == Reading::stopped ? "interrupted" : "end of input");
}
