#pragma once

#include "Profile.h"
#include "ProfileList.h"

#include <string>
#include <vector>

// The per-user store of profiles: QSettings of organisation "Tollervane" and
// the given application name, one group per profile below "Profiles".
class ProfileStore {
public:
    // applicationName is the program file's base name ("quillmere").
    explicit ProfileStore(std::string applicationName);

    bool SaveProfile(const Profile& profile) const;
    // Reads the four values of the profile named profile.name.
    bool LoadProfile(Profile& profile) const;
    // Fills list with every stored profile that reads back whole, in the
    // store's order, and hands back their names for the combo box.
    bool LoadProfiles(ProfileList& list, std::vector<std::string>& names) const;
    bool SaveProfiles(const ProfileList& list) const;

private:
    std::string applicationName;
};
