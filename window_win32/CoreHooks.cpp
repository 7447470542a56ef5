#include "window_win32/CoreHooks.h"

#include "common/Clock.h"
#include "conversion/modFolionix.h"
#include "pdf/modPDF.h"
#include "window_win32/frmMulti.h"

namespace folionix {

CoreHooks::CoreHooks(frmMulti& window) {
    SetMessageBoxHook([&window](const std::string& text, int style, const std::string& title) {
        window.ShowMessage(text, style, title);
    });
    SetClockHook([&window] { return window.Now(); });
    SetPdfEventPump([&window] { window.PumpEvents(); });
}

CoreHooks::~CoreHooks() {
    SetPdfEventPump({});
    SetClockHook({});
    SetMessageBoxHook({});
}

} // namespace folionix
