// The host extensions the editor's plumbing leans on, offered as a host would but
// driven by hand: timers the test fires, descriptors the test polls, flush and
// resize requests counted, a thread check that knows the main and the audio
// thread. Plus an output event list that keeps what it was given, decoded.
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
        record_ = {{1, 2, 10}, this,       "qp test host", "Veltmarsk", "",
                   "1.0",      &extension, &request,       &request,    &request};
    }
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    const clap_host* record() const { return &record_; }

    bool offerTimers = true;
    // The thread check's answers: the thread that made the host is both until a
    // test moves the audio side elsewhere.
    std::thread::id mainThread = std::this_thread::get_id();
    std::thread::id audioThread = std::this_thread::get_id();
    std::atomic<int> flushRequests{0};
    int dirtyMarks = 0;
    std::vector<clap_id> timers;
    std::vector<int> descriptors;  // each watched for reading
    std::vector<std::pair<std::uint32_t, std::uint32_t>> resizeRequests;

    void fireTimers(const clap_plugin* plugin) const {
        const auto* support = static_cast<const clap_plugin_timer_support*>(
            plugin->get_extension(plugin, CLAP_EXT_TIMER_SUPPORT));
        for (const clap_id timer : std::vector<clap_id>(timers)) {
            support->on_timer(plugin, timer);
        }
    }
#if !defined(_WIN32)
    // One pass of a host's poll over the descriptors, waiting up to timeoutMs.
    void pollDescriptors(const clap_plugin* plugin, int timeoutMs) const {
        std::vector<pollfd> polled;
        for (const int fd : descriptors) {
            polled.push_back({fd, POLLIN, 0});
        }
        if (polled.empty() || poll(polled.data(), polled.size(), timeoutMs) <= 0) {
            return;
        }
        const auto* support = static_cast<const clap_plugin_posix_fd_support*>(
            plugin->get_extension(plugin, CLAP_EXT_POSIX_FD_SUPPORT));
        for (const pollfd& p : polled) {
            if (p.revents != 0) {
                support->on_fd(plugin, p.fd,
                               (p.revents & POLLIN) != 0 ? CLAP_POSIX_FD_READ : CLAP_POSIX_FD_ERROR);
            }
        }
    }
#endif

private:
    static TestHost& of(const clap_host* host) { return *static_cast<TestHost*>(host->host_data); }

    static const void* extension(const clap_host* host, const char* id) {
        const void* tables[][2] = {{CLAP_EXT_PARAMS, &kParams},
                                   {CLAP_EXT_STATE, &kState},
                                   {CLAP_EXT_THREAD_CHECK, &kThreadCheck},
                                   {CLAP_EXT_GUI, &kGui},
                                   {CLAP_EXT_TIMER_SUPPORT, of(host).offerTimers ? &kTimers : nullptr},
                                   {CLAP_EXT_POSIX_FD_SUPPORT, &kFds}};
        for (const auto& [name, table] : tables) {
            if (std::strcmp(id, static_cast<const char*>(name)) == 0) {
                return table;
            }
        }
        return nullptr;
    }
    static void request(const clap_host*) {}

    static void requestFlush(const clap_host* host) { ++of(host).flushRequests; }
    static void markDirty(const clap_host* host) { ++of(host).dirtyMarks; }
    static bool isMain(const clap_host* host) { return std::this_thread::get_id() == of(host).mainThread; }
    static bool isAudio(const clap_host* host) { return std::this_thread::get_id() == of(host).audioThread; }
    static bool requestResize(const clap_host* host, std::uint32_t width, std::uint32_t height) {
        of(host).resizeRequests.emplace_back(width, height);
        return true;
    }

    // Removes one entry; false when it was not there.
    template <class T>
    static bool take(std::vector<T>& list, T entry) {
        const auto found = std::find(list.begin(), list.end(), entry);
        return found != list.end() && (list.erase(found), true);
    }
    static bool registerTimer(const clap_host* host, std::uint32_t, clap_id* id) {
        static clap_id next = 100;
        of(host).timers.push_back(*id = next++);
        return true;
    }
    static bool unregisterTimer(const clap_host* host, clap_id id) { return take(of(host).timers, id); }
    static bool registerFd(const clap_host* host, int fd, clap_posix_fd_flags_t flags) {
        EXPECT_EQ(flags, CLAP_POSIX_FD_READ);
        of(host).descriptors.push_back(fd);
        return true;
    }
    static bool modifyFd(const clap_host*, int, clap_posix_fd_flags_t) { return false; }
    static bool unregisterFd(const clap_host* host, int fd) { return take(of(host).descriptors, fd); }

    static constexpr clap_host_params kParams{nullptr, nullptr, requestFlush};
    static constexpr clap_host_state kState{markDirty};
    static constexpr clap_host_thread_check kThreadCheck{isMain, isAudio};
    static constexpr clap_host_gui kGui{nullptr, requestResize, nullptr, nullptr, nullptr};
    static constexpr clap_host_timer_support kTimers{registerTimer, unregisterTimer};
    static constexpr clap_host_posix_fd_support kFds{registerFd, modifyFd, unregisterFd};

    clap_host record_{};
};

// What a plug-in pushed, decoded; `room` events are taken, then try_push answers
// false as a host out of memory would.
class OutputList {
public:
    struct Event {
        std::uint16_t type;
        clap_id id;
        double value;  // 0 for gestures
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
        EXPECT_EQ(header->space_id, CLAP_CORE_EVENT_SPACE_ID);
        EXPECT_EQ(header->time, 0u);
        if (header->type == CLAP_EVENT_PARAM_VALUE) {
            EXPECT_EQ(header->size, sizeof(clap_event_param_value));
            clap_event_param_value value;
            std::memcpy(&value, header, sizeof(value));
            EXPECT_EQ(value.note_id & value.port_index & value.channel & value.key, -1) << "global: all -1";
            self->events.push_back({header->type, value.param_id, value.value});
        } else {
            EXPECT_EQ(header->size, sizeof(clap_event_param_gesture));
            clap_event_param_gesture gesture;
            std::memcpy(&gesture, header, sizeof(gesture));
            self->events.push_back({header->type, gesture.param_id, 0.0});
        }
        return true;
    }

    clap_output_events output_{};
};

}  // namespace qp::test
