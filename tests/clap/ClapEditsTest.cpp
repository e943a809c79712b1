// The editor's way to the host and back, on the plug-in linked in: edits made on
// the main thread come out of the next block or flush as the host's events, in
// order, and are heard; a full queue refuses rather than loses; what the host
// sets reaches the main thread's poll.
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

// One instance on a host of the tests, made as the factory makes it.
class Edited {
public:
    explicit Edited(TestHost& host)
        : plugin_(new ClapPlugin(host.record())),
          record_(plugin_->record()) {
        EXPECT_TRUE(record_->init(record_));
        params = static_cast<const clap_plugin_params*>(record_->get_extension(record_, CLAP_EXT_PARAMS));
    }
    ~Edited() {
        if (plugin_->isProcessing()) {
            record_->stop_processing(record_);
        }
        if (plugin_->isActive()) {
            record_->deactivate(record_);
        }
        record_->destroy(record_);
    }
    Edited(const Edited&) = delete;
    Edited& operator=(const Edited&) = delete;

    ClapPlugin* operator->() const { return plugin_; }
    const clap_plugin* record() const { return record_; }

    void activate() { ASSERT_TRUE(record_->activate(record_, 48000.0, 1, 512)); }
    void start() {
        activate();
        ASSERT_TRUE(record_->start_processing(record_));
    }
    // One block of a fixed signal, in place; the block's output.
    std::vector<float> block(OutputList* out, const clap_input_events* in = nullptr) {
        std::vector<float> left(256), right(256);
        for (std::size_t n = 0; n < left.size(); ++n) {
            left[n] = right[n] = float(0.7 * std::sin(0.05 * double(n)));
        }
        float* channels[2] = {left.data(), right.data()};
        clap_audio_buffer input{channels, nullptr, 2, 0, 0}, output{channels, nullptr, 2, 0, 0};
        const clap_process process{0, 256, nullptr, &input, &output, 1, 1, in, out ? out->list() : nullptr};
        EXPECT_EQ(record_->process(record_, &process), CLAP_PROCESS_CONTINUE);
        return left;
    }
    double value(clap_id id) const {
        double v = -1.0;
        EXPECT_TRUE(params->get_value(record_, id, &v));
        return v;
    }

    const clap_plugin_params* params = nullptr;

private:
    ClapPlugin* plugin_;
    const clap_plugin* record_;
};

Event begin(clap_id id) { return {CLAP_EVENT_PARAM_GESTURE_BEGIN, id, 0.0, 0}; }
Event value(clap_id id, double v) { return {CLAP_EVENT_PARAM_VALUE, id, v, 0}; }
Event end(clap_id id) { return {CLAP_EVENT_PARAM_GESTURE_END, id, 0.0, 0}; }

bool apply(ClapPlugin& plugin, const Event& edit) {
    switch (edit.type) {
        case CLAP_EVENT_PARAM_GESTURE_BEGIN:
            return plugin.beginGesture(std::int32_t(edit.id));
        case CLAP_EVENT_PARAM_GESTURE_END:
            return plugin.endGesture(std::int32_t(edit.id));
        default:
            return plugin.changeValue(std::int32_t(edit.id), float(edit.value));
    }
}

// How the queued edits leave: in a block while processing, else in a flush the
// host was asked for (on the audio thread while active, the main one while not).
enum class Route {
    Block,
    FlushActive,
    FlushInactive
};

TEST(ClapEdits, ComeOutInOrderAndAreHeard) {
    struct Case {
        const char* what;
        std::vector<Event> edits;
        std::vector<bool> taken;
        std::vector<Event> reported;
    };
    const Case cases[] = {
        {"a drag",
         {begin(0), value(0, 0.25), value(0, 0.5), value(0, 0.75), end(0)},
         {true, true, true, true, true},
         {begin(0), value(0, 0.25), value(0, 0.5), value(0, 0.75), end(0)}},
        {"a preset: both parameters",
         {begin(0), value(0, 0.125), end(0), begin(1), value(1, 0.875), end(1)},
         {true, true, true, true, true, true},
         {begin(0), value(0, 0.125), end(0), begin(1), value(1, 0.875), end(1)}},
        {"a click outside a gesture, clamped", {value(1, 3.0)}, {true}, {value(1, 1.0)}},
        {"refused: no such parameter, not a number",
         {begin(2), value(5, 0.5), value(0, std::nan("")), value(1, 0.25)},
         {false, false, false, true},
         {value(1, 0.25)}},
    };
    for (const Route route : {Route::Block, Route::FlushActive, Route::FlushInactive}) {
        for (const Case& c : cases) {
            TestHost host, referenceHost;
            Edited plugin(host), reference(referenceHost);
            if (route == Route::Block) {
                plugin.start();
            } else if (route == Route::FlushActive) {
                plugin.activate();
            }
            for (std::size_t i = 0; i < c.edits.size(); ++i) {
                EXPECT_EQ(apply(*plugin.operator->(), c.edits[i]), c.taken[i]) << c.what << ", edit " << i;
            }
            EXPECT_EQ(host.flushRequests > 0, route != Route::Block) << c.what;
            OutputList out;
            std::vector<float> heard;
            if (route == Route::Block) {
                heard = plugin.block(&out);
            } else {
                plugin.params->flush(plugin.record(), nullptr, out.list());
                if (!plugin->isActive()) {
                    plugin.activate();
                }
                ASSERT_TRUE(plugin.record()->start_processing(plugin.record()));
                heard = plugin.block(nullptr);
            }
            EXPECT_EQ(out.events, c.reported) << c.what;
            // Heard: the block sounds as one whose host sent the reported values.
            EventList sent;
            for (const Event& reported : c.reported) {
                if (reported.type == CLAP_EVENT_PARAM_VALUE) {
                    sent.value(reported.id, reported.value);
                }
            }
            reference.start();
            EXPECT_EQ(heard, reference.block(nullptr, sent.list())) << c.what;
            OutputList later;
            plugin.block(&later);
            EXPECT_TRUE(later.events.empty()) << c.what << ": sent twice";
        }
    }
}

