// The start-up check of the main profile beside the program.
#pragma once

#include "raw/RawString.h"

namespace AppLayer {

class AppBatchOutput;

enum class MainProfileState {
    Created,      // it was missing and has been written with [Common] Program=Varnelo
    NotWritten,   // it was missing and could not be written; start-up goes on
    Accepted,     // a file whose [Common] Program value is not empty
    Folder,       // a folder of that name: left alone
    BadFormat,    // a file without a non-empty Program value
};

// The program's path with its last four characters replaced by ".ini".
RawLayer::RawString MainProfilePath(const RawLayer::RawString& programPath);

// Looks at (and on first start creates) the main profile; shows nothing.
MainProfileState InspectMainProfile(const RawLayer::RawString& profilePath);

// The start-up step: the main profile of this program is checked, and a bad
// one is reported with "Bad format profile !!": in a message box, or, in batch
// mode (batch not null), as an ERROR line with the profile's path, since a
// script must neither wait on a box nor take the stop for success. False when
// the program must end. *created tells whether this start wrote the profile.
bool CheckMainProfile(AppBatchOutput* batch = nullptr, bool* created = nullptr);

}  // namespace AppLayer
