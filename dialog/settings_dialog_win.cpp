#include "dialog/settings_dialog_win.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "base/ansi_codec.h"
#include "base/text.h"
#include "dialog/dialog_rules.h"
#include "dialog/pickers_win.h"
#include "dialog/res/resource.h"

namespace {

// The lists and the face name are kept in the ANSI code page; the window
// shows UTF-16 (wchar_t is 16 bits here).
std::wstring Widen(const std::string& ansi) {
    const std::u16string text = SystemAnsiCodec().ToUtf16(ansi.c_str());
    return std::wstring(text.begin(), text.end());
}

std::string Narrow(const wchar_t* text) { return SystemAnsiCodec().FromUtf16(reinterpret_cast<const char16_t*>(text)); }

std::wstring WindowText(HWND window) {
    const int n = GetWindowTextLengthW(window);
    std::wstring text(size_t(n) + 1, L'\0');
    GetWindowTextW(window, &text[0], n + 1);
    text.resize(wcslen(text.c_str()));
    return text;
}

// Counts a modal loop of ours (see InModalLoop) for as long as it runs.
class ModalScope {
public:
    explicit ModalScope(int& depth) : depth_(depth) { ++depth_; }
    ~ModalScope() { --depth_; }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

private:
    int& depth_;
};

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// A combo box, its content list and the index setting that selects in it.
struct ComboBinding {
    int id;
    ContentList list;
    int32_t TickerSettings::*index;
};
const ComboBinding kCombos[] = {
    {IDC_STRINGS, ContentList::Strings, &TickerSettings::StrIdx},
    {IDC_FILES, ContentList::Files, &TickerSettings::FileIdx},
    {IDC_URLS, ContentList::Urls, &TickerSettings::URLIdx},
};
const ComboBinding* ComboOf(int id) {
    for (const ComboBinding& c : kCombos)
        if (c.id == id) return &c;
    return nullptr;
}

// A numeric edit with its spin and the setting they show, within the
// setting's range, and the digits it takes.
struct SpinBinding {
    int spin, edit;
    int32_t TickerSettings::*value;
    int digits;
};
const SpinBinding kSpins[] = {
    {IDC_SHADOW_SPIN, IDC_SHADOW, &TickerSettings::ShadowOffset, 3},
    {IDC_TEXT_OPACITY_SPIN, IDC_TEXT_OPACITY, &TickerSettings::TextOpacity, 3},
    {IDC_BACK_OPACITY_SPIN, IDC_BACK_OPACITY, &TickerSettings::BackOpacity, 3},
    {IDC_REPEAT_SPIN, IDC_REPEAT, &TickerSettings::Repeat, 3},
    {IDC_AUTO_UPDATE_SPIN, IDC_AUTO_UPDATE, &TickerSettings::AutoUpdate, 3},
    {IDC_MAX_AGE_SPIN, IDC_MAX_AGE, &TickerSettings::MaxAge, 4},
    {IDC_ANNOUNCE_SPIN, IDC_ANNOUNCE, &TickerSettings::AnnounceEvery, 3},
    {IDC_URGENT_REPEAT_SPIN, IDC_URGENT_REPEAT, &TickerSettings::UrgentRepeat, 2},
};

// A check box and the flag it shows.
struct CheckBinding {
    int id;
    uint32_t TickerSettings::*value;
};
const CheckBinding kChecks[] = {
    {IDC_INTERLACE, &TickerSettings::Interlace},   {IDC_DATE, &TickerSettings::Date},
    {IDC_TIME, &TickerSettings::Time},             {IDC_TITLE, &TickerSettings::Title},
    {IDC_DESCRIPTION, &TickerSettings::Description}, {IDC_LATEST_NEWS, &TickerSettings::LatestNews},
    {IDC_ALL_FEEDS, &TickerSettings::AllFeeds},       {IDC_SOURCE_LABEL, &TickerSettings::SourceLabel},
    {IDC_DIRECTION, &TickerSettings::Direction},      {IDC_CONTROL_LAN, &TickerSettings::ControlLan},
};

// A colour swatch and the colour it shows.
struct SwatchBinding {
    int id;
    uint32_t TickerSettings::*color;
};
const SwatchBinding kSwatches[] = {
    {IDC_TEXT_COLOR, &TickerSettings::TextColor},
    {IDC_BACK_COLOR, &TickerSettings::BackColor},
    {IDC_URGENT_TEXT_COLOR, &TickerSettings::UrgentTextColor},
    {IDC_URGENT_BACK_COLOR, &TickerSettings::UrgentBackColor},
};
const SwatchBinding* SwatchOf(int id) {
    for (const SwatchBinding& b : kSwatches)
        if (b.id == id) return &b;
    return nullptr;
}

// The controls that only a run of the feeds reads.
const int kFeedControls[] = {IDC_URLS,      IDC_DATE,         IDC_TIME,    IDC_TITLE,   IDC_DESCRIPTION,
                             IDC_LATEST_NEWS, IDC_AUTO_UPDATE, IDC_ALL_FEEDS, IDC_SOURCE_LABEL, IDC_MAX_AGE,
                             IDC_ANNOUNCE};
const CheckBinding* CheckOf(int id) {
    for (const CheckBinding& c : kChecks)
        if (c.id == id) return &c;
    return nullptr;
}

struct RepeatBinding {
    int id, icon;
    Nudge nudge;
};
const RepeatBinding kRepeats[8] = {
    {IDC_WIDER, IDI_X_PLUS, Nudge::Wider},          {IDC_NARROWER, IDI_X_MINUS, Nudge::Narrower},
    {IDC_FONT_LARGER, IDI_Y_PLUS, Nudge::FontLarger}, {IDC_FONT_SMALLER, IDI_Y_MINUS, Nudge::FontSmaller},
    {IDC_UP, IDI_UP, Nudge::Up},                    {IDC_DOWN, IDI_DOWN, Nudge::Down},
    {IDC_LEFT, IDI_LEFT, Nudge::Left},              {IDC_RIGHT, IDI_RIGHT, Nudge::Right},
};

struct CornerBinding {
    int id, icon;
    Corner corner;
};
const CornerBinding kCorners[] = {
    {IDC_TOP_LEFT, IDI_CORNER_TOP_LEFT, Corner::TopLeft},
    {IDC_TOP_RIGHT, IDI_CORNER_TOP_RIGHT, Corner::TopRight},
    {IDC_BOTTOM_LEFT, IDI_CORNER_BOTTOM_LEFT, Corner::BottomLeft},
    {IDC_BOTTOM_RIGHT, IDI_CORNER_BOTTOM_RIGHT, Corner::BottomRight},
};

struct SourceRadio {
    int id;
    ContentSource source;
};
const SourceRadio kSourceRadios[] = {
    {IDC_SOURCE_STRINGS, ContentSource::Strings},
    {IDC_SOURCE_FILES, ContentSource::TextFile},
    {IDC_SOURCE_RSS, ContentSource::Feed},
};

struct ToolText {
    int id;
    const wchar_t* text;
};
const ToolText kToolTexts[] = {
    {IDC_SOURCE_STRINGS, L"Режим вывода отдельной строки"},
    {IDC_SOURCE_FILES, L"Режим вывода строк из файла"},
    {IDC_SOURCE_RSS, L"Режим работы с RSS-лентой"},
    {IDC_STRINGS, L"Список независимых строк"},
    {IDC_FILES, L"Список файлов строк"},
    {IDC_URLS, L"Список ссылок на RSS-ленты"},
    {IDC_DATE, L"Показывать дату публикации RSS-сообщения"},
    {IDC_TIME, L"Показывать время публикации RSS-сообщения"},
    {IDC_TITLE, L"Показывать заголовок RSS-сообщения"},
    {IDC_DESCRIPTION, L"Показывать блок RSS-сообщения"},
    {IDC_LATEST_NEWS, L"Показывать только новые сообщения"},
    {IDC_REPEAT, L"Количество показов строки ( 0 - непрерывная строка )"},
    {IDC_AUTO_UPDATE, L"Частота обновлений RSS-ленты ( 0 - автообновление отключено )"},
    {IDC_HOTKEY, L"Сочетание клавиш для запуска/остановки строки"},
    {IDC_ADD_FILE, L"Выбрать и добавить текстовый файл"},
    {IDC_START_STOP, L"Запустить/остановить строку"},
    {IDC_ALL_FEEDS, L"Показывать новости всех лент списка в одной строке"},
    {IDC_SOURCE_LABEL, L"Показывать перед новостью название её ленты"},
    {IDC_MAX_AGE, L"Не показывать новости старше заданного числа часов ( 0 - без ограничения )"},
    {IDC_ANNOUNCE, L"Показывать строки списка между новостями через заданное число новостей ( 0 - не показывать )"},
    {IDC_URGENT_TEXT, L"Текст срочного сообщения"},
    {IDC_URGENT_SEND, L"Показать срочное сообщение в ближайшем промежутке строки"},
    {IDC_URGENT_TEXT_COLOR, L"Цвет текста срочного сообщения"},
    {IDC_URGENT_BACK_COLOR, L"Цвет фона срочного сообщения"},
    {IDC_URGENT_REPEAT, L"Сколько раз подряд показать срочное сообщение"},
    {IDC_DIRECTION, L"Строка движется вправо, каждое сообщение входит с левого края ( для арабского и иврита )"},
    {IDC_CONTROL_PORT, L"Порт управления строкой по HTTP ( 0 - управление выключено )"},
    {IDC_CONTROL_KEY, L"Ключ, который должен предъявить каждый запрос ( пусто - без ключа )"},
    {IDC_CONTROL_LAN, L"Принимать запросы из сети, а не только с этого компьютера ( нужен ключ не короче 12 символов; "
                      L"по сети запросы идут открытым HTTP )"},
};

// The longest control key the edit takes.
constexpr int kKeyLength = 128;

// A static picture made from a template loads its bitmap itself and never
// deletes it: each one is taken back and deleted while its dialog goes.
void DeleteStaticPictures(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[8] = {};
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP || !GetClassNameW(child, cls, 8) ||
            lstrcmpiW(cls, L"Static") != 0)
            continue;
        if (HGDIOBJ picture = HGDIOBJ(SendMessageW(child, STM_SETIMAGE, IMAGE_BITMAP, 0))) DeleteObject(picture);
    }
}

