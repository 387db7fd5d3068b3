// The hosted instrument's property page as Sorvik's editor, under a real
// display: it opens once in the host's window, its dirty flag marks the song
// modified, and a picture of it goes to the screenshots folder.
#include "synth/dxi/tests/sorvik_fixture.h"

#include "sound/module_keys.h"
#include "sound/song_tract.h"
#include "sound/sound_mngr.h"
#include "testing/sandbox.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace Quorvane;
using namespace sorvik_test;

namespace {

void pump()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

TEST(EditorTest, ThePageOpensInTheHostWindowAndMarksTheSongModified)
{
    ASSERT_EQ(OleInitialize(nullptr), S_OK);
    ASSERT_NE(modules().create, nullptr);
    resetControl();
    {
        MusicSong song;
        Hosted dxi(song, 44100.0f, 256);
        ASSERT_TRUE(dxi.select(CLSID_TestDxi));
        int width = 0, height = 0;
        dxi.synth->GetEditorSize(&width, &height);
        HWND parent = CreateWindowExW(0, L"STATIC", L"Tembri DXi", WS_OVERLAPPED | WS_VISIBLE, 40, 40,
                                      width + 20, height + 40, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(parent, nullptr);
        EXPECT_FALSE(dxi.synth->CloseEditor()); // none open yet
        ASSERT_TRUE(dxi.synth->OpenEditor(parent));
        ASSERT_TRUE(dxi.synth->OpenEditor(parent)); // still one
        HWND page = FindWindowExW(parent, nullptr, L"TembriTestDxiPage", nullptr);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(FindWindowExW(parent, page, L"TembriTestDxiPage", nullptr), nullptr);
        EXPECT_TRUE(IsWindowVisible(page));
        pump();

        EXPECT_EQ(song.song.IsModified(), 0);
        HWND louder = FindWindowExW(page, nullptr, L"BUTTON", L"Louder");
        ASSERT_NE(louder, nullptr);
        SendMessageW(louder, BM_CLICK, 0, 0);
        pump();
        EXPECT_EQ(song.song.IsModified(), 1);
        wchar_t text[32] = {};
        GetWindowTextW(FindWindowExW(page, nullptr, L"STATIC", nullptr), text, 32);
        EXPECT_STREQ(text, L"Level: 60");
        RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        pump();
        EXPECT_FALSE(testing_support::writeWindowPicture(parent, "sorvik_editor").empty());

        EXPECT_TRUE(dxi.synth->CloseEditor());
        EXPECT_FALSE(IsWindow(page));
        EXPECT_FALSE(dxi.synth->CloseEditor());
        DestroyWindow(parent);
    }
    EXPECT_EQ(modules().liveObjects(), 0);
    OleUninitialize();
}

// The page's window opens and closes without the lock the render thread
// takes: a render call made while the page is in Activate or Deactivate
// comes back at once (the page waits for it, and would wait in vain).
TEST(EditorTest, ThePageOpensAndClosesWhileTheRenderThreadGoesOn)
{
    ASSERT_EQ(OleInitialize(nullptr), S_OK);
    ASSERT_NE(modules().create, nullptr);
    resetControl();
    TEST_DXI_CONTROL &control = *modules().control;
    {
        MusicSong song;
        Hosted dxi(song, 44100.0f, 256);
        ASSERT_TRUE(dxi.select(CLSID_TestDxi));
        HWND parent = CreateWindowExW(0, L"STATIC", L"Tembri DXi", WS_OVERLAPPED | WS_VISIBLE, 40, 40, 300,
                                      200, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(parent, nullptr);
        control.pageEntered = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        control.pageGoOn = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        int renders = 0;
        std::thread render([&] {
            std::vector<float> buffer(2 * 256);
            float *out = buffer.data();
            for (int i = 0; i < 2; ++i) {
                if (WaitForSingleObject(control.pageEntered, 10000) != WAIT_OBJECT_0)
                    return;
                dxi.synth->RenderReplacing(&out, 256);
                ++renders;
                SetEvent(control.pageGoOn);
            }
        });
        EXPECT_TRUE(dxi.synth->OpenEditor(parent));
        pump();
        EXPECT_FALSE(testing_support::writeWindowPicture(parent, "sorvik_editor_while_rendering").empty());
        EXPECT_TRUE(dxi.synth->CloseEditor());
        render.join();
        EXPECT_EQ(renders, 2);
        EXPECT_EQ(control.pageWaitsRanOut, 0) << "a render waited for the page's window";
        CloseHandle(control.pageEntered);
        CloseHandle(control.pageGoOn);
        control.pageEntered = control.pageGoOn = nullptr;
        DestroyWindow(parent);
    }
    EXPECT_EQ(modules().liveObjects(), 0);
    OleUninitialize();
}

// Deleting a DXi output with its page open closes the page's window; the
// output leaves the tract under the tract's lock, which the render thread
// takes for its mix, but the module (and its window) goes without it: a mix
// made while the page closes comes back at once.
TEST(EditorTest, DeletingAnOutputClosesItsPageWithoutTheTractLock)
{
    ASSERT_EQ(OleInitialize(nullptr), S_OK);
    resetControl();
    TEST_DXI_CONTROL &control = *modules().control;
    {
        testing_support::CurrentUserOverride user;
        testing_support::LocalMachineOverride machine;
        ASSERT_TRUE(user.active() && machine.active());
        char path[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string tests(path);
        tests = tests.substr(0, tests.find_last_of('\\'));
        const std::string dist = tests.substr(0, tests.find_last_of('\\')) + "\\dist";
        RegisterModulePath(kSoftSynthKey, "Tembri DXi", (tests + "\\Sorvik.dll").c_str());
        RegisterModulePath(kSoftSynthKey, "Default Preview", (dist + "\\Pellandor.dll").c_str());
        IOPARAMS params;
        params.bufferFrames = 256;
        auto *manager = new CSoundMngr("sorvik editor");
        ASSERT_EQ(manager->Init(&params), 1);
        {
            CSong song(&params, manager);
            ASSERT_EQ(song.SetDefault(), 1);
            auto *tract = static_cast<CSongTract *>(song.GetSongTract());
            PORTDESCR dxi(OUT_DXI);
            ASSERT_EQ(dxi.SetData(&CLSID_TestDxi), 1);
            void *out = tract->AddNewOut(&dxi);
            ASSERT_NE(out, nullptr);
            HWND parent = CreateWindowExW(0, L"STATIC", L"Tembri DXi", WS_OVERLAPPED | WS_VISIBLE, 40, 40,
                                          300, 200, nullptr, nullptr, nullptr, nullptr);
            ASSERT_NE(parent, nullptr);
            ASSERT_TRUE(tract->GetISoftSynth(out)->OpenEditor(parent));
            pump();
            EXPECT_FALSE(testing_support::writeWindowPicture(parent, "sorvik_editor_of_an_output").empty());

            control.pageEntered = CreateEventW(nullptr, FALSE, FALSE, nullptr);
            control.pageGoOn = CreateEventW(nullptr, FALSE, FALSE, nullptr);
            bool mixed = false;
            std::thread render([&] {
                std::vector<float> buffer(2 * 256);
                if (WaitForSingleObject(control.pageEntered, 10000) != WAIT_OBJECT_0)
                    return;
                tract->FillAccum(buffer.data(), 256, 0, 0, 0);
                mixed = true;
                SetEvent(control.pageGoOn);
            });
            tract->DeleteOut(out);
            render.join();
            EXPECT_TRUE(mixed);
            EXPECT_EQ(control.pageWaitsRanOut, 0) << "the mix waited for the page's window";
            CloseHandle(control.pageEntered);
            CloseHandle(control.pageGoOn);
            control.pageEntered = control.pageGoOn = nullptr;
            DestroyWindow(parent);
        }
        manager->Release();
    }
    EXPECT_EQ(modules().liveObjects(), 0);
    OleUninitialize();
}

} // namespace
