#pragma once

#include "Prompts.h"

#include <cstdio>
#include <functional>
#include <string>

// The program's messages on a terminal. Each message is written with the
// program's name in front and its buttons as choices after it. A question is
// answered by an option when one applies (--yes to a folder, --keep-going to
// a failure), otherwise by the person at the terminal; with no terminal, or
// at the end of its input, it takes the answer that does least: No, Cancel.
class TerminalPrompts final : public Prompts {
public:
    // output receives the messages; input is the terminal the answers come
    // from, or -1 when there is none. answerYes is --yes, goOn --keep-going.
    // While it waits for an answer it polls stopRequested, and takes the safe
    // answer as soon as that holds.
    TerminalPrompts(std::string name, std::FILE* output, int input, bool answerYes, bool goOn,
                    std::function<bool()> stopRequested = {});

    // A message with a detail reads "name: text: detail", as programs on a
    // terminal report a file and what went wrong with it.
    int ShowMessage(const std::string& text, unsigned style, const std::string& detail) override;

private:
    std::string programName;
    std::FILE* out;
    int in;
    bool assumeYes;
    bool keepGoing;
    std::function<bool()> stopRequested;
};
