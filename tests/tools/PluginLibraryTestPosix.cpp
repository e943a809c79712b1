// Loading shared objects as qphost does on Linux: dlopen, VSTPluginMain before
// main, and the refusals of what is no VST 2 plug-in, each with its reason.
#include <gtest/gtest.h>

#include <string>

#include "tools/PluginLibrary.h"
#include "tools/hostlib/PluginModule.h"

namespace qp::test {

using namespace qp::tools;
namespace {

std::string beside(const char* name) { return hostlib::besideExecutable(name); }

TEST(PluginLibraryPosix, RefusesWhatIsNoPluginAndSaysWhy) {
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {beside("NoSuchPlugin.so"), "(no such file)"},
        {std::string(QP_SOURCE_DIR) + "/CMakeLists.txt", "cannot load"},
        {beside("FakePluginNoEntry.so"), "exports neither \"VSTPluginMain\" nor \"main\""},
        {beside("FakePluginNullRecord.so"), "returned no record"},
        {beside("FakePluginBadMagic.so"), "starts with 'Nope'"},
        // Only `main`: older hosts' name is found too.
        {beside("FakePluginMainOnly.so"), "starts with 'Main'"},
        // Both: VSTPluginMain is the one called.
        {beside("FakePluginBoth.so"), "starts with 'Vst2'"},
    };
    for (const auto& c : cases) {
        PluginLibrary library;
        std::string error;
        EXPECT_FALSE(library.load(c.path, &error)) << c.path;
        EXPECT_EQ(library.effect(), nullptr) << c.path;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.path << ": " << error;
    }
}

#ifdef QP_BUILT_PLUGIN
TEST(PluginLibraryPosix, LoadsTheBuiltPlugin) {
    PluginLibrary library;
    std::string error;
    ASSERT_TRUE(library.load(QP_BUILT_PLUGIN, &error)) << error;
    ASSERT_NE(library.effect(), nullptr);
    EXPECT_EQ(library.effect()->uniqueID, fourCharCode('1', '0', '2', '8'));
}
#endif

}  // namespace
}  // namespace qp::test
