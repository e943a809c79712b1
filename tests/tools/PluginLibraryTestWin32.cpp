// Loading libraries as qphost does, and rendering through the built plug-in:
// the refusals of what is no VST 2 plug-in, and the effect's sound where its
// gate opens and where it does not.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "tools/OfflineRenderer.h"
#include "tools/PluginLibrary.h"
#include "tools/VowelSynth.h"

namespace qp::test {

using namespace qp::tools;
namespace {

std::string beside(const char* name) {
    std::string path = PluginLibrary::defaultPath();
    return path.substr(0, path.find_last_of("\\/") + 1) + name;
}

std::string loadError(const std::string& path) {
    PluginLibrary library;
    std::string error;
    EXPECT_FALSE(library.load(path, &error)) << path;
    EXPECT_EQ(library.effect(), nullptr);
    return error;
}

TEST(PluginLibrary, RefusesWhatIsNoPluginAndSaysWhy) {
    EXPECT_NE(loadError(beside("NoSuchPlugin.dll")).find("no such file"), std::string::npos);
    EXPECT_NE(loadError("kernel32.dll").find("exports no \"main\""), std::string::npos);
    EXPECT_NE(loadError(beside("FakePluginNullRecord.dll")).find("main returned no record"),
              std::string::npos);
    EXPECT_NE(loadError(beside("FakePluginBadMagic.dll")).find("'Nope'"), std::string::npos)
        << loadError(beside("FakePluginBadMagic.dll"));
    // A file that is no DLL at all.
    EXPECT_NE(loadError(beside("qp_tools_tests.xml.does.not.exist")).find("cannot load"), std::string::npos);
}

// A 64-bit host handed a 32-bit plug-in (the commonest mistake in a 64-bit
// host) is told the width it needs. Wine's 64-bit prefix keeps 32-bit system
// libraries in syswow64; a 32-bit process has no 64-bit file to try.
#if INTPTR_MAX == INT64_MAX
TEST(PluginLibrary, ALibraryOfTheOtherWidthIsRefusedNamingThisWidth) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string other = std::string(windows) + "\\syswow64\\version.dll";
    ASSERT_NE(GetFileAttributesA(other.c_str()), INVALID_FILE_ATTRIBUTES) << other;
    const std::string error = loadError(other);
    EXPECT_NE(error.find("not a loadable 64-bit DLL"), std::string::npos) << error;
}
#endif

TEST(PluginLibrary, LoadsTheBuiltPlugin) {
    PluginLibrary library;
    std::string error;
    ASSERT_TRUE(library.load(PluginLibrary::defaultPath(), &error)) << error;
    ASSERT_NE(library.effect(), nullptr);
    EXPECT_EQ(library.effect()->uniqueID, fourCharCode('1', '0', '2', '8'));
}

TEST(PluginLibrary, RenderedVowelChangesOnlyWhereTheGateOpens) {
    VowelSettings settings;
    settings.seconds = 1.0;
    Audio dry;
    dry.channels = {synthesizeVowel(settings)};  // mono: feeds both inputs

    auto render = [&](float buzz, float sens) {
        PluginLibrary library;
        std::string error;
        EXPECT_TRUE(library.load(PluginLibrary::defaultPath(), &error)) << error;
        RenderOptions options;
        options.parameters = {{"buzz", buzz}, {"0", sens}};
        options.blockSize = 333;
        RenderResult result = renderThroughEffect(library.effect(), dry, options);
        EXPECT_TRUE(result.ok) << result.error;
        EXPECT_EQ(result.sens, sens);
        return result.output;
    };
    const Audio buzzed = render(0.5f, 0.5f);
    const Audio plain = render(0.0f, 0.5f);
    ASSERT_EQ(buzzed.frames(), dry.frames());
    EXPECT_EQ(buzzed.channels[0], buzzed.channels[1]);

    // Until the first sample whose doubled value passes 0.5 the two are equal.
    std::size_t firstOpen = 0;
    while (firstOpen < dry.frames() && !(2.0f * dry.channels[0][firstOpen] > 0.5f)) {
        ++firstOpen;
    }
    ASSERT_GT(firstOpen, 100u);
    ASSERT_LT(firstOpen, dry.frames());
    for (std::size_t n = 0; n < firstOpen; ++n) {
        ASSERT_EQ(buzzed.channels[0][n], plain.channels[0][n]) << n;
    }
    EXPECT_NE(buzzed.channels[0][firstOpen], plain.channels[0][firstOpen]);

    double difference = 0.0;
    for (std::size_t n = 0; n < dry.frames(); ++n) {
        difference += std::fabs(double(buzzed.channels[0][n]) - plain.channels[0][n]);
    }
    EXPECT_GT(difference / double(dry.frames()), 0.01);
}

}  // namespace
}  // namespace qp::test
