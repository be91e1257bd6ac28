// SPDX-License-Identifier: MIT
#include "channels/access_advice.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "channels/posix_devices.h"
#include "channels/texts.h"

namespace mpt {

namespace {

// The name of a user or a group by its number, or none where it has no name. The reentrant
// lookups: advice is worded on the run's worker thread while the window's thread may look up
// names for the Ports dialog.
template <typename Entry, typename Id, typename Lookup>
std::optional<std::string> nameOf(Id id, Lookup lookup, char* Entry::*name) {
    Entry entry{};
    Entry* found = nullptr;
    std::vector<char> buffer(1024);
    while (lookup(id, &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (1u << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    if (found == nullptr) {
        return std::nullopt;
    }
    return std::string(found->*name);
}

std::optional<std::string> userName(uid_t uid) {
    return nameOf(uid, ::getpwuid_r, &passwd::pw_name);
}

std::optional<std::string> groupName(gid_t gid) {
    return nameOf(gid, ::getgrgid_r, &group::gr_name);
}

std::string ownerAndMode(const struct stat& st) {
    const std::optional<std::string> user = userName(st.st_uid);
    const std::optional<std::string> grp = groupName(st.st_gid);
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    return fill(
        translate("Ports", "owned by %1:%2 with mode %3"),
        {user ? *user : std::to_string(st.st_uid), grp ? *grp : std::to_string(st.st_gid), mode});
}

}  // namespace

std::string accessAdvice(const std::string& devicePath) {
    struct stat st {};
    if (::stat(devicePath.c_str(), &st) == 0) {
        const std::optional<std::string> grp = groupName(st.st_gid);
        if ((st.st_mode & S_IWGRP) != 0 && st.st_gid != 0 && grp) {
            return fill(translate("Ports", "join the %1 group, then log in again"), {*grp});
        }
        return fill(translate("Ports",
                              "%1, so no group may write to it; ask for write access, "
                              "or run as its owner"),
                    {ownerAndMode(st)});
    }
    // The directory the file would really go in, not the one its path spells.
    const std::string directory = newFilePlace(devicePath).directory;
    if (!directory.empty() && ::stat(directory.c_str(), &st) == 0) {
        return fill(translate("Ports", "it cannot be made in %1, %2"),
                    {directory, ownerAndMode(st)});
    }
    return translate("Ports", "neither it nor its directory can be looked at");
}

}  // namespace mpt
