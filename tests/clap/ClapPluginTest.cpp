// The CLAP module as a host drives it, against the VST 2 effect built in-process:
// its record and extensions, its sound bit for bit at any block size and rate,
// parameter changes at their own frames, and the stored record.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tests/clap/ClapTestHost.h"
#include "tests/support/EffectScopes.h"

namespace qp::test {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

std::vector<float> signal(std::size_t frames, double frequency, double phase) {
    std::vector<float> samples(frames);
    for (std::size_t n = 0; n < frames; ++n) {
        samples[n] = float(0.6 * std::sin(frequency * double(n) + phase) + 0.2 * std::sin(3.1 * double(n)));
    }
    return samples;
}

// The VST 2 effect as the DLL runs it, the values set before each block.
struct Reference {
    explicit Reference(float rate) { effect.setSampleRate(rate); }
    std::vector<float> render(const std::vector<float>& left, const std::vector<float>& right,
                              std::size_t block, const std::vector<std::pair<float, float>>& values) {
        std::vector<float> in0 = left, in1 = right, out0(left.size()), out1(left.size());
        for (std::size_t at = 0, index = 0; at < left.size(); at += block, ++index) {
            effect.setParameter(kSensIndex, values[index % values.size()].first);
            effect.setParameter(kBuzzIndex, values[index % values.size()].second);
            const std::size_t frames = std::min(block, left.size() - at);
            float* inputs[2] = {in0.data() + at, in1.data() + at};
            float* outputs[2] = {out0.data() + at, out1.data() + at};
            effect.processReplacing(inputs, outputs, Int32(frames));
            EXPECT_EQ(out0[at], out1[at]);
        }
        return out0;
    }
    MemoryPlatformScope platform;
    RecordingHost host;
    EditorFactoryScope noEditor{nullptr};
    BuzzEffect effect{&RecordingHost::callback};
};

TEST(ClapPlugin, EntryFactoryAndDescriptor) {
    ClapSession session;
    const clap_plugin_entry* entry = session.module().entry();
    ASSERT_NE(entry, nullptr);
    EXPECT_GE(entry->clap_version.major, 1u);
    // A second init (a wrapper loading the module again) is taken; its deinit
    // leaves the first one's factory in place.
    ASSERT_TRUE(entry->init("/elsewhere/Quorrelphone.clap"));
    entry->deinit();
    const clap_plugin_factory* factory = session.module().factory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(entry->get_factory("clap.preset-discovery-factory/2"), nullptr);
    EXPECT_EQ(factory->get_plugin_count(factory), 1u);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
    const clap_plugin_descriptor* d = factory->get_plugin_descriptor(factory, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->id, "com.veltmarsk.quorrelphone");
    EXPECT_STREQ(d->name, "Quorrelphone");
    EXPECT_STREQ(d->vendor, "Veltmarsk");
    EXPECT_STREQ(d->version, QP_VERSION_TEXT);
    std::vector<std::string> features;
    for (const char* const* f = d->features; *f != nullptr; ++f) {
        features.emplace_back(*f);
    }
    EXPECT_EQ(features, (std::vector<std::string>{"audio-effect", "stereo", "distortion"}));
    EXPECT_EQ(factory->create_plugin(factory, &kTestHost, "com.veltmarsk.other"), nullptr);
    clap_host old = kTestHost;
    old.clap_version = {0, 9, 0};
    EXPECT_EQ(factory->create_plugin(factory, &old, d->id), nullptr);
}

TEST(ClapPlugin, ModuleStaysLoadedAfterItsLastUnload) {
    { ClapSession session; }
    EXPECT_TRUE(ClapModule::stillLoaded());
}

TEST(ClapPlugin, LifecycleAndPorts) {
    ClapSession session;
    { ClapInstance neverActivated(session); }
    struct Case {
        double rate;
        bool taken;
    };
    for (const Case& c : {Case{44100.0, true}, Case{48000.0, true}, Case{0.0, false}, Case{kNaN, false}}) {
        ClapInstance plugin(session);
        EXPECT_EQ(plugin.start(c.rate), c.taken) << c.rate;
        if (c.taken) {
            EXPECT_FALSE(plugin->activate(plugin.get(), c.rate, 1, 64)) << "activated twice";
            plugin->stop_processing(plugin.get());
            plugin->reset(plugin.get());
            EXPECT_TRUE(plugin->start_processing(plugin.get()));
            EXPECT_EQ(plugin.latency->get(plugin.get()), 0u);
        }
    }
    ClapInstance plugin(session);
    for (const char* id : {"clap.gui", "clap.timer-support", "clap.posix-fd-support"}) {
        EXPECT_NE(plugin->get_extension(plugin.get(), id), nullptr) << id;
    }
    for (bool input : {true, false}) {
        EXPECT_EQ(plugin.ports->count(plugin.get(), input), 1u);
        clap_audio_port_info info{};
        ASSERT_TRUE(plugin.ports->get(plugin.get(), 0, input, &info));
        EXPECT_EQ(info.flags, CLAP_AUDIO_PORT_IS_MAIN);
        EXPECT_EQ(info.channel_count, 2u);
        EXPECT_STREQ(info.port_type, "stereo");
        EXPECT_EQ(info.in_place_pair, info.id);
        EXPECT_FALSE(plugin.ports->get(plugin.get(), 1, input, &info));
    }
}

TEST(ClapPlugin, ParametersAndTheirTexts) {
    ClapSession session;
    ClapInstance plugin(session);
    ASSERT_EQ(plugin.params->count(plugin.get()), 2u);
    for (clap_id id : {0u, 1u}) {
        clap_param_info info{};
        ASSERT_TRUE(plugin.params->get_info(plugin.get(), id, &info));
        EXPECT_EQ(info.id, id);
        EXPECT_STREQ(info.name, kParameterDefinitions[id].name);
        EXPECT_TRUE(info.flags & CLAP_PARAM_IS_AUTOMATABLE);
        EXPECT_EQ(info.min_value, 0.0);
        EXPECT_EQ(info.max_value, 1.0);
        EXPECT_EQ(info.default_value, 0.5);
        EXPECT_EQ(plugin.value(id), 0.5);
    }
    clap_param_info info{};
    EXPECT_FALSE(plugin.params->get_info(plugin.get(), 2, &info));
    // The display is the VST 2 effect's for the same value, digit for digit.
    Reference reference(44100.0f);
    std::vector<double> values = {0.0, 0.5, 1.0, 0.1234567, 0.3, 0.999999, 0.7, 1e-7, -0.25, 3.0};
    for (int step = 1; step < 4000; ++step) {
        values.push_back(step / 3999.0);
    }
    for (double value : values) {
        char text[32] = {}, display[32] = {};
        ASSERT_TRUE(plugin.params->value_to_text(plugin.get(), 1, value, text, sizeof(text))) << value;
        reference.effect.setParameter(kBuzzIndex, float(value));
        reference.effect.getParamDisplay(kBuzzIndex, display);
        EXPECT_STREQ(text, display) << value;
    }
    char small[8];
    EXPECT_FALSE(plugin.params->value_to_text(plugin.get(), 0, 0.5, small, sizeof(small)));
    EXPECT_FALSE(plugin.params->value_to_text(plugin.get(), 0, kNaN, small, 0));
    EXPECT_FALSE(plugin.params->value_to_text(plugin.get(), 2, 0.5, small, sizeof(small)));
    struct Parse {
        const char* text;
        bool taken;
        double value;
    };
    for (const Parse& p :
         {Parse{"0.25", true, 0.25},  Parse{"  0.75\t", true, 0.75}, Parse{"1", true, 1.0},
          Parse{"+0.5", true, 0.5},   Parse{"7", true, 1.0},         Parse{"-2", true, 0.0},
          Parse{"", false, 0},        Parse{"   ", false, 0},        Parse{"0.5x", false, 0},
          Parse{"0.5 0.6", false, 0}, Parse{"nan", false, 0},        Parse{"inf", false, 0},
          Parse{"-inf", false, 0},    Parse{"1e999", false, 0},      Parse{"+-1", false, 0},
          Parse{"zero", false, 0},    Parse{".5", true, 0.5},        Parse{"25e-2", true, 0.25},
          Parse{"0x1p-1", false, 0},  Parse{"1e", false, 0},         Parse{".", false, 0},
          Parse{"0,5", false, 0}}) {
        double value = -1.0;
        EXPECT_EQ(plugin.params->text_to_value(plugin.get(), 0, p.text, &value), p.taken)
            << '"' << p.text << '"';
        EXPECT_EQ(value, p.taken ? p.value : -1.0) << '"' << p.text << '"';
    }
}

// The module's blocks against the effect's, values sent at frame 0 of blocks.
TEST(ClapPlugin, RendersAsTheVst2Effect) {
    ClapSession session;
    constexpr std::size_t kFrames = 9000;
    const std::vector<float> left = signal(kFrames, 0.031, 0.0), right = signal(kFrames, 0.017, 1.3);
    const std::vector<std::pair<float, float>> values = {{0.8f, 0.3f}, {0.8f, 0.3f}, {0.35f, 0.9f}};
    for (float rate : {44100.0f, 48000.0f}) {
        for (std::size_t block : {1u, 7u, 64u, 4096u}) {
            for (bool inPlace : {false, true}) {
                const std::vector<float> expected = Reference(rate).render(left, right, block, values);
                ClapInstance plugin(session);
                ASSERT_TRUE(plugin.start(rate));
                std::vector<float> l = left, r = right, outL(kFrames, -1.0f), outR(kFrames, -1.0f);
                for (std::size_t at = 0, index = 0; at < kFrames; at += block, ++index) {
                    EventList events;
                    events.value(kSensIndex, values[index % values.size()].first);
                    events.value(kBuzzIndex, values[index % values.size()].second);
                    float* o0 = inPlace ? l.data() + at : outL.data() + at;
                    float* o1 = inPlace ? r.data() + at : outR.data() + at;
                    const auto frames = std::uint32_t(std::min(block, kFrames - at));
                    ASSERT_EQ(plugin.block(l.data() + at, r.data() + at, o0, o1, frames, events.list()),
                              CLAP_PROCESS_CONTINUE);
                }
                const std::vector<float>& gotL = inPlace ? l : outL;
                const std::vector<float>& gotR = inPlace ? r : outR;
                EXPECT_EQ(gotL, expected)
                    << rate << " Hz, blocks of " << block << (inPlace ? ", in place" : "");
                EXPECT_EQ(gotR, expected)
                    << rate << " Hz, blocks of " << block << (inPlace ? ", in place" : "");
            }
        }
    }
}

// Two instances rendered in turn keep apart, and reset brings one back to rest.
TEST(ClapPlugin, InstancesKeepApartAndResetForgets) {
    ClapSession session;
    const std::vector<float> in = signal(256, 0.07, 0.4);
    const auto block = [&](ClapInstance& plugin, double buzz) {
        EventList events;
        events.value(kBuzzIndex, buzz);
        std::vector<float> l = in, r = in;
        plugin.block(l.data(), r.data(), l.data(), r.data(), 256, events.list());
        return l;
    };
    ClapInstance alone(session), first(session), second(session);
    ASSERT_TRUE(alone.start(44100.0) && first.start(44100.0) && second.start(48000.0));
    const std::vector<float> start = block(alone, 0.9), next = block(alone, 0.9);
    EXPECT_NE(start, next) << "the filters kept nothing between blocks";
    for (const std::vector<float>* expected : {&start, &next}) {
        block(second, 0.1);
        EXPECT_EQ(block(first, 0.9), *expected);
    }
    first->reset(first.get());
    EXPECT_EQ(block(first, 0.9), start);
}

// One 512-frame block, given events, against the same input in two blocks split at
// frame 100 with the change sent between them: the events a plug-in must pass
// over change nothing, and odd values are clamped or ignored.
TEST(ClapPlugin, ValueChangesTakeEffectAtTheirFrame) {
    ClapSession session;
    const std::vector<float> left = signal(512, 0.05, 0.2), right = signal(512, 0.023, 0.9);
    const auto render = [&](auto&& sendEvents, std::uint32_t split) {
        ClapInstance plugin(session);
        EXPECT_TRUE(plugin.start(48000.0));
        std::vector<float> outL(512), outR(512);
        std::vector<float> l = left, r = right;
        for (std::uint32_t from = 0, part = 0; from < 512; ++part) {
            const std::uint32_t to = split == 0 || from >= split ? 512 : split;
            EventList events;
            sendEvents(events, part);
            plugin.block(l.data() + from, r.data() + from, outL.data() + from, outR.data() + from, to - from,
                         events.list());
            from = to;
        }
        EXPECT_EQ(outL, outR);
        return outL;
    };
    const auto split = [](double sens, double buzz) {
        return [=](EventList& events, std::uint32_t part) {
            events.value(kSensIndex, part == 0 ? 0.3 : sens);
            events.value(kBuzzIndex, part == 0 ? 0.2 : buzz);
        };
    };
    clap_event_param_gesture gesture{{sizeof(gesture), 10, 0, CLAP_EVENT_PARAM_GESTURE_BEGIN, 0}, 0};
    clap_event_transport transport{};
    transport.header = {sizeof(transport), 50, 0, CLAP_EVENT_TRANSPORT, 0};
    clap_event_midi midi{{sizeof(midi), 60, 0, CLAP_EVENT_MIDI, 0}, 0, {0xB0, 1, 127}};
    clap_event_param_value foreign{}, modulation{}, shortValue{}, unknownId{};
    foreign.header = {sizeof(foreign), 70, 7, CLAP_EVENT_PARAM_VALUE, 0};
    modulation.header = {sizeof(modulation), 80, 0, CLAP_EVENT_PARAM_MOD, 0};
    shortValue.header = {sizeof(clap_event_param_gesture), 90, 0, CLAP_EVENT_PARAM_VALUE, 0};
    unknownId.header = {sizeof(unknownId), 95, 0, CLAP_EVENT_PARAM_VALUE, 0};
    unknownId.param_id = 2;
    foreign.value = modulation.value = shortValue.value = unknownId.value = 1.0;
    const std::vector<float> twoBlocks = render(split(0.9, 0.7), 100);
    const std::vector<float> oneBlock = render(
        [&](EventList& events, std::uint32_t) {
            events.value(kSensIndex, 0.3);
            events.value(kBuzzIndex, 0.2);
            for (const auto* skipped : {&foreign, &modulation, &shortValue, &unknownId}) {
                events.add(*skipped);
            }
            events.add(gesture);
            events.add(transport);
            events.add(midi);
            events.value(kSensIndex, 0.9, 100);
            events.value(kBuzzIndex, kNaN, 100);
            events.value(kBuzzIndex, 0.7, 100);
            events.value(kSensIndex, kInfinity, 300);
        },
        0);
    EXPECT_EQ(oneBlock, twoBlocks);
    EXPECT_NE(oneBlock, render(split(0.3, 0.2), 0)) << "the change at frame 100 made no difference";
    EXPECT_EQ(render(split(7.0, -1.0), 100), render(split(1.0, 0.0), 100));
}

TEST(ClapPlugin, BlocksItCannotRenderAreSilent) {
    ClapSession session;
    ClapInstance plugin(session);
    ASSERT_TRUE(plugin.start(44100.0));
    std::vector<float> in = signal(64, 0.1, 0.0), out0(64, 1.0f), out1(64, 1.0f);
    std::vector<double> wide0(64, 1.0), wide1(64, 1.0);
    float* inputs[2] = {in.data(), in.data()};
    float* outputs[2] = {out0.data(), out1.data()};
    float* missing[2] = {in.data(), nullptr};
    double* wideOutputs[2] = {wide0.data(), wide1.data()};
    struct Case {
        const char* what;
        clap_audio_buffer input;
        clap_audio_buffer output;
        std::uint32_t inputCount;
        clap_process_status status;
    };
    for (const Case& c : {
             Case{"no input port",
                  {inputs, nullptr, 2, 0, 0},
                  {outputs, nullptr, 2, 0, 0},
                  0,
                  CLAP_PROCESS_CONTINUE},
             Case{"a mono input",
                  {inputs, nullptr, 1, 0, 0},
                  {outputs, nullptr, 2, 0, 0},
                  1,
                  CLAP_PROCESS_CONTINUE},
             Case{"a null channel",
                  {missing, nullptr, 2, 0, 0},
                  {outputs, nullptr, 2, 0, 0},
                  1,
                  CLAP_PROCESS_CONTINUE},
             Case{"no input data",
                  {nullptr, nullptr, 2, 0, 0},
                  {outputs, nullptr, 2, 0, 0},
                  1,
                  CLAP_PROCESS_CONTINUE},
             Case{"64-bit outputs",
                  {inputs, nullptr, 2, 0, 0},
                  {nullptr, wideOutputs, 2, 0, 0},
                  1,
                  CLAP_PROCESS_ERROR},
         }) {
        std::fill(out0.begin(), out0.end(), 1.0f);
        std::fill(out1.begin(), out1.end(), 1.0f);
        clap_audio_buffer input = c.input, output = c.output;
        clap_process process{0, 64, nullptr, &input, &output, c.inputCount, 1, nullptr, nullptr};
        EXPECT_EQ(plugin->process(plugin.get(), &process), c.status) << c.what;
        EXPECT_EQ(out0, std::vector<float>(64, c.output.data32 != nullptr ? 0.0f : 1.0f)) << c.what;
        EXPECT_EQ(out1, out0) << c.what;
        EXPECT_EQ(wide0, std::vector<double>(64, c.output.data64 != nullptr ? 0.0 : 1.0)) << c.what;
    }
    EXPECT_EQ(plugin.block(in.data(), in.data(), out0.data(), out1.data(), 0), CLAP_PROCESS_CONTINUE);
}

TEST(ClapPlugin, StoredRecordRoundTripsAndRefusesOthers) {
    ClapSession session;
    ClapInstance source(session);
    EventList events;
    events.value(kSensIndex, 0.125);
    events.value(kBuzzIndex, 0.75);
    source.params->flush(source.get(), events.list(), nullptr);
    for (std::uint64_t step : {std::uint64_t(1), std::uint64_t(3), ~std::uint64_t(0)}) {
        Stream stream;
        stream.step = step;
        const clap_ostream out = stream.output();
        ASSERT_TRUE(source.state->save(source.get(), &out)) << step;
        ASSERT_EQ(stream.bytes.size(), 16u);
        EXPECT_EQ(std::string(stream.bytes.begin(), stream.bytes.begin() + 4), "QPCS");
        ClapInstance target(session);
        stream.calls = 0;
        const clap_istream in = stream.input();
        EXPECT_TRUE(target.state->load(target.get(), &in)) << step;
        EXPECT_EQ(target.value(kSensIndex), 0.125);
        EXPECT_EQ(target.value(kBuzzIndex), 0.75);
    }
    Stream failing;
    failing.failAfter = 0;
    const clap_ostream broken = failing.output();
    EXPECT_FALSE(source.state->save(source.get(), &broken));

    Stream good;
    const clap_ostream out = good.output();
    ASSERT_TRUE(source.state->save(source.get(), &out));
    const std::vector<unsigned char> record = good.bytes;
    const auto edited = [&](std::size_t at, std::vector<unsigned char> bytes) {
        std::vector<unsigned char> changed = record;
        std::copy(bytes.begin(), bytes.end(), changed.begin() + std::ptrdiff_t(at));
        return changed;
    };
    struct Refusal {
        const char* what;
        std::vector<unsigned char> bytes;
        int failAfter;
    };
    for (const Refusal& r : {
             Refusal{"empty", {}, -1},
             Refusal{"truncated", {record.begin(), record.end() - 1}, -1},
             Refusal{"oversized",
                     [&] {
                         auto b = record;
                         b.push_back(0);
                         return b;
                     }(),
                     -1},
             Refusal{"wrong magic", edited(0, {'Q', 'P', 'C', 'T'}), -1},
             Refusal{"wrong version", edited(4, {2, 0, 0, 0}), -1},
             Refusal{"NaN", edited(8, {0, 0, 0xC0, 0x7F}), -1},
             Refusal{"infinity", edited(12, {0, 0, 0x80, 0x7F}), -1},
             Refusal{"above 1", edited(12, {0, 0, 0x00, 0x40}), -1},
             Refusal{"read error", record, 1},
             Refusal{"garbage", std::vector<unsigned char>(16, 0xA5), -1},
         }) {
        ClapInstance target(session);
        Stream stream;
        stream.bytes = r.bytes;
        stream.step = 5;
        stream.failAfter = r.failAfter;
        const clap_istream in = stream.input();
        EXPECT_FALSE(target.state->load(target.get(), &in)) << r.what;
        EXPECT_EQ(target.value(kSensIndex), 0.5) << r.what;
        EXPECT_EQ(target.value(kBuzzIndex), 0.5) << r.what;
    }
}

}  // namespace
}  // namespace qp::test
