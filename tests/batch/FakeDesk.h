#pragma once

#include "DropBatch.h"
#include "PathParts.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <stdexcept>
#include <thread>

inline bool Has(const std::string& path, const char* part) {
    return path.find(part) != std::string::npos;
}

// Converted, failed, not reached, ended early, passed over, stopped.
inline std::vector<int> Counts(const BatchOutcome& o) {
    return {o.converted, o.failed, o.notReached, o.endedEarly, o.passedOver, o.stopped};
}

// Everything around a batch in one: the person, the file system and the encoder. Paths tell
// what becomes of them: "/gone" cannot be read, "/full/" cannot be written; folders under
// "/have/" exist, those under "/ro/" cannot be made, a Quillmere folder under "/planted/" is
// another user's link. A picture outside a Quillmere folder holds "p"; one inside exists once
// written or put there, /have/Quillmere/a.jpg holds "old". Links: /y leads to /x,
// /have/link.jpg to /have/Quillmere/a.jpg, and /have/loop/Quillmere back to /have/loop.
// Answers come from a script (Cancel once it is used up). The log holds, in order, each folder
// test ('?'), message, folder made and output written: everything the person sees or the disk
// holds. The stop is requested at the event numbered stopAt.
// As the encoder (through std::ref) it turns what the source holds into "j" and those bytes,
// after a delay drawn from the source's name and the seed, so that conversions finish in any
// order; "/slow" converts until it is cancelled, "/bad" does not decode, "/throw" throws an
// exception and "/odd" something that is none. It says which file it read when reportSource is
// set, and records the sources it was asked for, and whether more ran at once on the workers,
// or further ahead of the loop, than the jobs allow.
struct FakeDesk final : Prompts, FileSystem {
    struct File {
        std::uint64_t inode;
        std::string bytes;
        FileIdentity Identity() const { return {1, inode, std::int64_t(bytes.size()), 0}; }
    };

    std::vector<int> answers;
    int stopAt = -1, jobs = 1;
    unsigned seed = 0;
    bool reportSource = false;
    static constexpr auto nothing = [](auto&&...) {}; // the hooks tests set
    std::function<void(const std::string& path)> onSource = nothing, onMessage = nothing;
    std::function<void(const std::string& source, std::stop_token stop)> onStart = nothing;

    std::string log;
    std::atomic<std::size_t> asked{0}; // questions and messages answered
    std::stop_source stop;
    std::set<std::string> made, started;
    std::mutex mutex; // the encoder runs on the workers
    std::map<std::string, File> files = {{"/have/Quillmere/a.jpg", {1, "old"}}};
    std::uint64_t inodes = 1;
    std::vector<DroppedItem> drop; // to find an item's place
    std::thread::id loop;          // the loop's thread, whose conversions are not ahead
    std::atomic<std::size_t> loopAt{0};
    // Conversions running ahead and cancelled, and how often the jobs were exceeded.
    std::atomic<int> running{0}, cancelled{0}, tooMany{0}, tooFarAhead{0};

    static std::string Resolved(std::string path) {
        static const std::pair<std::string, std::string> links[] = {
            {"/y", "/x"},
            {"/have/link.jpg", "/have/Quillmere/a.jpg"},
            {"/have/loop/Quillmere", "/have/loop"}};
        for (const auto& [from, to] : links)
            if (path == from || path.starts_with(from + "/"))
                return Resolved(to + path.substr(from.size()));
        return path;
    }
    // The file that a resolved path names, or nothing; call with the mutex held.
    File* Find(const std::string& path) {
        if (!files.contains(path) && !Has(path, "/gone") && !Has(path, "/Quillmere/"))
            files[path] = {++inodes, "p"};
        return files.contains(path) ? &files[path] : nullptr;
    }
    void Put(const std::string& path, std::string bytes) {
        const std::lock_guard lock(mutex);
        files[Resolved(path)] = {++inodes, std::move(bytes)};
    }
    bool FolderExists(const std::string& resolved) const {
        return resolved.starts_with("/have/") || resolved.starts_with("/planted/") ||
               made.contains(resolved);
    }
    void Event(const std::string& text) {
        log += text;
        if (--stopAt == 0)
            stop.request_stop();
    }
    bool Started(const std::string& source) {
        const std::lock_guard lock(mutex);
        return started.contains(source);
    }

