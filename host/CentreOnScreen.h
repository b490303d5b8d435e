#pragma once
// Placing a window of the program on the screen.
class QWidget;

namespace ostan {

// Moves Window so that its rectangle is centred in the primary screen's
// available area; without a screen it stays where it is.
void CentreOnPrimaryScreen(QWidget& Window);

} // namespace ostan
