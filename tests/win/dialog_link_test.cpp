// Refresh posts reach the dialog's window as WM_UPDATE_CONTROLS, from the
// user-interface thread and from the video thread alike.
#include <gtest/gtest.h>

#include <thread>

#include "dialog/dialog_window_win.h"
#include "tests/native/engine_fixture.h"

namespace {

std::vector<WPARAM> TakeUpdates(HWND window) {
    std::vector<WPARAM> parts;
    MSG msg;
    while (PeekMessageW(&msg, window, WM_UPDATE_CONTROLS, WM_UPDATE_CONTROLS, PM_REMOVE)) parts.push_back(msg.wParam);
    return parts;
}

TEST(DialogLink, RunStateAndSourcePostsArriveAsTheDialogsMessage) {
    EngineFixture f;
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    DialogWindowSink sink;
    sink.SetWindow(window);
    f.engine.SetList(ContentList::Strings, {"one", ""});
    f.engine.Set(&TickerSettings::Repeat, 1);
    f.engine.Set(&TickerSettings::Speed, 400);
    f.Start();
    f.engine.ConnectDialog(&sink);
    f.engine.StartLine();
    f.engine.Set(&TickerSettings::Speed, 400);
    EXPECT_EQ(TakeUpdates(window), (std::vector<WPARAM>{UPDATE_RUNSTATE, UPDATE_SPEED}));

    // The single pass ends on the video thread: the line stops by itself.
    std::thread video([&] {
        std::vector<uint8_t> frame(768 * 576 * 3);
        for (int i = 0; i < 50 && f.engine.LineOn(); ++i) f.ProcessFrame(frame.data());
    });
    video.join();
    EXPECT_FALSE(f.engine.LineOn());
    EXPECT_EQ(TakeUpdates(window), std::vector<WPARAM>{UPDATE_RUNSTATE});

    sink.SetWindow(nullptr);  // the window is gone: nothing is posted anywhere
    f.engine.StartLine();
    EXPECT_TRUE(TakeUpdates(window).empty());
    DestroyWindow(window);
}

}  // namespace
