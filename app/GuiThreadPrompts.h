#pragma once

#include "Prompts.h"

#include <QObject>

#include <stop_token>

// Prompts for a batch that runs on a thread of its own: each message is shown
// by the dialog's prompts on the thread of context (the GUI thread), while
// the calling thread waits for the answer. Once stop is requested a waiting
// message gets the answer that does least (No, Cancel) at once, and one not
// yet shown is never shown.
class GuiThreadPrompts final : public Prompts {
public:
    GuiThreadPrompts(Prompts& shownBy, QObject& context, std::stop_token stop);

    int ShowMessage(const std::string& text, unsigned style, const std::string& detail) override;

private:
    Prompts& shownBy;
    QObject& context;
    std::stop_token stop;
};
