// Which profile files the program uses (the main profile beside the program
// names the GUI profile, the configuration file and the language file), and
// the GUI profile's state: language, window parameters, fonts and its writes.
#pragma once

#include <windows.h>

#include <functional>

#include "raw/RawList.h"
#include "raw/RawParameterFile.h"
#include "raw/RawString.h"
#include "win/WinFont.h"

namespace AppLayer {

struct GuiProfilePaths {
    RawLayer::RawString mainProfile;
    RawLayer::RawString guiProfile;    // the main profile unless [Common] GuiProfile says otherwise
    RawLayer::RawString configFile;    // the main profile unless [Common] ConfigFile says otherwise
    RawLayer::RawString languageName;  // [Common] Language, unchanged
    RawLayer::RawString languageFile;  // empty when none was named or found
};

// A profile path value: "$(User)" expanded, then taken from the program's
// folder unless it is absolute. The current folder is never used.
RawLayer::RawString ResolveProfileValue(const RawLayer::RawString& value);

// Reads [Common] of the main profile and searches for the language file.
GuiProfilePaths ResolveProfilePaths(const RawLayer::RawString& mainProfilePath,
                                    const RawLayer::RawString& programFolder);

// Loads the options record from the configuration file and the arguments.
void LoadConfiguration(const GuiProfilePaths& paths, const RawLayer::RawParameterList& arguments);

// The fonts the user can choose in the title menu; each has its own section.
enum class GuiFontKind { Window, List, Menu, Tip };

// The GUI profile file and what start-up reads from it. One per process
// (Instance); all writes go to the GUI profile's path at once.
class GuiProfile {
public:
    static GuiProfile& Instance();

    // The font dialog: on a choice the record takes it, the list is written
    // from it and the result is true (WinLayer::ChooseFont is the system's).
    using FontDialog = std::function<bool(HWND, WinLayer::WinFontRecord&, RawLayer::RawParameterList&)>;

    // Start-up: the language ([UserSelection] over [Common]; the language
    // file gains a section for a language it lacks), [WindowParameter] into
    // the toolkit, the window font from [WindowFont] and the three font
    // records. Returns the language in use.
    RawLayer::RawString Load(const GuiProfilePaths& paths);

    // Sets the record from the section, or from the fallback list when the
    // section cannot be read, and makes its font handle anew.
    void ReloadFont(WinLayer::WinFontRecord& record, const RawLayer::RawString& section,
                    const RawLayer::RawParameterList& fallback);
    // The record of a kind with its section and fallback (not Window).
    void ReloadFont(GuiFontKind kind);
    WinLayer::WinFontRecord& FontRecord(GuiFontKind kind);
    static const RawLayer::RawString& FontSection(GuiFontKind kind);

    // ---- the writes of the title menu and the main dialog
    bool WriteLanguage(const RawLayer::RawString& name);
    // Shows the font dialog over the kind's current font and, when a font was
    // chosen, writes its section. The window font takes effect at the next start.
    bool ChooseAndWriteFont(HWND owner, GuiFontKind kind);
    bool ChooseAndWriteFont(HWND owner, GuiFontKind kind, const FontDialog& dialog);
    bool WriteFontList(GuiFontKind kind, const RawLayer::RawParameterList& fontList);
    // [MainDialog] WindowRect_L/T/R/B: read keeps what is missing; false
    // without the section.
    bool ReadWindowRect(RECT* rect);
    bool WriteWindowRect(const RECT& rect);

    RawLayer::RawParameterFile& File() { return file_; }
    const RawLayer::RawParameterList& WindowFontList() const { return windowFontList_; }
    const RawLayer::RawParameterList& DefaultFontList() const { return defaultFontList_; }

private:
    RawLayer::RawParameterFile file_;
    WinLayer::WinFontRecord listFont_;
    WinLayer::WinFontRecord menuFont_;
    WinLayer::WinFontRecord tipFont_;
    WinLayer::WinFontRecord windowFont_;  // only a place for the dialog's choice
    RawLayer::RawParameterList windowFontList_;
    RawLayer::RawParameterList defaultFontList_;
    // The toolkit's font before [WindowFont] replaced it: the base every
    // record is read onto, so that a partial section changes only its keys.
    LOGFONTW defaultLogFont_{};
};

}  // namespace AppLayer
