// SPDX-License-Identifier: MIT
// What would let this user open a device file that refused them. Kept apart from the port help and
// the device inventory, which both use it, so that neither has to include the other.
#pragma once

#include <string>

namespace mpt {

// What would let this user open a device file that refused them, as found out from the file (or,
// for a file that is not there, the directory it would go in). The core words it.
struct AccessAdvice {
    enum class Kind {
        JoinGroup,     // the file's group may write to it: join `group` (dialout, uucp, lp …)
        NoGroup,       // no group would help: the file is owned by owner:group with `mode`
        CannotMake,    // the file is not there, and `directory` (owner:group, `mode`) refuses it
        CannotLookAt,  // neither the file nor its directory can be looked at
    };
    Kind kind = Kind::CannotLookAt;
    std::string owner;  // user name, or the number where it has none
    std::string group;  // group name, or the number where it has none
    unsigned mode = 0;  // permission bits
    std::string directory;

    bool operator==(const AccessAdvice&) const = default;
};

AccessAdvice accessAdvice(const std::string& devicePath);

}  // namespace mpt
