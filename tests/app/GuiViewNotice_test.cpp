// The empty view's line for each reason, over items read from a real tree.
#include "app/GuiViewNotice.h"

#include <string>
#include <vector>

#include "TestSupport.h"

using namespace AppLayer;
using namespace TestSupport;
using JobLayer::JobCondition;
using Limitation = JobLayer::JobCondition::Limitation;

TEST_F(TempDirTest, ViewNoticeNamesTheReasonNothingMatched) {
    const std::wstring folder = temp.Join(L"photos"), file = temp.Join(L"note.txt");
    ASSERT_TRUE(PutFile(folder + L"\\IMG_1.jpg", "x"));
    ASSERT_TRUE(PutFile(file, "x"));
    struct Case {
        std::vector<std::wstring> named;
        Limitation limitation;
        const char* pattern;
        bool excludeAll;
        GuiViewNotice expected;
    };
    const Case cases[] = {
        {{}, Limitation::File, "*", false, GuiViewNotice::EmptyList},
        {{folder}, Limitation::File, "*", false, GuiViewNotice::None},
        {{folder}, Limitation::File, "", false, GuiViewNotice::NoPattern},
        {{folder}, Limitation::File, "*", true, GuiViewNotice::AllExcluded},
        {{file}, Limitation::Folder, "*", false, GuiViewNotice::NoFolders},
        {{folder}, Limitation::Both, "x", false, GuiViewNotice::NoMatch},
        {{folder}, Limitation::Dropped, "IMG_*.jpg", false, GuiViewNotice::DroppedFolders},
        {{folder, file}, Limitation::Dropped, "IMG_*.jpg", false, GuiViewNotice::NoNamedMatch},
        {{folder}, Limitation::Folder, "x", false, GuiViewNotice::NoFolderMatch},
        {{folder}, Limitation::File, "x", false, GuiViewNotice::NoFileMatch},
    };
    for (const Case& c : cases) {
        JobLayer::JobFileList list;
        for (const std::wstring& path : c.named) list.AddPath(Raw(path), true);
        if (c.excludeAll)
            for (auto p = list.begin(); p != list.end(); ++p) list.MarkExcluded(p);
        JobCondition condition;
        JobLayer::EvaluationPass(list, condition, JobCondition::ViewStyle::TreeView, c.limitation, c.pattern, "n");
        const GuiViewSummary summary = SummariseView(list, condition);
        EXPECT_EQ(summary.notice, c.expected) << c.pattern << " " << static_cast<int>(c.limitation);
        EXPECT_EQ(NoticeText(summary.notice).IsEmpty(), c.expected == GuiViewNotice::None);
    }
}
