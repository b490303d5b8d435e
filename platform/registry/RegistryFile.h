#pragma once
// The store's file: read afresh by every operation (a version already parsed
// is recognised and shared, not copied), written atomically under a lock
// file, a damaged one kept aside; the writes of a batch held until it ends.
#include "RegistryModel.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

namespace ostan::registry {

[[noreturn]] void Raise(const QString& Message);

QByteArray Native(const QString& Path);

// Test hooks' state: the byte after which writes fail (-1: none), the last
// report of a damaged store until someone shows it.
long long& WriteFailAfter();
int& LockWaitMs(); // how long a lock held elsewhere is waited for
QString& DamageReport();

bool WritableFor(const QString& Path);

// A fresh stamp for a version of a store (see Store::Stamp).
uint64_t NextStamp();

// The store in the file at Path, shared with the cache: reading copies
// nothing. Raises ERegistryException when the file cannot be read, and when
// it is damaged (kept aside first when it can be written; Locked: the caller
// holds the lock).
std::shared_ptr<const Store> LoadFileStore(const QString& Path, bool Locked);

// The store as this process sees it: the file, or the open batch's version of it.
std::shared_ptr<const Store> LoadStore(const QString& Path);

// A change of the store: false when it changed nothing. It may be applied
// again to a newer version of the store, so it keeps copies of what it needs.
using Change = std::function<bool(Store&)>;

// One write of the store in use: lock, re-read, change, replace; inside a
// batch, a change of the batch's version. Nothing is written when the change
// changes nothing. Returns what the change returned.
bool Mutate(const Change& Apply);

} // namespace ostan::registry
