// SPDX-License-Identifier: MIT
// The virtual printer's window, beside the console: the pages printed so far in a list, and the
// chosen page drawn as the paper would come out of the printer.
//
// It follows the newest page with something printed on it as pages arrive (not the feed after a
// cut, nor the empty page of a second cut at the same place), until another page is chosen;
// choosing that page again follows again. Arrivals are gathered for a moment before the window
// redraws, so a stream read in many small parts redraws once, and a long one a few times a second.
// The window takes nothing from the console; it watches the VirtualPrinter, which outlives it.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <vector>

#include "printer/layout.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace mpt {

class VirtualPrinter;

class PreviewWindow : public QWidget {
    Q_OBJECT

  public:
    explicit PreviewWindow(VirtualPrinter& printer, QWidget* parent = nullptr);

    // Shows a preview to the right of the console's window. Closing the console ends the
    // program, and the preview with it; closing the preview leaves the console running.
    // Where the window goes: beside the console where the screen has room for `narrowest` pixels,
    // as wide as wanted up to the screen's edge; otherwise over the console at the screen's right
    // edge; never off the screen.
    static QRect placeBeside(const QRect& console, const QRect& screen, QSize wanted,
                             int narrowest);
    static std::unique_ptr<PreviewWindow> openBeside(VirtualPrinter& printer,
                                                     const QWidget& console);

    // What the window shows: the pages in its list (a copy), the chosen one, its picture.
    std::vector<printer::Page> pages() const;
    int pageCount() const { return static_cast<int>(m_pages.size()); }
    int shownPage() const { return m_shown; }
    const printer::Page* shownPageModel() const;
    QImage shownImage() const;

    // Redraws now rather than after the pause that gathers arrivals.
    void refresh();

  private:
    void createControls();
    void connectControls();
    void choose(int row);
    // The newest page with text, a logo or a bar code on it; else the newest page; -1 for none.
    int newestPrinted() const;

    VirtualPrinter& m_printer;
    QLabel* m_status = nullptr;
    QListWidget* m_list = nullptr;
    QPushButton* m_clear = nullptr;
    QLabel* m_picture = nullptr;
    QTimer m_gather;
    // Shared with the printer's paper, not copied: the window adds only the page in the printer.
    std::vector<printer::SharedPage> m_pages;
    int m_shown = -1;
    bool m_follow = true;
    bool m_filling = false;  // the list is being refilled: its signals are not the user's
};

}  // namespace mpt
