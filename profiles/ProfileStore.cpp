#include "ProfileStore.h"

#include "ProfileGroupName.h"
#include "ProfileKey.h"
#include "StoreFile.h"

#include <QString>

#include <optional>
#include <utility>

namespace {

const QString profilesGroup = QStringLiteral("Profiles");

QString GroupOf(const std::string& name) {
    return QString::fromStdString(ProfileGroupName::Encode(name));
}

/*
 * The four values of one profile, written and read in this order. Every
 * operation opens "Profiles" once and reaches each profile's values by their
 * path below it, so that the settings file is parsed and written once per
 * operation however many profiles it holds: "Done" then writes all profiles
 * in one atomic replacement of the file, or none.
 */
bool WriteProfile(ProfileKey& key, const Profile& profile) {
    const QString group = GroupOf(profile.name) + u'/';
    return key.WriteDword(group + QStringLiteral("Do Padding"), profile.doPadding) &&
           key.WriteDword(group + QStringLiteral("Padding Color"), profile.paddingColor) &&
           key.WriteDword(group + QStringLiteral("Frame Width"), profile.frameWidth) &&
           key.WriteDword(group + QStringLiteral("Frame Height"), profile.frameHeight);
}

// Fills profile's four values from its group; profile is unchanged on false.
bool ReadProfile(const ProfileKey& key, const QString& group, Profile& profile) {
    const QString prefix = group + u'/';
    Profile read = profile;
    if (!key.ReadDword(prefix + QStringLiteral("Do Padding"), read.doPadding) ||
        !key.ReadDword(prefix + QStringLiteral("Padding Color"), read.paddingColor) ||
        !key.ReadDword(prefix + QStringLiteral("Frame Width"), read.frameWidth) ||
        !key.ReadDword(prefix + QStringLiteral("Frame Height"), read.frameHeight)) {
        return false;
    }
    profile = std::move(read);
    return true;
}

} // namespace

ProfileStore::ProfileStore(std::string name) : applicationName(std::move(name)) {}

bool ProfileStore::SaveProfile(const Profile& profile) const {
    ProfileKey key(applicationName);
    if (!key.Open(profilesGroup)) {
        return false;
    }
    const bool written = WriteProfile(key, profile);
    return key.Close() && written;
}

/*
 * A profile that does not read back whole (a value missing or not a number, or
 * a group name this program never writes) is left out rather than ending the
 * load: the profiles after it still load, and since it is not in the list,
 * saving the list never writes over what is stored for it.
 */
bool ProfileStore::LoadProfiles(ProfileList& list, std::vector<std::string>& names) const {
    ProfileKey key(applicationName);
    std::vector<QString> groups;
    if (!key.Open(profilesGroup) || !key.EnumSubKeys(groups)) {
        return false;
    }
    bool everyOneLoaded = true;
    std::vector<Profile> loaded;
    std::vector<std::string> loadedNames;
    for (const QString& group : groups) {
        const std::optional<std::string> name = ProfileGroupName::Decode(group.toStdString());
        Profile profile;
        if (!name || !ReadProfile(key, group, profile)) {
            everyOneLoaded = false;
            continue;
        }
        profile.name = *name;
        loadedNames.push_back(*name);
        loaded.push_back(std::move(profile));
    }
    // Cleared first, so that the capacity is exactly the number loaded.
    list.SetSize(0);
    list.SetSize(static_cast<std::int32_t>(loaded.size()));
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        list[static_cast<std::int32_t>(i)] = std::move(loaded[i]);
    }
    names = std::move(loadedNames);
    return everyOneLoaded;
}

std::string ProfileStore::LoadAll(ProfileList& list, std::vector<std::string>& names) const {
    std::string problem = StoreFileProblem(QString::fromStdString(applicationName));
    if (problem.empty()) {
        LoadProfiles(list, names);
    }
    return problem;
}

bool ProfileStore::SaveProfiles(const ProfileList& list,
                                const std::vector<std::string>& removed) const {
    if (list.Size() == 0 && removed.empty()) {
        return true;
    }
    ProfileKey key(applicationName);
    if (!key.Open(profilesGroup)) {
        return false;
    }
    bool written = true;
    // Deleted first, so a name that is also in the list is written back whole.
    for (std::size_t i = 0; i < removed.size() && written; ++i) {
        written = key.RemoveSubKey(GroupOf(removed[i]));
    }
    for (std::int32_t i = 0; i < list.Size() && written; ++i) {
        written = WriteProfile(key, list[i]);
    }
    return key.Close() && written;
}

std::string ProfileStore::SaveAll(const ProfileList& list,
                                  const std::vector<std::string>& removed) const {
    if (SaveProfiles(list, removed)) {
        return {};
    }
    return StoreFileWriteProblem(QString::fromStdString(applicationName));
}
