// The DLL's editor at every zoom step, as a user gets each: the step chosen in the
// user's Zoom setting, the editor opened in a host window of the size it asks
// for. What it shows must be the art code's own picture of that step, pixel for
// pixel; and, where the linux tree's tests have run before (./run test runs them
// first), the X11 editor's picture of the same step too. Needs a display.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "EditorSession.h"
#include "PluginHost.h"
#include "editor/art/Art.h"
#include "gui/Zoom.h"
#include "tools/EditorSnapshotImage.h"
#include "tools/hostlib/ZoomSetting.h"

namespace qp::test {
namespace {

// Both knobs at the default 0.5 show the strip's middle frame.
constexpr std::int32_t kDefaultFrame = 45;

int differing(const tools::SnapshotImage& a, const tools::SnapshotImage& b) {
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size()) {
        return -1;
    }
    int count = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        count += (a.pixels[i] & 0xFFFFFF) != (b.pixels[i] & 0xFFFFFF);
    }
    return count;
}

tools::SnapshotImage asImage(const art::Picture& picture) {
    tools::SnapshotImage image{picture.width, picture.height, {}};
    for (std::size_t i = 0; i + 2 < picture.rgb.size(); i += 3) {
        image.pixels.push_back(std::uint32_t(picture.rgb[i]) << 16 | std::uint32_t(picture.rgb[i + 1]) << 8 |
                               picture.rgb[i + 2]);
    }
    return image;
}

class EditorZoom : public EditorHostTest {
protected:
    hostlib::ZoomSetting zoom;
};

TEST_F(EditorZoom, EveryStepShowsTheArtsOwnPictureAndTheX11EditorsPixelForPixel) {
    for (const std::int32_t step : kZoomSteps) {
        SCOPED_TRACE(step);
        zoom.choose(step);
        PluginHost host;
        ASSERT_NE(host.open(), nullptr);
        EditorSession session(host);
        // A top window large enough for the largest step.
        SetWindowPos(GetParent(session.hostWindow()), nullptr, 0, 0, 960, 540,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_EQ(session.open(), 1);
        session.idle();
        const Capture shown = session.capture();
        ASSERT_EQ(shown.width, zoomed(309, step));
        ASSERT_EQ(shown.height, zoomed(168, step));
        const int fromArt = differing(shown, asImage(art::drawEditorPreview(step, kDefaultFrame, false)));
        const std::string name = "editor-zoom-" + std::to_string(step) + ".bmp";
        std::string error;
        tools::writeSnapshotImage("../test-results/" + name, shown, &error);
        const tools::SnapshotImage x11 = tools::readBmpFile(
            std::string(QP_LINUX_TREE_DIR) + "/test-results/lv2-ui-zoom-" + std::to_string(step) + ".bmp");
        const int fromX11 = x11.pixels.empty() ? -2 : differing(shown, x11);
        std::printf("%d %%: %d x %d, %d pixels differ from the art's preview, %s\n", int(step), shown.width,
                    shown.height, fromArt,
                    fromX11 == -2 ? "no X11 picture of this step (the linux tree's tests have not run)"
                                  : (std::to_string(fromX11) + " from the X11 editor's").c_str());
        EXPECT_EQ(fromArt, 0);
        if (fromX11 != -2) {
            EXPECT_EQ(fromX11, 0);
        }
        session.close();
    }
}

}  // namespace
}  // namespace qp::test
