#pragma once

#include "FrameSettings.h"
#include "ProfileList.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// What a valid command line asks for.
struct CliRequest {
    FrameSettings settings;
    bool assumeYes = false;         // Yes to every folder question
    bool keepGoing = false;         // OK to every failure
    int jobs = 1;                   // conversions at once
    std::vector<std::string> files; // absolute, as the file system's bytes
    // More files are listed in this file ("-": standard input), one a line
    // or, with nullSeparated, each ended by a zero byte; empty: none.
    std::string filesFrom;
    bool nullSeparated = false;
};

struct ParsedCommandLine {
    enum class Action { Run, ShowHelp, ShowVersion, Refuse };
    Action action = Action::Refuse;
    CliRequest request;
    std::string text; // the help or version text, or why the command line was refused
};

// Fills list with the stored profiles and names with their names; called
// only when a profile is asked for. Returns why the store could not be read,
// or empty.
using ProfileLoader =
    std::function<std::string(ProfileList& list, std::vector<std::string>& names)>;

// Reads argv (its bytes as they came, the program name first). Relative file
// paths are taken from workingFolder, which may be empty when it is unknown;
// every value is checked before the request is handed back, so a refused
// command line has touched nothing.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                                   const std::string& workingFolder,
                                   const ProfileLoader& loadProfiles);

// The path as the file system takes it: a relative one from workingFolder
// (a leading "./" adds nothing); nothing when it is relative and the working
// folder is unknown (empty).
std::optional<std::string> AbsolutePath(std::string path, const std::string& workingFolder);
