#pragma once
// The emulator's end of a pseudo-terminal. The master is non-blocking; the
// slave stays open here as well, so the master never reads a hang-up while
// the program has not opened its side yet (or has closed it).
#include <QByteArray>
#include <QString>

namespace adapteremu {

class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal() { Close(); }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // False with Error set when the system refuses a pseudo-terminal.
    bool Open(QString* Error);
    void Close();
    bool IsOpen() const { return Master >= 0; }

    int MasterFd() const { return Master; }
    QString SlavePath() const { return Slave; }

    // The line speed the program set on its side, in bit/s (0 if unknown).
    int LineBaud() const;

    // Every byte waiting from the program. Sets HungUp on a read error other
    // than "nothing waiting".
    QByteArray ReadAll(bool* HungUp = nullptr);
    // Bytes the terminal accepted; what it cannot take now is dropped, as a
    // line with nobody listening drops it.
    int Write(const QByteArray& Bytes);
    // Bytes written here that the program has not read yet.
    int Unread() const;

private:
    int Master = -1;
    int SlaveKeeper = -1;
    QString Slave;
};

// 57600 for B57600 and so on; 0 for a code this table lacks.
int BaudFromSpeed(unsigned Speed);

} // namespace adapteremu
