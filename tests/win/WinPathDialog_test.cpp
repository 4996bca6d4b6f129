// The path dialog: the checks of Finish over real files, WM_COPYDATA and keys on
// a real window, the path box's entries, and shortcuts followed, left and long.
#include "win/WinPathDialog.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "WinTestInput.h"
#include "WinTestShot.h"
#include "raw/RawShell.h"

using namespace WinLayer;
using RawLayer::RawString;
using TestSupport::Raw;

namespace {

bool OnWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// A shortcut to target made through the shell's own link object.
bool MakeShortcut(const std::wstring& link, const std::wstring& target) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* shell = nullptr;
    IPersistFile* file = nullptr;
    bool made = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                           reinterpret_cast<void**>(&shell))) &&
                SUCCEEDED(shell->SetPath(target.c_str())) &&
                SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
                SUCCEEDED(file->Save(link.c_str(), TRUE));
    if (file) file->Release();
    if (shell) shell->Release();
    CoUninitialize();
    return made;
}

// A shortcut file with only a local target path (ASCII here): the header
// with HasLinkInfo, a LinkInfo with a VolumeID, the path and an empty
// suffix, and the terminal block.
std::string LinkFileBytes(const std::string& target) {
    std::string bytes;
    auto dword = [&](uint32_t v) { bytes.append(reinterpret_cast<const char*>(&v), 4); };
    dword(0x4C);
    bytes.append("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);  // CLSID_ShellLink
    dword(0x02);                        // HasLinkInfo
    dword(FILE_ATTRIBUTE_DIRECTORY);
    bytes.append(24 + 8, '\0');         // three times, size, icon index
    dword(SW_SHOWNORMAL);
    bytes.append(2 + 2 + 4 + 4, '\0');  // hot key, reserved
    const uint32_t volume = 0x1C, path = volume + 17, suffix = path + static_cast<uint32_t>(target.size()) + 1;
    for (const uint32_t v : {suffix + 1, 0x1Cu, 1u, volume, path, 0u, suffix}) dword(v);
    for (const uint32_t v : {17u, static_cast<uint32_t>(DRIVE_FIXED), 0u, 0x10u}) dword(v);
    bytes.append(1, '\0');
    bytes.append(target.c_str(), target.size() + 1);
    bytes.append(1, '\0');
    dword(0);
    return bytes;
}

int32_t IndexOf(const WinPathBoxItemList& items, const std::string& name) {
    int32_t i = 0;
    for (const WinPathBoxItem& item : items) {
        if (item.name.ToUtf8() == name) return i;
        ++i;
    }
    return -1;
}

bool MakeFolder(const std::wstring& path) { return RawLayer::EnsureFolder(Raw(path)); }

// Runs the dialog modally while the driver acts on its window, once it is
// shown, painted and in the foreground, from another thread. The dialog has
// a deadline too: when it is not in front in time, or the driver's input
// went astray and it does not end, a picture of the screen is kept, the
// dialog is closed and the test fails, instead of waiting for ever.
int32_t RunDriven(WinPathDialog& dialog, const std::function<void(HWND)>& driver) {
    dialog.Place({});
    std::atomic<bool> ended{false}, stuck{false};
    std::thread thread([&] {
        const ULONGLONG deadline = GetTickCount64() + WinTest::kDeadlineMs;
        HWND window = nullptr;
        while (!((window = dialog.Window()) && GetForegroundWindow() == window &&
                 !GetUpdateRect(window, nullptr, FALSE)) &&
               GetTickCount64() < deadline && !ended)
            Sleep(10);
        if (window && GetTickCount64() < deadline) driver(window);
        while (!ended && GetTickCount64() < deadline) Sleep(10);
        if (ended) return;
        stuck = true;
        WinTest::SaveWindowShot(GetDesktopWindow(), TestSupport::ModuleFolder() + L"\\shot_path_dialog_stuck.bmp");
        // From here on the dialog's own end is all that is waited for.
        while (!ended) {
            if (const HWND w = dialog.Window()) PostMessageW(w, WM_CLOSE, 0, 0);
            Sleep(50);
        }
    });
    const int32_t result = dialog.DoModal(nullptr);
    ended = true;
    thread.join();
    EXPECT_FALSE(stuck) << "the dialog did not end by the deadline; see shot_path_dialog_stuck.bmp";
    return result;
}

class WinPathDialogTest : public TestSupport::TempDirTest {};

}  // namespace