INT_PTR CALLBACK AboutProcedure(HWND box, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_DESTROY) {
        DeleteStaticPictures(box);
        return FALSE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(box, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

// The combos' drop-down lists are as tall as their windows in the template
// (one line); they open to this many lines instead.
constexpr int kComboListLines = 10;

}  // namespace

void FlashWindowTimes(HWND window, int times) {
    for (int i = 0; i < 2 * times; ++i) {
        FlashWindow(window, TRUE);
        Sleep(60);
    }
}

void SettingsDialog::Show(HWND host) {
    if (HWND open = Window()) {
        SetActiveWindow(open);
        SetFocus(open);
        FlashWindowTimes(open, 4);
        return;
    }
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS |
                                                        ICC_HOTKEY_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    host_ = host && IsWindow(host) ? host : nullptr;
    if (Create(module_, IDD_SETTINGS, host_)) ShowWindow(Window(), SW_SHOW);
}

void SettingsDialog::Close() {
    // Destroying the owner ends its owned modal windows (About, file dialog) first.
    Destroy();
}

bool SettingsDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
    switch (message) {
    case WM_INITDIALOG: *result = OnInitDialog(); return true;
    case WM_UPDATE_CONTROLS: OnUpdateControls(wParam); return true;
    case WM_AUTOREPEAT: OnAutoRepeat(int(wParam), int32_t(lParam)); return true;
    case WM_NUMBER_ACCEPTED: OnNumber(int(wParam), int32_t(lParam)); return true;
    case WM_CLOSE: Destroy(); return true;
    case WM_DESTROY: OnDestroy(); return true;
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); *result = TRUE; return true;
    case WM_DRAWITEM: OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); *result = TRUE; return true;
    case WM_HSCROLL: OnSpeed(HWND(lParam)); return false;  // the default handling follows
    case WM_VSCROLL: OnSpin(HWND(lParam), LOWORD(wParam), short(HIWORD(wParam))); return false;
    case DM_GETDEFID:
        // Enter sends IDOK, which closes nothing; a focused button still works by Enter.
        SetResult(MAKELONG(IDOK, DC_HASDEFID));
        *result = TRUE;
        return true;
    }
    return false;
}

