#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/GrowingArray.h"
#include "data/RelationPart.h"
#include "data/ValuePool.h"
#include "engine/WorkerPool.h"

// The rows one rule finds new in one iteration while several threads look for them. Each pass
// is cut into slices, and each slice's rows come in the order of their combinations' keys; the
// rule's bodies run in order and each body at most once per iteration, so the slices, one after
// the other, are in key order. A row found more than once keeps its first place in that order,
// which is where a single thread would have put it. The rows wait here, not in the rule's
// table, so that the table is only read while the threads look.
//
// Threads share the work three times: while looking, each slice files its rows by their hash
// into a fixed number of groups; then each group is searched for repeats on its own; then each
// slice places the rows that stayed in the table, at places that counting has fixed before.
//
// A rule with a body that reads several rules runs that body once per rule it reads, and the
// keys of those passes interleave. Its rows carry their keys (body number, then positions): a
// row found again keeps the smaller key, also when it is pending in the table already, and
// before they are committed the pending rows are put in key order.
class SharedPendingRows {
public:
    // keyWidth 0: rows come in key order and carry no key.
    SharedPendingRows(std::size_t arity, std::size_t keyWidth, std::size_t workerCount);

    bool isKeyed() const { return keyWidth > 0; }

    // Makes count slices after those made before, and returns the first one's number. Called
    // between passes, by one thread.
    std::size_t addSlices(std::size_t count);
    // Files a row the table does not hold in a slice. Threads may file at once, each in slices
    // of its own. hash is hashValueIds of the row.
    // key: keyWidth numbers, with a keyed rule only.
    void add(std::size_t slice, const ValueId* row, std::uint64_t hash,
             const std::uint32_t* key = nullptr);

    bool isEmpty() const;
    // Appends the rows to the part as pending rows, each once, in slice order, and forgets them.
    // The slices keep their memory for the next wave of the pass. Returns the rows that were
    // filed, repeats included.
    std::size_t moveTo(RelationPart& part, WorkerPool& workers);
    // The pass is over: large slices give their memory back, so that a program of many rules
    // does not hold every rule's largest wave at once.
    void endPass();
    // With a keyed rule: puts the part's pending rows in key order, before they are committed.
    void orderPending(RelationPart& part);

    // A body's passes, and each pass, begin: rows pending from before then have smaller keys
    // than any the body or the pass finds, but for those of the body's earlier passes.
    void beginBody(const RelationPart& part) { bodyStart = part.size() + part.pendingCount(); }
    void beginPass(const RelationPart& part) { passStart = part.size() + part.pendingCount(); }
    // Whether a row found with this key is to be filed: not when the part holds it, unless a
    // keyed rule's earlier pass of the same body made it pending with a larger key. Only
    // reads, so threads may ask at once while they look.
    bool isWanted(const RelationPart& part, const ValueId* row, std::uint32_t tag,
                  const std::uint32_t* key) const {
        return isWanted(part, row, tag, [key] { return key; });
    }
    // The same with the key made by makeKey() only when it is compared: most rows found are
    // dropped without it.
    template <typename MakeKey>
    bool isWanted(const RelationPart& part, const ValueId* row, std::uint32_t tag,
                  MakeKey&& makeKey) const {
        if (keyWidth == 0) return !part.holds(row, tag);
        const std::size_t position = part.findAny(row, tag);
        if (position == RelationPart::kNotFound) return true;
        if (position < bodyStart || position >= passStart) return false;
        return isKeyLess(makeKey(), pendingKeys.data() + (position - part.size()) * keyWidth);
    }

private:
    // A slice's rows, filed by group: per row its number in the slice, its hash's lower half,
    // its values, then its key. The marks say which rows stay, then where they go. A slice's
    // count is written at every row by the worker filing it, so no two slices share a cache
    // line.
    struct alignas(64) Slice {
        std::vector<GrowingArray<std::uint32_t>> groups;
        std::uint32_t count = 0;
        std::vector<std::uint32_t> marks;
    };

    std::size_t entryWidth() const { return 2 + arity + keyWidth; }
    bool isKeyLess(const std::uint32_t* left, const std::uint32_t* right) const {
        return std::lexicographical_compare(left, left + keyWidth, right, right + keyWidth);
    }
    void markFirsts(std::size_t group, const RelationPart& part);
    void place(Slice& slice, std::size_t first, RelationPart& part);
    static void forget(Slice& slice);
    static void giveBackLarge(Slice& slice);

    std::size_t arity;
    std::size_t keyWidth;
    // With a keyed rule: the key of each pending row of the part, keyWidth numbers each.
    GrowingArray<std::uint32_t> pendingKeys;
    std::size_t bodyStart = 0;
    std::size_t passStart = 0;
    std::size_t groupCount;
    unsigned groupShift;
    std::vector<Slice> slices;
    std::size_t sliceCount = 0;    // slices in use; those after are kept for reuse
    std::size_t slicesOfPass = 0;  // the most in use at once since the pass began
};
