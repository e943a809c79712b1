// The instance's editor behind clap.gui: one BuzzEditor over a ClapEditorModel,
// embedded in the host's window, never floating.
//
// Offered: "x11" on Linux, "win32" on Windows, embedded only; the size is the
// editor's zoom step at the host's scale (set_scale), not resizable by the user.
// A timer (clap.timer-support, about 30 Hz) gives the editor its time: its
// drawing and zoom changes, the edits' way out and the host's values' way in.
// On X11 it is required of the host and also takes the editor's X events, which
// clap.posix-fd-support, where offered, hands over the moment they come. On
// Windows the frame's window procedure takes the input from the host's message
// loop, and without the host's timer a thread timer of our own ticks instead.
//
// Sequence (the host's): create, set_scale, get_size, set_parent, show ...
// destroy. The editor's window exists from set_parent to destroy; the timer from
// create to destroy, the display's descriptor from set_parent to destroy.
//
// Threads: the main thread only.
#pragma once

#include <cstdint>
#include <memory>

#include "clap/ClapAbi.h"
#include "clap/ClapEditorModel.h"

namespace qp {
class BuzzEditor;
}

namespace qp::clap {

class ClapPlugin;

class ClapGui final {
public:
    // The window system of this build, as clap.gui names it.
    static const char* api();
    // This build's window system, embedded; what the host offers is not asked.
    static bool isApiSupported(const char* api, bool floating);

    // Null when the API is not this build's, the GUI would float, or the host
    // cannot drive it (on X11: it offers no timer).
    static std::unique_ptr<ClapGui> create(ClapPlugin& plugin, const clap_host* host, const char* api,
                                           bool floating);
    // Ends a drag's gesture still open, takes the window down and gives the
    // host's timer and descriptor back.
    ~ClapGui();
    ClapGui(const ClapGui&) = delete;
    ClapGui& operator=(const ClapGui&) = delete;

    bool setScale(double scale);
    bool getSize(std::uint32_t& width, std::uint32_t& height);
    // The size is fixed by the zoom step: true only for the size it has.
    bool setSize(std::uint32_t width, std::uint32_t height);
    bool setParent(const clap_window& window);
    bool show();
    bool hide();

    void onTimer(clap_id timer);
    // One tick of the editor's timer, the host's or our own.
    void tick();
    void onFd(int fd, clap_posix_fd_flags_t flags);

    // For tests: the model and the editor.
    ClapEditorModel& model() { return model_; }
    BuzzEditor& editor() { return *editor_; }

private:
    ClapGui(ClapPlugin& plugin, const clap_host* host);
    // The window system's part (ClapGuiX11.cpp, ClapGuiWin32.cpp): the parent
    // the window names, and the descriptor the editor's events arrive on (-1
    // where there is none to watch).
    static void* parentOf(const clap_window& window);
    int eventDescriptor() const;
    // Events already read from the connection and not yet taken by the editor.
    bool eventsQueued() const;
    // A timer of the window system's that calls tick(), where there is one to
    // use without the host's (Windows); false where not (X11).
    static bool canTimeItself();
    bool startOwnTimer(std::uint32_t periodMs);
    void stopOwnTimer();
    bool showWindow(bool shown);
    void drive();
    void closeWindow();

    const clap_host* host_;
    const clap_host_timer_support* timers_ = nullptr;
    const clap_host_posix_fd_support* descriptors_ = nullptr;
    ClapEditorModel model_;
    std::unique_ptr<BuzzEditor> editor_;
    clap_id timer_ = CLAP_INVALID_ID;
    std::uintptr_t ownTimer_ = 0;
    int fd_ = -1;
};

}  // namespace qp::clap
