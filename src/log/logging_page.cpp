#include "log/logging_page.h"

#include <commctrl.h>
#include <commdlg.h>
#include <prsht.h>

#include <cstring>

#include "base/guards.h"
#include "base/system_library.h"
#include "log/log_reading.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "state/settings.h"
#include "ui/context_help.h"
#include "ui/help_ids.h"
#include "ui/page_protocol.h"

HWND PrintingDialog;
BOOL ContinuePrinting;

namespace {

constexpr DWORD ReadBlockSize = 16384;

// The print dialog's library (and the spooler it brings) is loaded by the
// first Print, not at start.
struct PrintDialogFunctions {
    decltype(&::PrintDlgA) PrintDlgA;
};
const char *const PrintDialogNames[] = {"PrintDlgA"};
INIT_ONCE PrintDialogLoaded = INIT_ONCE_STATIC_INIT;
PrintDialogFunctions PrintDialog;

HANDLE OpenLogForReading()
{
    return CreateFileA(GlobalSettings.ErrorLogFilePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Creates an empty log when there is none; FALSE when it cannot be created or opened.
BOOL CreateLogIfMissing()
{
    FileHandle log(CreateFileA(GlobalSettings.ErrorLogFilePath, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    return log.handle != INVALID_HANDLE_VALUE;
}

// Hands every piece of the open log to sink, from the file's start.
void ReadLog(HANDLE file, LogPieceSink sink, void *context)
{
    // On the stack: a Clear that the abort procedure dispatches in the middle of
    // printing reads the log again while the printing read is still going.
    char block[ReadBlockSize];
    LogPieceReader reader;
    StartLogPieces(reader);
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, block, sizeof block, &read, nullptr) || read == 0)
            break;
        ReadLogPieces(reader, block, read, false, sink, context);
    }
    ReadLogPieces(reader, block, 0, true, sink, context);
}

void AddListRow(void *context, const char *piece)
{
    // A blank line of the log shows as a blank row.
    SendMessageA(static_cast<HWND>(context), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(piece[0] ? piece : " "));
}

void ClearLog(HWND page)
{
    if (MessageBoxA(page,
                    "This command will erase all errors\nrecorded in the log file up to this time.\n\n"
                    "Are you sure you want to clear the log?",
                    "Confirm Clear Log", MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    DeleteFileA(GlobalSettings.ErrorLogFilePath);
    CreateLogIfMissing();
    LoadLogList(page);
}

struct PrintJob {
    HDC dc;
    LogPager pager;
};

// Every spooler calls the abort procedure at its own pace, and some never:
// after each page it is called here too, so Cancel acts at once everywhere.
void EndPrintedPage(PrintJob &job)
{
    EndPage(job.dc);
    PrintLogAbortProc(job.dc, 0);
}

void PrintPiece(void *context, const char *piece)
{
    PrintJob &job = *static_cast<PrintJob *>(context);
    if (!ContinuePrinting)
        return;
    PagePlace place = PlaceLogPiece(job.pager);
    if (place.startPage)
        StartPage(job.dc);
    // GDI reads 8-bit text in the system's code page, not the process's UTF-8:
    // the piece goes as UTF-16.
    wchar_t wide[LogPieceLength + 1];
    int length = MultiByteToWideChar(CP_ACP, 0, piece, -1, wide, LogPieceLength + 1);
    if (length > 1)
        TextOutW(job.dc, 0, place.y, wide, length - 1);
    if (place.endPage)
        EndPrintedPage(job);
}

void PrintCopy(PrintJob &job, HANDLE file)
{
    StartLogCopy(job.pager);
    ReadLog(file, PrintPiece, &job);
    if (!ContinuePrinting)
        return;
    PagePlace place = EndLogCopy(job.pager);
    if (place.startPage)
        StartPage(job.dc);
    if (place.endPage)
        EndPrintedPage(job);
}

// The printer's own font, unless a full piece of the widest letters would run
// off the page: then a fixed-pitch font narrow enough, so no character is lost.
// Returns the font to delete after the job, or null.
HFONT FitPiecesOnPage(HDC dc)
{
    char widest[LogPieceLength + 1];
    memset(widest, 'W', LogPieceLength);
    widest[LogPieceLength] = '\0';
    int pageWidth = GetDeviceCaps(dc, HORZRES);
    SIZE extent = {};
    if (pageWidth <= 0 || (GetTextExtentPoint32A(dc, widest, LogPieceLength, &extent) && extent.cx <= pageWidth))
        return nullptr;
    LOGFONTA font = {};
    font.lfWidth = pageWidth / static_cast<LONG>(LogPieceLength + 1);
    font.lfHeight = -(font.lfWidth * 5 / 3);
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynA(font.lfFaceName, "Courier New", LF_FACESIZE);
    HFONT fitting = CreateFontIndirectA(&font);
    if (fitting)
        SelectObject(dc, fitting);
    return fitting;
}

void PrintLog(HWND page)
{
    FileHandle log(OpenLogForReading());
    if (log.handle == INVALID_HANDLE_VALUE) {
        MessageBoxA(page, "Error opening log file", "Print Log Error", MB_ICONINFORMATION | MB_OK);
        return;
    }
    if (!LoadSystemFunctionsOnce(PrintDialogLoaded, "comdlg32.dll", PrintDialogNames, &PrintDialog,
                                 FunctionCount<PrintDialogFunctions>())) {
        MessageBoxA(page, "Error loading print dialog", "Print Log Error", MB_ICONINFORMATION | MB_OK);
        return;
    }
    PRINTDLGA choice = {};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = page;
    choice.nCopies = 1;
    choice.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_HIDEPRINTTOFILE;
    if (!PrintDialog.PrintDlgA(&choice))
        return;
    if (choice.hDevMode)
        GlobalFree(choice.hDevMode);
    if (choice.hDevNames)
        GlobalFree(choice.hDevNames);
    HDC dc = choice.hDC;
    DOCINFOA document = {};
    document.cbSize = sizeof document;
    document.lpszDocName = "Printing File";
    StartDocA(dc, &document);

    HFONT fitting = FitPiecesOnPage(dc);
    TEXTMETRICA metrics = {};
    PrintJob job = {};
    job.dc = dc;
    int lineHeight = GetTextMetricsA(dc, &metrics) ? metrics.tmHeight + metrics.tmExternalLeading : 0;
    // Without metrics, a 12-point line at the printer's resolution.
    if (lineHeight <= 0)
        lineHeight = GetDeviceCaps(dc, LOGPIXELSY) / 6;
    if (lineHeight <= 0)
        lineHeight = DefaultPrintLineHeight;
    job.pager.lineHeight = lineHeight;
    job.pager.linesPerPage = LinesPerPage(GetDeviceCaps(dc, VERTRES), lineHeight);

    ContinuePrinting = TRUE;
    SetAbortProc(dc, PrintLogAbortProc);
    PrintingDialog = CreateDialogParamA(Instance, MAKEINTRESOURCEA(IDD_PRINTING), page, PrintingDlgProc, 0);
    for (WORD copy = 0; copy < choice.nCopies; copy++)
        PrintCopy(job, log.handle);
    if (ContinuePrinting) {
        if (PrintingDialog)
            DestroyWindow(PrintingDialog);
        PrintingDialog = nullptr;
        EndDoc(dc);
    } else {
        // A cancelled job is dropped by the spooler, not left half made.
        AbortDoc(dc);
    }
    DeleteDC(dc);
    if (fitting)
        DeleteObject(fitting);
}

INT_PTR OnLoggingPageCommand(HWND page, WORD id)
{
    switch (id) {
    case IDC_CLEAR_LOG:
        ClearLog(page);
        return TRUE;
    case IDC_PRINT_LOG:
        PrintLog(page);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

BOOL LoadLogList(HWND page)
{
    HWND list = GetDlgItem(page, IDC_LOG_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    FileHandle log(OpenLogForReading());
    if (log.handle == INVALID_HANDLE_VALUE) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Error opening logging file"));
        return FALSE;
    }
    // One redraw for the whole list, not one per row.
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    ReadLog(log.handle, AddListRow, list);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    return TRUE;
}

BOOL CALLBACK PrintLogAbortProc(HDC, int)
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (PrintingDialog && IsDialogMessageA(PrintingDialog, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return ContinuePrinting;
}

INT_PTR CALLBACK PrintingDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message != WM_COMMAND || LOWORD(wParam) != IDCANCEL)
        return FALSE;
    ContinuePrinting = FALSE;
    DestroyWindow(dialog);
    PrintingDialog = nullptr;
    return TRUE;
}

INT_PTR CALLBACK LoggingPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        if (CreateLogIfMissing())
            LoadLogList(page);
        else
            SendDlgItemMessageA(page, IDC_LOG_LIST, LB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>("Error opening or creating log file"));
        return TRUE;
    case WM_COMMAND:
        return OnLoggingPageCommand(page, LOWORD(wParam));
    case WM_NOTIFY:
        return AnswerPageNotification(page, reinterpret_cast<const NMHDR *>(lParam), LoggingPageTopic, nullptr);
    case WM_HELP:
        return AnswerHelp(reinterpret_cast<const HELPINFO *>(lParam));
    case WM_CONTEXTMENU:
        return AnswerContextMenu(reinterpret_cast<HWND>(wParam));
    }
    return FALSE;
}
