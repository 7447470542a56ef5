#pragma once

namespace folionix {

class frmMulti;

// The core still reaches its window through process-wide hooks (message box, clock, the pump
// during a long close); this adapter routes them to the window's own ShowMessage, Now and
// PumpEvents, which are what the host interface asks for once it has them. Only this class
// knows the hooks, so moving to the host's methods removes it and nothing else. One window at a
// time installs them; they are cleared when the adapter goes.
class CoreHooks {
public:
    explicit CoreHooks(frmMulti& window);
    ~CoreHooks();
    CoreHooks(const CoreHooks&) = delete;
    CoreHooks& operator=(const CoreHooks&) = delete;
};

} // namespace folionix
