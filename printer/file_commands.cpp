// SPDX-License-Identifier: MIT
#include "printer/file_commands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QGuiApplication>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "core/texts.h"
#include "printer/decoder.h"
#include "printer/layout.h"
#include "printer/listing.h"
#include "printer/render.h"

namespace mpt::printer {

namespace {

// A stream kept in a file, read a part at a time so that a file of any size is read in constant
// memory. "-" is standard input. Only what holds a stream that ends is read: a regular file, a
// FIFO or pipe, a socket; a device (/dev/zero, a terminal) or a directory is refused.
class StreamFile {
  public:
    static constexpr std::size_t kPart = 64 * 1024;

    StreamFile(const std::string& path, std::ostream& err) : m_path(path), m_err(&err) {
        const bool standardInput = path == "-";
        m_fd = standardInput ? 0 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0) {
            cannotRead(errno);
            return;
        }
        m_owned = !standardInput;
        struct stat st {};
        if (::fstat(m_fd, &st) != 0) {
            cannotRead(errno);
            close();
            return;
        }
        if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode) && !S_ISSOCK(st.st_mode)) {
            const std::string name = standardInput ? translate("Files", "standard input") : path;
            const std::string text =
                S_ISDIR(st.st_mode)
                    ? translate("Files",
                                "%1 is a directory, not a stream kept in a file: give a "
                                "file or a FIFO")
                : S_ISCHR(st.st_mode)
                    ? translate("Files",
                                "%1 is a character device, not a stream kept in a file: "
                                "give a file or a FIFO")
                : S_ISBLK(st.st_mode)
                    ? translate("Files",
                                "%1 is a block device, not a stream kept in a file: give "
                                "a file or a FIFO")
                    : translate("Files",
                                "%1 is not a file, not a stream kept in a file: give a "
                                "file or a FIFO");
            err << "mini-printer-test: " << fill(text, {name}) << '\n';
            close();
        }
    }
    ~StreamFile() { close(); }
    StreamFile(const StreamFile&) = delete;
    StreamFile& operator=(const StreamFile&) = delete;

    bool ready() const { return m_fd >= 0; }
    std::uint64_t bytesRead() const { return m_total; }

    // The next part; empty at the end. Sets failed() when the system refuses a read.
    std::string_view next() {
        while (true) {
            const ssize_t n = ::read(m_fd, m_buffer.data(), m_buffer.size());
            if (n > 0) {
                m_total += static_cast<std::uint64_t>(n);
                return {m_buffer.data(), static_cast<std::size_t>(n)};
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                cannotRead(errno);
                m_failed = true;
            }
            return {};
        }
    }
    bool failed() const { return m_failed; }

  private:
    // `error` is taken before anything else can change errno.
    void cannotRead(int error) {
        *m_err << "mini-printer-test: "
               << fill(translate("Files", "cannot read %1: %2"), {m_path, std::strerror(error)})
               << '\n';
    }

    void close() {
        if (m_owned && m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = -1;
    }

    std::string m_path;
    std::ostream* m_err;
    int m_fd = -1;
    bool m_owned = false;
    bool m_failed = false;
    std::uint64_t m_total = 0;
    std::vector<char> m_buffer = std::vector<char>(kPart);
};

// Whether `name` is one --render gives a picture: "page-", digits, "-uncut" or not, ".png".
bool isPageName(std::string_view name) {
    constexpr std::string_view kPrefix = "page-";
    constexpr std::string_view kUncut = "-uncut";
    constexpr std::string_view kPng = ".png";
    if (!name.starts_with(kPrefix) || !name.ends_with(kPng)) {
        return false;
    }
    name.remove_prefix(kPrefix.size());
    name.remove_suffix(kPng.size());
    if (name.ends_with(kUncut)) {
        name.remove_suffix(kUncut.size());
    }
    return !name.empty() &&
           std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Removes the pictures an earlier --render left in the directory (page-001.png,
// page-012-uncut.png …), so that none of them is taken for a page of this stream. Nothing else.
bool removeOldPages(const std::filesystem::path& directory, std::ostream& err) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(directory, ec)) {
        if (isPageName(entry.path().filename().string()) &&
            !std::filesystem::remove(entry.path(), ec)) {
            break;
        }
    }
    if (ec) {
        err << "mini-printer-test: "
            << fill(translate("Files", "cannot clear the old pages in %1: %2"),
                    {directory.string(), ec.message()})
            << '\n';
        return false;
    }
    return true;
}

// Drawing text needs a GUI application; the offscreen platform needs no display.
std::unique_ptr<QGuiApplication> guiApplication() {
    if (QCoreApplication::instance() != nullptr) {
        return nullptr;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A command without a window has nothing to say about the desktop session it may lack.
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (!text.startsWith(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR")) &&
                previous != nullptr) {
                previous(type, context, text);
            }
        });
    static int argc = 1;
    static char name[] = "mini-printer-test";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int decodeFile(const std::string& path, std::ostream& out, std::ostream& err) {
    StreamFile file(path, err);
    if (!file.ready()) {
        return 1;
    }
    Decoder decoder;
    ListingWriter listing(out);
    for (std::string_view part; !(part = file.next()).empty();) {
        listing.add(decoder.feed(part));
    }
    if (file.failed()) {
        return 1;
    }
    listing.add(decoder.finish());
    listing.finish(file.bytesRead());
    return 0;
}

int renderFile(const std::string& path, const std::string& directory, std::ostream& out,
               std::ostream& err) {
    StreamFile file(path, err);
    if (!file.ready()) {
        return 1;
    }
    std::error_code ec;
    std::filesystem::create_directories(directory, ec);
    if (ec) {
        err << "mini-printer-test: "
            << fill(translate("Files", "cannot make the directory %1: %2"),
                    {directory, ec.message()})
            << '\n';
        return 1;
    }
    if (!removeOldPages(directory, err)) {
        return 1;
    }
    const auto app = guiApplication();
    int number = 0;
    // Each page is drawn and written as soon as it is cut, and then forgotten.
    const auto save = [&](const Page& page) {
        ++number;
        char name[32];
        std::snprintf(name, sizeof name, "page-%03d%s.png", number,
                      page.cut == Cut::None && !page.torn ? "-uncut" : "");
        const std::filesystem::path picture = std::filesystem::path(directory) / name;
        const QString caption = pageCaption(page, number);
        if (!writePng(renderPage(page, caption), QString::fromStdString(picture.string()))) {
            err << "mini-printer-test: "
                << fill(translate("Files", "cannot write %1"), {picture.string()}) << '\n';
            return false;
        }
        out << picture.string() << '\t' << caption.toStdString() << '\n';
        return true;
    };
    Decoder decoder;
    PageBuilder paper;
    for (std::string_view part; !(part = file.next()).empty();) {
        paper.add(decoder.feed(part));
        for (const Page& page : paper.takeCutPages(true)) {
            if (!save(page)) {
                return 1;
            }
        }
    }
    if (file.failed()) {
        return 1;
    }
    paper.add(decoder.finish());
    for (const Page& page : paper.takeCutPages(false)) {
        if (!save(page)) {
            return 1;
        }
    }
    const Page rest = paper.inPrinter();
    if (rest.hasPrint()) {
        if (!save(rest)) {
            return 1;
        }
    } else if (!rest.elements.empty()) {
        out << translate("Files",
                         "(after the last cut: line feeds and marks only, nothing printed; no "
                         "picture)")
            << '\n';
    }
    return 0;
}

}  // namespace mpt::printer
