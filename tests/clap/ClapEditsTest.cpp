// The editor's way to the host and back, on the plug-in linked in: edits made on
// the main thread come out of the next block or flush as the host's events, in
// order, and are heard; a full queue refuses rather than loses, and the editor's
// model keeps what was refused; what the host sets reaches the main thread's poll.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "clap/ClapEditorModel.h"
#include "clap/ClapPlugin.h"
#include "tests/clap/ClapHostServices.h"
#include "tests/clap/ClapTestHost.h"

namespace qp::test {
namespace {

using qp::clap::ClapEditorModel;
using qp::clap::ClapEditQueue;
using qp::clap::ClapPlugin;
using Event = OutputList::Event;

// One instance on a test host, made as the factory makes it.
class Edited {
public:
    explicit Edited(TestHost& host)
        : plugin(*new ClapPlugin(host.record())),
          record(plugin.record()),
          params(static_cast<const clap_plugin_params*>(record->get_extension(record, CLAP_EXT_PARAMS))) {
        EXPECT_TRUE(record->init(record));
    }
    ~Edited() {
        if (plugin.isProcessing()) {
            record->stop_processing(record);
        }
        if (plugin.isActive()) {
            record->deactivate(record);
        }
        record->destroy(record);
    }
    void start(bool processing = true) {
        ASSERT_TRUE(plugin.isActive() || record->activate(record, 48000.0, 1, 512));
        ASSERT_TRUE(!processing || record->start_processing(record));
    }
    // One block of a fixed signal, in place; its output.
    std::vector<float> block(OutputList* out, const clap_input_events* in = nullptr) {
        std::vector<float> left(256), right(256);
        for (std::size_t n = 0; n < left.size(); ++n) {
            left[n] = right[n] = float(0.7 * std::sin(0.05 * double(n)));
        }
        float* channels[2] = {left.data(), right.data()};
        clap_audio_buffer buffer{channels, nullptr, 2, 0, 0};
        const clap_process process{0, 256, nullptr, &buffer, &buffer, 1, 1, in, out ? out->list() : nullptr};
        EXPECT_EQ(record->process(record, &process), CLAP_PROCESS_CONTINUE);
        return left;
    }
    std::vector<Event> flush() {
        OutputList out;
        params->flush(record, nullptr, out.list());
        return out.events;
    }

