// The helper behaviours whose failure the other tests would not show: quoting
// that only blanks in the machine's paths would exercise, and a process that
// runs too long stalling the whole run.
#include "TestSupport.h"

using namespace TestSupport;

TEST(TestSupport, CommandLineQuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(CommandLine(L"C:\\a b\\V.exe", {L"-o", L"x y", L""}), L"\"C:\\a b\\V.exe\" -o \"x y\" \"\"");
}

TEST(TestSupport, RunProcessEndsAProcessTreeThatRunsTooLong) {
    // cmd starts ping as its own child: both must be gone, or the ping would
    // hold this program's output open for half a minute.
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(RunProcess(L"cmd.exe /c ping -n 30 127.0.0.1", nullptr, nullptr, 500));
    EXPECT_LT(GetTickCount64() - start, 10000u);
}
