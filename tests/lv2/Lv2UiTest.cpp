// The bundle's X11 UI as a host drives it (Lv2UiHost.h). What it draws is
// compared with the art it is made of and with the Windows editor's pictures in
// docs/images/.
#include "tests/lv2/Lv2UiHost.h"

namespace {

TEST_F(Lv2UiTest, NeedsAParentAndIdleTimeAndSitsInTheParentAtTheFacesSize) {
    const struct {
        const char* leaveOut;
        const char* plugin;
        bool made;
    } cases[] = {
        {LV2_UI__parent, "urn:veltmarsk:quorrelphone", false},
        {LV2_UI__idleInterface, "urn:veltmarsk:quorrelphone", true},  // idle is extension data
        {"", "urn:someone:else", false},
        {LV2_UI__touch, "urn:veltmarsk:quorrelphone", true},
        {LV2_UI__resize, "urn:veltmarsk:quorrelphone", true},
        {LV2_OPTIONS__options, "urn:veltmarsk:quorrelphone", true},
        {LV2_URID__map, "urn:veltmarsk:quorrelphone", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.leaveOut) + " " + c.plugin);
        log = {};
        LV2UI_Handle handle = instantiate(c.leaveOut, c.plugin);
        ASSERT_EQ(handle != nullptr, c.made);
        if (!handle) {
            continue;
        }
        const auto window = Window(reinterpret_cast<std::uintptr_t>(widget));
        Window root, windowParent, *children = nullptr;
        unsigned count = 0;
        ASSERT_TRUE(XQueryTree(display, window, &root, &windowParent, &children, &count));
        XFree(children);
        EXPECT_EQ(windowParent, parent);
        XWindowAttributes attributes;
        XGetWindowAttributes(display, window, &attributes);
        EXPECT_EQ(attributes.x, 0);
        EXPECT_EQ(attributes.y, 0);
        EXPECT_EQ(attributes.width, kWidth);
        EXPECT_EQ(attributes.height, kHeight);
        EXPECT_EQ(log.sizes, (c.leaveOut == std::string(LV2_UI__resize)
                                  ? std::vector<std::pair<int, int>>{}
                                  : std::vector<std::pair<int, int>>{{kWidth, kHeight}}));
        descriptor->cleanup(handle);
    }
}

