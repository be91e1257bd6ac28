// Writing to a device file descriptor without ever hanging: shared by the serial port and the
// parallel device file.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace mpt {

class DeviceObserver;

// Owns a file descriptor and closes it on every path.
class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release();
    // Closes the descriptor; returns the errno of a failed close, or 0.
    int reset();

  private:
    int m_fd = -1;
};

// A reader that goes away (a FIFO's, a pseudo-terminal's) must be an error of the write, not a
// signal that ends the console. Called before any device is opened.
void ignoreSigpipe();

// "30 s", "0.25 s": a span as a technician reads it in an error box.
std::string seconds(std::chrono::milliseconds span);

// Writes every byte to a non-blocking descriptor, retrying on EINTR and short writes and waiting
// while the device takes nothing. Raises "Device timeout" when `limit` passes without a single
// byte taken, and "Device I/O error" (with the system's reason) when the device refuses the write.
// Each part the device takes is reported to `observer` (which may be null) as it is taken.
void writeAll(int fd, std::string_view bytes, std::chrono::milliseconds limit,
              const std::string& devicePath, DeviceObserver* observer);

// Waits until the device reports room for more, which a printer driver that writes behind the
// caller's back (USB printers) reports only once its last transfer is done; for a terminal or a
// parallel port driver it only means room. Raises "Device
// timeout" when `limit` passes first, and "Device I/O error" when the device went away.
void waitUntilTaken(int fd, std::chrono::milliseconds limit, const std::string& devicePath);

}  // namespace mpt
