#pragma once
// What the adapter link needs of a byte-stream port. The serial component
// implements it; tests use fakes.
#include <QByteArray>

namespace ostan {

class ISerialPort {
public:
    virtual ~ISerialPort() = default;
    virtual int PortNum() const = 0;
    virtual bool Active() const = 0;
    // Number of bytes really written, never negative; less than Count is a
    // write error. A closed port writes nothing.
    virtual int WriteBuf(const void* Buffer, int Count) = 0;
    // Every received byte waiting.
    virtual QByteArray ReadText() = 0;
    // Received bytes not read yet.
    virtual int ReadBufUsed() const = 0;
};

} // namespace ostan
