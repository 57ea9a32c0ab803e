#include "mail/alerts_page.h"

#include <commctrl.h>
#include <prsht.h>

#include <initializer_list>

#include "base/bounded_text.h"
#include "base/text_format.h"
#include "mail/mail_password.h"
#include "mail/mail_server_address.h"
#include "mail/mail_texts.h"
#include "mail/outbox.h"
#include "mail/smtp_client.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "state/drive_table.h"
#include "state/settings.h"
#include "ui/context_help.h"
#include "ui/help_ids.h"
#include "ui/page_protocol.h"
#include "ui/tray_icon.h"

HWND TestEmailDialog;

namespace {

void FillPeriodList(HWND page, int id, uint32_t selected)
{
    HWND list = GetDlgItem(page, id);
    for (const PollingPeriod &period : PollingPeriods)
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(period.Label));
    SendMessageA(list, CB_SETCURSEL, ValidPollingIndex(selected), 0);
}

// Texts longer than 255 characters are cut there.
void ReadEmailFields(HWND page)
{
    GetDlgItemTextA(page, IDC_EMAIL_FROM, GlobalSettings.EmailFrom, SettingsTextSize);
    GetDlgItemTextA(page, IDC_EMAIL_TO, GlobalSettings.EmailTo, SettingsTextSize);
    GetDlgItemTextA(page, IDC_EMAIL_SERVER, GlobalSettings.EmailServer, SettingsTextSize);
}

