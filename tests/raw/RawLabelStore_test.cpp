// The label store: registration, lookups and misses, label lists, escaping,
// the language map, loading a language and writing missing keys back.
#include "raw/RawLabelStore.h"

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "raw/RawParameterFile.h"

using namespace RawLayer;
using namespace TestSupport;

namespace {

RawString Path(const std::wstring& path) { return RawString::FromWide(path.c_str()); }

const RawLocaleRecord kMainLabels[] = {
    {"Start", "Start !"},
    {"Reload", "Reload !"},
    {"Help", "First line\r\nSecond\tline"},
    {"Folder", "Use C:\\temp\\new or \\\\server"},
    {"", nullptr},
};

const RawLocaleRecord kMenuLabels[] = {
    {"Open", "Open"},
    {"Start", "Menu start"},
    {nullptr, nullptr},
};

const RawLabelEntry kLimitations[] = {
    {"Dropped", 0}, {"Folder", 1}, {"File", 2}, {"Both", 3}, {"", 0},
};

// ---------------------------------------------------------------- escaping

TEST(RawLabelEscape, RoundTrips) {
    struct Case {
        const char* text;
        const char* stored;
        const char* back;
    } cases[] = {
        {"plain", "plain", "plain"},
        {"a\r\nb", "a\\nb", "a\r\nb"},
        {"a\nb\rc", "a\\nb\\nc", "a\r\nb\r\nc"},
        {"tab\there", "tab\\there", "tab\there"},
        {"C:\\temp\\new", "C:\\\\temp\\\\new", "C:\\temp\\new"},
        {"\\\\server\\share", "\\\\\\\\server\\\\share", "\\\\server\\share"},
        {"end\\", "end\\\\", "end\\"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        const RawString stored = RawEscapeLabel(c.text);
        EXPECT_EQ(stored.ToUtf8(), c.stored) << c.text;
        EXPECT_EQ(RawUnescapeLabel(stored).ToUtf8(), c.back) << c.text;
    }
}

TEST(RawLabelEscape, TranslatorsEscapes) {
    struct Case {
        const char* stored;
        const char* text;
    } cases[] = {
        {"a\\sb", "a b"}, {"\\n", "\r\n"}, {"\\q", "q"}, {"x\\", "x\\"}, {"\\\\t", "\\t"},
    };
    for (const Case& c : cases) EXPECT_EQ(RawUnescapeLabel(c.stored).ToUtf8(), c.text) << c.stored;
}

// ---------------------------------------------------------------- in memory

TEST(RawLabelStore, BuiltInTextsWithoutALanguageFile) {
    RawLabelStore store;
    auto group = store.RegisterLabels("Main", kMainLabels);
    struct Case {
        const char* key;
        const char* text;
    } cases[] = {
        {"Start", "Start !"},
        {"start", "Start !"},  // full keys are compared ignoring ASCII case
        {"Help", "First line\r\nSecond\tline"},
        {"Folder", "Use C:\\temp\\new or \\\\server"},
    };
    for (const Case& c : cases) EXPECT_EQ(store.GetLabel("Main", c.key).ToUtf8(), c.text) << c.key;
    EXPECT_EQ(group.Get("Reload").ToUtf8(), "Reload !");
    EXPECT_EQ(group.Prefix().ToUtf8(), "Main");
}

TEST(RawLabelStore, UnknownKeyGivesItselfAndMarksTheStoreChanged) {
    RawLabelStore store;
    EXPECT_FALSE(store.IsChanged());
    EXPECT_EQ(store.GetLabel("Main", "Start").ToUtf8(), "Start");
    EXPECT_TRUE(store.IsChanged());
    const RawParameterList defaults = store.DefaultsCopy();
    ASSERT_EQ(defaults.Count(), 1);
    EXPECT_EQ(defaults.First().key.ToUtf8(), "Main_Start");
    EXPECT_EQ(defaults.First().value.ToUtf8(), "Start");
    EXPECT_EQ(store.GetLabel("Main", "Start").ToUtf8(), "Start");
    EXPECT_EQ(store.DefaultsCopy().Count(), 1) << "the key is remembered once";
}

TEST(RawLabelStore, RegisteringATableTwiceAddsItsDefaultsOnce) {
    RawLabelStore store;
    { auto a = store.RegisterLabels("Main", kMainLabels); }
    { auto b = store.RegisterLabels("Main", kMainLabels); }
    { auto c = store.RegisterLabels("Menu", kMenuLabels); }
    EXPECT_EQ(store.RegisteredTableCount(), 2);
    EXPECT_EQ(store.DefaultsCopy().Count(), 6);
    EXPECT_EQ(store.GetLabel("Menu", "Start").ToUtf8(), "Menu start");
    EXPECT_EQ(store.GetLabel("Main", "Start").ToUtf8(), "Start !");
    const RawParameterList defaults = store.DefaultsCopy();
    EXPECT_EQ(defaults.Value("Main_Help").ToUtf8(), "First line\\nSecond\\tline") << "stored escaped";
}

TEST(RawLabelStore, LabelListsAndTheirLookups) {
    RawLabelStore store;
    const RawLabelList list = store.BuildLabelList("LimitationType", kLimitations);
    ASSERT_EQ(list.Count(), 4);
    const char* texts[] = {"Dropped", "Folder", "File", "Both"};
    int i = 0;
    for (const RawLabelUnit& unit : list) {
        EXPECT_EQ(unit.text.ToUtf8(), texts[i]);
        EXPECT_EQ(unit.identifier, static_cast<uint32_t>(i));
        ++i;
    }
    struct Case {
        const char* text;
        uint32_t identifier;
    } cases[] = {{"File", 2}, {"both", 3}, {"FOLDER", 1}, {"Folder&File", 0}, {"", 0}};
    for (const Case& c : cases) EXPECT_EQ(list.Identifier(c.text), c.identifier) << c.text;
}

TEST(RawLabelStore, LookupsFromManyThreads) {
    RawLabelStore store;
    auto group = store.RegisterLabels("Main", kMainLabels);
    std::vector<std::thread> threads;
    std::vector<int> wrong(8, 0);
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&store, &wrong, t] {
            for (int i = 0; i < 300; ++i) {
                if (store.GetLabel("Main", "Start").ToUtf8() != "Start !") ++wrong[t];
                const std::string key = "K" + std::to_string(t) + "_" + std::to_string(i % 20);
                if (store.GetLabel("Extra", RawString(std::string_view(key))).ToUtf8() != key) ++wrong[t];
            }
        });
    for (std::thread& t : threads) t.join();
    for (int t = 0; t < 8; ++t) EXPECT_EQ(wrong[t], 0);
    EXPECT_EQ(store.DefaultsCopy().Count(), 4 + 8 * 20);
}

