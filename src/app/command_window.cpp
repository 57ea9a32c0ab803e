#include "app/command_window.h"

#include "resources/resource_ids.h"

namespace {

void OnCommand(WORD command)
{
    switch (command) {
    case IDM_CLOSE:
        PostQuitMessage(0);
        break;
    }
}

}  // namespace

INT_PTR CALLBACK CommandWindowProc(HWND, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        break;
    }
    return FALSE;
}