TEST(ClapEdits, AFullQueueRefusesAndLosesNothing) {
    TestHost host;
    Edited plugin(host);
    plugin.start();
    ASSERT_TRUE(plugin->beginGesture(0));
    std::vector<Event> expected = {begin(0)};
    // One slot stays for the end: begins and values stop one short of full.
    for (std::uint32_t i = 0;; ++i) {
        const float v = float(i % 1000) / 1000.0f;
        if (!plugin->changeValue(0, v)) {
            break;
        }
        expected.push_back(value(0, v));
    }
    EXPECT_EQ(expected.size(), ClapEditQueue::kCapacity - 1);
    EXPECT_FALSE(plugin->beginGesture(1));
    EXPECT_TRUE(plugin->endGesture(0));
    expected.push_back(end(0));
    EXPECT_FALSE(plugin->endGesture(0)) << "full";
    // A host that takes only so many a block gets the rest in the next ones.
    std::vector<Event> received;
    for (std::size_t room : {100u, 0u, 300u, 1000u}) {
        OutputList out;
        out.room = room;
        plugin.block(&out);
        EXPECT_EQ(out.events.size(), std::min(room, expected.size() - received.size())) << room;
        received.insert(received.end(), out.events.begin(), out.events.end());
    }
    EXPECT_EQ(received, expected);
    EXPECT_TRUE(plugin->beginGesture(1)) << "room again once drained";
}

