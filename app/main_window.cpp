// SPDX-License-Identifier: MIT
#include "app/main_window.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QShortcut>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <array>
#include <chrono>
#include <limits>
#include <stdexcept>
#include <string_view>

#include "app/caption_button.h"
#include "app/picture.h"
#include "app/ports_dialog.h"
#include "app/printer_status_dialog.h"
#include "app/window_icon.h"
#include "channels/port_help.h"
#include "core/run_progress.h"
#include "core/wording.h"
#include "printer/qt_text.h"
#include "testpages/routines.h"
#include "testpages/skeleton.h"

namespace {

const QString kTitle = QStringLiteral("MINI PRINTER TEST PROGRAM");

constexpr int kTwipsPerPixel = 15;

// The Korean faces the window is laid out for.
constexpr char kBatang[] = "바탕체";   // serif Myeongjo face
constexpr char kGulim[] = "굴림";      // gothic face
constexpr char kGungsuh[] = "궁서체";  // brush face, the window's own font

enum class Kind { Button, Label, TextBox, Picture };

// One control of the window. Positions and sizes are in twips from the top left corner of the
// client area. A button's caption is the one the routine table gives for its name; the picture
// has neither text nor font.
struct Control {
    const char* name;
    Kind kind;
    const char* text;
    int left;
    int top;
    int width;
    int height;
    const char* face;
    double points;
};

// In tab order, then the picture, which takes no focus.
constexpr std::array<Control, 19> kControls{{
    {"cmddevice1", Kind::Button, nullptr, 120, 1200, 2775, 975, kBatang, 14.25},
    {"lab1", Kind::Label, "인쇄매수", 4680, 0, 1215, 255, kBatang, 12},
    {"txt1", Kind::TextBox, "10", 4560, 240, 1575, 375, kGulim, 14.25},
    {"cmddevice2", Kind::Button, nullptr, 7920, 120, 2775, 975, kBatang, 14.25},
    {"cmddevice3", Kind::Button, nullptr, 7920, 1200, 2775, 975, kBatang, 14.25},
    {"cmddevice4", Kind::Button, nullptr, 120, 2520, 2775, 975, kBatang, 14.25},
    {"cmddevice5", Kind::Button, nullptr, 120, 3600, 2775, 975, kBatang, 14.25},
    {"cmddevice6", Kind::Button, nullptr, 5160, 1320, 2655, 975, kBatang, 14.25},
    {"cmddevice7", Kind::Button, nullptr, 5160, 2400, 2655, 975, kBatang, 14.25},
    {"cmddevice8", Kind::Button, nullptr, 4440, 3600, 1335, 975, kBatang, 12},
    {"txt2", Kind::TextBox, "메시지", 3000, 600, 4815, 645, kBatang, 9.75},
    {"cmddevice", Kind::Button, nullptr, 120, 120, 2775, 975, kBatang, 14.25},
    {"cmddevice9", Kind::Button, nullptr, 7920, 2280, 1335, 975, kBatang, 12},
    {"cmddevice10", Kind::Button, nullptr, 3000, 3600, 1335, 975, kBatang, 12},
    {"cmddevice11", Kind::Button, nullptr, 9360, 2280, 1335, 975, kBatang, 12},
    {"cmddevice12", Kind::Button, nullptr, 3000, 2520, 2055, 975, kBatang, 14.25},
    {"port", Kind::TextBox, "3", 4320, 2160, 735, 375, kBatang, 12},
    {"Label2", Kind::Label, "SERIAL NO:", 2880, 2160, 1575, 255, kBatang, 12},
    {"Image2", Kind::Picture, nullptr, 8040, 3840, 2640, 660, nullptr, 0},
}};

// The picture is drawn at its own size, which is the control's.
static_assert(kControls.back().width / kTwipsPerPixel == mpt::Picture::kWidth &&
              kControls.back().height / kTwipsPerPixel == mpt::Picture::kHeight);

// Every place and size is a whole number of pixels.
static_assert(std::ranges::all_of(kControls, [](const Control& control) {
    return control.left % kTwipsPerPixel == 0 && control.top % kTwipsPerPixel == 0 &&
           control.width % kTwipsPerPixel == 0 && control.height % kTwipsPerPixel == 0;
}));

QRect pixels(const Control& control) {
    return {control.left / kTwipsPerPixel, control.top / kTwipsPerPixel,
            control.width / kTwipsPerPixel, control.height / kTwipsPerPixel};
}

// The font of the window or of a control, in the named face where it is installed. The three
// faces come with Korean Windows and are missing elsewhere; there the font takes the first
// installed Korean face of the same kind, Myeongjo for 바탕체 and 궁서체, gothic for 굴림. The
// Hangul character set has no counterpart in Qt; it is met by these faces, which cover every
// Hangul syllable. The choice is made here, from the list of installed families, because asking
// the font database for a missing face makes it consult the whole font configuration for every
// font, which took most of the window's start-up.
QFont consoleFont(const char* face, double points, QFont::Weight weight) {
    const bool gothic = std::string_view(face) == kGulim;
    static const QStringList installed = QFontDatabase::families();
    static const auto firstInstalled = [](const QStringList& candidates) {
        for (const QString& family : candidates) {
            if (installed.contains(family)) {
                return family;
            }
        }
        return candidates.front();
    };
    static const QString myeongjo =
        firstInstalled({QStringLiteral("NanumMyeongjo"), QStringLiteral("Noto Serif CJK KR"),
                        QStringLiteral("UnBatang"), QStringLiteral("Noto Sans CJK KR")});
    static const QString gothicFace =
        firstInstalled({QStringLiteral("NanumGothic"), QStringLiteral("Noto Sans CJK KR"),
                        QStringLiteral("UnDotum"), QStringLiteral("NanumBarunGothic")});

    const QString named = mpt::qtText(face);
    QFont font(installed.contains(named) ? named : gothic ? gothicFace : myeongjo);
    font.setStyleHint(gothic ? QFont::SansSerif : QFont::Serif);
    font.setPointSizeF(points);
    font.setWeight(weight);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    // Unhinted: hinting these large Korean faces means analysing each face and size before its
    // first glyph, about a third of what the window adds to start-up; at these sizes the glyphs
    // look the same without it and the captions break at the same blanks.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

}  // namespace

namespace mpt {

MainWindow::MainWindow(Devices& devices, Trace& trace, QWidget* parent)
    : QWidget(parent),
      m_devices(&devices),
      m_trace(&trace),
      m_session(devices, trace),
      m_deferral(new InputDeferral(this)),
      m_tick(new QTimer(this)) {
    setObjectName(QStringLiteral("frm"));
    setWindowTitle(kTitle);
    setIconAfterFirstFrame(this);
    // The window's font is the application's too: the boxes the console opens (the error box
    // among them) read in the same Korean face, and no other face is loaded at start for the
    // line edits, which lay out their first, empty text in the application's font.
    QApplication::setFont(consoleFont(kGungsuh, 9, QFont::Normal));
    setFont(QApplication::font());
    resize(kClientWidth, kClientHeight + kStatusHeight);
    createControls();
    createStatusLine();
    connectButtons();
    showIdleStatus();
}

MainWindow::~MainWindow() {
    if (m_running && m_session.active()) {
        QApplication::restoreOverrideCursor();  // the session stops and joins the run
    }
}

void MainWindow::createStatusLine() {
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setFrameShape(QFrame::Panel);
    m_status->setFrameShadow(QFrame::Sunken);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setFocusPolicy(Qt::NoFocus);

    // Shown only during a run, at the right end of the status line. It takes no focus, so that
    // the focus stays where the technician left it; Escape does the same from the keyboard.
    m_stop = new QPushButton(tr("Stop"), this);
    m_stop->setObjectName(QStringLiteral("stop"));
    m_stop->setFocusPolicy(Qt::NoFocus);
    m_stop->setAutoDefault(false);
    m_stop->setToolTip(tr("Stop the run at the next write (Esc)"));
    m_deferral->letThrough(m_stop);

    m_ports = new QPushButton(tr("Ports…"), this);
    m_ports->setObjectName(QStringLiteral("portsButton"));
    m_ports->setFocusPolicy(Qt::NoFocus);
    m_ports->setAutoDefault(false);
    m_ports->setToolTip(tr("Choose the devices the ports lead to (Ctrl+,)"));

    m_printerStatus = new QPushButton(tr("Printer status"), this);
    m_printerStatus->setObjectName(QStringLiteral("printerStatusButton"));
    m_printerStatus->setFocusPolicy(Qt::NoFocus);
    m_printerStatus->setAutoDefault(false);
    m_printerStatus->setToolTip(tr("Ask the printer its status and what it is (Ctrl+.)"));
    showRunControls(false);
}

// The run's Stop during a run, the Printer status and Ports… buttons otherwise, at the right of
// the status line.
void MainWindow::showRunControls(bool running) {
    constexpr int kButtonWidth = 64;
    constexpr int kStatusButtonWidth = 96;
    const int buttons = kButtonWidth + (running ? 0 : kStatusButtonWidth);
    m_status->setGeometry(0, kClientHeight, kClientWidth - buttons, kStatusHeight);
    m_printerStatus->setGeometry(kClientWidth - buttons, kClientHeight, kStatusButtonWidth,
                                 kStatusHeight);
    m_printerStatus->setVisible(!running);
    for (QPushButton* button : {m_stop, m_ports}) {
        button->setGeometry(kClientWidth - kButtonWidth, kClientHeight, kButtonWidth,
                            kStatusHeight);
    }
    m_stop->setEnabled(true);
    m_stop->setVisible(running);
    m_ports->setVisible(!running);
}

PortSettings& MainWindow::settings() {
    if (m_settings == nullptr) {
        m_ownSettings = std::make_unique<PortSettings>();
        m_settings = m_ownSettings.get();
    }
    return *m_settings;
}

void MainWindow::openPortsDialog() {
    if (m_running) {
        return;
    }
    const int usbPort = usbPortNumber();
    PortsDialog dialog(*m_devices, settings(), usbPort, this);
    dialog.exec();
    showIdleStatus();
}

void MainWindow::openPrinterStatus() {
    if (m_running || findChild<PrinterStatusDialog*>() != nullptr) {
        return;
    }
    // Window-modal and open while the window goes on: no run starts while it asks.
    auto* dialog = new PrinterStatusDialog(*m_devices, *m_trace, settings(), usbPortNumber(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void MainWindow::stopRun() {
    if (m_running && m_session.active() && !m_session.stopRequested()) {
        m_session.requestStop();
        m_stop->setEnabled(false);
        m_status->setText(tr("Stopping at the next write…"));
    }
}

void MainWindow::stopAndQuit() {
    if (m_running) {
        m_quitAfterRun = true;
        stopRun();
        // An error box waits for the technician as the run ends: close it, so that the end is
        // handled and the program ends.
        if (m_errorBox != nullptr) {
            m_errorBox->done(QMessageBox::Ok);
        }
    } else {
        QCoreApplication::quit();
    }
}

void MainWindow::closeAfterRun() {
    m_closeAfterRun = true;
    stopRun();
}

QString MainWindow::statusText() const {
    return m_status->text();
}

int MainWindow::usbPortNumber() {
    try {
        return toPortNumber(text("port"));
    } catch (const ConsoleError&) {
        return 3;  // what the box holds is no number; the box's first text
    }
}

bool MainWindow::koreanFaceInstalled() {
    // By what the installed faces can draw, not by their names: the font configuration names a
    // family in the user's language where the face has such a name (나눔고딕, not NanumGothic, in
    // a Korean locale). The writing systems come with the list of families the window's fonts
    // read anyway, so this costs nothing at start.
    return !QFontDatabase::families(QFontDatabase::Korean).isEmpty();
}

void MainWindow::showStartNotice(const QString& notice) {
    m_notice = notice;
    showIdleStatus();
}

void MainWindow::setDryRun(bool dryRun) {
    m_dryRun = dryRun;
    showIdleStatus();
}

void MainWindow::showIdleStatus() {
    const int usbPort = usbPortNumber();
    m_status->setText(
        (m_notice.isEmpty() ? QString() : m_notice + QStringLiteral(" ")) + tr("Ready. ") +
        (m_dryRun ? tr("Dry run: nothing is sent, no device is opened.")
                  : QString::fromStdString(portMappings(usbPort, m_devices->portMap()))));
}

void MainWindow::createControls() {
    // What each text box is for, as its tooltip and its name for screen readers, in the user's
    // language; the boxes' texts stay as given.
    const auto purpose = [](std::string_view box) {
        return box == "txt1"   ? tr("Repeat count: how many times each test prints its page")
               : box == "txt2" ? tr("Result of the last test")
                               : tr("SERIAL NO: the serial port number the USB button prints to");
    };
    QWidget* previousInTabOrder = nullptr;
    for (const Control& control : kControls) {
        QWidget* widget = nullptr;
        switch (control.kind) {
            case Kind::Button: {
                auto* button = new CaptionButton(QString(), this);
                button->setAutoDefault(false);
                button->setDefault(false);
                widget = button;
                break;
            }
            case Kind::Label: {
                auto* label = new QLabel(this);
                label->setTextFormat(Qt::PlainText);
                label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
                label->setFocusPolicy(Qt::NoFocus);
                widget = label;
                break;
            }
            case Kind::TextBox: {
                auto* box = new QLineEdit(this);
                box->setAlignment(Qt::AlignCenter);
                box->setMaxLength(std::numeric_limits<int>::max());
                box->setReadOnly(false);
                box->setToolTip(purpose(control.name));
                box->setAccessibleName(box->toolTip());
                widget = box;
                break;
            }
            case Kind::Picture: widget = new Picture(this); break;
        }
        widget->setObjectName(qtText(control.name));
        widget->setGeometry(pixels(control));
        // The font before the text: laying a Hangul text out in the default font first would
        // send the font database looking for a fallback face, which is most of the start-up time.
        if (control.face != nullptr) {
            widget->setFont(consoleFont(control.face, control.points, QFont::Bold));
        }
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            button->setText(qtText(findRoutine(control.name)->caption));
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            label->setText(QString::fromUtf8(control.text));
        } else if (auto* box = qobject_cast<QLineEdit*>(widget)) {
            box->setText(QString::fromUtf8(control.text));
        }
        if (widget->focusPolicy() != Qt::NoFocus) {
            if (previousInTabOrder != nullptr) {
                setTabOrder(previousInTabOrder, widget);
            }
            previousInTabOrder = widget;
        }
    }

    // The control with the lowest tab index takes the focus when the window first shows.
    findChild<QWidget*>(qtText(kControls.front().name))->setFocus();
}

void MainWindow::connectButtons() {
    for (const RoutineInfo& routine : routines()) {
        const QString name = qtText(routine.name);
        auto* button = findChild<QPushButton*>(name, Qt::FindDirectChildrenOnly);
        connect(button, &QPushButton::clicked, this, [this, name] { runTest(name); });
    }
    connect(m_stop, &QPushButton::clicked, this, &MainWindow::stopRun);
    connect(m_tick, &QTimer::timeout, this, &MainWindow::showProgress);
    connect(m_ports, &QPushButton::clicked, this, &MainWindow::openPortsDialog);
    connect(m_printerStatus, &QPushButton::clicked, this, &MainWindow::openPrinterStatus);
    auto* statusKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Period), this);
    connect(statusKey, &QShortcut::activated, this, &MainWindow::openPrinterStatus);
    // On the window rather than the button, so that it works wherever the focus is.
    auto* portsKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma), this);
    connect(portsKey, &QShortcut::activated, this, &MainWindow::openPortsDialog);
    auto* quitKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(quitKey, &QShortcut::activated, this, &MainWindow::stopAndQuit);
    connect(m_deferral, &InputDeferral::quitPressed, this, &MainWindow::stopAndQuit);
    connect(m_deferral, &InputDeferral::escapePressed, this, &MainWindow::stopRun);
    connect(m_deferral, &InputDeferral::closeHeld, this, &MainWindow::closeAfterRun);
}

