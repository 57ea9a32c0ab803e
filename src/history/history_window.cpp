// The history window: a span to choose, the drive's temperature and watched
// counts drawn over it, and a status line naming the check under the mouse.
#include "history/drive_history.h"

#include <commctrl.h>

#include <cstring>
#include <ctime>

#include "base/bounded_text.h"
#include "base/guards.h"
#include "history/history_graph.h"
#include "state/app_state.h"
#include "state/drive_table.h"
#include "state/settings.h"
#include "ui/dpi_scale.h"
#include "ui/window_dpi.h"

namespace {

constexpr char HistoryClassName[] = "HolmvardHistory";
constexpr int SpanChoiceId = 100;
constexpr int StatusLineId = 101;

// Sizes at 96 DPI.
constexpr int WindowWidth = 760;
constexpr int WindowHeight = 460;
constexpr int MinimumWidth = 420;
constexpr int MinimumHeight = 300;
constexpr int Margin = 8;
constexpr int ChoiceWidth = 150;
constexpr int ChoiceHeight = 200;   // with its list dropped
constexpr int RowHeight = 24;
constexpr int LeftAxisWidth = 44;
constexpr int RightAxisWidth = 56;
constexpr int TickLength = 4;
constexpr uint32_t CountAxisSteps = 5;
constexpr int SwatchWidth = 18;
constexpr int HoverReach = 12;      // a check this near the mouse is named
constexpr int FontPoints = 9;

const COLORREF TemperatureColour = RGB(220, 110, 0);
const COLORREF LimitColour = RGB(200, 0, 0);
const COLORREF GridColour = RGB(225, 225, 225);
const COLORREF AxisColour = RGB(96, 96, 96);
const COLORREF HoverColour = RGB(150, 150, 150);
// In CautionItem order.
const COLORREF CountColours[CautionItemCount] = {
    RGB(0, 90, 200),  RGB(140, 0, 160), RGB(0, 140, 140), RGB(160, 120, 0),
    RGB(90, 90, 90),  RGB(0, 150, 60),  RGB(200, 0, 120), RGB(100, 60, 30),
};

struct HistoryWindowRecord {
    HWND window;
    HWND spanChoice;
    HWND statusLine;
    HFONT font;
    int dpi;
    char driveKeyText[RegistryPathSize];
    uint8_t limit;
    HistorySpan span;
    HistoryPoint *points;   // heap, the span's checks in file order
    size_t count;
    size_t capacity;
    HistoryColumn *columns;   // heap, one per pixel column of the graph
    int columnCount;
    int64_t start;            // the graph's time range, [start, end)
    int64_t end;
    bool stale;               // the columns no longer show the points
    int hoverX;               // -1: the mouse is not over the graph
};

// One window per drive at most; a slot whose window is null is free.
HistoryWindowRecord HistoryWindows[MaxDrives];

// A window opens on the span last chosen in any.
HistorySpan LastSpan = HistorySpan::Week;

HistoryWindowRecord *FindHistoryWindow(const char *driveKeyText)
{
    for (HistoryWindowRecord &record : HistoryWindows) {
        if (record.window && strcmp(record.driveKeyText, driveKeyText) == 0)
            return &record;
    }
    return nullptr;
}

HistoryWindowRecord *RecordOf(HWND window)
{
    return reinterpret_cast<HistoryWindowRecord *>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

int Scaled(const HistoryWindowRecord &record, int pixels)
{
    return ScaleToDpi(pixels, record.dpi);
}

void FreePoints(HistoryWindowRecord &record)
{
    if (record.points)
        HeapFree(GetProcessHeap(), 0, record.points);
    record.points = nullptr;
    record.count = 0;
    record.capacity = 0;
}

// Reads the span's checks from the drive's file; an unreadable file leaves none.
void LoadHistoryPoints(HistoryWindowRecord &record)
{
    FreePoints(record);
    record.stale = true;
    // The columns point into the points just freed: none until the next paint makes them again.
    record.columnCount = 0;
    char path[MAX_PATH];
    size_t size = 0;
    char *text = BuildDriveHistoryPath(record.driveKeyText, path) ? ReadDriveHistoryFile(path, size) : nullptr;
    if (!text)
        return;
    size_t capacity = HistoryPointCapacity(size);
    record.points = static_cast<HistoryPoint *>(HeapAlloc(GetProcessHeap(), 0, capacity * sizeof(HistoryPoint)));
    if (record.points) {
        record.capacity = capacity;
        int64_t since = static_cast<int64_t>(time(nullptr)) - HistorySpanKindOf(record.span).seconds;
        record.count = ReadHistoryPoints(text, size, since, record.points, capacity);
    }
    HeapFree(GetProcessHeap(), 0, text);
}

void MakeFont(HistoryWindowRecord &record)
{
    if (record.font)
        DeleteObject(record.font);
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    LOGFONTA face = {};
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        face = metrics.lfMessageFont;
    else
        CopyText(face.lfFaceName, "MS Shell Dlg");
    face.lfHeight = -MulDiv(FontPoints, record.dpi, 72);
    face.lfWidth = 0;
    record.font = CreateFontIndirectA(&face);
    SendMessageA(record.spanChoice, WM_SETFONT, reinterpret_cast<WPARAM>(record.font), TRUE);
    SendMessageA(record.statusLine, WM_SETFONT, reinterpret_cast<WPARAM>(record.font), TRUE);
}

// The graph's rectangle inside a client area: below the span choice, above
// the time labels, the legend and the status line.
RECT GraphRect(const HistoryWindowRecord &record, const RECT &client)
{
    RECT graph;
    graph.left = client.left + Scaled(record, LeftAxisWidth);
    graph.top = client.top + Scaled(record, Margin + RowHeight + Margin);
    graph.right = client.right - Scaled(record, RightAxisWidth);
    // Rows below: the time labels, two of legend, the status line.
    graph.bottom = client.bottom - Scaled(record, 4 * RowHeight + Margin);
    if (graph.right < graph.left + 1)
        graph.right = graph.left + 1;
    if (graph.bottom < graph.top + 1)
        graph.bottom = graph.top + 1;
    return graph;
}

void LayOut(HistoryWindowRecord &record)
{
    RECT client;
    GetClientRect(record.window, &client);
    MoveWindow(record.spanChoice, Scaled(record, Margin), Scaled(record, Margin), Scaled(record, ChoiceWidth),
               Scaled(record, ChoiceHeight), TRUE);
    int rowHeight = Scaled(record, RowHeight);
    MoveWindow(record.statusLine, Scaled(record, Margin), client.bottom - rowHeight,
               client.right - 2 * Scaled(record, Margin), rowHeight, TRUE);
    InvalidateRect(record.window, nullptr, FALSE);
}

// The graph spans up to now; a check appended while the window is open extends
// it. Painting alone, as the mouse moves, reduces nothing again.
void ReduceColumns(HistoryWindowRecord &record, int width)
{
    if (!record.stale && width == record.columnCount)
        return;
    record.stale = false;
    record.end = static_cast<int64_t>(time(nullptr)) + 1;
    if (record.count > 0 && record.points[record.count - 1].time >= record.end)
        record.end = record.points[record.count - 1].time + 1;
    record.start = record.end - HistorySpanKindOf(record.span).seconds;
    if (width != record.columnCount) {
        if (record.columns)
            HeapFree(GetProcessHeap(), 0, record.columns);
        record.columns = static_cast<HistoryColumn *>(HeapAlloc(GetProcessHeap(), 0, width * sizeof(HistoryColumn)));
        record.columnCount = record.columns ? width : 0;
    }
    ReduceHistoryColumns(record.points, record.count, record.start, record.end, record.columns, record.columnCount);
}

// The user's own short date, and time without seconds, of a check.
void FormatPointTime(int64_t time, int32_t offsetMinutes, bool withDate, bool withTime, char *text, size_t size)
{
    HistoryCivilTime civil = HistoryCivilTimeOf(time, offsetMinutes);
    SYSTEMTIME when = {};
    when.wYear = static_cast<WORD>(civil.year);
    when.wMonth = static_cast<WORD>(civil.month);
    when.wDay = static_cast<WORD>(civil.day);
    when.wHour = static_cast<WORD>(civil.hour);
    when.wMinute = static_cast<WORD>(civil.minute);
    when.wSecond = static_cast<WORD>(civil.second);
    char date[64] = "";
    char clock[64] = "";
    if (withDate && !GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &when, nullptr, date, sizeof date))
        FormatInto(date, "%04d-%02d-%02d", civil.year, civil.month, civil.day);
    if (withTime && !GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &when, nullptr, clock, sizeof clock))
        FormatInto(clock, "%02d:%02d", civil.hour, civil.minute);
    FormatIntoSized(text, size, "%s%s%s", date, withDate && withTime ? " " : "", clock);
}

