#include "bridge/asp/tests/test_environment.h"

#include "base/message_box.h"
#include "bridge/asp/channel_client.h"
#include "bridge/asp/shared_channels.h"

#include <ole2.h>

namespace halvorin_test {

using namespace Halvorin;

namespace {

class Environment : public ::testing::Environment {
public:
    void SetUp() override
    {
        // What the library's loader does for the first process.
        InitSharedSection();
    }
};

[[maybe_unused]] ::testing::Environment *const environment =
    ::testing::AddGlobalTestEnvironment(new Environment);

} // namespace

Program::Program(int channel, int framesPerBuffer, const char *name, int answered,
                 std::function<void(float *, int, int)> filler)
    : provider(new CHalvorinProvider), driver(channel, framesPerBuffer)
{
    driver.answered = answered;
    driver.filler = std::move(filler);
    opened_ = provider->Open(&driver.block, name) == 1;
    if (!opened_)
        return;
    provider->SetCallback(NotifyRecorder::Callback, notes.User());
    driver.Serve(provider);
    provider->Start();
}

Program::~Program()
{
    Leave();
}

void Program::Leave()
{
    driver.Stop();
    if (provider)
        provider->Release();
    provider = nullptr;
}

// Long enough for any loaded machine, short enough to end a test whose
// program never answers.
constexpr WaitBound kPatientBound = {30000, 30000};

void ChannelTest::SetUp()
{
    SetWaitBound(kPatientBound);
    Quorvane::setMessageBoxHook([this](HWND owner, const char *text, const char *caption, UINT type) {
        EXPECT_EQ(owner, nullptr) << "a box without owner";
        shownBoxes.push_back({text, caption, type});
        return IDOK;
    });
}

void ChannelTest::TearDown()
{
    for (int n = 0; n < kChannels; ++n)
        HalvorinRequest(n, kOpRelease, nullptr);
    for (int n = 0; n < kChannels; ++n) {
        EXPECT_EQ(SharedChannel(n)->client, 0u) << "channel " << n;
        EXPECT_EQ(SharedChannel(n)->programAttached, 0) << "channel " << n;
        EXPECT_EQ(SharedChannel(n)->streaming, 0) << "channel " << n;
    }
    Quorvane::setMessageBoxHook({});
    SetWaitBound(kWaitBound);
}

} // namespace halvorin_test
