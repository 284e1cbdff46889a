// The dialog's own controls under real input: repeat buttons held with the
// mouse, numeric edits with their balloon, and the font and colour pickers
// driven from a second thread the way a user clicks through them.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "dialog/repeat_button_win.h"
#include "tests/win/dialog_fixture.h"

namespace {

void Mouse(DWORD flags) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}

// A parent that records what its repeat button sends.
std::vector<LPARAM> g_steps;
int g_clicks = 0;
LRESULT CALLBACK RecordingParent(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_USER + 401) g_steps.push_back(lp);
    if (m == WM_COMMAND && HIWORD(wp) == BN_CLICKED) ++g_clicks;
    return DefWindowProcW(w, m, wp, lp);
}

struct Repeat : ::testing::Test {
    HMODULE resources = LoadLibraryA(Plugin::DllPath().c_str());
    HWND parent = nullptr, button = nullptr;
    RepeatButton repeat;
    Repeat() {
        WNDCLASSW c = {};
        c.lpfnWndProc = RecordingParent;
        c.lpszClassName = L"RepeatParent";
        c.hbrBackground = HBRUSH(COLOR_BTNFACE + 1);
        RegisterClassW(&c);
        parent = CreateWindowExW(0, L"RepeatParent", L"repeat", WS_POPUP | WS_VISIBLE, 300, 300, 200, 100, nullptr,
                                 nullptr, nullptr, nullptr);
        button = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_ICON, 20, 20, 40, 40,
                                 parent, HMENU(100), nullptr, nullptr);
        repeat.Setup(100, parent, resources, IDI_RIGHT, WM_USER + 401, kDialogRepeatTable, 6);
        SetForegroundWindow(parent);
        SetCursorPos(300 + 40, 300 + 40);  // the button's centre
        Pump(100);
        g_steps.clear();
        g_clicks = 0;
    }
    ~Repeat() override {
        DestroyWindow(parent);
        FreeLibrary(resources);
    }
    void Hold(DWORD ms) {
        Mouse(MOUSEEVENTF_LEFTDOWN);
        Pump(ms);
        Mouse(MOUSEEVENTF_LEFTUP);
        Pump(30);
        SetCursorPos(10, 10);  // away, so that nothing rests on the button
        Pump(150);
    }
    long Count(LPARAM step, size_t from = 1) const {
        long n = 0;
        for (size_t i = from; i < g_steps.size(); ++i) n += g_steps[i] == step;
        return n;
    }
};

TEST_F(Repeat, HeldForOneSecondItSendsStepOneThenZerosThenTheFirstSteps) {
    EXPECT_EQ(SendMessageW(button, BM_GETIMAGE, IMAGE_ICON, 0), LRESULT(LoadImageW(resources, MAKEINTRESOURCEW(IDI_RIGHT), IMAGE_ICON, 0, 0, LR_SHARED)));
    Hold(1000);
    ASSERT_FALSE(g_steps.empty());
    EXPECT_EQ(g_steps[0], 1);
    EXPECT_NEAR(Count(0), 13, 1);
    EXPECT_NEAR(Count(1) + Count(2), 6, 2);
    EXPECT_EQ(Count(4), 0);
    EXPECT_EQ(g_clicks, 1) << "the release is still a click";
    const size_t after = g_steps.size();
    Pump(200);
    EXPECT_EQ(g_steps.size(), after) << "the release ended the repeat";
}

TEST_F(Repeat, HeldForThreeSecondsTheLastStepsAreThirtyTwo) {
    Hold(3000);
    EXPECT_NEAR(Count(32), 14, 2);
    EXPECT_EQ(g_steps.back(), 32);
}

TEST_F(Repeat, ReleasedOutsideTheRepeatEndsAndTheSpaceBarDoesNothing) {
    Mouse(MOUSEEVENTF_LEFTDOWN);
    Pump(200);
    SetCursorPos(10, 10);
    Pump(50);
    Mouse(MOUSEEVENTF_LEFTUP);
    Pump(50);
    const size_t after = g_steps.size();
    Pump(300);
    EXPECT_EQ(g_steps.size(), after);
    EXPECT_EQ(g_clicks, 0) << "released outside: no click";

    g_steps.clear();
    SetFocus(button);
    PressKey(VK_SPACE);
    EXPECT_TRUE(g_steps.empty());
    EXPECT_EQ(g_clicks, 0);
}