void InitAlertsPage(HWND page)
{
    FillPeriodList(page, IDC_SMART_PERIOD, GlobalSettings.SMARTPollingPeriod);
    FillPeriodList(page, IDC_FREE_SPACE_PERIOD, GlobalSettings.FreeSpacePollingPeriod);
    CheckDlgButton(page, IDC_EMAIL_SMART, GlobalSettings.EmailSMARTErrors ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(page, IDC_EMAIL_FREE_SPACE, GlobalSettings.EmailFreeSpaceErrors ? BST_CHECKED : BST_UNCHECKED);
    for (int id : {IDC_EMAIL_FROM, IDC_EMAIL_TO, IDC_EMAIL_SERVER})
        SendDlgItemMessageA(page, id, EM_LIMITTEXT, SettingsTextSize - 1, 0);
    SetDlgItemTextA(page, IDC_EMAIL_FROM, GlobalSettings.EmailFrom);
    SetDlgItemTextA(page, IDC_EMAIL_TO, GlobalSettings.EmailTo);
    SetDlgItemTextA(page, IDC_EMAIL_SERVER, GlobalSettings.EmailServer);
    UpdateEmailControls(page);
}

void SendTestEmail(HWND page)
{
    if (TestEmailDialog && IsWindow(TestEmailDialog))
        return;
    TestEmailDialog = CreateDialogParamA(Instance, MAKEINTRESOURCEA(IDD_TEST_EMAIL), page, TestEmailDlgProc, 0);
    HWND dialog = TestEmailDialog;
    if (!dialog)
        return;
    ReadEmailFields(page);
    SetDlgItemTextA(dialog, IDC_TEST_MAIL_FROM, GlobalSettings.EmailFrom);
    SetDlgItemTextA(dialog, IDC_TEST_MAIL_TO, GlobalSettings.EmailTo);
    SetDlgItemTextA(dialog, IDC_TEST_MAIL_SERVER, GlobalSettings.EmailServer);
    ShowWindow(dialog, SW_SHOW);
    UpdateWindow(dialog);

    char now[TimeStampSize];
    FormatTimeStamp(now, sizeof now);
    char body[MailBodySize];
    DriveRecord none = {};
    FormatTestMailBody(CurrentDrive < DriveCount ? Drives[CurrentDrive] : none, now, body);
    char result[MailResultSize];
    // A retry out to a slow server would hold the page until its exchange ends.
    if (KeptMailRetryOut()) {
        CopyText(result, MailBusyText);
    } else {
        MailStep failed = TrySendMail(TestMailSubject, body, result, sizeof result);
        // A user without a password of their own, or whose password the server
        // refused, is asked for one; the test then goes again.
        MailServerAddress server;
        if ((failed == MailStep::NoPassword || failed == MailStep::PasswordUnreadable ||
             failed == MailStep::SignIn) &&
            ParseMailServer(GlobalSettings.EmailServer, server) == AddressFault::None && server.user[0] &&
            AskMailPassword(dialog, server.user))
            TrySendMail(TestMailSubject, body, result, sizeof result);
    }
    // Clicks made while the program waited for the server must not act now.
    DiscardPendingMessages(dialog);
    SetDlgItemTextA(dialog, IDC_TEST_MAIL_STATUS, result);
    HWND ok = GetDlgItem(dialog, IDC_TEST_MAIL_OK);
    EnableWindow(ok, TRUE);
    SetFocus(ok);
}

// A selection outside the table (CB_ERR while text is typed) changes nothing.
void ChoosePeriod(HWND page, int id, uint32_t &setting)
{
    LRESULT selected = SendDlgItemMessageA(page, id, CB_GETCURSEL, 0, 0);
    if (selected >= 0 && selected < PollingPeriodCount)
        setting = static_cast<uint32_t>(selected & 0xFF);
}

INT_PTR OnAlertsPageCommand(HWND page, WORD id, WORD code)
{
    switch (id) {
    case IDC_SMART_PERIOD:
    case IDC_FREE_SPACE_PERIOD:
        if (code != CBN_SELCHANGE)
            return FALSE;
        ChoosePeriod(page, id,
                     id == IDC_SMART_PERIOD ? GlobalSettings.SMARTPollingPeriod : GlobalSettings.FreeSpacePollingPeriod);
        return TRUE;
    case IDC_EMAIL_SMART:
    case IDC_EMAIL_FREE_SPACE: {
        if (code != BN_CLICKED)
            return FALSE;
        int32_t checked = IsDlgButtonChecked(page, id) == BST_CHECKED ? 1 : 0;
        (id == IDC_EMAIL_SMART ? GlobalSettings.EmailSMARTErrors : GlobalSettings.EmailFreeSpaceErrors) = checked;
        UpdateEmailControls(page);
        return TRUE;
    }
    case IDC_SEND_TEST_EMAIL:
        SendTestEmail(page);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

void UpdateEmailControls(HWND page)
{
    BOOL mailing = GlobalSettings.EmailSMARTErrors || GlobalSettings.EmailFreeSpaceErrors;
    for (int id : {IDC_EMAIL_FROM, IDC_EMAIL_TO, IDC_EMAIL_SERVER, IDC_EMAIL_FROM_LABEL, IDC_EMAIL_TO_LABEL,
                   IDC_EMAIL_SERVER_LABEL, IDC_SEND_TEST_EMAIL})
        EnableWindow(GetDlgItem(page, id), mailing);
}

INT_PTR CALLBACK AlertsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitAlertsPage(page);
        return TRUE;
    case WM_COMMAND:
        return OnAlertsPageCommand(page, LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY: {
        const NMHDR *header = reinterpret_cast<const NMHDR *>(lParam);
        if (header->code == PSN_KILLACTIVE)
            ReadEmailFields(page);
        return AnswerPageNotification(page, header, AlertsPageTopic, nullptr);
    }
    case WM_HELP:
        return AnswerHelp(reinterpret_cast<const HELPINFO *>(lParam));
    case WM_CONTEXTMENU:
        return AnswerContextMenu(reinterpret_cast<HWND>(wParam));
    }
    return FALSE;
}

INT_PTR CALLBACK TestEmailDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDC_TEST_MAIL_OK)
            return FALSE;
        DestroyWindow(dialog);
        TestEmailDialog = nullptr;
        return TRUE;
    }
    return FALSE;
}
