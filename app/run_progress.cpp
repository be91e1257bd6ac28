#include "app/run_progress.h"

#include <cstdio>

#include "app/dispatch.h"
#include "channels/fd_io.h"
#include "testpages/skeleton.h"

namespace mpt {

namespace {

// The text boxes of a rehearsal: fixed texts, nothing shown.
class RehearsalBoxes final : public TextBoxes {
  public:
    explicit RehearsalBoxes(std::map<std::string, std::string> texts) : m_texts(std::move(texts)) {}
    std::string text(std::string_view control) override { return m_texts[std::string(control)]; }
    void setText(std::string_view, std::string_view) override {}

  private:
    std::map<std::string, std::string> m_texts;
};

RunSnapshot rehearse(std::string_view name, const std::map<std::string, std::string>& boxes) {
    const auto devices = dryRunDevices();
    RunProgress progress;
    devices->setObserver(&progress);
    Trace silent;
    RehearsalBoxes texts(boxes);
    Console con(texts, *devices, silent);
    runRoutine(con, name);
    return progress.snapshot();
}

// A count this large is estimated from one repetition rather than rehearsed page by page.
constexpr long long kLargestRehearsal = 2000;

std::string secondsText(double s) {
    char text[32];
    std::snprintf(text, sizeof text, s < 10 ? "%.1f s" : "%.0f s", s);
    return text;
}

}  // namespace

RunPlan planRun(std::string_view name, const std::map<std::string, std::string>& boxes) {
    auto withCount = [&](const std::string& count) {
        auto texts = boxes;
        texts["txt1"] = count;
        return rehearse(name, texts);
    };
    RunPlan plan;
    const RunSnapshot none = withCount("0");
    const RunSnapshot one = withCount("1");
    plan.writesPerRepetition = one.writes - none.writes;
    if (plan.writesPerRepetition > 0) {
        try {
            const double count = toCount(boxes.at("txt1"));
            plan.repetitions = count < 1      ? 0
                               : count > 1e15 ? 1'000'000'000'000'000LL
                                              : static_cast<long long>(count);
        } catch (const std::exception&) {
            plan.repetitions = 0;
        }
    }
    if (plan.repetitions <= kLargestRehearsal) {
        plan.totalBytes = rehearse(name, boxes).bytes;
    } else {
        plan.totalBytes =
            none.bytes + static_cast<std::uint64_t>(plan.repetitions) * (one.bytes - none.bytes);
        plan.totalExact = false;
    }
    return plan;
}

void RunProgress::opened(const std::string& port, const std::string& devicePath) {
    std::lock_guard lock(m_mutex);
    m_port = port;
    m_device = devicePath;
}

RunSnapshot RunProgress::snapshot() const {
    RunSnapshot s;
    {
        std::lock_guard lock(m_mutex);
        s.port = m_port;
        s.device = m_device;
    }
    s.bytes = m_bytes;
    s.writes = m_writes;
    return s;
}

std::string withThousands(std::uint64_t n) {
    std::string digits = std::to_string(n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) {
        digits.insert(static_cast<size_t>(i), ",");
    }
    return digits;
}

static std::string where(const RunSnapshot& s) {
    return s.port.empty() ? std::string("no port yet") : s.port + " → " + s.device;
}

static std::string ofTotal(const RunPlan& plan, const RunSnapshot& s) {
    return withThousands(s.bytes) + " of " + (plan.totalExact ? "" : "about ") +
           withThousands(plan.totalBytes) + " bytes";
}

std::string progressText(std::string_view caption, const RunPlan& plan, const RunSnapshot& now) {
    std::string text(caption);
    while (!text.empty() && text.front() == ' ') {
        text.erase(0, 1);
    }
    text += ": ";
    if (plan.repetitions > 0 && plan.writesPerRepetition > 0) {
        const long long repetition =
            std::min(plan.repetitions, now.writes / plan.writesPerRepetition + 1);
        text += "repetition " + withThousands(static_cast<std::uint64_t>(repetition)) + " of " +
                withThousands(static_cast<std::uint64_t>(plan.repetitions)) + ", ";
    }
    return text + ofTotal(plan, now) + ", " + where(now);
}

std::string finishedText(const RunSnapshot& end, std::chrono::milliseconds took) {
    if (end.port.empty()) {
        return "Nothing sent: no repetition asked for.";
    }
    std::string text = "Sent " + withThousands(end.bytes) + " bytes to " + where(end) + " in " +
                       secondsText(static_cast<double>(took.count()) / 1000.0);
    if (end.port.rfind("COM", 0) == 0) {
        // 10 bits a byte on the wire: a start bit, 8 data bits, a stop bit.
        text += " (the wire needs " + secondsText(static_cast<double>(end.bytes) * 10.0 / 9600.0) +
                " at 9600 baud)";
    }
    return text;
}

std::string faultText(const ConsoleError& error, const RunPlan& plan, const RunSnapshot& end,
                      std::chrono::milliseconds limit) {
    const std::string progress = " after " + ofTotal(plan, end);
    if (error.number() == err::kDeviceTimeout) {
        const bool serial = end.port.rfind("COM", 0) == 0;
        return std::string("stalled: the printer ") + (serial ? "held CTS low" : "took no data") +
               " for " + mpt::seconds(limit) + progress;
    }
    return "failed with error " + std::to_string(error.number()) + " (" + error.text() + ")" +
           progress;
}

}  // namespace mpt
