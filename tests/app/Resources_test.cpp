// What ships with Varnelo.exe: every icon group loads at the sizes the
// toolkit asks for, with alpha; the language file holds every label.
#include <map>
#include <set>
#include <string>

#include "TestSupport.h"
#include "raw/RawLabelStore.h"
#include "raw/RawParameterFile.h"

#include "../../res/resource.h"

using namespace TestSupport;
using RawLayer::RawString;

TEST(ProgramResources, EveryIconGroupLoadsWithAlphaAtEachSize) {
    // Loaded as an image resource only: nothing of the program runs.
    const HMODULE program =
        LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(program, nullptr) << Narrow(ProgramPath());
    // 24 is not stored and must be scaled from a stored size.
    for (int id = IDI_FIRST; id <= IDI_LAST; ++id) {
        for (int size : {16, 24, 32, 48}) {
            SCOPED_TRACE(testing::Message() << "icon " << id << " at " << size);
            HICON icon = static_cast<HICON>(LoadImageW(program, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
            ASSERT_NE(icon, nullptr);
            ICONINFO info{};
            ASSERT_TRUE(GetIconInfo(icon, &info));
            BITMAP colour{};
            GetObjectW(info.hbmColor, sizeof colour, &colour);
            EXPECT_EQ(colour.bmWidth, size);
            EXPECT_EQ(colour.bmHeight, size);
            EXPECT_EQ(colour.bmBitsPixel, 32);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            DestroyIcon(icon);
        }
    }
    FreeLibrary(program);
}

namespace {

// Every "%1"-style mark of a text, in order: a translation must keep them.
std::string Marks(const std::string& text) {
    std::string marks;
    for (size_t at = text.find('%'); at != std::string::npos && at + 1 < text.size(); at = text.find('%', at + 2))
        if (text[at + 1] >= '1' && text[at + 1] <= '9') marks += text.substr(at, 2);
    return marks;
}

}  // namespace

// The language file that ships beside the program against the label tables
// the program is built with: a label added without its translations, or one
// left behind after its table lost it, fails here.
TEST(ShippedFiles, EveryLanguageHoldsExactlyTheLabelsTheProgramAsksFor) {
    std::map<std::string, std::string> builtIn;  // full key -> escaped built-in text
    std::set<std::string> groups;
    for (const RawLayer::RawLabelTable* t = RawLayer::RawLabelTable::First(); t; t = t->Next()) {
        groups.insert(t->prefix);
        for (const RawLayer::RawLocaleRecord* r = t->records; r->key && *r->key; ++r)
            builtIn[std::string(t->prefix) + "_" + r->key] = RawLayer::RawEscapeLabel(RawString(r->text)).ToUtf8();
    }
    // The groups of every window part are linked into this test program.
    for (const char* group : {"ItemLabels", "LimitationType", "ViewStyle", "ListLabels", "ViewNotice", "ItemMenu",
                              "TitleMenu", "EditBar", "InfoDialog", "CommonDialog", "PathBox", "OldNameHint",
                              "NewNameHint", "ConflictReason", "Progress"})
        EXPECT_TRUE(groups.count(group)) << group;

    RawLayer::RawParameterFile file(Raw(ModuleFolder() + L"\\LanguageFile.ini"));
    RawLayer::RawParameterList languages;
    ASSERT_TRUE(file.ReadSection(&languages, "LangMap"));
    std::set<std::string> names;
    for (const RawLayer::RawParameterUnit& language : languages) names.insert(language.key.ToUtf8());
    for (const char* name : {"English", "Deutsch", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"}) EXPECT_TRUE(names.count(name)) << name;
    for (const RawLayer::RawParameterUnit& language : languages) {
        const std::string name = language.key.ToUtf8();
        SCOPED_TRACE(name);
        EXPECT_NE(language.value.ParseInt(), 0);
        RawLayer::RawParameterList section;
        ASSERT_TRUE(file.ReadSection(&section, language.key));
        std::map<std::string, std::string> texts;
        for (const RawLayer::RawParameterUnit& unit : section) texts[unit.key.ToUtf8()] = unit.value.ToUtf8();
        for (const auto& [key, text] : builtIn) {
            const auto found = texts.find(key);
            if (found == texts.end()) {
                ADD_FAILURE() << "missing " << key;
                continue;
            }
            EXPECT_FALSE(found->second.empty()) << key;
            EXPECT_EQ(Marks(found->second), Marks(text)) << key;
            if (name == "English") {
                EXPECT_EQ(found->second, text) << key;
            }
        }
        for (const auto& [key, text] : texts) EXPECT_TRUE(builtIn.count(key)) << "no longer asked for: " << key;
    }
}
