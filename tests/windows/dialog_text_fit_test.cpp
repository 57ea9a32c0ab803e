// Every text of the alert dialogs shows whole with the longest value its
// control can hold, measured with the dialog's own font: reading a control's
// text back proves nothing, since it returns the whole text however little is
// drawn.
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

// The longest values the fields take.
const char LongestStamp[] = "Wednesday, September 30, 2026 23:59:59";
const char LongestModel[] = "WDC WD2500JB-00GVC0 SPECIAL EDITION ABCD";
const char UnbrokenModel[] = "MAXTOR6Y080L0MAXTOR6Y080L0MAXTOR6Y080L0X";
const char LongestSerial[] = "WD-WMAEP1234567890AB";
const char LongestFirmware[] = "WWWWWWWW";
const char LongestGeometry[] = "65535/65535/65535";
const char LongestLbaSectors[] = "4,294,967,295";
const char LongestCapacity[] = "2199.02GB";

struct Fit {
    int templateId;
    int id;
    const char *text;   // null: the template's own text
    bool clipsInFixedLayout = false;   // the layout is given; reported, not failed
};

// How much of a control's width its text may use, by the control's kind.
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
    switch (style & BS_TYPEMASK) {
    case BS_AUTOCHECKBOX:
    case BS_CHECKBOX:
        return client.right - GetSystemMetrics(SM_CXMENUCHECK) - 4;
    case BS_GROUPBOX:
        // The caption sits between the corner and a gap at each end.
        return client.right - 16;
    }
    return client.right - 8;
}

// Empty when the text fits its control; otherwise what was measured.
std::string Measure(HWND dialog, const Fit &fit)
{
    HWND control = GetDlgItem(dialog, fit.id);
    if (!control)
        return "no control";
    char own[512] = "";
    GetWindowTextA(control, own, sizeof own);
    const char *text = fit.text ? fit.text : own;
    int height = 0;
    UINT flags = 0;
    int width = TextRoom(control, height, flags);
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

class DialogTextFit : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES};
        InitCommonControlsEx(&classes);
    }

    static void Check(const Fit *fits, size_t count)
    {
        for (size_t i = 0; i < count; i++) {
            HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(fits[i].templateId), nullptr,
                                             NoDialogProc, 0);
            ASSERT_NE(dialog, nullptr) << fits[i].templateId;
            std::string result = Measure(dialog, fits[i]);
            if (fits[i].clipsInFixedLayout)
                printf("template %d, control %d clips in its given place: %s\n", fits[i].templateId, fits[i].id,
                       result.empty() ? "no longer" : result.c_str());
            else
                EXPECT_EQ(result, "") << "template " << fits[i].templateId << ", control " << fits[i].id;
            DestroyWindow(dialog);
        }
    }
};

TEST_F(DialogTextFit, SMARTAlertDialogsShowTheLongestValuesWhole)
{
    std::vector<Fit> fits;
    for (int templateId : {IDD_SMART_ERROR, IDD_SIMULATED_SMART_ERROR}) {
        bool real = templateId == IDD_SMART_ERROR;
        const Fit own[] = {
            {templateId, real ? IDC_ERROR_STATUS_GROUP : IDC_SIMULATED_STATUS_GROUP, nullptr},
            {templateId, IDC_SMART_WARNING, nullptr},
            {templateId, real ? IDC_ERROR_TIME_LABEL : IDC_SIMULATED_TIME_LABEL, nullptr},
            {templateId, real ? IDC_ERROR_TIME : IDC_SIMULATED_ERROR_TIME, LongestStamp},
            {templateId, IDC_PARAMETERS_GROUP, nullptr},
            {templateId, IDC_MODEL_LABEL, nullptr},
            {templateId, IDC_SERIAL_LABEL, nullptr},
            {templateId, IDC_FIRMWARE_LABEL, nullptr},
            {templateId, IDC_GEOMETRY_LABEL, nullptr},
            {templateId, IDC_LBA_SECTORS_LABEL, nullptr},
            {templateId, IDC_CAPACITY_LABEL, nullptr},
            {templateId, IDC_MODEL, LongestModel},
            {templateId, IDC_MODEL, UnbrokenModel},
            {templateId, IDC_SERIAL, LongestSerial},
            {templateId, IDC_FIRMWARE, LongestFirmware},
            {templateId, IDC_GEOMETRY, LongestGeometry},
            {templateId, IDC_LBA_SECTORS, LongestLbaSectors},
            {templateId, IDC_CAPACITY, LongestCapacity},
            {templateId, real ? IDC_ACKNOWLEDGE : IDC_SIMULATED_ACKNOWLEDGE, nullptr},
            {templateId, real ? IDC_ERROR_OK : IDC_SIMULATED_OK, nullptr},
            {templateId, real ? IDC_ERROR_CANCEL : IDC_SIMULATED_CANCEL, nullptr},
            {templateId, real ? IDC_ERROR_HELP : IDC_SIMULATED_HELP, nullptr},
        };
        fits.insert(fits.end(), std::begin(own), std::end(own));
    }
    Check(fits.data(), fits.size());
}

