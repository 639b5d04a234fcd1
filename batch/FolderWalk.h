#pragma once

#include "DropBatch.h"

#include <cstddef>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

// One entry of a folder, told apart by what the walk does with it.
struct FolderEntry {
    enum class Kind {
        file,         // a regular file, or a link to one
        folder,       // a folder that is no link
        linkedFolder, // a link to a folder: never entered
        other,        // a pipe, a device, a socket, a link to nothing
    };
    std::string name;
    Kind kind = Kind::other;
};

// What the walk asks of the file system.
class FolderLister {
public:
    virtual ~FolderLister() = default;
    // True when path is a folder, or a link to one: a dropped link is
    // followed, as a dropped file's link is.
    virtual bool IsFolder(const std::string& path) = 0;
    // The folder's entries, without "." and "..", in any order; returns why
    // it could not be read, or empty.
    virtual std::string List(const std::string& folder, std::vector<FolderEntry>& entries) = 0;
};

// The items a folder stands for, in the order they are converted.
struct FolderContents {
    // Its pictures, and in their places the subfolders that could not be
    // read, each with its reason as the item's failure.
    std::vector<DroppedItem> items;
    std::size_t pictures = 0;
    std::size_t otherFiles = 0; // passed over: not named as a picture, or hidden
    std::size_t subfolders = 0; // entered, at any depth
    std::string problem;        // why the folder itself could not be read
    bool stopped = false;       // the stop came first; the contents are partial
};

/*
 * Looks through folder and its subfolders at any depth for the pictures in
 * them: within each folder its pictures in natural name order, then its
 * subfolders in that order, depth first. Folders named Quillmere (this
 * program's outputs), hidden folders and links to folders are never entered,
 * so a tree with a link back into itself ends. found, when given, hears the
 * count of pictures so far after each folder. A stop is seen between folders
 * and every few hundred entries.
 */
FolderContents WalkFolder(const std::string& folder, FolderLister& lister, std::stop_token stop,
                          const std::function<void(std::size_t picturesSoFar)>& found = {});

// True for a file name whose extension, in any letter case, names a picture
// format this program reads.
bool IsPictureName(std::string_view name);

/*
 * Names in the order people read them: runs of digits by their value
 * (IMG_2 before IMG_10), ASCII letters without regard to case, every other
 * byte by its value. Names alike by those rules fall back to their bytes, so
 * the order is total and the same for every locale.
 */
bool NaturalLess(std::string_view a, std::string_view b);
