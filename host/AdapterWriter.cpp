#include "AdapterWriter.h"

#include "LinkSupervisor.h"
#include "MessageBox.h"

#include <QScopedValueRollback>
#include <algorithm>

namespace ostan {

using namespace adapter;

namespace {

const QString& TextNotActive()
{
    static const QString t = QStringLiteral(
        "Адаптер не активен.\rДля отображеня данных необходимо подключить и\rинициализировать адаптер, а затем выбрать прибор.");
    return t;
}

const QString& TextPortNotOpen()
{
    static const QString t = QStringLiteral("Попытка записи в неоткрытый порт!\rОбратитесь к разработчику.");
    return t;
}

const QString& TextWriteError()
{
    static const QString t = QStringLiteral("Ошибка записи в порт.\rОбратитесь к разработчику.");
    return t;
}

} // namespace

TAdapterWriter::TAdapterWriter(ISerialPort& P, const TLinkSupervisor& S) : Port(P), Supervisor(S) {}

void TAdapterWriter::SetPayloadByte(int No, uint8_t Value)
{
    if (No >= 1 && No <= MaxCommandPayload)
        TxFrame[static_cast<size_t>(CommandPayloadOffset + No - 1)] = Value;
}

bool TAdapterWriter::ShowSendError(const QString& Text)
{
    // A plug-in timer may send again while the box is open; one box is enough.
    if (!WriteErrorBoxOpen) {
        const QScopedValueRollback<bool> open(WriteErrorBoxOpen, true);
        ShowMessageBox(MsgType::Error, Text);
    }
    return false;
}

bool TAdapterWriter::SendAdapterCommand(uint8_t PayloadLength, bool CheckAlive)
{
    const int n = PayloadLength;
    if (n > MaxCommandPayload)
        return false;
    if (CheckAlive && !Supervisor.LinkUp()) {
        ShowMessageBox(MsgType::Information, TextNotActive());
        return false;
    }
    if (!Port.Active())
        return ShowSendError(TextPortNotOpen());

    TxFrame[0] = CommandPrefix0;
    TxFrame[1] = CommandPrefix1;
    TxFrame[CommandCheckOffset] = CommandHeaderCheck(TxFrame[CommandCodeOffset]);
    bool ok = Port.WriteBuf(TxFrame.data(), CommandHeaderLength) == CommandHeaderLength;
    if (n >= MinWrittenPayload && ok) {
        uint8_t* payload = TxFrame.data() + CommandPayloadOffset;
        uint8_t check = 0;
        for (int i = 0; i < n - 1; ++i)
            check ^= payload[i];
        payload[n - 1] = check;
        ok = Port.WriteBuf(payload, n) == n;
    }
    if (!ok)
        return ShowSendError(TextWriteError());
    return true;
}

bool TAdapterWriter::SendCommand(uint8_t Code, bool CheckAlive)
{
    SetCommandCode(Code);
    return SendAdapterCommand(0, CheckAlive);
}

bool TAdapterWriter::SendPluginPacket(const TDynamicByteArray& Data)
{
    const int n = Data.Length();
    if (n > MaxCommandPayload)
        return false;
    SetCommandCode(CmdRelay);
    if (n > 0)
        std::copy_n(Data.Bytes(), n, TxFrame.data() + CommandPayloadOffset);
    return SendAdapterCommand(static_cast<uint8_t>(n), true);
}

} // namespace ostan
