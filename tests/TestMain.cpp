// Shared main for the test executables: a QApplication on the offscreen
// platform, so widgets, timers and socket notifiers work without a display.
#include "QtWorkers.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // What Qt and the program keep in the user's folders (the file dialog's
    // state, a default store, caches) goes to a folder of this run.
    QTemporaryDir UserFolders;
    for (const char* Name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
        qputenv(Name, QFile::encodeName(UserFolders.filePath(QLatin1String(Name))));
    ostan::TQtWorkersEnd WorkersEnd;
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
