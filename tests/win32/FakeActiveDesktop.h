#pragma once
// A stand-in for the shell's Active Desktop that records what it is asked.
#include <windows.h>
#include <wininet.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

namespace testing_support {

struct ActiveDesktopScript {
    HRESULT optionsResult = S_OK;
    HRESULT wallpaperResult = S_OK;
    HRESULT applyResult = S_OK;

    std::vector<std::string> calls;
    DWORD optionsSize = 0;
    DWORD optionsStyle = 0xFFFFFFFF;
    std::wstring wallpaper;
    bool wallpaperBufferZeroFilled = false;
    DWORD applyFlags = 0;
    bool creatorInSta = false;
    LONG liveObjects = 0;
};

// Registers the fake under the shell's class id for as long as it lives.
class FakeActiveDesktopRegistration {
public:
    explicit FakeActiveDesktopRegistration(ActiveDesktopScript& script);
    ~FakeActiveDesktopRegistration();
    FakeActiveDesktopRegistration(const FakeActiveDesktopRegistration&) = delete;
    FakeActiveDesktopRegistration& operator=(const FakeActiveDesktopRegistration&) = delete;
    bool ok() const { return cookie_ != 0; }

private:
    IClassFactory* factory_ = nullptr;
    DWORD cookie_ = 0;
};

class InitSpy;

// Registers the fake in the apartment this thread gets from its next first
// CoInitialize, and revokes it before that apartment ends: a call that does
// not initialise COM on its thread never reaches the fake.
class FakeActiveDesktopOnThreadInit {
public:
    explicit FakeActiveDesktopOnThreadInit(ActiveDesktopScript& script);
    ~FakeActiveDesktopOnThreadInit();
    FakeActiveDesktopOnThreadInit(const FakeActiveDesktopOnThreadInit&) = delete;
    FakeActiveDesktopOnThreadInit& operator=(const FakeActiveDesktopOnThreadInit&) = delete;
    bool ok() const { return registered_; }
    int initialisations() const;
    int uninitialisations() const;

private:
    InitSpy* spy_ = nullptr;
    ULARGE_INTEGER cookie_ {};
    bool registered_ = false;
};

} // namespace testing_support
