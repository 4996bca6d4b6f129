// Owners and scopes: COM references taken and given back in pairs.
#include "raw/RawHandle.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <thread>

using RawLayer::RawComScope;

namespace {

// A start of COM on this thread: S_OK when it is the first, S_FALSE when COM
// was there already in this apartment (either way one more to give back).
HRESULT StartAgain(DWORD apartment) {
    const HRESULT result = CoInitializeEx(nullptr, apartment);
    if (SUCCEEDED(result)) CoUninitialize();
    return result;
}

TEST(RawComScope, GivesBackOnlyWhatItTook) {
    // A thread of its own, so that the test program's COM state stays as it was.
    std::thread([] {
        {
            const RawComScope outer;
            { const RawComScope inner; }
            EXPECT_EQ(StartAgain(COINIT_APARTMENTTHREADED), S_FALSE);  // the inner one left outer's
        }
        EXPECT_EQ(StartAgain(COINIT_APARTMENTTHREADED), S_OK);  // and outer gave its own back
        // In the other apartment the scope takes nothing, so it must end nothing.
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        { const RawComScope other; }
        EXPECT_EQ(StartAgain(COINIT_MULTITHREADED), S_FALSE);
        CoUninitialize();
    }).join();
}

}  // namespace
