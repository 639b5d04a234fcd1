#include "TerminalPrompts.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

namespace {

struct Choice {
    const char* word;
    int answer;
};

// The buttons of a style in their usual order; the last one is the answer
// that does least.
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
    switch (style & MessageStyle::IconMask) {
    case MessageStyle::IconHand:
        return "error: ";
    case MessageStyle::IconExclamation:
        return "warning: ";
    default:
        return "";
    }
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

// One line of input without its line feed; nothing at the end of input.
bool ReadLine(std::FILE* in, std::string& line) {
    line.clear();
    int c = 0;
    while ((c = std::fgetc(in)) != EOF && c != '\n')
        line += static_cast<char>(c);
    return c != EOF || !line.empty();
}

} // namespace

TerminalPrompts::TerminalPrompts(std::string name, std::FILE* output, std::FILE* input,
                                 bool answerYes, bool goOn)
    : programName(std::move(name)), out(output), in(input), assumeYes(answerYes), keepGoing(goOn) {}

int TerminalPrompts::ShowMessage(const std::string& text, unsigned style) {
    const std::vector<Choice> choices = ChoicesOf(style);
    std::fprintf(out, "%s: %s%s", programName.c_str(), IconWord(style), text.c_str());
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
    const Choice& safe = choices.back();
    const bool question = go.answer == IdYes;
    const std::string option = question ? "--yes" : "--keep-going";
    const auto answerWith = [&](const Choice& choice, const std::string& why) {
        std::fprintf(out, "%s (%s)\n", choice.word, why.c_str());
        std::fflush(out);
        return choice.answer;
    };
    if (question ? assumeYes : keepGoing)
        return answerWith(go, option);
    if (in == nullptr)
        return answerWith(safe, "no terminal to ask; " + option + " answers " + go.word);

    std::fflush(out);
    std::string line;
    while (ReadLine(in, line)) {
        const std::string reply = Lowered(Trimmed(line));
        // A choice may be shortened to its first letters: y, n, o, c.
        for (const Choice& choice : choices)
            if (!reply.empty() && std::string(choice.word).compare(0, reply.size(), reply) == 0)
                return choice.answer;
        std::fprintf(out, "Please answer %s: ", menu.c_str());
        std::fflush(out);
    }
    return answerWith(safe, "end of input");
}
