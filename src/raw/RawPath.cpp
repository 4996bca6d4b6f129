// Path text rules shared by every layer.
#include "raw/RawPath.h"

namespace RawLayer {

namespace {

bool IsLetter(uint32_t u) { return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z'); }

// "X:" alone: the root of a drive once its separator is gone.
bool IsDriveOnly(const RawString& path) {
    return path.Length() == 2 && IsLetter(path.UnitAt(0)) && path.UnitAt(1) == ':';
}

}  // namespace

RawRange ParentRange(const RawString& path) {
    const int32_t last = path.FindLastSeparator(kAll);
    if (last >= path.Length()) return {0, 0};
    return {0, last};
}

RawRange FileNameRange(const RawString& path) {
    const int32_t last = path.FindLastSeparator(kAll);
    if (last >= path.Length()) return {0, path.Length()};
    return {last + 1, path.Length()};
}

RawString ParentPath(const RawString& path) { return RawString(path, ParentRange(path), path.Kind()); }

RawString FileName(const RawString& path) { return RawString(path, FileNameRange(path), path.Kind()); }

bool IsAbsolutePath(const RawString& path) {
    if (path.Length() >= 2 && IsLetter(path.UnitAt(0)) && path.UnitAt(1) == ':') return true;
    return path.Length() >= 2 && path.UnitAt(0) == '\\' && path.UnitAt(1) == '\\';
}

RawString WithoutTrailingSeparator(const RawString& path) {
    const int32_t n = path.Length();
    if (n == 0 || !path.IsSeparatorAt(n - 1)) return path;
    RawString cut(path);
    cut.Truncate(n - 1);
    return cut;
}

RawString JoinPath(const RawString& folder, const RawString& name) {
    if (folder.IsEmpty()) return name;
    // Units are only meaningful in one code kind, so the name joins the folder's.
    const RawString tail(name, folder.Kind());
    RawString joined(folder.Kind(), folder.Length() + tail.Length() + 1);
    joined.Append(folder);
    if (!folder.IsSeparatorAt(folder.Length() - 1)) joined.AppendUnit('\\');
    joined.Append(tail);
    return joined;
}

RawString ResolvePath(const RawString& path, const RawString& base) {
    if (path.IsEmpty() || IsAbsolutePath(path)) return path;
    RawString folder = WithoutTrailingSeparator(base);
    int32_t at = 0;
    const int32_t n = path.Length();
    for (;;) {
        const uint32_t a = path.UnitAt(at), b = path.UnitAt(at + 1), c = path.UnitAt(at + 2);
        if (at + 1 < n && a == '.' && (b == '\\' || b == '/')) {
            at += 2;
        } else if (at + 2 < n && a == '.' && b == '.' && (c == '\\' || c == '/')) {
            at += 3;
            // Above a drive's root there is nothing: Windows keeps the root.
            if (!IsDriveOnly(folder)) folder = RawString(folder, ParentRange(folder), folder.Kind());
        } else {
            break;
        }
    }
    const RawString rest(path, {at, n}, folder.IsEmpty() ? path.Kind() : folder.Kind());
    if (folder.IsEmpty()) return rest;
    RawString result(folder.Kind(), folder.Length() + rest.Length() + 1);
    result.Append(folder);
    result.AppendUnit('\\');
    result.Append(rest);
    return result;
}

}  // namespace RawLayer
