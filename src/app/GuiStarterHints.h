// The hints a first start puts into the GUI profile: patterns for the Old
// name box and templates for the New name box, each with a note, so that the
// hint buttons teach the two name languages from the start.
#pragma once

#include "raw/RawParameterFile.h"

namespace AppLayer {

// Writes [OldNameHint] and [NewNameHint], notes in the language in use, each
// only when the profile has no such section. False when a write failed.
bool WriteStarterHints(RawLayer::RawParameterFile& profile);

}  // namespace AppLayer
