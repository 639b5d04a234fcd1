#pragma once

#include <span>
#include <string>

// Puts bytes in place as the file at outputPath, whole or not at all, with
// the mode a newly saved file gets (0666 less the umask). A file already at
// outputPath is replaced, unless it is sourcePath itself (the same file
// reached through a link or a bind mount): a source is never replaced by its
// own output. Returns why the file could not be written ("Permission denied",
// "No space left on device", "the output would replace its own source"), or
// empty when it was. A failure leaves no temporary file and outputPath as it
// was.
std::string WriteOutputFile(const std::string& sourcePath, const std::string& outputPath,
                            std::span<const unsigned char> bytes);
