#pragma once

#include <string>
#include <vector>

/*
 * Appends to files the names listed in the file named listName ("-" for
 * standard input), read to its end before anything is converted: one a line,
 * or with nullSeparated each ended by a zero byte, as find -print0 writes
 * them, so that any name a file system allows can be listed. Names are bytes
 * as they stand, blanks included; empty ones are passed over. A relative name
 * is taken from workingFolder. Returns why the list could not be read whole,
 * or empty.
 */
std::string ReadFileList(const std::string& listName, bool nullSeparated,
                         const std::string& workingFolder, std::vector<std::string>& files);
