#pragma once
// Helpers of the plug-in host tests: folder trees of copied fake libraries.
#include "QStringPrinting.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

namespace ostan::test {

// A built fixture library (FakeDevice1.so, FakePluginNoInterface.so, ...).
inline QString FixtureLibrary(const QString& Name)
{
    return QStringLiteral(OSTAN_FIXTURE_DIR "/") + Name + QLatin1String(".so");
}

// Copies a fixture library to Dir/FileName (folders made as needed); returns the path.
inline QString PlaceLibrary(const QString& Fixture, const QString& Dir, const QString& FileName)
{
    QDir().mkpath(Dir);
    const QString Target = Dir + QLatin1Char('/') + FileName;
    EXPECT_TRUE(QFile::copy(FixtureLibrary(Fixture), Target)) << Target.toStdString();
    return Target;
}

inline QString PlaceFile(const QString& Dir, const QString& FileName, const QByteArray& Content)
{
    QDir().mkpath(Dir);
    QFile F(Dir + QLatin1Char('/') + FileName);
    EXPECT_TRUE(F.open(QIODevice::WriteOnly));
    F.write(Content);
    return F.fileName();
}

} // namespace ostan::test
