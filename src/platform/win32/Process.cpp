#include "platform/Process.h"

#include <windows.h>

#include "platform/SystemInfo.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WinText.h"
#include "platform/win32/uWinBase.h"

namespace platform {

std::string ParentProcessImagePath()
{
    const win::ToolhelpFunctions& th = win::Toolhelp();
    if (!th)
        return {};
    win::FileHandle snapshot(th.createSnapshot(TH32CS_SNAPALL, 0));
    if (!snapshot)
        return {};

    PROCESSENTRY32W entry {};
    entry.dwSize = sizeof(entry);
    const DWORD self = ::GetCurrentProcessId();
    bool found = false;
    for (BOOL more = th.processFirst(snapshot.get(), &entry); more; more = th.processNext(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == self) {
            found = true;
            break;
        }
    }
    if (!found)
        return {};

    win::Handle parent(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ParentProcessID));
    if (!parent)
        return {};

    wchar_t buf[MAX_PATH] = {};
    bool ok = false;
    if (const auto getName = win::GetModuleFileNameExWProc())
        ok = getName(parent.get(), nullptr, buf, MAX_PATH) > 0;
    // A 32-bit caller cannot read a 64-bit parent's module list; Windows 6
    // and later answer the image name directly.
    if (!ok && ::GetLastError() == ERROR_PARTIAL_COPY && WindowsMajorVersion() > 5) {
        if (const auto query = win::QueryFullProcessImageNameWProc()) {
            DWORD size = MAX_PATH;
            ok = query(parent.get(), 0, buf, &size) != FALSE;
        }
    }
    if (!ok)
        return {};
    buf[MAX_PATH - 1] = L'\0';
    return win::Narrow(buf);
}

bool TrayOnlyStartRequested()
{
    return false;
}

} // namespace platform
