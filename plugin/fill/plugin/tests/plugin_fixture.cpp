#include "plugin/fill/plugin/tests/plugin_fixture.h"

#include "plugin/fill/content/fill_content.h"
#include "plugin/fill/engine/fill_module.h"
#include "testing/com_streams.h"

namespace grindel_test {

using namespace Quorvane;

namespace {

[[maybe_unused]] ::testing::Environment *const environment = drummer_testing::addDrummerEnvironment(
    [](const std::string &folder) {
        std::string error;
        ASSERT_TRUE(FillContent::writeStarterLibrary(folder + "\\Fills", &error)) << error;
    },
    FillModule::setDataFolder);

} // namespace

// Defined beside the environment, so that every program whose tests use the
// fixture links the environment too.
void PluginTest::SetUp()
{
    DrummerTest::SetUp();
}

void PluginTest::loadFill(GrindelvosketMFX &drummer, const std::string &name)
{
    for (const FillContent::FillDefinition &fill : FillContent::starterFills()) {
        if (fill.name == name && fill.volume.empty()) {
            drummer.setPattern(fill.folder, fill.fileName(), false);
            return;
        }
    }
    FAIL() << "no starter fill " << name;
}

std::string saveBytes(IPersistStream *persist)
{
    std::string bytes = testing_support::savedBytes(persist);
    EXPECT_FALSE(bytes.empty()) << "Save failed";
    return bytes;
}

IStream *streamOf(const std::string &bytes)
{
    return testing_support::streamHolding(bytes);
}

} // namespace grindel_test
