#include "FolderWalk.h"

#include <algorithm>

namespace {

constexpr std::string_view outputFolderName = "Quillmere";
// Entries between two looks at the stop: a huge folder still stops at once.
constexpr std::size_t entriesPerStopCheck = 256;

bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

unsigned char Lowered(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// <0, 0 or >0 as a sorts before, with or after b under the natural rules.
int NaturalCompare(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[j]);
        if (IsDigit(ca) && IsDigit(cb)) {
            // Leading zeros add nothing to the value; then the longer run is
            // the larger number, and runs of one length compare digit by digit.
            while (i < a.size() && a[i] == '0')
                ++i;
            while (j < b.size() && b[j] == '0')
                ++j;
            std::size_t endA = i;
            std::size_t endB = j;
            while (endA < a.size() && IsDigit(static_cast<unsigned char>(a[endA])))
                ++endA;
            while (endB < b.size() && IsDigit(static_cast<unsigned char>(b[endB])))
                ++endB;
            if (endA - i != endB - j)
                return endA - i < endB - j ? -1 : 1;
            if (const int digits = a.substr(i, endA - i).compare(b.substr(j, endB - j)))
                return digits;
            i = endA;
            j = endB;
            continue;
        }
        if (Lowered(ca) != Lowered(cb))
            return Lowered(ca) < Lowered(cb) ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return a.compare(b);
}

std::string Joined(const std::string& folder, const std::string& name) {
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

} // namespace

bool NaturalLess(std::string_view a, std::string_view b) {
    return NaturalCompare(a, b) < 0;
}

bool IsPictureName(std::string_view name) {
    static constexpr std::string_view extensions[] = {"jpg",  "jpeg", "jpe", "jfif", "png",
                                                      "gif",  "webp", "tif", "tiff", "heic",
                                                      "heif", "avif", "jxl", "bmp"};
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    const std::string_view extension = name.substr(dot + 1);
    return std::ranges::any_of(extensions, [&](std::string_view known) {
        return known.size() == extension.size() &&
               std::ranges::equal(known, extension, [](char k, char e) {
                   return k == static_cast<char>(Lowered(static_cast<unsigned char>(e)));
               });
    });
}

/*
 * An explicit stack of folders still to look through, not recursion: a tree
 * thousands of folders deep must not exhaust the thread's stack. A folder's
 * subfolders go onto it in reverse order, so the first comes off first.
 */
FolderContents WalkFolder(const std::string& folder, FolderLister& lister, std::stop_token stop,
                          const std::function<void(std::size_t)>& found) {
    FolderContents contents;
    std::vector<std::string> waiting{folder};
    std::vector<FolderEntry> entries;
    std::vector<std::string> pictures;
    std::vector<std::string> subfolders;
    while (!waiting.empty()) {
        if (stop.stop_requested()) {
            contents.stopped = true;
            return contents;
        }
        const std::string current = std::move(waiting.back());
        waiting.pop_back();
        entries.clear();
        if (std::string problem = lister.List(current, entries); !problem.empty()) {
            if (current == folder)
                contents.problem = std::move(problem);
            else
                contents.items.push_back({current, true, false, std::move(problem)});
            continue;
        }
        if (current != folder)
            ++contents.subfolders;
        pictures.clear();
        subfolders.clear();
        for (std::size_t seen = 0; seen < entries.size(); ++seen) {
            if (seen % entriesPerStopCheck == entriesPerStopCheck - 1 && stop.stop_requested()) {
                contents.stopped = true;
                return contents;
            }
            FolderEntry& entry = entries[seen];
            const bool hidden = entry.name.starts_with('.');
            switch (entry.kind) {
            case FolderEntry::Kind::folder:
                if (!hidden && entry.name != outputFolderName)
                    subfolders.push_back(std::move(entry.name));
                break;
            case FolderEntry::Kind::file:
                if (!hidden && IsPictureName(entry.name))
                    pictures.push_back(std::move(entry.name));
                else
                    ++contents.otherFiles;
                break;
            case FolderEntry::Kind::other:
                ++contents.otherFiles;
                break;
            case FolderEntry::Kind::linkedFolder:
                break;
            }
        }
        std::ranges::sort(pictures, NaturalLess);
        std::ranges::sort(subfolders, NaturalLess);
        for (const std::string& name : pictures)
            contents.items.push_back({Joined(current, name)});
        contents.pictures += pictures.size();
        for (auto name = subfolders.rbegin(); name != subfolders.rend(); ++name)
            waiting.push_back(Joined(current, *name));
        if (found)
            found(contents.pictures);
    }
    return contents;
}
