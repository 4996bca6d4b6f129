// Which profile files the program uses: the main profile beside the program
// names the GUI profile, the configuration file and the language file.
#pragma once

#include "raw/RawList.h"
#include "raw/RawParameterFile.h"
#include "raw/RawString.h"

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

}  // namespace AppLayer
