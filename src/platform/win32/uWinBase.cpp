#include "platform/win32/uWinBase.h"

#include "platform/win32/Handles.h"

namespace platform::win {
namespace {

// FARPROC to the real signature; the detour through void(*)() keeps
// -Wcast-function-type quiet about a cast that is the whole point here.
template <typename Fn>
Fn Lookup(HMODULE module, const char* name)
{
    if (!module)
        return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

HMODULE Kernel32()
{
    HMODULE k = ::GetModuleHandleW(L"kernel32.dll");
    if (!k) {
        // Loaded once and kept for the life of the process.
        static Module loaded(::LoadLibraryW(L"kernel32.dll"));
        k = loaded.get();
    }
    return k;
}

} // namespace

const ToolhelpFunctions& Toolhelp()
{
    static const ToolhelpFunctions functions = [] {
        ToolhelpFunctions f;
        const HMODULE k = Kernel32();
        f.createSnapshot = Lookup<decltype(f.createSnapshot)>(k, "CreateToolhelp32Snapshot");
        f.processFirst = Lookup<decltype(f.processFirst)>(k, "Process32FirstW");
        f.processNext = Lookup<decltype(f.processNext)>(k, "Process32NextW");
        return f;
    }();
    return functions;
}

GetModuleFileNameExWFn GetModuleFileNameExWProc()
{
    static Module psapi(::LoadLibraryW(L"PSAPI.dll"));
    static const GetModuleFileNameExWFn fn = Lookup<GetModuleFileNameExWFn>(psapi.get(), "GetModuleFileNameExW");
    return fn;
}

QueryFullProcessImageNameWFn QueryFullProcessImageNameWProc()
{
    static const QueryFullProcessImageNameWFn fn =
        Lookup<QueryFullProcessImageNameWFn>(Kernel32(), "QueryFullProcessImageNameW");
    return fn;
}

} // namespace platform::win