// Value ranges of the two axes.
struct GraphScale {
    RECT graph;
    uint32_t temperatureLow;
    uint32_t temperatureHigh;
    uint32_t countHigh;
    uint16_t present;   // series drawn
};

int YOf(const RECT &graph, uint32_t value, uint32_t low, uint32_t high)
{
    if (value <= low)
        return graph.bottom;
    if (value >= high)
        return graph.top;
    return graph.bottom -
           static_cast<int>(static_cast<int64_t>(value - low) * (graph.bottom - graph.top) / (high - low));
}

GraphScale ScaleOf(const HistoryWindowRecord &record, const RECT &graph)
{
    GraphScale scale = {};
    scale.graph = graph;
    uint32_t low = record.limit ? record.limit : UINT32_MAX;
    uint32_t high = record.limit;
    uint32_t counts = 0;
    for (int x = 0; x < record.columnCount; x++) {
        const HistoryColumn &column = record.columns[x];
        scale.present |= column.present;
        if (column.present & 1) {
            low = column.low[0] < low ? column.low[0] : low;
            high = column.high[0] > high ? column.high[0] : high;
        }
        for (int series = 1; series < HistorySeriesCount; series++) {
            if ((column.present & (1u << series)) && column.high[series] > counts)
                counts = column.high[series];
        }
    }
    if (low == UINT32_MAX) {
        low = 20;
        high = 60;
    }
    // Whole tens, with room above and below the line.
    scale.temperatureLow = low >= 15 ? (low - 5) / 10 * 10 : 0;
    scale.temperatureHigh = (high + 14) / 10 * 10;
    if (scale.temperatureHigh <= scale.temperatureLow)
        scale.temperatureHigh = scale.temperatureLow + 10;
    // At least one per step, so that every label on the counts' axis is a whole number of its own.
    scale.countHigh = HistoryAxisCeiling(counts < CountAxisSteps ? CountAxisSteps : counts);
    return scale;
}