TEST(ClapEdits, HostValuesReachTheMainThreadsPoll) {
    struct Case {
        const char* what;
        std::vector<std::pair<clap_id, double>> sent;  // by the host
        std::vector<Event> edits;                      // by the editor
        std::uint32_t seen;
    };
    for (const Case& c : {
             Case{"nothing", {}, {}, 0u},
             Case{"sens", {{0, 0.25}}, {}, 1u},
             Case{"both, buzz twice", {{1, 0.1}, {0, 0.9}, {1, 0.3}}, {}, 3u},
             Case{"the editor's own are not echoed", {}, {begin(1), value(1, 0.6), end(1)}, 0u},
             Case{"odd ones are not news", {{7, 0.5}, {0, std::nan("")}}, {}, 0u},
         }) {
        for (bool inBlock : {true, false}) {
            TestHost host;
            Edited plugin(host);
            plugin.start();
            EventList events;
            for (const auto& [id, v] : c.sent) {
                events.value(id, v);
            }
            for (const Event& edit : c.edits) {
                apply(*plugin.operator->(), edit);
            }
            inBlock ? void(plugin.block(nullptr, events.list()))
                    : plugin.params->flush(plugin.record(), events.list(), nullptr);
            EXPECT_EQ(plugin->takeHostChanges(), c.seen) << c.what;
            EXPECT_EQ(plugin->takeHostChanges(), 0u) << c.what << ": seen once";
            // The editor's edits go out before the host's events are taken.
            float expected[2] = {0.5f, 0.5f};
            for (const Event& edit : c.edits) {
                expected[edit.id] =
                    edit.type == CLAP_EVENT_PARAM_VALUE ? float(edit.value) : expected[edit.id];
            }
            for (const auto& [id, v] : c.sent) {
                expected[id < 2 ? id : 0] = id < 2 && std::isfinite(v) ? float(v) : expected[id < 2 ? id : 0];
            }
            EXPECT_EQ(plugin->value(0), expected[0]) << c.what;
            EXPECT_EQ(plugin->value(1), expected[1]) << c.what;
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
    int refused = 0;
    for (int i = 0; i < kEdits; ++i) {
        while (!plugin->changeValue(i % 2, float(i) / kEdits)) {
            ++refused;
            std::this_thread::yield();
        }
    }
    audio.join();
    host.audioThread = std::this_thread::get_id();
    ASSERT_EQ(received.size(), std::size_t(kEdits));
    for (int i = 0; i < kEdits; ++i) {
        ASSERT_EQ(received[std::size_t(i)], value(clap_id(i % 2), double(float(i) / kEdits))) << i;
    }
    EXPECT_EQ(host.flushRequests, 0) << "processing all along; " << refused << " refusals waited";
}

TEST(ClapEdits, ThreadCheckTakesTheHostsWord) {
    struct Case {
        bool offered;
        bool onMain;
        bool onAudio;
    };
    for (const Case& c : {Case{false, true, true}, Case{true, true, false}}) {
        TestHost host;
        host.offerThreadCheck = c.offered;
        host.audioThread = std::thread::id();
        qp::clap::ClapThreadCheck check;
        check.lookUp(host.record());
        EXPECT_EQ(check.onMainThread(), c.onMain) << c.offered;
        EXPECT_EQ(check.onAudioThread(), c.onAudio) << c.offered;
    }
}

// The editor's model over a host that neither processes nor flushes: once the
// queue is full, edits wait in the model, folded, and reach the host in order
// when it comes back, every gesture closed and every final value heard.
TEST(ClapEditorModel, RefusedEditsWaitFoldedAndGoOutInOrder) {
    struct Case {
        const char* what;
        std::vector<Event> after;  // the editor's, once the queue is full
        std::size_t waiting;
        std::vector<Event> tail;  // what the host hears last
    };
    for (const Case& c : {
             Case{"the drag goes on", {value(0, 0.6f), value(0, 0.7f), end(0)}, 2, {value(0, 0.7f), end(0)}},
             Case{"taken again before the release was heard",
                  {value(0, 0.6f), end(0), begin(0), value(0, 0.8f), end(0)},
                  2,
                  {value(0, 0.8f), end(0)}},
             Case{"then the other knob",
                  {end(0), begin(1), value(1, 0.25f), end(1)},
                  5,
                  {end(0), begin(1), value(1, 0.25f), end(1)}},
             Case{"not a parameter", {end(0), begin(7), value(7, 0.5f)}, 2, {end(0)}},
         }) {
        TestHost host;
        Edited plugin(host);
        ClapEditorModel model(*plugin.operator->(), host.record(), nullptr);
        model.beginGesture(0);
        for (int i = 0; model.waiting() == 0; ++i) {
            model.changeValue(0, float(i % 100) / 200.0f);
        }
        for (const Event& edit : c.after) {
            edit.type == CLAP_EVENT_PARAM_GESTURE_BEGIN ? model.beginGesture(std::int32_t(edit.id))
            : edit.type == CLAP_EVENT_PARAM_GESTURE_END
                ? model.endGesture(std::int32_t(edit.id))
                : model.changeValue(std::int32_t(edit.id), float(edit.value));
        }
        EXPECT_EQ(model.waiting(), c.waiting) << c.what;
        std::vector<Event> heard;
        for (int round = 0; round < 3; ++round) {
            OutputList out;
            plugin.params->flush(plugin.record(), nullptr, out.list());
            heard.insert(heard.end(), out.events.begin(), out.events.end());
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
        EXPECT_EQ(open[0], 0) << c.what;
        EXPECT_EQ(open[1], 0) << c.what;
    }
}

// The factory bank: 3 Nasal Reed (0.75, 0.45), 5 Comb Buzz (0.65, 1).
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
        ClapEditorModel model(*plugin.operator->(), host.record(), nullptr);
        if (c.chosen >= 0) {
            model.choosePreset(c.chosen);
        }
        OutputList out;
        plugin.block(&out);
        if (!c.reported.empty()) {
            EXPECT_EQ(out.events, c.reported) << c.what;
        }
        EventList sent;
        for (const auto& [id, v] : c.sent) {
            sent.value(id, v);
        }
        plugin.block(nullptr, sent.list());
        EXPECT_EQ(model.currentPreset(), c.ticked) << c.what;
    }
    TestHost host;
    Edited plugin(host);
    ClapEditorModel model(*plugin.operator->(), host.record(), nullptr);
    EXPECT_EQ(model.presetCount(), 9);
    const std::pair<std::int32_t, std::string> names[] = {
        {0, "Faint Reed"}, {3, "Nasal Reed"}, {8, "Spoken Buzz"}, {9, ""}, {-1, ""}};
    for (const auto& [preset, name] : names) {
        char text[24] = "x";
        model.presetName(preset, text, sizeof text);
        EXPECT_EQ(text, name) << preset;
    }
}

TEST(ClapEditorModel, SizeRequestsGoToTheHost) {
    struct Case {
        bool offered;
        bool accepted;
        bool answer;
    };
    for (const Case& c : {Case{true, true, true}, Case{true, false, false}, Case{false, true, false}}) {
        TestHost host;
        host.acceptResize = c.accepted;
        Edited plugin(host);
        const auto* gui =
            static_cast<const clap_host_gui*>(host.record()->get_extension(host.record(), CLAP_EXT_GUI));
        ClapEditorModel model(*plugin.operator->(), host.record(), c.offered ? gui : nullptr);
        EXPECT_EQ(model.requestSize(618, 336), c.answer);
        EXPECT_EQ(host.resizeRequests, std::vector<TestHost::Size>(c.offered ? 1 : 0, {618, 336}));
    }
}

}  // namespace
}  // namespace qp::test
