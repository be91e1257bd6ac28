// SPDX-License-Identifier: MIT
// The parallel printer's device file on a POSIX system: /dev/lp0, /dev/usb/lp0, or whatever
// MPT_LPT1 names (a FIFO or a plain file is welcome: benches capture streams that way).
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "channels/errors.h"
#include "channels/fd_io.h"
#include "channels/posix_devices.h"

namespace mpt {

namespace {

class PosixOutput final : public OutputFile {
  public:
    PosixOutput(UniqueFd fd, std::string path, DeviceObserver* observer, std::stop_token stop,
                bool readBack = false)
        : m_readBack(readBack),
          m_fd(std::move(fd)),
          m_path(std::move(path)),
          m_observer(observer),
          m_stop(std::move(stop)),
          m_device(isCharacterDevice(m_fd.get())),
          m_probe(m_fd.get(), DeviceState::Kind::Printer, observer, m_device) {}

    static bool isCharacterDevice(int fd) {
        struct stat st {};
        return ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode);
    }

    void write(std::string_view bytes) override {
        writeNotingFault(m_faulted, [&] {
            writeAll(m_fd.get(), bytes, m_limit, m_path, m_observer, m_stop, &m_probe);
        });
    }

    // Only a printer device opened with read-back can answer (a USB printer's driver hands back
    // what the printer sends); a FIFO, a file, or a device opened for the routines' output only
    // cannot.
    Reply ask(std::string_view question, const AnswerEnd& end,
              std::chrono::milliseconds limit) override {
        if (!m_readBack || !m_device) {
            return {};
        }
        // Unanswered, it is not waited for at the close either.
        return askOnDevice(m_fd.get(), question, end, limit, m_path, &m_faulted);
    }

    // Each statement was written straight through, so nothing is buffered here. A pipe keeps its
    // bytes for the reader after close, but a USB printer's driver cancels a transfer still under
    // way when its file closes: for a device the close first waits, within the no-progress
    // limit, until the driver has handed over the last statement; after a stop, only as long as
    // the stop's grace allows, since the driver does not say how much it still holds. The file is
    // closed on every path.
    void close() override {
        if (!m_fd.valid()) {
            return;
        }
        std::optional<ConsoleError> failure;
        bool givenUp = false;  // for a stop; the driver does not say what it still holds
        if (m_device && !m_faulted) {
            try {
                givenUp = !waitUntilTaken(m_fd.get(), m_limit, m_path, m_stop, &m_probe);
            } catch (const ConsoleError& error) {
                failure = error;
            }
        }
        const int closeError = m_fd.reset();
        if (failure) {
            throw *failure;
        }
        if (givenUp) {
            throw RunStopped(0, RunStopped::At::Close);
        }
        if (closeError != 0 && !m_faulted) {
            throw systemError(closeError, Step::Close, m_path);
        }
    }

  private:
    bool m_readBack;
    UniqueFd m_fd;
    std::string m_path;
    DeviceObserver* m_observer;
    std::stop_token m_stop;
    std::chrono::milliseconds m_limit = noProgressLimit();
    bool m_faulted = false;
    bool m_device = false;  // a character device, not a FIFO or a plain file
    StateProbe m_probe;     // asks only a character device: a printer port says its status
};

}  // namespace

std::unique_ptr<OutputFile> openPosixOutput(const std::string& devicePath, DeviceObserver* observer,
                                            std::stop_token stop, bool readBack) {
    ignoreSigpipe();

    // O_NONBLOCK: a FIFO without a reader fails at once (ENXIO) instead of waiting for ever, and
    // writes never block (see writeAll). A plain file is created if missing and started afresh,
    // as output to a file always is; a device or FIFO is never truncated. What is created, and
    // where, is decided on where the path really leads, not on how it is spelled ("//dev/x",
    // "dev/x" from "/"): nothing is ever created under /dev, where a missing name means a missing
    // printer, and nothing through a link that leads nowhere, whose target the user never named.
    int flags = (readBack ? O_RDWR : O_WRONLY) | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    std::string openPath = devicePath;
    bool plainFile = false;
    struct stat st {};
    if (::lstat(devicePath.c_str(), &st) == 0) {
        if (S_ISLNK(st.st_mode) && ::stat(devicePath.c_str(), &st) != 0) {
            if (errno != ENOENT) {
                throw systemError(errno, Step::OpenLpt, devicePath);
            }
            char target[4096] = {};
            const ssize_t size = ::readlink(devicePath.c_str(), target, sizeof target - 1);
            throw makeError(
                err::kDeviceUnavailable,
                {.fault = Fault::LinkToNothing,
                 .device = devicePath,
                 .seen = std::string(target, size > 0 ? static_cast<std::size_t>(size) : 0)});
        }
        plainFile = S_ISREG(st.st_mode);
    } else if (errno == ENOENT) {
        const NewFilePlace place = newFilePlace(devicePath);
        const bool underDev = place.directory == "/dev" || place.directory.rfind("/dev/", 0) == 0;
        if (!place.directory.empty() && !underDev) {
            // The resolved place, and O_NOFOLLOW: a link put there meanwhile is not followed.
            openPath = place.directory + (place.directory == "/" ? "" : "/") + place.name;
            flags |= O_CREAT | O_NOFOLLOW;
            plainFile = true;
        }
    }
    const int raw = ::open(openPath.c_str(), flags, 0666);
    if (raw < 0) {
        throw systemError(errno, Step::OpenLpt, devicePath);
    }
    UniqueFd fd(raw);
    // Held exclusively while open, so that two runs on one printer cannot mix their streams: a
    // second console (or any program that honours flock) is refused instead. A file is emptied
    // only once it is ours, never under a run that is still writing it.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        throw systemError(error, Step::LockLpt, devicePath,
                          error == EWOULDBLOCK ? lockHolder(fd.get()) : std::nullopt);
    }
    if (plainFile && ::ftruncate(fd.get(), 0) != 0) {
        throw systemError(errno, Step::OpenLpt, devicePath);
    }
    return std::make_unique<PosixOutput>(std::move(fd), devicePath, observer, std::move(stop),
                                         readBack);
}

}  // namespace mpt