TEST_F(Repeat, ADoubleClickPressesTwice) {
    Mouse(MOUSEEVENTF_LEFTDOWN);
    Mouse(MOUSEEVENTF_LEFTUP);
    Mouse(MOUSEEVENTF_LEFTDOWN);
    Mouse(MOUSEEVENTF_LEFTUP);
    Pump(30);
    SetCursorPos(10, 10);
    Pump(100);
    EXPECT_EQ(g_steps, (std::vector<LPARAM>{1, 1}));
}

// ---- numeric edits ----

HWND VisibleBalloon() {
    struct Find {
        static BOOL CALLBACK Visit(HWND w, LPARAM p) {
            wchar_t cls[64];
            GetClassNameW(w, cls, 64);
            if (lstrcmpW(cls, TOOLTIPS_CLASSW) == 0 && IsWindowVisible(w) && (GetWindowLongW(w, GWL_STYLE) & TTS_BALLOON))
                *reinterpret_cast<HWND*>(p) = w;
            return TRUE;
        }
    };
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), Find::Visit, LPARAM(&found));
    return found;
}

std::wstring BalloonText(HWND balloon) {
    wchar_t text[128] = {};
    TTTOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    tool.lpszText = text;
    SendMessageW(balloon, TTM_GETTEXTW, 128, LPARAM(&tool));
    return text;
}

struct Edits : Dialog {
    void Type(int id, const wchar_t* text) { SetWindowTextW(Item(id), text); }
    void Enter(int id) { SendMessageW(Item(id), WM_KEYDOWN, VK_RETURN, 0); Pump(50); }
};

TEST_F(Edits, EnterAcceptsAValueInRangeAndRejectsOthersWithABalloon) {
    Open();
    Type(IDC_TEXT_OPACITY, L"150");
    Enter(IDC_TEXT_OPACITY);
    EXPECT_EQ(S().TextOpacity, 90);
    EXPECT_EQ(TextOf(Item(IDC_TEXT_OPACITY)), L"150");
    DWORD start = 0, end = 0;
    SendMessageW(Item(IDC_TEXT_OPACITY), EM_GETSEL, WPARAM(&start), LPARAM(&end));
    EXPECT_EQ(end - start, 3u) << "the text is selected";
    HWND balloon = VisibleBalloon();
    ASSERT_NE(balloon, nullptr);
    EXPECT_EQ(BalloonText(balloon), L"Значение должно быть числом от 0 до 100");
    RECT edit, tip;
    GetWindowRect(Item(IDC_TEXT_OPACITY), &edit);
    GetWindowRect(balloon, &tip);
    EXPECT_LE(std::abs(tip.top - edit.bottom), 40) << "the stem points at the edit's bottom-right corner";

    SendMessageW(Item(IDC_TEXT_OPACITY), WM_KEYDOWN, VK_ESCAPE, 0);  // back to the accepted value
    Pump(50);
    EXPECT_EQ(TextOf(Item(IDC_TEXT_OPACITY)), L"90");
    EXPECT_EQ(VisibleBalloon(), nullptr);

    Type(IDC_TEXT_OPACITY, L"007");
    Enter(IDC_TEXT_OPACITY);
    EXPECT_EQ(S().TextOpacity, 7);
    EXPECT_EQ(TextOf(Item(IDC_TEXT_OPACITY)), L"7");
    EXPECT_EQ(LOWORD(SendMessageW(Item(IDC_TEXT_OPACITY_SPIN), UDM_GETPOS, 0, 0)), 7);
    Type(IDC_REPEAT, L"");  // empty is not a number
    Enter(IDC_REPEAT);
    EXPECT_EQ(S().Repeat, 0);
    EXPECT_NE(VisibleBalloon(), nullptr);
    Type(IDC_REPEAT, L"12x");  // trailing junk is refused
    Enter(IDC_REPEAT);
    EXPECT_EQ(S().Repeat, 0);
}

