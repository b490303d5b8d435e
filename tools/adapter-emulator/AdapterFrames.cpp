#include "AdapterFrames.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace adapteremu {

uint8_t XorOf(const QByteArray& Bytes, int From, int To)
{
    if (To < 0 || To > Bytes.size())
        To = Bytes.size();
    uint8_t x = 0;
    for (int i = std::max(From, 0); i < To; ++i)
        x ^= static_cast<uint8_t>(Bytes[i]);
    return x;
}

namespace {
QByteArray ThreeByteFrame(uint8_t Header, uint8_t Value)
{
    QByteArray f;
    f.append(static_cast<char>(Header));
    f.append(static_cast<char>(Value));
    f.append(static_cast<char>(Header ^ Value));
    return f;
}
} // namespace

QByteArray MakeInitFrame(uint8_t Firmware) { return ThreeByteFrame(InitHeader, Firmware); }
QByteArray MakeEchoFrame(uint8_t Firmware) { return ThreeByteFrame(EchoHeader, Firmware); }
QByteArray MakeStatusFrame(uint8_t Status) { return ThreeByteFrame(StatusHeader, Status); }

QByteArray MakeDeviceIdFrame(uint8_t Id)
{
    QByteArray f(DeviceIdFrameLength, '\0');
    f[0] = static_cast<char>(DeviceIdHeader);
    f[1] = static_cast<char>(Id);
    f[DeviceIdFrameLength - 1] = static_cast<char>(XorOf(f, DeviceIdCheckFrom - 1, DeviceIdFrameLength - 1));
    return f;
}

QByteArray WithBadCheck(QByteArray Frame)
{
    if (!Frame.isEmpty())
        Frame[Frame.size() - 1] = static_cast<char>(static_cast<uint8_t>(Frame.back()) ^ 0x01);
    return Frame;
}

QString HexText(const QByteArray& Bytes)
{
    return QString::fromLatin1(Bytes.toHex(' ').toUpper());
}

std::optional<QByteArray> ParseHexBytes(const QStringList& Tokens)
{
    QByteArray out;
    for (const QString& t : Tokens) {
        if (t.isEmpty() || (t.size() > 2 && t.size() % 2 != 0))
            return std::nullopt;
        for (const QChar c : t)
            if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')))
                return std::nullopt;
        for (int i = 0; i < t.size(); i += 2)
            out.append(static_cast<char>(t.mid(i, t.size() == 1 ? 1 : 2).toUInt(nullptr, 16)));
    }
    return out;
}

} // namespace adapteremu
