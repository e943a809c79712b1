// The host extensions the editor's plumbing leans on, offered as a host would but
// driven by hand: timers the test fires, descriptors the test polls, flush and
// resize requests recorded, and a thread check that knows which threads are the
// main and the audio one. Plus an output event list that keeps what it was given.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "clap/ClapAbi.h"

#if !defined(_WIN32)
#include <poll.h>
#endif

namespace qp::test {

class TestHost {
public:
    TestHost() {
        record_ = {{1, 2, 10},
                   this,
                   "qp test host",
                   "Veltmarsk",
                   "",
                   "1.0",
                   &TestHost::extension,
                   &TestHost::restart,
                   &TestHost::process,
                   &TestHost::callback};
    }
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    const clap_host* record() const { return &record_; }

    // Which extensions are offered; all by default.
    bool offerParams = true;
    bool offerThreadCheck = true;
    bool offerGui = true;
    bool offerTimers = true;
    bool offerFds = true;

    // The thread check's answers: the thread that made the host is both until
    // a test moves the audio side elsewhere.
    std::thread::id mainThread = std::this_thread::get_id();
    std::thread::id audioThread = std::this_thread::get_id();

    std::atomic<int> flushRequests{0};
    std::atomic<int> processRequests{0};

    struct Timer {
        clap_id id;
        std::uint32_t period;
    };
    std::vector<Timer> timers;
    struct Descriptor {
        int fd;
        clap_posix_fd_flags_t flags;
    };
    std::vector<Descriptor> descriptors;
    struct Size {
        std::uint32_t width;
        std::uint32_t height;
        bool operator==(const Size&) const = default;
    };
    std::vector<Size> resizeRequests;
    bool acceptResize = true;

    // Every registered timer once, as a host's loop would when they are due.
    void fireTimers(const clap_plugin* plugin) const {
        const auto* support = static_cast<const clap_plugin_timer_support*>(
            plugin->get_extension(plugin, CLAP_EXT_TIMER_SUPPORT));
        for (const Timer timer : std::vector<Timer>(timers)) {
            support->on_timer(plugin, timer.id);
        }
    }

#if !defined(_WIN32)
    // One pass of a host's poll over the registered descriptors; the number that
    // were ready.
    int pollDescriptors(const clap_plugin* plugin, int timeoutMs) const {
        std::vector<pollfd> polled;
        for (const Descriptor& d : descriptors) {
            const short events = short(((d.flags & CLAP_POSIX_FD_READ) != 0 ? POLLIN : 0) |
                                       ((d.flags & CLAP_POSIX_FD_WRITE) != 0 ? POLLOUT : 0));
            polled.push_back({d.fd, events, 0});
        }
        if (polled.empty() || poll(polled.data(), polled.size(), timeoutMs) <= 0) {
            return 0;
        }
        const auto* support = static_cast<const clap_plugin_posix_fd_support*>(
            plugin->get_extension(plugin, CLAP_EXT_POSIX_FD_SUPPORT));
        int ready = 0;
        for (const pollfd& p : polled) {
            const clap_posix_fd_flags_t flags =
                ((p.revents & POLLIN) != 0 ? CLAP_POSIX_FD_READ : 0) |
                ((p.revents & POLLOUT) != 0 ? CLAP_POSIX_FD_WRITE : 0) |
                ((p.revents & (POLLERR | POLLHUP)) != 0 ? CLAP_POSIX_FD_ERROR : 0);
            if (flags != 0) {
                ++ready;
                support->on_fd(plugin, p.fd, flags);
            }
        }
        return ready;
    }
#endif

private:
    static TestHost& of(const clap_host* host) { return *static_cast<TestHost*>(host->host_data); }

    static const void* extension(const clap_host* host, const char* id) {
        const TestHost& self = of(host);
        struct Offer {
            const char* id;
            bool offered;
            const void* table;
        };
        for (const Offer& offer : {Offer{CLAP_EXT_PARAMS, self.offerParams, &kParams},
                                   Offer{CLAP_EXT_THREAD_CHECK, self.offerThreadCheck, &kThreadCheck},
                                   Offer{CLAP_EXT_GUI, self.offerGui, &kGui},
                                   Offer{CLAP_EXT_TIMER_SUPPORT, self.offerTimers, &kTimers},
                                   Offer{CLAP_EXT_POSIX_FD_SUPPORT, self.offerFds, &kFds}}) {
            if (std::strcmp(id, offer.id) == 0) {
                return offer.offered ? offer.table : nullptr;
            }
        }
        return nullptr;
    }
    static void restart(const clap_host*) {}
    static void process(const clap_host* host) { ++of(host).processRequests; }
    static void callback(const clap_host*) {}

