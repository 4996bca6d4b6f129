// The icons built into Varnelo.exe: every group loads at the sizes the
// toolkit asks for, with alpha.
#include "TestSupport.h"

#include "../../res/resource.h"

using namespace TestSupport;

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
