// The starter hints: what they are, in groups, and their notes as labels.
#include "app/GuiStarterHints.h"

#include "raw/RawLabelStore.h"

namespace AppLayer {

using RawLayer::RawLocaleRecord;
using RawLayer::RawString;

namespace {

// A hint and the label key of its note; "-" separates groups in the menu.
struct StarterHint {
    const char* text;
    const char* noteKey;
};

// Patterns: taking a name apart, everyday cases, then the other forms of
// the language (extended, literal, negated).
const StarterHint kOldNameHints[] = {
    {"*.*", "NameAndExtension"},
    {"@.*%.[^.]*", "LastDot"},
    {"*", "WholeName"},
    {"-", nullptr},
    {"IMG_*.jpg", "CameraPhotos"},
    {"* (?).*", "NumberedCopies"},
    {"*_*", "AroundUnderscore"},
    {"* *", "FirstWord"},
    {"-", nullptr},
    {"@[0-9]+%s.*", "LeadingNumber"},
    {"@.*[0-9]+%..*", "TrailingNumber"},
    {"$desktop.ini", "ExactName"},
    {"!*.*", "NoExtension"},
};
const RawLocaleRecord kOldNameNotes[] = {
    {"NameAndExtension", "name and extension apart at the first dot"},
    {"LastDot", "name and extension apart at the last dot"},
    {"WholeName", "the whole name"},
    {"CameraPhotos", "photos from a camera"},
    {"NumberedCopies", "copies such as \"report (2).txt\""},
    {"AroundUnderscore", "two parts around the first underscore"},
    {"FirstWord", "the first word and the rest"},
    {"LeadingNumber", "a leading number, a space, the rest"},
    {"TrailingNumber", "name, trailing number, extension"},
    {"ExactName", "this name exactly"},
    {"NoExtension", "every name without a dot"},
    {nullptr, nullptr},
};
const RawLayer::RawLabelTable kOldNameNoteTable("OldNameHint", kOldNameNotes);

// Templates: the parts rearranged, templates that go with the patterns
// above, then joining, prefixing and fixed text.
const StarterHint kNewNameHints[] = {
    {"%0", "FirstPart"},
    {"%0.%1", "SameAgain"},
    {"%1-%0", "SwapParts"},
    {"%0.txt", "NewExtension"},
    {"-", nullptr},
    {"Photo_%0.jpg", "PhotoNames"},
    {"%0 %1.%2", "CopyNumber"},
    {"%1 %0", "NumberLast"},
    {"-", nullptr},
    {"%0_%1", "JoinUnderscore"},
    {"new_%0", "Prefix"},
    {"$%0.txt", "LiteralText"},
};
const RawLocaleRecord kNewNameNotes[] = {
    {"FirstPart", "the first part"},
    {"SameAgain", "the two parts as they were"},
    {"SwapParts", "swap two parts"},
    {"NewExtension", "the first part with .txt"},
    {"PhotoNames", "after IMG_*.jpg: Photo_0012.jpg"},
    {"CopyNumber", "after * (?).*: \"report 2.txt\""},
    {"NumberLast", "the second part first"},
    {"JoinUnderscore", "two parts joined by _"},
    {"Prefix", "new_ in front of the first part"},
    {"LiteralText", "this text as it stands"},
    {nullptr, nullptr},
};
const RawLayer::RawLabelTable kNewNameNoteTable("NewNameHint", kNewNameNotes);

template <size_t N>
bool WriteHints(RawLayer::RawParameterFile& profile, const RawLayer::RawLabelTable& notes,
                const StarterHint (&hints)[N]) {
    const RawString section(notes.prefix);
    RawLayer::RawParameterList list;
    // A section the user has, however it came there, is the user's.
    if (profile.ReadSection(&list, section)) return true;
    list.Clear();
    const RawLayer::RawLabelStore::Group labels = RawLayer::RawLabelStore::Instance().RegisterLabels(notes);
    for (const StarterHint& hint : hints)
        list.Add(RawString(hint.text), hint.noteKey ? labels.Get(hint.noteKey) : RawString());
    return profile.WriteSection(list, section);
}

}  // namespace

bool WriteStarterHints(RawLayer::RawParameterFile& profile) {
    const bool old = WriteHints(profile, kOldNameNoteTable, kOldNameHints);
    return WriteHints(profile, kNewNameNoteTable, kNewNameHints) && old;
}

}  // namespace AppLayer
