// SPDX-License-Identifier: MIT
#include "core/printer_words.h"

#include <cstdio>

#include "core/texts.h"

namespace mpt {

using status::Verdict;

std::string verdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::Ready: return translate("PrinterStatus", "ready");
        case Verdict::OffLine: return translate("PrinterStatus", "off line");
        case Verdict::CoverOpen: return translate("PrinterStatus", "cover open");
        case Verdict::PaperOut: return translate("PrinterStatus", "paper out");
        case Verdict::PaperNearEnd: return translate("PrinterStatus", "paper near end");
        case Verdict::PrinterError: return translate("PrinterStatus", "printer error");
        case Verdict::NoAnswer:
            return translate("PrinterStatus",
                             "no answer: this printer or its cable does not send data back");
        case Verdict::CannotAnswer:
            return translate("PrinterStatus",
                             "this port cannot answer: it leads to a FIFO, a plain file or a "
                             "port without read-back");
    }
    return {};
}

std::string afterRunText(Verdict verdict) {
    return fill(translate("PrinterStatus", "Printer after the run: %1"), {verdictText(verdict)});
}

int exitCodeOf(Verdict verdict) {
    switch (verdict) {
        case Verdict::Ready: return 0;
        case Verdict::OffLine: return 3;
        case Verdict::CoverOpen: return 4;
        case Verdict::PaperOut: return 5;
        case Verdict::PaperNearEnd: return 6;
        case Verdict::PrinterError: return 7;
        case Verdict::NoAnswer: return 8;
        case Verdict::CannotAnswer: return 9;
    }
    return 8;
}

int checkExitCodeOf(Verdict verdict) {
    return verdict == Verdict::PaperNearEnd ? 0 : exitCodeOf(verdict);
}

namespace {

const char* yesNo(bool value) {
    return value ? "yes" : "no";
}

const char* verdictKey(Verdict verdict) {
    switch (verdict) {
        case Verdict::Ready: return "ready";
        case Verdict::OffLine: return "off-line";
        case Verdict::CoverOpen: return "cover-open";
        case Verdict::PaperOut: return "paper-out";
        case Verdict::PaperNearEnd: return "paper-near-end";
        case Verdict::PrinterError: return "printer-error";
        case Verdict::NoAnswer: return "no-answer";
        case Verdict::CannotAnswer: return "cannot-answer";
    }
    return "";
}

}  // namespace

std::vector<std::pair<std::string, std::string>> factLines(const status::Report& report) {
    using status::Reach;
    std::vector<std::pair<std::string, std::string>> lines;
    lines.emplace_back("port", report.port);
    lines.emplace_back("device", report.device);
    static constexpr const char* kReach[] = {"yes", "none", "garbled", "cannot"};
    lines.emplace_back("answer", kReach[static_cast<int>(report.reach)]);
    const status::PrinterFacts& f = report.facts;
    const auto flag = [&](const char* fact, const std::optional<bool>& value) {
        if (value) {
            lines.emplace_back(fact, yesNo(*value));
        }
    };
    if (f.offLine) {
        lines.emplace_back("on-line", yesNo(!*f.offLine));
    }
    if (f.coverOpen) {
        lines.emplace_back("cover", *f.coverOpen ? "open" : "closed");
    }
    if (f.paperNearEnd || f.paperOut) {
        lines.emplace_back("paper", f.paperOut.value_or(false)       ? "out"
                                    : f.paperNearEnd.value_or(false) ? "near-end"
                                                                     : "loaded");
    }
    if (f.drawerOpen) {
        lines.emplace_back("drawer", *f.drawerOpen ? "open" : "closed");
    }
    flag("feed-button", f.feedButton);
    flag("recoverable-error", f.recoverableError);
    flag("cutter-error", f.cutterError);
    flag("unrecoverable-error", f.unrecoverableError);
    flag("auto-recoverable-error", f.autoRecoverableError);
    if (f.modelId) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02x", *f.modelId);
        lines.emplace_back("model", hex);
    }
    flag("two-byte-characters", f.twoByteCharacters);
    flag("cutter", f.cutter);
    if (f.firmware) {
        lines.emplace_back("firmware", *f.firmware);
    }
    if (f.maker) {
        lines.emplace_back("maker", *f.maker);
    }
    if (f.modelName) {
        lines.emplace_back("model-name", *f.modelName);
    }
    lines.emplace_back("verdict", verdictKey(status::verdictOf(report)));
    return lines;
}

std::vector<std::string> factsInWords(const status::Report& report) {
    std::vector<std::string> lines;
    const Verdict verdict = status::verdictOf(report);
    lines.push_back(fill(translate("PrinterStatus", "%1 (%2): %3"),
                         {report.port, report.device, verdictText(verdict)}));
    if (report.reach != status::Reach::Answered) {
        return lines;
    }
    const status::PrinterFacts& f = report.facts;
    if (f.offLine) {
        lines.push_back(*f.offLine ? translate("PrinterStatus", "off line")
                                   : translate("PrinterStatus", "on line"));
    }
    if (f.coverOpen) {
        lines.push_back(*f.coverOpen ? translate("PrinterStatus", "cover open")
                                     : translate("PrinterStatus", "cover closed"));
    }
    if (f.paperOut.value_or(false)) {
        lines.push_back(translate("PrinterStatus", "paper out"));
    } else if (f.paperNearEnd.value_or(false)) {
        lines.push_back(translate("PrinterStatus", "paper near end"));
    } else if (f.paperOut) {
        lines.push_back(translate("PrinterStatus", "paper loaded"));
    }
    if (f.drawerOpen) {
        lines.push_back(*f.drawerOpen ? translate("PrinterStatus", "drawer open")
                                      : translate("PrinterStatus", "drawer closed"));
    }
    if (f.feedButton.value_or(false)) {
        lines.push_back(translate("PrinterStatus", "the feed button is pressed"));
    }
    if (f.recoverableError.value_or(false)) {
        lines.push_back(translate("PrinterStatus", "recoverable error"));
    }
    if (f.cutterError.value_or(false)) {
        lines.push_back(translate("PrinterStatus", "cutter error"));
    }
    if (f.unrecoverableError.value_or(false)) {
        lines.push_back(translate("PrinterStatus", "unrecoverable error"));
    }
    if (f.autoRecoverableError.value_or(false)) {
        lines.push_back(translate("PrinterStatus", "error that clears by itself"));
    }
    if (f.modelName || f.maker) {
        lines.push_back(fill(translate("PrinterStatus", "model: %1 %2"),
                             {f.maker.value_or(""), f.modelName.value_or("")}));
    }
    if (f.firmware) {
        lines.push_back(fill(translate("PrinterStatus", "firmware: %1"), {*f.firmware}));
    }
    if (f.twoByteCharacters || f.cutter) {
        lines.push_back(
            fill(translate("PrinterStatus", "two-byte characters: %1, cutter: %2"),
                 {f.twoByteCharacters.value_or(false) ? translate("PrinterStatus", "yes")
                                                      : translate("PrinterStatus", "no"),
                  f.cutter.value_or(false) ? translate("PrinterStatus", "yes")
                                           : translate("PrinterStatus", "no")}));
    }
    return lines;
}

}  // namespace mpt
