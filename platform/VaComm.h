#pragma once
// The serial port component: termios on the device that the live SERIALCOMM
// key maps "COM<n>" to; raw 8N1, no flow control, DTR/RTS cleared where the
// device supports it. The port is opened exclusively (an advisory lock on the
// device and the terminal's exclusive mode): a port another program holds is
// a failed open that says it is in use. The receive event is raised on the GUI thread by a
// socket notifier, also inside nested event loops.
//
// The notifier takes the waiting bytes into the component and raises OnRxChar
// once per arrival, so a handler that leaves them unread does not make it fire
// again and again. A hang-up (a read of 0 or an error: the adapter pulled out,
// the other end of a pseudo-terminal closed) closes the port and raises
// OnHangUp; nothing keeps polling a dead device.
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
    // A device that refused to open: its path and the system's error code.
    EVaCommError(const QString& Message, const QString& DevicePath, int OpenError)
        : std::runtime_error(Message.toStdString()), Device(DevicePath), Errno(OpenError)
    {}
    QString Device; // empty when no device was tried
    int Errno = 0;  // EACCES for a device the user may not open, EBUSY for one held elsewhere
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
    // An open port is closed first. Input waiting from before is dropped.
    void Open();
    void Close(); // idempotent; unread bytes are dropped

    // Writes synchronously: waits up to about a second in all for a full
    // device to take the bytes, then gives up. Returns the bytes really
    // written, never a negative count; a closed port writes 0 (the caller
    // reports a short count as a write error). A hang-up during the write
    // closes the port; OnHangUp follows from the event loop.
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
    void LostDuringWrite();
    // Reads what is waiting into Pending; false when the device hung up.
    bool Drain();

    int Port = 0;
    int Baud = br115200;
    int Fd = -1;
    unsigned Generation = 0; // counts opens, so late work can tell a new port
    int NotifierDepth = 0;   // inside the notifier's handler: delete it later
    std::unique_ptr<QSocketNotifier> Notifier;
    QByteArray Pending; // bytes read by the notifier but not yet taken
};

} // namespace ostan
