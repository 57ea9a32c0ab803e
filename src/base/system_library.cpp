#include "base/system_library.h"

#include <cstring>

bool LoadSystemFunctions(const char *dll, const char *const *names, void *table, size_t count)
{
    memset(table, 0, count * sizeof(FARPROC));
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, sizeof path);
    size_t name = strlen(dll);
    if (length == 0 || length + 1 + name >= sizeof path)
        return false;
    path[length] = '\\';
    memcpy(path + length + 1, dll, name + 1);
    // The system folder for its own imports too; a Windows without that flag
    // (7 before KB2533623) refuses it, and the full path is the guard there.
    HMODULE library = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!library && GetLastError() == ERROR_INVALID_PARAMETER)
        library = LoadLibraryA(path);
    if (!library)
        return false;
    FARPROC *functions = static_cast<FARPROC *>(table);
    for (size_t i = 0; i < count; i++) {
        functions[i] = GetProcAddress(library, names[i]);
        if (!functions[i]) {
            DWORD error = GetLastError();
            FreeLibrary(library);
            memset(table, 0, count * sizeof(FARPROC));
            SetLastError(error);
            return false;
        }
    }
    return true;
}

namespace {

struct OnceRequest {
    const char *dll;
    const char *const *names;
    void *table;
    size_t count;
};

// A failure is not kept: the next use tries again.
BOOL CALLBACK LoadOnce(INIT_ONCE *, void *parameter, void **)
{
    const OnceRequest &request = *static_cast<const OnceRequest *>(parameter);
    return LoadSystemFunctions(request.dll, request.names, request.table, request.count) ? TRUE : FALSE;
}

}  // namespace

bool LoadSystemFunctionsOnce(INIT_ONCE &once, const char *dll, const char *const *names, void *table,
                             size_t count)
{
    OnceRequest request = {dll, names, table, count};
    return InitOnceExecuteOnce(&once, LoadOnce, &request, nullptr) != FALSE;
}
