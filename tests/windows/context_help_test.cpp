// The built-in help engine against real windows, keys and clicks (under Wine).
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

#include "ui/context_help.h"
#include "ui/help_ids.h"

namespace {

constexpr uint32_t ModelNumberTopic = 0x806B03E9;
// Undocumented but long stable: what the system makes of an F1 key press before
// it becomes WM_HELP. The SDK headers do not name it.
constexpr UINT KeyF1Message = 0x004D;

// Empty dialog template: the controls are added as child windows, so the
// dialog is a real "#32770" with the system's dialog procedure around ours.
struct EmptyDialogTemplate {
    DLGTEMPLATE header;
    WORD menu;
    WORD windowClass;
    WORD title;
};

INT_PTR CALLBACK HelpAwareDlgProc(HWND, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:  return TRUE;
    case WM_HELP:        return AnswerHelp(reinterpret_cast<HELPINFO *>(lParam));
    case WM_CONTEXTMENU: return AnswerContextMenu(reinterpret_cast<HWND>(wParam));
    }
    return FALSE;
}

std::string TopicText(uint32_t helpContext)
{
    char text[1024] = "";
    uint16_t stringId = HelpTextStringId(helpContext);
    if (stringId == 0 || LoadStringA(GetModuleHandleA(nullptr), stringId, text, sizeof text) <= 0)
        return std::string();
    return text;
}

HWND FindPopup()
{
    return FindWindowA(HelpPopupClassName, nullptr);
}

