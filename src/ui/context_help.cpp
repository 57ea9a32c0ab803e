#include "ui/context_help.h"

#include "base/guards.h"
#include "ui/help_ids.h"

// The pair tables that HELP_WM_HELP and HELP_CONTEXTMENU take are DWORD pairs;
// HelpIdTable is declared with the portable type of the same width.
static_assert(sizeof(DWORD) == sizeof(uint32_t));

namespace {

constexpr int PopupTextWidth = 320;
constexpr int PopupMargin = 8;
constexpr int PopupGap = 4;
constexpr UINT_PTR WhatsThisCommand = 1;
constexpr DWORD PopupStyle = WS_POPUP | WS_BORDER;
constexpr DWORD PopupExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
// The classic tooltip colours, fixed: some colour schemes make the info
// background plain white, and the pop-up should read as help at a glance.
constexpr COLORREF PopupBackground = RGB(255, 255, 225);
constexpr COLORREF PopupTextColour = RGB(0, 0, 0);

// The one pop-up on screen, or null. Cleared before the window is destroyed so
// that the messages sent during destruction cannot close it a second time.
HWND CurrentPopup = nullptr;

HFONT PopupFont()
{
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void ClosePopup(HWND popup)
{
    if (popup == nullptr || popup != CurrentPopup)
        return;
    CurrentPopup = nullptr;
    DestroyWindow(popup);
}

void PaintPopup(HWND popup)
{
    char text[1024];
    GetWindowTextA(popup, text, sizeof text);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(popup, &paint);
    RECT area;
    GetClientRect(popup, &area);
    InflateRect(&area, -PopupMargin, -PopupMargin);
    HGDIOBJ oldFont = SelectObject(dc, PopupFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, PopupTextColour);
    DrawTextA(dc, text, -1, &area, DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    EndPaint(popup, &paint);
}

void EraseBackground(HWND popup, HDC dc)
{
    RECT area;
    GetClientRect(popup, &area);
    // The stock DC brush takes any colour without creating a GDI object.
    SetDCBrushColor(dc, PopupBackground);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

LRESULT CALLBACK HelpPopupProc(HWND popup, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        EraseBackground(popup, reinterpret_cast<HDC>(wParam));
        return TRUE;
    case WM_PAINT:
        PaintPopup(popup);
        return 0;
    // The pop-up holds the capture, so a click anywhere on the screen lands here.
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        ClosePopup(popup);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            ClosePopup(popup);
        return 0;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != popup)
            ClosePopup(popup);
        return 0;
    case WM_DESTROY:
        // Destroyed with its owner rather than by ClosePopup.
        if (CurrentPopup == popup)
            CurrentPopup = nullptr;
        if (GetCapture() == popup)
            ReleaseCapture();
        return 0;
    }
    return DefWindowProcA(popup, message, wParam, lParam);
}

bool RegisterPopupClass(HINSTANCE instance)
{
    WNDCLASSA existing;
    if (GetClassInfoA(instance, HelpPopupClassName, &existing))
        return true;
    WNDCLASSA windowClass = {};
    windowClass.style = CS_SAVEBITS;
    windowClass.lpfnWndProc = HelpPopupProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.lpszClassName = HelpPopupClassName;
    return RegisterClassA(&windowClass) != 0;
}

// Size of the pop-up's window for a text: 320 pixels of text at most per line,
// as many lines as the words need.
SIZE MeasurePopup(HWND popup, const char *text)
{
    RECT textArea = {0, 0, PopupTextWidth, 0};
    WindowDC screen(popup);
    if (screen.dc) {
        HGDIOBJ oldFont = SelectObject(screen.dc, PopupFont());
        DrawTextA(screen.dc, text, -1, &textArea, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(screen.dc, oldFont);
    }
    RECT frame = {0, 0, textArea.right + 2 * PopupMargin, textArea.bottom + 2 * PopupMargin};
    AdjustWindowRectEx(&frame, PopupStyle, FALSE, PopupExStyle);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

enum class Placement { NearAnchor, CentredOnAnchor };

// Top-left corner for a pop-up of the given size: below the anchor, or above it
// when there is no room below, or centred on it; always inside the work area of
// the anchor's monitor.
POINT PlacePopup(const RECT &anchor, SIZE size, Placement placement)
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromRect(&anchor, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT &work = monitor.rcWork;

    POINT corner;
    if (placement == Placement::CentredOnAnchor) {
        corner.x = (anchor.left + anchor.right - size.cx) / 2;
        corner.y = (anchor.top + anchor.bottom - size.cy) / 2;
    } else {
        corner.x = anchor.left;
        corner.y = anchor.bottom + PopupGap;
        if (corner.y + size.cy > work.bottom)
            corner.y = anchor.top - PopupGap - size.cy;
    }
    if (corner.x + size.cx > work.right)
        corner.x = work.right - size.cx;
    if (corner.x < work.left)
        corner.x = work.left;
    if (corner.y + size.cy > work.bottom)
        corner.y = work.bottom - size.cy;
    if (corner.y < work.top)
        corner.y = work.top;
    return corner;
}

// Shows the text of a help context next to anchor, replacing any pop-up already
// shown. Returns false when the context has no text or the window could not be
// made.
bool ShowTopicPopup(HWND requester, uint32_t helpContext, const RECT &anchor, Placement placement)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    uint16_t stringId = HelpTextStringId(helpContext);
    char text[1024];
    if (stringId == 0 || LoadStringA(instance, stringId, text, sizeof text) <= 0)
        return false;
    if (!RegisterPopupClass(instance))
        return false;

    ClosePopup(CurrentPopup);
    HWND owner = requester ? GetAncestor(requester, GA_ROOT) : nullptr;
    HWND popup = CreateWindowExA(PopupExStyle, HelpPopupClassName, text, PopupStyle, 0, 0, 0, 0, owner, nullptr,
                                 instance, nullptr);
    if (popup == nullptr)
        return false;
    CurrentPopup = popup;

    SIZE size = MeasurePopup(popup, text);
    POINT corner = PlacePopup(anchor, size, placement);
    SetWindowPos(popup, HWND_TOPMOST, corner.x, corner.y, size.cx, size.cy, SWP_SHOWWINDOW);
    // Activated and holding the capture, so that the next key or click anywhere
    // reaches the pop-up and closes it.
    SetForegroundWindow(popup);
    SetFocus(popup);
    SetCapture(popup);
    UpdateWindow(popup);
    return true;
}

RECT CursorAnchor()
{
    POINT cursor;
    GetCursorPos(&cursor);
    return {cursor.x, cursor.y, cursor.x + 1, cursor.y + 1};
}

// A window topic: centred on the window that asked when it is on screen (a page
// or a dialog), otherwise at the cursor (the hidden command window of the tray).
bool ShowWindowTopicPopup(HWND window, uint32_t topic)
{
    if (window && IsWindowVisible(window) && !IsIconic(GetAncestor(window, GA_ROOT))) {
        RECT frame;
        GetWindowRect(window, &frame);
        return ShowTopicPopup(window, topic, frame, Placement::CentredOnAnchor);
    }
    return ShowTopicPopup(window, topic, CursorAnchor(), Placement::NearAnchor);
}

bool HasClass(HWND window, const char *className)
{
    char name[32];
    return GetClassNameA(window, name, sizeof name) > 0 && lstrcmpiA(name, className) == 0;
}

bool IsGroupBox(HWND window)
{
    return HasClass(window, "Button") && (GetWindowLongA(window, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

// Labels, group boxes and disabled controls take no mouse input, so a right
// click on them reaches the dialog itself: find the control at the click,
// preferring a control to the group box that frames it.
HWND ControlUnderCursor(HWND dialog, POINT cursor)
{
    HWND groupBox = nullptr;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT frame;
        if (!IsWindowVisible(child) || !GetWindowRect(child, &frame) || !PtInRect(&frame, cursor))
            continue;
        if (!IsGroupBox(child))
            return child;
        if (groupBox == nullptr)
            groupBox = child;
    }
    return groupBox ? groupBox : dialog;
}

// The control whose topic a help request is about. The edit field of a drop-down
// combo box is a child with an id of its own (1001 in the system's combo box,
// which is also the model-number field), so it stands for its combo box.
HWND HelpControl(HWND window)
{
    HWND parent = GetParent(window);
    if (parent && HasClass(parent, "ComboBox"))
        return parent;
    return window;
}

uint32_t FindContextIn(const uint32_t *pairs, HWND control)
{
    int controlId = GetDlgCtrlID(control);
    if (pairs == nullptr || controlId == 0)
        return 0;
    for (; pairs[0] != 0; pairs += 2) {
        if (pairs[0] == static_cast<uint32_t>(controlId))
            return pairs[1];
    }
    return 0;
}

bool HasTopic(uint32_t helpContext)
{
    return helpContext != 0 && helpContext != NoHelpContext;
}

BOOL ShowControlTopic(HWND control, uint32_t helpContext)
{
    if (!HasTopic(helpContext))
        return TRUE;
    RECT frame;
    GetWindowRect(control, &frame);
    return ShowTopicPopup(control, helpContext, frame, Placement::NearAnchor) ? TRUE : FALSE;
}

// Where the click or key that asked for the menu happened; the cursor may have
// moved on since.
POINT RequestPosition()
{
    DWORD position = GetMessagePos();
    return {static_cast<SHORT>(LOWORD(position)), static_cast<SHORT>(HIWORD(position))};
}

// "What's This?" at the cursor; a control without help gets no menu, since its
// only item would lead nowhere.
BOOL OfferWhatsThis(HWND window, const uint32_t *pairs)
{
    POINT cursor = RequestPosition();
    HWND control = window;
    if (HasClass(window, "#32770"))
        control = ControlUnderCursor(window, cursor);
    control = HelpControl(control);
    uint32_t helpContext = FindContextIn(pairs, control);
    if (!HasTopic(helpContext))
        return TRUE;

    PopupMenu menu;
    if (menu.handle == nullptr || !AppendMenuA(menu.handle, MF_STRING, WhatsThisCommand, "&What's This?"))
        return FALSE;
    UINT chosen = static_cast<UINT>(TrackPopupMenu(menu.handle, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                                   cursor.x, cursor.y, 0, GetAncestor(window, GA_ROOT), nullptr));
    if (chosen != WhatsThisCommand)
        return TRUE;
    return ShowControlTopic(control, helpContext);
}

}  // namespace

BOOL ShowHelp(HWND window, const char *, UINT command, ULONG_PTR data)
{
    const uint32_t *pairs = reinterpret_cast<const uint32_t *>(data);
    switch (command) {
    case HELP_CONTEXTPOPUP:
        return ShowWindowTopicPopup(window, static_cast<uint32_t>(data)) ? TRUE : FALSE;
    case HELP_WM_HELP: {
        if (window == nullptr)
            return FALSE;
        HWND control = HelpControl(window);
        return ShowControlTopic(control, FindContextIn(pairs, control));
    }
    case HELP_CONTEXTMENU:
        if (window == nullptr)
            return FALSE;
        return OfferWhatsThis(window, pairs);
    }
    return FALSE;
}

INT_PTR AnswerHelp(const HELPINFO *info)
{
    // F1 in an open menu names a menu item, which has no topic.
    if (info && info->iContextType == HELPINFO_WINDOW)
        ShowHelp(static_cast<HWND>(info->hItemHandle), HelpFileName, HELP_WM_HELP,
                 reinterpret_cast<ULONG_PTR>(HelpIdTable));
    return TRUE;
}

INT_PTR AnswerContextMenu(HWND control)
{
    ShowHelp(control, HelpFileName, HELP_CONTEXTMENU, reinterpret_cast<ULONG_PTR>(HelpIdTable));
    return TRUE;
}

INT_PTR ShowWindowTopic(HWND window, uint32_t topic)
{
    ShowHelp(window, HelpFileName, HELP_CONTEXTPOPUP, topic);
    return TRUE;
}
