#include "printer/file_commands.h"

#include <QGuiApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>

#include "printer/decoder.h"
#include "printer/layout.h"
#include "printer/listing.h"
#include "printer/render.h"

namespace mpt::printer {

namespace {

std::optional<std::string> readAll(const std::string& path, std::ostream& err) {
    if (path == "-") {
        return std::string(std::istreambuf_iterator<char>(std::cin), {});
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        err << "mini-printer-test: cannot read " << path << '\n';
        return std::nullopt;
    }
    std::ostringstream all;
    all << in.rdbuf();
    return std::move(all).str();
}

// Drawing text needs a GUI application; the offscreen platform needs no display.
std::unique_ptr<QGuiApplication> guiApplication() {
    if (QCoreApplication::instance() != nullptr) {
        return nullptr;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "mini-printer-test";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int decodeFile(const std::string& path, std::ostream& out, std::ostream& err) {
    const std::optional<std::string> stream = readAll(path, err);
    if (!stream) {
        return 1;
    }
    writeListing(*stream, out);
    return 0;
}

int renderFile(const std::string& path, const std::string& directory, std::ostream& out,
               std::ostream& err) {
    const std::optional<std::string> stream = readAll(path, err);
    if (!stream) {
        return 1;
    }
    std::error_code ec;
    std::filesystem::create_directories(directory, ec);
    if (ec) {
        err << "mini-printer-test: cannot make the directory " << directory << ": " << ec.message()
            << '\n';
        return 1;
    }
    const auto app = guiApplication();
    PageBuilder paper;
    paper.add(decode(*stream));
    std::vector<Page> pages = paper.cutPages();
    const Page rest = paper.inPrinter();
    const bool restPrinted = rest.hasPrint();
    if (restPrinted) {
        pages.push_back(rest);
    }
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        char name[32];
        std::snprintf(name, sizeof name, "page-%03d%s.png", number,
                      pages[i].cut == Cut::None ? "-uncut" : "");
        const std::filesystem::path file = std::filesystem::path(directory) / name;
        const QString caption = pageCaption(pages[i], number);
        if (!renderPage(pages[i], caption).save(QString::fromStdString(file.string()), "PNG")) {
            err << "mini-printer-test: cannot write " << file.string() << '\n';
            return 1;
        }
        out << file.string() << '\t' << caption.toStdString() << '\n';
    }
    if (!restPrinted && !rest.elements.empty()) {
        out << "(after the last cut: line feeds and marks only, nothing printed; no picture)\n";
    }
    return 0;
}

}  // namespace mpt::printer
