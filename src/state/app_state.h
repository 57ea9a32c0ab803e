// Program-wide handles set once at start-up and used for the whole run.
#pragma once

#include <windows.h>

#include <cstdint>

extern HINSTANCE Instance;
extern UINT TaskbarCreatedMessage;
extern HICON NormalIcon;
extern HICON ErrorIcon;
extern HWND CommandWindow;
extern uint32_t OsKind;
