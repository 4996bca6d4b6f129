// Finding the read-me and manual documents by the configured patterns, and
// handing one to the help viewer or to the shell.
#include "win/WinHelpDocuments.h"

#include "raw/RawFolderScan.h"
#include "raw/RawParameterFile.h"
#include "raw/RawPath.h"
#include "raw/RawWildcardMatch.h"

namespace WinLayer {

using namespace RawLayer;

namespace {

const RawString& ReadMeName() {
    static const RawString name = RawString::MakeLiteral("ReadMe_Varnelo.txt");
    return name;
}
const RawString& ManualFolderName() {
    static const RawString name = RawString::MakeLiteral("Manual");
    return name;
}
const RawString& ViewerName() {
    static const RawString name = RawString::MakeLiteral("Tolvix");
    return name;
}
const RawString& ViewerFile() {
    static const RawString name = RawString::MakeLiteral("Tolvix.exe");
    return name;
}
const RawString& DefaultPatterns() {
    static const RawString text = RawString::MakeLiteral("ReadMe_*.txt,ReadMe_*.md,*.pdf");
    return text;
}
const RawString& DefaultViewerExtensions() {
    static const RawString text = RawString::MakeLiteral("txt,md");
    return text;
}

bool MatchesAny(const RawString& name, const RawStringList& patterns) {
    for (const RawString& pattern : patterns) {
        if (pattern.IsEmpty()) continue;
        RawWildcardMatch match;
        match.whole = 1;
        match.ignoreCase = 1;
        if (match.Match(name, kAll, pattern, kAll)) return true;
    }
    return false;
}

}  // namespace

WinHelpDocuments::WinHelpDocuments() : WinHelpDocuments(ProgramFolder()) {}

WinHelpDocuments::WinHelpDocuments(const RawString& programFolder)
    : patterns(DefaultPatterns()), viewerExtensions(DefaultViewerExtensions()), programFolder_(programFolder) {}

RawString WinHelpDocuments::ReadMePath() const { return JoinPath(programFolder_, ReadMeName()); }

RawStringList WinHelpDocuments::FindDocuments(const RawString& configFile) {
    RawParameterList manual;
    RawParameterFile(configFile).ReadSection(&manual, ManualFolderName());
    patterns = manual.Value(RawString("Manual"), DefaultPatterns());
    viewerExtensions = manual.Value(RawString("Tolvix"), DefaultViewerExtensions());

    RawStringList documents;
    if (IsFile(ReadMePath())) documents.Append(ReadMePath());
    RawStringList patternList;
    SplitCommas(patterns, &patternList);
    RawFolderFileList found;
    RawFolderScan(JoinPath(programFolder_, ManualFolderName()))
        .Collect(&found, RawFolderScan::FilesOnly | RawFolderScan::SkipDots);
    // Within one folder the path order is the name order.
    RawFolderFileListSort byName(RawFolderFileListSort::ByPath);
    found.Sort(byName);
    for (const RawFindFileData& file : found)
        if (MatchesAny(file.name, patternList)) documents.Append(file.path);
    return documents;
}

RawString WinHelpDocuments::FindViewer() const {
    const RawString places[] = {
        JoinPath(programFolder_, ViewerFile()),
        JoinPath(JoinPath(programFolder_, ViewerName()), ViewerFile()),
        JoinPath(JoinPath(ParentPath(programFolder_), ViewerName()), ViewerFile()),
    };
    for (const RawString& place : places)
        if (IsFile(place)) return place;
    return RawString();
}

bool WinHelpDocuments::IsViewerExtension(const RawString& path) const {
    const RawRange extension = path.ExtensionRange();
    if (extension.begin >= extension.end) return false;
    const RawString wanted(path, extension, RawCodeKind::Utf8);
    RawStringList extensions;
    SplitCommas(viewerExtensions, &extensions);
    for (const RawString& e : extensions) {
        // A configured ".md" means "md" as well.
        const RawString bare = e.UnitAt(0) == '.' ? RawString(e, {1, e.Length()}, RawCodeKind::Utf8) : e;
        if (!bare.IsEmpty() && bare.EqualsNoCase(wanted)) return true;
    }
    return false;
}

bool WinHelpDocuments::OpenDocument(const RawString& path) {
    RawShell shell;
    return OpenDocument(path, shell);
}

bool WinHelpDocuments::OpenDocument(const RawString& path, RawShell& shell) {
    if (path.IsEmpty()) return false;
    const RawString viewer = IsViewerExtension(path) ? FindViewer() : RawString();
    bool launched;
    if (!viewer.IsEmpty()) {
        shell.program = viewer;
        launched = shell.Launch(path.Quoted(), RawString());
    } else {
        shell.program = RawString();
        launched = shell.Launch(path, RawString());
    }
    // The program never waits for a document it opened.
    shell.process.Reset();
    return launched;
}

}  // namespace WinLayer