void DrawAxes(HDC dc, const HistoryWindowRecord &record, const GraphScale &scale)
{
    const RECT &graph = scale.graph;
    GdiObject grid(CreatePen(PS_SOLID, 1, GridColour));
    GdiObject axis(CreatePen(PS_SOLID, 1, AxisColour));
    SetTextColor(dc, AxisColour);
    int tick = Scaled(record, TickLength);
    char label[64];
    // The temperature on the left, the counts on the right, five steps each.
    constexpr int Steps = CountAxisSteps;
    for (int i = 0; i <= Steps; i++) {
        int y = graph.bottom - (graph.bottom - graph.top) * i / Steps;
        SelectObject(dc, grid.handle);
        MoveToEx(dc, graph.left, y, nullptr);
        LineTo(dc, graph.right, y);
        uint32_t temperature = scale.temperatureLow + (scale.temperatureHigh - scale.temperatureLow) * i / Steps;
        FormatInto(label, "%lu C", static_cast<unsigned long>(temperature));
        RECT left = {0, y - Scaled(record, 8), graph.left - tick, y + Scaled(record, 8)};
        DrawTextA(dc, label, -1, &left, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        if (scale.present & ~1u) {
            uint64_t count = static_cast<uint64_t>(scale.countHigh) * i / Steps;
            FormatInto(label, "%llu", static_cast<unsigned long long>(count));
            RECT right = {graph.right + tick, y - Scaled(record, 8), graph.right + Scaled(record, RightAxisWidth),
                          y + Scaled(record, 8)};
            DrawTextA(dc, label, -1, &right, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
    }
    // Time ticks on whole local hours or days, at the newest check's offset.
    const HistorySpanKind &kind = HistorySpanKindOf(record.span);
    int32_t offset = record.count > 0 ? record.points[record.count - 1].utcOffsetMinutes : 0;
    int64_t local = record.start + offset * 60;
    int64_t first = (local / kind.tickSeconds + 1) * kind.tickSeconds - offset * 60;
    int width = graph.right - graph.left;
    for (int64_t t = first; t < record.end; t += kind.tickSeconds) {
        int x = graph.left + HistoryColumnOf(t, record.start, record.end, width);
        SelectObject(dc, grid.handle);
        MoveToEx(dc, x, graph.top, nullptr);
        LineTo(dc, x, graph.bottom);
        SelectObject(dc, axis.handle);
        MoveToEx(dc, x, graph.bottom, nullptr);
        LineTo(dc, x, graph.bottom + tick);
        // Within a day the hours, and the date where a day begins.
        HistoryCivilTime civil = HistoryCivilTimeOf(t, offset);
        bool hours = record.span == HistorySpan::Day && (civil.hour != 0 || civil.minute != 0);
        FormatPointTime(t, offset, !hours, hours, label, sizeof label);
        RECT below = {x - Scaled(record, 60), graph.bottom + tick, x + Scaled(record, 60),
                      graph.bottom + Scaled(record, RowHeight)};
        DrawTextA(dc, label, -1, &below, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    }
    SelectObject(dc, axis.handle);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, graph.left, graph.top, graph.right + 1, graph.bottom + 1);
    SelectObject(dc, GetStockObject(BLACK_PEN));
}

// The temperature as a line through each column's range.
void DrawTemperature(HDC dc, const HistoryWindowRecord &record, const GraphScale &scale)
{
    const RECT &graph = scale.graph;
    GdiObject pen(CreatePen(PS_SOLID, Scaled(record, 2), TemperatureColour));
    SelectObject(dc, pen.handle);
    bool started = false;
    for (int x = 0; x < record.columnCount; x++) {
        const HistoryColumn &column = record.columns[x];
        if (!(column.present & 1))
            continue;
        int low = YOf(graph, column.low[0], scale.temperatureLow, scale.temperatureHigh);
        int high = YOf(graph, column.high[0], scale.temperatureLow, scale.temperatureHigh);
        int last = YOf(graph, column.last[0], scale.temperatureLow, scale.temperatureHigh);
        if (!started)
            MoveToEx(dc, graph.left + x, low, nullptr);
        LineTo(dc, graph.left + x, low);
        LineTo(dc, graph.left + x, high);
        LineTo(dc, graph.left + x, last);
        started = true;
    }
    if (record.limit) {
        LOGBRUSH brush = {BS_SOLID, LimitColour, 0};
        GdiObject dashed(ExtCreatePen(PS_GEOMETRIC | PS_DASH | PS_ENDCAP_FLAT, Scaled(record, 1), &brush, 0, nullptr));
        SelectObject(dc, dashed.handle);
        int y = YOf(graph, record.limit, scale.temperatureLow, scale.temperatureHigh);
        MoveToEx(dc, graph.left, y, nullptr);
        LineTo(dc, graph.right, y);
        SelectObject(dc, GetStockObject(BLACK_PEN));
    }
    SelectObject(dc, GetStockObject(BLACK_PEN));
}

// Each watched count as steps: level until the next check, then up or down.
void DrawCounts(HDC dc, const HistoryWindowRecord &record, const GraphScale &scale)
{
    const RECT &graph = scale.graph;
    for (int item = 0; item < CautionItemCount; item++) {
        int series = 1 + item;
        if (!(scale.present & (1u << series)))
            continue;
        GdiObject pen(CreatePen(PS_SOLID, Scaled(record, 1), CountColours[item]));
        SelectObject(dc, pen.handle);
        bool started = false;
        for (int x = 0; x < record.columnCount; x++) {
            const HistoryColumn &column = record.columns[x];
            if (!(column.present & (1u << series)))
                continue;
            int low = YOf(graph, column.low[series], 0, scale.countHigh);
            int high = YOf(graph, column.high[series], 0, scale.countHigh);
            int last = YOf(graph, column.last[series], 0, scale.countHigh);
            POINT at;
            if (!started)
                MoveToEx(dc, graph.left + x, last, nullptr);
            GetCurrentPositionEx(dc, &at);
            LineTo(dc, graph.left + x, at.y);
            LineTo(dc, graph.left + x, low);
            LineTo(dc, graph.left + x, high);
            LineTo(dc, graph.left + x, last);
            started = true;
        }
        SelectObject(dc, GetStockObject(BLACK_PEN));
    }
}

void DrawLegend(HDC dc, const HistoryWindowRecord &record, const GraphScale &scale, const RECT &client)
{
    int x = scale.graph.left;
    int top = scale.graph.bottom + Scaled(record, RowHeight);
    int rows = 1;
    int swatch = Scaled(record, SwatchWidth);
    int gap = Scaled(record, 4);
    // Entries wrap onto a second row; what fits on neither is left out.
    auto entry = [&](const char *label, HPEN pen) {
        SIZE extent = {};
        GetTextExtentPoint32A(dc, label, static_cast<int>(strlen(label)), &extent);
        if (x + swatch + gap + extent.cx > client.right && rows < 2) {
            rows++;
            x = scale.graph.left;
            top += Scaled(record, RowHeight);
        }
        if (x + swatch + gap + extent.cx > client.right)
            return;
        int middle = top + Scaled(record, RowHeight) / 2;
        SelectObject(dc, pen);
        MoveToEx(dc, x, middle, nullptr);
        LineTo(dc, x + swatch, middle);
        SelectObject(dc, GetStockObject(BLACK_PEN));
        RECT text = {x + swatch + gap, top, client.right, top + Scaled(record, RowHeight)};
        DrawTextA(dc, label, -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        x = text.left + extent.cx + Scaled(record, 2 * Margin);
    };
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    GdiObject temperature(CreatePen(PS_SOLID, Scaled(record, 2), TemperatureColour));
    entry(HistorySeriesLabel(0), static_cast<HPEN>(temperature.handle));
    if (record.limit) {
        LOGBRUSH brush = {BS_SOLID, LimitColour, 0};
        GdiObject dashed(ExtCreatePen(PS_GEOMETRIC | PS_DASH | PS_ENDCAP_FLAT, Scaled(record, 1), &brush, 0, nullptr));
        entry("Limit", static_cast<HPEN>(dashed.handle));
    }
    for (int item = 0; item < CautionItemCount; item++) {
        if (!(scale.present & (1u << (1 + item))))
            continue;
        GdiObject pen(CreatePen(PS_SOLID, Scaled(record, 2), CountColours[item]));
        entry(HistorySeriesLabel(1 + item), static_cast<HPEN>(pen.handle));
    }
}

void PaintHistory(HistoryWindowRecord &record, HDC target)
{
    RECT client;
    GetClientRect(record.window, &client);
    // Drawn off screen first: a resize would flicker otherwise.
    HDC dc = CreateCompatibleDC(target);
    GdiObject bitmap(CreateCompatibleBitmap(target, client.right > 0 ? client.right : 1,
                                            client.bottom > 0 ? client.bottom : 1));
    if (!dc || !bitmap.handle) {
        if (dc)
            DeleteDC(dc);
        return;
    }
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap.handle);
    HGDIOBJ oldFont = SelectObject(dc, record.font);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    SetBkMode(dc, TRANSPARENT);
    RECT graph = GraphRect(record, client);
    ReduceColumns(record, graph.right - graph.left);
    GraphScale scale = ScaleOf(record, graph);
    DrawAxes(dc, record, scale);
    DrawCounts(dc, record, scale);
    DrawTemperature(dc, record, scale);
    DrawLegend(dc, record, scale, client);
    if (record.hoverX >= 0 && record.hoverX < record.columnCount) {
        GdiObject pen(CreatePen(PS_DOT, 1, HoverColour));
        SelectObject(dc, pen.handle);
        MoveToEx(dc, graph.left + record.hoverX, graph.top, nullptr);
        LineTo(dc, graph.left + record.hoverX, graph.bottom);
        SelectObject(dc, GetStockObject(BLACK_PEN));
    }
    if (record.count == 0) {
        SetTextColor(dc, AxisColour);
        DrawTextA(dc, "No checks in this span", -1, &graph, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
}

// The check nearest the mouse's column within reach, or -1.
int PointNear(const HistoryWindowRecord &record, int x)
{
    int reach = Scaled(record, HoverReach);
    for (int distance = 0; distance <= reach; distance++) {
        int sides[2] = {x - distance, x + distance};
        for (int side : sides) {
            if (side >= 0 && side < record.columnCount && record.columns[side].point >= 0)
                return record.columns[side].point;
        }
    }
    return -1;
}

void ShowPointUnderMouse(HistoryWindowRecord &record, int mouseX, int mouseY)
{
    RECT client;
    GetClientRect(record.window, &client);
    RECT graph = GraphRect(record, client);
    int x = mouseX - graph.left;
    bool inside = x >= 0 && x < record.columnCount && mouseY >= graph.top && mouseY <= graph.bottom;
    int hover = inside ? x : -1;
    if (hover != record.hoverX) {
        record.hoverX = hover;
        InvalidateRect(record.window, &graph, FALSE);
    }
    int index = inside ? PointNear(record, x) : -1;
    char text[512] = "";
    if (index >= 0 && static_cast<size_t>(index) < record.count) {
        const HistoryPoint &point = record.points[index];
        FormatPointTime(point.time, point.utcOffsetMinutes, true, true, text, sizeof text);
        char piece[64];
        if (point.temperature) {
            FormatInto(piece, "   %s %u C", HistorySeriesLabel(0), static_cast<unsigned>(point.temperature));
            AppendText(text, piece);
        }
        for (int item = 0; item < CautionItemCount; item++) {
            if (!(point.counted & (1u << item)))
                continue;
            FormatInto(piece, "   %s %lu", HistorySeriesLabel(1 + item),
                       static_cast<unsigned long>(point.counts[item]));
            AppendText(text, piece);
        }
    }
    SetWindowTextA(record.statusLine, text);
    if (inside) {
        TRACKMOUSEEVENT leave = {sizeof leave, TME_LEAVE, record.window, 0};
        TrackMouseEvent(&leave);
    }
}

void ChooseSpan(HistoryWindowRecord &record)
{
    LRESULT chosen = SendMessageA(record.spanChoice, CB_GETCURSEL, 0, 0);
    if (chosen < 0 || chosen >= HistorySpanCount)
        return;
    record.span = static_cast<HistorySpan>(chosen);
    LastSpan = record.span;
    LoadHistoryPoints(record);
    SetWindowTextA(record.statusLine, "");
    InvalidateRect(record.window, nullptr, FALSE);
}

LRESULT OnHistoryCreate(HWND window, const CREATESTRUCTA *create)
{
    HistoryWindowRecord *record = static_cast<HistoryWindowRecord *>(create->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
    record->window = window;
    record->dpi = WindowDpi(window);
    record->spanChoice = CreateWindowExA(0, WC_COMBOBOXA, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST,
                                         0, 0, 0, 0, window, reinterpret_cast<HMENU>(SpanChoiceId), Instance, nullptr);
    record->statusLine = CreateWindowExA(0, WC_STATICA, "", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX,
                                         0, 0, 0, 0, window, reinterpret_cast<HMENU>(StatusLineId), Instance, nullptr);
    if (!record->spanChoice || !record->statusLine)
        return -1;
    for (int span = 0; span < HistorySpanCount; span++)
        SendMessageA(record->spanChoice, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(HistorySpanKindOf(static_cast<HistorySpan>(span)).label));
    SendMessageA(record->spanChoice, CB_SETCURSEL, static_cast<WPARAM>(record->span), 0);
    MakeFont(*record);
    LoadHistoryPoints(*record);
    LayOut(*record);
    return 0;
}

void OnHistoryDestroy(HistoryWindowRecord &record)
{
    FreePoints(record);
    if (record.columns)
        HeapFree(GetProcessHeap(), 0, record.columns);
    if (record.font)
        DeleteObject(record.font);
    memset(&record, 0, sizeof record);
}

LRESULT CALLBACK HistoryWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE)
        return OnHistoryCreate(window, reinterpret_cast<CREATESTRUCTA *>(lParam));
    HistoryWindowRecord *record = RecordOf(window);
    if (!record)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        PaintHistory(*record, dc);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        LayOut(*record);
        return 0;
    case WM_GETMINMAXINFO: {
        MINMAXINFO *limits = reinterpret_cast<MINMAXINFO *>(lParam);
        limits->ptMinTrackSize.x = Scaled(*record, MinimumWidth);
        limits->ptMinTrackSize.y = Scaled(*record, MinimumHeight);
        return 0;
    }
    case WM_MOUSEMOVE:
        ShowPointUnderMouse(*record, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return 0;
    case WM_MOUSELEAVE:
        record->hoverX = -1;
        SetWindowTextA(record->statusLine, "");
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == SpanChoiceId && HIWORD(wParam) == CBN_SELCHANGE)
            ChooseSpan(*record);
        return 0;
    case WM_DPICHANGED:
        record->dpi = HIWORD(wParam);
        MakeFont(*record);
        MoveToSuggestedRect(window, lParam);
        LayOut(*record);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        OnHistoryDestroy(*record);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterHistoryClass()
{
    static bool registered = false;
    if (registered)
        return true;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = HistoryWndProc;
    windowClass.hInstance = Instance;
    windowClass.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));   // IDI_APPLICATION
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));   // IDC_ARROW
    windowClass.lpszClassName = HistoryClassName;
    registered = RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return registered;
}

}  // namespace

