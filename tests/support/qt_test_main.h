// SPDX-License-Identifier: MIT
// One program holds every Qt Test class of the suite, so that they are linked once rather than
// once each. Each class registers itself under the name CTest runs it by; the program runs the
// class its first argument names, in a process of its own as before:
//
//   qt_tests status_line_test [Qt Test options]
//
// A program with a main of its own (the screenshot) registers that main instead.
#pragma once

#include <QApplication>
#include <QTest>

namespace mpt::testing {

using QtTestProgram = int (*)(int argc, char** argv);

// Registers `program` under `name`; returns true so that a registration can initialise a static.
bool registerQtTestProgram(const char* name, QtTestProgram program);

// What QTEST_MAIN does for a widgets test, for the class `Test`.
template <typename Test>
int runQtTestClass(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    Test test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace mpt::testing

// Stands where QTEST_MAIN(TestClass) stood: registers the class under `name`.
#define MPT_QT_TEST(TestClass, name)                   \
    static const bool mptQtTestRegistered##TestClass = \
        ::mpt::testing::registerQtTestProgram(name, &::mpt::testing::runQtTestClass<TestClass>);
