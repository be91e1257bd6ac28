// SPDX-License-Identifier: MIT
// What the window's start loads ahead on its own thread: the X11 platform's libraries only where
// the application object will surely load them, and, where it does, that they are then loaded.
#include <dlfcn.h>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QtTest>
#include <map>
#include <string>
#include <vector>

#include "app/start_up.h"
#include "support/qt_test_main.h"

class StartUpPreparationTest : public QObject {
    Q_OBJECT

  private slots:
    void loadsAheadOnlyWhatTheToolkitWillLoad_data() {
        QTest::addColumn<QStringList>("arguments");  // the toolkit's options on the command line
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<bool>("loadsAhead");
        const QStringList none;
        const QStringList x11{QStringLiteral("DISPLAY=:0")};
        QTest::newRow("an X display") << none << x11 << true;
        QTest::newRow("xcb chosen")
            << none << QStringList{QStringLiteral("QT_QPA_PLATFORM=xcb")} << true;
        QTest::newRow("xcb chosen, empty Wayland display")
            << none << (x11 + QStringList{QStringLiteral("WAYLAND_DISPLAY=")}) << true;
        QTest::newRow("no display") << none << none << false;
        QTest::newRow("offscreen chosen")
            << none << (x11 + QStringList{QStringLiteral("QT_QPA_PLATFORM=offscreen")}) << false;
        QTest::newRow("a list of platforms")
            << none << (x11 + QStringList{QStringLiteral("QT_QPA_PLATFORM=wayland;xcb")}) << false;
        QTest::newRow("a Wayland session")
            << none << (x11 + QStringList{QStringLiteral("WAYLAND_DISPLAY=wayland-0")}) << false;
        QTest::newRow("-platform on the command line")
            << QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen")} << x11
            << false;
        QTest::newRow("-platformpluginpath on the command line")
            << QStringList{QStringLiteral("-platformpluginpath"), QStringLiteral("/opt/plugins")}
            << x11 << false;
        QTest::newRow("another toolkit option on the command line")
            << QStringList{QStringLiteral("-style"), QStringLiteral("fusion")} << x11 << true;
        QTest::newRow("a plugin folder of the user's")
            << none << (x11 + QStringList{QStringLiteral("QT_PLUGIN_PATH=/opt/plugins")}) << false;
        QTest::newRow("a platform plugin folder of the user's")
            << none
            << (x11 + QStringList{QStringLiteral("QT_QPA_PLATFORM_PLUGIN_PATH=/opt/platforms")})
            << false;
    }

    void loadsAheadOnlyWhatTheToolkitWillLoad() {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, environment);
        QFETCH(bool, loadsAhead);
        std::vector<std::string> toolkitArguments;
        for (const QString& argument : arguments) {
            toolkitArguments.push_back(argument.toStdString());
        }
        std::map<std::string, std::string> variables;
        for (const QString& entry : environment) {
            variables[entry.section(QLatin1Char('='), 0, 0).toStdString()] =
                entry.section(QLatin1Char('='), 1).toStdString();
        }
        const auto lookUp = [&](const char* name) -> const char* {
            const auto found = variables.find(name);
            return found == variables.end() ? nullptr : found->second.c_str();
        };
        const std::vector<std::string> libraries =
            mpt::librariesToLoadAhead(toolkitArguments, lookUp, "/usr/lib/qt6/plugins");
        const std::vector<std::string> expected =
            loadsAhead ? std::vector<std::string>{"/usr/lib/qt6/plugins/platforms/libqxcb.so",
                                                  "libXcursor.so.1"}
                       : std::vector<std::string>{};
        QCOMPARE(libraries, expected);
        // Without the toolkit's plugin folder nothing is guessed.
        QVERIFY(mpt::librariesToLoadAhead(toolkitArguments, lookUp, "").empty());
    }

    // This test runs on the offscreen platform, which never loads the X11 plugin: the preparation,
    // asked as for an X display, loads it.
    void theLibrariesAreLoaded() {
        const QString plugin =
            QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms/libqxcb.so");
        if (!QFileInfo::exists(plugin)) {
            QSKIP("the X11 platform plugin is not installed");
        }
        const QByteArray path = plugin.toLocal8Bit();
        QVERIFY(::dlopen(path.constData(), RTLD_LAZY | RTLD_NOLOAD) == nullptr);
        const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
        qputenv("QT_QPA_PLATFORM", "xcb");
        qputenv("DESKTOP_STARTUP_ID", "test_TIME0");  // the fonts are read already
        std::jthread preparation = mpt::startWindowPreparation({});
        mpt::finishWindowPreparation(preparation);
        QVERIFY(!preparation.joinable());
        qputenv("QT_QPA_PLATFORM", platform);
        qunsetenv("DESKTOP_STARTUP_ID");
        void* loaded = ::dlopen(path.constData(), RTLD_LAZY | RTLD_NOLOAD);
        QVERIFY(loaded != nullptr);
        ::dlclose(loaded);
    }
};

MPT_QT_TEST(StartUpPreparationTest, "start_up_preparation_test")

#include "start_up_preparation_test.moc"