BOOL SettingsDialog::OnInitDialog() {
    sink_.SetWindow(Window());
    control_.ConnectDialog(&sink_);
    const TickerSettings s = control_.Settings();

    RECT d, h;
    GetWindowRect(Window(), &d);
    if (!host_ || !GetWindowRect(host_, &h)) SetRect(&h, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    int32_t storedX, storedY, x, y;
    control_.DialogPosition(&storedX, &storedY);
    PlaceDialog(storedX, storedY, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                Rect{d.left, d.top, d.right, d.bottom}, Rect{h.left, h.top, h.right, h.bottom}, &x, &y);
    if (x != storedX || y != storedY) control_.SetDialogPosition(x, y);
    SetWindowPos(Window(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    for (int i = 0; i < 8; ++i)
        repeats_[i].Setup(kRepeats[i].id, Window(), module_, kRepeats[i].icon, WM_AUTOREPEAT, kDialogRepeatTable, 6);
    for (const CornerBinding& c : kCorners) SetIcon(c.id, c.icon);
    SetIcon(IDC_ADD_FILE, IDI_FOLDER);

    static_assert(std::size(kSpins) == sizeof edits_ / sizeof edits_[0], "one numeric edit per spin binding");
    for (size_t i = 0; i < std::size(kSpins); ++i) {
        const SpinBinding& b = kSpins[i];
        const SettingRange range = RangeOf(b.value);
        edits_[i].Setup(b.edit, Window(), Item(b.spin), int32_t(range.min), int32_t(range.max), b.digits, s.*b.value);
    }
    SendMessageW(Item(IDC_SPEED), TBM_SETRANGE, TRUE, MAKELONG(1, 8));
    const SettingRange port = RangeOf(&TickerSettings::ControlPort);
    portEdit_.Setup(IDC_CONTROL_PORT, Window(), nullptr, int32_t(port.min), int32_t(port.max), 5, s.ControlPort,
                    port.orZero);
    SendMessageW(Item(IDC_CONTROL_KEY), EM_LIMITTEXT, kKeyLength, 0);
    SetWindowTextW(Item(IDC_CONTROL_KEY), Widen(s.ControlKey).c_str());

    FillCombo(IDC_STRINGS, control_.List(ContentList::Strings), s.StrIdx);
    FillCombo(IDC_FILES, control_.List(ContentList::Files), s.FileIdx);
    FillCombo(IDC_URLS, control_.List(ContentList::Urls), s.URLIdx);
    for (const ComboBinding& c : kCombos) {
        RECT r;
        HWND combo = Item(c.id);
        GetWindowRect(combo, &r);
        const int line = int(SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0));
        SetWindowPos(combo, nullptr, 0, 0, r.right - r.left, (r.bottom - r.top) + line * kComboListLines,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    if (toolTip_.Create(Window())) {
        for (const ToolText& t : kToolTexts) toolTip_.AddTool(Item(t.id), t.text);
        toolTip_.Activate(true);
    }
    navigation_.Start(Window());
    PostMessageW(Window(), WM_UPDATE_CONTROLS, UPDATE_ALL, 0);
    return TRUE;
}

void SettingsDialog::FillCombo(int id, const StringList& list, int32_t index) {
    HWND combo = Item(id);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string& entry : list) SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(Widen(entry).c_str()));
    SendMessageW(combo, CB_SETCURSEL, WPARAM(index), 0);
}

void SettingsDialog::SetIcon(int id, int icon) {
    HANDLE image = LoadImageW(module_, MAKEINTRESOURCEW(icon), IMAGE_ICON, 0, 0, LR_SHARED);
    if (image) SendMessageW(Item(id), BM_SETIMAGE, IMAGE_ICON, LPARAM(image));
}

void SettingsDialog::OnUpdateControls(WPARAM part) {
    if (part > UPDATE_LISTS) return;
    const TickerSettings s = control_.Settings();
    if (part == UPDATE_ALL) {
        SendMessageW(Item(IDC_HOTKEY), HKM_SETHOTKEY, WPARAM(s.StartHotKey & 0xFFFF), 0);
        for (const CheckBinding& c : kChecks) CheckDlgButton(Window(), c.id, s.*c.value);
        RedrawWindow(Item(IDC_FONT), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        for (const SwatchBinding& b : kSwatches)
            RedrawWindow(Item(b.id), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        SendMessageW(Item(IDC_SPEED), TBM_SETPOS, TRUE, s.Speed);
    }
    if (part == UPDATE_ALL || part == UPDATE_RUNSTATE) SetIcon(IDC_START_STOP, s.LineOn ? IDI_STOP : IDI_PLAY);
    if (part == UPDATE_ALL || part == UPDATE_SPEED) SetDlgItemInt(Window(), IDC_SPEED_TEXT, UINT(s.Speed), TRUE);
    if (part == UPDATE_ALL || part == UPDATE_LISTS) {
        // The control endpoint changes lists and selections too; a list the
        // user is editing is left alone, and commits against the engine's.
        HWND focus = GetFocus();
        for (const ComboBinding& c : kCombos) {
            HWND combo = Item(c.id);
            if (focus != combo && !IsChild(combo, focus)) FillCombo(c.id, control_.List(c.list), s.*c.index);
        }
    }
    if (part == UPDATE_ALL || part == UPDATE_SOURCE) {
        const ContentSource source = s.Source();
        for (const SourceRadio& r : kSourceRadios)
            if (source == r.source) CheckRadioButton(Window(), IDC_SOURCE_STRINGS, IDC_SOURCE_RSS, r.id);
        EnableWindow(Item(IDC_STRINGS), source == ContentSource::Strings);
        for (int id : {IDC_FILES, IDC_ADD_FILE}) EnableWindow(Item(id), source == ContentSource::TextFile);
        // Disabling a numeric edit disables its spin too.
        for (int id : kFeedControls) EnableWindow(Item(id), source == ContentSource::Feed);
    }
}

void SettingsDialog::OnAutoRepeat(int id, int32_t step) {
    for (const RepeatBinding& r : kRepeats)
        if (r.id == id) control_.NudgeBand(r.nudge, step);
}

void SettingsDialog::OnCommand(int id, int code) {
    // The table of the dialog's controls and what each one does; check boxes
    // and combo boxes by their bindings.
    if (code == BN_CLICKED) {
        if (const CheckBinding* c = CheckOf(id)) {
            control_.Set(c->value, Checked(Window(), id) ? 1 : 0);
            return;
        }
        switch (id) {
        case IDC_CANCEL: PostMessageW(Window(), WM_CLOSE, 0, 0); return;
        case IDC_CLOSE: Destroy(); return;
        case IDC_ABOUT: OnAbout(); return;
        case IDC_TOP_LEFT: case IDC_TOP_RIGHT: case IDC_BOTTOM_LEFT: case IDC_BOTTOM_RIGHT: OnCorner(id); return;
        case IDC_SOURCE_STRINGS: case IDC_SOURCE_FILES: case IDC_SOURCE_RSS: OnSource(); return;
        case IDC_ADD_FILE: OnAddFile(); return;
        case IDC_START_STOP: control_.ToggleLine(); return;
        case IDC_FONT: OnFont(); return;
        case IDC_TEXT_COLOR: case IDC_BACK_COLOR: case IDC_URGENT_TEXT_COLOR: case IDC_URGENT_BACK_COLOR: OnColor(id); return;
        case IDC_URGENT_SEND: OnUrgent(); return;
        default: break;  // IDOK and IDCANCEL (Enter, Escape) close nothing
        }
    }
    if (id == IDC_CONTROL_KEY) OnKey(code);
    if (ComboOf(id)) OnCombo(id, code);
}

void SettingsDialog::OnCorner(int id) {
    for (const CornerBinding& c : kCorners)
        if (c.id == id) control_.SnapToCorner(c.corner);
}

void SettingsDialog::OnSource() {
    ContentSource source = control_.Settings().Source();
    for (const SourceRadio& r : kSourceRadios)
        if (Checked(Window(), r.id)) source = r.source;  // the last one found set wins
    control_.Set(&TickerSettings::StringSource, int64_t(source));
}

void SettingsDialog::OnCombo(int id, int code) {
    const ComboBinding& c = *ComboOf(id);
    HWND combo = Item(id);
    const LRESULT selection = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (code == CBN_SELCHANGE) {
        if (selection != CB_ERR) control_.Set(c.index, int32_t(selection));
        return;
    }
    if ((code != CBN_DROPDOWN && code != CBN_KILLFOCUS) || selection != CB_ERR) return;
    // The user has typed into the edit field.
    StringList list = control_.List(c.list);
    const int32_t index = CommitComboEdit(list, control_.Settings().*c.index, Narrow(WindowText(combo).c_str()));
    control_.SetList(c.list, list);
    control_.Set(c.index, index);
    FillCombo(id, list, index);
}

void SettingsDialog::OnAddFile() {
    if (!openFileReady_) {
        openFile_.lStructSize = sizeof openFile_;
        openFileReady_ = true;
    }
    openFile_.hwndOwner = Window();  // the settings dialog is disabled under it
    openFile_.lpstrFilter = L"Текстовые файлы (*.txt)\0*.txt\0";
    openFile_.lpstrDefExt = L"txt";
    openFile_.nFilterIndex = 1;
    openFile_.lpstrFile = openFileName_;
    openFile_.nMaxFile = MAX_PATH;
    openFile_.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER;
    openFileName_[0] = 0;
    BOOL chosen;
    {
        const ModalScope modal(modalDepth_);
        chosen = GetOpenFileNameW(&openFile_);
    }
    if (!chosen || !Window()) return;  // cancelled, or the dialog was closed meanwhile
    StringList files = control_.List(ContentList::Files);
    const int32_t index = AddFileToList(files, Narrow(openFileName_));
    control_.SetList(ContentList::Files, files);
    control_.Set(&TickerSettings::FileIdx, index);
    FillCombo(IDC_FILES, files, index);
}

void SettingsDialog::OnAbout() {
    const ModalScope modal(modalDepth_);
    DialogBoxParamW(module_, MAKEINTRESOURCEW(IDD_ABOUT), Window(), AboutProcedure, 0);
}

void SettingsDialog::OnSpeed(HWND sender) {
    if (sender && sender == Item(IDC_SPEED))
        control_.Set(&TickerSettings::Speed, int32_t(SendMessageW(sender, TBM_GETPOS, 0, 0)));
}

void SettingsDialog::OnSpin(HWND sender, int code, int position) {
    if (code != SB_THUMBPOSITION || !sender) return;
    for (size_t i = 0; i < std::size(kSpins); ++i) {
        if (sender != Item(kSpins[i].spin)) continue;
        edits_[i].SetValue(position);
        control_.Set(kSpins[i].value, position);
    }
}

void SettingsDialog::OnNumber(int id, int32_t value) {
    if (id == IDC_CONTROL_PORT) control_.Set(&TickerSettings::ControlPort, value);
}

void SettingsDialog::OnKey(int code) {
    HWND edit = Item(IDC_CONTROL_KEY);
    if (code == EN_CHANGE) {
        // What a request could not present is refused as it is typed or pasted.
        const std::wstring typed = WindowText(edit);
        const std::u16string kept = KeyCharacters(std::u16string(typed.begin(), typed.end()));
        if (kept.size() == typed.size()) return;
        DWORD caret = 0;
        SendMessageW(edit, EM_GETSEL, WPARAM(&caret), 0);
        SetWindowTextW(edit, std::wstring(kept.begin(), kept.end()).c_str());
        const DWORD at = DWORD(std::min<size_t>(caret, kept.size()));
        SendMessageW(edit, EM_SETSEL, at, at);
        MessageBeep(MB_ICONWARNING);
    } else if (code == EN_KILLFOCUS) {
        CommitKey();
    }
}

void SettingsDialog::CommitKey() {
    if (HWND edit = Item(IDC_CONTROL_KEY)) control_.SetText(&TickerSettings::ControlKey, Narrow(WindowText(edit).c_str()));
}

void SettingsDialog::OnDrawItem(const DRAWITEMSTRUCT& item) {
    const TickerSettings s = control_.Settings();
    if (item.CtlID == IDC_FONT) DrawFontButton(item, Widen(s.FontName));
    else if (const SwatchBinding* b = SwatchOf(int(item.CtlID))) DrawSwatch(item, s.*(b->color));
}

void SettingsDialog::OnUrgent() {
    std::wstring text = WindowText(Item(IDC_URGENT_TEXT));
    // A pasted line break, tab or other control character is a blank on
    // air; nothing else of the line is changed.
    for (wchar_t& c : text)
        if (IsControlChar(char16_t(c))) c = L' ';
    if (text.find_first_not_of(L' ') == std::wstring::npos) return;
    control_.OfferUrgent(std::u16string(text.begin(), text.end()), 0);
}

void SettingsDialog::OnFont() {
    struct LiveApply final : FontApplier {
        TickerControl& control;
        explicit LiveApply(TickerControl& c) : control(c) {}
        void Apply(const FontSpec& font) override { control.SetFont(font); }
    } applier(control_);
    const TickerSettings s = control_.Settings();
    const FontSpec before = FontSpecFrom(s);
    FontSpec chosen;
    bool ok;
    {
        const ModalScope modal(modalDepth_);
        ok = ChooseTickerFont(Window(), before, s.TextColor, applier, &chosen);
    }
    // Cancel undoes the Apply presses and nothing else: what changed meanwhile
    // elsewhere (the line stopping, a newer feed stamp) stays.
    control_.SetFont(ok ? chosen : before);
}

void SettingsDialog::OnColor(int id) {
    const SwatchBinding* b = SwatchOf(id);
    if (!b) return;
    uint32_t color = control_.Settings().*(b->color);
    bool ok;
    {
        const ModalScope modal(modalDepth_);
        ok = ChooseTickerColor(Window(), &color);
    }
    if (ok) control_.Set(b->color, color);
    else if (Window()) PostMessageW(Window(), WM_UPDATE_CONTROLS, UPDATE_ALL, 0);  // the swatches are redrawn
}

void SettingsDialog::OnDestroy() {
    DeleteStaticPictures(Window());
    CommitKey();  // closed with the key still being typed
    control_.Set(&TickerSettings::StartHotKey, int64_t(SendMessageW(Item(IDC_HOTKEY), HKM_GETHOTKEY, 0, 0) & 0xFFFF));
    RECT r;
    if (GetWindowRect(Window(), &r)) control_.SetDialogPosition(r.left, r.top);
    navigation_.Stop();
    control_.ConnectDialog(nullptr);
    sink_.SetWindow(nullptr);
    host_ = nullptr;
}
