// Which files the main profile points at, where relative values lead, and
// what the GUI profile gives the toolkit and takes back.
#include "app/GuiProfile.h"

#include "TestSupport.h"
#include "raw/RawLabelStore.h"
#include "raw/RawPath.h"
#include "raw/RawShell.h"
#include "win/WinToolkit.h"

using namespace AppLayer;
using namespace TestSupport;
using RawLayer::RawString;

class GuiProfileFiles : public TempDirTest {};

TEST_F(GuiProfileFiles, DefaultsAndLanguageSearch) {
    const RawString main = Raw(temp.Join(L"Varnelo.ini"));
    // First start: nothing written yet, every profile is the main profile.
    GuiProfilePaths paths = ResolveProfilePaths(main, Raw(temp.Path()));
    EXPECT_TRUE(paths.guiProfile == main && paths.configFile == main);
    EXPECT_TRUE(paths.languageFile.IsEmpty() && paths.languageName.IsEmpty());

    ASSERT_TRUE(WriteFileBytes(temp.Join(L"LanguageFile.ini"), "[English]\r\n"));
    paths = ResolveProfilePaths(main, Raw(temp.Join(L"elsewhere")));
    EXPECT_EQ(paths.languageFile.ToUtf8(), Narrow(temp.Join(L"LanguageFile.ini")));

    // A folder of that name is no language file; the program's folder is next.
    const std::wstring prog = temp.Join(L"prog"), cfgFolder = temp.Join(L"cfg");
    ASSERT_TRUE(PutFile(prog + L"\\LanguageFile.ini", "[English]\r\n"));
    ASSERT_TRUE(CreateFolder(cfgFolder) && CreateFolder(cfgFolder + L"\\LanguageFile.ini"));
    ASSERT_TRUE(WriteFileBytes(temp.Join(L"Varnelo.ini"),
                               "[Common]\r\nProgram=Varnelo\r\nConfigFile=" + Narrow(cfgFolder) +
                                   "\\Options.ini\r\nLanguage=Deutsch\r\n"));
    paths = ResolveProfilePaths(main, Raw(prog));
    EXPECT_EQ((std::vector{paths.configFile, paths.languageFile, paths.languageName, paths.guiProfile}),
              (std::vector{Raw(cfgFolder + L"\\Options.ini"), Raw(prog + L"\\LanguageFile.ini"), RawString("Deutsch"), main}));
}

TEST_F(GuiProfileFiles, RelativeValuesFollowTheProgramNotTheCurrentFolder) {
    const RawString main = Raw(temp.Join(L"Varnelo.ini"));
    ASSERT_TRUE(WriteFileBytes(temp.Join(L"Varnelo.ini"),
                               "[Common]\r\nProgram=Varnelo\r\nConfigFile=conf\\Options.ini\r\n"
                               "GuiProfile=$(User)\\gui.ini\r\nLanguageFile=..\\lang\\L.ini\r\n"));
    wchar_t previous[4096];
    GetCurrentDirectoryW(4096, previous);
    SetCurrentDirectoryW(temp.Path().c_str());
    const GuiProfilePaths paths = ResolveProfilePaths(main, Raw(temp.Path()));
    SetCurrentDirectoryW(previous);
    const RawString programFolder = RawLayer::ProgramFolder();
    const RawString userFolder = RawLayer::JoinPath(RawLayer::SpecialFolder(RawLayer::kAppDataFolder), "Varnelo");
    EXPECT_EQ((std::vector{paths.configFile, paths.languageFile, paths.guiProfile}),
              (std::vector{RawLayer::JoinPath(programFolder, "conf\\Options.ini"),
                           RawLayer::JoinPath(RawLayer::ParentPath(programFolder), "lang\\L.ini"),
                           RawLayer::JoinPath(userFolder, "gui.ini")}));
    EXPECT_TRUE(RawLayer::IsFolder(userFolder));  // created on the way
}

// ---------------------------------------------------------------- the GUI profile object

namespace {

// Puts the process-wide toolkit and label store back after a test changed them.
class GuiProfileState : public TempDirTest {
protected:
    void SetUp() override { font = WinLayer::WinToolkit::Instance().DefaultLogFont(); }
    void TearDown() override {
        WinLayer::WinToolkit& toolkit = WinLayer::WinToolkit::Instance();
        toolkit.SetDefaultFont(font);
        toolkit.margin = toolkit.buttonR = 4;
        RawLayer::RawLabelStore::Instance().SetLanguageFile(RawString());
        RawLayer::RawLabelStore::Instance().SetRequestedLanguage(RawString());
        RawLayer::RawLabelStore::Instance().LoadLanguage();
    }
    GuiProfilePaths Paths(const std::string& gui) {
        EXPECT_TRUE(WriteFileBytes(temp.Join(L"gui.ini"), gui));
        GuiProfilePaths paths;
        paths.guiProfile = Raw(temp.Join(L"gui.ini"));
        return paths;
    }
    LOGFONTW font{};
};

}  // namespace

