// The resources built into Varnelo.exe: every icon group loads at the sizes the
// toolkit asks for, with alpha, and the version record and manifest are there.
#include "TestSupport.h"

#include "../../res/resource.h"
#include "VarneloVersion.h"

#include <cstring>

using namespace TestSupport;

namespace {

// Loaded as an image resource only: nothing of the program runs.
HMODULE Program() {
    static const HMODULE module =
        LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    return module;
}

std::string ResourceBytes(int type, int id) {
    HRSRC found = FindResourceW(Program(), MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
    HGLOBAL loaded = found ? LoadResource(Program(), found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    return data ? std::string(static_cast<const char*>(data), SizeofResource(Program(), found)) : std::string();
}

}  // namespace

TEST(ProgramResources, EveryIconGroupLoadsWithAlphaAtEachSize) {
    ASSERT_NE(Program(), nullptr) << Narrow(ProgramPath());
    // 24 is not stored and must be scaled from a stored size.
    for (int id = IDI_FIRST; id <= IDI_LAST; ++id) {
        for (int size : {16, 24, 32, 48}) {
            SCOPED_TRACE(testing::Message() << "icon " << id << " at " << size);
            HICON icon = static_cast<HICON>(LoadImageW(Program(), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
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
}

// The numbers and the text come from the version that CMake's project() names.
TEST(ProgramResources, VersionRecordAndManifest) {
    const std::string record = ResourceBytes(16 /* RT_VERSION */, 1);
    const DWORD signature = 0xFEEF04BD;
    const size_t at = record.find(std::string(reinterpret_cast<const char*>(&signature), sizeof signature));
    ASSERT_NE(at, std::string::npos);
    ASSERT_LE(at + sizeof(VS_FIXEDFILEINFO), record.size());
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, record.data() + at, sizeof fixed);
    EXPECT_EQ(fixed.dwFileVersionMS, (VARNELO_VERSION_MAJOR << 16) | VARNELO_VERSION_MINOR);
    EXPECT_EQ(fixed.dwFileVersionLS, (VARNELO_VERSION_PATCH << 16) | VARNELO_VERSION_TWEAK);
    EXPECT_EQ(fixed.dwProductVersionMS, fixed.dwFileVersionMS);
    EXPECT_EQ(fixed.dwProductVersionLS, fixed.dwFileVersionLS);
    for (const wchar_t* text : {L"" VARNELO_VERSION_TEXT, L"Varnelo batch renamer", L"Varnelo.exe"}) {
        const std::string utf16(reinterpret_cast<const char*>(text), wcslen(text) * sizeof(wchar_t));
        EXPECT_NE(record.find(utf16), std::string::npos) << Narrow(text);
    }
    const std::string manifest = ResourceBytes(24 /* RT_MANIFEST */, 1);
    for (const char* wanted : {"Microsoft.Windows.Common-Controls", "asInvoker", "PerMonitor",
                               "version=\"" VARNELO_VERSION_DOTTED "\""})
        EXPECT_NE(manifest.find(wanted), std::string::npos) << wanted;
    // The ANSI code page stays the system's: UTF-8 is one code kind among others.
    EXPECT_EQ(manifest.find("activeCodePage"), std::string::npos);
}