void MainWindow::runTest(const QString& buttonName) {
    if (findRoutine(buttonName.toStdString()) == nullptr) {
        throw std::invalid_argument("no button is named " + buttonName.toStdString());
    }
    m_pending.push_back(buttonName);
    if (m_running) {
        return;
    }
    m_running = true;
    startNext();
}

void MainWindow::startNext() {
    auto idleAgain = qScopeGuard([this] { m_running = false; });
    m_runName = m_pending.front().toStdString();
    m_pending.pop_front();
    m_notice.clear();  // said at start, until the first run

    m_deferral->hold();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_status->setText(qtText(findRoutine(m_runName)->caption).trimmed() + tr(": starting"));
    showRunControls(true);
    m_session.setCheckAfterRun(m_settings != nullptr && m_settings->checkAfterRun());
    // The end arrives from the worker thread; the window handles it on its own thread, as an
    // event of its own, after the click that started the run has long returned.
    m_session.start(m_runName, TextBoxStore(text("txt1"), text("port"), text("txt2")), [this] {
        QMetaObject::invokeMethod(this, &MainWindow::runEnded, Qt::QueuedConnection);
    });
    m_tick->start(100);
    idleAgain.dismiss();
}

void MainWindow::showProgress() {
    if (m_running && m_session.active() && !m_session.stopRequested()) {
        m_status->setText(QString::fromStdString(
            progressText(findRoutine(m_runName)->caption, m_session.progress())));
    }
}