TEST_F(WinPathDialogTest, FinishChecksThePathAndAsksAsTheOptionsSay) {
    ASSERT_TRUE(TestSupport::PutFile(temp.Join(L"file.txt"), "x"));
    ASSERT_TRUE(TestSupport::PutFile(temp.Join(L"have"), "x"));
    ASSERT_TRUE(MakeFolder(temp.Join(L"folder")));
    const uint16_t kFolder = kPathFolderMode, kFile = kPathFileMode, kMust = kPathMustExist,
                   kOverwrite = kPathConfirmOverwrite, kAsk = kPathAskCreate;
    const struct {
        const char* name;
        uint16_t options;
        const char* extension;
        const wchar_t* typed;  // below the folder; "" empty, "*x" the relative path x
        const char* asked;     // the one message shown, "" none
        int32_t answer;
        const wchar_t* result;  // the final path below the folder when it ends, else ""
        const wchar_t* made;    // a folder that must exist afterwards, "" none
    } cases[] = {
        {"folder mode, existing file", kFolder, "", L"file.txt", "SpecifyFolder", 1, L"", L""},
        {"file mode, existing folder", kFile, "", L"folder", "SpecifyFile", 1, L"", L""},
        {"must exist, missing", kMust, "", L"missing.txt", "SpecifyExist", 1, L"", L""},
        {"overwrite OK", kFile | kOverwrite, "", L"file.txt", "Overwrite", 1, L"file.txt", L""},
        {"overwrite Cancel", kFile | kOverwrite, "", L"file.txt", "Overwrite", 0, L"", L""},
        {"ask create OK", kFolder | kAsk, "", L"new\\deep", "CreateFolder", 1, L"new\\deep", L"new\\deep"},
        {"ask create Cancel", kFolder | kAsk, "", L"no\\deep", "CreateFolder", 0, L"", L""},
        {"file in a missing folder", kFile | kAsk, "", L"sub\\x.txt", "CreateFolder", 1, L"sub\\x.txt", L"sub"},
        {"create without asking", kFolder | kPathCreate, "", L"made\\deeper", "", 1, L"made\\deeper", L"made\\deeper"},
        {"no folder to take", kFile | kAsk, "", L"*loose", "SpecifyValid", 1, L"", L""},
        {"extension txt, Yes", kFile, "txt", L"report", "ExpandExtension", 2, L"report.txt", L""},
        {"extension .txt, Yes", kFile, ".txt", L"report", "ExpandExtension", 2, L"report.txt", L""},
        {"name ending in a dot, .txt", kFile, ".txt", L"report.", "ExpandExtension", 2, L"report.txt", L""},
        {"extension, No", kFile, "txt", L"report", "ExpandExtension", 3, L"report", L""},
        {"extension, closed", kFile, "txt", L"report", "ExpandExtension", 0, L"", L""},
        {"must exist, candidate missing", kFile | kMust, "txt", L"have", "", 1, L"have", L""},
        {"must exist, candidate there", kFile | kMust, "txt", L"file", "ExpandExtension", 2, L"file.txt", L""},
        {"name with an extension", kFile, "txt", L"report.md", "", 1, L"report.md", L""},
        {"empty path", kFile | kMust, "txt", L"", "", 1, L"", L""},
    };
    for (const auto& c : cases) {
        const std::wstring typed(c.typed);
        const std::wstring path = typed.empty() ? L"" : typed[0] == L'*' ? typed.substr(1) : temp.Join(typed);
        WinPathDialog dialog("Choose", Raw(path), c.options, c.extension);
        std::string asked;
        dialog.asker = [&](const RawString& key, const RawString&) {
            asked += key.ToUtf8();
            return c.answer;
        };
        dialog.Finish();
        EXPECT_EQ(asked, c.asked) << c.name;
        EXPECT_EQ(dialog.HasEnded(), *c.result != 0) << c.name;
        if (*c.result) {
            EXPECT_EQ(dialog.result, 1) << c.name;
            EXPECT_EQ(dialog.Path(), Raw(temp.Join(c.result))) << c.name;
        }
        if (*c.made) {
            EXPECT_TRUE(TestSupport::FolderExists(temp.Join(c.made))) << c.name;
        }
    }
    EXPECT_FALSE(TestSupport::FolderExists(temp.Join(L"no")));
    EXPECT_FALSE(TestSupport::FileExists(temp.Join(L"sub\\x.txt")));
    // Without an asker the message is a real info dialog; closed, it keeps the dialog open.
    WinPathDialog dialog("Choose", Raw(temp.Join(L"file.txt")), kPathFolderMode);
    std::thread closer([&] {
        const ULONGLONG deadline = GetTickCount64() + WinTest::kDeadlineMs;
        while (!dialog.ModalWindow() && GetTickCount64() < deadline) Sleep(10);
        if (const HWND modal = dialog.ModalWindow()) PostMessageW(modal, WM_CLOSE, 0, 0);
    });
    dialog.Finish();
    closer.join();
    EXPECT_FALSE(dialog.HasEnded());
}

