// The platform's handle types, for portable records that carry handles
// without including <windows.h>.
#pragma once

struct HWND__;                      // the platform's window handle type
using WindowHandle = HWND__ *;
using DeviceHandle = void *;        // the platform's HANDLE
