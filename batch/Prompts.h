#pragma once

#include <string>

// Message box styles and answers, numbered as the program's message boxes
// have always been numbered, so a style is an icon plus a set of buttons.
namespace MessageStyle {
constexpr unsigned Ok = 0x00;
constexpr unsigned OkCancel = 0x01;
constexpr unsigned SaveDiscardCancel = 0x03;
constexpr unsigned YesNo = 0x04;
constexpr unsigned IconHand = 0x10;
constexpr unsigned IconQuestion = 0x20;
constexpr unsigned IconExclamation = 0x30;
constexpr unsigned ButtonsMask = 0x0F;
constexpr unsigned IconMask = 0xF0;
} // namespace MessageStyle

enum MessageAnswer : int { IdOk = 1, IdCancel = 2, IdYes = 6, IdNo = 7, IdSave = 8, IdDiscard = 9 };

// The answer to a style that does least: no new folder, no more files, nothing
// written. What a question gets when no one can answer it.
constexpr int SafeAnswer(unsigned style) {
    switch (style & MessageStyle::ButtonsMask) {
    case MessageStyle::Ok:
        return IdOk;
    case MessageStyle::YesNo:
        return IdNo;
    default:
        return IdCancel;
    }
}

// What the program asks of the person in front of it: modal messages that
// return the button chosen. The dialog shows real message boxes, the command
// line asks on the terminal, tests answer from a script.
class Prompts {
public:
    virtual ~Prompts() = default;
    // detail, when not empty, says why (the reason a file failed); it is shown
    // beneath the text.
    virtual int ShowMessage(const std::string& text, unsigned style, const std::string& detail) = 0;
};