void MainWindow::runEnded() {
    m_tick->stop();
    showRunControls(false);
    QApplication::restoreOverrideCursor();
    m_deferral->release();

    const bool stopAsked = m_session.stopRequested();
    showOutcome();
    if (stopAsked || m_quitAfterRun || m_closeAfterRun) {
        // Nothing given during the run is acted on: the technician asked it to stop, or the
        // program to end.
        m_pending.clear();
        m_deferral->discard();
    } else {
        // Input held back during the run, in the order it was given. A replayed click queues its
        // run and stops the replay: what was given after it waits for that run to end.
        m_deferral->replay([this] { return m_pending.empty(); });
    }
    if (!m_pending.empty()) {
        startNext();
        return;
    }
    m_running = false;
    if (m_quitAfterRun) {
        QCoreApplication::quit();
    } else if (m_closeAfterRun) {
        m_closeAfterRun = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
    emit runsEnded();
}

// What the ended run leaves: the boxes it wrote, the status line, and an error box when it
// failed.
void MainWindow::showOutcome() {
    const QString caption = qtText(findRoutine(m_runName)->caption);
    RunOutcome outcome;
    try {
        outcome = m_session.finish();
    } catch (const std::exception& escaped) {
        showError(
            makeError(err::kInternalError, {.fault = Fault::Unexpected, .seen = escaped.what()}));
        return;
    }
    for (const char* control : {"txt1", "txt2", "port"}) {
        // A stopped run has no result message, also where the routine had set it before a stop
        // in its closing (the cutter tests set it first).
        if (outcome.boxes.written(control) &&
            !(outcome.end.stopped && std::string_view(control) == "txt2")) {
            setText(control, outcome.boxes.text(control));
        }
    }
    if (outcome.end.stopped) {
        m_status->setText(QString::fromStdString(stoppedText(outcome.last)));
    } else if (const auto& error = outcome.end.error) {
        m_status->setText(caption.trimmed() + QStringLiteral(": ") +
                          QString::fromStdString(faultText(faultCauseOf(*error), outcome.last)));
        if (!m_closeAfterRun && !m_quitAfterRun) {
            showError(*error);
        }
    } else {
        m_status->setText(QString::fromStdString(finishedText(outcome.last, outcome.took)));
        if (outcome.printerAfter) {
            m_status->setText(m_status->text() + QStringLiteral(" ") +
                              QString::fromStdString(afterRunText(*outcome.printerAfter)));
        }
    }
    // Once: from then on nothing more is written to the trace.
    if (const std::optional<Trace::Failure> failure = m_trace->failure();
        failure && !m_traceFailureShown && !m_closeAfterRun && !m_quitAfterRun) {
        m_traceFailureShown = true;
        showError(traceNotWritten(*failure));
    }
}

void MainWindow::showError(const ConsoleError& error) {
    const QString text = QString::fromStdString(error.text());
    const QString detail = QString::fromStdString(detailOf(error));
    emit errorShown(error.number(), text, detail);

    QMessageBox box(
        QMessageBox::Critical, kTitle,
        QStringLiteral("Run-time error '%1':\n\n%2").arg(QString::number(error.number()), text),
        QMessageBox::Ok, this);
    box.setInformativeText(detail);
    m_errorBox = &box;
    if (!m_quitAfterRun) {
        box.exec();
    }
}

QLineEdit* MainWindow::textBox(std::string_view control) const {
    auto* box = findChild<QLineEdit*>(qtText(control), Qt::FindDirectChildrenOnly);
    if (box == nullptr) {
        throw std::invalid_argument("the window has no text box named " + std::string(control));
    }
    return box;
}

std::string MainWindow::text(std::string_view control) {
    return textBox(control)->text().toStdString();
}

void MainWindow::setText(std::string_view control, std::string_view text) {
    textBox(control)->setText(qtText(text));
}

}  // namespace mpt