    static void rescan(const clap_host*, clap_param_rescan_flags) {}
    static void clear(const clap_host*, clap_id, clap_param_clear_flags) {}
    static void requestFlush(const clap_host* host) { ++of(host).flushRequests; }

    static bool isMain(const clap_host* host) { return std::this_thread::get_id() == of(host).mainThread; }
    static bool isAudio(const clap_host* host) { return std::this_thread::get_id() == of(host).audioThread; }

    static void hintsChanged(const clap_host*) {}
    static bool requestResize(const clap_host* host, std::uint32_t width, std::uint32_t height) {
        of(host).resizeRequests.push_back({width, height});
        return of(host).acceptResize;
    }
    static bool requestShowOrHide(const clap_host*) { return false; }
    static void closed(const clap_host*, bool) {}

    static bool registerTimer(const clap_host* host, std::uint32_t period, clap_id* id) {
        static clap_id next = 100;
        of(host).timers.push_back({next, period});
        *id = next++;
        return true;
    }
    static bool unregisterTimer(const clap_host* host, clap_id id) {
        auto& timers = of(host).timers;
        const auto found =
            std::find_if(timers.begin(), timers.end(), [id](const Timer& t) { return t.id == id; });
        if (found == timers.end()) {
            return false;
        }
        timers.erase(found);
        return true;
    }

    static bool registerFd(const clap_host* host, int fd, clap_posix_fd_flags_t flags) {
        auto& descriptors = of(host).descriptors;
        if (std::any_of(descriptors.begin(), descriptors.end(),
                        [fd](const Descriptor& d) { return d.fd == fd; })) {
            return false;
        }
        descriptors.push_back({fd, flags});
        return true;
    }
    static bool modifyFd(const clap_host* host, int fd, clap_posix_fd_flags_t flags) {
        for (Descriptor& d : of(host).descriptors) {
            if (d.fd == fd) {
                d.flags = flags;
                return true;
            }
        }
        return false;
    }
    static bool unregisterFd(const clap_host* host, int fd) {
        auto& descriptors = of(host).descriptors;
        const auto found = std::find_if(descriptors.begin(), descriptors.end(),
                                        [fd](const Descriptor& d) { return d.fd == fd; });
        if (found == descriptors.end()) {
            return false;
        }
        descriptors.erase(found);
        return true;
    }

    static constexpr clap_host_params kParams{rescan, clear, requestFlush};
    static constexpr clap_host_thread_check kThreadCheck{isMain, isAudio};
    static constexpr clap_host_gui kGui{hintsChanged, requestResize, requestShowOrHide, requestShowOrHide,
                                        closed};
    static constexpr clap_host_timer_support kTimers{registerTimer, unregisterTimer};
    static constexpr clap_host_posix_fd_support kFds{registerFd, modifyFd, unregisterFd};

    clap_host record_{};
};

// What a plug-in pushed, in order, decoded; `room` events are taken, then
// try_push answers false as a host out of memory would.
class OutputList {
public:
    struct Event {
        std::uint16_t type;
        clap_id id;
        double value;  // 0 for gestures
        std::uint32_t time;
        bool operator==(const Event&) const = default;
    };
    std::vector<Event> events;
    std::size_t room = ~std::size_t(0);

    const clap_output_events* list() {
        output_ = {this, &OutputList::push};
        return &output_;
    }

private:
    static bool push(const clap_output_events* list, const clap_event_header* header) {
        auto* self = static_cast<OutputList*>(list->ctx);
        if (self->events.size() >= self->room) {
            return false;
        }
        Event event{header->type, CLAP_INVALID_ID, 0.0, header->time};
        if (header->type == CLAP_EVENT_PARAM_VALUE && header->size == sizeof(clap_event_param_value)) {
            clap_event_param_value value;
            std::memcpy(&value, header, sizeof(value));
            EXPECT_EQ(value.note_id, -1);
            EXPECT_EQ(value.port_index, -1);
            EXPECT_EQ(value.channel, -1);
            EXPECT_EQ(value.key, -1);
            event.id = value.param_id;
            event.value = value.value;
        } else if ((header->type == CLAP_EVENT_PARAM_GESTURE_BEGIN ||
                    header->type == CLAP_EVENT_PARAM_GESTURE_END) &&
                   header->size == sizeof(clap_event_param_gesture)) {
            clap_event_param_gesture gesture;
            std::memcpy(&gesture, header, sizeof(gesture));
            event.id = gesture.param_id;
        } else {
            ADD_FAILURE() << "an event of type " << header->type << " and " << header->size << " bytes";
        }
        EXPECT_EQ(header->space_id, CLAP_CORE_EVENT_SPACE_ID);
        self->events.push_back(event);
        return true;
    }

    clap_output_events output_{};
};

}  // namespace qp::test