TEST_F(WinPathDialogTest, CopyDataFinishesWithItsTextOrCancels) {
    ASSERT_TRUE(MakeFolder(temp.Join(L"photos\\2024")));
    const std::string text = TestSupport::Narrow(temp.Join(L"photos"));
    for (const ULONG_PTR first : {0, 1}) {
        WinPathDialog dialog("Choose a folder", Raw(temp.Join(L"photos\\")), kPathFolderMode);
        LRESULT answer = 0;
        const int32_t result = RunDriven(dialog, [&](HWND window) {
            COPYDATASTRUCT data{first, static_cast<DWORD>(text.size() + 1), const_cast<char*>(text.c_str())};
            answer = SendMessageW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
        });
        EXPECT_EQ(answer, 1) << first;
        EXPECT_EQ(result, first ? 0 : 1) << first;
        EXPECT_EQ(dialog.Path(), first ? Raw(temp.Join(L"photos\\")) : RawString(text)) << first;
    }
}

TEST_F(WinPathDialogTest, KeysInTheBarMoveTheBoxCursorAndEnterFinishes) {
    ASSERT_TRUE(MakeFolder(temp.Join(L"photos\\2024")));
    ASSERT_TRUE(TestSupport::PutFile(temp.Join(L"photos\\notes.txt"), "x"));
    const struct {
        const char* name;
        std::vector<WORD> keys;
        int32_t result;
    } cases[] = {
        // From "new.txt" down to "2024", back up, then down past it to "notes.txt".
        {"Down, Up, Down, Down, Enter", {VK_DOWN, VK_UP, VK_DOWN, VK_DOWN, VK_RETURN}, 1},
        {"Esc", {VK_ESCAPE}, 0},
    };
    for (const auto& c : cases) {
        WinPathDialog dialog("Choose a file", Raw(temp.Join(L"photos\\new.txt")), kPathFileMode);
        const int32_t result = RunDriven(dialog, [&](HWND) {
            for (WORD key : c.keys) WinTest::PressKey(key);
        });
        EXPECT_EQ(result, c.result) << c.name;
        EXPECT_EQ(dialog.Path(), Raw(temp.Join(c.result ? L"photos\\notes.txt" : L"photos\\new.txt"))) << c.name;
    }
}

