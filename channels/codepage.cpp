// SPDX-License-Identifier: MIT
#include "channels/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace mpt {

namespace {

// glibc's "CP949" is the unified Hangul code of the desktop code page. Qt's codec of the same name
// is a different variant that rewrites 0x1A, 0x1C, 0x5C and 0x7F, which would corrupt FS commands,
// so the conversion goes through iconv.
class Converter {
  public:
    Converter() : m_cd(iconv_open("CP949", "UTF-8")) {
        if (m_cd == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error("this system's iconv has no CP949 converter");
        }
    }
    ~Converter() { iconv_close(m_cd); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    std::string convert(std::string_view in) {
        std::string out;
        out.reserve(in.size() + 8);
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char buffer[256];
        while (srcLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            const size_t rc = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            const int error = errno;  // before the append, which may allocate, can change it
            out.append(buffer, static_cast<size_t>(dst - buffer));
            if (rc != static_cast<size_t>(-1)) {
                continue;
            }
            if (error == E2BIG) {
                continue;
            }
            // EILSEQ or EINVAL: one character that cannot be converted; put '?' in its place and
            // step over it (a whole UTF-8 sequence where it is one, else the single byte).
            out.push_back('?');
            size_t skip = 1;
            const auto lead = static_cast<unsigned char>(*src);
            if (lead >= 0xC0) {
                skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
                for (size_t i = 1; i < skip; ++i) {
                    if (i >= srcLeft || (static_cast<unsigned char>(src[i]) & 0xC0) != 0x80) {
                        skip = i;
                        break;
                    }
                }
            }
            src += skip;
            srcLeft -= skip;
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

  private:
    iconv_t m_cd;
};

}  // namespace

std::string toCp949(std::string_view utf8) {
    // One converter per thread: the console runs on one thread, tests may run on several.
    thread_local Converter converter;
    return converter.convert(utf8);
}

}  // namespace mpt