TEST_F(Edits, TheBalloonGoesWhenTheDialogMovesAndAfterFourSeconds) {
    HWND window = Open();
    Type(IDC_SHADOW, L"500");
    Enter(IDC_SHADOW);
    ASSERT_NE(VisibleBalloon(), nullptr);
    SetWindowPos(window, nullptr, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Pump(150);
    EXPECT_EQ(VisibleBalloon(), nullptr);
    Enter(IDC_SHADOW);
    ASSERT_NE(VisibleBalloon(), nullptr);
    Pump(3700);
    EXPECT_NE(VisibleBalloon(), nullptr);
    Pump(600);
    EXPECT_EQ(VisibleBalloon(), nullptr);
}

TEST_F(Edits, LeavingAnInvalidEditWithinTheDialogTakesTheFocusBackButNotFromAnotherWindow) {
    HWND window = Open();
    SetForegroundWindow(window);
    SetFocus(Item(IDC_REPEAT));
    Type(IDC_REPEAT, L"-1");
    Type(IDC_BACK_OPACITY, L"300");  // a second invalid edit
    SetFocus(Item(IDC_BACK_OPACITY));
    Pump(50);
    EXPECT_EQ(GetFocus(), Item(IDC_REPEAT)) << "the focus came back, and the other edit did not fight for it";
    EXPECT_EQ(S().Repeat, 0);
    EXPECT_EQ(S().BackOpacity, 80);
    EXPECT_NE(VisibleBalloon(), nullptr);
    SetFocus(host);  // another window than the dialog's
    Pump(50);
    EXPECT_EQ(GetFocus(), host);
    SetFocus(Item(IDC_REPEAT));
    Type(IDC_REPEAT, L"4");
    SetFocus(Item(IDC_SPEED));
    Pump(30);
    EXPECT_EQ(GetFocus(), Item(IDC_SPEED));
    EXPECT_EQ(S().Repeat, 4);

    const LRESULT before = SendMessageW(Item(IDC_SHADOW), WM_GETTEXTLENGTH, 0, 0);
    SendMessageW(Item(IDC_SHADOW), WM_CHAR, 'a', 0);  // digits only
    EXPECT_EQ(SendMessageW(Item(IDC_SHADOW), WM_GETTEXTLENGTH, 0, 0), before);
    Click(IDC_SOURCE_STRINGS);
    Pump();
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_AUTO_UPDATE)));
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_AUTO_UPDATE_SPIN))) << "the spin follows its edit";
}

// ---- pickers ----

struct Pickers : Dialog {
    // Runs `user` on a second thread once a common dialog is up, while the
    // click on `id` runs its modal loop here.
    template <class F>
    void ClickAndDrive(int id, F user) {
        HWND settings = dialogWindow.Window();
        std::thread t([&] {
            CommonDialog d{GetWindowThreadProcessId(settings, nullptr), settings};
            if (HWND box = d.Wait()) user(box, !IsWindowEnabled(settings));
        });
        Click(id);
        t.join();
        Pump();
    }
    void UseFace(const char* face) {
        FontSpec font = FontSpecFrom(engine.Settings());
        font.faceName = face;
        engine.SetFont(font);
    }
};

