// The start-up check of the main profile, on real files.
#include "app/AppMainProfile.h"

#include <string>

#include "TestSupport.h"

using AppLayer::InspectMainProfile;
using AppLayer::MainProfilePath;
using AppLayer::MainProfileState;
using RawLayer::RawString;
using TestSupport::Narrow;

namespace {

RawString Utf8(const std::wstring& path) { return RawString(std::string_view(Narrow(path))); }

TEST(AppMainProfilePath, LastFourCharactersBecomeIni) {
    const struct {
        const char* program;
        const char* profile;
    } cases[] = {
        {"C:\\Tools\\Varnelo.exe", "C:\\Tools\\Varnelo.ini"},
        {"C:\\T\\x.EXE", "C:\\T\\x.ini"},
        {"abcde", "a.ini"},
        {"abcd", "abcd.ini"},  // not longer than four: nothing is cut
        {"", ".ini"},
    };
    for (const auto& c : cases) EXPECT_EQ(MainProfilePath(c.program).ToUtf8(), c.profile) << c.program;
    EXPECT_EQ(MainProfilePath(RawString(RawString("C:\\\xE6\x97\xA5.exe"), RawLayer::Wide)).ToUtf8(),
              "C:\\\xE6\x97\xA5.ini");
}

class AppMainProfileTest : public TestSupport::TempDirTest {};

const char kUtf16Bytes[] = "\xFF\xFE[\0C\0o\0m\0m\0o\0n\0]\0\r\0\n\0P\0r\0o\0g\0r\0a\0m\0=\0V\0";
const std::string kUtf16Profile(kUtf16Bytes, sizeof kUtf16Bytes - 1);

TEST_F(AppMainProfileTest, FirstStartCreatesTheProfile) {
    const std::wstring path = temp.Join(L"Varnelo.ini");
    EXPECT_EQ(InspectMainProfile(Utf8(path)), MainProfileState::Created);
    EXPECT_EQ(TestSupport::ReadFileBytes(path).value_or("<none>"), "[Common]\r\nProgram=Varnelo\r\n\r\n");
    // The second start accepts what the first one wrote.
    EXPECT_EQ(InspectMainProfile(Utf8(path)), MainProfileState::Accepted);
    EXPECT_FALSE(TestSupport::FileExists(path + L".tmp"));
}

TEST_F(AppMainProfileTest, ExistingProfiles) {
    const struct {
        const char* label;
        std::string content;
        MainProfileState expected;
    } cases[] = {
        {"good", "[Common]\r\nProgram=Varnelo\r\n", MainProfileState::Accepted},
        {"any name, any case", "[common]\r\nprogram=Other\r\n", MainProfileState::Accepted},
        {"empty value", "[Common]\r\nProgram=\r\n", MainProfileState::BadFormat},
        {"empty file", "", MainProfileState::BadFormat},
        {"other section", "[Other]\r\nProgram=Varnelo\r\n", MainProfileState::BadFormat},
        {"before any header", "Program=Varnelo\r\n", MainProfileState::BadFormat},
        {"binary", std::string("\x7F\xFF\x00\x01", 4), MainProfileState::BadFormat},
        {"utf-16 with signature", kUtf16Profile, MainProfileState::Accepted},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::wstring path = temp.Join(L"Varnelo.ini");
        ASSERT_TRUE(TestSupport::WriteFileBytes(path, c.content));
        EXPECT_EQ(InspectMainProfile(Utf8(path)), c.expected);
        EXPECT_EQ(TestSupport::ReadFileBytes(path).value_or("<none>"), c.content);  // nothing written
    }
}

TEST_F(AppMainProfileTest, FolderOfThatNameIsLeftAlone) {
    const std::wstring path = temp.Join(L"Varnelo.ini");
    ASSERT_TRUE(TestSupport::CreateFolder(path));
    EXPECT_EQ(InspectMainProfile(Utf8(path)), MainProfileState::Folder);
    EXPECT_TRUE(TestSupport::FolderExists(path));
}

TEST_F(AppMainProfileTest, UnwritableLocationGoesOn) {
    EXPECT_EQ(InspectMainProfile(Utf8(temp.Join(L"missing\\Varnelo.ini"))), MainProfileState::NotWritten);
}

}  // namespace
