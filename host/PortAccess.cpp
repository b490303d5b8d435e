#include "PortAccess.h"

#include <QFile>
#include <QStringList>

#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostan {

namespace {

QString UserName()
{
    if (const passwd* pw = ::getpwuid(::getuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return QStringLiteral("$USER");
}

} // namespace

QString DeviceGroup(const QString& Device)
{
    struct stat st {};
    if (::stat(QFile::encodeName(Device).constData(), &st) != 0)
        return QString();
    if (const group* gr = ::getgrgid(st.st_gid))
        return QString::fromLocal8Bit(gr->gr_name);
    return QString::number(st.st_gid);
}

QString UnopenedPortsText(const std::vector<TUnopenedPort>& Ports)
{
    if (Ports.empty())
        return QString();
    QStringList lines{QStringLiteral("Не удалось открыть:")};
    for (const TUnopenedPort& p : Ports) {
        if (p.Errno != EACCES && p.Errno != EPERM) {
            lines << p.Message;
            continue;
        }
        const QString group = DeviceGroup(p.Device);
        // Adding a user to root's group is no remedy: the device is the administrator's alone.
        if (group == QLatin1String("root")) {
            lines << QStringLiteral("COM%1 (%2): нет прав на открытие порта, он доступен только администратору (root).")
                         .arg(p.Port)
                         .arg(p.Device);
            continue;
        }
        if (group.isEmpty()) {
            lines << QStringLiteral("COM%1 (%2): нет прав на открытие порта").arg(p.Port).arg(p.Device);
            continue;
        }
        lines << QStringLiteral("COM%1 (%2): нет прав на открытие порта, он доступен группе %3. "
                                "Добавьте пользователя в эту группу (sudo adduser %4 %3) и войдите в систему заново.")
                     .arg(p.Port)
                     .arg(p.Device, group, UserName());
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace ostan