// The editor comes up at the zoom step nearest the host's ui:scaleFactor and asks
// for that size; a host that says none leaves the system's scale (1.0 here, with
// no Xft.dpi). Set while open, a positive float of the instance alone is taken,
// and the editor resizes; get answers the scale (status 1, unknown, before one).
TEST_F(Lv2UiTest, TheHostsScaleChoosesTheEditorsSizeAtInstantiateAndWhenSet) {
    auto options = [this] {
        return static_cast<const LV2_Options_Interface*>(descriptor->extension_data(LV2_OPTIONS__interface));
    };
    ASSERT_NE(options(), nullptr);
    auto askScale = [&] {
        LV2_Options_Option asked[] = {{LV2_OPTIONS_INSTANCE, 0, urids(LV2_UI__scaleFactor), 0, 0, nullptr},
                                      {}};
        const std::uint32_t status = options()->get(ui, asked);
        return status ? -float(status) : *static_cast<const float*>(asked[0].value);
    };
    auto windowSize = [this] {
        XWindowAttributes attributes;
        XGetWindowAttributes(display, Window(reinterpret_cast<std::uintptr_t>(widget)), &attributes);
        return std::pair{attributes.width, attributes.height};
    };
    const struct {
        float atInstantiate;  // 0: none
        const char* setKey;   // null: no set
        float set;
        std::uint32_t setStatus;
        float answer;  // less than 0: get's status, negated
        std::pair<int, int> size;
    } cases[] = {
        {0.0f, nullptr, 0.0f, 0, -LV2_OPTIONS_ERR_UNKNOWN, {kWidth, kHeight}},
        {1.5f, nullptr, 0.0f, 0, 1.5f, {464, 252}},
        {2.0f, nullptr, 0.0f, 0, 2.0f, {618, 336}},
        {0.0f, LV2_UI__scaleFactor, 2.0f, LV2_OPTIONS_SUCCESS, 2.0f, {618, 336}},
        {2.0f, LV2_UI__scaleFactor, 1.5f, LV2_OPTIONS_SUCCESS, 1.5f, {464, 252}},
        {0.0f,
         LV2_UI__scaleFactor,
         -2.0f,
         LV2_OPTIONS_ERR_BAD_VALUE,
         -LV2_OPTIONS_ERR_UNKNOWN,
         {kWidth, kHeight}},
        {0.0f,
         "urn:someone:zoom",
         2.0f,
         LV2_OPTIONS_ERR_BAD_KEY,
         -LV2_OPTIONS_ERR_UNKNOWN,
         {kWidth, kHeight}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.atInstantiate) + " then " + (c.setKey ? c.setKey : "") + " " +
                     std::to_string(c.set));
        log = {};
        hostScale = c.atInstantiate;
        ui = instantiate();
        ASSERT_NE(ui, nullptr);
        if (c.setKey) {
            log.sizes.clear();
            const LV2_Options_Option set[] = {
                {LV2_OPTIONS_INSTANCE, 0, urids(c.setKey), sizeof c.set, urids(LV2_ATOM__Float), &c.set}, {}};
            EXPECT_EQ(options()->set(ui, set), c.setStatus);
            pump(30);
        }
        EXPECT_EQ(askScale(), c.answer);
        EXPECT_EQ(windowSize(), c.size);
        // The last size asked for is the one it shows; a refused set asks none.
        if (!c.setKey || c.setStatus == LV2_OPTIONS_SUCCESS) {
            EXPECT_EQ((log.sizes.empty() ? std::pair{0, 0} : log.sizes.back()), c.size);
        } else {
            EXPECT_TRUE(log.sizes.empty());
        }
        descriptor->cleanup(ui);
        ui = nullptr;
    }
}

// jalv lists ui:idleInterface among the features and asks extension_data for
// it; Qtractor passes no such feature and only asks, after instantiate.
TEST_F(Lv2UiTest, ShowsTheFaceAndDragsWhicheverWayTheHostOffersIdle) {
    const Picture face = readPng(kSource + "/docs/images/editor.png");
    const struct {
        const char* leaveOut;
        bool asksFirst;
    } hosts[] = {{"", true}, {LV2_UI__idleInterface, false}};
    for (const auto& host : hosts) {
        SCOPED_TRACE(host.leaveOut);
        log = {};
        idleInterface = nullptr;
        auto ask = [&] {
            idleInterface =
                static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
        };
        if (host.asksFirst) {
            ask();
        }
        ui = instantiate(host.leaveOut);
        ASSERT_NE(ui, nullptr);
        ask();
        ASSERT_NE(idleInterface, nullptr);
        setPort(kSensPort, 0.5f);
        setPort(kBuzzPort, 0.5f);
        EXPECT_EQ(differingPixels(shot(), face), 0);
        moveTo(kSensX + kKnobSize / 2, kKnobY + kKnobSize / 2);
        button(true);
        moveTo(kSensX + kKnobSize / 2, kKnobY + kKnobSize / 2 - 30);
        button(false);
        ASSERT_FALSE(log.writes.empty());
        EXPECT_GT(log.writes.back().value, 0.55f);
        descriptor->cleanup(ui);
        ui = nullptr;
    }
}

TEST_F(Lv2UiTest, AtTheDefaultsTheFaceIsTheWindowsEditorsPixelForPixel) {
    open();
    const Picture x11 = shot();
    const Picture windows = readPng(kSource + "/docs/images/editor.png");
    const int differing = differingPixels(x11, windows);
    std::printf("X11 editor against docs/images/editor.png: %d of %d pixels differ\n", differing,
                kWidth * kHeight);
    EXPECT_EQ(differing, 0);
    // Side by side, for the manual.
    cairo_surface_t* both = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth * 2 + 8, kHeight);
    auto* data = reinterpret_cast<unsigned*>(cairo_image_surface_get_data(both));
    const int stride = cairo_image_surface_get_stride(both) / 4;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth * 2 + 8; ++x) {
            data[y * stride + x] = x < kWidth        ? windows.at(x, y)
                                   : x >= kWidth + 8 ? x11.at(x - kWidth - 8, y)
                                                     : 0xFFFFFF;
        }
    }
    cairo_surface_mark_dirty(both);
    std::filesystem::create_directories("../test-results");
    cairo_surface_write_to_png(both, "../test-results/lv2-ui-beside-windows.png");
    cairo_surface_destroy(both);
}

