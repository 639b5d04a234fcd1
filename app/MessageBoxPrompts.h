#pragma once

#include "Prompts.h"

#include <QPointer>
#include <QWidget>

// Prompts as desktop message boxes: the icon and buttons that the style
// names, the program's name as caption, the first button as default, and the
// detail as the box's informative text beneath the text. A box belongs to
// the modal window open at the time, or else to the owner set.
class MessageBoxPrompts final : public Prompts {
public:
    int ShowMessage(const std::string& text, unsigned style, const std::string& detail) override;
    void SetOwner(QWidget* window) { owner = window; }

private:
    QPointer<QWidget> owner;
};
