// Label tables, lookups with their defaults, the language map and reading and
// writing the language file's sections.
#include "raw/RawLabelStore.h"

#include "raw/RawLineFile.h"
#include "raw/RawParameterFile.h"

namespace RawLayer {

namespace {

const RawString& LangMapName() { static const RawString s = RawString::MakeLiteral("LangMap"); return s; }
const RawString& DefaultName() { static const RawString s = RawString::MakeLiteral("Default"); return s; }

bool EndOfTable(const char* key) { return key == nullptr || key[0] == 0; }

// The names of every section header of a parameter file, in file order.
void ReadSectionNames(const RawString& path, RawStringList* names) {
    RawLineFile file(path, 8192);
    if (!file.OpenRead()) return;
    while (file.NextLine()) {
        const RawString& line = file.line.text;
        if (IsSectionHeader(line)) names->Append(RawString(line, SectionNameRange(line), RawCodeKind::Utf8));
    }
    file.Close();
}

}  // namespace

// Backslashes are doubled: otherwise one in front of "t", "n" or "s" (as in
// a path like C:\temp) would come back as a control character.
RawString RawEscapeLabel(const RawString& text) { return text.Escape(true); }

RawString RawUnescapeLabel(const RawString& text) { return text.Unescape(); }

namespace {

// Constant-initialised, so that tables defined during static initialisation
// of any file find it ready.
const RawLabelTable*& TableListHead() {
    static const RawLabelTable* head = nullptr;
    return head;
}

}  // namespace

RawLabelTable::RawLabelTable(const char* groupPrefix, const RawLocaleRecord* table)
    : prefix(groupPrefix), records(table), next_(TableListHead()) {
    TableListHead() = this;
}

const RawLabelTable* RawLabelTable::First() { return TableListHead(); }

RawLabelStore::RawLabelStore() = default;

RawLabelStore& RawLabelStore::Instance() {
    // Never destroyed: group handles of static objects may still save at exit.
    static RawLabelStore* const store = new RawLabelStore;
    return *store;
}

RawString RawLabelStore::FullKey(const RawString& prefix, const RawString& key) {
    RawString full(prefix, RawCodeKind::Utf8);
    full.AppendUnit('_');
    full.Append(key);
    return full;
}

void RawLabelStore::SetLanguageFile(const RawString& path) {
    RawLock lock(lock_);
    languageFile_ = path;
}

void RawLabelStore::SetRequestedLanguage(const RawString& name) {
    RawLock lock(lock_);
    requestedLanguage_ = name;
}

RawLabelStore::Group RawLabelStore::RegisterLabels(const RawString& prefix, const RawLocaleRecord* table) {
    RawLock lock(lock_);
    bool known = table == nullptr;
    for (const RawLocaleRecord& registered : tables_)
        if (&registered == table) known = true;
    if (!known) {
        tables_.Adopt(const_cast<RawLocaleRecord*>(table));
        for (const RawLocaleRecord* r = table; !EndOfTable(r->key); ++r) {
            const RawString full = FullKey(prefix, r->key);
            auto p = defaults_.Find(full);
            RawParameterUnit& unit = p != defaults_.end() ? *p : defaults_.Add(full, RawString());
            unit.value = RawEscapeLabel(r->text ? RawString(r->text) : RawString());
        }
    }
    return Group(*this, prefix);
}

RawString RawLabelStore::GetLabel(const RawString& prefix, const RawString& key) {
    const RawString full = FullKey(prefix, key);
    RawString escaped;
    {
        RawLock lock(lock_);
        auto t = translations_.Find(full);
        if (t != translations_.end()) {
            escaped = t->value;
        } else {
            changed_ = true;
            auto d = defaults_.Find(full);
            if (d != defaults_.end()) {
                escaped = d->value;
            } else {
                defaults_.Add(full, RawEscapeLabel(key));
                escaped = RawEscapeLabel(key);
            }
        }
    }
    return RawUnescapeLabel(escaped);
}

RawLabelList RawLabelStore::BuildLabelList(const RawString& prefix, const RawLabelEntry* table) {
    RawLabelList list;
    RawLock lock(lock_);  // one list from one state of the store
    for (const RawLabelEntry* e = table; e && !EndOfTable(e->key); ++e) {
        RawLabelUnit& unit = list.Append();
        unit.text = GetLabel(prefix, e->key);
        unit.identifier = e->identifier;
    }
    return list;
}

void RawLabelStore::LoadLanguageMap() {
    RawLock lock(lock_);
    if (languageFile_.IsEmpty()) return;
    RawParameterList map;
    RawParameterFile file(languageFile_);
    if (file.ReadSection(&map, LangMapName())) {
        for (RawParameterUnit& unit : map) unit.number = unit.value.ParseInt();
    } else {
        map.Clear();
        RawStringList names;
        ReadSectionNames(languageFile_, &names);
        for (const RawString& name : names) map.Add(name, RawString());
        auto p = map.Find(LangMapName());
        if (p != map.end()) map.Remove(p);
    }
    languageMap_ = map;
}

RawString RawLabelStore::SelectLanguage() { return SelectLanguage(RawUserUiLanguage()); }

RawString RawLabelStore::SelectLanguage(uint16_t userLanguage) {
    RawLock lock(lock_);
    for (const RawParameterUnit& unit : languageMap_)
        if (static_cast<uint16_t>(unit.number) == userLanguage) return unit.key;
    return DefaultName();
}

void RawLabelStore::LoadLanguage() {
    LoadLanguageMap();
    RawString language = RequestedLanguage();
    if (language.IsEmpty()) language = SelectLanguage();
    RawLock lock(lock_);
    currentLanguage_ = language;
    translations_.Clear();
    if (languageFile_.IsEmpty()) return;
    RawParameterFile file(languageFile_);
    if (!file.ReadSection(&translations_, currentLanguage_)) {
        translations_.Clear();
        WriteBack(file, defaults_, currentLanguage_);
    }
}

// Units the file cannot hold (an "=" in a key, a character its encoding
// lacks) are left out rather than costing the others their place. What was
// offered then counts as translated, left-out units with their built-in text,
// so that asking for the same keys again writes nothing more.
void RawLabelStore::WriteBack(RawParameterFile& file, const RawParameterList& units, const RawString& section) {
    RawParameterList onDisk, writable;
    file.ReadSection(&onDisk, section);  // learns the file's encoding
    for (const RawParameterUnit& unit : units)
        if (file.CanWrite(unit)) writable.Add(unit.key, unit.value);
    if (file.WriteSection(writable, section)) translations_.Assign(units);
}

void RawLabelStore::SaveLanguage() {
    RawLock lock(lock_);
    if (!changed_ || languageFile_.IsEmpty()) return;
    changed_ = false;
    RawParameterList merged;
    merged.Assign(defaults_);
    for (const RawParameterUnit& t : translations_) {
        auto p = merged.Find(t.key);
        if (p != merged.end()) p->value = t.value;
        else merged.Add(t.key, t.value);
    }
    RawParameterListSort byKey;
    merged.Sort(byKey);
    RawParameterFile file(languageFile_);
    WriteBack(file, merged, currentLanguage_.IsEmpty() ? DefaultName() : currentLanguage_);
}

RawString RawLabelStore::LoadStartLanguage(RawParameterFile& guiProfile, const RawString& commonLanguage,
                                           const RawString& languageFilePath) {
    const RawString requested = guiProfile.ReadValue("UserSelection", "Language", commonLanguage);
    SetLanguageFile(languageFilePath);
    SetRequestedLanguage(requested);
    LoadLanguage();
    return CurrentLanguage();
}

RawString RawLabelStore::LanguageFile() {
    RawLock lock(lock_);
    return languageFile_;
}

RawString RawLabelStore::RequestedLanguage() {
    RawLock lock(lock_);
    return requestedLanguage_;
}

RawString RawLabelStore::CurrentLanguage() {
    RawLock lock(lock_);
    return currentLanguage_;
}

bool RawLabelStore::IsChanged() {
    RawLock lock(lock_);
    return changed_;
}

RawParameterList RawLabelStore::CopyUnderLock(const RawParameterList& list) {
    RawLock lock(lock_);
    RawParameterList copy;
    copy.Assign(list);
    return copy;
}

RawParameterList RawLabelStore::LanguageMapCopy() { return CopyUnderLock(languageMap_); }
RawParameterList RawLabelStore::TranslationsCopy() { return CopyUnderLock(translations_); }
RawParameterList RawLabelStore::DefaultsCopy() { return CopyUnderLock(defaults_); }

int32_t RawLabelStore::RegisteredTableCount() {
    RawLock lock(lock_);
    return tables_.Count();
}

}  // namespace RawLayer
