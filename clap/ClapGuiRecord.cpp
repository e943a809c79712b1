// The tables of clap.gui, clap.timer-support and clap.posix-fd-support: each
// finds its instance's editor (ClapGui) through plugin_data, and answers false
// where there is none yet or no more.
#include <cstring>

#include "clap/ClapGui.h"
#include "clap/ClapPlugin.h"

namespace qp::clap {

namespace {

ClapGui* guiOf(const clap_plugin* plugin) {
    ClapPlugin* instance = ClapPlugin::of(plugin);
    return instance != nullptr ? instance->gui() : nullptr;
}

bool isApiSupported(const clap_plugin* plugin, const char* api, bool floating) {
    return plugin != nullptr && ClapGui::isApiSupported(api, floating);
}

bool preferredApi(const clap_plugin*, const char** api, bool* floating) {
    if (api == nullptr || floating == nullptr) {
        return false;
    }
    *api = ClapGui::api();
    *floating = false;
    return true;
}

bool create(const clap_plugin* plugin, const char* api, bool floating) {
    return ClapPlugin::of(plugin)->createGui(api, floating);
}

void destroy(const clap_plugin* plugin) { ClapPlugin::of(plugin)->destroyGui(); }

bool setScale(const clap_plugin* plugin, double scale) {
    ClapGui* gui = guiOf(plugin);
    return gui != nullptr && gui->setScale(scale);
}

bool getSize(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height) {
    ClapGui* gui = guiOf(plugin);
    return gui != nullptr && width != nullptr && height != nullptr && gui->getSize(*width, *height);
}

bool no(const clap_plugin*) { return false; }

bool noHints(const clap_plugin*, clap_gui_resize_hints*) { return false; }

bool noAdjustment(const clap_plugin*, std::uint32_t*, std::uint32_t*) { return false; }

bool setSize(const clap_plugin* plugin, std::uint32_t width, std::uint32_t height) {
    ClapGui* gui = guiOf(plugin);
    return gui != nullptr && gui->setSize(width, height);
}

bool setParent(const clap_plugin* plugin, const clap_window* window) {
    ClapGui* gui = guiOf(plugin);
    return gui != nullptr && window != nullptr && gui->setParent(*window);
}

// Floating windows are not offered: nothing to keep above, nothing to title.
bool noTransient(const clap_plugin*, const clap_window*) { return false; }

void noTitle(const clap_plugin*, const char*) {}

bool show(const clap_plugin* plugin) {
    ClapGui* gui = guiOf(plugin);
    return gui != nullptr && gui->show();
}

bool hide(const clap_plugin* plugin) {
    ClapGui* gui = guiOf(plugin);
    return gui != nullptr && gui->hide();
}

constexpr clap_plugin_gui kGui{isApiSupported, preferredApi, create,  destroy,      setScale,
                               getSize,        no,           noHints, noAdjustment, setSize,
                               setParent,      noTransient,  noTitle, show,         hide};

void onTimer(const clap_plugin* plugin, clap_id timer) {
    if (ClapGui* gui = guiOf(plugin)) {
        gui->onTimer(timer);
    }
}

constexpr clap_plugin_timer_support kTimerSupport{onTimer};

void onFd(const clap_plugin* plugin, int fd, clap_posix_fd_flags_t flags) {
    if (ClapGui* gui = guiOf(plugin)) {
        gui->onFd(fd, flags);
    }
}

constexpr clap_plugin_posix_fd_support kPosixFdSupport{onFd};

}  // namespace

const void* guiExtension(const char* id) {
    if (std::strcmp(id, CLAP_EXT_GUI) == 0) {
        return &kGui;
    }
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0) {
        return &kTimerSupport;
    }
    if (std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT) == 0) {
        return &kPosixFdSupport;
    }
    return nullptr;
}

}  // namespace qp::clap
