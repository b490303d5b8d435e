#pragma once
// A line edit whose clipboard keys take routes of its own (a numeric control
// keeps its text a number). The window's Edit actions reach such a control
// through this interface in whichever library the control lives.
#include "PlatformApi.h"

namespace ostan {

class OSTAN_PLATFORM_API IClipboardRoutes {
public:
    virtual ~IClipboardRoutes();
    virtual void CopyToClipboard() = 0;
    virtual void CutToClipboard() = 0;
    virtual void PasteFromClipboard() = 0;
    // Whether cut and paste may change the text.
    virtual bool ClipboardEditable() const = 0;
};

} // namespace ostan
