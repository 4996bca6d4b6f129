// Font records through real parameter files, and the system font dialog
// answered with Enter and Esc.
#include "win/WinFont.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <tuple>

#include "TestSupport.h"
#include "WinTestInput.h"
#include "raw/RawParameterFile.h"
#include "win/WinToolkit.h"

using namespace WinLayer;
using RawLayer::RawParameterFile;
using RawLayer::RawParameterList;
using RawLayer::RawString;

namespace {

bool SameFont(const LOGFONTW& a, const LOGFONTW& b) { return std::memcmp(&a, &b, sizeof(a)) == 0; }

void Face31(LOGFONTW& f, wchar_t unit) {
    std::fill_n(f.lfFaceName, 31, unit);
    f.lfFaceName[31] = 0;
}

}  // namespace

class WinFontFiles : public TestSupport::TempDirTest {};

TEST_F(WinFontFiles, RecordRoundTripsThroughASection) {
    // Every field set, each to a value of its own.
    const LOGFONTW font{-17, 3, 900, -900, 700, 1, 1, 1, 128, 4, 2, 5, 0x31, L"MS \u30b4\u30b7\u30c3\u30af"};

    RawParameterList written;
    written.Add("Height", "99");  // an existing key is set in place, not added again
    written.Add("Other", "kept");
    WriteFont(font, written);
    EXPECT_EQ(written.Count(), 15);
    EXPECT_EQ(written.First().value, RawString("-17"));

    RawParameterFile file(TestSupport::Raw(temp.Join(L"gui.ini")));
    ASSERT_TRUE(file.WriteSection(written, "ListFont"));
    RawParameterList read;
    ASSERT_TRUE(file.ReadSection(&read, "ListFont"));
    LOGFONTW back{};
    ReadFont(read, back);
    EXPECT_TRUE(SameFont(back, font));
    for (const RawString& key : FontKeys()) EXPECT_TRUE(read.Contains(key)) << key.ToUtf8();
}

TEST(WinFont, ReadChangesOnlyWhatTheSectionHolds) {
    const LOGFONTW base = WinToolkit::Instance().DefaultLogFont();
    const struct { const char* key; std::string value; void (*expect)(LOGFONTW&); } cases[] = {
        {"Height", "-20", [](LOGFONTW& f) { f.lfHeight = -20; }},
        {"Italic", "257", [](LOGFONTW& f) { f.lfItalic = 1; }},  // byte fields keep the low 8 bits
        // The field holds 32 units; a name is cut to 31 so that it stays terminated.
        {"FaceName", std::string(32, 'y'), [](LOGFONTW& f) { Face31(f, L'y'); }},
        {"FaceName", "", [](LOGFONTW& f) { f.lfFaceName[0] = 0; }},
    };
    for (const auto& c : cases) {
        LOGFONTW font = base, expected = base;
        c.expect(expected);
        RawParameterList section;
        section.Add(c.key, RawString(c.value));
        ReadFont(section, font);
        EXPECT_TRUE(SameFont(font, expected)) << c.key << "=" << c.value;
    }
}

// The font dialog belongs to the system; keys answer it from another thread.
TEST(WinFont, ChooseFontTakesTheChoiceOrLeavesEverything) {
    const struct { WORD key; bool chosen; } cases[] = {{VK_ESCAPE, false}, {VK_RETURN, true}};
    for (const auto& c : cases) {
        WinFontRecord record;
        record.logFont = WinToolkit::Instance().DefaultLogFont();
        record.Recreate();
        const HFONT before = record.Handle();
        RawParameterList parameters;
        std::atomic<bool> answered{false};
        std::thread driver([&] {
            const ULONGLONG deadline = GetTickCount64() + WinTest::kDeadlineMs;
            wchar_t name[16] = L"";
            while (GetTickCount64() < deadline) {
                const HWND foreground = GetForegroundWindow();
                if (foreground && GetClassNameW(foreground, name, 16) && std::wstring(name) == L"#32770") {
                    WinTest::PressKey(c.key);
                    answered = true;
                    return;
                }
                Sleep(10);
            }
        });
        const bool chosen = ChooseFont(nullptr, record, parameters);
        driver.join();
        EXPECT_EQ(std::tuple(answered.load(), chosen, parameters.Count(), record.Handle() != before),
                  std::tuple(true, c.chosen, c.chosen ? 14 : 0, c.chosen));
        LOGFONTW stored = record.logFont;
        ReadFont(parameters, stored);  // an empty list changes nothing
        EXPECT_TRUE(SameFont(stored, record.logFont));
    }
}