    ClapPlugin& plugin;
    const clap_plugin* record;
    const clap_plugin_params* params;
};

Event begin(clap_id id) { return {CLAP_EVENT_PARAM_GESTURE_BEGIN, id, 0.0}; }
// Values are floats on their way through the plug-in.
Event value(clap_id id, double v) { return {CLAP_EVENT_PARAM_VALUE, id, double(float(v))}; }
Event end(clap_id id) { return {CLAP_EVENT_PARAM_GESTURE_END, id, 0.0}; }

// The editor's call an event stands for, on the plug-in or the model.
template <class Editor>
auto apply(Editor& editor, const Event& edit) {
    const auto index = std::int32_t(edit.id);
    return edit.type == CLAP_EVENT_PARAM_GESTURE_BEGIN ? editor.beginGesture(index)
           : edit.type == CLAP_EVENT_PARAM_GESTURE_END ? editor.endGesture(index)
                                                       : editor.changeValue(index, float(edit.value));
}

TEST(ClapEdits, ComeOutInOrderAndAreHeard) {
    struct Case {
        const char* what;
        std::vector<Event> edits;
        std::vector<bool> taken;
        std::vector<Event> reported;
    };
    const Case cases[] = {
        {"a drag",
         {begin(0), value(0, 0.25), value(0, 0.75), end(0)},
         {true, true, true, true},
         {begin(0), value(0, 0.25), value(0, 0.75), end(0)}},
        {"a click outside a gesture, clamped", {value(1, 3.0)}, {true}, {value(1, 1.0)}},
        {"refused: no such parameter, not a number",
         {begin(2), value(5, 0.5), value(0, std::nan("")), value(1, 0.25)},
         {false, false, false, true},
         {value(1, 0.25)}},
    };
    // Out in a block while processing, else in the flush the host was asked for:
    // on the audio thread while active, on the main one while not.
    enum Route {
        kBlock,
        kFlushActive,
        kFlushInactive
    };
    for (const Route route : {kBlock, kFlushActive, kFlushInactive}) {
        for (const Case& c : cases) {
            TestHost host, referenceHost;
            Edited plugin(host), reference(referenceHost);
            if (route != kFlushInactive) {
                plugin.start(route == kBlock);
            }
            for (std::size_t i = 0; i < c.edits.size(); ++i) {
                EXPECT_EQ(apply(plugin.plugin, c.edits[i]), c.taken[i]) << c.what << ", edit " << i;
            }
            EXPECT_EQ(host.flushRequests > 0, route != kBlock) << c.what;
            EXPECT_EQ(host.dirtyMarks > 0, route != kBlock) << c.what;
            OutputList out;
            std::vector<float> heard;
            if (route == kBlock) {
                heard = plugin.block(&out);
            } else {
                out.events = plugin.flush();
                plugin.start();
                heard = plugin.block(nullptr);
            }
            EXPECT_EQ(out.events, c.reported) << c.what << ", route " << route;
            // Heard: the block sounds as one whose host sent the reported values.
            EventList sent;
            for (const Event& reported : c.reported) {
                if (reported.type == CLAP_EVENT_PARAM_VALUE) {
                    sent.value(reported.id, reported.value);
                }
            }
            reference.start();
            EXPECT_EQ(heard, reference.block(nullptr, sent.list())) << c.what;
            EXPECT_TRUE(plugin.flush().empty()) << c.what << ": sent twice";
        }
    }
}

TEST(ClapEdits, AFullQueueRefusesAndLosesNothing) {
    TestHost host;
    Edited plugin(host);
    plugin.start();
    std::vector<Event> expected = {begin(0)};
    ASSERT_TRUE(plugin.plugin.beginGesture(0));
    // One slot stays for the end: begins and values stop one short of full.
    for (std::uint32_t i = 0; plugin.plugin.changeValue(0, float(i) / 1024.0f); ++i) {
        expected.push_back(value(0, float(i) / 1024.0f));
    }
    EXPECT_EQ(expected.size(), ClapEditQueue::kCapacity - 1);
    EXPECT_FALSE(plugin.plugin.beginGesture(1));
    EXPECT_TRUE(plugin.plugin.endGesture(0));
    expected.push_back(end(0));
    EXPECT_FALSE(plugin.plugin.endGesture(0)) << "full";
    // A host that takes only so many a block gets the rest in the next ones.
    std::vector<Event> received;
    for (std::size_t room : {100u, 0u, 1000u}) {
        OutputList out;
        out.room = room;
        plugin.block(&out);
        received.insert(received.end(), out.events.begin(), out.events.end());
    }
    EXPECT_EQ(received, expected);
    EXPECT_TRUE(plugin.plugin.beginGesture(1)) << "room again once drained";
}

TEST(ClapEdits, HostValuesReachTheMainThreadsPoll) {
    struct Case {
        const char* what;
        std::vector<std::pair<clap_id, double>> sent;  // by the host
        std::vector<Event> edits;                      // by the editor, before
        std::uint32_t seen;
        float sens, buzz;
    };
    for (const Case& c : {
             Case{"sens", {{0, 0.25}}, {}, 1u, 0.25f, 0.5f},
             Case{"both, buzz twice", {{1, 0.1}, {0, 0.9}, {1, 0.3}}, {}, 3u, 0.9f, 0.3f},
             Case{"the editor's own are not echoed", {}, {value(1, 0.6)}, 0u, 0.5f, 0.6f},
             Case{"the host's come after the editor's", {{1, 0.2}}, {value(1, 0.6)}, 2u, 0.5f, 0.2f},
             Case{"odd ones are no news", {{7, 0.5}, {0, std::nan("")}}, {}, 0u, 0.5f, 0.5f},
         }) {
        for (bool inBlock : {true, false}) {
            TestHost host;
            Edited plugin(host);
            plugin.start(inBlock);
            EventList events;
            for (const auto& [id, v] : c.sent) {
                events.value(id, v);
            }
            for (const Event& edit : c.edits) {
                apply(plugin.plugin, edit);
            }
            inBlock ? void(plugin.block(nullptr, events.list()))
                    : plugin.params->flush(plugin.record, events.list(), nullptr);
            EXPECT_EQ(plugin.plugin.takeHostChanges(), c.seen) << c.what;
            EXPECT_EQ(plugin.plugin.takeHostChanges(), 0u) << c.what << ": seen once";
            EXPECT_EQ(plugin.plugin.value(0), c.sens) << c.what;
            EXPECT_EQ(plugin.plugin.value(1), c.buzz) << c.what;
        }
    }
}

// The editor queues on the main thread while another thread renders: every edit
// arrives once and in order (ThreadSanitizer watches the tree's run of this).
TEST(ClapEdits, CrossThreadsIntact) {
    TestHost host;
    Edited plugin(host);
    plugin.start();
    constexpr int kEdits = 20000;
    std::vector<Event> received;
    std::thread audio([&] {
        host.audioThread = std::this_thread::get_id();
        while (received.size() < std::size_t(kEdits)) {
            OutputList out;
            plugin.block(&out);
            received.insert(received.end(), out.events.begin(), out.events.end());
        }
    });
    for (int i = 0; i < kEdits; ++i) {
        while (!plugin.plugin.changeValue(i % 2, float(i) / kEdits)) {
            std::this_thread::yield();
        }
    }
    audio.join();
    host.audioThread = std::this_thread::get_id();
    ASSERT_EQ(received.size(), std::size_t(kEdits));
    for (int i = 0; i < kEdits; ++i) {
        ASSERT_EQ(received[std::size_t(i)], value(clap_id(i % 2), double(float(i) / kEdits))) << i;
    }
    EXPECT_EQ(host.flushRequests, 0) << "processing all along";
}

// The model over a host that neither processes nor flushes: once the queue is
// full, edits wait in the model, folded, and reach the host in order when it
// comes back, every gesture closed and every final value heard.
TEST(ClapEditorModel, RefusedEditsWaitFoldedAndGoOutInOrder) {
    struct Case {
        const char* what;
        std::vector<Event> after;  // the editor's, once the queue is full
        std::size_t waiting;       // in the model then, the refused value first
        std::vector<Event> tail;   // the last the host hears
    };
    for (const Case& c : {
             Case{"the drag goes on", {value(0, 0.6), value(0, 0.7), end(0)}, 2, {value(0, 0.7), end(0)}},
             Case{"taken again before the release was heard",
                  {end(0), begin(0), value(0, 0.8), end(0)},
                  2,
                  {value(0, 0.8), end(0)}},
             Case{"then the other knob",
                  {end(0), begin(1), value(1, 0.25), end(1)},
                  5,
                  {end(0), begin(1), value(1, 0.25), end(1)}},
             Case{"not a parameter", {end(0), begin(7), value(7, 0.5)}, 2, {end(0)}},
         }) {
        TestHost host;
        Edited plugin(host);
        ClapEditorModel model(plugin.plugin, host.record(), nullptr);
        model.beginGesture(0);
        for (int i = 0; model.waiting() == 0; ++i) {
            model.changeValue(0, float(i) / 1024.0f);
        }
        for (const Event& edit : c.after) {
            apply(model, edit);
        }
        EXPECT_EQ(model.waiting(), c.waiting) << c.what;
        std::vector<Event> heard;
        for (int round = 0; round < 3; ++round) {
            const std::vector<Event> events = plugin.flush();
            heard.insert(heard.end(), events.begin(), events.end());
            model.poll();
        }
        EXPECT_EQ(model.waiting(), 0u) << c.what;
        ASSERT_GE(heard.size(), c.tail.size()) << c.what;
        EXPECT_EQ(std::vector<Event>(heard.end() - std::ptrdiff_t(c.tail.size()), heard.end()), c.tail)
            << c.what;
        int open[2] = {0, 0};
        for (const Event& event : heard) {
            open[event.id] += event.type == CLAP_EVENT_PARAM_GESTURE_BEGIN ? 1
                              : event.type == CLAP_EVENT_PARAM_GESTURE_END ? -1
                                                                           : 0;
            EXPECT_TRUE(open[event.id] == 0 || open[event.id] == 1) << c.what;
        }
        EXPECT_TRUE(open[0] == 0 && open[1] == 0) << c.what;
    }
}

// The factory bank: 3 Nasal Reed (0.75, 0.45), 5 Comb Buzz (0.65, 1), 8 Spoken Buzz.
TEST(ClapEditorModel, PresetsAreTheBanksAndTheTickFollowsTheValues) {
    struct Case {
        const char* what;
        std::int32_t chosen;                           // -1: none
        std::vector<std::pair<clap_id, double>> sent;  // by the host, afterwards
        std::int32_t ticked;
        std::vector<Event> reported;
    };
    for (const Case& c : {
             Case{"the defaults", -1, {}, -1, {}},
             Case{"Nasal Reed chosen",
                  3,
                  {},
                  3,
                  {begin(0), value(0, 0.75f), end(0), begin(1), value(1, 0.45f), end(1)}},
             Case{"Comb Buzz's values from the host", -1, {{0, 0.65f}, {1, 1.0}}, 5, {}},
             Case{"Nasal Reed, then the host moves sens", 3, {{0, 0.7}}, -1, {}},
             Case{"no such preset", 9, {}, -1, {}},
         }) {
        TestHost host;
        Edited plugin(host);
        plugin.start();
        ClapEditorModel model(plugin.plugin, host.record(), nullptr);
        model.choosePreset(c.chosen);
        OutputList out;
        plugin.block(&out);
        EXPECT_TRUE(c.reported.empty() || out.events == c.reported) << c.what;
        EventList sent;
        for (const auto& [id, v] : c.sent) {
            sent.value(id, v);
        }
        plugin.block(nullptr, sent.list());
        EXPECT_EQ(model.currentPreset(), c.ticked) << c.what;
        char name[24] = "x";
        model.presetName(c.chosen, name, sizeof name);
        EXPECT_STREQ(name, c.chosen == 3 ? "Nasal Reed" : "") << c.what;
    }
}

}  // namespace
}  // namespace qp::test
