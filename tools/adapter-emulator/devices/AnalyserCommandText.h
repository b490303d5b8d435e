#pragma once
// The log text of a command of the analysers' command set: its caption, and
// the value a spin argument stands for ("C п.г.с. 2.50").
#include "PanelTables.h"

#include <QByteArray>
#include <QString>

namespace adapteremu {

inline QString DescribeByTable(std::span<const ostan::TCommandDef> Table, const QByteArray& Payload)
{
    if (Payload.size() < 2)
        return {};
    const auto Operation = static_cast<uint8_t>(Payload[0]);
    const auto Argument = static_cast<uint8_t>(Payload[1]);
    const ostan::TCommandDef* C = ostan::FindCommand(Table, Operation, Argument);
    if (!C)
        return {};
    const QString Caption = QString::fromUtf8(C->Caption);
    if (!C->Spin)
        return Caption;
    return Caption + QLatin1Char(' ') + QString::number(ostan::ArgumentValue(Argument, C->Scale), 'f', 2);
}

} // namespace adapteremu