    int ShowMessage(const std::string& text, unsigned style, const std::string& detail) override {
        Event(std::to_string(style) + " " + text + (detail.empty() ? "" : " (" + detail + ")") +
              ", ");
        onMessage(text);
        return asked < answers.size() ? answers[asked++] : IdCancel;
    }
    std::string SourceProblem(const std::string& path) override {
        onSource(path);
        const std::lock_guard lock(mutex);
        return Find(Resolved(path)) ? "" : "no such file or directory";
    }
    bool SameFile(const std::string& a, const std::string& b) override {
        const std::string first = Resolved(a), second = Resolved(b);
        const std::lock_guard lock(mutex);
        return first == second && (FolderExists(first) || files.contains(first));
    }
    std::optional<FileIdentity> Identity(const std::string& path) override {
        const std::lock_guard lock(mutex);
        const File* file = Find(Resolved(path));
        return file ? std::optional(file->Identity()) : std::nullopt;
    }
    bool Exists(const std::string& path) override {
        Event("?");
        return FolderExists(Resolved(path));
    }
    std::string MakeFolder(const std::string& path) override {
        Event("mkdir " + path + ", ");
        if (path.starts_with("/ro/"))
            return "read-only file system";
        made.insert(Resolved(path));
        return {};
    }
    std::string OutputFolderRefusal(const std::string& source, const std::string& folder) override {
        if (folder.starts_with("/planted/"))
            return "the Quillmere folder is a link owned by another user";
        if (Resolved(folder) == Resolved(PathParts().DirectoryPart(source)))
            return "the Quillmere folder leads back into the picture's own folder";
        return {};
    }
    std::string WriteOutput(const std::string&, const std::string& output,
                            std::span<const unsigned char> bytes) override {
        Event("write " + output + " (" + std::string(bytes.begin(), bytes.end()) + "), ");
        if (Has(output, "/full/"))
            return "No space left on device";
        Put(output, {bytes.begin(), bytes.end()});
        return {};
    }

    Encoded operator()(const std::string& source, std::stop_token cancel) {
        std::optional<File> read;
        {
            const std::lock_guard lock(mutex);
            started.insert(source);
            if (const File* file = Find(Resolved(source)))
                read = *file;
        }
        onStart(source, cancel);
        const bool ahead = std::this_thread::get_id() != loop;
        const auto place = std::ranges::find(drop, source, &DroppedItem::path) - drop.begin();
        // Past the item in the loop's hands, up to eight times the jobs may be converting or
        // finished.
        tooFarAhead += std::size_t(place) > loopAt + 8 * std::size_t(jobs);
        tooMany += (ahead ? ++running : running.load()) > jobs;
        std::minstd_rand random(seed + unsigned(std::hash<std::string>{}(source)));
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::microseconds(random() % 3000);
        while ((Has(source, "/slow") || std::chrono::steady_clock::now() < until) &&
               !cancel.stop_requested())
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        if (ahead)
            --running;
        if (cancel.stop_requested()) {
            ++cancelled;
            return {{}, "stopped"};
        }
        if (Has(source, "/throw"))
            throw std::runtime_error("the decoder gave up");
        if (Has(source, "/odd"))
            throw 42;
        if (!read)
            return {{}, "no such file or directory"};
        if (Has(source, "/bad"))
            return {{}, "the picture is damaged or cut short"};
        const std::string bytes = "j" + read->bytes;
        const auto identity = reportSource ? std::optional(read->Identity()) : std::nullopt;
        return {{bytes.begin(), bytes.end()}, "", identity};
    }
};