HWND OpenHistoryWindow(HWND owner, const char *driveKeyText, const char *model, uint8_t limit)
{
    if (HistoryWindowRecord *open = FindHistoryWindow(driveKeyText)) {
        if (IsIconic(open->window))
            ShowWindow(open->window, SW_RESTORE);
        SetForegroundWindow(open->window);
        return open->window;
    }
    HistoryWindowRecord *record = nullptr;
    for (HistoryWindowRecord &slot : HistoryWindows) {
        if (!slot.window) {
            record = &slot;
            break;
        }
    }
    if (!record || !RegisterHistoryClass())
        return nullptr;
    memset(record, 0, sizeof *record);
    CopyText(record->driveKeyText, driveKeyText);
    record->limit = limit;
    record->span = LastSpan;
    record->hoverX = -1;
    char caption[128];
    FormatInto(caption, "HOLMVARD History - %s", model);
    // Sized at the owner's scale; WM_DPICHANGED follows if it lands elsewhere.
    int dpi = WindowDpi(owner);
    RECT frame = {0, 0, ScaleToDpi(WindowWidth, dpi), ScaleToDpi(WindowHeight, dpi)};
    DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    AdjustWindowRectForDpi(&frame, style, 0, dpi);
    HWND window = CreateWindowExA(0, HistoryClassName, caption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                  frame.right - frame.left, frame.bottom - frame.top, owner, nullptr, Instance,
                                  record);
    if (!window) {
        memset(record, 0, sizeof *record);
        return nullptr;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

void NotifyHistoryAppended(const char *driveKeyText, const HistorySample &sample)
{
    HistoryWindowRecord *record = FindHistoryWindow(driveKeyText);
    if (!record)
        return;
    if (record->count == record->capacity) {
        size_t capacity = record->capacity * 2 + 16;
        void *grown = record->points
                          ? HeapReAlloc(GetProcessHeap(), 0, record->points, capacity * sizeof(HistoryPoint))
                          : HeapAlloc(GetProcessHeap(), 0, capacity * sizeof(HistoryPoint));
        if (!grown)
            return;
        record->points = static_cast<HistoryPoint *>(grown);
        record->capacity = capacity;
    }
    // The same line the file now ends with, read as the window reads the file.
    char line[HistoryLineSize];
    if (!FormatHistoryLine(sample, line, sizeof line) ||
        ReadHistoryPoints(line, strlen(line), INT64_MIN, record->points + record->count, 1) != 1)
        return;
    record->count++;
    record->stale = true;
    InvalidateRect(record->window, nullptr, FALSE);
}

void CloseHistoryWindows()
{
    for (HistoryWindowRecord &record : HistoryWindows) {
        if (record.window)
            DestroyWindow(record.window);
    }
}
