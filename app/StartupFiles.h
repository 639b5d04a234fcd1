#pragma once

#include "DropBatch.h"

#include <QString>

#include <string>
#include <vector>

// What the command line asks the dialog for: the files to convert as one
// drop, in the order given, or why the command line is refused.
struct StartupRequest {
    std::vector<DroppedItem> files;
    std::string refusal; // empty when the command line is fine
};

// args are the arguments after the program's name, as the bytes they came
// in, once the GUI toolkit has taken its own options out. A name that is not
// absolute is taken against workingFolder (empty when it is not known). Up to
// "--", an argument starting with "-" is refused as an unknown option and one
// of the form "scheme:/..." is an address, read as a drop reads it: some file
// managers start programs with file addresses instead of names.
StartupRequest StartupFiles(const std::vector<std::string>& args, const std::string& workingFolder,
                            const QString& thisHost);

// What the command line asks to be printed instead of opening the dialog:
// "--help" (or "-h") or "--version" before any "--". Looked for before the
// GUI toolkit starts, which needs a display.
enum class InfoAsked { none, help, version };
InfoAsked AskedForInfo(const std::vector<std::string>& args);

// The text of "quillmere --help".
std::string UsageText();
