// The one family of collections: doubly linked lists whose handle is also the
// allocator of its units, sorters with a virtual comparison, and a shared array.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#include "raw/RawString.h"

namespace RawLayer {

struct RawListNode {
    RawListNode* prev;
    RawListNode* next;
    void* unit;
};

class RawListProperty {
public:
    class Allocator {
    public:
        virtual ~Allocator() = default;
        virtual void ReleaseUnit(void* unit) = 0;
    };
};

class RawListSort;

// The part of a list body that does not depend on the unit type.
class RawListBody : public RawListProperty {
public:
    RawListBody() {
        sentinel.prev = sentinel.next = &sentinel;
        sentinel.unit = &sentinel;  // how a walk recognises the end
    }
    RawListNode* LinkBefore(RawListNode* at, void* unit);
    void* Unlink(RawListNode* node);
    void ReleaseAll(Allocator* allocator);
    // Quicksort with the first unit as pivot, not stable.
    void Sort(RawListSort& sorter);

    std::atomic<uint32_t> share{0};  // handles beyond the first
    RawListNode sentinel;
    int32_t count = 0;
};

template <class T>
class RawListAllocator : public RawListProperty::Allocator {
public:
    void ReleaseUnit(void* unit) override { DeleteUnit(static_cast<T*>(unit)); }
    virtual void DeleteUnit(T* unit) { delete unit; }
};

class RawListSort {
public:
    virtual ~RawListSort() = default;
    virtual int Compare(const void* a, const void* b) = 0;
    int32_t sortKey = 0;
};

template <class T>
class RawListSortR : public RawListSort {
public:
    int Compare(const void* a, const void* b) override {
        return CompareUnits(*static_cast<const T*>(a), *static_cast<const T*>(b));
    }
    virtual int CompareUnits(const T& a, const T& b) = 0;
};

// Exact unit order, narrow units as unsigned bytes; the shorter first on a tie.
int RawCompareStrings(const RawString& a, const RawString& b);

// The key of a unit for lookups: the unit's first string.
inline const RawString& RawListKey(const RawString& unit) { return unit; }

// A list handle. Copies share the body (no copy on write: an edit through one
// handle is seen by all). Owning lists delete their units through the allocator.
template <class A, class T>
class RawListHandle : public A {
public:
    class Position {
    public:
        Position() = default;
        explicit Position(RawListNode* node) : node_(node) {}
        T& operator*() const { return *static_cast<T*>(node_->unit); }
        T* operator->() const { return static_cast<T*>(node_->unit); }
        Position& operator++() { node_ = node_->next; return *this; }
        Position& operator--() { node_ = node_->prev; return *this; }
        bool operator==(const Position& o) const { return node_ == o.node_; }
        bool operator!=(const Position& o) const { return node_ != o.node_; }
        RawListNode* Node() const { return node_; }
    private:
        RawListNode* node_ = nullptr;
    };

    RawListHandle() : body_(new RawListBody) {}
    RawListHandle(const RawListHandle& other) : A(), body_(other.body_), exactKeys_(other.exactKeys_) {
        body_->share.fetch_add(1, std::memory_order_relaxed);
    }
    RawListHandle& operator=(const RawListHandle& other) {
        if (this != &other) {
            other.body_->share.fetch_add(1, std::memory_order_relaxed);
            Release();
            body_ = other.body_;
            exactKeys_ = other.exactKeys_;
        }
        return *this;
    }
    ~RawListHandle() override { Release(); }

    // Assign by value: a new body holding copies of the other list's units.
    void Assign(const RawListHandle& other) {
        RawListHandle source(other);
        Clear();
        exactKeys_ = source.exactKeys_;
        for (const T& unit : source) Append(unit);
    }

    Position begin() const { return Position(body_->sentinel.next); }
    Position end() const { return Position(&body_->sentinel); }
    T& First() const { return *begin(); }
    T& Last() const { return *Position(body_->sentinel.prev); }
    int32_t Count() const { return body_->count; }
    bool IsEmpty() const { return body_->count == 0; }
    bool ExactKeys() const { return exactKeys_; }
    void SetExactKeys(bool exact) { exactKeys_ = exact; }
    bool SharesBodyWith(const RawListHandle& other) const { return body_ == other.body_; }

    T& Append() { return *Adopt(new T()); }
    T& Append(const T& unit) { return *Adopt(new T(unit)); }
    T& Append(T&& unit) { return *Adopt(new T(std::move(unit))); }
    // Links a unit made by the caller; an owning list deletes it later.
    T* Adopt(T* unit) {
        body_->LinkBefore(&body_->sentinel, unit);
        return unit;
    }
    Position InsertBefore(Position at, T* unit) { return Position(body_->LinkBefore(at.Node(), unit)); }

    // Unlinks the unit and hands it to the allocator; returns the next position.
    Position Remove(Position at) {
        RawListNode* next = at.Node()->next;
        this->ReleaseUnit(body_->Unlink(at.Node()));
        return Position(next);
    }
    // Unlinks without releasing: the caller takes the unit.
    T* Detach(Position at) { return static_cast<T*>(body_->Unlink(at.Node())); }

    void Clear() {
        Release();
        body_ = new RawListBody;
    }

    Position Find(const RawString& key) const {
        for (Position p = begin(); p != end(); ++p) {
            const RawString& k = RawListKey(*p);
            if (exactKeys_ ? k == key : k.EqualsNoCase(key)) return p;
        }
        return end();
    }
    bool Contains(const RawString& key) const { return Find(key) != end(); }

