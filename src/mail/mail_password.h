// The e-mail server's password: kept only in the registry value EmailPassword
// beside the global settings, encrypted with the system's data protection, and
// asked for in a dialog of its own. The seal is the Windows user's own: the
// value sits in HKLM, but another user of the computer cannot unseal it.
#pragma once

#include <windows.h>

#include "mail/mail_server_address.h"

enum class StoredPassword { Loaded, None, Unreadable };

// Reads and decrypts the stored password, UTF-8. None when no value is
// stored; Unreadable when one is and it cannot be unsealed (another user
// sealed it) or is no password. The caller wipes it after use.
StoredPassword LoadMailPassword(char (&password)[MailPasswordSize]);

// Encrypts and stores the password (UTF-8); false when that fails.
bool StoreMailPassword(const char *password);

// The "E-mail Server Password" dialog for the user, modal to owner. Its edit
// is a Unicode window, so a password outside the ANSI code page is read whole
// and stored as UTF-8. On OK the password is stored and true returned.
bool AskMailPassword(HWND owner, const char *user);

INT_PTR CALLBACK MailPasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