TEST_F(Lv2UiTest, HostValuesTurnTheKnobToTheStripsFrame) {
    open();
    const struct {
        unsigned port;
        float value;
        unsigned format;
        int sensFrame, buzzFrame;
    } steps[] = {
        {kSensPort, 0.0f, 0, 0, 45},  {kSensPort, 1.0f, 0, 90, 45},
        {kBuzzPort, 0.0f, 0, 90, 0},  {kBuzzPort, 7.0f, 0, 90, 90},  // clamped as the plug-in clamps
        {kSensPort, 0.0f, 1, 90, 90},                                // not the float protocol
        {0, 0.0f, 0, 90, 90},                                        // an audio port
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(std::to_string(step.port) + " " + std::to_string(step.value));
        setPort(step.port, step.value, step.format);
        const Picture x11 = shot();
        for (const auto& [knobX, frame] :
             {std::pair{kSensX, step.sensFrame}, std::pair{kBuzzX, step.buzzFrame}}) {
            const Picture expected = knobShowing(knobX, frame);
            const int width = std::min(kKnobSize, kWidth - knobX);
            EXPECT_EQ(differingPixels(x11, expected, knobX, kKnobY, width, kKnobSize), 0) << knobX;
        }
    }
    EXPECT_TRUE(log.writes.empty()) << "host values are not echoed back";
}

TEST_F(Lv2UiTest, ADragOnTheSensKnobWritesRisingValuesInsideATouch) {
    open();
    moveTo(kSensX + kKnobSize / 2, kKnobY + kKnobSize / 2);
    button(true);
    for (int step = 1; step <= 8; ++step) {
        moveTo(kSensX + kKnobSize / 2, kKnobY + kKnobSize / 2 - step * 5);
    }
    button(false);
    ASSERT_EQ(log.touches.size(), 2u);
    EXPECT_EQ(log.touches[0].port, kSensPort);
    EXPECT_TRUE(log.touches[0].grabbed);
    EXPECT_EQ(log.touches[0].afterWrites, 0u);
    EXPECT_EQ(log.touches[1].port, kSensPort);
    EXPECT_FALSE(log.touches[1].grabbed);
    EXPECT_EQ(log.touches[1].afterWrites, log.writes.size());
    ASSERT_GE(log.writes.size(), 4u);
    for (std::size_t i = 0; i < log.writes.size(); ++i) {
        EXPECT_EQ(log.writes[i].port, kSensPort);
        EXPECT_GE(log.writes[i].value, i ? log.writes[i - 1].value : 0.5f);
    }
    EXPECT_GT(log.writes.back().value, 0.55f);
    std::printf("drag of 40 px up: %zu writes, sens 0.5 -> %.4f\n", log.writes.size(),
                log.writes.back().value);
}

