// The lines under "not found" for the ports a search could not open.
#include "PortAccess.h"

#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <grp.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace ostan;

TEST(PortAccess, EachRefusalSaysWhyAndAPermissionOneWhatToDo)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto node = [&](const char* Name, const char* Group) {
        const QString path = dir.filePath(Name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        const group* g = ::getgrnam(Group);
        if (g) {
            EXPECT_EQ(::chown(QFile::encodeName(path).constData(), uid_t(-1), g->gr_gid), 0);
        }
        return g ? path : QString();
    };
    const QString dialout = node("ttyUSB0", "dialout");
    const QString root = node("ttyS0", "root");
    if (dialout.isEmpty() || root.isEmpty() || DeviceGroup(root) != "root")
        GTEST_SKIP() << "no group dialout here, or the files cannot be given to root's group";

    EXPECT_EQ(UnopenedPortsText({}), QString());
    const QStringList lines = UnopenedPortsText({{101, dialout, EACCES, "unused"},
                                                 {1, root, EPERM, "unused"},
                                                 {5, "/dev/ttyS4", EBUSY, "Порт COM5 (/dev/ttyS4) занят другой программой"}})
                                  .split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], "Не удалось открыть:");
    // The group that owns the device, and the command that puts the user in it.
    EXPECT_TRUE(lines[1].startsWith("COM101 (" + dialout + "): нет прав на открытие порта, он доступен группе dialout. "
                                    "Добавьте пользователя в эту группу (sudo adduser "))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(" dialout) и войдите в систему заново.")) << lines[1].toStdString();
    // Root's own group is no group to join.
    EXPECT_EQ(lines[2], "COM1 (" + root + "): нет прав на открытие порта, он доступен только администратору (root).");
    EXPECT_EQ(lines[3], "Порт COM5 (/dev/ttyS4) занят другой программой");
}
