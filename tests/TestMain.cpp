// Shared main for the test executables: a QApplication on the offscreen
// platform, so widgets, timers and socket notifiers work without a display.
#include "QtWorkers.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ostan::TQtWorkersEnd WorkersEnd;
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
