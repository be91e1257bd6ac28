// SPDX-License-Identifier: MIT
#include "printer/window/preview_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "printer/render.h"
#include "printer/virtual_printer.h"

namespace mpt {

namespace {

constexpr int kGatherMs = 25;

}  // namespace

PreviewWindow::PreviewWindow(VirtualPrinter& printer, QWidget* parent)
    : QWidget(parent), m_printer(printer) {
    setObjectName(QStringLiteral("preview"));
    setWindowTitle(tr("Virtual printer"));
    createControls();
    connectControls();
    resize(1180, 820);
    refresh();
}

PreviewWindow::Placement PreviewWindow::place(const QRect& available, QSize consoleFrame,
                                              QSize printerFrame) {
    const QRect console(available.topLeft(), consoleFrame.boundedTo(available.size()));
    const QSize wanted = printerFrame.boundedTo(available.size());
    // Beside the console where there is room enough, narrower if need be.
    const int besideLeft = console.right() + 1 + kGap;
    const int roomBeside = available.right() + 1 - besideLeft;
    if (roomBeside >= std::min(wanted.width(), kNarrowestBeside)) {
        return {console, QRect(besideLeft, available.top(), std::min(wanted.width(), roomBeside),
                               wanted.height())};
    }
    // Under it, lower if need be.
    const int underTop = console.bottom() + 1 + kGap;
    const int roomUnder = available.bottom() + 1 - underTop;
    if (roomUnder >= std::min(wanted.height(), kLowestUnder)) {
        return {console, QRect(available.left(), underTop, wanted.width(),
                               std::min(wanted.height(), roomUnder))};
    }
    // A screen too small for both: over the console at the right edge, never running off it.
    return {console, QRect(available.right() + 1 - wanted.width(), available.top(), wanted.width(),
                           wanted.height())};
}

std::unique_ptr<PreviewWindow> PreviewWindow::openBeside(VirtualPrinter& printer,
                                                         QWidget& console) {
    auto preview = std::make_unique<PreviewWindow>(printer);
    preview->setAttribute(Qt::WA_QuitOnClose, false);
    // The console keeps the focus: the printer's window shows without taking it.
    preview->setAttribute(Qt::WA_ShowWithoutActivating);
    if (const QScreen* screen = console.screen(); screen != nullptr) {
        // The frame the window manager adds is not known before a window is decorated; until
        // then a title bar and borders of the usual size are allowed for.
        const QSize allowance(8, 32);
        const auto frameOf = [&](const QWidget& window) {
            const QSize frame = window.frameGeometry().size();
            return frame != window.size() ? frame : window.size() + allowance;
        };
        const QSize decoration = frameOf(console) - console.size();
        const Placement place = PreviewWindow::place(screen->availableGeometry(), frameOf(console),
                                                     preview->size() + decoration);
        // A window's position is its frame's.
        console.move(place.console.topLeft());
        preview->resize(place.printer.size() - decoration);
        preview->move(place.printer.topLeft());
    } else {
        preview->move(console.frameGeometry().topRight() + QPoint(kGap, 0));
    }
    preview->show();
    console.raise();
    console.activateWindow();
    return preview;
}

void PreviewWindow::createControls() {
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setToolTip(m_printer.wiring().join(QLatin1Char('\n')));

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("pages"));

    m_clear = new QPushButton(tr("&Clear paper"), this);
    m_clear->setToolTip(tr("Take the printed pages out of the printer (Alt+C)"));
    m_clear->setObjectName(QStringLiteral("clear"));

    m_picture = new QLabel;
    m_picture->setObjectName(QStringLiteral("picture"));
    m_picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("paper"));
    scroll->setWidget(m_picture);
    scroll->setWidgetResizable(false);
    // Narrower than the picture, the picture is scaled to it (fitPicture()); never so narrow that
    // its writing could not be read.
    scroll->setMinimumWidth((printer::kPaperWidth + printer::kMarginWidth) / 2);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll->viewport()->installEventFilter(this);
    m_paper = scroll;

    auto* side = new QVBoxLayout;
    side->addWidget(m_status);
    side->addWidget(m_list, 1);
    side->addWidget(m_clear);
    side->addWidget(createSwitches());
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(side, 0);
    layout->addWidget(scroll, 1);
    m_list->setMinimumWidth(220);

    m_gather.setSingleShot(true);
    m_gather.setInterval(kGatherMs);
}

