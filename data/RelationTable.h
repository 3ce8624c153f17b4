#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/RelationPart.h"
#include "data/ValuePool.h"

// All rows of one relation in the engine's compact form, in insertion order and without
// duplicates. Rows of different lengths are never equal and no reference matches more than one
// length, so each length gets a part of its own; the order across parts is kept for output.
class RelationTable {
public:
    explicit RelationTable(std::string name);
    RelationTable(const RelationTable&) = delete;
    RelationTable& operator=(const RelationTable&) = delete;
    RelationTable(RelationTable&&) = default;
    RelationTable& operator=(RelationTable&&) = default;

    const std::string& getName() const { return name; }
    // The part for rows of this length, or nullptr when there is none.
    const RelationPart* findPart(std::size_t arity) const;
    RelationPart* findPart(std::size_t arity);
    // The number of the part for rows of this length, made when missing.
    std::uint32_t ensurePart(std::size_t arity) {
        if (!parts.empty() && parts.front()->getArity() == arity) return 0;
        return findOrAddPart(arity);
    }

    // Appends the row unless an equal one is stored; true when appended. No row may be pending.
    bool insert(const ValueId* values, std::size_t arity);
    // The same with the row's hash (RelationPart::hashOf) computed and prefetched beforehand.
    bool insert(const ValueId* values, std::size_t arity, std::uint32_t tag);
    [[gnu::always_inline]] void prefetchRow(std::size_t arity, std::uint32_t tag) const {
        const RelationPart* part = findPart(arity);
        if (part != nullptr && part->isLarge()) part->prefetch(tag);
    }

    RelationPart& partAt(std::uint32_t part) { return *parts[part]; }
    const RelationPart& partAt(std::uint32_t part) const { return *parts[part]; }
    std::size_t partCount() const { return parts.size(); }
    // Commits every pending row. With rows of several lengths, newRows lists every pending row,
    // (part, position), in the order in which they count as inserted; with one length the
    // part's own order is that order, and newRows is not read.
    void commitPending(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& newRows);
    std::size_t size() const;
    // The insertion number (from 0) of the committed row at this position of the part for rows
    // of this length. With rows of several lengths this searches, so it is for questions about
    // single rows, not for loops over all.
    std::size_t numberOf(std::size_t arity, std::size_t position) const;

    // Gives back every part's whole-row hash set until a lookup needs it again.
    void releaseRowSets() {
        for (const auto& part : parts) part->releaseRowSet();
    }
    // Gives back every part's row set and indexes: what is left reads rows in order only.
    void releaseLookups() {
        for (const auto& part : parts) part->releaseLookups();
    }

    // Rows appended from now on form the next delta of every part.
    void markDeltaStart();

    // Calls visit(values, arity) for every row in insertion order.
    template <typename Visit>
    void forEachRow(Visit&& visit) const {
        forEachRowIn(0, size(), visit);
    }
    // The same for the rows inserted first to last - 1, counting from 0.
    template <typename Visit>
    void forEachRowIn(std::size_t first, std::size_t last, Visit&& visit) const {
        if (parts.size() <= 1) {
            // Where the rows start is read once: another thread may be appending rows to the
            // part, writing their count beside it.
            for (const auto& part : parts) {
                const std::size_t arity = part->getArity();
                const ValueId* row = first < last ? part->row(first) : nullptr;
                for (std::size_t i = first; i < last; ++i, row += arity) visit(row, arity);
            }
            return;
        }
        for (std::size_t i = first; i < last; ++i) {
            const auto [partNumber, position] = order[i];
            const RelationPart& part = *parts[partNumber];
            visit(part.row(position), part.getArity());
        }
    }

private:
    std::uint32_t findOrAddPart(std::size_t arity);

    std::string name;
    // Parts never move once made: callers keep pointers to them.
    std::vector<std::unique_ptr<RelationPart>> parts;
    // (part, position) per committed row, kept only once a second row length has appeared.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> order;
};
