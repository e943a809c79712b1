// clap.gui's Windows side: the host's parent is an HWND, and the frame's window
// takes its messages from the host's own loop, so no descriptor is watched.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "clap/ClapGui.h"
#include "editor/BuzzEditor.h"

namespace qp::clap {

namespace {

// The editors ticking on timers of their own, by timer id: a thread timer's
// callback is told only its id. Main thread only, as every gui call.
struct OwnTimer {
    UINT_PTR id;
    ClapGui* gui;
};
std::vector<OwnTimer> ownTimers;

void CALLBACK ownTimerTick(HWND, UINT, UINT_PTR id, DWORD) {
    const auto found = std::find_if(ownTimers.begin(), ownTimers.end(),
                                    [id](const OwnTimer& timer) { return timer.id == id; });
    if (found != ownTimers.end()) {
        found->gui->tick();
    }
}

}  // namespace

const char* ClapGui::api() { return CLAP_WINDOW_API_WIN32; }

void* ClapGui::parentOf(const clap_window& window) { return window.win32; }

int ClapGui::eventDescriptor() const { return -1; }

// The messages are the host's loop's to dispatch.
bool ClapGui::eventsQueued() const { return false; }

bool ClapGui::canTimeItself() { return true; }

bool ClapGui::startOwnTimer(std::uint32_t periodMs) {
    const UINT_PTR id = SetTimer(nullptr, 0, periodMs, ownTimerTick);
    if (id == 0) {
        return false;
    }
    ownTimers.push_back({id, this});
    ownTimer_ = id;
    return true;
}

void ClapGui::stopOwnTimer() {
    if (ownTimer_ == 0) {
        return;
    }
    KillTimer(nullptr, ownTimer_);
    std::erase_if(ownTimers, [this](const OwnTimer& timer) { return timer.gui == this; });
    ownTimer_ = 0;
}

bool ClapGui::showWindow(bool shown) {
    HWND window = static_cast<HWND>(editor_->window());
    if (window == nullptr) {
        return false;
    }
    ShowWindow(window, shown ? SW_SHOW : SW_HIDE);
    return true;
}

}  // namespace qp::clap
