// The help documents behind the help menu: the read-me and the manual files
// beside the program, opened in the help viewer "Tolvix.exe" or by the shell.
#pragma once

#include "raw/RawList.h"
#include "raw/RawShell.h"
#include "raw/RawString.h"

namespace WinLayer {

class WinHelpDocuments {
public:
    // Documents are looked for beside the program file unless told otherwise.
    WinHelpDocuments();
    explicit WinHelpDocuments(const RawLayer::RawString& programFolder);

    // Reads the [Manual] section of the configuration file ("Manual" and
    // "Tolvix" keys, their defaults when missing) and collects the read-me, if
    // it exists, then the manual folder's documents that match a pattern,
    // sorted by name. Full paths.
    RawLayer::RawStringList FindDocuments(const RawLayer::RawString& configFile);
    // Opens one document: in the viewer when its extension is a viewer
    // extension and the viewer exists, else with the shell's default action.
    // The shell given is the one that launches (a test may stand in for it).
    bool OpenDocument(const RawLayer::RawString& path);
    bool OpenDocument(const RawLayer::RawString& path, RawLayer::RawShell& shell);

    RawLayer::RawString ReadMePath() const;
    // "Tolvix.exe" in the program's folder, its "Tolvix" sub-folder or the
    // "Tolvix" folder beside it, the first that exists; empty when none does.
    RawLayer::RawString FindViewer() const;
    bool IsViewerExtension(const RawLayer::RawString& path) const;

    // Comma-separated wildcard patterns of manual documents.
    RawLayer::RawString patterns;
    // Comma-separated extensions (without dots) that go to the viewer.
    RawLayer::RawString viewerExtensions;

private:
    RawLayer::RawString programFolder_;
};

}  // namespace WinLayer
