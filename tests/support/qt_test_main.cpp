// SPDX-License-Identifier: GPL-3.0-or-later
// The main of the suites that need a Qt application object: the event loop their tests pump, and
// for the widget suites (RIDE_TEST_WIDGETS) a QApplication on the offscreen platform.
#ifdef RIDE_TEST_WIDGETS
#include <QApplication>
#else
#include <QCoreApplication>
#endif

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
#ifdef RIDE_TEST_WIDGETS
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
