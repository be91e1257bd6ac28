// SPDX-License-Identifier: MIT
// The window as the technician meets it: its controls with their texts, places, sizes and fonts,
// where the focus starts and how Tab moves it, and the text boxes as the routines see them.
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTranslator>
#include <QtTest>
#include <algorithm>
#include <limits>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "app/main_window.h"
#include "app/picture.h"
#include "app/translation.h"
#include "channels/devices.h"
#include "channels/trace.h"
#include "support/qt_test_main.h"

namespace {

struct Expected {
    const char* name;
    const char* kind;  // class name of the widget
    const char* text;
    int left, top, width, height;  // twips
    const char* family;
    double points;
};

// Tab order; every font is bold.
const Expected kExpected[] = {
    {"cmddevice1", "mpt::CaptionButton", "QLX-610/650 PARALLEL(EPSON) ", 120, 1200, 2775, 975,
     "바탕체", 14.25},
    {"lab1", "QLabel", "인쇄매수", 4680, 0, 1215, 255, "바탕체", 12},
    {"txt1", "QLineEdit", "10", 4560, 240, 1575, 375, "굴림", 14.25},
    {"cmddevice2", "mpt::CaptionButton", "MVR-720/730 SERIAL(CBM)", 7920, 120, 2775, 975, "바탕체",
     14.25},
    {"cmddevice3", "mpt::CaptionButton", "MVR-720/730 PARALLEL(CBM)", 7920, 1200, 2775, 975,
     "바탕체", 14.25},
    {"cmddevice4", "mpt::CaptionButton", "MVR-720/730 SERIAL(EPSON)", 120, 2520, 2775, 975,
     "바탕체", 14.25},
    {"cmddevice5", "mpt::CaptionButton", "MVR-720/730  PARALLEL(EPSON)", 120, 3600, 2775, 975,
     "바탕체", 14.25},
    {"cmddevice6", "mpt::CaptionButton", " MVR720/730       SERIAL     LINE FEED TEST", 5160, 1320,
     2655, 975, "바탕체", 14.25},
    {"cmddevice7", "mpt::CaptionButton", " MVR720/730       PARALLEL   LINE FEED TEST", 5160, 2400,
     2655, 975, "바탕체", 14.25},
    {"cmddevice8", "mpt::CaptionButton", "CUTTER TEST EPSON SERIAL", 4440, 3600, 1335, 975,
     "바탕체", 12},
    {"txt2", "QLineEdit", "메시지", 3000, 600, 4815, 645, "바탕체", 9.75},
    {"cmddevice", "mpt::CaptionButton", "QLX-610/650 SERIAL(EPSON)", 120, 120, 2775, 975, "바탕체",
     14.25},
    {"cmddevice9", "mpt::CaptionButton", "CUTTER TEST   CBM SERIAL", 7920, 2280, 1335, 975,
     "바탕체", 12},
    {"cmddevice10", "mpt::CaptionButton", "CUTTER TEST EPSON PARALLEL", 3000, 3600, 1335, 975,
     "바탕체", 12},
    {"cmddevice11", "mpt::CaptionButton", "CUTTER    TEST   CBM PARALLEL", 9360, 2280, 1335, 975,
     "바탕체", 12},
    {"cmddevice12", "mpt::CaptionButton", "QLX-610/650 USB(EPSON)", 3000, 2520, 2055, 975, "바탕체",
     14.25},
    {"port", "QLineEdit", "3", 4320, 2160, 735, 375, "바탕체", 12},
    {"Label2", "QLabel", "SERIAL NO:", 2880, 2160, 1575, 255, "바탕체", 12},
};

QRect pixels(int left, int top, int width, int height) {
    return {left / 15, top / 15, width / 15, height / 15};
}

QString textOf(const QWidget* widget) {
    if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
        return button->text();
    }
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        return label->text();
    }
    if (const auto* box = qobject_cast<const QLineEdit*>(widget)) {
        return box->text();
    }
    return {};
}

QStringList focusableNamesInTabOrder() {
    QStringList names;
    for (const Expected& control : kExpected) {
        if (QLatin1String(control.kind) != QLatin1String("QLabel")) {
            names << QString::fromUtf8(control.name);
        }
    }
    return names;
}

QString focusName() {
    const QWidget* focus = QApplication::focusWidget();
    return focus != nullptr ? focus->objectName() : QStringLiteral("(none)");
}

}  // namespace

