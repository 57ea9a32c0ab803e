// The e-mail server's password: kept only in the registry value EmailPassword
// beside the global settings, encrypted with the system's data protection, and
// asked for in a dialog of its own.
#pragma once

#include <windows.h>

constexpr size_t MailPasswordSize = 256;

// Reads and decrypts the stored password; false when none is stored or it
// cannot be decrypted. The caller wipes it after use.
bool LoadMailPassword(char (&password)[MailPasswordSize]);

// Encrypts and stores the password; false when that fails.
bool StoreMailPassword(const char *password);

// The "E-mail Server Password" dialog for the user, modal to owner. On OK the
// password is stored and true returned.
bool AskMailPassword(HWND owner, const char *user);

INT_PTR CALLBACK MailPasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
