/* The service provider a script engine hands to IDispatchEx::InvokeEx, as a
   test hands it to the script bridge: written in C, where an interface's
   table can be filled with only the few entries the bridge calls. */
#pragma once
#include <windows.h>
#include <servprov.h>

#ifdef __cplusplus
extern "C" {
#endif

enum FakeCallerKind {
    FAKE_CALLER_WITHOUT_WINDOW, /* knows no window: the caller stays unknown */
    FAKE_CALLER_UNREADABLE,     /* its window will not give its document */
    FAKE_CALLER_AT_URL          /* its window's document is at documentUrl */
};

/* One caller at a time: each call reshapes and returns the same object,
   which needs no release. */
IServiceProvider* FakeCaller(enum FakeCallerKind kind, const wchar_t* documentUrl);

#ifdef __cplusplus
}
#endif
