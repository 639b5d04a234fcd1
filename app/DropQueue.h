#pragma once

#include "DropBatch.h"

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

/*
 * What the dialog holds around its batches, free of widgets: the drops that
 * wait while a batch runs, the files from outside that wait for Convert, what
 * Done or the close box asked for meanwhile, and the text of the status row.
 * The dialog starts what Next gives and reports each batch's end.
 */
class DropQueue {
public:
    // What Done or the close box asked for while a batch ran.
    enum class AfterBatch { next, accept, leave };

    DropQueue();

    // A drop waits its turn.
    void Add(std::vector<DroppedItem> drop);
    // The drop to start now, in the order added; none while a batch runs or
    // the dialog is to close once it is over. The dialog starts it (Started)
    // or, when a field holds no side, lets it go and asks for the next.
    std::optional<std::vector<DroppedItem>> Next();
    void Started();
    bool Running() const { return running; }
    // No batch runs and none waits.
    bool Idle() const { return !running && waiting.empty(); }

    // Done (accept) or the close box (leave) while a batch runs: the dialog
    // stops the batch and goes on once it is over. A close asked for stays a
    // close. False when no batch runs: the dialog goes on at once.
    bool FinishFirst(AfterBatch then);
    bool Leaving() const { return afterBatch == AfterBatch::leave; }
    // The session ends: nothing waiting starts. True while a batch runs that
    // is to stop first; false once the dialog may close (a second call).
    bool EndSession();
    // The batch is over: its result stays in the row until the next one
    // replaces it, and Open Folder opens the first folder it wrote into. Gives
    // what was asked for meanwhile, and forgets it.
    AfterBatch Finished(const BatchOutcome& outcome, const std::vector<std::string>& folders);
    // The dialog has closed: the drops waiting go with it.
    void Closed() { waiting.clear(); }

    // Files from outside wait, all of them together, until Convert makes them
    // one drop (true when there were any) or Clear lets them go.
    void Offer(std::vector<DroppedItem> files);
    std::size_t Offered() const { return offered.size(); }
    bool ConvertOffered();
    void ClearOffered() { offered.clear(); }

    // In place of the hint until a result replaces it (a store that cannot be
    // read).
    void Note(std::string text) { lastStatus = std::move(text); }
    // The row's text: the last result (or the hint), or the files offered,
    // and during a batch the drops waiting beside it.
    std::string Status() const;
    // The first output folder of the last batch that wrote any; empty before.
    const std::string& FirstFolder() const { return firstFolder; }

private:
    std::deque<std::vector<DroppedItem>> waiting;
    std::vector<DroppedItem> offered;
    AfterBatch afterBatch = AfterBatch::next;
    bool running = false;
    std::string lastStatus;
    std::string firstFolder;
};