TEST_F(WinPathDialogTest, TheBoxShowsThePathsChainAndTheDeepestFoldersEntries) {
    const std::wstring b = temp.Join(L"a\\b");
    ASSERT_TRUE(MakeFolder(b + L"\\sub1"));
    ASSERT_TRUE(MakeFolder(b + L"\\sub2"));
    ASSERT_TRUE(TestSupport::PutFile(b + L"\\f.txt", "x"));
    ASSERT_TRUE(TestSupport::PutFile(b + L"\\g.txt", "x"));
    ASSERT_TRUE(MakeFolder(temp.Join(L"target")));
    ASSERT_TRUE(MakeShortcut(b + L"\\link.lnk", temp.Join(L"target")));
    ASSERT_TRUE(SetFileAttributesW((b + L"\\sub2").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY));
    ASSERT_TRUE(SetFileAttributesW((b + L"\\g.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
    const std::wstring typed = b + L"\\new";
    WinPathPlaces places{1u << (towupper(typed[0]) - L'A'), "", ""};
    const struct {
        const char* name;
        uint16_t options;
        std::vector<std::string> entries;
    } cases[] = {
        {"folder mode", kPathFolderMode, {"sub1:5", "link.lnk:7"}},
        {"folder mode, hidden", kPathFolderMode | kPathShowHidden, {"sub1:5", "sub2:5", "link.lnk:7"}},
        {"file mode", kPathFileMode, {"sub1:5", "f.txt:6", "link.lnk:7"}},
        {"file mode, hidden", kPathFileMode | kPathShowHidden,
         {"sub1:5", "sub2:5", "f.txt:6", "g.txt:6", "link.lnk:7"}},
    };
    for (const auto& c : cases) {
        WinPathBoxItemList items;
        const int32_t cursor = FillPathBoxItems(Raw(typed), c.options, places, "", items);
        ASSERT_GE(cursor, 3) << c.name;
        // "[Drives]", the drive, one element per level down to the missing
        // "new", then the entries of "b" beside it.
        std::vector<std::string> entries;
        int32_t i = 0;
        for (const WinPathBoxItem& item : items) {
            const int32_t kind = i == 0 ? 0 : i == 1 ? 1 : i < cursor ? 3 : i == cursor ? 4 : item.kind;
            EXPECT_EQ(item.level, std::min(i, cursor)) << c.name << " " << item.name.ToUtf8();
            EXPECT_EQ(item.kind, kind) << c.name << " " << item.name.ToUtf8();
            if (i++ > cursor) entries.push_back(item.name.ToUtf8() + ":" + std::to_string(item.kind));
        }
        EXPECT_EQ(entries, c.entries) << c.name;
    }
}

TEST_F(WinPathDialogTest, AShortcutIsFollowedAndLinkBackwordLeadsBack) {
    const std::wstring b = temp.Join(L"a\\b");
    ASSERT_TRUE(MakeFolder(temp.Join(L"target\\inner")));
    ASSERT_TRUE(MakeFolder(b));
    ASSERT_TRUE(MakeShortcut(b + L"\\link.lnk", temp.Join(L"target")));
    WinPathDialog dialog("Choose", Raw(b + L"\\"), kPathFolderMode);
    dialog.SetPath(Raw(b + L"\\"));
    const WinPathBoxItemList& items = dialog.Box().Entries();
    dialog.ExecuteEntry(IndexOf(items, "link.lnk"));
    EXPECT_EQ(dialog.Path(), Raw(temp.Join(L"target\\")));
    EXPECT_GE(IndexOf(items, "inner"), 0);
    const int32_t back = IndexOf(items, kLinkBackName);
    ASSERT_GE(back, 0);
    dialog.ExecuteEntry(back);
    EXPECT_EQ(dialog.Path(), Raw(b + L"\\link.lnk"));
    EXPECT_EQ(IndexOf(items, kLinkBackName), -1);
    EXPECT_GE(IndexOf(items, "link.lnk"), 0);
    dialog.ExecuteEntry(IndexOf(items, "b"));
    EXPECT_EQ(dialog.Path(), Raw(b + L"\\"));
}

TEST_F(WinPathDialogTest, AShortcutTargetLongerThan260UnitsComesBackWhole) {
    std::wstring target = temp.Path();
    while (target.size() < 1100) {  // past the first buffer the resolver tries, too
        target += L"\\" + std::wstring(60, L'd');
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + target).c_str(), nullptr));
    }
    const std::wstring link = temp.Join(L"long.lnk");
    ASSERT_TRUE(MakeShortcut(link, target));
    RawString resolved = ResolveShortcut(Raw(link));
    // Wine's link object saves no target longer than MAX_PATH (its file then
    // holds no path at all); the file format holds any length, so there the
    // link is written as the format lays it out.
    if (OnWine() && resolved.IsEmpty()) {
        ASSERT_TRUE(TestSupport::WriteFileBytes(link, LinkFileBytes(TestSupport::Narrow(target))));
        resolved = ResolveShortcut(Raw(link));
    }
    EXPECT_EQ(resolved.ToUtf8(), TestSupport::Narrow(target));
}
