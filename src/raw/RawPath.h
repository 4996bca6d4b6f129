// Path text of the program: separators, parent and file name, joining and
// resolving relative paths. Pure string work; nothing here asks the platform.
#pragma once

#include "raw/RawString.h"

namespace RawLayer {

// From the start up to (not including) the last separator; empty when there is none.
RawRange ParentRange(const RawString& path);
// Behind the last separator to the end; the whole path when there is none.
RawRange FileNameRange(const RawString& path);
RawString ParentPath(const RawString& path);
RawString FileName(const RawString& path);

// A letter and ":" at the start, or two leading backslashes.
bool IsAbsolutePath(const RawString& path);
// The path less one trailing separator, when it has one.
RawString WithoutTrailingSeparator(const RawString& path);

// folder "\" name, in the folder's code kind; no doubled separator; an empty
// folder gives the name alone.
RawString JoinPath(const RawString& folder, const RawString& name);

// An empty or absolute path unchanged; otherwise the path taken from the base
// folder, its leading ".\" and "..\" steps applied to the base.
RawString ResolvePath(const RawString& path, const RawString& base);

}  // namespace RawLayer
