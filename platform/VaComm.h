#pragma once
// The serial port component: termios on the device that the live SERIALCOMM
// key maps "COM<n>" to; raw 8N1, no flow control, DTR/RTS cleared where the
// device supports it. The receive event is raised on the GUI thread by a
// socket notifier, also inside nested event loops.
#include "SerialPort.h"

#include <QObject>
#include <QString>
#include <memory>
#include <stdexcept>

class QSocketNotifier;

namespace ostan {

class EVaCommError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The component's baud-rate codes.
enum BaudCode : int { br19200 = 9, br38400 = 10, br57600 = 12, br115200 = 13 };
// Bit rate of a code, 0 for a code the component does not know.
int BaudRateOfCode(int Code);

class TVaComm : public QObject, public ISerialPort {
    Q_OBJECT
public:
    explicit TVaComm(QObject* Parent = nullptr);
    ~TVaComm() override;

    int PortNum() const override { return Port; }
    void SetPortNum(int Num);      // closes nothing; takes effect at the next Open
    int Baudrate() const { return Baud; }
    void SetBaudrate(int Code);    // as above
    QString DeviceName() const;    // "COM%d"

    bool Active() const override { return Fd >= 0; }
    // Raises EVaCommError (readable message) when the port cannot be opened:
    // port 0, no device mapped, an unknown baud code, or the device refusing.
    void Open();
    void Close();

    int WriteBuf(const void* Buffer, int Count) override;
    QByteArray ReadText() override;
    int ReadBufUsed() const override;

signals:
    // Bytes have arrived; Count is how many were waiting.
    void OnRxChar(int Count);
    // The device hung up (unplugged, the other side closed); the port is closed.
    void OnHangUp();

private:
    void DataReady();
    void HangUp();

    int Port = 0;
    int Baud = br115200;
    int Fd = -1;
    std::unique_ptr<QSocketNotifier> Notifier;
    QByteArray Pending; // bytes read by the notifier but not yet taken
};

} // namespace ostan
