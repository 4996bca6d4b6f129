// The start-up check of the main profile, on real files.
#include "app/AppMainProfile.h"

#include <string>

#include "TestSupport.h"
#include "raw/RawParameterFile.h"

using AppLayer::InspectMainProfile;
using AppLayer::MainProfileState;
using RawLayer::RawString;
using namespace TestSupport;

namespace {

TEST(AppMainProfilePath, LastFourCharactersBecomeIni) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Tools\\Varnelo.exe", "C:\\Tools\\Varnelo.ini"}, {"C:\\T\\x.EXE", "C:\\T\\x.ini"},
        {"abcd", "abcd.ini"},  // not longer than four: nothing is cut
    };
    for (const auto& [program, profile] : cases) EXPECT_EQ(AppLayer::MainProfilePath(program).ToUtf8(), profile);
    EXPECT_EQ(AppLayer::MainProfilePath(RawString(RawString("C:\\\xE6\x97\xA5.exe"), RawLayer::RawCodeKind::Wide)).ToUtf8(),
              "C:\\\xE6\x97\xA5.ini");
}

class AppMainProfileTest : public TempDirTest {
protected:
    const std::wstring path = temp.Join(L"Varnelo.ini");
    MainProfileState Inspect(const std::wstring& at) { return InspectMainProfile(Raw(at)); }
};

// The first start writes the profile; then it, and every other, is only read.
TEST_F(AppMainProfileTest, FirstStartCreatesTheProfileThenItIsOnlyRead) {
    EXPECT_EQ(Inspect(path), MainProfileState::Created);
    EXPECT_EQ(ReadFileBytes(path), "[Common]\r\nProgram=Varnelo\r\n\r\n");
    EXPECT_FALSE(FileExists(path + L".tmp"));
    const char utf16[] = "\xFF\xFE[\0C\0o\0m\0m\0o\0n\0]\0\r\0\n\0P\0r\0o\0g\0r\0a\0m\0=\0V\0";
    const struct { const char* label; std::string content; MainProfileState expected; } cases[] = {
        {"as written", "[Common]\r\nProgram=Varnelo\r\n\r\n", MainProfileState::Accepted},
        {"any name, any case", "[common]\r\nprogram=Other\r\n", MainProfileState::Accepted},
        {"utf-16 with signature", std::string(utf16, sizeof utf16 - 1), MainProfileState::Accepted},
        {"empty value", "[Common]\r\nProgram=\r\n", MainProfileState::BadFormat},
        {"empty file", "", MainProfileState::BadFormat},
        {"other section", "[Other]\r\nProgram=Varnelo\r\n", MainProfileState::BadFormat},
        {"before any header", "Program=Varnelo\r\n", MainProfileState::BadFormat},
        {"binary", std::string("\x7F\xFF\x00\x01", 4), MainProfileState::BadFormat},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_TRUE(WriteFileBytes(path, c.content));
        EXPECT_EQ(Inspect(path), c.expected);
        EXPECT_EQ(ReadFileBytes(path), c.content);
    }
    // No file where none can be.
    ASSERT_TRUE(DeleteFileW(path.c_str()));
    EXPECT_EQ(Inspect(temp.Join(L"missing\\Varnelo.ini")), MainProfileState::NotWritten);
    ASSERT_TRUE(CreateFolder(path));
    EXPECT_EQ(Inspect(path), MainProfileState::Folder);
    EXPECT_TRUE(FolderExists(path));
}

// The first start, as a person makes it: the program run once in a folder of
// its own. Its profile gets the two hint lists with their notes; a profile
// that is there, with or without them, is never written by a start.
TEST_F(ProgramTest, FirstStartWritesTheHintListsOnce) {
    const std::wstring profile = temp.Join(L"prog\\Varnelo.ini");
    const std::wstring line = CommandLine(program, {L"-i", L"-n", L"%0"});
    DWORD exitCode = 1;
    ASSERT_TRUE(RunProcess(line, &exitCode, nullptr));
    EXPECT_EQ(exitCode, 0u);
    const std::string written = ReadFileBytes(profile).value_or("");
    EXPECT_EQ(written.rfind("[Common]\r\nProgram=Varnelo\r\n", 0), 0u) << written;
    for (const char* hint : {"[OldNameHint]\r\n*.*=name and extension apart at the first dot\r\n",
                             "IMG_*.jpg=photos from a camera\r\n", "[NewNameHint]\r\n%0=the first part\r\n"})
        EXPECT_NE(written.find(hint), std::string::npos) << hint << "\n" << written;
    RawLayer::RawParameterFile file(Raw(profile));
    for (const char* section : {"OldNameHint", "NewNameHint"}) {
        RawLayer::RawParameterList hints;
        ASSERT_TRUE(file.ReadSection(&hints, section));
        int32_t withNotes = 0;
        for (const RawLayer::RawParameterUnit& hint : hints)
            if (!(hint.key == RawString("-")) && !hint.value.IsEmpty()) ++withNotes;
        EXPECT_TRUE(withNotes >= 8 && withNotes <= 12) << section << " " << withNotes;
    }
    for (const std::string& existing : {written, std::string("[Common]\r\nProgram=Varnelo\r\n")}) {
        ASSERT_TRUE(WriteFileBytes(profile, existing));
        ASSERT_TRUE(RunProcess(line, &exitCode, nullptr));
        EXPECT_EQ(ReadFileBytes(profile), existing);
    }
}

}  // namespace
