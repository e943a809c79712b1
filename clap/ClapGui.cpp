#include "clap/ClapGui.h"

#include <cmath>
#include <cstring>
#include <new>

#include "clap/ClapPlugin.h"
#include "editor/BuzzEditor.h"

namespace qp::clap {

namespace {

// About 30 Hz: the rate hosts are asked to allow, and plenty for a knob's drag,
// whose events come through the descriptor as they arrive where it is watched.
constexpr std::uint32_t kTimerPeriodMs = 30;
// Idles in a row at most, while events wait in the window system's queue.
constexpr int kIdleRounds = 4;

template <class Extension>
const Extension* hostExtension(const clap_host* host, const char* id) {
    return host != nullptr && host->get_extension != nullptr
               ? static_cast<const Extension*>(host->get_extension(host, id))
               : nullptr;
}

bool usableTimers(const clap_host_timer_support* timers) {
    return timers != nullptr && timers->register_timer != nullptr && timers->unregister_timer != nullptr;
}

bool usableDescriptors(const clap_host_posix_fd_support* descriptors) {
    return descriptors != nullptr && descriptors->register_fd != nullptr &&
           descriptors->unregister_fd != nullptr;
}

}  // namespace

// The answer a host is given may be asked on a probe instance whose host offers
// nothing (Qtractor 0.9.31 asks once, at its scan, and remembers "no editor"):
// it is about the window system only. Whether this host can drive the editor
// is create's question.
bool ClapGui::isApiSupported(const char* api, bool floating) {
    return api != nullptr && std::strcmp(api, ClapGui::api()) == 0 && !floating;
}

ClapGui::ClapGui(ClapPlugin& plugin, const clap_host* host)
    : host_(host),
      timers_(hostExtension<clap_host_timer_support>(host, CLAP_EXT_TIMER_SUPPORT)),
      descriptors_(hostExtension<clap_host_posix_fd_support>(host, CLAP_EXT_POSIX_FD_SUPPORT)),
      model_(plugin, host, hostExtension<clap_host_gui>(host, CLAP_EXT_GUI)) {}

std::unique_ptr<ClapGui> ClapGui::create(ClapPlugin& plugin, const clap_host* host, const char* api,
                                         bool floating) {
    if (!isApiSupported(api, floating) ||
        (!canTimeItself() &&
         !usableTimers(hostExtension<clap_host_timer_support>(host, CLAP_EXT_TIMER_SUPPORT)))) {
        return nullptr;
    }
    std::unique_ptr<ClapGui> gui(new (std::nothrow) ClapGui(plugin, host));
    if (!gui) {
        return nullptr;
    }
    gui->editor_.reset(new (std::nothrow) BuzzEditor(gui->model_, BuzzEditor::Commands::AboutAndPresets));
    if (!gui->editor_) {
        return nullptr;
    }
    gui->model_.setEditor(gui->editor_.get());
    if (usableTimers(gui->timers_) && !gui->timers_->register_timer(host, kTimerPeriodMs, &gui->timer_)) {
        gui->timer_ = CLAP_INVALID_ID;
    }
    if (gui->timer_ == CLAP_INVALID_ID && !gui->startOwnTimer(kTimerPeriodMs)) {
        return nullptr;
    }
    return gui;
}

ClapGui::~ClapGui() {
    closeWindow();
    if (timer_ != CLAP_INVALID_ID) {
        timers_->unregister_timer(host_, timer_);
    }
    stopOwnTimer();
    model_.setEditor(nullptr);
}

void ClapGui::closeWindow() {
    // The descriptor goes back before the connection closes with the window: its
    // number may be the next file's.
    if (fd_ >= 0) {
        descriptors_->unregister_fd(host_, fd_);
        fd_ = -1;
    }
    if (editor_) {
        editor_->close();
    }
}

bool ClapGui::setScale(double scale) {
    if (!std::isfinite(scale) || scale <= 0.0) {
        return false;
    }
    editor_->setHostScale(scale);
    return true;
}

bool ClapGui::getSize(std::uint32_t& width, std::uint32_t& height) {
    std::int32_t w = editor_->width(), h = editor_->height();
    if (editor_->window() == nullptr) {
        // Before the window, the size it will open at.
        editor_->announceSize(w, h);
    }
    if (w <= 0 || h <= 0) {
        return false;
    }
    width = std::uint32_t(w);
    height = std::uint32_t(h);
    return true;
}

bool ClapGui::setSize(std::uint32_t width, std::uint32_t height) {
    std::uint32_t w = 0, h = 0;
    return getSize(w, h) && w == width && h == height;
}

bool ClapGui::setParent(const clap_window& window) {
    void* parent = window.api != nullptr && std::strcmp(window.api, api()) == 0 ? parentOf(window) : nullptr;
    if (parent == nullptr) {
        return false;
    }
    // A second parent: the window moves by being made anew inside it.
    closeWindow();
    if (!editor_->open(parent) || editor_->window() == nullptr) {
        editor_->close();
        return false;
    }
    const int fd = eventDescriptor();
    if (fd >= 0 && usableDescriptors(descriptors_) &&
        descriptors_->register_fd(host_, fd, CLAP_POSIX_FD_READ)) {
        fd_ = fd;
    }
    return true;
}

bool ClapGui::show() { return showWindow(true); }

bool ClapGui::hide() { return showWindow(false); }

void ClapGui::onTimer(clap_id timer) {
    if (timer == timer_) {
        tick();
    }
}

void ClapGui::tick() {
    model_.poll();
    drive();
}

void ClapGui::onFd(int fd, clap_posix_fd_flags_t) {
    if (fd == fd_) {
        drive();
    }
}

void ClapGui::drive() {
    // The editor's idle takes every event the connection holds, then draws; the
    // drawing may read more events into the queue, where the descriptor no
    // longer shows them, so they are taken now rather than at the next tick.
    for (int round = 0; round < kIdleRounds; ++round) {
        editor_->idle();
        if (!eventsQueued()) {
            return;
        }
    }
}

}  // namespace qp::clap
