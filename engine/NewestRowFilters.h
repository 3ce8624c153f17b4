#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

#include "data/HashFilter.h"
#include "data/RelationIndex.h"
#include "engine/RuleBodyJoin.h"

// A pass that reads a reference's newest rows through an index, after other references, looks
// them up once per combination of the references before it, over older rows that are usually
// far more. Most such lookups find nothing, and each would probe the whole part's index, out of
// the caches once the part is large. A filter of the hashes of the newest rows' keys answers most
// of them from a few bits instead. Filters are made the first time a range of rows is asked for
// and kept while that range is the newest, so the bodies of an iteration share them.
class NewestRowFilters {
public:
    // The filter for a reference's rows, to be looked up at least about lookups times, or nullptr
    // when they are too many for one to pay: making it costs about a lookup per row.
    const HashFilter* filterFor(const ReferenceRows& rows, std::size_t lookups);

private:
    // A filter pays when the rows looked up are at most this share of the part's rows.
    static constexpr std::uint32_t kMostFilteredShare = 4;
    struct Made {
        const RelationIndex* index;
        std::uint32_t begin;
        std::uint32_t end;
        HashFilter keys;
    };
    std::deque<Made> filters;  // stays put as it grows: passes hold pointers into it
};
