// SPDX-License-Identifier: MIT
// What would let this user open a device file that refused them. Kept apart from the port help and
// the device inventory, which both use it, so that neither has to include the other.
#pragma once

#include <string>

namespace mpt {

// What would let this user open a device file that refused them: "join the dialout group, then
// log in again" where the file's group may write to it (dialout, uucp, lp …); otherwise what its
// permissions are, since no group would help ("owned by root:root with mode 0444, so no group
// may write to it …"), or for a file that is not there, those of the directory it would go in.
std::string accessAdvice(const std::string& devicePath);

}  // namespace mpt
