// The plug-in's zoom choice for the user, set for a while as a user sets it from
// the editor's Zoom menu (the registry value Zoom under the plug-in's settings
// key: the percent + 1), and put back as it was when this goes. For qphost, the
// bench and the tests that open the editor at a step.
#pragma once

#include <windows.h>

namespace qp::hostlib {

class ZoomSetting {
public:
    // Remembers the value stored now, or that there is none.
    ZoomSetting();
    ~ZoomSetting();
    ZoomSetting(const ZoomSetting&) = delete;
    ZoomSetting& operator=(const ZoomSetting&) = delete;

    // A step's percent, or 0 for "Auto" (no value stored).
    void choose(int percent);
    // The value stored now (the percent + 1), 0 for none.
    static DWORD stored();

private:
    DWORD old_ = 0;
    bool hadOld_ = false;
};

}  // namespace qp::hostlib
