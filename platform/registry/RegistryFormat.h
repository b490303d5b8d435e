#pragma once
// The store's text: the .reg export format. Written as UTF-8; read as UTF-8
// or, as the registry editor of Windows exports it, UTF-16LE with a
// byte-order mark.
#include "RegistryModel.h"

#include <QByteArray>
#include <QString>

namespace ostan::registry {

extern const QString FileHeader; // "Windows Registry Editor Version 5.00"

// A line break or a NUL: a name holding one cannot be written, a text
// holding one is written in hex form.
bool NotQuotable(const QString& S);

QByteArray Serialise(const Store& S);

// Parses the whole file into Out (empty); false with Error ("строка N: why")
// when it cannot.
bool Parse(const QByteArray& Data, Store& Out, QString& Error);

} // namespace ostan::registry
