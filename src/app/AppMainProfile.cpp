// Start-up check of the main profile: created on first start, refused when
// it holds no program name.
#include "app/AppMainProfile.h"

#include "app/AppBatch.h"
#include "raw/RawFile.h"
#include "raw/RawParameterFile.h"
#include "raw/RawProduct.h"
#include "raw/RawShell.h"

using namespace RawLayer;

namespace AppLayer {

namespace {
const RawString& CommonSection() { static const RawString s = RawString::MakeLiteral("Common"); return s; }
const RawString& ProgramKey() { static const RawString s = RawString::MakeLiteral("Program"); return s; }
const RawString& ProductName() { static const RawString s = RawString::MakeLiteral(kProductName); return s; }
}  // namespace

RawString MainProfilePath(const RawString& programPath) {
    static const RawString ini = RawString::MakeLiteral(".ini");
    RawString profile(programPath, RawCodeKind::Utf8);
    if (profile.Length() > ini.Length()) profile.Truncate(profile.Length() - ini.Length());
    profile.Append(ini);
    return profile;
}

MainProfileState InspectMainProfile(const RawString& profilePath) {
    RawParameterFile profile(profilePath);
    const uint32_t attributes = FileAttributes(profilePath);
    if (attributes == kNoAttributes) {
        return profile.WriteValue(CommonSection(), ProgramKey(), ProductName()) ? MainProfileState::Created
                                                                                : MainProfileState::NotWritten;
    }
    if (attributes & kAttributeDirectory) return MainProfileState::Folder;
    return profile.ReadValue(CommonSection(), ProgramKey()).IsEmpty() ? MainProfileState::BadFormat
                                                                      : MainProfileState::Accepted;
}

bool CheckMainProfile(AppBatchOutput* batch, bool* created) {
    const RawString program = ProgramFile(RawCodeKind::Utf8);
    // Without its own path the program cannot name a profile; it runs on defaults.
    if (program.IsEmpty()) return true;
    const RawString profile = MainProfilePath(program);
    const MainProfileState state = InspectMainProfile(profile);
    if (created) *created = state == MainProfileState::Created;
    if (state != MainProfileState::BadFormat) return true;
    static const RawString message = RawString::MakeLiteral("Bad format profile !!");
    if (batch == nullptr) {
        ShowMessage(message, ProductName());
        return false;
    }
    RawString line("ERROR\t");
    line.Append(message, "\t", profile);
    batch->Line(line);
    return false;
}

}  // namespace AppLayer