    void Sort(RawListSortR<T>& sorter) { body_->Sort(sorter); }

private:
    void Release() {
        if (body_->share.fetch_sub(1, std::memory_order_acq_rel) != 0) return;
        body_->ReleaseAll(this);
        delete body_;
    }

    RawListBody* body_;
    bool exactKeys_ = false;
};

template <class A, class T>
using RawListR = RawListHandle<A, T>;
// Non-owning lists differ only in an allocator whose delete does nothing.
template <class A, class T>
using RawListP = RawListHandle<A, T>;

// ---------------------------------------------------------------- instances

class RawStringListAllocator : public RawListAllocator<RawString> {};
class RawStringList : public RawListR<RawStringListAllocator, RawString> {
public:
    // Finds the string as a key, appending a copy when it is absent.
    Position AddIfMissing(const RawString& text) {
        Position p = Find(text);
        if (p != end()) return p;
        Append(text);
        return Position(--end());
    }
};

struct RawParameterUnit {
    RawString key;
    RawString value;
    int32_t number = 0;
};
inline const RawString& RawListKey(const RawParameterUnit& unit) { return unit.key; }

class RawParameterListAllocator : public RawListAllocator<RawParameterUnit> {};
class RawParameterList : public RawListR<RawParameterListAllocator, RawParameterUnit> {
public:
    RawParameterUnit& Add(const RawString& key, const RawString& value) {
        RawParameterUnit& unit = Append();
        unit.key = key;
        unit.value = value;
        return unit;
    }
    // The value of the first unit with the key, or the fallback.
    RawString Value(const RawString& key, const RawString& fallback = RawString()) const {
        Position p = Find(key);
        return p == end() ? fallback : p->value;
    }
};

class RawRangeListAllocator : public RawListAllocator<RawRange> {};
class RawRangeList : public RawListR<RawRangeListAllocator, RawRange> {};

class RawStringListSort : public RawListSortR<RawString> {
public:
    int CompareUnits(const RawString& a, const RawString& b) override { return RawCompareStrings(a, b); }
};
class RawParameterListSort : public RawListSortR<RawParameterUnit> {
public:
    int CompareUnits(const RawParameterUnit& a, const RawParameterUnit& b) override {
        return RawCompareStrings(a.key, b.key);
    }
};

// ---------------------------------------------------------------- shared array

class RawDataShared {
public:
    class Duplicator {
    public:
        virtual ~Duplicator() = default;
        virtual void Duplicate() = 0;
    };
};

template <class T>
struct RawArrayData {
    std::atomic<uint32_t> share{0};
    T* elements = nullptr;
    int32_t step = 10;
    int32_t allocated = 0;
    int32_t count = 0;
    ~RawArrayData() { delete[] elements; }
};
template <class T>
struct RawArrayDataC : RawArrayData<T> {};

// A handle to array storage shared until an edit, which duplicates it first.
template <class D>
class RawArrayBody : public RawDataShared::Duplicator {
public:
    RawArrayBody() : data_(new D) {}
    RawArrayBody(const RawArrayBody& other) : RawDataShared::Duplicator(), data_(other.data_) {
        data_->share.fetch_add(1, std::memory_order_relaxed);
    }
    RawArrayBody& operator=(const RawArrayBody& other) {
        if (this != &other) {
            other.data_->share.fetch_add(1, std::memory_order_relaxed);
            Release();
            data_ = other.data_;
        }
        return *this;
    }
    ~RawArrayBody() override { Release(); }

    void Duplicate() override {
        if (data_->share.load(std::memory_order_acquire) == 0) return;
        D* copy = new D;
        copy->step = data_->step;
        copy->allocated = data_->allocated;
        copy->count = data_->count;
        if (copy->allocated > 0) {
            copy->elements = new std::remove_reference_t<decltype(*copy->elements)>[copy->allocated];
            std::copy(data_->elements, data_->elements + data_->allocated, copy->elements);
        }
        Release();
        data_ = copy;
    }
    bool SharesStorageWith(const RawArrayBody& other) const { return data_ == other.data_; }

protected:
    D* data_;

private:
    void Release() {
        if (data_->share.fetch_sub(1, std::memory_order_acq_rel) == 0) delete data_;
    }
};

template <class T>
class RawArrayC : public RawArrayBody<RawArrayDataC<T>> {
    using Base = RawArrayBody<RawArrayDataC<T>>;

public:
    int32_t Count() const { return this->data_->count; }
    int32_t Allocated() const { return this->data_->allocated; }
    const T& operator[](int32_t i) const { return this->data_->elements[i]; }
    // Writable element; the storage is made this handle's own first.
    T& At(int32_t i) {
        this->Duplicate();
        return this->data_->elements[i];
    }
    void Append(const T& value) {
        this->Duplicate();
        Reserve(this->data_->count + 1);
        this->data_->elements[this->data_->count++] = value;
    }
    void Resize(int32_t n) {
        this->Duplicate();
        Reserve(n);
        this->data_->count = n;
    }

private:
    // Grows to s + (n - s) - ((n - s) mod step) + step elements once n reaches s.
    void Reserve(int32_t n) {
        auto* d = this->data_;
        if (n < d->allocated) return;
        const int32_t s = d->allocated, over = n - s;
        const int32_t size = s + over - over % d->step + d->step;
        T* grown = new T[size]();
        std::copy(d->elements, d->elements + d->count, grown);
        delete[] d->elements;
        d->elements = grown;
        d->allocated = size;
    }
};

}  // namespace RawLayer
