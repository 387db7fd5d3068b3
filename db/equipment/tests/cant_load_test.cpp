// The question asked when a stored port or effect cannot be created.
#include "db/equipment/cant_load.h"

#include "base/message_box.h"

#include <gtest/gtest.h>

#include <string>

using namespace Quorvane;

namespace {

const GUID kSomeClass = {0x0A1B2C3D, 0x4E5F, 0x6071, {0x82, 0x93, 0xA4, 0xB5, 0xC6, 0xD7, 0xE8, 0xF9}};

PORTDESCR byText(long kind, const char *text)
{
    PORTDESCR d(kind);
    d.SetData(text);
    return d;
}

PORTDESCR byGuid(long kind)
{
    PORTDESCR d(kind);
    d.SetData(&kSomeClass);
    return d;
}

TEST(CantLoad, TheLabelAndIdentificationFollowTheRecordTypeAndKind)
{
    const std::string guid = "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}";
    struct Case {
        uint8_t type;
        PORTDESCR descr;
        std::string expected; // label and identification, or empty
    };
    Case cases[] = {
        {0x81, byText(0, "Default Preview"), "Quorvane Synth:\n\n[Default Preview]"},
        {0x81, byText(4, "C:\\Vst\\a.dll"), "VST Instrument:\n\n[C:\\Vst\\a.dll]"},
        {0x81, byGuid(5), "DXi:\n\n[" + guid + "]"},
        {0x81, byText(6, "Bank"), "DLS Soft Synth:\n\n[Bank]"},
        {0x81, byText(7, "Port 1"), "MIDI Out Port:\n\n[Port 1]"},
        {0x82, byText(0, "Reverb"), "Quorvane Audio Effect:\n\n[Reverb]"},
        {0x82, byText(1, "fx.dll"), "VST Audio Effect:\n\n[fx.dll]"},
        {0x82, byGuid(2), "DirectX Audio Filter:\n\n[" + guid + "]"},
        {0x83, byText(0, "Arp"), "Quorvane Audio Effect:\n\n[Arp]"},
        {0x83, byGuid(1), "MFX Plug-in:\n\n[" + guid + "]"},
        {0x81, byText(8, "x"), ""},
        {0x82, byText(3, "x"), ""},
        {0x83, byText(2, "x"), ""},
        {0x50, byText(0, "x"), ""},
    };
    for (const Case &c : cases) {
        const std::string text = CantLoadText(c.type, &c.descr);
        if (c.expected.empty())
            EXPECT_EQ(text, "") << int(c.type) << " " << c.descr.kind;
        else
            EXPECT_EQ(text, "Can't load " + c.expected + "\n\nContinue anyway?");
    }
}

TEST(CantLoad, YesContinuesNoStopsAndAnUnaskedCombinationAnswersNo)
{
    int shown = 0;
    int answer = IDYES;
    setMessageBoxHook([&](HWND, const char *, const char *, UINT type) {
        ++shown;
        EXPECT_EQ(type, UINT(MB_YESNO | MB_ICONQUESTION));
        return answer;
    });
    const PORTDESCR synth = byText(3, "Missing");
    EXPECT_EQ(CantLoadQuestion(0x81, &synth), 1);
    answer = IDNO;
    EXPECT_EQ(CantLoadQuestion(0x81, &synth), 0);
    const PORTDESCR odd = byText(9, "x");
    EXPECT_EQ(CantLoadQuestion(0x81, &odd), 0);
    setMessageBoxHook({});
    EXPECT_EQ(shown, 2);
}

} // namespace
