// The tray menu as the program's resources define it.
#include <gtest/gtest.h>

#include <windows.h>

#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "ui/tray_icon.h"

namespace {

TEST(TrayMenu, OffersPropertiesHelpAndCloseWithPropertiesAsDefault)
{
    Instance = GetModuleHandleA(nullptr);
    HMENU popup = nullptr;
    HMENU menu = LoadTrayMenu(popup);
    ASSERT_NE(menu, nullptr);
    ASSERT_NE(popup, nullptr);
    const struct {
        UINT command;
        const char *text;
    } items[] = {{IDM_PROPERTIES, "Properties"}, {IDM_HELP, "Help"}, {IDM_CLOSE, "Close"}};
    ASSERT_EQ(GetMenuItemCount(popup), 3);
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(GetMenuItemID(popup, i), items[i].command);
        char text[64] = "";
        GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, items[i].text);
    }
    EXPECT_EQ(GetMenuDefaultItem(popup, FALSE, 0), static_cast<UINT>(IDM_PROPERTIES));
    DestroyMenu(menu);
}

TEST(TrayMenu, CommandIdsAndCallbackAreThoseTheShellAndTheMenuUse)
{
    EXPECT_EQ(TrayCallbackMessage, 0x8064u);
    EXPECT_EQ(TrayIconId, 102u);
    EXPECT_EQ(IDM_PROPERTIES, 40002);
    EXPECT_EQ(IDM_HELP, 9);
    EXPECT_EQ(IDM_CLOSE, 1000);
}

}  // namespace

namespace {

TEST(DiscardPendingMessages, RemovesAtMostAThousandMessagesOfTheWindowAndLeavesOthers)
{
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND other = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    for (int i = 0; i < 1500; i++)
        ASSERT_TRUE(PostMessageA(window, WM_USER, i, 0));
    PostMessageA(other, WM_USER, 0, 0);
    DiscardPendingMessages(window);
    int left = 0;
    MSG message;
    while (PeekMessageA(&message, window, WM_USER, WM_USER, PM_REMOVE)) {
        // The oldest thousand went first.
        EXPECT_EQ(message.wParam, static_cast<WPARAM>(1000 + left));
        left++;
    }
    EXPECT_EQ(left, 500);
    EXPECT_TRUE(PeekMessageA(&message, other, WM_USER, WM_USER, PM_REMOVE)) << "another window's message stays";
    DestroyWindow(window);
    DestroyWindow(other);
}

}  // namespace
