#pragma once
// The decimal and thousands separators of every number text shown to the
// user. They come from the system locale at the moment of each call; tests
// fix them, so expected texts do not depend on the machine's language.
#include <QChar>

namespace ostan {

QChar DecimalSeparator();
QChar ThousandSeparator();

// Test hook: fixed separators until ResetSeparatorsForTest.
void SetSeparatorsForTest(QChar Decimal, QChar Thousands);
void ResetSeparatorsForTest();

} // namespace ostan
