// The label store: lookups and misses, label lists, escaping, the language
// map, loading a language and writing missing keys back.
#include "raw/RawLabelStore.h"

#include <string>

#include "TestSupport.h"
#include "raw/RawParameterFile.h"

using namespace RawLayer;
using namespace TestSupport;

namespace {

const RawLocaleRecord kMainLabels[] = {{"Start", "Start !"}, {"Reload", "Reload !"},
                                       {"Help", "First line\r\nSecond\tline"},
                                       {"Folder", "Use C:\\temp\\new or \\\\server"}, {"", nullptr}};
const RawLocaleRecord kMenuLabels[] = {{"Open", "Open"}, {"Start", "Menu start"}, {nullptr, nullptr}};

TEST(RawLabelEscape, RoundTripsAndTranslatorsEscapes) {
    struct Case { const char *text, *stored, *back; } cases[] = {  // text null: written by hand in the file
        {"plain", "plain", "plain"}, {"a\r\nb", "a\\nb", "a\r\nb"}, {"a\nb\rc", "a\\nb\\nc", "a\r\nb\r\nc"},
        {"tab\there", "tab\\there", "tab\there"},
        {"\\\\server\\share", "\\\\\\\\server\\\\share", "\\\\server\\share"}, {"end\\", "end\\\\", "end\\"},
        {nullptr, "a\\sb", "a b"}, {nullptr, "\\q", "q"}, {nullptr, "x\\", "x\\"}, {nullptr, "\\\\t", "\\t"},
    };
    for (const Case& c : cases) {
        if (c.text) { EXPECT_EQ(RawEscapeLabel(c.text).ToUtf8(), c.stored) << c.text; }
        EXPECT_EQ(RawUnescapeLabel(c.stored).ToUtf8(), c.back) << c.stored;
    }
}

TEST(RawLabelStore, LookupsMissesAndDefaults) {
    RawLabelStore store;
    EXPECT_FALSE(store.IsChanged());
    auto group = store.RegisterLabels("Main", kMainLabels);
    { auto again = store.RegisterLabels("Main", kMainLabels); }
    { auto menu = store.RegisterLabels("Menu", kMenuLabels); }
    EXPECT_EQ(store.RegisteredTableCount(), 2);
    struct Case { const char *prefix, *key, *text; } cases[] = {
        {"Main", "Start", "Start !"},
        {"Main", "start", "Start !"},  // full keys are compared ignoring ASCII case
        {"Menu", "Start", "Menu start"}, {"Main", "Help", "First line\r\nSecond\tline"},
        {"Main", "Folder", "Use C:\\temp\\new or \\\\server"},
        {"Main", "Unknown", "Unknown"},  // a miss gives the key itself
        {"Main", "Unknown", "Unknown"},
    };
    for (const Case& c : cases) EXPECT_EQ(store.GetLabel(c.prefix, c.key).ToUtf8(), c.text) << c.key;
    EXPECT_EQ(group.Get("Reload").ToUtf8(), "Reload !");
    EXPECT_TRUE(store.IsChanged());
    const RawParameterList defaults = store.DefaultsCopy();
    EXPECT_EQ(defaults.Count(), 4 + 2 + 1) << "each table and each miss is remembered once";
    EXPECT_EQ(defaults.Value("Main_Unknown").ToUtf8(), "Unknown");
    EXPECT_EQ(defaults.Value("Main_Help").ToUtf8(), "First line\\nSecond\\tline") << "stored escaped";
    store.SaveLanguage();  // no language file: nowhere to write, and no error
}

TEST(RawLabelStore, LabelListsAndTheirLookups) {
    const RawLabelEntry limitations[] = {{"Dropped", 0}, {"Folder", 1}, {"File", 2}, {"Both", 3}, {"", 0}};
    RawLabelStore store;
    const RawLabelList list = store.BuildLabelList("LimitationType", limitations);
    std::string texts;
    for (const RawLabelUnit& unit : list) texts += unit.text.ToUtf8() + "=" + std::to_string(unit.identifier) + " ";
    EXPECT_EQ(texts, "Dropped=0 Folder=1 File=2 Both=3 ");
    struct Case { const char* text; uint32_t identifier; } cases[] = {
        {"File", 2}, {"both", 3}, {"FOLDER", 1}, {"Folder&File", 0}, {"", 0}};
    for (const Case& c : cases) EXPECT_EQ(list.Identifier(c.text), c.identifier) << c.text;
}

// ---------------------------------------------------------------- language files

class RawLabelFile : public TempDirTest {
protected:
    std::wstring Write(const std::string& content, const std::wstring& name = L"LanguageFile.ini") {
        EXPECT_TRUE(WriteFileBytes(temp.Join(name), content));
        return temp.Join(name);
    }
    std::string Read(const std::wstring& path) { return ReadFileBytes(path).value_or("<missing>"); }
    // A store on the file, with the language asked for loaded.
    void Load(RawLabelStore& store, const std::wstring& path, const char* language) {
        store.SetLanguageFile(Raw(path));
        store.SetRequestedLanguage(language);
        store.LoadLanguage();
    }
};

const std::string kMapPart =
    "; lines before the first section stay\r\n[LangMap]\r\nJapanese=0x411\r\nEnglish=1033\r\nGerman=0x0407\r\n\r\n";
const std::string kEnglishPart = "[English]\r\nMain_Start=Go !\r\n\r\n";
const std::string kTwoLanguages = kMapPart +
    "[Japanese]\r\nMain_Start=\xE9\x96\x8B\xE5\xA7\x8B\r\nMain_Help=\xE4\xB8\x80\\n\xE4\xBA\x8C\r\n\r\n" + kEnglishPart;

TEST_F(RawLabelFile, LanguageForTheUserWithAndWithoutALangMap) {
    const char* const listed = "Japanese=1041 English=1033 German=1031 ";
    struct Case { const char* content; const char* map; uint16_t user; const char* language; } cases[] = {
        {kTwoLanguages.c_str(), listed, 0x411, "Japanese"}, {kTwoLanguages.c_str(), listed, 0x409, "English"},
        {kTwoLanguages.c_str(), listed, 0x40C, "Default"},
        // The section names make the map; the empty LangMap section is no language.
        {"[Japanese]\r\nA=1\r\n[English]\r\nA=2\r\n[LangMap]\r\n", "Japanese=0 English=0 ", 0x411, "Default"},
        {nullptr, "", 0x409, "Default"},  // no such file
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::wstring name = L"lang" + std::to_wstring(n++) + L".ini";
        RawLabelStore store;
        store.SetLanguageFile(Raw(c.content ? Write(c.content, name) : temp.Join(name)));
        store.LoadLanguageMap();
        std::string map;
        for (const RawParameterUnit& unit : store.LanguageMapCopy())
            map += unit.key.ToUtf8() + "=" + std::to_string(unit.number) + " ";
        EXPECT_EQ(map, c.map) << n;
        EXPECT_EQ(store.SelectLanguage(c.user).ToUtf8(), c.language) << n;
    }
}

TEST_F(RawLabelFile, TranslationsWinMissesAreWrittenBackSortedAndReadAgain) {
    const std::wstring path = Write(kTwoLanguages);
    {
        RawLabelStore store;
        Load(store, path, "Japanese");
        EXPECT_EQ(store.CurrentLanguage().ToUtf8(), "Japanese");
        auto group = store.RegisterLabels("Main", kMainLabels);
        EXPECT_EQ(group.Get("Start").ToUtf8(), "\xE9\x96\x8B\xE5\xA7\x8B");
        EXPECT_EQ(group.Get("Help").ToUtf8(), "\xE4\xB8\x80\r\n\xE4\xBA\x8C");
        EXPECT_FALSE(store.IsChanged()) << "both keys were translated";
        EXPECT_EQ(group.Get("Folder").ToUtf8(), "Use C:\\temp\\new or \\\\server");
        EXPECT_EQ(group.Get("Unlisted").ToUtf8(), "Unlisted");
    }  // the group's release saves
    const std::string expected = kMapPart +
        "[Japanese]\r\nMain_Folder=Use C:\\\\temp\\\\new or \\\\\\\\server\r\nMain_Help=\xE4\xB8\x80\\n\xE4\xBA\x8C\r\n"
        "Main_Reload=Reload !\r\nMain_Start=\xE9\x96\x8B\xE5\xA7\x8B\r\nMain_Unlisted=Unlisted\r\n\r\n" + kEnglishPart;
    EXPECT_EQ(Read(path), expected);

    RawLabelStore again;
    Load(again, path, "Japanese");
    EXPECT_EQ(again.GetLabel("Main", "Folder").ToUtf8(), "Use C:\\temp\\new or \\\\server");
    EXPECT_EQ(again.GetLabel("Main", "Reload").ToUtf8(), "Reload !");
    EXPECT_FALSE(again.IsChanged());
    again.SaveLanguage();
    EXPECT_EQ(Read(path), expected) << "no miss, nothing written";
}

TEST_F(RawLabelFile, ALanguageTheFileLacksGetsASectionOfTheDefaults) {
    const std::wstring path = Write("[English]\r\nMain_Start=Go !\r\n");
    RawLabelStore store;
    { auto group = store.RegisterLabels("Menu", kMenuLabels); }
    Load(store, path, "Klingon");
    EXPECT_EQ(store.CurrentLanguage().ToUtf8(), "Klingon");
    EXPECT_EQ(Read(path),
              "[English]\r\nMain_Start=Go !\r\n[Klingon]\r\nMenu_Open=Open\r\nMenu_Start=Menu start\r\n\r\n");
    EXPECT_EQ(store.GetLabel("Menu", "Open").ToUtf8(), "Open");
    EXPECT_FALSE(store.IsChanged()) << "what was written counts as present";
}

// A key asked for again is not written again, and a key the file cannot hold
// (an "=" in it) is left out without holding back the others.
TEST_F(RawLabelFile, WriteBackCountsWhatWasWrittenAndSkipsWhatCannotBe) {
    const std::wstring path = Write("[English]\r\nMain_Start=Go !\r\n\r\n");
    const std::string common = "[English]\r\nMain_Folder=Use C:\\\\temp\\\\new or \\\\\\\\server\r\n"
                               "Main_Help=First line\\nSecond\\tline\r\n";
    RawLabelStore store;
    Load(store, path, "English");
    const struct {
        const char* keys[2];
        const char* rewritten;  // the file replaced beforehand
        std::string expected;
    } steps[] = {
        {{"Reload", "a=b"}, nullptr, common + "Main_Reload=Reload !\r\nMain_Start=Go !\r\n\r\n"},
        {{"Reload", "a=b"}, "[English]\r\n", "[English]\r\n"},
        {{"Later", "a=b"}, "[English]\r\n",
         common + "Main_Later=Later\r\nMain_Reload=Reload !\r\nMain_Start=Go !\r\n\r\n"},
    };
    for (const auto& step : steps) {
        if (step.rewritten) { ASSERT_TRUE(WriteFileBytes(path, step.rewritten)); }
        {
            auto group = store.RegisterLabels("Main", kMainLabels);
            for (const char* key : step.keys) group.Get(key);
        }
        EXPECT_EQ(Read(path), step.expected) << step.keys[0];
    }
}

TEST_F(RawLabelFile, StartLanguageFromTheProfiles) {
    // A null profile is a missing file; a null expectation is what the map gives for this user.
    struct Case { const char *guiProfile, *common, *expected; } cases[] = {
        {"[UserSelection]\r\nLanguage=English\r\n", "Japanese", "English"},
        {"[UserSelection]\r\nOther=1\r\n", "Japanese", "Japanese"}, {nullptr, "Japanese", "Japanese"},
        {"[UserSelection]\r\nLanguage=\r\n", "Japanese", nullptr}, {nullptr, "", nullptr},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        const std::wstring language = Write(kTwoLanguages, L"lang" + std::to_wstring(n) + L".ini");
        const std::wstring gui = temp.Join(L"gui" + std::to_wstring(n++) + L".ini");
        if (c.guiProfile) { ASSERT_TRUE(WriteFileBytes(gui, c.guiProfile)); }
        RawParameterFile profile(Raw(gui));
        RawLabelStore store;
        const RawString chosen = store.LoadStartLanguage(profile, c.common, Raw(language));
        const std::string expected = c.expected ? c.expected : store.SelectLanguage().ToUtf8();
        EXPECT_EQ(chosen.ToUtf8(), expected);
        EXPECT_EQ(store.CurrentLanguage().ToUtf8(), expected);
        EXPECT_EQ(store.LanguageFile().ToUtf8(), Narrow(language));
        if (c.expected) { EXPECT_EQ(Read(language), kTwoLanguages) << "choosing a listed language writes nothing"; }
    }
}

}  // namespace
