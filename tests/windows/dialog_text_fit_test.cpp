// Every text of the dialogs and pages shows whole, its own and the longest
// value its control can hold, measured with the dialog's own font: reading a
// control's text back proves nothing, since it returns the whole text however
// little is drawn.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "base/guards.h"
#include "resources/resource_ids.h"

namespace {

INT_PTR CALLBACK NoDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// How much of a control's width its text may use, by the control's kind; 0 for
// controls whose text is not drawn by them (lists, edits, sliders).
int TextRoom(HWND control, int &height, UINT &flags)
{
    RECT client;
    GetClientRect(control, &client);
    height = client.bottom;
    char className[32] = "";
    GetClassNameA(control, className, sizeof className);
    LONG style = GetWindowLongA(control, GWL_STYLE);
    flags = DT_CALCRECT | DT_EXPANDTABS;
    if (lstrcmpiA(className, "Static") == 0) {
        flags |= DT_WORDBREAK | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0) | ((style & SS_EDITCONTROL) ? DT_EDITCONTROL : 0);
        return client.right;
    }
    if (lstrcmpiA(className, "Button") != 0)
        return 0;
    switch (style & BS_TYPEMASK) {
    case BS_AUTOCHECKBOX:
    case BS_CHECKBOX:
        return client.right - GetSystemMetrics(SM_CXMENUCHECK) - 4;
    case BS_GROUPBOX:
        // The caption sits between the corner and a gap at each end.
        return client.right - 16;
    }
    if (style & BS_MULTILINE)
        flags |= DT_WORDBREAK;
    return client.right - 8;
}

