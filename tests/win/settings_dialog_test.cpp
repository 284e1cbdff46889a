// The settings dialog as a user meets it: a real window from the plug-in's
// resources over the engine with fake services, driven by the messages
// that clicks, typing and the spins send.
#include <gtest/gtest.h>

#include <thread>

#include "tests/win/dialog_fixture.h"

namespace {

TEST_F(Dialog, OpensCentredOnTheHostWithTheSettingsShown) {
    engine.Set(&TickerSettings::Date, 0);
    engine.Set(&TickerSettings::LatestNews, 1);
    engine.Set(&TickerSettings::Speed, 6);
    engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::TextFile));
    engine.Set(&TickerSettings::StartHotKey, 0x0341);  // Ctrl+Shift+A
    HWND window = Open();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(TextOf(window), L"Mivra_Skimrow плагин");
    EXPECT_EQ(GetWindow(window, GW_OWNER), host);
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_NEAR((r.left + r.right) / 2, 200 + 400, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, 100 + 300, 1);
    int32_t x, y;
    engine.DialogPosition(&x, &y);
    EXPECT_EQ(x, r.left);
    EXPECT_EQ(y, r.top);

    EXPECT_EQ(SendMessageW(Item(IDC_STRINGS), CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(Item(IDC_STRINGS), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(TextOf(Item(IDC_STRINGS)), L"вторая");
    EXPECT_EQ(SendMessageW(Item(IDC_URLS), CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(TextOf(Item(IDC_TEXT_OPACITY)), L"90");
    EXPECT_EQ(TextOf(Item(IDC_SHADOW)), L"5");
    EXPECT_FALSE(Checked(IDC_DATE));
    EXPECT_TRUE(Checked(IDC_TIME));
    EXPECT_TRUE(Checked(IDC_LATEST_NEWS));
    EXPECT_TRUE(Checked(IDC_SOURCE_FILES));
    EXPECT_EQ(SendMessageW(Item(IDC_SPEED), TBM_GETPOS, 0, 0), 6);
    EXPECT_EQ(TextOf(Item(IDC_SPEED_TEXT)), L"6");
    EXPECT_EQ(SendMessageW(Item(IDC_HOTKEY), HKM_GETHOTKEY, 0, 0), 0x0341);
    EXPECT_EQ(IconOf(IDC_START_STOP), Icon(IDI_PLAY));
    EXPECT_EQ(IconOf(IDC_LEFT), Icon(IDI_LEFT));
    EXPECT_EQ(IconOf(IDC_ADD_FILE), Icon(IDI_FOLDER));
    // Only the chosen source's controls take input.
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_FILES)));
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_STRINGS)));
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_URLS)));
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_AUTO_UPDATE)));
    EXPECT_FALSE(IsWindowVisible(Item(IDC_CANCEL)));
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_CANCEL)));
    struct Find {
        static BOOL CALLBACK ToolTip(HWND w, LPARAM p) {
            wchar_t cls[64];
            GetClassNameW(w, cls, 64);
            if (lstrcmpW(cls, TOOLTIPS_CLASSW) == 0 && SendMessageW(w, TTM_GETTOOLCOUNT, 0, 0) > 0)
                *reinterpret_cast<HWND*>(p) = w;
            return TRUE;
        }
    };
    HWND tips = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), Find::ToolTip, LPARAM(&tips));
    ASSERT_NE(tips, nullptr);
    EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 29);
}

TEST_F(Dialog, AStoredPositionIsKeptAndShowingAgainMakesNoSecondWindow) {
    engine.SetDialogPosition(-100, 40);
    HWND window = Open();
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, -100);
    EXPECT_EQ(r.top, 40);
    const DWORD before = GetTickCount();
    dialogWindow.Show(host);
    EXPECT_GE(GetTickCount() - before, 400u) << "flashed 8 times, 60 ms apart";
    EXPECT_EQ(dialogWindow.Window(), window);
}

