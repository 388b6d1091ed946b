// What the installer carries as vantrel.exe when the program itself is not built
// (VANTREL_WINDOWS_PROGRAM=OFF): prints the installation folder the installer recorded and
// whether the catalogs are there, so the installer's tests can run on their own.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain() {
    wchar_t path[MAX_PATH] = {};
    DWORD bytes = sizeof path;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Quillane\\Vantrel", L"InstallPath",
                     RRF_RT_REG_SZ, nullptr, path, &bytes) != ERROR_SUCCESS) {
        std::printf("no InstallPath\n");
        return 1;
    }
    const std::wstring catalog = std::wstring(path) + L"\\Messages\\0407.lcl";
    const bool present = GetFileAttributesW(catalog.c_str()) != INVALID_FILE_ATTRIBUTES;
    std::printf("InstallPath %ls catalogs %s\n", path, present ? "present" : "missing");
    return present ? 0 : 1;
}
