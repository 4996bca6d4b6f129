// Profile paths, the configuration read at start-up, and the GUI profile.
#include "app/GuiProfile.h"

#include "job/JobOption.h"
#include "raw/RawLabelStore.h"
#include "raw/RawPath.h"
#include "raw/RawProduct.h"
#include "raw/RawShell.h"
#include "win/WinToolkit.h"

namespace AppLayer {

using namespace RawLayer;

namespace {

const RawString& ProductName() {
    static const RawString s = RawString::MakeLiteral(kProductName);
    return s;
}

const RawString& UserSelection() { static const RawString s = RawString::MakeLiteral("UserSelection"); return s; }
const RawString& LanguageKey() { static const RawString s = RawString::MakeLiteral("Language"); return s; }
const RawString& WindowParameter() { static const RawString s = RawString::MakeLiteral("WindowParameter"); return s; }
const RawString& MarginKey() { static const RawString s = RawString::MakeLiteral("Margin"); return s; }
const RawString& ButtonRKey() { static const RawString s = RawString::MakeLiteral("ButtonR"); return s; }
const RawString& MainDialog() { static const RawString s = RawString::MakeLiteral("MainDialog"); return s; }

// "WindowRect" "_" and the edge's letter, in the order left, top, right, bottom.
const RawString& RectKey(int edge) {
    static const RawString keys[4] = {"WindowRect_L", "WindowRect_T", "WindowRect_R", "WindowRect_B"};
    return keys[edge];
}

// "LanguageFile.ini" in the folder, when a file (not a folder) of that path exists.
RawString LanguageFileIn(const RawString& folder) {
    static const RawString name = RawString::MakeLiteral("LanguageFile.ini");
    const RawString candidate = JoinPath(folder, name);
    return IsFile(candidate) ? candidate : RawString();
}

}  // namespace

RawString ResolveProfileValue(const RawString& value) { return ResolveProfilePath(value, ProductName()); }

GuiProfilePaths ResolveProfilePaths(const RawString& mainProfilePath, const RawString& programFolder) {
    GuiProfilePaths paths;
    paths.mainProfile = mainProfilePath;
    paths.guiProfile = mainProfilePath;
    paths.configFile = mainProfilePath;
    RawParameterFile mainProfile(mainProfilePath);
    RawParameterList common;
    if (mainProfile.ReadSection(&common, "Common")) {
        auto take = [&](const char* key, RawString* field, bool isPath) {
            auto p = common.Find(key);
            if (p == common.end()) return;
            *field = isPath ? ResolveProfileValue(p->value) : p->value;
        };
        take("GuiProfile", &paths.guiProfile, true);
        take("ConfigFile", &paths.configFile, true);
        take("Language", &paths.languageName, false);
        take("LanguageFile", &paths.languageFile, true);
    }
    if (paths.languageFile.IsEmpty()) {
        paths.languageFile = LanguageFileIn(ParentPath(paths.configFile));
        if (paths.languageFile.IsEmpty()) paths.languageFile = LanguageFileIn(programFolder);
    }
    return paths;
}

void LoadConfiguration(const GuiProfilePaths& paths, const RawParameterList& arguments) {
    JobLayer::JobOption::Instance().LoadOptions(RawParameterFile(paths.configFile), arguments);
}

// ---------------------------------------------------------------- GUI profile

GuiProfile& GuiProfile::Instance() {
    static GuiProfile* profile = new GuiProfile;  // kept to the end of the process
    return *profile;
}

RawString GuiProfile::Load(const GuiProfilePaths& paths) {
    file_ = RawParameterFile(paths.guiProfile);
    const RawString language =
        RawLabelStore::Instance().LoadStartLanguage(file_, paths.languageName, paths.languageFile);

    WinLayer::WinToolkit& toolkit = WinLayer::WinToolkit::Instance();
    RawParameterList parameters;
    if (file_.ReadSection(&parameters, WindowParameter())) {
        toolkit.margin = ParameterInt(parameters, MarginKey(), toolkit.margin);
        toolkit.buttonR = ParameterInt(parameters, ButtonRKey(), toolkit.buttonR);
    }

    defaultLogFont_ = toolkit.DefaultLogFont();
    defaultFontList_.Clear();
    WinLayer::WriteFont(defaultLogFont_, defaultFontList_);
    windowFontList_.Clear();
    if (file_.ReadSection(&windowFontList_, FontSection(GuiFontKind::Window))) {
        LOGFONTW window = defaultLogFont_;
        WinLayer::ReadFont(windowFontList_, window);
        toolkit.SetDefaultFont(window);
    } else {
        windowFontList_.Clear();
        WinLayer::WriteFont(toolkit.DefaultLogFont(), windowFontList_);
    }
    for (GuiFontKind kind : {GuiFontKind::List, GuiFontKind::Menu, GuiFontKind::Tip}) ReloadFont(kind);
    return language;
}

void GuiProfile::ReloadFont(WinLayer::WinFontRecord& record, const RawString& section,
                            const RawParameterList& fallback) {
    RawParameterList list;
    if (!file_.ReadSection(&list, section)) list = fallback;
    LOGFONTW font = defaultLogFont_;
    WinLayer::ReadFont(list, font);
    record.logFont = font;
    record.Recreate();
}

void GuiProfile::ReloadFont(GuiFontKind kind) {
    // The menu font falls back to the system's font, not to the window font.
    const RawParameterList& fallback = kind == GuiFontKind::Menu ? defaultFontList_ : windowFontList_;
    ReloadFont(FontRecord(kind), FontSection(kind), fallback);
}

WinLayer::WinFontRecord& GuiProfile::FontRecord(GuiFontKind kind) {
    switch (kind) {
        case GuiFontKind::List: return listFont_;
        case GuiFontKind::Menu: return menuFont_;
        case GuiFontKind::Tip: return tipFont_;
        default: return windowFont_;
    }
}

const RawString& GuiProfile::FontSection(GuiFontKind kind) {
    static const RawString sections[] = {"WindowFont", "ListFont", "MenuFont", "TipFont"};
    return sections[static_cast<int>(kind)];
}

bool GuiProfile::WriteLanguage(const RawString& name) { return file_.WriteValue(UserSelection(), LanguageKey(), name); }

bool GuiProfile::WriteFontList(GuiFontKind kind, const RawParameterList& fontList) {
    return file_.WriteSection(fontList, FontSection(kind));
}

bool GuiProfile::ChooseAndWriteFont(HWND owner, GuiFontKind kind) {
    return ChooseAndWriteFont(owner, kind, WinLayer::ChooseFont);
}

bool GuiProfile::ChooseAndWriteFont(HWND owner, GuiFontKind kind, const FontDialog& dialog) {
    WinLayer::WinFontRecord& record = FontRecord(kind);
    if (kind == GuiFontKind::Window) {
        record.logFont = WinLayer::WinToolkit::Instance().DefaultLogFont();
        record.Recreate();
    }
    RawParameterList chosen;
    return dialog(owner, record, chosen) && WriteFontList(kind, chosen);
}

bool GuiProfile::ReadWindowRect(RECT* rect) {
    RawParameterList section;
    if (!file_.ReadSection(&section, MainDialog())) return false;
    LONG* edges[4] = {&rect->left, &rect->top, &rect->right, &rect->bottom};
    for (int edge = 0; edge < 4; ++edge) *edges[edge] = ParameterInt(section, RectKey(edge), *edges[edge]);
    return true;
}

bool GuiProfile::WriteWindowRect(const RECT& rect) {
    RawParameterList section;
    if (!file_.ReadSection(&section, MainDialog())) section.Clear();
    const LONG edges[4] = {rect.left, rect.top, rect.right, rect.bottom};
    for (int edge = 0; edge < 4; ++edge) {
        RawString value(RawCodeKind::Utf8);
        value.AppendInt(edges[edge]);
        auto p = section.Find(RectKey(edge));
        if (p != section.end()) p->value = value;
        else section.Add(RectKey(edge), value);
    }
    return file_.WriteSection(section, MainDialog());
}

}  // namespace AppLayer
