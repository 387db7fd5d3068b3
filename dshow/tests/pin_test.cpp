#include "dshow/ds_pin.h"

#include "dshow/tests/test_filters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace ds_test;
using Log = std::vector<std::string>;

const CDsMediaType AX = makeType(kTypeA, kSubX);
const CDsMediaType AY = makeType(kTypeA, kSubY);
const CDsMediaType BX = makeType(kTypeB, kSubX);
const CDsMediaType BY = makeType(kTypeB, kSubY);

// The type checks among logged calls.
Log checks(const Log &log)
{
    Log only;
    for (const std::string &entry : log)
        if (entry.find(".check") != std::string::npos)
            only.push_back(entry);
    return only;
}

class PinTest : public ::testing::Test {
protected:
    ComScope com;
    FilterRef source{new TestFilter(kSourceClass, 2, 0)};
    FilterRef sink{new TestFilter(kSinkClass, 0, 2)};
    TestOutputPin *out() { return source->output(0); }
    TestInputPin *in() { return sink->input(0); }

    void clearLogs()
    {
        source->log.clear();
        sink->log.clear();
    }
    // The connection type both pins agreed, as a label.
    static bool connectedWith(CDsPin *pin, const CDsMediaType &type)
    {
        return pin->IsConnected() && sameType(pin->CurrentMediaType(), type);
    }
};

TEST_F(PinTest, AgreementTriesThePeersTypesFirstUnlessThePinPrefersItsOwn)
{
    struct Case {
        BYTE tryMyTypesFirst;
        CDsMediaType expected;
    } cases[] = {{0, AY}, {1, AX}};
    for (const Case &c : cases) {
        FilterRef src(new TestFilter(kSourceClass, 1, 0));
        FilterRef snk(new TestFilter(kSinkClass, 0, 1));
        src->output(0)->script.proposed = {AX};
        snk->input(0)->script.proposed = {AY};
        src->output(0)->script.accepted = snk->input(0)->script.accepted = {AX, AY};
        src->output(0)->script.tryMyTypesFirst = c.tryMyTypesFirst;
        src->output(0)->applyScriptFlags();
        Links links;
        ASSERT_EQ(links.connect(src->output(0), snk->input(0)), S_OK);
        EXPECT_TRUE(connectedWith(src->output(0), c.expected));
        EXPECT_TRUE(connectedWith(snk->input(0), c.expected));
    }
}

TEST_F(PinTest, AgreementFallsBackToTheOtherPinsTypesInBothOrders)
{
    // The first pass's types are all refused by the input pin; the second
    // pass's type is taken. From the output pin and from the input pin.
    for (BYTE ownFirst : {0, 1}) {
        FilterRef src(new TestFilter(kSourceClass, 1, 0));
        FilterRef snk(new TestFilter(kSinkClass, 0, 1));
        TestOutputPin *o = src->output(0);
        TestInputPin *i = snk->input(0);
        o->script.proposed = {BX, BY};
        i->script.proposed = {AX, AY};
        o->script.accepted = {AX, AY, BX, BY};
        i->script.accepted = {ownFirst ? AY : BY};
        o->script.tryMyTypesFirst = ownFirst;
        o->applyScriptFlags();
        Links links;
        ASSERT_EQ(links.connect(o, i), S_OK);
        EXPECT_TRUE(connectedWith(o, ownFirst ? AY : BY)) << "own first " << int(ownFirst);
        const Log tried = ownFirst ? Log{"In1.check BX", "In1.check BY", "In1.check AX", "In1.check AY"}
                                   : Log{"In1.check AX", "In1.check AY", "In1.check BX", "In1.check BY"};
        EXPECT_EQ(checks(snk->log), tried);
    }
}

TEST_F(PinTest, ConnectingFromTheInputPinAgreesTheSameWay)
{
    in()->script.proposed = {AX};
    out()->script.proposed = {AY};
    in()->script.accepted = out()->script.accepted = {AX, AY};
    ASSERT_EQ(in()->Connect(out(), nullptr), S_OK);
    EXPECT_TRUE(connectedWith(in(), AY)); // the peer's (the output's) type first
    EXPECT_TRUE(connectedWith(out(), AY));
    EXPECT_EQ(out()->Allocator() != nullptr, true);
    Links links;
    links.add(out(), in());
}

