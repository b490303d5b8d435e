#include "DeviceChooseDlg.h"

namespace ostan {

TDeviceChooseDialog::TDeviceChooseDialog(QWidget* Parent) : QDialog(Parent)
{
    setObjectName(QStringLiteral("DeviceChooseDialog"));
    setWindowTitle(QStringLiteral("Выбор прибора"));
    setFixedSize(500, 331);
}

bool TDeviceChooseDialog::SelectByModuleName(const QString&) { return false; }

} // namespace ostan