// Empty when the text fits its control; otherwise what was measured.
std::string Measure(HWND control, const char *text)
{
    int height = 0;
    UINT flags = 0;
    int width = TextRoom(control, height, flags);
    if (width == 0)
        return "";
    WindowDC dc(control);
    HGDIOBJ old = SelectObject(dc.dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    RECT need = {0, 0, width, 0};
    DrawTextA(dc.dc, text, -1, &need, flags);
    SelectObject(dc.dc, old);
    if (need.right <= width && need.bottom <= height)
        return "";
    char report[640];
    snprintf(report, sizeof report, "\"%s\" needs %ldx%ld in %dx%d", text, need.right, need.bottom, width, height);
    return report;
}

// The longest values the fields take.
const char LongestStamp[] = "Wednesday, September 30, 2026 23:59:59";
const char LongestModel[] = "WDC WD2500JB-00GVC0 SPECIAL EDITION ABCD";
const char UnbrokenModel[] = "MAXTOR6Y080L0MAXTOR6Y080L0MAXTOR6Y080L0X";

struct Value {
    int templateId;
    int id;
    const char *text;
};

const Value Values[] = {
    {IDD_SMART_ERROR, IDC_ERROR_TIME, LongestStamp},
    {IDD_SIMULATED_SMART_ERROR, IDC_SIMULATED_ERROR_TIME, LongestStamp},
    {IDD_FREE_SPACE_ERROR, IDC_FREE_SPACE_TIME, LongestStamp},
    {IDD_FREE_SPACE_ERROR, IDC_FREE_SPACE_ACKNOWLEDGE, "&Acknowledge error and disable Free Space Monitoring"},
    {IDD_DRIVES_PAGE, IDC_SMART_STATUS, "Failure Likely (Simulated)"},
    {IDD_DRIVES_PAGE, IDC_DRIVE_SUMMARY, "Failure Likely (Simulated)"},
    {IDD_OFFLINE_TEST, IDC_TEST_TIME, "Time remaining: 18:12:15"},
    {IDD_OFFLINE_TEST, IDC_TEST_STATUS, "Aborted by host interruption"},
    {IDD_OFFLINE_TEST, IDC_TEST_STATUS, "Testing . . . (Attempt 10)"},
    {IDD_VOLUMES_PAGE, IDC_VOLUME_STATUS, "Free Space Error"},
    {IDD_TEST_EMAIL, IDC_TEST_MAIL_STATUS, "Server email connect error"},
    {IDD_TEST_EMAIL, IDC_TEST_MAIL_STATUS, "Password in address refused"},
    {IDD_TEST_EMAIL, IDC_TEST_MAIL_FROM, "alerts.holmvard@workstation-17.example.com"},
    {IDD_TEST_EMAIL, IDC_TEST_MAIL_TO, "storage.administrators@branch-office.example.com"},
    {IDD_TEST_EMAIL, IDC_TEST_MAIL_SERVER, "smtps://alerts%40example.com@mail.example.com:465"},
};

// Values every template with the drive parameters or the volume information shows.
const Value DriveValues[] = {
    {0, IDC_MODEL, LongestModel},         {0, IDC_MODEL, UnbrokenModel},     {0, IDC_SERIAL, "WD-WMAEP1234567890AB"},
    {0, IDC_FIRMWARE, "WWWWWWWW"},        {0, IDC_GEOMETRY, "65535/65535/65535"},
    {0, IDC_LBA_SECTORS, "281,474,976,710,655"}, {0, IDC_CAPACITY, "144115188.08GB"},
};
const Value VolumeValues[] = {
    {0, IDC_VOLUME_TITLE, "Z: WWWWWWWWWWW"},
    {0, IDC_VOLUME_SERIAL, "FFFF-FFFF"},
    {0, IDC_FILE_SYSTEM, "WWWWWWWW"},
    {0, IDC_TOTAL_SPACE, "14901.16GB, 16,000,000,000,000 bytes, 100%"},
    {0, IDC_USED_SPACE, "14901.16GB, 16,000,000,000,000 bytes, 100.0%"},
    {0, IDC_FREE_SPACE, "14901.16GB, 16,000,000,000,000 bytes, 100.0%"},
    {0, IDC_MINIMUM_TEXT, "100%, 16763.81GB"},
};

// Where the layout is given, a text that does not fit it is reported, not failed.
const Value ClipsInGivenLayout[] = {
    {IDD_FREE_SPACE_ERROR, IDC_MINIMUM_LABEL, nullptr}, {IDD_VOLUMES_PAGE, IDC_MINIMUM_LABEL, nullptr},
    {IDD_ALERTS_PAGE, IDC_EMAIL_FREE_SPACE, nullptr},   {IDD_TEST_EMAIL, IDC_TEST_MAIL_FROM, nullptr},
    {IDD_TEST_EMAIL, IDC_TEST_MAIL_TO, nullptr},        {IDD_TEST_EMAIL, IDC_TEST_MAIL_SERVER, nullptr},
    // Sizes of volumes of several terabytes.
    {IDD_FREE_SPACE_ERROR, IDC_TOTAL_SPACE, nullptr},   {IDD_VOLUMES_PAGE, IDC_TOTAL_SPACE, nullptr},
    {IDD_FREE_SPACE_ERROR, IDC_USED_SPACE, nullptr},    {IDD_VOLUMES_PAGE, IDC_USED_SPACE, nullptr},
    {IDD_FREE_SPACE_ERROR, IDC_FREE_SPACE, nullptr},    {IDD_VOLUMES_PAGE, IDC_FREE_SPACE, nullptr},
};

bool GivenLayoutClips(int templateId, int id)
{
    for (const Value &v : ClipsInGivenLayout) {
        if (v.templateId == templateId && v.id == id)
            return true;
    }
    return false;
}

struct Check {
    int templateId;
    std::vector<std::string> faults;
};

void Report(Check &check, HWND control, const char *text)
{
    std::string fault = Measure(control, text);
    if (fault.empty())
        return;
    int id = GetDlgCtrlID(control);
    if (GivenLayoutClips(check.templateId, id))
        printf("template %d, control %d clips in its given place: %s\n", check.templateId, id, fault.c_str());
    else
        check.faults.push_back("control " + std::to_string(id) + ": " + fault);
}

BOOL CALLBACK MeasureOwnText(HWND control, LPARAM parameter)
{
    char text[512] = "";
    GetWindowTextA(control, text, sizeof text);
    if (text[0] && strcmp(text, "N/A") != 0)
        Report(*reinterpret_cast<Check *>(parameter), control, text);
    return TRUE;
}

TEST(DialogTextFit, EveryTextOfEveryDialogAndPageShowsWhole)
{
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    // Pages are child templates: they need a parent to be created at all.
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
    for (int templateId : {IDD_SMART_ERROR, IDD_TEST_EMAIL, IDD_PRINTING, IDD_DRIVES_PAGE, IDD_VOLUMES_PAGE,
                           IDD_ALERTS_PAGE, IDD_LOGGING_PAGE, IDD_ABOUT_PAGE, IDD_SIMULATED_SMART_ERROR,
                           IDD_FREE_SPACE_ERROR, IDD_OFFLINE_TEST, IDD_MAIL_PASSWORD, IDD_SMART_CAUTION,
                           IDD_DRIVE_TEMPERATURE, IDD_HEALTH_PAGE}) {
        HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), parent,
                                         NoDialogProc, 0);
        ASSERT_NE(dialog, nullptr) << templateId;
        Check check = {templateId, {}};
        EnumChildWindows(dialog, MeasureOwnText, reinterpret_cast<LPARAM>(&check));
        for (const Value &v : Values) {
            if (v.templateId == templateId)
                Report(check, GetDlgItem(dialog, v.id), v.text);
        }
        for (const auto *group : {static_cast<const Value *>(DriveValues), static_cast<const Value *>(VolumeValues)}) {
            size_t count = group == DriveValues ? std::size(DriveValues) : std::size(VolumeValues);
            for (size_t i = 0; i < count; i++) {
                if (HWND control = GetDlgItem(dialog, group[i].id))
                    Report(check, control, group[i].text);
            }
        }
        for (const std::string &fault : check.faults)
            ADD_FAILURE() << "template " << templateId << ", " << fault;
        DestroyWindow(dialog);
    }
    DestroyWindow(parent);
}

}  // namespace
