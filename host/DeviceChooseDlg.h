#pragma once
// The device choice dialog. The plug-in scan and the list of devices come
// with the plug-in host; for now it carries the cable type and the selection.
#include <QDialog>
#include <QString>

namespace ostan {

class TDeviceChooseDialog : public QDialog {
    Q_OBJECT
public:
    explicit TDeviceChooseDialog(QWidget* Parent = nullptr);

    QString SelectedModule;
    int BLSPinCount = 0;

    bool SelectByModuleName(const QString& ModuleName);
};

} // namespace ostan
