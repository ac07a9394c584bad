#pragma once
// A window for the real portal view to live in, with the control Wine
// provides, and the portal address the view serves meanwhile.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <cstdlib>

class PortalViewHost : public ::testing::Test {
public:
    static constexpr const char* kHostedPortal = "http://127.0.0.1:17598/";

protected:
    void SetUp() override
    {
        ::_putenv_s("PICTAVO_PORTAL_URL", kHostedPortal);
        ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
        parent_ = ::CreateWindowExW(0, L"STATIC", L"host", WS_POPUP, 0, 0, 895, 600, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
    }
    void TearDown() override
    {
        ::DestroyWindow(parent_);
        ::OleUninitialize();
        ::_putenv_s("PICTAVO_PORTAL_URL", "");
    }
    HWND parent_ = nullptr;
};