TEST_F(DialogTextFit, FreeSpaceAlertDialogShowsItsTexts)
{
    const Fit fits[] = {
        {IDD_FREE_SPACE_ERROR, IDC_FREE_SPACE_STATUS_GROUP, nullptr},
        {IDD_FREE_SPACE_ERROR, IDC_FREE_SPACE_WARNING, nullptr},
        {IDD_FREE_SPACE_ERROR, IDC_FREE_SPACE_TIME_LABEL, nullptr},
        {IDD_FREE_SPACE_ERROR, IDC_FREE_SPACE_TIME, LongestStamp},
        {IDD_FREE_SPACE_ERROR, IDC_VOLUME_GROUP, nullptr},
        {IDD_FREE_SPACE_ERROR, IDC_VOLUME_LABEL, nullptr},
        {IDD_FREE_SPACE_ERROR, IDC_VOLUME_SERIAL_LABEL, nullptr},
        {IDD_FREE_SPACE_ERROR, IDC_FILE_SYSTEM_LABEL, nullptr},
        {IDD_FREE_SPACE_ERROR, IDC_TOTAL_SPACE_LABEL, nullptr},
        {IDD_FREE_SPACE_ERROR, IDC_USED_SPACE_LABEL, nullptr},
        {IDD_FREE_SPACE_ERROR, IDC_FREE_SPACE_LABEL, nullptr},
        {IDD_FREE_SPACE_ERROR, IDC_VOLUME_TITLE, "Z: WWWWWWWWWWW"},
        {IDD_FREE_SPACE_ERROR, IDC_VOLUME_SERIAL, "FFFF-FFFF"},
        {IDD_FREE_SPACE_ERROR, IDC_FILE_SYSTEM, "WWWWWWWW"},
        {IDD_FREE_SPACE_ERROR, IDC_TOTAL_SPACE, "931.32GB, 999,999,999,999 bytes, 100%"},
        {IDD_FREE_SPACE_ERROR, IDC_USED_SPACE, "465.66GB, 500,000,000,000 bytes, 50.0%"},
        {IDD_FREE_SPACE_ERROR, IDC_FREE_SPACE, "465.66GB, 500,000,000,000 bytes, 50.0%"},
        {IDD_FREE_SPACE_ERROR, IDC_USED_SPACE, "931.32GB, 999,999,999,999 bytes, 100.0%", true},
        {IDD_FREE_SPACE_ERROR, IDC_FREE_SPACE, "931.32GB, 999,999,999,999 bytes, 100.0%", true},
        {IDD_FREE_SPACE_ERROR, IDC_VOLUME_SETTINGS_GROUP, nullptr},
        {IDD_FREE_SPACE_ERROR, IDC_FREE_SPACE_ACKNOWLEDGE, nullptr},
        {IDD_FREE_SPACE_ERROR, IDC_FREE_SPACE_ACKNOWLEDGE, "&Acknowledge error and disable Free Space Monitoring"},
        {IDD_FREE_SPACE_ERROR, IDC_MINIMUM_LABEL, nullptr, true},
        {IDD_FREE_SPACE_ERROR, IDC_MINIMUM_TEXT, "100%, 16763.81GB"},
        {IDD_FREE_SPACE_ERROR, IDC_FREE_SPACE_OK, nullptr},
        {IDD_FREE_SPACE_ERROR, IDC_FREE_SPACE_CANCEL, nullptr},
        {IDD_FREE_SPACE_ERROR, IDC_FREE_SPACE_HELP, nullptr},
    };
    Check(fits, std::size(fits));
}

}  // namespace