// The named face where it is installed; elsewhere an installed Korean face of the same kind:
// a gothic (sans) face for 굴림, a Myeongjo (serif) face for 바탕체 and 궁서체.
bool isFaceOrItsKoreanFallback(const QString& family, const char* face) {
    const QString named = QString::fromUtf8(face);
    if (QFontDatabase::families().contains(named)) {
        return family == named;
    }
    if (!QFontDatabase::writingSystems(family).contains(QFontDatabase::Korean)) {
        return false;
    }
    const bool gothic = named == QStringLiteral("굴림");
    const QStringList kinds =
        gothic
            ? QStringList{QStringLiteral("Gothic"), QStringLiteral("Sans"), QStringLiteral("Dotum")}
            : QStringList{QStringLiteral("Myeongjo"), QStringLiteral("Serif"),
                          QStringLiteral("Batang")};
    for (const QString& kind : kinds) {
        if (family.contains(kind)) {
            return true;
        }
    }
    return false;
}

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_devices = mpt::dryRunDevices();
        m_traceText.str({});
        m_window = std::make_unique<mpt::MainWindow>(*m_devices, m_trace);
    }

    void cleanup() { m_window.reset(); }

    void windowCaptionSizeAndFont() {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("MINI PRINTER TEST PROGRAM"));
        // The controls' area is 10755 x 4695 twips; the status line lies beneath it.
        QCOMPARE(m_window->size(), QSize(717, 313 + mpt::MainWindow::kStatusHeight));
        auto* status = m_window->findChild<QLabel*>(QStringLiteral("status"));
        QVERIFY(status != nullptr);
        // The status line beneath the controls, with the Ports… button at its right end.
        auto* ports = m_window->findChild<QPushButton*>(QStringLiteral("portsButton"));
        QVERIFY(ports != nullptr);
        QCOMPARE(status->geometry().united(ports->geometry()),
                 QRect(0, 313, 717, mpt::MainWindow::kStatusHeight));
        QVERIFY(!status->geometry().intersects(ports->geometry()));
        QCOMPARE(status->focusPolicy(), Qt::NoFocus);
        QVERIFY(m_window->isWindow());
        // Its icon, given once the first frame is painted: the receipt's white paper at the top,
        // the printer's dark body below.
        QVERIFY(m_window->windowIcon().isNull());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QTRY_VERIFY(!m_window->windowIcon().isNull());
        const QImage icon = m_window->windowIcon().pixmap(64, 64).toImage();
        QCOMPARE(icon.size(), QSize(64, 64));
        QCOMPARE(QColor(icon.pixel(32, 8)), QColor(Qt::white));
        QVERIFY(qGray(icon.pixel(32, 52)) < 128);
        const QFont font = m_window->font();
        QVERIFY2(isFaceOrItsKoreanFallback(font.family(), "궁서체"), qPrintable(font.family()));
        QCOMPARE(font.pointSizeF(), 9.0);
        QCOMPARE(font.weight(), QFont::Normal);
        QVERIFY(!font.italic());
    }

    void controls_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < static_cast<int>(std::size(kExpected)); ++i) {
            QTest::newRow(kExpected[i].name) << i;
        }
    }

    void controls() {
        QFETCH(int, index);
        const Expected& expected = kExpected[index];
        auto* widget = m_window->findChild<QWidget*>(QString::fromUtf8(expected.name));
        QVERIFY(widget != nullptr);
        QCOMPARE(widget->parentWidget(), m_window.get());
        QCOMPARE(QLatin1String(widget->metaObject()->className()), QLatin1String(expected.kind));
        QCOMPARE(textOf(widget), QString::fromUtf8(expected.text));
        QCOMPARE(widget->geometry(),
                 pixels(expected.left, expected.top, expected.width, expected.height));

        const QFont font = widget->font();
        QVERIFY2(isFaceOrItsKoreanFallback(font.family(), expected.family),
                 qPrintable(font.family()));
        QCOMPARE(font.pointSizeF(), expected.points);
        QCOMPARE(font.weight(), QFont::Bold);
        QVERIFY(!font.italic());
        QVERIFY(!font.underline());
        QVERIFY(!font.strikeOut());
    }

    void image() {
        auto* image = m_window->findChild<mpt::Picture*>(QStringLiteral("Image2"));
        QVERIFY(image != nullptr);
        QCOMPARE(image->geometry(), pixels(8040, 3840, 2640, 660));
        QCOMPARE(image->focusPolicy(), Qt::NoFocus);
    }

    // The faces named in the fonts are not on this system; each must land on an installed Korean
    // face that draws every Hangul syllable the window shows.
    void fontsFallBackToKoreanFaces() {
        const QString hangul = QStringLiteral("인쇄매수메시지정상작동출력완료상태");
        const QStringList names{QStringLiteral("frm"), QStringLiteral("lab1"),
                                QStringLiteral("txt1"), QStringLiteral("txt2")};
        for (const QString& name : names) {
            const QWidget* widget =
                name == QLatin1String("frm") ? m_window.get() : m_window->findChild<QWidget*>(name);
            const QFontInfo info(widget->font());
            QVERIFY2(QFontDatabase::writingSystems(info.family()).contains(QFontDatabase::Korean),
                     qPrintable(name + " falls back to " + info.family()));
            const QFontMetrics metrics(widget->font());
            for (const QChar c : hangul) {
                QVERIFY2(metrics.inFont(c), qPrintable(name + " has no glyph for " + c));
            }
        }
    }

    void controlsKeepPlaceAndSizeWhenTheWindowIsResized() {
        for (const QSize size : {QSize(1200, 800), QSize(300, 120), QSize(717, 313)}) {
            m_window->resize(size);
            for (const Expected& expected : kExpected) {
                const auto* widget =
                    m_window->findChild<QWidget*>(QString::fromUtf8(expected.name));
                QCOMPARE(widget->geometry(),
                         pixels(expected.left, expected.top, expected.width, expected.height));
            }
        }
    }

    void focusStartsOnCmddevice1() {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QCOMPARE(focusName(), QStringLiteral("cmddevice1"));
    }

    void tabFollowsTabIndexAndSkipsLabels() {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        const QStringList order = focusableNamesInTabOrder();
        QStringList visited{focusName()};
        for (int i = 0; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << focusName();
        }
        QCOMPARE(visited, order + QStringList{order.front()});

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(focusName(), order.back());
    }

    void labelsNeverTakeTheFocus() {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        for (const char* name : {"lab1", "Label2"}) {
            auto* label = m_window->findChild<QLabel*>(QLatin1String(name));
            QCOMPARE(label->focusPolicy(), Qt::NoFocus);
            QTest::mouseClick(label, Qt::LeftButton);
            QCOMPARE(focusName(), QStringLiteral("cmddevice1"));
        }
    }

    void labelsAndTextBoxesCentreTheirText() {
        for (const char* name : {"lab1", "Label2"}) {
            const auto* label = m_window->findChild<QLabel*>(QLatin1String(name));
            QVERIFY(label->alignment() & Qt::AlignHCenter);
            QCOMPARE(label->textFormat(), Qt::PlainText);
        }
        for (const char* name : {"txt1", "txt2", "port"}) {
            const auto* box = m_window->findChild<QLineEdit*>(QLatin1String(name));
            QVERIFY(box->alignment() & Qt::AlignHCenter);
        }
    }

    // Each text box says what it is for, as its tooltip and its accessible name, in the user's
    // language; its text stays as given.
    void boxesSayWhatTheyAreFor_data() {
        QTest::addColumn<bool>("korean");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("purpose");
        const struct {
            const char* box;
            const char* english;
            const char* korean;
        } rows[] = {
            {"txt1", "Repeat count: how many times each test prints its page",
             "반복 횟수: 각 테스트가 페이지를 몇 번 인쇄하는지"},
            {"txt2", "Result of the last test", "마지막 테스트의 결과"},
            {"port", "SERIAL NO: the serial port number the USB button prints to",
             "SERIAL NO: USB 버튼이 인쇄하는 시리얼 포트 번호"},
        };
        for (const auto& row : rows) {
            QTest::addRow("%s, English", row.box)
                << false << QString::fromLatin1(row.box) << QString::fromUtf8(row.english);
            QTest::addRow("%s, Korean", row.box)
                << true << QString::fromLatin1(row.box) << QString::fromUtf8(row.korean);
        }
    }

    void boxesSayWhatTheyAreFor() {
        QFETCH(bool, korean);
        QFETCH(QString, box);
        QFETCH(QString, purpose);
        if (korean) {
            QVERIFY(mpt::installTranslation(QLocale(QLocale::Korean, QLocale::SouthKorea)));
        }
        const auto translation = qScopeGuard([] { mpt::removeTranslation(); });
        const auto devices = mpt::dryRunDevices();
        mpt::Trace trace;
        mpt::MainWindow window(*devices, trace);
        const auto* edit = window.findChild<QLineEdit*>(box);
        QCOMPARE(edit->toolTip(), purpose);
        QCOMPARE(edit->accessibleName(), purpose);
        const auto expected = std::find_if(std::begin(kExpected), std::end(kExpected),
                                           [&](const Expected& e) { return box == e.name; });
        QCOMPARE(edit->text(), QString::fromUtf8(expected->text));
    }

    // In a Korean locale the texts the console adds are Korean; the window's own captions and
    // texts stay exactly as given.
    void addedTextsInKoreanCaptionsAsGiven() {
        QLocale::setDefault(QLocale(QLocale::Korean, QLocale::SouthKorea));
        QVERIFY(mpt::installTranslation(QLocale(QLocale::Korean, QLocale::SouthKorea)));
        const auto devices = mpt::dryRunDevices();
        mpt::Trace trace;
        mpt::MainWindow korean(*devices, trace);
        const auto text = [&](const char* name) {
            return korean.findChild<QPushButton*>(QLatin1String(name))->text();
        };
        QCOMPARE(text("stop"), QStringLiteral("중지"));
        QCOMPARE(text("portsButton"), QStringLiteral("포트…"));
        QCOMPARE(korean.findChild<QPushButton*>(QStringLiteral("stop"))->toolTip(),
                 QStringLiteral("다음 쓰기에서 실행을 중지합니다 (Esc)"));
        QCOMPARE(text("cmddevice7"), QStringLiteral(" MVR720/730       PARALLEL   LINE FEED TEST"));
        QCOMPARE(korean.findChild<QLineEdit*>(QStringLiteral("txt2"))->text(),
                 QStringLiteral("메시지"));
        QCOMPARE(korean.windowTitle(), QStringLiteral("MINI PRINTER TEST PROGRAM"));
        mpt::removeTranslation();
        QLocale::setDefault(QLocale::c());
    }

    void buttonsHaveNoDefaultRole() {
        const auto buttons = m_window->findChildren<QPushButton*>();
        // The thirteen tests, and the status line's Stop, Printer status and Ports….
        QCOMPARE(buttons.size(), 16);
        for (const QPushButton* button : buttons) {
            QVERIFY2(!button->isDefault(), qPrintable(button->objectName()));
            QVERIFY2(!button->autoDefault(), qPrintable(button->objectName()));
        }
        // Enter in a text box therefore starts no test.
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        auto* count = m_window->findChild<QLineEdit*>(QStringLiteral("txt1"));
        count->setFocus();
        QTest::keyClick(count, Qt::Key_Return);
        QCOMPARE(m_traceText.str(), std::string());
        QCOMPARE(m_window->findChild<QLineEdit*>(QStringLiteral("txt2"))->text(),
                 QStringLiteral("메시지"));
    }

    void textBoxesAreEditableWithoutLengthLimit() {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        for (const char* name : {"txt1", "txt2", "port"}) {
            auto* box = m_window->findChild<QLineEdit*>(QLatin1String(name));
            QVERIFY(!box->isReadOnly());
            QCOMPARE(box->maxLength(), std::numeric_limits<int>::max());
            box->setFocus();
            box->selectAll();
            QTest::keyClicks(box, QStringLiteral("25"));
            QCOMPARE(box->text(), QStringLiteral("25"));
            const QString longText(100000, QLatin1Char('7'));
            box->setText(longText);
            QCOMPARE(box->text(), longText);
        }
    }

    // The routines read and write the boxes in UTF-8 through TextBoxes.
    void textBoxesAsTheRoutinesSeeThem() {
        mpt::TextBoxes& boxes = *m_window;
        QCOMPARE(boxes.text("txt1"), std::string("10"));
        QCOMPARE(boxes.text("txt2"), std::string("메시지"));
        QCOMPARE(boxes.text("port"), std::string("3"));

        boxes.setText("txt2", "CBM/PARALLEL 정상출력!!");
        QCOMPARE(m_window->findChild<QLineEdit*>(QStringLiteral("txt2"))->text(),
                 QStringLiteral("CBM/PARALLEL 정상출력!!"));
        m_window->findChild<QLineEdit*>(QStringLiteral("port"))->setText(QStringLiteral(" 4 "));
        QCOMPARE(boxes.text("port"), std::string(" 4 "));

        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, boxes.text("lab1"));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, boxes.setText("txt3", "x"));
    }

  private:
    std::unique_ptr<mpt::Devices> m_devices;
    std::ostringstream m_traceText;
    mpt::Trace m_trace{&m_traceText};
    std::unique_ptr<mpt::MainWindow> m_window;
};

MPT_QT_TEST(MainWindowTest, "main_window_test")
#include "main_window_test.moc"
