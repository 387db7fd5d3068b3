// The request interface as the stand-alone program uses it: attach a sink,
// read the mirror, set parameters, hear every change, ask for note names.
#include "plugin/fill/plugin/tests/plugin_fixture.h"
#include "plugin/framework/drums/output_velocity_dynamics.h"

#include <cstring>

namespace grindel_test {
namespace {

using namespace Quorvane;

class RequestInterfaceTest : public PluginTest {
protected:
    void SetUp() override
    {
        PluginTest::SetUp();
        ASSERT_EQ(drummer->Connect(host.context()), S_OK);
        IQN3Request *asked = nullptr;
        ASSERT_EQ(drummer->QueryInterface(IID_IQN3Request, reinterpret_cast<void **>(&asked)), S_OK);
        request = asked;
        request->Release();
        ASSERT_EQ(request->Attach(&sink, kCookie), S_OK);
    }
    void TearDown() override
    {
        drummer->Disconnect();
        EXPECT_EQ(sink.detached, std::vector<DWORD>{kCookie});
        PluginTest::TearDown();
    }

    LONG get(LONG id)
    {
        LONG value = -12345;
        EXPECT_EQ(request->GetParam(id, -1, &value), S_OK);
        return value;
    }

    static constexpr DWORD kCookie = 3u << 16 | 1u;
    Sink sink;
    Drummer drummer;
    IQN3Request *request = nullptr;
};

TEST_F(RequestInterfaceTest, DefaultsAsTheProgramMirrorsThem)
{
    EXPECT_EQ(get(QN3FillMeasure), 1);
    EXPECT_EQ(get(QN3PunchIn), -1);
    EXPECT_EQ(get(QN3PunchOut), 960);
    EXPECT_EQ(get(QN3MaskMode), 0);
    EXPECT_EQ(get(QN3PreZone), 3);
    EXPECT_EQ(get(QN3AfterZone), 3);
    EXPECT_EQ(get(QN3DynamicsLevel), 0);
    EXPECT_EQ(get(QN3Gain), 0) << "gain never set";
    EXPECT_EQ(get(QN3Unused), 0);
    EXPECT_EQ(get(QN3DynamicsPercent), 100);
    EXPECT_EQ(get(10), 0);
    EXPECT_EQ(get(-1), 0);
    EXPECT_EQ(request->GetParam(0, -1, nullptr), E_POINTER);
    EXPECT_TRUE(sink.changes.empty());
}

TEST_F(RequestInterfaceTest, EveryParameterSetsClampsAndReadsBack)
{
    OutputVelocityDynamics level(30, 127);
    level.setLevel(50);
    struct Case {
        LONG id, value, expected;
    };
    const Case cases[] = {
        {QN3FillMeasure, 0, 0},
        {QN3FillMeasure, 5000, 999},
        {QN3FillMeasure, -7, 0},
        {QN3FillMeasure, 41, 41},
        {QN3PunchOut, 1500, 1500},
        {QN3PunchIn, 100, 100},
        {QN3MaskMode, 2, 2},
        {QN3MaskMode, -1, 2},
        {QN3MaskMode, 7, 0},
        {QN3MaskMode, 3, 3},
        {QN3PreZone, 0, 0},
        {QN3PreZone, 7, 3},
        {QN3AfterZone, 0, 0},
        {QN3AfterZone, -2, 3},
        {QN3DynamicsLevel, 50, level.level()},
        {QN3DynamicsLevel, 999, 127},
        {QN3DynamicsLevel, -3, 0},
        {QN3Gain, -9000, 1},
        {QN3Gain, 0, 8192},
        {QN3Gain, 9000, 16383},
        {QN3DynamicsPercent, 150, 100},
        {QN3DynamicsPercent, 40, 40},
        {QN3DynamicsPercent, -5, 0},
        {QN3Unused, 5, 0},
        {12, 5, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "id " << c.id << " value " << c.value);
        EXPECT_EQ(request->SetParam(c.id, -1, c.value), S_OK);
        EXPECT_EQ(get(c.id), c.expected);
    }
    // What the loopers and the real-time stage use agrees with the mirror.
    EXPECT_EQ(drummer->fillMeasure(), 42);
    EXPECT_EQ(drummer->outputDynamics().percent(), 0);
}

TEST_F(RequestInterfaceTest, EveryChangeComesBackThroughTheSink)
{
    request->SetParam(QN3FillMeasure, -1, 4);
    EXPECT_EQ(sink.ids(), std::vector<LONG>{0});
    for (const auto &[cookie, id, sub] : sink.changes) {
        EXPECT_EQ(cookie, kCookie);
        EXPECT_EQ(sub, -1);
    }

    // A punch-in beyond the punch-out drags it along: the punch-out is told
    // first, from inside the punch-in setter.
    sink.changes.clear();
    request->SetParam(QN3PunchIn, -1, 2000);
    EXPECT_EQ(sink.ids(), (std::vector<LONG>{2, 1}));
    EXPECT_EQ(get(QN3PunchOut), 2000);

    sink.changes.clear();
    request->SetParam(QN3PunchOut, -1, 100);
    EXPECT_EQ(sink.ids(), (std::vector<LONG>{1, 2}));
    EXPECT_EQ(get(QN3PunchIn), 100);

    sink.changes.clear();
    request->SetParam(QN3PreZone, -1, 0);
    EXPECT_EQ(sink.ids(), (std::vector<LONG>{3, 4, 5}));

    // Changes made elsewhere (the editor panel, stored state) are heard too.
    sink.changes.clear();
    drummer->setZones(1, 3, 0, true);
    drummer->setFillMeasure(12);
    EXPECT_EQ(sink.ids(), (std::vector<LONG>{3, 4, 5, 0}));
    EXPECT_EQ(get(QN3MaskMode), 3);
    EXPECT_EQ(get(QN3AfterZone), 0);
    EXPECT_EQ(get(QN3FillMeasure), 11);

    // The output stage is not mirrored: no reports.
    sink.changes.clear();
    request->SetParam(QN3DynamicsLevel, -1, 60);
    request->SetParam(QN3Gain, -1, 100);
    request->SetParam(QN3DynamicsPercent, -1, 50);
    EXPECT_TRUE(sink.changes.empty());
}

TEST_F(RequestInterfaceTest, NoteNamesWithSizesAndBadArguments)
{
    const std::string name = drummer->noteNames().getNoteNameOrDefault(36);
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(request->GetNoteName(36, nullptr, 0),
              kNoteNameSizeCode + static_cast<HRESULT>(name.size() + 1));
    EXPECT_TRUE(SUCCEEDED(request->GetNoteName(36, nullptr, 0)));

    char buffer[64];
    memset(buffer, 'x', sizeof(buffer));
    ASSERT_EQ(request->GetNoteName(36, buffer, sizeof(buffer)), S_OK);
    EXPECT_EQ(std::string(buffer), name);

    memset(buffer, 'x', sizeof(buffer));
    ASSERT_EQ(request->GetNoteName(36, buffer, 4), S_OK);
    EXPECT_EQ(std::string(buffer), name.substr(0, 3));
    EXPECT_EQ(buffer[4], 'x') << "nothing written beyond the length";

    memset(buffer, 'x', sizeof(buffer));
    ASSERT_EQ(request->GetNoteName(36, buffer, 1), S_OK);
    EXPECT_EQ(buffer[0], '\0');

    for (const LONG note : {-1L, 128L, 100000L})
        EXPECT_EQ(request->GetNoteName(note, buffer, sizeof(buffer)), E_INVALIDARG) << note;
    memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(request->GetNoteName(36, buffer, 0), E_INVALIDARG);
    EXPECT_EQ(request->GetNoteName(36, buffer, -5), E_INVALIDARG);
    EXPECT_EQ(buffer[0], 'x') << "a bad length writes nothing";

    // Every note has a name to show.
    for (LONG note = 0; note < 128; ++note)
        EXPECT_GT(request->GetNoteName(note, nullptr, 0), kNoteNameSizeCode + 1) << note;
}

TEST_F(RequestInterfaceTest, QueryInterfaceAnswersEveryFaceOfOneObject)
{
    IUnknown *viaRequest = nullptr;
    ASSERT_EQ(request->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&viaRequest)), S_OK);
    EXPECT_EQ(viaRequest, static_cast<IUnknown *>(drummer.filter()));
    viaRequest->Release();
    IPersistStream *persist = nullptr;
    ASSERT_EQ(request->QueryInterface(IID_IPersistStream, reinterpret_cast<void **>(&persist)), S_OK);
    IQN3Request *back = nullptr;
    ASSERT_EQ(persist->QueryInterface(IID_IQN3Request, reinterpret_cast<void **>(&back)), S_OK);
    EXPECT_EQ(back, request);
    back->Release();
    persist->Release();
    EXPECT_EQ(request->QueryInterface(IID_IQN3Request, nullptr), E_POINTER);
    EXPECT_EQ(drummer->referenceCount(), 1);
}

} // namespace
} // namespace grindel_test