TEST_F(Lv2UiTest, TheLogoMenuShowsAboutAndWritesAPresetsValues) {
    open();
    const Picture about = readPng(kSource + "/docs/images/editor-about.png");
    click(100, 140);
    key(XK_Down);  // About, the first entry
    key(XK_Return);
    EXPECT_EQ(differingPixels(shot(), about), 0);
    click(70, 60);  // anywhere on the about screen closes it
    EXPECT_EQ(differingPixels(shot(), readPng(kSource + "/docs/images/editor.png")), 0);
    EXPECT_TRUE(log.writes.empty());

    // Presets is below Zoom and the separator; its fourth entry is "Nasal Reed" (0.75, 0.45).
    // Chosen again after the host moved sens, it writes the preset's values again.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        log.writes.clear();
        click(100, 140);
        for (KeySym symbol : {XK_Down, XK_Down, XK_Down, XK_Right, XK_Down, XK_Down, XK_Down, XK_Return}) {
            key(symbol);
        }
        ASSERT_EQ(log.writes.size(), 2u);
        EXPECT_EQ(log.writes[0].port, kSensPort);
        EXPECT_FLOAT_EQ(log.writes[0].value, 0.75f);
        EXPECT_EQ(log.writes[1].port, kBuzzPort);
        EXPECT_FLOAT_EQ(log.writes[1].value, 0.45f);
        setPort(kSensPort, 0.1f);
    }
    EXPECT_TRUE(log.touches.empty());
    const Picture x11 = shot();
    EXPECT_EQ(differingPixels(x11, knobShowing(kSensX, frameFor(0.1f)), kSensX, kKnobY, kKnobSize, kKnobSize),
              0);
}

TEST_F(Lv2UiTest, CleanupInTheMiddleOfADragEndsTheTouchAndWritesNothingAfter) {
    open();
    moveTo(kBuzzX + 40, kKnobY + 50);
    button(true);
    moveTo(kBuzzX + 40, kKnobY + 30);
    descriptor->cleanup(ui);
    ui = nullptr;
    const std::size_t writes = log.writes.size();
    moveTo(kBuzzX + 40, kKnobY + 10);
    button(false);
    pump();
    EXPECT_EQ(log.writes.size(), writes);
    ASSERT_EQ(log.touches.size(), 2u);
    EXPECT_EQ(log.touches[1].port, kBuzzPort);
    EXPECT_FALSE(log.touches[1].grabbed);
    // The parent has no child left.
    Window root, windowParent, *children = nullptr;
    unsigned count = 0;
    XQueryTree(display, parent, &root, &windowParent, &children, &count);
    XFree(children);
    EXPECT_EQ(count, 0u);
}

// Each load of the object would take memory its C++ runtime never gives back.
TEST_F(Lv2UiTest, TheObjectStaysLoadedAfterTheHostUnloadsIt) {
    ASSERT_EQ(dlclose(library), 0);
    library = dlopen((kBundle + "/Quorrelphone_ui.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(library, nullptr);
}

TEST_F(Lv2UiTest, TwoHundredOpenAndCloseCyclesLeaveNoXResourcesOrFilesBehind) {
    auto serverResources = [this](int* clients) {
        XResClient* list = nullptr;
        XResQueryClients(display, clients, &list);
        long total = 0;
        for (int i = 0; i < *clients; ++i) {
            int types = 0;
            XResType* counts = nullptr;
            XResQueryClientResources(display, list[i].resource_base, &types, &counts);
            for (int t = 0; t < types; ++t) {
                total += counts[t].count;
            }
            XFree(counts);
        }
        XFree(list);
        return total;
    };
    // What the server holds in all while the editor is up, and once it is gone.
    struct Counts {
        long whileOpen, afterClose;
        int clients;
        long files;
    };
    auto cycle = [&] {
        Counts counts{};
        ui = instantiate();
        EXPECT_NE(ui, nullptr);
        setPort(kSensPort, 0.3f);
        pump(10);
        counts.whileOpen = serverResources(&counts.clients);
        descriptor->cleanup(ui);
        ui = nullptr;
        XSync(display, False);
        counts.afterClose = serverResources(&counts.clients);
        counts.files = openFds();
        return counts;
    };
    const Counts first = cycle();
    Counts last{};
    for (int i = 0; i < 200; ++i) {
        last = cycle();
    }
    std::printf(
        "cycle 1 and 201: X resources while open %ld/%ld, after close %ld/%ld; X clients %d/%d; "
        "open files %ld/%ld\n",
        first.whileOpen, last.whileOpen, first.afterClose, last.afterClose, first.clients, last.clients,
        first.files, last.files);
    EXPECT_EQ(last.whileOpen, first.whileOpen);
    EXPECT_EQ(last.afterClose, first.afterClose);
    EXPECT_EQ(last.clients, first.clients);
    EXPECT_EQ(last.files, first.files);
}

}  // namespace