TEST_F(Dialog, ChecksCornersSliderAndSpinsWriteTheirSettings) {
    Open();
    Click(IDC_DATE);
    EXPECT_EQ(S().Date, 0u);
    Click(IDC_DESCRIPTION);
    EXPECT_EQ(S().Description, 1u);
    Click(IDC_INTERLACE);
    EXPECT_EQ(S().Interlace, 0u);

    engine.Set(&TickerSettings::LineSize, 768);
    Click(IDC_TOP_LEFT);
    EXPECT_EQ(S().LinePosX, 384);
    EXPECT_EQ(S().LinePosY, S().BandHeight / 2);

    SendMessageW(Item(IDC_SPEED), TBM_SETPOS, TRUE, 7);
    SendMessageW(dialogWindow.Window(), WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), LPARAM(Item(IDC_SPEED)));
    Pump();
    EXPECT_EQ(S().Speed, 7);
    EXPECT_EQ(TextOf(Item(IDC_SPEED_TEXT)), L"7");

    const int32_t height = S().BandHeight;
    SendMessageW(dialogWindow.Window(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 40), LPARAM(Item(IDC_SHADOW_SPIN)));
    EXPECT_EQ(S().ShadowOffset, 40);
    EXPECT_GT(S().BandHeight, height) << "the band was measured again";
    SendMessageW(dialogWindow.Window(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 12), LPARAM(Item(IDC_REPEAT_SPIN)));
    EXPECT_EQ(S().Repeat, 12);
    EXPECT_EQ(TextOf(Item(IDC_REPEAT)), L"12");
    SendMessageW(dialogWindow.Window(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 3), LPARAM(Item(IDC_AUTO_UPDATE_SPIN)));
    EXPECT_EQ(S().AutoUpdate, 3);
    SendMessageW(dialogWindow.Window(), WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), LPARAM(Item(IDC_TEXT_OPACITY_SPIN)));
    EXPECT_EQ(S().TextOpacity, 90) << "only SB_THUMBPOSITION is acted on";
}

TEST_F(Dialog, PositionSizeAndFontButtonsMoveTheBandUnderTheLock) {
    Open();
    engine.Set(&TickerSettings::LinePosX, 300);
    engine.Set(&TickerSettings::FontSize, -49);
    const long enters = lock.enters;
    SendMessageW(dialogWindow.Window(), WM_AUTOREPEAT, IDC_RIGHT, 8);
    EXPECT_EQ(S().LinePosX, 308);
    Click(IDC_LEFT);  // a plain click is one step
    EXPECT_EQ(S().LinePosX, 307);
    for (int i = 0; i < 3; ++i) SendMessageW(dialogWindow.Window(), WM_AUTOREPEAT, IDC_FONT_LARGER, 0);
    EXPECT_EQ(S().FontSize, -50);
    EXPECT_GT(lock.enters, enters);
}

// The control endpoint changes lists, selections, the source and all feeds
// from its own thread; an open dialog shows them, except in the list the
// user is typing into.
TEST_F(Dialog, ChangesFromOutsideShowInTheOpenDialogButNotOverWhatIsBeingTyped) {
    Open();
    std::thread endpoint([&] {
        engine.PutString(Ansi(L"третья"));
        engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::Feed));
        engine.Set(&TickerSettings::AllFeeds, 1);
    });
    endpoint.join();
    Pump();
    EXPECT_EQ(SendMessageW(Item(IDC_STRINGS), CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(TextOf(Item(IDC_STRINGS)), L"третья");
    EXPECT_TRUE(Checked(IDC_SOURCE_RSS));
    EXPECT_FALSE(Checked(IDC_SOURCE_FILES));
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_URLS)));
    EXPECT_TRUE(Checked(IDC_ALL_FEEDS));

    SetFocus(Item(IDC_URLS));
    SendMessageW(Item(IDC_URLS), CB_SETCURSEL, WPARAM(-1), 0);  // typing drops the selection
    SetWindowTextW(Item(IDC_URLS), L"http://127.0.0.1/typed.xml");
    engine.SetList(ContentList::Urls, {"http://127.0.0.1/a.xml", "http://127.0.0.1/b.xml", ""});
    engine.Set(&TickerSettings::StrIdx, 0);
    Pump();
    EXPECT_EQ(TextOf(Item(IDC_URLS)), L"http://127.0.0.1/typed.xml");
    EXPECT_EQ(TextOf(Item(IDC_STRINGS)), L"первая");
    // Leaving it commits what was typed into the list as it is now.
    SetFocus(Item(IDC_TEXT_OPACITY));
    Pump();
    EXPECT_EQ(engine.List(ContentList::Urls),
              (StringList{"http://127.0.0.1/typed.xml", "http://127.0.0.1/b.xml", ""}));
    EXPECT_EQ(SendMessageW(Item(IDC_URLS), CB_GETCOUNT, 0, 0), 3);
}

