#include "platform/Clock.h"

#include <windows.h>

namespace platform {

LocalDateTime LocalNow()
{
    SYSTEMTIME st {};
    ::GetLocalTime(&st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

} // namespace platform
