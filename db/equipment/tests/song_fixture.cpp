#include "db/equipment/tests/song_fixture.h"

#include "sound/tests/drummer_song.h"

#include <gtest/gtest.h>

#include <ole2.h>

using namespace Quorvane;

namespace equipment_test {

namespace {

class Environment : public ::testing::Environment {
public:
    void SetUp() override
    {
        OleInitialize(nullptr);
        environment_ = new drummer_song::PlaybackEnvironment();
        ASSERT_TRUE(environment_->ok());
    }
    void TearDown() override
    {
        delete environment_;
        OleUninitialize();
    }

private:
    drummer_song::PlaybackEnvironment *environment_ = nullptr;
};

[[maybe_unused]] ::testing::Environment *const registered =
    ::testing::AddGlobalTestEnvironment(new Environment);

} // namespace

TestSong::TestSong()
{
    IOPARAMS params = drummer_song::engineParams(44100, 16, 256);
    manager_ = new CSoundMngr("equipment database");
    EXPECT_EQ(manager_->Init(&params), 1);
    song_ = std::make_unique<CSong>(&params, manager_);
    EXPECT_EQ(song_->SetDefault(), 1);
}

TestSong::~TestSong()
{
    song_.reset();
    manager_->Release();
}

void *TestSong::addNamedOut(const char *module)
{
    PORTDESCR descriptor = namedOut(module);
    return tract()->AddNewOut(&descriptor);
}

int TestSong::numOuts() const
{
    int n = 0;
    for (void *out = tract()->GetNextOut(nullptr); out; out = tract()->GetNextOut(out))
        ++n;
    return n;
}

CTrackMIDI *TestSong::addDrummerTrack()
{
    return drummer_song::addDrummerTrack(song_.get(), drummer_song::kBars, nullptr);
}

std::string TestSong::drummerState(CTrackMIDI *track)
{
    CMEffElem *elem = track ? track->effects.GetFirstElem() : nullptr;
    PORTDESCR descriptor;
    if (!elem || !elem->GetMEffectDescr(&descriptor, 1) || !descriptor.params)
        return {};
    return std::string(static_cast<char *>(descriptor.params), size_t(descriptor.paramsSize));
}

PORTDESCR namedOut(const char *module)
{
    PORTDESCR descriptor(3);
    descriptor.SetData(module);
    return descriptor;
}

} // namespace equipment_test