TEST_F(Dialog, StartStopAndSourceRadiosRestartTheLineAndTheIconFollows) {
    Open();
    Click(IDC_START_STOP);
    Pump();
    EXPECT_EQ(S().LineOn, 1u);
    EXPECT_EQ(IconOf(IDC_START_STOP), Icon(IDI_STOP));
    Click(IDC_SOURCE_RSS);  // a running line restarts from the feed
    Pump();
    EXPECT_EQ(S().StringSource, 2);
    EXPECT_EQ(services.downloads, std::vector<std::string>{"http://127.0.0.1/rss.xml"});
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_URLS)));
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_STRINGS)));
    Click(IDC_SOURCE_RSS);  // the same radio again restarts again
    EXPECT_EQ(services.downloads.size(), 2u);
    EXPECT_EQ(services.callsUnderLock, 0);

    // A counted line that ends by itself on the video thread.
    Click(IDC_SOURCE_STRINGS);
    engine.Set(&TickerSettings::Repeat, 1);
    engine.Set(&TickerSettings::Speed, 400);
    Click(IDC_START_STOP);
    Click(IDC_START_STOP);
    Pump();
    ASSERT_EQ(S().LineOn, 1u);
    std::thread video([&] {
        std::vector<uint8_t> frame(768 * 576 * 3);
        for (int i = 0; i < 100 && engine.LineOn(); ++i) ProcessFrame(frame.data());
    });
    video.join();
    Pump();
    EXPECT_EQ(S().LineOn, 0u);
    EXPECT_EQ(IconOf(IDC_START_STOP), Icon(IDI_PLAY));
}

