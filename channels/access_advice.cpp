// SPDX-License-Identifier: MIT
#include "channels/access_advice.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include <cerrno>
#include <optional>
#include <string>
#include <vector>

#include "channels/paths.h"

namespace mpt {

namespace {

// The name of a user or a group by its number, or none where it has no name. The reentrant
// lookups: advice is looked up on the run's worker thread while the window's thread may look up
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

// Owner, group and mode of `st`, for advice where no group would help.
AccessAdvice ownedAs(AccessAdvice::Kind kind, const struct stat& st) {
    AccessAdvice advice;
    advice.kind = kind;
    const std::optional<std::string> user = userName(st.st_uid);
    const std::optional<std::string> grp = groupName(st.st_gid);
    advice.owner = user ? *user : std::to_string(st.st_uid);
    advice.group = grp ? *grp : std::to_string(st.st_gid);
    advice.mode = static_cast<unsigned>(st.st_mode & 07777);
    return advice;
}

}  // namespace

AccessAdvice accessAdvice(const std::string& devicePath) {
    struct stat st {};
    if (::stat(devicePath.c_str(), &st) == 0) {
        const std::optional<std::string> grp = groupName(st.st_gid);
        if ((st.st_mode & S_IWGRP) != 0 && st.st_gid != 0 && grp) {
            AccessAdvice advice;
            advice.kind = AccessAdvice::Kind::JoinGroup;
            advice.group = *grp;
            return advice;
        }
        return ownedAs(AccessAdvice::Kind::NoGroup, st);
    }
    // The directory the file would really go in, not the one its path spells.
    const std::string directory = newFilePlace(devicePath).directory;
    if (!directory.empty() && ::stat(directory.c_str(), &st) == 0) {
        AccessAdvice advice = ownedAs(AccessAdvice::Kind::CannotMake, st);
        advice.directory = directory;
        return advice;
    }
    return {};
}

}  // namespace mpt
