// Reading, applying and settling the options record.
#include "job/JobOption.h"

#include <algorithm>

#include "raw/RawPath.h"
#include "raw/RawProduct.h"
#include "raw/RawShell.h"

namespace JobLayer {

using namespace RawLayer;

namespace {

struct SwitchKey {
    const char* key;
    uint16_t flag;
};
constexpr SwitchKey kSwitches[] = {
    {"ViewTip", JobOption::ViewTip},
    {"OpenTreeByDoubleClick", JobOption::OpenTreeByDoubleClick},
    {"CheckMarkBySelection", JobOption::CheckMarkBySelection},
    {"OpenFolderInitialyOnDropped", JobOption::OpenFolderInitialyOnDropped},
    {"HideChildsOnDroppedLimitation", JobOption::HideChildsOnDroppedLimitation},
    {"HideFilesOnFolderLimitation", JobOption::HideFilesOnFolderLimitation},
};

const RawString& ProductFolderName() {
    static const RawString name = RawString::MakeLiteral(kProductName);
    return name;
}

int32_t Clamp(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : (value > high ? high : value);
}

constexpr std::initializer_list<const char*> kLimitationNames = {"Dropped", "Folder", "File", "Both"};
constexpr std::initializer_list<const char*> kViewStyleNames = {"TreeView", "MatchedList"};

// The entry's index, -1 for a name not in the table.
int32_t IndexIn(const RawString& name, std::initializer_list<const char*> table) {
    int32_t index = 0;
    for (const char* entry : table) {
        if (name == RawString(entry)) return index;
        ++index;
    }
    return -1;
}

void RefuseUnknown(const char* what, const RawString& value, bool given,
                   std::initializer_list<const char*> table, std::vector<RawString>* refusals) {
    if ((!given && value.IsEmpty()) || IndexIn(value, table) >= 0) return;
    RawString text("The ");
    text.Append(RawString(what), " \"", RawString(value, RawCodeKind::Utf8));
    text.Append(RawString("\" is not one of "));
    const char* separator = "";
    for (const char* entry : table) {
        text.Append(RawString(separator), RawString(entry));
        separator = ", ";
    }
    text.Append(RawString("; nothing was renamed."));
    refusals->push_back(text);
}

}  // namespace

RawString CommandLinePath(const RawString& typed) {
    // "\\?\D:\Data" and "\\.\D:\Data" name the items of "D:\Data", which is
    // how they are shown; the file calls put the long form back.
    RawString path = PlainPath(FullPath(typed));
    // "D:\Data\" names the same folder as "D:\Data", but as an item it
    // would have no name to rename; a root keeps its separator.
    while (path.Length() > 3 && path.IsSeparatorAt(path.Length() - 1)) path.Truncate(path.Length() - 1);
    return path;
}

JobOption& JobOption::Instance() {
    static JobOption record;
    return record;
}

void JobOption::Reset() { *this = JobOption(); }

void JobOption::ApplySection(const RawParameterList& section) {
    auto text = [&](const char* key, RawString* field) {
        auto p = section.Find(key);
        if (p != section.end()) *field = p->value;
    };
    text("LogFolder", &logFolder);
    maxLogFiles = ParameterInt(section, "MaxLogFiles", maxLogFiles);
    pathFontRate = ParameterInt(section, "PathFontRate", pathFontRate);
    pathSpaceRate = ParameterInt(section, "PathSpaceRate", pathSpaceRate);
    text("Limitation", &limitation);
    text("ViewStyle", &viewStyle);
    for (const SwitchKey& s : kSwitches) {
        auto p = section.Find(s.key);
        if (p == section.end()) continue;
        if (ParameterBool(p->value))
            flags |= s.flag;
        else
            flags &= static_cast<uint16_t>(~s.flag);
    }
}

void JobOption::ApplyArguments(const RawParameterList& arguments) {
    for (const RawParameterUnit& arg : arguments) {
        const RawString& key = arg.key;
        if (key == RawString("o")) oldName = arg.value;
        else if (key == RawString("n")) newName = arg.value;
        else if (key == RawString("l")) {
            limitation = arg.value;
            limitationGiven = true;
        } else if (key == RawString("v")) {
            viewStyle = arg.value;
            viewStyleGiven = true;
        }
        else if (key == RawString("a")) flags |= Apply;
        else if (key == RawString("i")) flags |= Inspect;
        else if (arg.number > 0 && key.Length() > 6 && key.EqualAt(0, RawString("NoTag_"), 0, 6)) {
            // A path typed in a console means what it means to every other
            // command-line program: relative to the current folder. An empty
            // one ("") names nothing, not the current folder.
            if (!arg.value.IsEmpty()) items.Append(CommandLinePath(arg.value));
        }
    }
}

void JobOption::Normalise() {
    if (logFolder.IsEmpty()) {
        logFolder = JoinPath(WithoutTrailingSeparator(TempFolder()), ProductFolderName());
    } else {
        const RawString expanded = ExpandUserFolder(logFolder, ProductFolderName());
        if (!IsAbsolutePath(expanded)) logFolder = ResolvePath(expanded, ParentPath(configFile.path));
        else logFolder = expanded;
    }
    if (maxLogFiles < 0) maxLogFiles = 0;
    pathFontRate = Clamp(pathFontRate, 0, 200);
    pathSpaceRate = Clamp(pathSpaceRate, 0, 200);
}

void JobOption::LoadOptions(const RawParameterFile& file, const RawParameterList& arguments) {
    configFile = file;
    RawParameterList section;
    configFile.ReadSection(&section, "Option");
    ApplySection(section);
    ApplyArguments(arguments);
    Normalise();
}

// The tables follow the enumerators' order.
JobCondition::Limitation LimitationValue(const RawString& name) {
    return static_cast<JobCondition::Limitation>(std::max(IndexIn(name, kLimitationNames), 0));
}

JobCondition::ViewStyle ViewStyleValue(const RawString& name) {
    return static_cast<JobCondition::ViewStyle>(std::max(IndexIn(name, kViewStyleNames), 0));
}

std::vector<RawString> UnknownChoices(const JobOption& option) {
    std::vector<RawString> refusals;
    RefuseUnknown("Limitation", option.limitation, option.limitationGiven, kLimitationNames, &refusals);
    RefuseUnknown("ViewStyle", option.viewStyle, option.viewStyleGiven, kViewStyleNames, &refusals);
    return refusals;
}

}  // namespace JobLayer
