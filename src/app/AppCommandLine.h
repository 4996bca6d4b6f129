// The command-line grammar: program name removal, tokens, options with and
// without values, and positional start paths keyed NoTag_1, NoTag_2, ...
#pragma once

#include "raw/RawList.h"
#include "raw/RawString.h"

namespace AppLayer {

// The names that never take a value: "h", "a", "i" and "u" (undo the last run).
const RawLayer::RawStringList& SwitchTable();

// The usage text shown for "-h".
const RawLayer::RawString& UsageText();

// The text behind the program name and the blanks after it, as typed.
RawLayer::RawString RemoveProgramName(const RawLayer::RawString& commandLine);

// Appends one pair per argument of the argument text, in command-line order;
// a start path's pair carries its position among them (1, 2, ...) as its number.
void ParseArguments(const RawLayer::RawString& argumentText, const RawLayer::RawStringList& switches,
                    RawLayer::RawParameterList* arguments);

// The argument text without every occurrence of one switch, the rest
// exactly as typed.
RawLayer::RawString WithoutSwitch(const RawLayer::RawString& argumentText, const RawLayer::RawString& name);

// Parses a whole command line (program name first) into a case-sensitive list.
void ParseCommandLine(const RawLayer::RawString& commandLine, RawLayer::RawParameterList* arguments);

// The process's own command line (GetCommandLineW) as UTF-8.
RawLayer::RawString ProcessCommandLine();

}  // namespace AppLayer