std::string WindowText(HWND window)
{
    char text[1024] = "";
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

BOOL CALLBACK CountPopup(HWND window, LPARAM count)
{
    char name[64];
    if (GetClassNameA(window, name, sizeof name) > 0 && lstrcmpA(name, HelpPopupClassName) == 0)
        ++*reinterpret_cast<int *>(count);
    return TRUE;
}

int PopupCount()
{
    int count = 0;
    EnumWindows(CountPopup, reinterpret_cast<LPARAM>(&count));
    return count;
}

// Runs the message loop the way the program's own loop does, for a while.
void Pump(HWND dialog, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (dialog && IsDialogMessageA(dialog, &message))
                continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

void SendKey(WORD key)
{
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = key;
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

// Each event carries its own position, so the click lands where it is aimed
// even while an earlier cursor move is still being delivered.
void ClickAt(POINT screen, bool right)
{
    INPUT inputs[3] = {};
    const DWORD down = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    const DWORD up = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    const DWORD buttons[3] = {0, down, up};
    for (int i = 0; i < 3; i++) {
        inputs[i].type = INPUT_MOUSE;
        inputs[i].mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        inputs[i].mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
        inputs[i].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons[i];
    }
    SendInput(3, inputs, sizeof(INPUT));
}

POINT CentreOf(HWND window)
{
    RECT frame;
    GetWindowRect(window, &frame);
    return {(frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2};
}

HELPINFO HelpInfoFor(HWND control)
{
    HELPINFO info = {};
    info.cbSize = sizeof info;
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = GetDlgCtrlID(control);
    info.hItemHandle = control;
    GetCursorPos(&info.MousePos);
    return info;
}

// What the menu watcher saw while "What's This?" was tracked, and what it did.
struct MenuWatch {
    bool choose = false;
    bool sawMenu = false;
    char firstItem[64] = "";
    bool acted = false;
};
MenuWatch Watch;

// Runs inside the menu's modal loop: records the open menu, then picks its item
// with the keyboard or cancels it.
void CALLBACK WatchMenu(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND menuWindow = FindWindowA("#32768", nullptr);
    if (menuWindow == nullptr || !IsWindowVisible(menuWindow) || Watch.acted)
        return;
    KillTimer(nullptr, timer);
    Watch.sawMenu = true;
    Watch.acted = true;
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, 0x01E1 /* MN_GETHMENU */, 0, 0));
    if (menu)
        GetMenuStringA(menu, 0, Watch.firstItem, sizeof Watch.firstItem, MF_BYPOSITION);
    if (Watch.choose) {
        SendKey(VK_DOWN);
        SendKey(VK_RETURN);
    } else {
        SendKey(VK_ESCAPE);
    }
}

class ContextHelp : public ::testing::Test {
protected:
    HWND dialog = nullptr;
    HWND modelLabel = nullptr;
    HWND modelField = nullptr;
    HWND commandsGroup = nullptr;
    HWND acknowledgeBox = nullptr;
    HWND driveList = nullptr;

    void SetUp() override
    {
        EmptyDialogTemplate layout = {};
        layout.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
        layout.header.cx = 240;
        layout.header.cy = 160;
        layout.header.x = 40;
        layout.header.y = 40;
        dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &layout.header, nullptr, HelpAwareDlgProc, 0);
        ASSERT_NE(dialog, nullptr);
        modelLabel = AddControl("STATIC", "Model number:", 0, 1020, 10, 10, 100, 16);
        modelField = AddControl("STATIC", "N/A", 0, 1001, 120, 10, 200, 16);
        commandsGroup = AddControl("BUTTON", "Commands", BS_GROUPBOX, 1103, 10, 40, 200, 90);
        acknowledgeBox = AddControl("BUTTON", "&Acknowledge", BS_AUTOCHECKBOX | WS_TABSTOP, 1031, 20, 60, 150, 20);
        driveList = AddControl("COMBOBOX", "", CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP, 1009, 10, 140, 150, 100);
        ShowWindow(dialog, SW_SHOW);
        SetForegroundWindow(dialog);
        Pump(dialog, 100);
    }

    void TearDown() override
    {
        if (HWND popup = FindPopup())
            DestroyWindow(popup);
        if (dialog)
            DestroyWindow(dialog);
        Pump(nullptr, 50);
    }

    HWND AddControl(const char *windowClass, const char *text, DWORD style, int id, int x, int y, int width,
                    int height)
    {
        HWND control = CreateWindowExA(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                                       dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                       GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(control, nullptr) << id;
        return control;
    }

    void AskHelpFor(HWND control)
    {
        HELPINFO info = HelpInfoFor(control);
        SendMessageA(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        Pump(dialog, 50);
    }

    HWND ShowAndWait(uint32_t topic)
    {
        EXPECT_EQ(ShowWindowTopic(dialog, topic), TRUE);
        Pump(dialog, 50);
        HWND popup = FindPopup();
        EXPECT_NE(popup, nullptr) << std::hex << topic;
        return popup;
    }

    std::string RightClickWithWhatsThis(HWND target, bool choose)
    {
        Watch = MenuWatch();
        Watch.choose = choose;
        UINT_PTR timer = SetTimer(nullptr, 0, 30, WatchMenu);
        ClickAt(CentreOf(target), true);
        Pump(dialog, 400);
        KillTimer(nullptr, timer);
        HWND popup = FindPopup();
        return popup ? WindowText(popup) : std::string();
    }
};

TEST_F(ContextHelp, EveryWindowAndControlTopicHasItsOwnText)
{
    std::set<std::string> texts;
    size_t topics = 0;
    for (uint32_t k = 0; k < WindowTopicCount; k++) {
        std::string text = TopicText(FirstWindowTopic + k);
        EXPECT_FALSE(text.empty()) << std::hex << FirstWindowTopic + k;
        texts.insert(text);
        topics++;
    }
    std::set<uint32_t> contexts;
    for (const uint32_t *pair = HelpIdTable; pair[0] != 0; pair += 2) {
        if (pair[1] != NoHelpContext)
            contexts.insert(pair[1]);
    }
    for (uint32_t context : contexts) {
        std::string text = TopicText(context);
        EXPECT_FALSE(text.empty()) << std::hex << context;
        texts.insert(text);
        topics++;
    }
    EXPECT_EQ(texts.size(), topics);
}

TEST_F(ContextHelp, WindowTopicShowsItsTextInAPopupOnScreen)
{
    const uint32_t topics[] = {AboutPageTopic, DrivesPageTopic, VolumesPageTopic, AlertsPageTopic,
                               LoggingPageTopic, SMARTErrorTopic, SimulatedSMARTErrorTopic, TrayHelpTopic,
                               FreeSpaceErrorTopic, MailPasswordTopic};
    for (uint32_t topic : topics) {
        HWND popup = ShowAndWait(topic);
        ASSERT_NE(popup, nullptr);
        EXPECT_TRUE(IsWindowVisible(popup));
        EXPECT_EQ(WindowText(popup), TopicText(topic));
        EXPECT_EQ(GetWindow(popup, GW_OWNER), dialog);
        EXPECT_EQ(GetForegroundWindow(), popup);
        RECT frame;
        GetWindowRect(popup, &frame);
        RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        EXPECT_GE(frame.left, screen.left);
        EXPECT_GE(frame.top, screen.top);
        EXPECT_LE(frame.right, screen.right);
        EXPECT_LE(frame.bottom, screen.bottom);
        // Long texts wrap at about 320 pixels instead of making one long line.
        EXPECT_LE(frame.right - frame.left, 360);
        EXPECT_GT(frame.bottom - frame.top, 20);
    }
    EXPECT_EQ(PopupCount(), 1);
}

TEST_F(ContextHelp, PopupIsPaintedInTooltipYellow)
{
    HWND popup = ShowAndWait(TrayHelpTopic);
    ASSERT_NE(popup, nullptr);
    UpdateWindow(popup);
    HDC dc = GetDC(popup);
    COLORREF corner = GetPixel(dc, 2, 2);
    ReleaseDC(popup, dc);
    EXPECT_EQ(corner, RGB(255, 255, 225));
}

TEST_F(ContextHelp, PopupForAControlAtTheScreensBottomEdgeOpensAboveIt)
{
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT field;
    GetWindowRect(modelField, &field);
    RECT frame;
    GetWindowRect(dialog, &frame);
    // Moves the dialog so that the field's bottom sits 10 pixels above the work
    // area's bottom and its right end 10 pixels past the right edge.
    SetWindowPos(dialog, nullptr, frame.left + (work.right + 10 - field.right),
                 frame.top + (work.bottom - 10 - field.bottom), 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Pump(dialog, 50);
    GetWindowRect(modelField, &field);
    AskHelpFor(modelField);
    HWND popup = FindPopup();
    ASSERT_NE(popup, nullptr);
    RECT shown;
    GetWindowRect(popup, &shown);
    EXPECT_LE(shown.bottom, field.top);
    EXPECT_GE(shown.top, work.top);
    EXPECT_LE(shown.right, work.right);
    EXPECT_GE(shown.left, work.left);
}

TEST_F(ContextHelp, UnknownTopicShowsNothing)
{
    EXPECT_EQ(ShowHelp(dialog, HelpFileName, HELP_CONTEXTPOPUP, FirstWindowTopic + WindowTopicCount), FALSE);
    EXPECT_EQ(ShowHelp(dialog, HelpFileName, HELP_CONTEXTPOPUP, NoHelpContext), FALSE);
    Pump(dialog, 50);
    EXPECT_EQ(FindPopup(), nullptr);
}

TEST_F(ContextHelp, HelpOnTheModelNumberLabelShowsTheFieldsTopicBelowIt)
{
    AskHelpFor(modelLabel);
    HWND popup = FindPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(WindowText(popup), TopicText(ModelNumberTopic));
    RECT label, frame;
    GetWindowRect(modelLabel, &label);
    GetWindowRect(popup, &frame);
    EXPECT_GE(frame.top, label.bottom);
    EXPECT_LE(frame.top, label.bottom + 16);

    AskHelpFor(modelField);
    popup = FindPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(WindowText(popup), TopicText(ModelNumberTopic));
}

TEST_F(ContextHelp, ControlWithoutHelpShowsNothing)
{
    AskHelpFor(commandsGroup);
    EXPECT_EQ(FindPopup(), nullptr);
    EXPECT_EQ(ShowHelp(commandsGroup, HelpFileName, HELP_WM_HELP, reinterpret_cast<ULONG_PTR>(HelpIdTable)), TRUE);
    EXPECT_EQ(FindPopup(), nullptr);
}

TEST_F(ContextHelp, F1OnTheFocusedControlShowsItsTopic)
{
    SetFocus(acknowledgeBox);
    SendKey(VK_F1);
    Pump(dialog, 300);
    HWND popup = FindPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(WindowText(popup), TopicText(FindHelpContext(1031)));
}

// What a driver in another process can post to any control, focusable or not:
// the system turns it into WM_HELP for that control, which climbs to the dialog.
TEST_F(ContextHelp, PostedF1MessageOnALabelShowsTheFieldsTopic)
{
    PostMessageA(modelLabel, KeyF1Message, 0, 0);
    Pump(dialog, 200);
    HWND popup = FindPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(WindowText(popup), TopicText(ModelNumberTopic));
}

TEST_F(ContextHelp, EditFieldOfADropDownListStandsForTheList)
{
    HWND edit = GetWindow(driveList, GW_CHILD);
    ASSERT_NE(edit, nullptr);
    AskHelpFor(edit);
    HWND popup = FindPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(WindowText(popup), TopicText(FindHelpContext(1009)));
}

TEST_F(ContextHelp, PopupClosesOnAKey)
{
    HWND popup = ShowAndWait(DrivesPageTopic);
    ASSERT_NE(popup, nullptr);
    SendKey('X');
    Pump(dialog, 200);
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_EQ(FindPopup(), nullptr);
}

TEST_F(ContextHelp, PopupClosesOnAClickOutsideIt)
{
    HWND popup = ShowAndWait(DrivesPageTopic);
    ASSERT_NE(popup, nullptr);
    RECT frame;
    GetWindowRect(popup, &frame);
    POINT outside = {frame.right + 30 < GetSystemMetrics(SM_CXSCREEN) ? frame.right + 30 : frame.left - 30,
                     frame.top + 5};
    ClickAt(outside, false);
    Pump(dialog, 200);
    EXPECT_FALSE(IsWindow(popup));
}

TEST_F(ContextHelp, PopupClosesOnAClickOnIt)
{
    HWND popup = ShowAndWait(VolumesPageTopic);
    ASSERT_NE(popup, nullptr);
    ClickAt(CentreOf(popup), false);
    Pump(dialog, 200);
    EXPECT_FALSE(IsWindow(popup));
}

TEST_F(ContextHelp, PopupClosesWhenItLosesActivation)
{
    HWND popup = ShowAndWait(AlertsPageTopic);
    ASSERT_NE(popup, nullptr);
    ReleaseCapture();
    Pump(dialog, 50);
    EXPECT_FALSE(IsWindow(popup));

    popup = ShowAndWait(AlertsPageTopic);
    ASSERT_NE(popup, nullptr);
    SetActiveWindow(dialog);
    Pump(dialog, 50);
    EXPECT_FALSE(IsWindow(popup));
}

TEST_F(ContextHelp, SecondPopupReplacesTheFirst)
{
    HWND first = ShowAndWait(LoggingPageTopic);
    ASSERT_NE(first, nullptr);
    AskHelpFor(modelField);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(PopupCount(), 1);
    HWND second = FindPopup();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(WindowText(second), TopicText(ModelNumberTopic));
    EXPECT_EQ(GetForegroundWindow(), second);
}

TEST_F(ContextHelp, WhatsThisOnALabelShowsItsFieldsTopic)
{
    std::string shown = RightClickWithWhatsThis(modelLabel, true);
    EXPECT_TRUE(Watch.sawMenu);
    EXPECT_STREQ(Watch.firstItem, "&What's This?");
    EXPECT_EQ(shown, TopicText(ModelNumberTopic));
}

TEST_F(ContextHelp, WhatsThisOnACheckBoxShowsItsTopic)
{
    std::string shown = RightClickWithWhatsThis(acknowledgeBox, true);
    EXPECT_TRUE(Watch.sawMenu);
    EXPECT_EQ(shown, TopicText(FindHelpContext(1031)));
}

TEST_F(ContextHelp, CancelledWhatsThisShowsNothing)
{
    std::string shown = RightClickWithWhatsThis(modelField, false);
    EXPECT_TRUE(Watch.sawMenu);
    EXPECT_EQ(shown, "");
    EXPECT_EQ(FindPopup(), nullptr);
}

TEST_F(ContextHelp, GroupWithoutHelpOffersNoMenu)
{
    RECT group;
    GetWindowRect(commandsGroup, &group);
    POINT empty = {group.right - 10, group.bottom - 10};
    Watch = MenuWatch();
    UINT_PTR timer = SetTimer(nullptr, 0, 30, WatchMenu);
    ClickAt(empty, true);
    Pump(dialog, 300);
    KillTimer(nullptr, timer);
    EXPECT_FALSE(Watch.sawMenu);
    EXPECT_EQ(FindPopup(), nullptr);
}

}  // namespace