QWidget* PreviewWindow::createSwitches() {
    auto* box = new QGroupBox(tr("Printer"), this);
    box->setObjectName(QStringLiteral("switches"));
    box->setToolTip(
        tr("What the printer answers when asked its status; paper out, cover open, "
           "off line and an error make it take no more bytes until cleared"));
    m_paperSwitch = new QComboBox(box);
    m_paperSwitch->setObjectName(QStringLiteral("switchPaper"));
    m_paperSwitch->addItems({tr("Paper loaded"), tr("Paper near end"), tr("Paper out")});
    m_coverSwitch = new QCheckBox(tr("Cover open"), box);
    m_coverSwitch->setObjectName(QStringLiteral("switchCover"));
    m_offLineSwitch = new QCheckBox(tr("Off line"), box);
    m_offLineSwitch->setObjectName(QStringLiteral("switchOffLine"));
    m_drawerSwitch = new QCheckBox(tr("Drawer open"), box);
    m_drawerSwitch->setObjectName(QStringLiteral("switchDrawer"));
    m_errorSwitch = new QComboBox(box);
    m_errorSwitch->setObjectName(QStringLiteral("switchError"));
    m_errorSwitch->addItems(
        {tr("No error"), tr("Recoverable error"), tr("Cutter jam"), tr("Unrecoverable error")});
    auto* layout = new QGridLayout(box);
    layout->addWidget(m_paperSwitch, 0, 0);
    layout->addWidget(m_errorSwitch, 0, 1);
    layout->addWidget(m_coverSwitch, 1, 0);
    layout->addWidget(m_offLineSwitch, 1, 1);
    layout->addWidget(m_drawerSwitch, 2, 0);
    showSwitches();
    return box;
}

void PreviewWindow::showSwitches() {
    const status::Switches now = m_printer.switches();
    const QSignalBlocker paper(m_paperSwitch);
    const QSignalBlocker cover(m_coverSwitch);
    const QSignalBlocker offLine(m_offLineSwitch);
    const QSignalBlocker drawer(m_drawerSwitch);
    const QSignalBlocker error(m_errorSwitch);
    m_paperSwitch->setCurrentIndex(static_cast<int>(now.paper));
    m_coverSwitch->setChecked(now.coverOpen);
    m_offLineSwitch->setChecked(now.offLine);
    m_drawerSwitch->setChecked(now.drawerOpen);
    m_errorSwitch->setCurrentIndex(static_cast<int>(now.error));
}

void PreviewWindow::setSwitches() {
    status::Switches now;
    now.paper = static_cast<status::Switches::Paper>(m_paperSwitch->currentIndex());
    now.coverOpen = m_coverSwitch->isChecked();
    now.offLine = m_offLineSwitch->isChecked();
    now.drawerOpen = m_drawerSwitch->isChecked();
    now.error = static_cast<status::Switches::Error>(m_errorSwitch->currentIndex());
    m_printer.setSwitches(now);
}

void PreviewWindow::connectControls() {
    // The first arrival starts the pause; later ones join it rather than put the redraw off.
    connect(&m_printer, &VirtualPrinter::paperChanged, this, [this] {
        if (!m_gather.isActive()) {
            m_gather.start();
        }
    });
    connect(&m_gather, &QTimer::timeout, this, &PreviewWindow::refresh);
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_filling) {
            m_follow = row == newestPrinted();
            m_scrolledAway = false;
            choose(row);
            if (m_follow) {
                scrollToEnd();
            }
        }
    });
    // The user's own scrolling (wheel, keys, the bar): away from the end stops following, back
    // to it follows again.
    QScrollBar* bar = m_paper->verticalScrollBar();
    connect(bar, &QScrollBar::actionTriggered, this,
            [this, bar] { m_scrolledAway = bar->sliderPosition() < bar->maximum(); });
    connect(m_clear, &QPushButton::clicked, &m_printer, &VirtualPrinter::clearPaper);
    connect(&m_printer, &VirtualPrinter::switchesChanged, this, &PreviewWindow::showSwitches);
    connect(m_paperSwitch, &QComboBox::currentIndexChanged, this, &PreviewWindow::setSwitches);
    connect(m_errorSwitch, &QComboBox::currentIndexChanged, this, &PreviewWindow::setSwitches);
    for (QCheckBox* toggle : {m_coverSwitch, m_offLineSwitch, m_drawerSwitch}) {
        connect(toggle, &QCheckBox::toggled, this, &PreviewWindow::setSwitches);
    }
}

