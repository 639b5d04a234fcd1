#pragma once

#include "FolderWalk.h"

// Folders as the file system holds them. An entry's kind comes from the
// folder listing itself where the file system gives it, so a folder of
// thousands of pictures costs no look at each file; only links are followed
// to see what they lead to.
class PosixFolderLister final : public FolderLister {
public:
    bool IsFolder(const std::string& path) override;
    std::string List(const std::string& folder, std::vector<FolderEntry>& entries) override;
};
