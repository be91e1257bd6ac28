// SPDX-License-Identifier: MIT
#include "routine_streams.h"

#include <map>
#include <memory>
#include <stdexcept>

#include "channels/devices.h"
#include "core/dispatch.h"
#include "testpages/routines.h"

namespace mpt::testing {

namespace {

class RecordingSerial final : public SerialLine {
  public:
    explicit RecordingSerial(RoutineStream& out) : m_out(out) {}
    void apply(const LineSettings&) override {}
    void setHandshaking(int) override {}
    void write(std::string_view bytes) override { record(m_out, bytes); }
    void close() override {}

    static void record(RoutineStream& out, std::string_view bytes) {
        out.writes.emplace_back(bytes);
        out.bytes.append(bytes);
    }

  private:
    RoutineStream& m_out;
};

class RecordingFile final : public OutputFile {
  public:
    explicit RecordingFile(RoutineStream& out) : m_out(out) {}
    void write(std::string_view bytes) override { RecordingSerial::record(m_out, bytes); }
    void close() override {}

  private:
    RoutineStream& m_out;
};

class RecordingDevices final : public Devices {
  public:
    explicit RecordingDevices(RoutineStream& out) : m_out(out) {}
    std::unique_ptr<SerialLine> openSerial(RunContext&, int, const LineSettings&, int) override {
        return std::make_unique<RecordingSerial>(m_out);
    }
    std::unique_ptr<OutputFile> openLpt1(RunContext&) override {
        return std::make_unique<RecordingFile>(m_out);
    }

  private:
    RoutineStream& m_out;
};

}  // namespace

RoutineStream routineStream(const std::string& name, const std::string& count,
                            const std::string& port) {
    RoutineStream stream;
    RecordingDevices devices(stream);
    TextBoxStore boxes(count, port);
    Trace trace;
    Console con(boxes, devices, trace);
    if (const auto error = runRoutine(con, name).error) {
        throw std::runtime_error(name + " failed: " + error->text());
    }
    return stream;
}

std::vector<std::string> routineNames() {
    std::vector<std::string> names;
    for (const RoutineInfo& routine : routines()) {
        names.emplace_back(routine.name);
    }
    return names;
}

}  // namespace mpt::testing
