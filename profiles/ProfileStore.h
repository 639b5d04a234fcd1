#pragma once

#include "Profile.h"
#include "ProfileList.h"

#include <string>
#include <vector>

// The per-user store of profiles: the settings of organisation "Tollervane"
// and the given application name, one group per profile below "Profiles"
// holding "Do Padding", "Padding Color", "Frame Width" and "Frame Height".
// Group names are the profile names as ProfileGroupName encodes them, so
// every name comes back exactly as it was saved. Needs no QCoreApplication;
// loading never writes or creates anything.
class ProfileStore {
public:
    // applicationName is the program file's base name ("quillmere"): a renamed
    // program has a store of its own.
    explicit ProfileStore(std::string applicationName);

    // Writes the four values and replaces the settings file atomically; false
    // when they could not all be written, leaving the previous file as it was.
    bool SaveProfile(const Profile& profile) const;
    // Replaces list's content with every stored profile that reads back
    // whole, in the store's order, and names with their names in the same
    // order (the dialog adds them to its combo box). A stored profile that
    // cannot be read is skipped and left as it is in the store; the result is
    // then false. When the store cannot be read at all, list and names are
    // left untouched and the result is false.
    bool LoadProfiles(ProfileList& list, std::vector<std::string>& names) const;
    // LoadProfiles for a caller that reports a store it cannot read: returns
    // why ("Permission denied", "a folder, not a settings file"), or empty
    // when the store was read or holds nothing yet.
    std::string LoadAll(ProfileList& list, std::vector<std::string>& names) const;
    // Deletes the profiles named in removed and writes every profile of the
    // list, in one replacement of the file: all of it is done, or (false)
    // nothing and the previous file stays. A name both removed and in the list
    // is kept with the list's values. Nothing to write and nothing to delete
    // writes nothing.
    bool SaveProfiles(const ProfileList& list, const std::vector<std::string>& removed = {}) const;
    // SaveProfiles for a caller that reports a store it cannot write: returns
    // why ("not a settings file", "Permission denied"), or empty when the
    // profiles were written (or nothing needed writing).
    std::string SaveAll(const ProfileList& list, const std::vector<std::string>& removed) const;

private:
    std::string applicationName;
};
