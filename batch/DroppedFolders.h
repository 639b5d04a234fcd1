#pragma once

#include "DropBatch.h"
#include "FolderWalk.h"

#include <cstddef>
#include <string>

/*
 * Converts a drop in which folders may stand beside files. Each dropped
 * folder is looked through first (see WalkFolder) and its pictures take its
 * place in the drop; then one question per folder that holds pictures, in the
 * drop's order and before anything is written, says how many pictures in how
 * many folders: Yes lets the batch make their output folders without asking,
 * No ends the batch as a No to a folder question does. A folder that holds no
 * pictures, or cannot be read, is an item that fails with its reason, as a
 * subfolder that cannot be read is. Then RunDropBatch converts the items;
 * the outcome counts pictures, and the other files the folders held as
 * passed over. Items that are no folders go through as they are.
 */
BatchOutcome RunDropWithFolders(const std::vector<DroppedItem>& drop, Prompts& prompts,
                                FileSystem& fileSystem, FolderLister& lister, const Encoder& encode,
                                const BatchOptions& options = {}, std::stop_token stop = {});

// A count as people write it: 1,204.
std::string CountText(std::size_t count);
