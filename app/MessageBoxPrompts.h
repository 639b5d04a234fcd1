#pragma once

#include "Prompts.h"

// Prompts as desktop message boxes: the icon and buttons that the style
// names, the program's name as caption, the first button as default, and the
// detail as the box's informative text beneath the text.
class MessageBoxPrompts final : public Prompts {
public:
    int ShowMessage(const std::string& text, unsigned style, const std::string& detail) override;
};
