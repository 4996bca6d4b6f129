// Command-line grammar of the program.
#include "app/AppCommandLine.h"

#include <windows.h>

namespace AppLayer {

using RawLayer::RawParameterList;
using RawLayer::RawString;
using RawLayer::RawStringList;

namespace {

bool IsBlank(uint32_t u) { return u == ' ' || u == '\t'; }
bool IsSeparator(uint32_t u) { return u == ' ' || u == '\t' || u == '\r' || u == '\n'; }

int32_t SkipSeparators(const RawString& text, int32_t p) {
    while (p < text.Length() && IsSeparator(text.UnitAt(p))) ++p;
    return p;
}

// Reads the token at *p and moves *p to the start of the next one.
RawString ReadToken(const RawString& text, int32_t* p) {
    const int32_t n = text.Length();
    int32_t i = *p;
    if (i >= n) return RawString();
    const uint32_t first = text.UnitAt(i);
    if (first == '-') return RawString();  // an option name directly behind another "-"
    RawString token;
    if (first == '"') {
        const int32_t close = text.FindUnit({i + 1, n}, '"');
        token = RawString(text, {i + 1, close}, text.Kind());
        i = close < n ? close + 1 : n;
    } else {
        int32_t end = i;
        while (end < n && !IsSeparator(text.UnitAt(end))) ++end;
        token = RawString(text, {i, end}, text.Kind());
        i = end;
    }
    *p = SkipSeparators(text, i);
    return token;
}

}  // namespace

const RawStringList& SwitchTable() {
    static const RawStringList table = [] {
        RawStringList list;
        list.SetExactKeys(true);
        for (const char* name : {"h", "a", "i", "u"}) list.Append(RawString::MakeLiteral(name));
        return list;
    }();
    return table;
}

const RawString& UsageText() {
    static const RawString text = RawString::MakeLiteral(
        "Arguments = [-h] [-o OldName] [-n NewName] [-l Limitation] [-v ViewStyle] [-a] [-i] [-u] "
        "[Folder|File]*");
    return text;
}

RawString RemoveProgramName(const RawString& commandLine) {
    const int32_t n = commandLine.Length();
    int32_t i = 0;
    while (i < n && IsBlank(commandLine.UnitAt(i))) ++i;
    bool inQuotes = false;
    for (; i < n; ++i) {
        const uint32_t u = commandLine.UnitAt(i);
        if (u == '"') inQuotes = !inQuotes;
        else if (!inQuotes && IsBlank(u)) break;
    }
    while (i < n && IsBlank(commandLine.UnitAt(i))) ++i;
    return RawString(commandLine, {i, n}, commandLine.Kind());
}

namespace {

// One argument as the grammar reads it: an option (with its value, empty for
// a switch) or a positional token, and the span of text it was read from.
struct ArgumentSpan {
    bool option = false;
    RawString name;
    RawString value;
    int32_t start = 0;
    int32_t end = 0;  // where the next argument starts
};

template <typename Visit>
void WalkArguments(const RawString& text, const RawStringList& switches, Visit visit) {
    const int32_t n = text.Length();
    int32_t p = SkipSeparators(text, 0);
    while (p < n) {
        ArgumentSpan argument;
        argument.start = p;
        if (text.UnitAt(p) == '-') {
            ++p;
            argument.option = true;
            argument.name = ReadToken(text, &p);
            const bool takesNoValue = argument.name.IsEmpty() || switches.Find(argument.name) != switches.end() ||
                                      (p < n && text.UnitAt(p) == '-');
            if (!takesNoValue) argument.value = ReadToken(text, &p);
        } else {
            argument.value = ReadToken(text, &p);
        }
        argument.end = p;
        visit(argument);
    }
}

}  // namespace

void ParseArguments(const RawString& text, const RawStringList& switches, RawParameterList* arguments) {
    int64_t positional = 0;
    WalkArguments(text, switches, [&](const ArgumentSpan& argument) {
        if (argument.option) {
            arguments->Add(argument.name, argument.value);
            return;
        }
        RawString key("NoTag_");
        key.AppendInt(++positional);
        // The number tells a start path from an option that happens to be
        // spelled like its key ("-NoTag_1").
        arguments->Add(key, argument.value).number = static_cast<int32_t>(positional);
    });
}

RawString WithoutSwitch(const RawString& text, const RawString& name) {
    RawString kept(RawString(), text.Kind());
    WalkArguments(text, SwitchTable(), [&](const ArgumentSpan& argument) {
        if (argument.option && argument.name == name) return;
        kept.Append(RawString(text, {argument.start, argument.end}, text.Kind()));
    });
    return kept;
}

void ParseCommandLine(const RawString& commandLine, RawParameterList* arguments) {
    arguments->SetExactKeys(true);
    ParseArguments(RemoveProgramName(RawString(commandLine, RawLayer::RawCodeKind::Utf8)), SwitchTable(), arguments);
}

RawString ProcessCommandLine() {
    return RawString(RawString::FromWide(GetCommandLineW()), RawLayer::RawCodeKind::Utf8);
}

}  // namespace AppLayer
