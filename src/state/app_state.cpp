#include "state/app_state.h"

HINSTANCE Instance;
UINT TaskbarCreatedMessage;
HICON NormalIcon;
HICON ErrorIcon;
HWND CommandWindow;
uint32_t OsKind;
