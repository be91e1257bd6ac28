// SPDX-License-Identifier: MIT
#include "channels/file_table.h"

#include <algorithm>
#include <cctype>

#include "channels/codepage.h"
#include "channels/errors.h"

namespace mpt {

PrintItem::PrintItem(Number number) : m_text(number.value < 0 ? "" : " ") {
    m_text += std::to_string(number.value);
    m_text += ' ';
}

FileTable::~FileTable() {
    release();
}

void FileTable::open(std::string_view name, int fileNumber) {
    m_run->throwIfStopped();
    if (fileNumber < 1 || fileNumber > 511) {
        throw makeError(err::kBadFileNameOrNumber,
                        {.fault = Fault::FileNumber, .number = fileNumber});
    }
    if (isOpen(fileNumber)) {
        throw makeError(err::kFileAlreadyOpen, {.fault = Fault::FileNumber, .number = fileNumber});
    }
    // The desktop resolves device names without regard to case or trailing blanks.
    std::string device(name);
    while (!device.empty() && device.back() == ' ') {
        device.pop_back();
    }
    std::transform(device.begin(), device.end(), device.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (device != "lpt1") {
        throw makeError(err::kBadFileNameOrNumber,
                        {.fault = Fault::NotLpt1, .seen = std::string(name)});
    }
    m_files[fileNumber] = m_devices->openLpt1(*m_run);
    m_events->record(event::FileOpened{name, fileNumber});
}

void FileTable::print(int fileNumber, std::initializer_list<PrintItem> items) {
    statement(fileNumber, items, false);
}

void FileTable::printLine(int fileNumber, std::initializer_list<PrintItem> items) {
    statement(fileNumber, items, true);
}

void FileTable::statement(int fileNumber, std::initializer_list<PrintItem> items, bool endsLine) {
    m_run->throwIfStopped();
    const auto file = m_files.find(fileNumber);
    if (file == m_files.end()) {
        throw makeError(err::kBadFileNameOrNumber,
                        {.fault = Fault::FileNotOpen, .number = fileNumber});
    }
    std::string text;
    for (const PrintItem& item : items) {
        text += item.text();
    }
    if (endsLine) {
        text += "\r\n";
    }
    const std::string bytes = toCp949(text);
    m_events->record(event::Printed{bytes});
    file->second->write(bytes);
    if (DeviceObserver* observer = m_run->observer; observer != nullptr) {
        observer->wrote();
    }
}

void FileTable::close(int fileNumber) {
    const auto file = m_files.find(fileNumber);
    if (file == m_files.end()) {
        return;
    }
    // The number is free again whatever the device reports on closing.
    std::unique_ptr<OutputFile> device = std::move(file->second);
    m_files.erase(file);
    m_events->record(event::FileClosed{fileNumber});
    device->close();
    // A stop that came while the file was closing ends the run here.
    m_run->throwIfStopped(RunStopped::At::Close);
}

void FileTable::release() {
    while (!m_files.empty()) {
        try {
            close(m_files.begin()->first);
        } catch (const ConsoleError&) {
            // The routine's own error is the one the technician needs to see.
        } catch (const RunStopped&) {
            // The run has already ended; the file is closed.
        }
    }
}

}  // namespace mpt
