// Small non-copyable owners of handles that live for one operation, so every
// early return releases them. A copied guard would release twice.
#pragma once

#include <windows.h>

struct RegKey {
    HKEY handle = nullptr;
    bool created = false;   // the key did not exist before it was opened
    RegKey() = default;
    RegKey(const RegKey &) = delete;
    RegKey &operator=(const RegKey &) = delete;
    ~RegKey()
    {
        if (handle)
            RegCloseKey(handle);
    }
};

struct FileHandle {
    HANDLE handle = INVALID_HANDLE_VALUE;
    FileHandle() = default;
    explicit FileHandle(HANDLE file) : handle(file) {}
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;
    ~FileHandle()
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};

// Holds a slim reader/writer lock exclusively for one scope.
struct ExclusiveLock {
    SRWLOCK &lock;
    explicit ExclusiveLock(SRWLOCK &held) : lock(held) { AcquireSRWLockExclusive(&lock); }
    ExclusiveLock(const ExclusiveLock &) = delete;
    ExclusiveLock &operator=(const ExclusiveLock &) = delete;
    ~ExclusiveLock() { ReleaseSRWLockExclusive(&lock); }
};

struct WindowDC {
    HWND window;
    HDC dc;
    explicit WindowDC(HWND owner) : window(owner), dc(GetDC(owner)) {}
    WindowDC(const WindowDC &) = delete;
    WindowDC &operator=(const WindowDC &) = delete;
    ~WindowDC()
    {
        if (dc)
            ReleaseDC(window, dc);
    }
};

struct GdiObject {
    HGDIOBJ handle;
    explicit GdiObject(HGDIOBJ object) : handle(object) {}
    GdiObject(const GdiObject &) = delete;
    GdiObject &operator=(const GdiObject &) = delete;
    ~GdiObject()
    {
        if (handle)
            DeleteObject(handle);
    }
};

struct PopupMenu {
    HMENU handle = CreatePopupMenu();
    PopupMenu() = default;
    PopupMenu(const PopupMenu &) = delete;
    PopupMenu &operator=(const PopupMenu &) = delete;
    ~PopupMenu()
    {
        if (handle)
            DestroyMenu(handle);
    }
};

