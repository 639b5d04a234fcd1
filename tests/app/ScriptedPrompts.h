#pragma once

#include "Prompts.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

struct ShownMessage {
    std::string text;
    unsigned style = 0;
    bool underWaitCursor = false;

    bool operator==(const ShownMessage&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const ShownMessage& message) {
    return out << "[" << message.style << "] \"" << message.text << "\"";
}

// Answers the program's messages from a script, keeps every message shown and
// fails the test on a message it has no answer for.
class ScriptedPrompts final : public Prompts {
public:
    int ShowMessage(const std::string& text, unsigned style) override {
        shown.push_back({text, style, waitDepth > 0});
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected message: " << shown.back();
            return IdCancel;
        }
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void BeginWaitCursor() override {
        ++waitDepth;
        ++waitBegins;
    }
    void EndWaitCursor() override { --waitDepth; }

    std::deque<int> answers;
    std::vector<ShownMessage> shown;
    int waitDepth = 0;
    int waitBegins = 0;
};
