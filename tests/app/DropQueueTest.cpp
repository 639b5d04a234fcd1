#include "DropQueue.h"
#include "BatchStatus.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using After = DropQueue::AfterBatch;

// Runs steps, words apart by blanks, on a new queue; gives what they answered
// and then the row's text. The steps:
//   drop, offer       a drop of one file waits; a file from outside waits for Convert
//   start             the next drop starts, "start:<files>", or "none" when none may
//   done, close, end  Done, the close box, the session's end: the batch "stops" first, or "now"
//   wrote, failed     the batch ends having written into two folders, or into none
//   convert, clear    Convert ("converting" or "nothing"), Clear
//   closed            the dialog has closed
//   unreadable        the profile store is no settings file
//   folder            the folder that Open Folder opens, or "-"
std::string Played(const std::string& steps) {
    DropQueue queue;
    std::istringstream words(steps);
    std::string step, answers;
    const auto answer = [&answers](const std::string& text) { answers += text + " "; };
    while (words >> step) {
        if (step == "drop") {
            queue.Add({{"/d.png"}});
        } else if (step == "offer") {
            queue.Offer({{"/o.png"}});
        } else if (step == "start") {
            const auto drop = queue.Next();
            if (drop)
                queue.Started();
            answer(drop ? "start:" + std::to_string(drop->size()) : "none");
        } else if (step == "done" || step == "close" || step == "end") {
            const bool stops =
                step == "end" ? queue.EndSession()
                              : queue.FinishFirst(step == "done" ? After::accept : After::leave);
            answer(stops ? "stops" : "now");
        } else if (step == "wrote" || step == "failed") {
            const After then =
                step == "wrote" ? queue.Finished({2}, {"/p/Holidays/Quillmere", "/p/Day/Quillmere"})
                                : queue.Finished({0, 1}, {});
            answer(then == After::accept  ? "then:accept"
                   : then == After::leave ? "then:leave"
                                          : "then:next");
        } else if (step == "convert") {
            answer(queue.ConvertOffered() ? "converting" : "nothing");
        } else if (step == "clear") {
            queue.ClearOffered();
        } else if (step == "closed") {
            queue.Closed();
        } else if (step == "unreadable") {
            queue.Note(BatchStatus::StoreRefused("not a settings file"));
        } else if (step == "folder") {
            answer(queue.FirstFolder().empty() ? "-" : queue.FirstFolder());
        } else {
            ADD_FAILURE() << "no step " << step;
        }
    }
    return answers + "| " + queue.Status();
}

// Drops wait while a batch runs and start in turn; Done and the close box
// stop the batch first and hold the drops waiting until it is over (a close
// stays a close), which go with a dialog that closed then; the session's end
// lets them go at once. Files from outside wait together for Convert. The row
// holds the last result (or the hint, or a store that cannot be read), the
// files offered in its place, and during a batch the drops waiting beside it.
TEST(DropQueue, DropsWaitTheirTurnAndTheRowSaysWhatWaits) {
    const std::string hint = BatchStatus::IdleHint(),
                      wrote = "2 converted into Holidays/Quillmere and 1 more folder",
                      refused = "The profiles file is not a settings file; profiles will not be "
                                "saved over it";
    const std::pair<const char*, std::string> rows[] = {
        {"folder", "- | " + hint},
        {"unreadable", "| " + refused},
        {"drop start", "start:1 | "},
        {"drop start drop drop start", "start:1 none | 2 more drops waiting"},
        {"drop start wrote drop start drop",
         "start:1 then:next start:1 | " + wrote + "; 1 more drop waiting"},
        {"drop start wrote drop start failed folder",
         "start:1 then:next start:1 then:next /p/Holidays/Quillmere | 0 converted, 1 failed"},
        {"offer offer", "| 2 pictures to convert"},
        {"offer offer convert start", "converting start:2 | "},
        {"offer clear convert start", "nothing none | " + hint},
        {"drop start offer drop", "start:1 | 1 picture to convert; 1 more drop waiting"},
        {"drop start drop done start wrote start",
         "start:1 stops none then:accept start:1 | " + wrote},
        {"drop start drop done wrote closed start", "start:1 stops then:accept none | " + wrote},
        {"drop start close done wrote", "start:1 stops stops then:leave | " + wrote},
        {"done close end", "now now now | " + hint},
        {"drop start drop end end wrote start", "start:1 stops now then:leave none | " + wrote},
    };
    for (const auto& [steps, result] : rows)
        EXPECT_EQ(Played(steps), result) << steps;
}

// A result says where the files went: the first folder by its last two
// parts (the root's by its one), the others counted; a stop counts what was
// handled, failures too.
TEST(BatchStatus, AResultNamesTheFoldersWritten) {
    EXPECT_EQ(BatchStatus::Result({5, 1, 2, true, false},
                                  {"/Quillmere/", "/c/Quillmere", "/d/Quillmere"}),
              "5 converted into /Quillmere and 2 more folders, 1 failed, 2 skipped");
    EXPECT_EQ(BatchStatus::Result({3, 1, 6, true, true}, {"/a/Quillmere"}),
              "Stopped after 4 of 10");
}

} // namespace
