// SPDX-License-Identifier: MIT
// The virtual printer's window, beside the console: the pages printed so far in a list, and the
// chosen page drawn as the paper would come out of the printer.
//
// It follows the newest page with something printed on it as pages arrive (not the feed after a
// cut, nor the empty page of a second cut at the same place), its view kept at the page's end,
// where the paper comes out, until another page is chosen or the view is scrolled away from that
// end; choosing that page again, or scrolling back to the end, follows again. Arrivals are gathered
// for a moment before the window redraws, so a stream read in many small parts redraws once, and a
// long one a few times a second. The window takes nothing from the console; it watches the
// VirtualPrinter, which outlives it. Beneath the list, the printer's switches (paper, cover, on or
// off line, drawer, error) set what it answers to status requests, and whether it takes bytes.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <vector>

#include "printer/layout.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QScrollArea;

namespace mpt {

class VirtualPrinter;

class PreviewWindow : public QWidget {
    Q_OBJECT

  public:
    explicit PreviewWindow(VirtualPrinter& printer, QWidget* parent = nullptr);

    // Where the console and the printer's window go on a screen, as frames (the window manager's
    // title and borders included): both wholly visible, neither over the other, wherever the
    // screen from 1024x768 up allows. The console goes to the top left corner of the screen's
    // available area; the printer's window beside it, as wide as wanted up to the area's edge,
    // where at least kNarrowestBeside is left; else under it, as high as wanted down to the
    // area's foot, where at least kLowestUnder is left; else (a smaller screen) over the console
    // at the area's right edge.
    struct Placement {
        QRect console;
        QRect printer;
    };
    static constexpr int kNarrowestBeside = 980;
    static constexpr int kLowestUnder = 300;
    static constexpr int kGap = 8;
    static Placement place(const QRect& available, QSize consoleFrame, QSize printerFrame);

    // Places the console and opens a preview by place(). Closing the console ends the program,
    // and the preview with it; closing the preview leaves the console running. The console keeps
    // the keyboard focus.
    static std::unique_ptr<PreviewWindow> openBeside(VirtualPrinter& printer, QWidget& console);

    // What the window shows: the pages in its list (a copy), the chosen one, its picture.
    std::vector<printer::Page> pages() const;
    int pageCount() const { return static_cast<int>(m_pages.size()); }
    int shownPage() const { return m_shown; }
    // Whether it follows the newest page as it arrives.
    bool following() const { return m_follow && !m_scrolledAway; }
    const printer::Page* shownPageModel() const;
    QImage shownImage() const;

    // Redraws now rather than after the pause that gathers arrivals.
    void refresh();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void createControls();
    QWidget* createSwitches();
    // The switches as the printer has them, and the printer's as the switches say.
    void showSwitches();
    void setSwitches();
    void connectControls();
    void choose(int row);
    // Shows the picture as wide as the paper's view, scaled down where it is narrower, so that
    // the margin's notes are never cut off.
    void fitPicture();
    void scrollToEnd();
    // The newest page with text, a logo or a bar code on it; else the newest page; -1 for none.
    int newestPrinted() const;

    VirtualPrinter& m_printer;
    QLabel* m_status = nullptr;
    QListWidget* m_list = nullptr;
    QPushButton* m_clear = nullptr;
    QComboBox* m_paperSwitch = nullptr;
    QCheckBox* m_coverSwitch = nullptr;
    QCheckBox* m_offLineSwitch = nullptr;
    QCheckBox* m_drawerSwitch = nullptr;
    QComboBox* m_errorSwitch = nullptr;
    QLabel* m_picture = nullptr;
    QScrollArea* m_paper = nullptr;
    QPixmap m_full;  // the shown page's picture at its own size
    QTimer m_gather;
    // Shared with the printer's paper, not copied: the window adds only the page in the printer.
    std::vector<printer::SharedPage> m_pages;
    int m_shown = -1;
    bool m_follow = true;
    bool m_scrolledAway = false;  // the user scrolled the view away from the page's end
    bool m_filling = false;       // the list is being refilled: its signals are not the user's
};

}  // namespace mpt