TEST_F(Dialog, TypedComboTextAddsReplacesAndDeletesEntries) {
    Open();
    HWND strings = Item(IDC_STRINGS);
    auto type = [&](int select, const wchar_t* text, int code) {
        SendMessageW(strings, CB_SETCURSEL, WPARAM(select), 0);
        Notify(IDC_STRINGS, CBN_SELCHANGE);
        SendMessageW(strings, CB_SETCURSEL, WPARAM(-1), 0);  // typing drops the selection
        SetWindowTextW(strings, text);
        Notify(IDC_STRINGS, code);
    };
    type(2, L"третья", CBN_DROPDOWN);
    EXPECT_EQ(engine.List(ContentList::Strings), (StringList{Ansi(L"первая"), Ansi(L"вторая"), Ansi(L"третья"), ""}));
    EXPECT_EQ(S().StrIdx, 2);
    EXPECT_EQ(SendMessageW(strings, CB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(SendMessageW(strings, CB_GETCURSEL, 0, 0), 2);
    type(0, L"", CBN_KILLFOCUS);
    EXPECT_EQ(engine.List(ContentList::Strings), (StringList{Ansi(L"вторая"), Ansi(L"третья"), ""}));
    EXPECT_EQ(S().StrIdx, 2);
    type(1, L"3", CBN_KILLFOCUS);
    EXPECT_EQ(engine.List(ContentList::Strings), (StringList{Ansi(L"вторая"), "3", ""}));
    // An index past the list (a hand-edited file): the text is added, not lost.
    engine.Set(&TickerSettings::StrIdx, 40);
    SendMessageW(strings, CB_SETCURSEL, WPARAM(-1), 0);
    SetWindowTextW(strings, L"новая");
    Notify(IDC_STRINGS, CBN_DROPDOWN);
    EXPECT_EQ(engine.List(ContentList::Strings), (StringList{Ansi(L"вторая"), "3", Ansi(L"новая"), ""}));
    EXPECT_EQ(S().StrIdx, 2);
    // A selection writes only the index.
    SendMessageW(Item(IDC_URLS), CB_SETCURSEL, 1, 0);
    Notify(IDC_URLS, CBN_SELCHANGE);
    EXPECT_EQ(S().URLIdx, 1);
    Notify(IDC_URLS, CBN_DROPDOWN);
    EXPECT_EQ(engine.List(ContentList::Urls), (StringList{"http://127.0.0.1/rss.xml", ""}));
}

TEST_F(Dialog, EnterAndEscapeCloseNothingCloseAndWmCloseDoAndReopeningKeepsTheState) {
    HWND window = Open();
    SendMessageW(window, WM_COMMAND, IDOK, 0);
    SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
    Pump();
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(SendMessageW(window, DM_GETDEFID, 0, 0), MAKELONG(IDOK, DC_HASDEFID));
    SendMessageW(Item(IDC_HOTKEY), HKM_SETHOTKEY, 0x0242, 0);  // Ctrl+B
    SetWindowPos(window, nullptr, 33, 44, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_TRUE(engine.DialogOpen());
    PostMessageW(window, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(engine.DialogOpen());
    EXPECT_EQ(S().StartHotKey, 0x0242u);
    EXPECT_EQ(S().DlgWndPosX, 33);
    EXPECT_EQ(S().DlgWndPosY, 44);

    dialogWindow.Show(host);
    Pump();
    window = dialogWindow.Window();
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, 33);
    EXPECT_EQ(SendMessageW(Item(IDC_HOTKEY), HKM_GETHOTKEY, 0, 0), 0x0242);
    Click(IDC_CLOSE);
    EXPECT_FALSE(IsWindow(window));
    dialogWindow.Show(nullptr);  // without an owner
    Pump();
    EXPECT_EQ(GetWindow(dialogWindow.Window(), GW_OWNER), nullptr);
}

TEST_F(Dialog, AChosenFileGoesBeforeTheEmptyEntryAndIsSelected) {
    engine.SetList(ContentList::Files, {""});
    engine.Set(&TickerSettings::StringSource, int32_t(ContentSource::TextFile));
    HWND settings = Open();
    bool disabledUnder = false;
    std::wstring filter;
    std::thread user([&] {
        CommonDialog d{GetWindowThreadProcessId(settings, nullptr), settings};
        HWND box = d.Wait();
        if (!box) return;
        disabledUnder = !IsWindowEnabled(settings);
        wchar_t text[128] = {};
        SendMessageW(GetDlgItem(box, 0x470), CB_GETLBTEXT, 0, LPARAM(text));
        filter = text;
        SetDlgItemTextW(box, 0x47C, L"новости.txt");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    Click(IDC_ADD_FILE);  // the file dialog's modal loop runs inside the click
    user.join();
    EXPECT_TRUE(disabledUnder) << "the file dialog is owned by the settings dialog";
    EXPECT_EQ(filter, L"Текстовые файлы (*.txt)");
    const StringList files = engine.List(ContentList::Files);
    ASSERT_EQ(files.size(), 2u);
    const std::string name = Ansi(L"\\новости.txt");
    EXPECT_EQ(files[0].substr(files[0].size() - name.size()), name);
    EXPECT_EQ(files[1], "");
    EXPECT_EQ(S().FileIdx, 0);
    EXPECT_EQ(SendMessageW(Item(IDC_FILES), CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(Item(IDC_FILES), CB_GETCURSEL, 0, 0), 0);
}

// The About box's modal loop runs inside the click; a timer message of
// that loop finds the box, checks it and closes the settings dialog.
struct Probe {
    static void CALLBACK Tick(HWND w, UINT, UINT_PTR id, DWORD) {
        KillTimer(w, id);
        EnumThreadWindows(GetCurrentThreadId(), Owned, LPARAM(w));
        s_disabled = !IsWindowEnabled(w);
        DestroyWindow(w);
    }
    static BOOL CALLBACK Owned(HWND box, LPARAM owner) {
        if (GetWindow(box, GW_OWNER) == HWND(owner) && IsWindowVisible(box)) s_about = box;
        return TRUE;
    }
    static inline HWND s_about = nullptr;
    static inline bool s_disabled = false;
};

TEST_F(Dialog, TheAboutBoxIsOwnedByTheDialogAndClosingTheDialogEndsIt) {
    HWND window = Open();
    SetTimer(window, 78, 300, Probe::Tick);
    SendMessageW(Item(IDC_ABOUT), BM_CLICK, 0, 0);
    Pump();
    ASSERT_NE(Probe::s_about, nullptr);
    EXPECT_TRUE(Probe::s_disabled) << "the settings dialog is disabled under its modal box";
    EXPECT_FALSE(IsWindow(Probe::s_about));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(dialogWindow.InModalLoop());
}

}  // namespace
