#include "PluginForm.h"

#include "CommonInterfacesImp.h"

namespace ostan {

TPluginForm::TPluginForm(QWidget* Parent) : QWidget(Parent)
{
    setObjectName(QStringLiteral("Form1"));
}

TPluginForm::~TPluginForm() = default;

bool TPluginForm::CheckPacket()
{
    if (!PluginPacket || PluginPacket->InLen() < 2)
        return false;
    uint8_t X = 0;
    for (int i = 2; i <= PluginPacket->InLen(); ++i)
        X ^= PluginPacket->GetIn(i);
    return X == 0;
}

QString TPluginForm::GetColumnCaption(int Index)
{
    return Index == 0 ? QStringLiteral("Дата, время") : QString();
}

QString TPluginForm::GetColumnValue(int Index)
{
    return Index == 0 ? DateTimeText(QDateTime::currentDateTime()) : QString();
}

QString DateTimeText(const QDateTime& Moment)
{
    return Moment.toString(QStringLiteral("dd.MM.yyyy H:mm:ss"));
}

} // namespace ostan
