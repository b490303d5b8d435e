#pragma once
// The base of every device panel (the library's TForm1): the four operations
// the plug-in object calls on it. The panel reads the received bytes from
// PluginPacket and feeds PluginChart (CommonInterfacesImp.h).
#include <QDateTime>
#include <QString>
#include <QWidget>

namespace ostan {

class TPluginForm : public QWidget {
    Q_OBJECT
public:
    // The plug-in object makes the panel without a parent and then puts it
    // into the program's placeholder.
    explicit TPluginForm(QWidget* Parent = nullptr);
    ~TPluginForm() override;

    // Integrity of the bytes in PluginPacket. By default: false without a
    // packet or with InLen below 2, else true exactly when the XOR of bytes 2
    // to InLen is 0 (the header byte is not checked).
    virtual bool CheckPacket();
    // Decodes the bytes in PluginPacket onto the panel; called only right
    // after CheckPacket passed for them.
    virtual void ProcessPacket() = 0;
    // Export columns from 0; an empty text past the last one. Column 0 is
    // answered here ("Дата, время" and the current date and time): a panel
    // hands the indexes it does not know to these.
    virtual QString GetColumnCaption(int Index);
    virtual QString GetColumnValue(int Index);
};

// The default date-and-time text: short date, then long time
// ("05.03.2024 9:07:05").
QString DateTimeText(const QDateTime& Moment);

} // namespace ostan
