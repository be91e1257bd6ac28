// SPDX-License-Identifier: MIT
// Whether the test program runs under AddressSanitizer. It holds freed blocks in quarantine on
// purpose, so a process's memory grows there whatever the code does: memory bounds are not judged
// in that build, whose leak checker watches for kept memory instead.
#pragma once

namespace mpt::testing {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif
#else
inline constexpr bool kAddressSanitizer = false;
#endif

}  // namespace mpt::testing
