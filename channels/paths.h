// SPDX-License-Identifier: MIT
// Where a path leads on this system: whether anything is there, and where a new file would go.
#pragma once

#include <string>

namespace mpt {

// Whether anything is at `path` (a device node, a file, a link that leads somewhere).
bool pathExists(const std::string& path);

// Where a new file named by `path` would be made: the real directory (every symbolic link, "."
// and ".." in it followed, a relative path taken from the working directory) and the name in it.
// The directory is empty where it does not exist.
struct NewFilePlace {
    std::string directory;
    std::string name;
};
NewFilePlace newFilePlace(const std::string& path);

}  // namespace mpt
