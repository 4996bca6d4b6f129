// Profile paths and the configuration read at start-up.
#include "app/GuiProfile.h"

#include "job/JobOption.h"
#include "raw/RawPath.h"
#include "raw/RawShell.h"

namespace AppLayer {

using namespace RawLayer;

namespace {

const RawString& ProductName() {
    static const RawString s = RawString::MakeLiteral("Varnelo");
    return s;
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

}  // namespace AppLayer