TEST_F(GuiProfileState, FontsFallBackSectionBySection) {
    const int32_t system = WinLayer::WinToolkit::Instance().DefaultLogFont().lfHeight;
    const struct { std::string gui; int32_t window, list, menu, tip; } cases[] = {
        {"", system, system, system, system},
        // No [ListFont]: the window font; no [MenuFont]: the system font, not the window font.
        {"[WindowFont]\r\nHeight=-21\r\n", -21, -21, system, -21},
        {"[WindowFont]\r\nHeight=-21\r\n[ListFont]\r\nHeight=-22\r\n[MenuFont]\r\nHeight=-24\r\n"
         "[TipFont]\r\nHeight=-23\r\n", -21, -22, -24, -23},
        {"[ListFont]\r\nHeight=-22\r\n", system, -22, system, system},
    };
    for (const auto& c : cases) {
        WinLayer::WinToolkit::Instance().SetDefaultFont(font);
        GuiProfile profile;
        profile.Load(Paths(c.gui));
        const LOGFONTW& window = WinLayer::WinToolkit::Instance().DefaultLogFont();
        EXPECT_EQ(window.lfHeight, c.window) << c.gui;
        EXPECT_EQ(profile.FontRecord(GuiFontKind::List).logFont.lfHeight, c.list) << c.gui;
        EXPECT_EQ(profile.FontRecord(GuiFontKind::Menu).logFont.lfHeight, c.menu) << c.gui;
        EXPECT_EQ(profile.FontRecord(GuiFontKind::Tip).logFont.lfHeight, c.tip) << c.gui;
        // A section with only a height keeps every other field of the system font.
        EXPECT_EQ(std::wstring(window.lfFaceName), std::wstring(font.lfFaceName));
        EXPECT_NE(profile.FontRecord(GuiFontKind::List).Handle(), nullptr);
    }
}

TEST_F(GuiProfileState, LanguageWindowParametersAndWrites) {
    const std::wstring languageFile = temp.Join(L"LanguageFile.ini");
    ASSERT_TRUE(WriteFileBytes(languageFile, "[English]\r\nItemLabels_OldNameTag=Old name:\r\n"));
    GuiProfilePaths paths = Paths("[UserSelection]\r\nLanguage=Deutsch\r\n[WindowParameter]\r\nMargin=7\r\n");
    paths.languageName = "English";  // [Common] Language, overridden by [UserSelection]
    paths.languageFile = Raw(languageFile);
    GuiProfile profile;
    EXPECT_EQ(profile.Load(paths).ToUtf8(), "Deutsch");
    EXPECT_EQ(WinLayer::WinToolkit::Instance().margin, 7);
    EXPECT_EQ(WinLayer::WinToolkit::Instance().buttonR, 4);
    // The language file gains a section for the language in use (empty while
    // no label table is registered).
    const std::string languages = ReadFileBytes(languageFile).value_or("");
    EXPECT_NE(languages.find("[Deutsch]"), std::string::npos) << languages;
    EXPECT_NE(languages.find("[English]\r\nItemLabels_OldNameTag=Old name:"), std::string::npos) << languages;

    // The writes: language, a chosen font's list, the window rectangle.
    RawLayer::RawParameterList chosen;
    LOGFONTW tip = font;
    tip.lfHeight = -30;
    WinLayer::WriteFont(tip, chosen);
    RECT read{1, 2, 3, 4};
    EXPECT_FALSE(profile.ReadWindowRect(&read));
    EXPECT_TRUE(profile.WriteLanguage("Nihongo") && profile.WriteFontList(GuiFontKind::Tip, chosen) &&
                profile.WriteWindowRect({-8, 10, 900, 700}) && profile.ReadWindowRect(&read));
    profile.ReloadFont(GuiFontKind::Tip);
    EXPECT_EQ(profile.FontRecord(GuiFontKind::Tip).logFont.lfHeight, -30);
    EXPECT_EQ(std::pair(read.left, read.bottom), std::pair(-8L, 700L));
    RawLayer::RawParameterFile& file = profile.File();
    EXPECT_EQ((std::vector<std::string>{file.ReadValue("MainDialog", "WindowRect_R").ToUtf8(),
                                        file.ReadValue("UserSelection", "Language").ToUtf8(),
                                        file.ReadValue("WindowParameter", "Margin").ToUtf8()}),
              (std::vector<std::string>{"900", "Nihongo", "7"}));
}
