#include "ClipboardRoutes.h"

namespace ostan {

// Out of line: the interface's type has one identity in the process, so a
// library's control is found as one from the program.
IClipboardRoutes::~IClipboardRoutes() = default;

} // namespace ostan
