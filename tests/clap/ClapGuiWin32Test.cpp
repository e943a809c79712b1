// The editor behind clap.gui on Windows, as a host opens it: made, embedded in a
// window of the test's own, sized, shown and destroyed; the frame's window is
// the host window's child while it stands.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/clap/ClapHostServices.h"
#include "tests/clap/ClapTestHost.h"

namespace qp::test {
namespace {

TEST(ClapGuiWin32, EmbedsInTheHostsWindowAtItsSize) {
    ClapSession session;
    TestHost host;
    ClapInstance plugin(session, host.record());
    const auto* gui = static_cast<const clap_plugin_gui*>(plugin->get_extension(plugin.get(), CLAP_EXT_GUI));
    ASSERT_NE(gui, nullptr);
    EXPECT_TRUE(gui->is_api_supported(plugin.get(), CLAP_WINDOW_API_WIN32, false));
    EXPECT_FALSE(gui->is_api_supported(plugin.get(), CLAP_WINDOW_API_WIN32, true));
    HWND parent = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 800, 500, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    ShowWindow(parent, SW_SHOW);
    struct Case {
        double scale;
        std::uint32_t width, height;
    };
    for (const Case& c : {Case{1.0, 309, 168}, Case{2.0, 618, 336}}) {
        SCOPED_TRACE(c.scale);
        ASSERT_TRUE(gui->create(plugin.get(), CLAP_WINDOW_API_WIN32, false));
        EXPECT_TRUE(gui->set_scale(plugin.get(), c.scale));
        std::uint32_t width = 0, height = 0;
        ASSERT_TRUE(gui->get_size(plugin.get(), &width, &height));
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        clap_window window{CLAP_WINDOW_API_WIN32, {}};
        window.win32 = parent;
        ASSERT_TRUE(gui->set_parent(plugin.get(), &window));
        EXPECT_TRUE(gui->show(plugin.get()));
        HWND child = GetWindow(parent, GW_CHILD);
        ASSERT_NE(child, nullptr);
        RECT area{};
        GetClientRect(child, &area);
        EXPECT_EQ(std::uint32_t(area.right - area.left), c.width);
        EXPECT_EQ(std::uint32_t(area.bottom - area.top), c.height);
        EXPECT_TRUE(IsWindowVisible(child));
        EXPECT_TRUE(gui->hide(plugin.get()));
        EXPECT_FALSE(IsWindowVisible(child));
        gui->destroy(plugin.get());
        EXPECT_EQ(GetWindow(parent, GW_CHILD), nullptr);
    }
    DestroyWindow(parent);
}

}  // namespace
}  // namespace qp::test
