#pragma once

#include <span>
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

namespace StyleAnswers {
inline constexpr MessageAnswer ok[] = {IdOk};
inline constexpr MessageAnswer okCancel[] = {IdOk, IdCancel};
inline constexpr MessageAnswer yesNo[] = {IdYes, IdNo};
inline constexpr MessageAnswer saveDiscardCancel[] = {IdSave, IdDiscard, IdCancel};
} // namespace StyleAnswers

// The answers a style offers, in the order both front ends show them: the
// first is the default; the last does least (no new folder, no more files,
// nothing written) and is what Escape gives.
constexpr std::span<const MessageAnswer> AnswersOf(unsigned style) {
    switch (style & MessageStyle::ButtonsMask) {
    case MessageStyle::OkCancel:
        return StyleAnswers::okCancel;
    case MessageStyle::YesNo:
        return StyleAnswers::yesNo;
    case MessageStyle::SaveDiscardCancel:
        return StyleAnswers::saveDiscardCancel;
    default:
        return StyleAnswers::ok;
    }
}

// What a question gets when no one can answer it.
constexpr MessageAnswer SafeAnswer(unsigned style) {
    return AnswersOf(style).back();
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
