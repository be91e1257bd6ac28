// SPDX-License-Identifier: MIT
#include "core/locale_output.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <streambuf>

namespace mpt {

namespace {

// "UTF-8", "utf8", "ANSI_X3.4-1968": upper case, without "-" and "_", for comparing.
std::string folded(const std::string& codeset) {
    std::string out;
    for (const char c : codeset) {
        if (c != '-' && c != '_') {
            out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        }
    }
    return out;
}

// The length of the UTF-8 character whose first byte is `lead`; 1 for a byte that starts none.
std::size_t utf8Length(unsigned char lead) {
    return lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

// Collects what std::cerr writes and hands it on converted at each flush (std::cerr flushes after
// every output operation); a character cut at the end of a piece waits for the rest of it.
class ConvertingBuffer final : public std::streambuf {
  public:
    ConvertingBuffer(std::streambuf* out, iconv_t convert) : m_out(out), m_convert(convert) {}

  protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            m_pending.push_back(traits_type::to_char_type(c));
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        m_pending.append(s, static_cast<std::size_t>(n));
        return n;
    }
    int sync() override {
        std::string converted;
        char* in = m_pending.data();
        std::size_t inLeft = m_pending.size();
        while (inLeft > 0) {
            char buffer[256];
            char* out = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t result = ::iconv(m_convert, &in, &inLeft, &out, &outLeft);
            const int error = errno;  // before the append, which may allocate, can change it
            converted.append(buffer, sizeof buffer - outLeft);
            if (result != static_cast<std::size_t>(-1) || error == E2BIG) {
                continue;
            }
            if (error == EINVAL) {
                break;  // the rest of the character comes with the next piece
            }
            // A character the set lacks, or a byte that is no UTF-8: "?" in its place.
            const std::size_t skip = std::min(inLeft, utf8Length(static_cast<unsigned char>(*in)));
            converted.push_back('?');
            in += skip;
            inLeft -= skip;
            ::iconv(m_convert, nullptr, nullptr, nullptr, nullptr);
        }
        m_pending.erase(0, m_pending.size() - inLeft);
        if (m_out->sputn(converted.data(), static_cast<std::streamsize>(converted.size())) !=
            static_cast<std::streamsize>(converted.size())) {
            return -1;
        }
        return m_out->pubsync();
    }

  private:
    std::streambuf* m_out;
    iconv_t m_convert;
    std::string m_pending;
};

}  // namespace

std::string localeCodeset() {
    if (const locale_t user = ::newlocale(LC_CTYPE_MASK, "", nullptr); user != nullptr) {
        std::string codeset = ::nl_langinfo_l(CODESET, user);
        ::freelocale(user);
        return codeset;
    }
    // Not installed here: the locale's name still says which set the terminal expects.
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr || *value == '\0') {
            continue;
        }
        const std::string name = value;
        const std::size_t dot = name.find('.');
        return dot == std::string::npos ? std::string()
                                        : name.substr(dot + 1, name.find('@', dot) - dot - 1);
    }
    return {};
}

bool writeStandardErrorIn(const std::string& codeset) {
    const std::string set = folded(codeset);
    if (set.empty() || set == "UTF8" || set == "ANSIX3.41968" || set == "ASCII" ||
        set == "USASCII") {
        return false;
    }
    const iconv_t convert = ::iconv_open(codeset.c_str(), "UTF-8");
    if (convert == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    // Never freed: std::cerr may be written until the very end of the program.
    static auto* buffer = new ConvertingBuffer(std::cerr.rdbuf(), convert);
    std::cerr.rdbuf(buffer);
    return true;
}

}  // namespace mpt
