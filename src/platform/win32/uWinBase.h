#pragma once
// Entry points looked up at run time, so the program still starts on systems
// that lack them: the Toolhelp functions (kernel32), GetModuleFileNameExW
// (PSAPI.dll, loaded on first use) and QueryFullProcessImageNameW (kernel32,
// Windows 6 and later only). Each is resolved once; null when missing.
#include <windows.h>
#include <tlhelp32.h>

namespace platform::win {

struct ToolhelpFunctions {
    HANDLE(WINAPI* createSnapshot)(DWORD flags, DWORD processId) = nullptr;
    BOOL(WINAPI* processFirst)(HANDLE snapshot, PROCESSENTRY32W* entry) = nullptr;
    BOOL(WINAPI* processNext)(HANDLE snapshot, PROCESSENTRY32W* entry) = nullptr;
    explicit operator bool() const { return createSnapshot && processFirst && processNext; }
};

using GetModuleFileNameExWFn = DWORD(WINAPI*)(HANDLE process, HMODULE module, LPWSTR name, DWORD size);
using QueryFullProcessImageNameWFn = BOOL(WINAPI*)(HANDLE process, DWORD flags, LPWSTR name, PDWORD size);

const ToolhelpFunctions& Toolhelp();
GetModuleFileNameExWFn GetModuleFileNameExWProc();
QueryFullProcessImageNameWFn QueryFullProcessImageNameWProc();

} // namespace platform::win