// ---------------------------------------------------------------- language files

class RawLabelFile : public TempDirTest {
protected:
    std::wstring Write(const std::string& content, const wchar_t* name = L"LanguageFile.ini") {
        const std::wstring path = temp.Join(name);
        EXPECT_TRUE(WriteFileBytes(path, content));
        return path;
    }
    std::string Read(const std::wstring& path) { return ReadFileBytes(path).value_or("<missing>"); }
    size_t FileCount() {
        size_t count = 0;
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW(temp.Join(L"*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return 0;
        do count += (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
        while (FindNextFileW(find, &data));
        FindClose(find);
        return count;
    }
};

const char kTwoLanguages[] =
    "; lines before the first section stay\r\n"
    "[LangMap]\r\n"
    "Japanese=0x411\r\n"
    "English=1033\r\n"
    "German=0x0407\r\n"
    "\r\n"
    "[Japanese]\r\n"
    "Main_Start=\xE9\x96\x8B\xE5\xA7\x8B\r\n"
    "Main_Help=\xE4\xB8\x80\\n\xE4\xBA\x8C\r\n"
    "\r\n"
    "[English]\r\n"
    "Main_Start=Go !\r\n"
    "\r\n";

TEST_F(RawLabelFile, MapFromTheLangMapSection) {
    RawLabelStore store;
    store.SetLanguageFile(Path(Write(kTwoLanguages)));
    store.LoadLanguageMap();
    const RawParameterList map = store.LanguageMapCopy();
    ASSERT_EQ(map.Count(), 3);
    EXPECT_EQ(map.First().key.ToUtf8(), "Japanese");
    EXPECT_EQ(map.First().number, 0x411);
    struct Case {
        uint16_t user;
        const char* language;
    } cases[] = {{0x411, "Japanese"}, {0x409, "English"}, {0x407, "German"}, {0x40C, "Default"}, {0, "Default"}};
    for (const Case& c : cases) EXPECT_EQ(store.SelectLanguage(c.user).ToUtf8(), c.language) << c.user;
}

TEST_F(RawLabelFile, MapFromTheSectionNamesWithoutALangMap) {
    RawLabelStore store;
    store.SetLanguageFile(Path(Write("[Japanese]\r\nA=1\r\n[English]\r\nA=2\r\n[LangMap]\r\n")));
    store.LoadLanguageMap();
    const RawParameterList map = store.LanguageMapCopy();
    ASSERT_EQ(map.Count(), 2) << "the empty LangMap section is no language";
    EXPECT_EQ(map.First().key.ToUtf8(), "Japanese");
    EXPECT_EQ(map.Last().key.ToUtf8(), "English");
    for (const RawParameterUnit& unit : map) EXPECT_EQ(unit.number, 0);
    EXPECT_EQ(store.SelectLanguage(0x411).ToUtf8(), "Default");
    EXPECT_EQ(store.SelectLanguage().ToUtf8(), "Default");
}

TEST_F(RawLabelFile, NoFileNoMap) {
    RawLabelStore store;
    store.LoadLanguageMap();
    EXPECT_TRUE(store.LanguageMapCopy().IsEmpty());
    EXPECT_EQ(store.SelectLanguage(0x409).ToUtf8(), "Default");
    store.SetLanguageFile(Path(temp.Join(L"missing.ini")));
    store.LoadLanguageMap();
    EXPECT_TRUE(store.LanguageMapCopy().IsEmpty());
}

TEST_F(RawLabelFile, TranslationsWinAndLineBreaksComeBack) {
    RawLabelStore store;
    store.SetLanguageFile(Path(Write(kTwoLanguages)));
    store.SetRequestedLanguage("Japanese");
    auto group = store.RegisterLabels("Main", kMainLabels);
    store.LoadLanguage();
    EXPECT_EQ(store.CurrentLanguage().ToUtf8(), "Japanese");
    EXPECT_EQ(store.GetLabel("Main", "Start").ToUtf8(), "\xE9\x96\x8B\xE5\xA7\x8B");
    EXPECT_EQ(store.GetLabel("Main", "Help").ToUtf8(), "\xE4\xB8\x80\r\n\xE4\xBA\x8C");
    EXPECT_FALSE(store.IsChanged()) << "both keys were translated";
    EXPECT_EQ(store.GetLabel("Main", "Reload").ToUtf8(), "Reload !");
    EXPECT_TRUE(store.IsChanged());
}

TEST_F(RawLabelFile, MissingKeysAreWrittenBackSorted) {
    const std::wstring path = Write(kTwoLanguages);
    {
        RawLabelStore store;
        store.SetLanguageFile(Path(path));
        store.SetRequestedLanguage("English");
        store.LoadLanguage();
        auto group = store.RegisterLabels("Main", kMainLabels);
        EXPECT_EQ(group.Get("Start").ToUtf8(), "Go !");
        EXPECT_EQ(group.Get("Folder").ToUtf8(), "Use C:\\temp\\new or \\\\server");
        EXPECT_EQ(group.Get("Unlisted").ToUtf8(), "Unlisted");
    }  // the group's release saves
    const std::string expected =
        "; lines before the first section stay\r\n"
        "[LangMap]\r\n"
        "Japanese=0x411\r\n"
        "English=1033\r\n"
        "German=0x0407\r\n"
        "\r\n"
        "[Japanese]\r\n"
        "Main_Start=\xE9\x96\x8B\xE5\xA7\x8B\r\n"
        "Main_Help=\xE4\xB8\x80\\n\xE4\xBA\x8C\r\n"
        "\r\n"
        "[English]\r\n"
        "Main_Folder=Use C:\\\\temp\\\\new or \\\\\\\\server\r\n"
        "Main_Help=First line\\nSecond\\tline\r\n"
        "Main_Reload=Reload !\r\n"
        "Main_Start=Go !\r\n"
        "Main_Unlisted=Unlisted\r\n"
        "\r\n";
    EXPECT_EQ(Read(path), expected);

    // Read again, the written section gives back every text unchanged.
    RawLabelStore again;
    again.SetLanguageFile(Path(path));
    again.SetRequestedLanguage("English");
    again.LoadLanguage();
    EXPECT_EQ(again.GetLabel("Main", "Folder").ToUtf8(), "Use C:\\temp\\new or \\\\server");
    EXPECT_EQ(again.GetLabel("Main", "Help").ToUtf8(), "First line\r\nSecond\tline");
    EXPECT_FALSE(again.IsChanged());
}

TEST_F(RawLabelFile, ALanguageTheFileLacksGetsASectionOfTheDefaults) {
    const std::wstring path = Write("[English]\r\nMain_Start=Go !\r\n");
    RawLabelStore store;
    store.SetLanguageFile(Path(path));
    store.SetRequestedLanguage("Klingon");
    { auto group = store.RegisterLabels("Menu", kMenuLabels); }
    store.LoadLanguage();
    EXPECT_EQ(store.CurrentLanguage().ToUtf8(), "Klingon");
    EXPECT_EQ(Read(path), "[English]\r\nMain_Start=Go !\r\n[Klingon]\r\nMenu_Open=Open\r\nMenu_Start=Menu start\r\n\r\n");
    EXPECT_EQ(store.GetLabel("Menu", "Open").ToUtf8(), "Open");
}

TEST_F(RawLabelFile, NothingIsWrittenWithoutAMissOrWithoutAFile) {
    const std::wstring path = Write(kTwoLanguages);
    {
        RawLabelStore store;
        store.SetLanguageFile(Path(path));
        store.SetRequestedLanguage("English");
        store.LoadLanguage();
        EXPECT_EQ(store.GetLabel("Main", "Start").ToUtf8(), "Go !");
        store.SaveLanguage();
    }
    EXPECT_EQ(Read(path), kTwoLanguages);
    RawLabelStore store;
    EXPECT_EQ(store.GetLabel("Main", "Start").ToUtf8(), "Start");
    EXPECT_TRUE(store.IsChanged());
    store.SaveLanguage();  // no language file: nowhere to write, and no error
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(RawLabelFile, NoLanguageRequestedTakesTheMapsChoiceForThisUser) {
    const std::wstring path = Write(kTwoLanguages);
    RawLabelStore store;
    store.SetLanguageFile(Path(path));
    store.LoadLanguage();
    // What the map gives for the user's own UI language, "Default" when it lists none.
    const RawString expected = store.SelectLanguage();
    EXPECT_EQ(store.CurrentLanguage().ToUtf8(), expected.ToUtf8());
}

TEST_F(RawLabelFile, StartLanguageFromTheProfiles) {
    struct Case {
        const char* guiProfile;  // content, or null for a missing file
        const char* common;
        const char* expected;
    } cases[] = {
        {"[UserSelection]\r\nLanguage=English\r\n", "Japanese", "English"},
        {"[UserSelection]\r\nOther=1\r\n", "Japanese", "Japanese"},
        {nullptr, "Japanese", "Japanese"},
        {"[UserSelection]\r\nLanguage=\r\n", "Japanese", nullptr},  // empty: the map decides
        {nullptr, "", nullptr},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        const std::wstring language = Write(kTwoLanguages, (L"lang" + std::to_wstring(n) + L".ini").c_str());
        const std::wstring gui = temp.Join(L"gui" + std::to_wstring(n++) + L".ini");
        if (c.guiProfile) {
            ASSERT_TRUE(WriteFileBytes(gui, c.guiProfile));
        }
        RawParameterFile profile(Path(gui));
        RawLabelStore store;
        const RawString chosen = store.LoadStartLanguage(profile, c.common, Path(language));
        const std::string expected = c.expected ? c.expected : store.SelectLanguage().ToUtf8();
        EXPECT_EQ(chosen.ToUtf8(), expected);
        EXPECT_EQ(store.CurrentLanguage().ToUtf8(), expected);
        EXPECT_EQ(store.LanguageFile().ToUtf8(), Narrow(language));
        if (c.expected) {
            EXPECT_EQ(Read(language), kTwoLanguages) << "choosing a listed language writes nothing";
        }
    }
}

TEST(RawLabelStoreProcess, OneStoreForTheProcess) { EXPECT_EQ(&RawLabelStore::Instance(), &RawLabelStore::Instance()); }

}  // namespace