TEST_F(PinTest, ACompleteTypeIsTheOnlyOneTried)
{
    const CDsMediaType full = makeType(kTypeA, kSubX, kFormatF, {1, 2});
    out()->script.proposed = {AY};
    in()->script.proposed = {AY};
    out()->script.accepted = in()->script.accepted = {AY, full};
    Links links;
    ASSERT_EQ(links.connect(out(), in(), &full), S_OK);
    EXPECT_TRUE(connectedWith(in(), full));

    // Refused, the complete type is not replaced by another.
    source->output(1)->script.accepted = {full};
    FilterRef snk(new TestFilter(kSinkClass, 0, 1));
    snk->input(0)->script.proposed = {AY};
    snk->input(0)->script.accepted = {AY};
    EXPECT_EQ(source->output(1)->Connect(snk->input(0), &full), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_FALSE(source->output(1)->IsConnected());
    EXPECT_FALSE(snk->input(0)->IsConnected());
}

TEST_F(PinTest, APartialTypeLimitsTheCandidatesOfBothPins)
{
    // Major type only: partial, so both pins' types that match it are tried.
    const CDsMediaType majorOnly = makeType(kTypeA, GUID_NULL, GUID_NULL);
    const CDsMediaType withSubtype = makeType(kTypeA, kSubY, GUID_NULL);
    struct Case {
        const CDsMediaType *partial;
        Log tried;
        CDsMediaType connected;
    } cases[] = {
        {&majorOnly, {"In1.check AY", "In1.check AX"}, AX},
        {&withSubtype, {"In1.check AY"}, CDsMediaType()},
    };
    for (const Case &c : cases) {
        FilterRef src(new TestFilter(kSourceClass, 1, 0));
        FilterRef snk(new TestFilter(kSinkClass, 0, 1));
        src->output(0)->script.proposed = {BY, AX};
        snk->input(0)->script.proposed = {BX, AY};
        src->output(0)->script.accepted = {AX, AY, BX, BY};
        snk->input(0)->script.accepted = {AX, BX, BY};
        snk->log.clear();
        Links links;
        const HRESULT hr = links.connect(src->output(0), snk->input(0), c.partial);
        EXPECT_EQ(checks(snk->log), c.tried);
        if (c.connected.majortype == GUID_NULL) {
            EXPECT_EQ(hr, VFW_E_NO_ACCEPTABLE_TYPES);
        } else {
            EXPECT_EQ(hr, S_OK);
            EXPECT_TRUE(connectedWith(src->output(0), c.connected));
        }
    }
}

TEST_F(PinTest, AgreementAnswersTheFirstRealFailureElseNoAcceptableTypes)
{
    struct Case {
        const char *what;
        HRESULT inputRefusal;  // what the input pin's check answers for a refused type
        HRESULT inputComplete; // the input pin's CompleteConnect
        std::vector<CDsMediaType> proposed;
        HRESULT answer;
    } cases[] = {
        {"no types at all", VFW_E_TYPE_NOT_ACCEPTED, S_OK, {}, VFW_E_NO_ACCEPTABLE_TYPES},
        {"every type refused", VFW_E_TYPE_NOT_ACCEPTED, S_OK, {AX, AY}, VFW_E_NO_ACCEPTABLE_TYPES},
        {"refused with E_FAIL", E_FAIL, S_OK, {AX}, VFW_E_NO_ACCEPTABLE_TYPES},
        {"refused with E_INVALIDARG", E_INVALIDARG, S_OK, {AX}, VFW_E_NO_ACCEPTABLE_TYPES},
        {"refused with another error", E_ACCESSDENIED, S_OK, {AX, AY}, E_ACCESSDENIED},
        {"accepted but cannot complete", VFW_E_TYPE_NOT_ACCEPTED, E_ABORT, {AX}, E_ABORT},
    };
    for (const Case &c : cases) {
        FilterRef src(new TestFilter(kSourceClass, 1, 0));
        FilterRef snk(new TestFilter(kSinkClass, 0, 1));
        src->output(0)->script.proposed = c.proposed;
        src->output(0)->script.accepted = {AX, AY};
        snk->input(0)->script.accepted =
            c.inputComplete == S_OK ? std::vector<CDsMediaType>{} : std::vector<CDsMediaType>{AX};
        snk->input(0)->script.refusal = c.inputRefusal;
        snk->input(0)->script.completeConnect = c.inputComplete;
        EXPECT_EQ(src->output(0)->Connect(snk->input(0), nullptr), c.answer) << c.what;
        EXPECT_FALSE(src->output(0)->IsConnected()) << c.what;
        EXPECT_FALSE(snk->input(0)->IsConnected()) << c.what;
        EXPECT_EQ(refCountOf(snk->filter()), 1u) << c.what;
    }
}

TEST_F(PinTest, ACheckThatAnswersASuccessCodeCountsAsRefusal)
{
    const CDsMediaType full = makeType(kTypeA, kSubX, kFormatF, {1});
    in()->script.refusal = S_FALSE;
    out()->script.accepted = {full};
    EXPECT_EQ(out()->Connect(in(), &full), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(in()->QueryAccept(&full), S_FALSE);
    in()->script.refusal = 2; // another success code passes QueryAccept as it is
    EXPECT_EQ(in()->QueryAccept(&full), 2);
    in()->script.refusal = E_OUTOFMEMORY;
    EXPECT_EQ(in()->QueryAccept(&full), S_FALSE);
    in()->script.accepted = {full};
    EXPECT_EQ(in()->QueryAccept(&full), S_OK);
    EXPECT_EQ(in()->QueryAccept(nullptr), E_POINTER);
}

TEST_F(PinTest, ConnectRefusesWhatCannotBeConnected)
{
    const CDsMediaType full = makeType(kTypeA, kSubX, kFormatF, {1});
    out()->script.accepted = in()->script.accepted = {full};
    EXPECT_EQ(out()->Connect(nullptr, &full), E_POINTER);
    // Two pins of one direction.
    EXPECT_EQ(out()->Connect(source->output(1), &full), VFW_E_INVALID_DIRECTION);
    EXPECT_FALSE(out()->IsConnected());

    Links links;
    ASSERT_EQ(links.connect(out(), in(), &full), S_OK);
    EXPECT_EQ(out()->Connect(sink->input(1), &full), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(in()->ReceiveConnection(source->output(1), &full), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(in()->ReceiveConnection(nullptr, &full), E_POINTER);
    EXPECT_EQ(sink->input(1)->ReceiveConnection(out(), nullptr), E_POINTER);
}

TEST_F(PinTest, AnActiveFilterConnectsOnlyPinsThatMayReconnectWhileActive)
{
    const CDsMediaType full = makeType(kTypeA, kSubX, kFormatF, {1});
    out()->script.accepted = in()->script.accepted = {full};
    source->output(1)->script.accepted = sink->input(1)->script.accepted = {full};
    ASSERT_EQ(source->Pause(), S_OK);
    EXPECT_EQ(out()->Connect(in(), &full), VFW_E_NOT_STOPPED);

    out()->script.reconnectWhenActive = 1;
    out()->applyScriptFlags();
    Links links;
    EXPECT_EQ(links.connect(out(), in(), &full), S_OK);

    // The paused sink refuses to receive unless its pin may reconnect.
    source->output(1)->script.reconnectWhenActive = 1;
    source->output(1)->applyScriptFlags();
    ASSERT_EQ(sink->Pause(), S_OK);
    EXPECT_EQ(source->output(1)->Connect(sink->input(1), &full), VFW_E_NOT_STOPPED);
    sink->Stop();
    source->Stop();
}

TEST_F(PinTest, AFailedCompletionDisconnectsThePeerAndBreaksTheConnection)
{
    const CDsMediaType full = makeType(kTypeA, kSubX, kFormatF, {1});
    out()->script.accepted = in()->script.accepted = {full};
    out()->script.completeConnect = E_ABORT;
    clearLogs();
    EXPECT_EQ(out()->Connect(in(), &full), E_ABORT);
    EXPECT_FALSE(out()->IsConnected());
    EXPECT_FALSE(in()->IsConnected()); // the peer was told to let go
    EXPECT_EQ(source->log, (Log{"Out1.check AX", "Out1.complete", "Out1.break", "Out1.break"}));
    EXPECT_EQ(sink->log, (Log{"In1.check AX", "In1.complete", "In1.break"}));
    EXPECT_EQ(refCountOf(sink->filter()), 1u);

    // The peer refusing to receive: no Disconnect is asked of it.
    out()->script.completeConnect = S_OK;
    in()->script.completeConnect = E_ACCESSDENIED;
    clearLogs();
    EXPECT_EQ(out()->Connect(in(), &full), E_ACCESSDENIED);
    EXPECT_EQ(sink->log, (Log{"In1.check AX", "In1.complete", "In1.break"}));
    EXPECT_FALSE(out()->IsConnected());
    EXPECT_EQ(refCountOf(sink->filter()), 1u);
    EXPECT_EQ(refCountOf(source->filter()), 1u);
}

TEST_F(PinTest, DisconnectNeedsAStoppedFilterAndASucceedingBreak)
{
    const CDsMediaType full = makeType(kTypeA, kSubX, kFormatF, {1});
    out()->script.accepted = in()->script.accepted = {full};
    EXPECT_EQ(in()->Disconnect(), S_FALSE);
    ASSERT_EQ(out()->Connect(in(), &full), S_OK);

    in()->script.reconnectWhenActive = 1;
    in()->applyScriptFlags();
    ASSERT_EQ(sink->Pause(), S_OK);
    EXPECT_EQ(in()->Disconnect(), VFW_E_NOT_STOPPED); // even for a pin that may reconnect
    sink->Stop();

    in()->script.breakConnect = E_ACCESSDENIED;
    EXPECT_EQ(in()->Disconnect(), E_ACCESSDENIED);
    EXPECT_TRUE(in()->IsConnected());
    in()->script.breakConnect = S_OK;
    EXPECT_EQ(in()->Disconnect(), S_OK);
    EXPECT_FALSE(in()->IsConnected());
    EXPECT_TRUE(sameType(in()->CurrentMediaType(), full)); // the type stays as it was
    EXPECT_EQ(out()->Disconnect(), S_OK);
    EXPECT_EQ(refCountOf(sink->filter()), 1u); // only the test's own reference
    EXPECT_EQ(refCountOf(source->filter()), 1u);
}

TEST_F(PinTest, ConnectionQueriesAnswerNotConnectedWhileUnconnected)
{
    IPin *peer = reinterpret_cast<IPin *>(1);
    EXPECT_EQ(out()->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(peer, nullptr);
    EXPECT_EQ(out()->ConnectedTo(nullptr), E_POINTER);

    CDsMediaType type = makeType(kTypeB, kSubY, kFormatF, {3});
    DsFreeMediaType(&type);
    type.SetSampleSize(0);
    EXPECT_EQ(out()->ConnectionMediaType(&type), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(type.majortype, GUID_NULL);
    EXPECT_EQ(type.bFixedSizeSamples, TRUE);
    EXPECT_EQ(type.lSampleSize, 1u);
    EXPECT_EQ(out()->ConnectionMediaType(nullptr), E_POINTER);

    const CDsMediaType full = makeType(kTypeA, kSubX, kFormatF, {1, 2, 3});
    out()->script.accepted = in()->script.accepted = {full};
    Links links;
    ASSERT_EQ(links.connect(out(), in(), &full), S_OK);
    ASSERT_EQ(out()->ConnectedTo(&peer), S_OK);
    EXPECT_EQ(peer, static_cast<IPin *>(in()));
    peer->Release();
    CDsMediaType copy;
    ASSERT_EQ(in()->ConnectionMediaType(&copy), S_OK);
    EXPECT_TRUE(sameType(copy, full));
    EXPECT_NE(copy.pbFormat, in()->CurrentMediaType().pbFormat);
}

TEST_F(PinTest, PinReferencesAreTheFiltersReferences)
{
    IPin *pin = out();
    const ULONG before = refCountOf(source->filter());
    EXPECT_EQ(pin->AddRef(), before + 1);
    EXPECT_EQ(refCountOf(source->filter()), before + 1);
    EXPECT_EQ(pin->Release(), before);

    void *same = nullptr;
    ASSERT_EQ(pin->QueryInterface(IID_IPin, &same), S_OK);
    EXPECT_EQ(same, pin);
    static_cast<IPin *>(same)->Release();
    void *quality = nullptr;
    ASSERT_EQ(pin->QueryInterface(IID_IQualityControl, &quality), S_OK);
    static_cast<IQualityControl *>(quality)->Release();
    void *none = &none;
    EXPECT_EQ(pin->QueryInterface(IID_IMemInputPin, &none), E_NOINTERFACE); // an output pin
    EXPECT_EQ(refCountOf(source->filter()), before);
}

TEST_F(PinTest, PinInformationNamesTheFilterAndDirection)
{
    PIN_INFO info;
    ASSERT_EQ(in()->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(info.pFilter, sink->filter());
    EXPECT_STREQ(info.achName, L"In1");
    EXPECT_EQ(info.dir, PINDIR_INPUT);
    info.pFilter->Release();
    EXPECT_EQ(in()->QueryPinInfo(nullptr), E_POINTER);

    PIN_DIRECTION direction;
    ASSERT_EQ(out()->QueryDirection(&direction), S_OK);
    EXPECT_EQ(direction, PINDIR_OUTPUT);
    EXPECT_EQ(out()->QueryDirection(nullptr), E_POINTER);

    LPWSTR id = nullptr;
    ASSERT_EQ(out()->QueryId(&id), S_OK);
    EXPECT_STREQ(id, L"Out1");
    CoTaskMemFree(id);
    EXPECT_EQ(out()->QueryId(nullptr), E_POINTER);
    EXPECT_EQ(out()->QueryInternalConnections(nullptr, nullptr), E_NOTIMPL);
}

TEST_F(PinTest, NewSegmentAndQualityAnswers)
{
    EXPECT_EQ(in()->SegmentStop(), 0x7FFFFFFFFFFFFFFF);
    EXPECT_EQ(in()->SegmentRate(), 1.0);
    EXPECT_EQ(in()->NewSegment(10, 20, 0.5), S_OK);
    EXPECT_EQ(in()->SegmentStart(), 10);
    EXPECT_EQ(in()->SegmentStop(), 20);
    EXPECT_EQ(in()->SegmentRate(), 0.5);
    EXPECT_EQ(in()->EndOfStream(), S_OK);

    Quality quality = {};
    EXPECT_EQ(static_cast<IQualityControl *>(out())->Notify(source->filter(), quality), E_NOTIMPL);
    EXPECT_EQ(out()->SetSink(nullptr), S_OK);
}

} // namespace
