#pragma once

#include "Prompts.h"

// Shows the wait cursor of prompts for the life of the object, so that it
// ends on every way out of a scope, an exception included.
class WaitCursor {
public:
    explicit WaitCursor(Prompts& owner) : prompts(owner) { prompts.BeginWaitCursor(); }
    ~WaitCursor() { prompts.EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    Prompts& prompts;
};
