// The product's name and version as the program writes them: the log header
// and log names, the dump folder and names, the main profile, the message-box
// captions. Both come from CMake's project(), like the version record's.
#pragma once

#include "VarneloVersion.h"

namespace RawLayer {

inline constexpr char kProductName[] = VARNELO_PRODUCT_NAME;
inline constexpr char kVersionText[] = VARNELO_VERSION_TEXT;

}  // namespace RawLayer
