// The process-wide label store: every text the user sees, looked up by group
// prefix and key, translated from the language file when it has the key and
// the built-in text otherwise. Missing keys are written back to the file.
#pragma once

#include <cstdint>

#include "raw/RawList.h"
#include "raw/RawString.h"
#include "raw/RawThread.h"

namespace RawLayer {

class RawParameterFile;

// One entry of a built-in label table (static data of the part that owns it);
// a table ends with a record whose key is empty or null. UTF-8 texts.
struct RawLocaleRecord {
    const char* key;
    const char* text;
};

// A choice list's table entry: the label key and the identifier it stands for.
struct RawLabelEntry {
    const char* key;
    uint32_t identifier;
};

// A label group of the program: its prefix and its built-in table, listed
// process-wide from static initialisation on. Every group the program asks
// for is defined this way, so that the keys it can ask for are known before
// any window asks (the shipped language file is checked against them).
class RawLabelTable {
public:
    RawLabelTable(const char* groupPrefix, const RawLocaleRecord* table);
    RawLabelTable(const RawLabelTable&) = delete;
    RawLabelTable& operator=(const RawLabelTable&) = delete;

    // The tables defined so far, the latest first.
    static const RawLabelTable* First();
    const RawLabelTable* Next() const { return next_; }

    const char* const prefix;
    const RawLocaleRecord* const records;

private:
    const RawLabelTable* next_;
};

// Registered tables are the owners' static data: the list never deletes them.
class RawLocaleRecordListAllocator : public RawListAllocator<RawLocaleRecord> {
public:
    void DeleteUnit(RawLocaleRecord*) override {}
};
using RawLocaleRecordList = RawListP<RawLocaleRecordListAllocator, RawLocaleRecord>;

struct RawLabelUnit {
    RawString text;
    uint32_t identifier = 0;
};
inline const RawString& RawListKey(const RawLabelUnit& unit) { return unit.text; }

class RawLabelListAllocator : public RawListAllocator<RawLabelUnit> {};
class RawLabelList : public RawListR<RawLabelListAllocator, RawLabelUnit> {
public:
    // The identifier of the unit with this text (ASCII case ignored), 0 when absent.
    uint32_t Identifier(const RawString& text) const {
        Position p = Find(text);
        return p == end() ? 0 : p->identifier;
    }
};

// Line breaks become "\n", TAB "\t" and a backslash is doubled, so that every
// text, a path with "\t" or "\n" in it included, comes back unchanged.
RawString RawEscapeLabel(const RawString& text);
// "\n" gives CR LF, "\t" TAB, "\s" a space; a backslash before anything else
// is dropped and that unit kept (so "\\" gives one backslash).
RawString RawUnescapeLabel(const RawString& text);

class RawLabelStore {
public:
    // Holds a registered prefix; its release saves missing keys to the file.
    class Group {
    public:
        Group(RawLabelStore& store, const RawString& prefix) : store_(&store), prefix_(prefix) {}
        Group(Group&& other) noexcept : store_(other.store_), prefix_(other.prefix_) { other.store_ = nullptr; }
        Group(const Group&) = delete;
        Group& operator=(const Group&) = delete;
        Group& operator=(Group&&) = delete;
        ~Group() {
            if (store_) store_->SaveLanguage();
        }
        RawString Get(const RawString& key) const { return store_->GetLabel(prefix_, key); }
        const RawString& Prefix() const { return prefix_; }

    private:
        RawLabelStore* store_;
        RawString prefix_;
    };

    RawLabelStore();
    RawLabelStore(const RawLabelStore&) = delete;
    RawLabelStore& operator=(const RawLabelStore&) = delete;

    // The process's store, created on first use and kept to the end.
    static RawLabelStore& Instance();

    // Empty: no language file, every lookup gives its built-in text.
    void SetLanguageFile(const RawString& path);
    // The name chosen in the GUI profile; empty lets the map decide.
    void SetRequestedLanguage(const RawString& name);

    Group RegisterLabels(const RawString& prefix, const RawLocaleRecord* table);
    Group RegisterLabels(const RawLabelTable& table) { return RegisterLabels(RawString(table.prefix), table.records); }
    RawString GetLabel(const RawString& prefix, const RawString& key);
    RawLabelList BuildLabelList(const RawString& prefix, const RawLabelEntry* table);

    void LoadLanguageMap();
    // The language to use when none is requested, for the user's UI language.
    RawString SelectLanguage();
    RawString SelectLanguage(uint16_t userLanguage);
    // Loads the map, settles the current language and reads its section; a
    // language the file lacks gets a section of the built-in texts.
    void LoadLanguage();
    // Writes the current section back when a lookup missed a translation.
    void SaveLanguage();

    // Start-up (profiles, language step): [UserSelection] Language of the GUI
    // profile with the main profile's [Common] Language as its default names
    // the language; the language file is set and loaded. Returns the language
    // in use (the file's default for this user when no name is given).
    RawString LoadStartLanguage(RawParameterFile& guiProfile, const RawString& commonLanguage,
                                const RawString& languageFilePath);

    RawString LanguageFile();
    RawString RequestedLanguage();
    RawString CurrentLanguage();
    bool IsChanged();
    RawParameterList LanguageMapCopy();
    RawParameterList TranslationsCopy();
    RawParameterList DefaultsCopy();
    int32_t RegisteredTableCount();

private:
    // A copy of a list the lock guards, so that callers read it without the lock.
    RawParameterList CopyUnderLock(const RawParameterList& list);
    static RawString FullKey(const RawString& prefix, const RawString& key);
    // Writes the units the file can hold as the section; under the lock.
    void WriteBack(RawParameterFile& file, const RawParameterList& units, const RawString& section);

    RawString languageFile_;
    RawString requestedLanguage_;
    RawString currentLanguage_;
    RawParameterList languageMap_;
    RawParameterList translations_;
    RawParameterList defaults_;
    RawLocaleRecordList tables_;
    bool changed_ = false;
    RawCriticalSection lock_;
};

}  // namespace RawLayer
