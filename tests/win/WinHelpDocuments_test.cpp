// Help documents on real folders: which files are found in which order under
// the [Manual] keys, and where each document is sent to be opened.
#include "win/WinHelpDocuments.h"

#include <string>
#include <vector>

#include "TestSupport.h"
#include "WinTestInput.h"

using namespace WinLayer;
using namespace TestSupport;
using RawLayer::RawString;

namespace {

std::vector<std::wstring> Names(const RawLayer::RawStringList& paths, const std::wstring& folder) {
    std::vector<std::wstring> names;
    for (const RawString& path : paths) {
        const std::wstring wide = path.ToWide();
        names.push_back(wide.rfind(folder, 0) == 0 ? wide.substr(folder.size() + 1) : wide);
    }
    return names;
}

// Records the launch instead of making it.
class RecordingShell : public RawLayer::RawShell {
public:
    bool Launch(const RawString& parameters, const RawString&) override {
        launches.push_back({program.ToWide(), parameters.ToWide()});
        return true;
    }
    std::vector<std::pair<std::wstring, std::wstring>> launches;
};

class WinHelpDocumentsTest : public TempDirTest {
protected:
    void SetUp() override {
        program = temp.Join(L"prog");
        for (const wchar_t* name : {L"ReadMe_b.md", L"readme_A.TXT", L"guide.pdf", L"notes.doc",
                                    L"ReadMe_c.txt.bak", L"\u624b\u5f15\u304d.pdf"})
            ASSERT_TRUE(PutFile(program + L"\\Manual\\" + name, "x"));
        ASSERT_TRUE(CreateFolder(program + L"\\Manual\\folder.pdf"));  // a folder is no document
    }
    std::wstring program;
};

}  // namespace

TEST_F(WinHelpDocumentsTest, FindsTheReadMeFirstThenMatchingManualsByName) {
    const std::wstring jp = L"Manual\\\u624b\u5f15\u304d.pdf";
    const struct {
        const char* name;
        const char* section;  // the configuration file's content
        bool readMe;
        std::vector<std::wstring> expected;
        const char* viewerExtensions;
    } cases[] = {
        {"defaults without the section", "[Option]\r\nViewTip=True\r\n", true,
         {L"ReadMe_Varnelo.txt", L"Manual\\guide.pdf", L"Manual\\readme_A.TXT", L"Manual\\ReadMe_b.md", jp},
         "txt,md"},
        {"keys in any case", "[manual]\r\nMANUAL=*.doc, *.MD\r\ntolvix=pdf\r\n", true,
         {L"ReadMe_Varnelo.txt", L"Manual\\notes.doc", L"Manual\\ReadMe_b.md"}, "pdf"},
        {"no read-me, no patterns", "[Manual]\r\nManual=\r\n", false, {}, "txt,md"},
    };
    for (const auto& c : cases) {
        const std::wstring readMe = program + L"\\ReadMe_Varnelo.txt";
        if (c.readMe) ASSERT_TRUE(WriteFileBytes(readMe, "read me"));
        else DeleteFileW(readMe.c_str());
        const std::wstring config = temp.Join(L"Varnelo.ini");
        ASSERT_TRUE(WriteFileBytes(config, c.section));
        WinHelpDocuments help(Raw(program));
        EXPECT_EQ(Names(help.FindDocuments(Raw(config)), program), c.expected) << c.name;
        EXPECT_EQ(help.viewerExtensions.ToUtf8(), c.viewerExtensions) << c.name;
    }
}

TEST_F(WinHelpDocumentsTest, ChoosesTheViewerOrTheShell) {
    const std::wstring doc = program + L"\\Manual\\ReadMe_b.md";
    const struct {
        const char* name;
        const wchar_t* viewerAt;  // relative to the temporary folder, or none
        std::wstring document;
        std::wstring expectedProgram;  // empty: the shell opens the document
    } cases[] = {
        {"viewer beside the program", L"prog\\Tolvix.exe", doc, L"prog\\Tolvix.exe"},
        {"viewer in its sub-folder", L"prog\\Tolvix\\Tolvix.exe", program + L"\\Manual\\readme_A.TXT",
         L"prog\\Tolvix\\Tolvix.exe"},
        {"viewer beside the program's folder", L"Tolvix\\Tolvix.exe", doc, L"Tolvix\\Tolvix.exe"},
        {"a pdf always goes to the shell", L"prog\\Tolvix.exe", program + L"\\Manual\\guide.pdf", L""},
        {"no viewer: the shell", nullptr, doc, L""},
    };
    for (const auto& c : cases) {
        RemoveTree(program + L"\\Tolvix.exe");
        RemoveTree(program + L"\\Tolvix");
        RemoveTree(temp.Join(L"Tolvix"));
        if (c.viewerAt) {
            const std::wstring at = temp.Join(c.viewerAt);
            CreateFolder(at.substr(0, at.rfind(L'\\')));
            ASSERT_TRUE(WriteFileBytes(at, "MZ"));
        }
        WinHelpDocuments help(Raw(program));
        RecordingShell shell;
        EXPECT_TRUE(help.OpenDocument(Raw(c.document), shell)) << c.name;
        ASSERT_EQ(shell.launches.size(), 1u) << c.name;
        if (c.expectedProgram.empty()) {
            EXPECT_EQ(shell.launches[0], std::make_pair(std::wstring(), c.document)) << c.name;
        } else {
            EXPECT_EQ(shell.launches[0], std::make_pair(temp.Join(c.expectedProgram), L"\"" + c.document + L"\""))
                << c.name;
        }
    }
    RecordingShell shell;
    EXPECT_FALSE(WinHelpDocuments(Raw(program)).OpenDocument(RawString(), shell));
    EXPECT_TRUE(shell.launches.empty());
}

TEST_F(WinHelpDocumentsTest, TheViewerIsStartedWithTheDocumentPath) {
    const std::wstring viewer = program + L"\\Tolvix.exe";
    ASSERT_TRUE(CopyFileW((ModuleFolder() + L"\\standin\\Tolvix.exe").c_str(), viewer.c_str(), FALSE));
    const std::wstring doc = program + L"\\Manual\\\u8aac\u660e \u66f8.md";
    ASSERT_TRUE(WriteFileBytes(doc, "# help"));
    WinHelpDocuments help(Raw(program));
    ASSERT_TRUE(help.OpenDocument(Raw(doc)));
    const std::wstring out = program + L"\\Tolvix.out";
    std::string written;
    EXPECT_TRUE(WinTest::PumpUntil([&] {
        written = ReadFileBytes(out).value_or("");
        return written == Narrow(doc);
    })) << written;
    // The viewer's process may still be ending: its file goes once it has.
    EXPECT_TRUE(WinTest::PumpUntil([&] { return DeleteFileW(viewer.c_str()) || !FileExists(viewer); }));
}
