// Path text of the program: separators, parent and file name, joining and
// resolving relative paths. Pure string work; nothing here asks the platform.
#pragma once

#include <string>

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

// What the platform's wide file calls are given (Wide). A full drive path
// becomes "\\?\X:\...", a network path "\\?\UNC\server\share\...": such
// paths may be 32,767 units long and name "a." or "b " exactly, where the
// plain form would be cut at 260 units and trimmed. As the platform no longer
// tidies these forms, "/" becomes "\" and empty, "." and ".." elements are
// resolved here. Relative, drive-relative and other device paths keep their text.
RawString LongPathForm(const RawString& path);
// The same as the zero-terminated text a wide call takes.
std::wstring WideLongPath(const RawString& path);
// The plain form of a path given as "\\?\X:\...", "\\.\X:\..." or
// "\\?\UNC\server\..." (the last becomes "\\server\..."); others unchanged.
RawString PlainPath(const RawString& path);

}  // namespace RawLayer
