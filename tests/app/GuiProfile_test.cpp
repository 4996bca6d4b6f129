// Which files the main profile points at, and where relative values lead.
#include "app/GuiProfile.h"

#include "TestSupport.h"
#include "raw/RawPath.h"
#include "raw/RawShell.h"

using namespace AppLayer;
using namespace TestSupport;
using RawLayer::RawString;

namespace {
RawString U8(const std::wstring& wide) { return RawString(Narrow(wide)); }
}  // namespace

class GuiProfileFiles : public TempDirTest {};

TEST_F(GuiProfileFiles, DefaultsAndLanguageSearch) {
    const RawString main = U8(temp.Join(L"Varnelo.ini"));
    // First start: nothing written yet, every profile is the main profile.
    GuiProfilePaths paths = ResolveProfilePaths(main, U8(temp.Path()));
    EXPECT_EQ(paths.guiProfile, main);
    EXPECT_EQ(paths.configFile, main);
    EXPECT_TRUE(paths.languageFile.IsEmpty());
    EXPECT_TRUE(paths.languageName.IsEmpty());

    ASSERT_TRUE(WriteFileBytes(temp.Join(L"LanguageFile.ini"), "[English]\r\n"));
    paths = ResolveProfilePaths(main, U8(temp.Join(L"elsewhere")));
    EXPECT_EQ(paths.languageFile.ToUtf8(), Narrow(temp.Join(L"LanguageFile.ini")));

    // A folder of that name is no language file; the program's folder is next.
    const std::wstring prog = temp.Join(L"prog");
    ASSERT_TRUE(CreateFolder(prog));
    ASSERT_TRUE(WriteFileBytes(prog + L"\\LanguageFile.ini", "[English]\r\n"));
    const std::wstring cfgFolder = temp.Join(L"cfg");
    ASSERT_TRUE(CreateFolder(cfgFolder));
    ASSERT_TRUE(CreateFolder(cfgFolder + L"\\LanguageFile.ini"));
    ASSERT_TRUE(WriteFileBytes(temp.Join(L"Varnelo.ini"),
                               "[Common]\r\nProgram=Varnelo\r\nConfigFile=" + Narrow(cfgFolder) +
                                   "\\Options.ini\r\nLanguage=Deutsch\r\n"));
    paths = ResolveProfilePaths(main, U8(prog));
    EXPECT_EQ(paths.configFile.ToUtf8(), Narrow(cfgFolder + L"\\Options.ini"));
    EXPECT_EQ(paths.languageFile.ToUtf8(), Narrow(prog + L"\\LanguageFile.ini"));
    EXPECT_EQ(paths.languageName.ToUtf8(), "Deutsch");
    EXPECT_EQ(paths.guiProfile, main);
}

TEST_F(GuiProfileFiles, RelativeValuesFollowTheProgramNotTheCurrentFolder) {
    const RawString main = U8(temp.Join(L"Varnelo.ini"));
    ASSERT_TRUE(WriteFileBytes(temp.Join(L"Varnelo.ini"),
                               "[Common]\r\nProgram=Varnelo\r\nConfigFile=conf\\Options.ini\r\n"
                               "GuiProfile=$(User)\\gui.ini\r\nLanguageFile=..\\lang\\L.ini\r\n"));
    wchar_t previous[4096];
    GetCurrentDirectoryW(4096, previous);
    SetCurrentDirectoryW(temp.Path().c_str());
    const GuiProfilePaths paths = ResolveProfilePaths(main, U8(temp.Path()));
    SetCurrentDirectoryW(previous);
    const RawString programFolder = RawLayer::ProgramFolder();
    EXPECT_EQ(paths.configFile, RawLayer::JoinPath(programFolder, "conf\\Options.ini"));
    EXPECT_EQ(paths.languageFile, RawLayer::JoinPath(RawLayer::ParentPath(programFolder), "lang\\L.ini"));
    const RawString userFolder = RawLayer::JoinPath(RawLayer::SpecialFolder(RawLayer::kAppDataFolder), "Varnelo");
    EXPECT_EQ(paths.guiProfile, RawLayer::JoinPath(userFolder, "gui.ini"));
    EXPECT_TRUE(RawLayer::IsFolder(userFolder));  // created on the way
}
