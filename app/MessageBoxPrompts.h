#pragma once

#include "OverrideCursor.h"
#include "Prompts.h"

#include <deque>

// Prompts as desktop message boxes: the icon and buttons that the style
// names, the program's name as caption, the first button as default. The wait
// cursor is the application's override cursor; it gives way to the ordinary
// arrow while a message box waits for an answer.
class MessageBoxPrompts final : public Prompts {
public:
    int ShowMessage(const std::string& text, unsigned style) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;

private:
    std::deque<OverrideCursor> waitCursors;
};