TEST_F(Pickers, ApplyShowsANewFaceLiveAndCancelRestoresOnlyTheFont) {
    UseFace("Liberation Sans");
    Open();
    bool disabled = false;
    std::string applied;
    ClickAndDrive(IDC_FONT, [&](HWND box, bool settingsDisabled) {
        disabled = settingsDisabled;
        SendMessageW(GetDlgItem(box, 0x470), CB_SELECTSTRING, WPARAM(-1), LPARAM(L"Liberation Serif"));
        SendMessageW(box, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELCHANGE), LPARAM(GetDlgItem(box, 0x470)));
        SendMessageW(GetDlgItem(box, 1026), BM_CLICK, 0, 0);
        applied = engine.Settings().FontName;
        engine.StartLine();            // meanwhile the line starts elsewhere
        engine.Set(&TickerSettings::Speed, 8);
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_TRUE(disabled) << "the font dialog is owned by the settings dialog";
    EXPECT_EQ(applied, "Liberation Serif");
    EXPECT_EQ(S().FontName, "Liberation Sans");
    EXPECT_EQ(S().LineOn, 1u) << "Cancel undoes the font only";
    EXPECT_EQ(S().Speed, 8);
}

TEST_F(Pickers, OkWithALargeFontStoresItsHeightAndYPlusThenDoesNothing) {
    UseFace("Liberation Sans");
    Open();
    ClickAndDrive(IDC_FONT, [&](HWND box, bool) {
        SetWindowTextW(GetDlgItem(box, 0x472), L"72");  // points: 96 pixels at 96 dpi
        SendMessageW(box, WM_COMMAND, MAKEWPARAM(0x472, CBN_EDITCHANGE), LPARAM(GetDlgItem(box, 0x472)));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(S().FontSize, -96);
    SendMessageW(dialogWindow.Window(), WM_AUTOREPEAT, IDC_FONT_LARGER, 0);
    EXPECT_EQ(S().FontSize, -96);
    SendMessageW(dialogWindow.Window(), WM_AUTOREPEAT, IDC_FONT_SMALLER, 0);
    EXPECT_EQ(S().FontSize, -95);
}

TEST_F(Pickers, ColourOkTakesTheColourAndCancelChangesNothing) {
    Open();
    ClickAndDrive(IDC_TEXT_COLOR, [&](HWND box, bool) {
        SetDlgItemTextW(box, 706, L"255");
        SetDlgItemTextW(box, 707, L"0");
        SetDlgItemTextW(box, 708, L"0");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(S().TextColor, 0x0000FFu);
    const uint32_t back = S().BackColor;
    ClickAndDrive(IDC_BACK_COLOR, [&](HWND box, bool) {
        SetDlgItemTextW(box, 706, L"1");
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(S().BackColor, back);
    ClickAndDrive(IDC_URGENT_BACK_COLOR, [&](HWND box, bool) {
        SetDlgItemTextW(box, 706, L"0");
        SetDlgItemTextW(box, 707, L"128");
        SetDlgItemTextW(box, 708, L"0");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(S().UrgentBackColor, 0x008000u);
    EXPECT_EQ(S().UrgentTextColor, 0xFFFFFFu);
}

// The "Новости" and "Срочно" groups: their check boxes and numbers reach the
// settings, and "В эфир" puts the typed line on air at once, whatever the
// source.
TEST_F(Edits, TheNewsAndUrgentGroupsEditTheirSettingsAndSendTheLine) {
    HWND window = Open();
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_LE(r.right - r.left, 1024);
    EXPECT_LE(r.bottom - r.top, 768);
    for (int id : {IDC_ALL_FEEDS, IDC_SOURCE_LABEL, IDC_MAX_AGE, IDC_ANNOUNCE})
        EXPECT_FALSE(IsWindowEnabled(Item(id))) << id << ": for the feeds only";
    for (int id : {IDC_URGENT_TEXT, IDC_URGENT_SEND, IDC_URGENT_REPEAT, IDC_URGENT_BACK_COLOR})
        EXPECT_TRUE(IsWindowEnabled(Item(id))) << id;
    Click(IDC_SOURCE_RSS);
    Click(IDC_ALL_FEEDS);
    Click(IDC_SOURCE_LABEL);
    EXPECT_EQ(S().AllFeeds, 1u);
    EXPECT_EQ(S().SourceLabel, 1u);
    Type(IDC_MAX_AGE, L"8760");  // four digits, no thousands separator
    Enter(IDC_MAX_AGE);
    EXPECT_EQ(S().MaxAge, 8760);
    EXPECT_EQ(TextOf(Item(IDC_MAX_AGE)), L"8760");
    Type(IDC_MAX_AGE, L"9999");
    Enter(IDC_MAX_AGE);
    EXPECT_EQ(S().MaxAge, 8760);
    EXPECT_NE(VisibleBalloon(), nullptr);
    SendMessageW(Item(IDC_MAX_AGE), WM_KEYDOWN, VK_ESCAPE, 0);
    Type(IDC_ANNOUNCE, L"5");
    Enter(IDC_ANNOUNCE);
    EXPECT_EQ(S().AnnounceEvery, 5);
    Type(IDC_URGENT_REPEAT, L"0");  // at least one showing
    Enter(IDC_URGENT_REPEAT);
    EXPECT_EQ(S().UrgentRepeat, 3);
    Type(IDC_URGENT_REPEAT, L"2");
    Enter(IDC_URGENT_REPEAT);
    EXPECT_EQ(S().UrgentRepeat, 2);

    Click(IDC_URGENT_SEND);  // nothing typed: nothing sent
    EXPECT_TRUE(engine.Status().urgent.empty());
    Type(IDC_URGENT_TEXT, L"Срочно: \"тест\" & 🔥");
    Click(IDC_URGENT_SEND);
    const LineStatus status = engine.Status();
    ASSERT_EQ(status.urgent.size(), 1u);
    EXPECT_EQ(status.urgent[0].state, UrgentState::Waiting);
    EXPECT_FALSE(status.running) << "a stopped line shows the urgent line alone, not started";
    EXPECT_EQ(S().LineOn, 0u);
    std::vector<uint8_t> frame(768 * 576 * 3);
    ProcessFrame(frame.data());
    EXPECT_EQ(Now().runs.at(0).text, u"Срочно: \"тест\" & 🔥");
}

// The direction and the endpoint's group: a port beyond a spin's 16 bits,
// 0 for off and nothing between; a key kept to what a request can present,
// taken when the focus leaves it or the dialog closes; the endpoint told
// only of real changes.
TEST_F(Edits, TheDirectionAndTheEndpointGroupEditTheirSettings) {
    Open();
    Click(IDC_DIRECTION);
    EXPECT_EQ(S().Direction, 1u);
    Click(IDC_CONTROL_LAN);
    EXPECT_EQ(S().ControlLan, 1u);
    EXPECT_EQ(services.controlChanges, 1);

    Type(IDC_CONTROL_PORT, L"80");
    Enter(IDC_CONTROL_PORT);
    EXPECT_EQ(S().ControlPort, 0);
    HWND balloon = VisibleBalloon();
    ASSERT_NE(balloon, nullptr);
    EXPECT_EQ(BalloonText(balloon), L"Значение должно быть числом от 1024 до 65535 или 0");
    SendMessageW(Item(IDC_CONTROL_PORT), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(TextOf(Item(IDC_CONTROL_PORT)), L"0");
    Type(IDC_CONTROL_PORT, L"65535");
    Enter(IDC_CONTROL_PORT);
    EXPECT_EQ(S().ControlPort, 65535);
    Enter(IDC_CONTROL_PORT);  // the same port again: the endpoint is left alone
    EXPECT_EQ(services.controlChanges, 2);
    Type(IDC_CONTROL_PORT, L"0");
    Enter(IDC_CONTROL_PORT);
    EXPECT_EQ(S().ControlPort, 0);

    SetFocus(Item(IDC_CONTROL_KEY));
    for (const wchar_t* c = L"ключ key-1 2\t!"; *c; ++c) SendMessageW(Item(IDC_CONTROL_KEY), WM_CHAR, *c, 0);
    EXPECT_EQ(TextOf(Item(IDC_CONTROL_KEY)), L"key-12!");
    EXPECT_EQ(S().ControlKey, "") << "taken when the focus leaves";
    SetFocus(Item(IDC_CONTROL_PORT));
    Pump(10);
    EXPECT_EQ(S().ControlKey, "key-12!");
    SetFocus(Item(IDC_CONTROL_KEY));
    SendMessageW(Item(IDC_CONTROL_KEY), WM_CHAR, L'z', 0);
    const int changes = services.controlChanges;
    dialogWindow.Close();
    EXPECT_EQ(S().ControlKey, "key-12!z") << "taken at close";
    EXPECT_EQ(services.controlChanges, changes + 1);
}

}  // namespace
