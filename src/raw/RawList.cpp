// Ring operations and the list quicksort shared by every list type.
#include "raw/RawList.h"

#include <vector>

namespace RawLayer {

RawListNode* RawListBody::LinkBefore(RawListNode* at, void* unit) {
    auto node = new RawListNode{at->prev, at, unit};
    at->prev->next = node;
    at->prev = node;
    ++count;
    return node;
}

void* RawListBody::Unlink(RawListNode* node) {
    node->prev->next = node->next;
    node->next->prev = node->prev;
    void* unit = node->unit;
    delete node;
    --count;
    return unit;
}

void RawListBody::ReleaseAll(Allocator* allocator) {
    while (sentinel.next != &sentinel) allocator->ReleaseUnit(Unlink(sentinel.next));
}

// Each pivot moves the units it is greater than in front of itself, newest
// first; the left part is sorted on its own, then the next unit becomes the
// pivot. Left parts wait on an explicit stack rather than the call stack, so
// a list of any length cannot overflow the thread's stack. A list that is
// already in order comes out unchanged from this procedure, so it is
// recognised in one pass instead of costing a comparison for every pair.
void RawListBody::Sort(RawListSort& sorter) {
    if (count < 2) return;
    bool ordered = true;
    for (RawListNode* n = sentinel.next; n->next != &sentinel; n = n->next)
        if (sorter.Compare(n->unit, n->next->unit) > 0) {
            ordered = false;
            break;
        }
    if (ordered) return;

    std::vector<std::pair<RawListNode*, RawListNode*>> pending;  // (first, end)
    pending.emplace_back(sentinel.next, &sentinel);
    while (!pending.empty()) {
        auto [first, stop] = pending.back();
        pending.pop_back();
        while (first != stop) {
            RawListNode* pivot = first;
            RawListNode* leftBound = pivot;
            for (RawListNode* n = pivot->next; n != stop;) {
                RawListNode* next = n->next;
                if (sorter.Compare(pivot->unit, n->unit) >= 1) {
                    // Relink the node in front of the units moved so far.
                    n->prev->next = n->next;
                    n->next->prev = n->prev;
                    n->prev = leftBound->prev;
                    n->next = leftBound;
                    leftBound->prev->next = n;
                    leftBound->prev = n;
                    leftBound = n;
                }
                n = next;
            }
            if (leftBound != pivot) pending.emplace_back(leftBound, pivot);
            first = pivot->next;
        }
    }
}

int RawCompareStrings(const RawString& a, const RawString& b) {
    const int32_t n = std::min(a.Length(), b.Length());
    for (int32_t i = 0; i < n; ++i) {
        const uint32_t x = a.UnitAt(i), y = b.UnitAt(i);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.Length() == b.Length() ? 0 : (a.Length() < b.Length() ? -1 : 1);
}

}  // namespace RawLayer
