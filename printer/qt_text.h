// SPDX-License-Identifier: MIT
// The one way a text of the Qt-free libraries (UTF-8, as they all are: code page 949 is decoded
// before any text reaches them) becomes a QString for the windows and the paper.
#pragma once

#include <QString>
#include <string_view>

namespace mpt {

inline QString qtText(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace mpt
