// A top-level window of the program moved to a monitor of another scale takes
// the rectangle Windows suggests with WM_DPICHANGED. Wine has one DPI for the
// whole session and never sends the message: the test sends it.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/splash.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "ui/alert_placement.h"

namespace {

INT_PTR CALLBACK NoDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

HWND OpenSplash()
{
    ShowSplash();
    return FindWindowA("Splash", nullptr);
}

HWND OpenAlert()
{
    HWND dialog = CreateDialogParamA(Instance, MAKEINTRESOURCEA(IDD_SMART_ERROR), nullptr, NoDialogProc, 0);
    if (dialog)
        PlaceAlertDialog(dialog);
    return dialog;
}

TEST(DpiChange, TheSplashAndAnAlertTakeTheSuggestedRectangle)
{
    Instance = GetModuleHandleA(nullptr);
    const struct {
        const char *name;
        HWND (*open)();
    } windows[] = {{"splash", OpenSplash}, {"alert", OpenAlert}};
    for (const auto &w : windows) {
        HWND window = w.open();
        ASSERT_NE(window, nullptr) << w.name;
        RECT before;
        GetWindowRect(window, &before);
        // As for a move onto a 200 % monitor to the right: twice the size, further right.
        RECT suggested = {before.left + 40, before.top + 10, before.left + 40 + 2 * (before.right - before.left),
                          before.top + 10 + 2 * (before.bottom - before.top)};
        SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
        RECT after;
        GetWindowRect(window, &after);
        EXPECT_EQ(after.left, suggested.left) << w.name;
        EXPECT_EQ(after.top, suggested.top) << w.name;
        EXPECT_EQ(after.right, suggested.right) << w.name;
        EXPECT_EQ(after.bottom, suggested.bottom) << w.name;
        DestroyWindow(window);
    }
}

}  // namespace
