#include "drives/health_page.h"

#include <commctrl.h>

#include <cstring>
#include <ctime>

#include "base/bounded_text.h"
#include "base/text_format.h"
#include "drives/drive_access.h"
#include "drives/drive_worker.h"
#include "drives/drives_page.h"
#include "drives/health_rows.h"
#include "history/drive_history.h"
#include "state/app_state.h"
#include "resources/resource_ids.h"
#include "state/drive_table.h"
#include "state/drive_temperature_text.h"
#include "state/smart_caution.h"
#include "ui/context_help.h"
#include "ui/help_ids.h"
#include "ui/page_protocol.h"

HWND HealthPageWindow;

namespace {

// A refresh handed to the drive worker; the window thread writes it only while no refresh is out.
struct HealthRefresh {
    DriveRecord record;   // the device fields of the drive asked
    int drive;
    DriveHealth health;
    DriveReading reading;
};

// constinit: zeroed by the loader, not written at start.
constinit HealthRefresh Refresh{};
// Notifications of the list while it is filled are not the user's clicks.
bool Filling;

struct Column {
    const char *title;
    int width;   // dialog units
    int format;
};

const Column Columns[] = {
    {"ID", 22, LVCFMT_LEFT},        {"Attribute", 86, LVCFMT_LEFT}, {"Current", 28, LVCFMT_RIGHT},
    {"Worst", 24, LVCFMT_RIGHT},    {"Threshold", 34, LVCFMT_RIGHT}, {"Value", 60, LVCFMT_LEFT},
};

void AddColumns(HWND page)
{
    HWND list = GetDlgItem(page, IDC_HEALTH_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    for (int i = 0; i < static_cast<int>(sizeof Columns / sizeof Columns[0]); i++) {
        RECT width = {0, 0, Columns[i].width, 8};
        MapDialogRect(page, &width);
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = Columns[i].format;
        column.cx = width.right;
        column.pszText = const_cast<char *>(Columns[i].title);
        SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
}

void SetCell(HWND list, int row, int column, const char *text)
{
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char *>(text);
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// Each column as wide as its widest text and its title with the header's
// margins: the list scrolls rather than cutting a value.
void FitColumns(HWND page, HWND list)
{
    RECT margin = {0, 0, 8, 8};
    MapDialogRect(page, &margin);
    HDC dc = GetDC(list);
    HGDIOBJ font = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
    for (int i = 0; i < static_cast<int>(sizeof Columns / sizeof Columns[0]); i++) {
        ListView_SetColumnWidth(list, i, LVSCW_AUTOSIZE);
        SIZE title = {};
        GetTextExtentPoint32A(dc, Columns[i].title, static_cast<int>(strlen(Columns[i].title)), &title);
        int fitted = ListView_GetColumnWidth(list, i);
        if (fitted < title.cx + 2 * margin.right)
            ListView_SetColumnWidth(list, i, title.cx + 2 * margin.right);
    }
    SelectObject(dc, font);
    ReleaseDC(list, dc);
}

void ShowRows(HWND page, int drive)
{
    HWND list = GetDlgItem(page, IDC_HEALTH_LIST);
    Filling = true;
    ListView_DeleteAllItems(list);
    HealthRow rows[MostHealthRows];
    int count = BuildHealthRows(LatestReadings[drive], rows);
    uint32_t unwatched = CautionItemsUnwatched(Drives[drive]);
    for (int i = 0; i < count; i++) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = i;
        item.pszText = rows[i].id;
        item.lParam = rows[i].watchedItem;
        int at = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        SetCell(list, at, 1, rows[i].name);
        SetCell(list, at, 2, rows[i].current);
        SetCell(list, at, 3, rows[i].worst);
        SetCell(list, at, 4, rows[i].threshold);
        SetCell(list, at, 5, rows[i].value);
        // Only a count the caution watches has a box: state image 0 shows none.
        int image = rows[i].watchedItem < 0 ? 0 : (unwatched & (1u << rows[i].watchedItem)) ? 1 : 2;
        ListView_SetItemState(list, at, INDEXTOSTATEIMAGEMASK(image), LVIS_STATEIMAGEMASK);
    }
    FitColumns(page, list);
    Filling = false;
}

void FormatReadTime(const DriveReading &reading, char (&text)[TimeStampSize])
{
    time_t when = static_cast<time_t>(reading.time);
    struct tm local = {};
    if (reading.time <= 0 || localtime_s(&local, &when) != 0) {
        CopyText(text, "N/A");
        return;
    }
    FormatTimeStampOf(local, text, sizeof text);
}

void ShowReadTime(HWND page, int drive)
{
    const DriveReading &reading = LatestReadings[drive];
    if (DriveWorkOut(HealthRefreshJob)) {
        SetDlgItemTextA(page, IDC_HEALTH_READ_TIME, "Reading the drive (busy) . . .");
        return;
    }
    if (!reading.read) {
        SetDlgItemTextA(page, IDC_HEALTH_READ_TIME, "Not read since HOLMVARD started: press Refresh.");
        return;
    }
    char when[TimeStampSize];
    FormatReadTime(reading, when);
    char text[TimeStampSize + 16];
    FormatInto(text, "Read on %s", when);
    SetDlgItemTextA(page, IDC_HEALTH_READ_TIME, text);
}

void ShowTemperature(HWND page, int drive)
{
    const DriveRecord &record = Drives[drive];
    uint8_t limit = TemperatureLimitOf(record);
    char text[96];
    if (record.Temperature == NoTemperature)
        CopyText(text, "Temperature: not read");
    else
        FormatInto(text, "Temperature: %u C", record.Temperature);
    char tail[48];
    if (limit == 0)
        CopyText(tail, ", not alerted");
    else
        FormatInto(tail, ", limit %u C", limit);
    AppendText(text, tail);
    SetDlgItemTextA(page, IDC_HEALTH_TEMPERATURE, text);
    bool automatic = record.TemperatureLimit == 0;
    CheckDlgButton(page, IDC_HEALTH_AUTOMATIC, automatic ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(page, IDC_HEALTH_LIMIT), !automatic);
    char number[8] = "";
    if (limit != 0)
        FormatInto(number, "%u", limit);
    Filling = true;
    SetDlgItemTextA(page, IDC_HEALTH_LIMIT, number);
    Filling = false;
}

void ShowDrive(HWND page, int drive)
{
    SendDlgItemMessageA(page, IDC_HEALTH_DRIVE_LIST, CB_SETCURSEL, static_cast<WPARAM>(drive), 0);
    ShowRows(page, drive);
    ShowReadTime(page, drive);
    ShowTemperature(page, drive);
    bool present = !Drives[drive].Missing && Drives[drive].Access != DriveAccess::NotReadable;
    EnableWindow(GetDlgItem(page, IDC_HEALTH_REFRESH), present && !DriveWorkOut(HealthRefreshJob));
}

// On the worker: the same requests a check sends.
void AskDriveNow(void *context)
{
    HealthRefresh &refresh = *static_cast<HealthRefresh *>(context);
    ReadDriveHealth(refresh.record, refresh.health, &refresh.reading, true);
}

void StartRefresh(HWND page, int drive)
{
    if (DriveWorkOut(HealthRefreshJob))
        return;
    Refresh.record = DriveRecord{};
    Refresh.record.Device = Drives[drive].Device;
    Refresh.record.DriveNumber = Drives[drive].DriveNumber;
    Refresh.record.Access = Drives[drive].Access;
    Refresh.drive = drive;
    // The answer goes to the command window: a page closed and opened again meanwhile is another window.
    if (!QueueDriveWork(HealthRefreshJob, AskDriveNow, &Refresh, CommandWindow))
        return;
    ShowDrive(page, drive);
}

void CopyTable(HWND page, int drive)
{
    static char text[HealthTableTextSize];
    char when[TimeStampSize];
    FormatReadTime(LatestReadings[drive], when);
    FormatHealthTable(Drives[drive], LatestReadings[drive], when, text);
    size_t length = strlen(text) + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, length);
    if (!memory)
        return;
    void *bytes = GlobalLock(memory);
    if (bytes)
        memcpy(bytes, text, length);
    GlobalUnlock(memory);
    if (!bytes || !OpenClipboard(page)) {
        GlobalFree(memory);
        return;
    }
    EmptyClipboard();
    // The clipboard owns the memory once it takes it.
    if (!SetClipboardData(CF_TEXT, memory))
        GlobalFree(memory);
    CloseClipboard();
}

// Whether the user may tick or clear the row's box: only on a count the
// caution watches, and not on one its model's family fills with no count.
bool BoxMayChange(const NMLISTVIEW *change)
{
    if (Filling || !(change->uChanged & LVIF_STATE))
        return true;
    UINT before = (change->uOldState & LVIS_STATEIMAGEMASK) >> 12;
    UINT after = (change->uNewState & LVIS_STATEIMAGEMASK) >> 12;
    if (before == after)
        return true;
    if (change->lParam < 0 || CurrentDrive >= DriveCount)
        return false;
    return !(CautionItemsUnwatchedForModel(Drives[CurrentDrive].Model) & (1u << change->lParam));
}

// A box ticked or cleared on a watched count's row.
void OnRowChanged(HWND page, const NMLISTVIEW *change)
{
    if (Filling || CurrentDrive >= DriveCount || !(change->uChanged & LVIF_STATE) || change->lParam < 0)
        return;
    UINT before = (change->uOldState & LVIS_STATEIMAGEMASK) >> 12;
    UINT after = (change->uNewState & LVIS_STATEIMAGEMASK) >> 12;
    if (before == after || after == 0)
        return;
    uint32_t bit = 1u << change->lParam;
    DriveRecord &record = Drives[CurrentDrive];
    if (after == 2)
        record.CautionUnwatched &= ~bit;
    else
        record.CautionUnwatched |= bit;
    (void)page;
}

void OnLimitEdited(HWND page)
{
    if (Filling || CurrentDrive >= DriveCount || IsDlgButtonChecked(page, IDC_HEALTH_AUTOMATIC) == BST_CHECKED)
        return;
    BOOL read = FALSE;
    UINT value = GetDlgItemInt(page, IDC_HEALTH_LIMIT, &read, FALSE);
    // An empty or nought field leaves the limit as it was until a number is typed.
    if (read && value >= 1)
        Drives[CurrentDrive].TemperatureLimit = value > TemperatureNeverAlerted ? TemperatureNeverAlerted : value;
}

void OnAutomaticClicked(HWND page)
{
    if (CurrentDrive >= DriveCount)
        return;
    DriveRecord &record = Drives[CurrentDrive];
    if (IsDlgButtonChecked(page, IDC_HEALTH_AUTOMATIC) == BST_CHECKED) {
        record.TemperatureLimit = 0;
    } else {
        // Manual from the limit in force, so unticking alone changes nothing the user cannot see.
        uint8_t limit = TemperatureLimitOf(record);
        record.TemperatureLimit = limit ? limit : TemperatureNeverAlerted;
    }
    ShowTemperature(page, CurrentDrive);
}

void OpenDriveHistory(int drive)
{
    char key[DriveKeyTextSize];
    FormatDriveKeyText(Drives[drive], key);
    OpenHistoryWindow(CommandWindow, key, Drives[drive].Model, TemperatureLimitOf(Drives[drive]));
}

INT_PTR OnHealthCommand(HWND page, WORD id, WORD code)
{
    switch (id) {
    case IDC_HEALTH_DRIVE_LIST: {
        if (code != CBN_SELCHANGE)
            return FALSE;
        LRESULT selected = SendDlgItemMessageA(page, IDC_HEALTH_DRIVE_LIST, CB_GETCURSEL, 0, 0);
        if (selected < 0 || selected >= DriveCount)
            return TRUE;
        CurrentDrive = static_cast<uint8_t>(selected);
        ShowDrive(page, CurrentDrive);
        // The Drives page follows the choice.
        if (DrivesPageWindow) {
            SendDlgItemMessageA(DrivesPageWindow, IDC_DRIVE_LIST, CB_SETCURSEL, CurrentDrive, 0);
            ShowDriveSettings(DrivesPageWindow, CurrentDrive);
        }
        return TRUE;
    }
    case IDC_HEALTH_LIMIT:
        if (code == EN_CHANGE)
            OnLimitEdited(page);
        return TRUE;
    case IDC_HEALTH_AUTOMATIC:
        if (code == BN_CLICKED)
            OnAutomaticClicked(page);
        return TRUE;
    case IDC_HEALTH_REFRESH:
        if (CurrentDrive < DriveCount)
            StartRefresh(page, CurrentDrive);
        return TRUE;
    case IDC_HEALTH_COPY:
        if (CurrentDrive < DriveCount)
            CopyTable(page, CurrentDrive);
        return TRUE;
    case IDC_HEALTH_HISTORY:
        if (CurrentDrive < DriveCount)
            OpenDriveHistory(CurrentDrive);
        return TRUE;
    }
    return FALSE;
}

INT_PTR OnHealthNotify(HWND page, const NMHDR *header)
{
    if (header->idFrom == IDC_HEALTH_LIST) {
        if (header->code == LVN_ITEMCHANGING && !BoxMayChange(reinterpret_cast<const NMLISTVIEW *>(header))) {
            SetWindowLongPtrA(page, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        if (header->code == LVN_ITEMCHANGED)
            OnRowChanged(page, reinterpret_cast<const NMLISTVIEW *>(header));
        return FALSE;
    }
    // The Drives page may have chosen another drive meanwhile.
    if (header->code == PSN_SETACTIVE && CurrentDrive < DriveCount)
        ShowDrive(page, CurrentDrive);
    return AnswerPageNotification(page, header, HealthPageTopic, &HealthPageWindow);
}

}  // namespace

INT_PTR CALLBACK HealthPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        HealthPageWindow = page;
        AddColumns(page);
        FillDriveChoice(GetDlgItem(page, IDC_HEALTH_DRIVE_LIST));
        if (CurrentDrive < DriveCount)
            ShowDrive(page, CurrentDrive);
        return TRUE;
    case WM_COMMAND:
        return OnHealthCommand(page, LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY:
        return OnHealthNotify(page, reinterpret_cast<const NMHDR *>(lParam));
    case WM_DESTROY:
        HealthPageWindow = nullptr;
        return FALSE;
    case WM_HELP:
        return AnswerHelp(reinterpret_cast<const HELPINFO *>(lParam));
    case WM_CONTEXTMENU:
        return AnswerContextMenu(reinterpret_cast<HWND>(wParam));
    }
    return FALSE;
}

void FinishHealthRefresh()
{
    // A refresh asked again before this answer was taken is still writing: its own answer follows.
    if (DriveWorkOut(HealthRefreshJob))
        return;
    if (Refresh.drive < DriveCount && Refresh.reading.read) {
        LatestReadings[Refresh.drive] = Refresh.reading;
        if (Refresh.reading.temperature != NoTemperature)
            Drives[Refresh.drive].Temperature = Refresh.reading.temperature;
    }
    if (HealthPageWindow && CurrentDrive < DriveCount)
        ShowDrive(HealthPageWindow, CurrentDrive);
}
