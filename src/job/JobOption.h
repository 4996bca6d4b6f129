// The process-wide options record: the [Option] section of the configuration
// file and what the command line asked for, settled once at start-up.
#pragma once

#include <cstdint>
#include <vector>

#include "job/JobCondition.h"
#include "raw/RawList.h"
#include "raw/RawParameterFile.h"
#include "raw/RawString.h"

namespace JobLayer {

using RawLayer::RawString;

class JobOption {
public:
    enum Flags : uint16_t {
        ViewTip = 0x0001,
        Apply = 0x0002,      // "-a"
        Inspect = 0x0004,    // "-i"
        OpenTreeByDoubleClick = 0x0010,
        CheckMarkBySelection = 0x0020,
        OpenFolderInitialyOnDropped = 0x0040,
        HideChildsOnDroppedLimitation = 0x0100,
        HideFilesOnFolderLimitation = 0x0200,
    };
    static constexpr uint16_t kDefaultFlags = 0x0351;

    // The one record of the process, with the defaults until it is loaded.
    static JobOption& Instance();

    // Reads [Option] of the configuration file, applies the arguments in
    // command-line order and settles the values. Start paths are resolved
    // against the current folder.
    void LoadOptions(const RawLayer::RawParameterFile& configFile, const RawLayer::RawParameterList& arguments);
    // The same from a section already read (a missing section: an empty list).
    void ApplySection(const RawLayer::RawParameterList& section);
    // Start paths are the pairs the parser numbered; an option spelled like
    // their keys has number 0 and, like every unknown option, no effect.
    void ApplyArguments(const RawLayer::RawParameterList& arguments);
    void Normalise();

    bool Has(uint16_t flag) const { return (flags & flag) != 0; }
    void Reset();

    uint16_t flags = kDefaultFlags;
    RawLayer::RawParameterFile configFile;
    RawString logFolder;
    int32_t maxLogFiles = 200;
    int32_t pathFontRate = 80;
    int32_t pathSpaceRate = 80;
    RawString oldName;
    RawString newName;
    RawString limitation;
    RawString viewStyle;
    bool limitationGiven = false;  // "-l" on the command line, even with an empty value
    bool viewStyleGiven = false;   // "-v"
    RawLayer::RawStringList items;
};

// A start path as typed, made absolute against the current folder the way
// the platform does it (".", "..", "\\root" and "D:rel" included).
RawString CommandLinePath(const RawString& typed);

// The limitation named exactly ("Dropped", "Folder", "File", "Both"); any other text is Dropped.
JobCondition::Limitation LimitationValue(const RawString& name);
// The view style named exactly ("TreeView", "MatchedList"); any other text is TreeView.
JobCondition::ViewStyle ViewStyleValue(const RawString& name);

// The refusals to start a run that the options hold: a limitation or view
// style given (on the command line, or in the [Option] section) that is not
// exactly one of the names above, each said with the value and the names
// accepted. Empty when the run may start.
std::vector<RawString> UnknownChoices(const JobOption& option);

}  // namespace JobLayer
