#include "mail/mail_password.h"

#include <wincrypt.h>

#include <cstring>

#include "base/bounded_text.h"
#include "base/guards.h"
#include "base/system_library.h"
#include "resources/resource_ids.h"
#include "state/app_state.h"
#include "state/settings.h"
#include "ui/context_help.h"
#include "ui/help_ids.h"

namespace {

constexpr char PasswordValueName[] = "EmailPassword";
constexpr DWORD StoredPasswordLimit = 4096;

// The seal's library, loaded by the first password stored or read.
struct SealFunctions {
    decltype(&::CryptProtectData) CryptProtectData;
    decltype(&::CryptUnprotectData) CryptUnprotectData;
};
const char *const SealNames[] = {"CryptProtectData", "CryptUnprotectData"};
static_assert(sizeof SealNames / sizeof SealNames[0] == FunctionCount<SealFunctions>());
INIT_ONCE SealLoaded = INIT_ONCE_STATIC_INIT;
SealFunctions Seal;

bool LoadSeal()
{
    return LoadSystemFunctionsOnce(SealLoaded, "crypt32.dll", SealNames, &Seal, FunctionCount<SealFunctions>());
}

// Opens the global settings key, which the program created at its first run.
bool OpenGlobalKey(RegKey &key, REGSAM access)
{
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, GlobalKeyPath, 0, access, &key.handle) == ERROR_SUCCESS;
}

void OnPasswordOk(HWND dialog)
{
    // Servers take the password as UTF-8 whatever the ANSI code page is.
    wchar_t typed[MailPasswordCharacters + 1];
    char password[MailPasswordSize];
    GetDlgItemTextW(dialog, IDC_MAIL_PASSWORD, typed, MailPasswordCharacters + 1);
    bool stored = typed[0] != L'\0' &&
                  WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, typed, -1, password, sizeof password, nullptr,
                                      nullptr) > 0 &&
                  StoreMailPassword(password);
    SecureZeroMemory(typed, sizeof typed);
    SecureZeroMemory(password, sizeof password);
    SetDlgItemTextA(dialog, IDC_MAIL_PASSWORD, "");
    EndDialog(dialog, stored ? IDOK : IDCANCEL);
}

}  // namespace

StoredPassword LoadMailPassword(char (&password)[MailPasswordSize])
{
    password[0] = '\0';
    RegKey key;
    if (!OpenGlobalKey(key, KEY_READ))
        return StoredPassword::None;
    BYTE stored[StoredPasswordLimit];
    DWORD type = 0;
    DWORD size = sizeof stored;
    LSTATUS read = RegQueryValueExA(key.handle, PasswordValueName, nullptr, &type, stored, &size);
    if (read == ERROR_FILE_NOT_FOUND)
        return StoredPassword::None;
    if (read != ERROR_SUCCESS || type != REG_BINARY)
        return StoredPassword::Unreadable;
    DATA_BLOB sealed = {size, stored};
    DATA_BLOB opened = {};
    // Fails for a value another Windows user sealed: the seal is per user.
    if (!LoadSeal() || !Seal.CryptUnprotectData(&sealed, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &opened))
        return StoredPassword::Unreadable;
    bool fits = opened.cbData < sizeof password && !memchr(opened.pbData, 0, opened.cbData);
    if (fits) {
        memcpy(password, opened.pbData, opened.cbData);
        password[opened.cbData] = '\0';
    }
    SecureZeroMemory(opened.pbData, opened.cbData);
    LocalFree(opened.pbData);
    return fits && password[0] != '\0' ? StoredPassword::Loaded : StoredPassword::Unreadable;
}

bool StoreMailPassword(const char *password)
{
    DATA_BLOB clear = {static_cast<DWORD>(strlen(password)), reinterpret_cast<BYTE *>(const_cast<char *>(password))};
    DATA_BLOB sealed = {};
    if (!LoadSeal() || !Seal.CryptProtectData(&clear, L"HOLMVARD e-mail server", nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
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
    // The only Unicode dialog: its edit then keeps what is typed beyond the ANSI code page.
    return DialogBoxParamW(Instance, MAKEINTRESOURCEW(IDD_MAIL_PASSWORD), owner, MailPasswordDlgProc,
                           reinterpret_cast<LPARAM>(user)) == IDOK;
}

INT_PTR CALLBACK MailPasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dialog, IDC_MAIL_PASSWORD_USER, reinterpret_cast<const char *>(lParam));
        SendDlgItemMessageA(dialog, IDC_MAIL_PASSWORD, EM_LIMITTEXT, MailPasswordCharacters, 0);
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