std::vector<printer::Page> PreviewWindow::pages() const {
    std::vector<printer::Page> copies;
    for (const printer::SharedPage& page : m_pages) {
        copies.push_back(*page);
    }
    return copies;
}

const printer::Page* PreviewWindow::shownPageModel() const {
    return m_shown >= 0 && m_shown < pageCount() ? m_pages[static_cast<size_t>(m_shown)].get()
                                                 : nullptr;
}

QImage PreviewWindow::shownImage() const {
    return shownPageModel() == nullptr ? QImage() : m_full.toImage();
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_paper->viewport() && event->type() == QEvent::Resize) {
        fitPicture();
    }
    return QWidget::eventFilter(watched, event);
}

void PreviewWindow::fitPicture() {
    if (m_full.isNull()) {
        return;
    }
    const int room = m_paper->viewport()->width();
    m_picture->setPixmap(room > 0 && room < m_full.width()
                             ? m_full.scaledToWidth(room, Qt::SmoothTransformation)
                             : m_full);
    m_picture->adjustSize();
}

void PreviewWindow::refresh() {
    m_gather.stop();
    m_pages = m_printer.sharedPages();
    const QString address = m_printer.listenAddress();
    QString status =
        address.isEmpty()
            ? tr("COM1 … COM9 and lpt1 lead here. %1 bytes received, %2 pages cut.")
                  .arg(m_printer.bytesReceived())
                  .arg(m_printer.cutPages())
            : tr("COM1 … COM9, lpt1 and %1 lead here. %2 bytes received, %3 pages cut.")
                  .arg(address)
                  .arg(m_printer.bytesReceived())
                  .arg(m_printer.cutPages());
    const std::size_t dropped = m_printer.droppedPages();
    if (dropped > 0) {
        status += tr(" The oldest %1 are no longer kept; the last %2 are listed.")
                      .arg(dropped)
                      .arg(m_printer.keptPages());
    }
    m_status->setText(status);
    m_filling = true;
    while (m_list->count() > pageCount()) {
        delete m_list->takeItem(m_list->count() - 1);
    }
    for (int i = 0; i < pageCount(); ++i) {
        const QString caption = printer::pageCaption(*m_pages[static_cast<size_t>(i)],
                                                     i + 1 + static_cast<int>(dropped));
        if (i < m_list->count()) {
            m_list->item(i)->setText(caption);
        } else {
            m_list->addItem(caption);
        }
    }
    const bool follow = following();
    const int row = follow ? newestPrinted() : std::min(m_shown, pageCount() - 1);
    // Scrolled away, the view stays where the user left it, though the picture is drawn again.
    const int position = m_paper->verticalScrollBar()->value();
    m_list->setCurrentRow(row);
    m_filling = false;
    choose(row);
    if (follow) {
        scrollToEnd();
    } else {
        m_paper->verticalScrollBar()->setValue(position);
    }
}

void PreviewWindow::scrollToEnd() {
    QScrollBar* bar = m_paper->verticalScrollBar();
    bar->setValue(bar->maximum());
}

int PreviewWindow::newestPrinted() const {
    for (int i = pageCount() - 1; i >= 0; --i) {
        if (m_pages[static_cast<size_t>(i)]->hasPrint()) {
            return i;
        }
    }
    return pageCount() - 1;
}

void PreviewWindow::choose(int row) {
    m_shown = row;
    const printer::Page* page = shownPageModel();
    if (page == nullptr) {
        m_full = QPixmap();
        m_picture->setText(tr("No paper has come out yet."));
        m_picture->adjustSize();
        return;
    }
    // The old picture goes before the new one is drawn: a long page's is some 56 MB.
    m_picture->clear();
    m_full = QPixmap();
    m_full = QPixmap::fromImage(printer::renderPage(
        *page, printer::pageCaption(*page, row + 1 + static_cast<int>(m_printer.droppedPages()))));
    fitPicture();
}

}  // namespace mpt
