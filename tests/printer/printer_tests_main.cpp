// SPDX-License-Identifier: MIT
// The main of the virtual printer's GoogleTest program. Drawing text needs a GUI application; it
// runs on the offscreen platform, named on its command line rather than in the environment so
// that the console programs these tests start see the environment the test was given.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <vector>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::vector<char*> arguments{argv[0], const_cast<char*>("-platform"),
                                 const_cast<char*>("offscreen")};
    int guiArgc = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);
    QGuiApplication app(guiArgc, arguments.data());
    return RUN_ALL_TESTS();
}
