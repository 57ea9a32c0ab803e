// The About page of the property sheet.
#pragma once

#include <windows.h>

// The maker's web site, opened by the page's button.
constexpr char MakerWebsite[] = "https://holmvard.example.org/";

INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
