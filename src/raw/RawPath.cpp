// Path text rules shared by every layer.
#include "raw/RawPath.h"

#include <string>
#include <vector>

namespace RawLayer {

namespace {

bool IsLetter(uint32_t u) { return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z'); }

// "X:" alone: the root of a drive once its separator is gone.
bool IsDriveOnly(const RawString& path) {
    return path.Length() == 2 && IsLetter(path.UnitAt(0)) && path.UnitAt(1) == ':';
}

bool IsSeparatorUnit(uint32_t u) { return u == '\\' || u == '/'; }

// "\\?\" or "\\.\" at the start: the long-path and the device namespace.
bool HasNamespacePrefix(const RawString& path) {
    const uint32_t mark = path.UnitAt(2);
    return path.Length() >= 4 && IsSeparatorUnit(path.UnitAt(0)) && IsSeparatorUnit(path.UnitAt(1)) &&
           (mark == '?' || mark == '.') && IsSeparatorUnit(path.UnitAt(3));
}

// "X:\" at the index; "X:" alone only where asked ("X:" in a plain path names
// the drive's current folder, not its root).
bool IsDriveRoot(const RawString& path, int32_t at, bool bareToo) {
    return IsLetter(path.UnitAt(at)) && path.UnitAt(at + 1) == ':' &&
           ((bareToo && at + 2 == path.Length()) || IsSeparatorUnit(path.UnitAt(at + 2)));
}

// Appends the elements of units[from, end) to the root, resolving empty, "."
// and ".." elements; ".." never climbs above the root.
std::u16string JoinElements(std::u16string root, const std::u16string& units, size_t from) {
    std::vector<std::u16string> elements;
    size_t at = from;
    while (at < units.size()) {
        size_t end = at;
        while (end < units.size() && !IsSeparatorUnit(units[end])) ++end;
        const std::u16string element = units.substr(at, end - at);
        if (element == u"..") {
            if (!elements.empty()) elements.pop_back();
        } else if (!element.empty() && element != u".") {
            elements.push_back(element);
        }
        at = end + 1;
    }
    for (size_t i = 0; i < elements.size(); ++i) {
        if (i > 0) root.push_back(u'\\');
        root.append(elements[i]);
    }
    return root;
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

RawString PlainPath(const RawString& path) {
    if (!HasNamespacePrefix(path)) return path;
    static const RawString unc = RawString::MakeLiteral("UNC");
    if (path.UnitAt(2) == '?' && path.EqualNoCase({4, 7}, unc, kAll) && IsSeparatorUnit(path.UnitAt(7))) {
        RawString plain(path, {7, path.Length()}, path.Kind());
        plain.Insert(0, RawString(RawString("\\"), path.Kind()));
        return plain;
    }
    if (!IsDriveRoot(path, 4, true)) return path;
    RawString plain(path, {4, path.Length()}, path.Kind());
    if (plain.Length() == 2) plain.AppendUnit('\\');
    return plain;
}

RawString LongPathForm(const RawString& path) {
    const RawString plain(PlainPath(path), RawCodeKind::Wide);
    const std::u16string units = plain.ToU16();
    std::u16string form;
    if (IsDriveRoot(plain, 0, false)) {
        form = JoinElements(u"\\\\?\\" + units.substr(0, 2) + u"\\", units, 3);
    } else if (units.size() >= 2 && IsSeparatorUnit(units[0]) && IsSeparatorUnit(units[1]) &&
               !HasNamespacePrefix(plain)) {
        // Server and share are the root; ".." stays below them.
        size_t at = 2;
        std::u16string root = u"\\\\?\\UNC";
        for (int part = 0; part < 2 && at < units.size(); ++part) {
            size_t end = at;
            while (end < units.size() && !IsSeparatorUnit(units[end])) ++end;
            root.push_back(u'\\');
            root.append(units, at, end - at);
            at = end + 1;
        }
        form = JoinElements(root + u"\\", units, at);
        if (form.back() == u'\\') form.pop_back();
    } else {
        return plain;
    }
    return RawString::FromWide(form);
}

std::wstring WideLongPath(const RawString& path) { return LongPathForm(path).ToWide(); }

}  // namespace RawLayer
