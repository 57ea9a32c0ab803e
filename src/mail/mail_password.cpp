#include "mail/mail_password.h"

#include <wincrypt.h>

#include <cstring>

#include "base/bounded_text.h"
#include "base/guards.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "state/settings.h"
#include "ui/context_help.h"
#include "ui/help_ids.h"

namespace {

constexpr char PasswordValueName[] = "EmailPassword";
constexpr DWORD StoredPasswordLimit = 4096;

// Opens the global settings key, which the program created at its first run.
bool OpenGlobalKey(RegKey &key, REGSAM access)
{
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, GlobalKeyPath, 0, access, &key.handle) == ERROR_SUCCESS;
}

void OnPasswordOk(HWND dialog)
{
    char password[MailPasswordSize];
    GetDlgItemTextA(dialog, IDC_MAIL_PASSWORD, password, sizeof password);
    bool stored = password[0] != '\0' && StoreMailPassword(password);
    SecureZeroMemory(password, sizeof password);
    SetDlgItemTextA(dialog, IDC_MAIL_PASSWORD, "");
    EndDialog(dialog, stored ? IDOK : IDCANCEL);
}

}  // namespace

bool LoadMailPassword(char (&password)[MailPasswordSize])
{
    password[0] = '\0';
    RegKey key;
    if (!OpenGlobalKey(key, KEY_READ))
        return false;
    BYTE stored[StoredPasswordLimit];
    DWORD type = 0;
    DWORD size = sizeof stored;
    if (RegQueryValueExA(key.handle, PasswordValueName, nullptr, &type, stored, &size) != ERROR_SUCCESS ||
        type != REG_BINARY)
        return false;
    DATA_BLOB sealed = {size, stored};
    DATA_BLOB opened = {};
    if (!CryptUnprotectData(&sealed, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &opened))
        return false;
    bool fits = opened.cbData < sizeof password && !memchr(opened.pbData, 0, opened.cbData);
    if (fits) {
        memcpy(password, opened.pbData, opened.cbData);
        password[opened.cbData] = '\0';
    }
    SecureZeroMemory(opened.pbData, opened.cbData);
    LocalFree(opened.pbData);
    return fits && password[0] != '\0';
}

bool StoreMailPassword(const char *password)
{
    DATA_BLOB clear = {static_cast<DWORD>(strlen(password)), reinterpret_cast<BYTE *>(const_cast<char *>(password))};
    DATA_BLOB sealed = {};
    if (!CryptProtectData(&clear, L"HOLMVARD e-mail server", nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                          &sealed))
        return false;
    RegKey key;
    bool stored = OpenGlobalKey(key, KEY_SET_VALUE) &&
                  RegSetValueExA(key.handle, PasswordValueName, 0, REG_BINARY, sealed.pbData, sealed.cbData) ==
                      ERROR_SUCCESS;
    LocalFree(sealed.pbData);
    return stored;
}

bool AskMailPassword(HWND owner, const char *user)
{
    return DialogBoxParamA(Instance, MAKEINTRESOURCEA(IDD_MAIL_PASSWORD), owner, MailPasswordDlgProc,
                           reinterpret_cast<LPARAM>(user)) == IDOK;
}

INT_PTR CALLBACK MailPasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dialog, IDC_MAIL_PASSWORD_USER, reinterpret_cast<const char *>(lParam));
        SendDlgItemMessageA(dialog, IDC_MAIL_PASSWORD, EM_LIMITTEXT, MailPasswordSize - 1, 0);
        return TRUE;
    case WM_HELP:
        return ShowWindowTopic(dialog, MailPasswordTopic);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            OnPasswordOk(dialog);
            return TRUE;
        case IDCANCEL:
            SetDlgItemTextA(dialog, IDC_MAIL_PASSWORD, "");
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}
