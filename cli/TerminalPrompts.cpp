#include "TerminalPrompts.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

struct Choice {
    const char* word;
    int answer;
};

// The buttons of a style in their usual order.
std::vector<Choice> ChoicesOf(unsigned style) {
    switch (style & MessageStyle::ButtonsMask) {
    case MessageStyle::OkCancel:
        return {{"ok", IdOk}, {"cancel", IdCancel}};
    case MessageStyle::YesNo:
        return {{"yes", IdYes}, {"no", IdNo}};
    default:
        return {{"ok", IdOk}};
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
    const std::vector<Choice> choices = ChoicesOf(style);
    std::fprintf(out, "%s: %s%s%s%s", programName.c_str(), IconWord(style), text.c_str(),
                 detail.empty() ? "" : ": ", detail.c_str());
    if (choices.size() == 1) {
        std::fputc('\n', out);
        std::fflush(out);
        return choices.front().answer;
    }

    std::string menu;
    for (const Choice& choice : choices)
        menu += std::string(menu.empty() ? "" : "/") + choice.word;
    std::fprintf(out, " [%s] ", menu.c_str());

    // --yes answers the folder question, --keep-going the failure message.
    const Choice& go = choices.front();
    const Choice& safe = *std::find_if(choices.begin(), choices.end(), [&](const Choice& c) {
        return c.answer == SafeAnswer(style);
    });
    const bool question = go.answer == IdYes;
    const std::string option = question ? "--yes" : "--keep-going";
    const auto answerWith = [&](const Choice& choice, const std::string& why) {
        std::fprintf(out, "%s (%s)\n", choice.word, why.c_str());
        std::fflush(out);
        return choice.answer;
    };
    if (question ? assumeYes : keepGoing)
        return answerWith(go, option);
    if (in < 0)
        return answerWith(safe, "no terminal to ask; " + option + " answers " + go.word);

    std::fflush(out);
    std::string line;
    Reading reading;
    while ((reading = ReadLine(in, stopRequested, line)) == Reading::line) {
        const std::string reply = Lowered(Trimmed(line));
        // A choice may be shortened to its first letters: y, n, o, c.
        for (const Choice& choice : choices)
            if (!reply.empty() && std::string(choice.word).compare(0, reply.size(), reply) == 0)
                return choice.answer;
        std::fprintf(out, "Please answer %s: ", menu.c_str());
        std::fflush(out);
    }
    return answerWith(safe, reading == Reading::stopped ? "interrupted" : "end of input");
}
