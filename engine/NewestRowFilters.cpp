#include "engine/NewestRowFilters.h"

const HashFilter* NewestRowFilters::filterFor(const ReferenceRows& rows, std::size_t lookups) {
    if (rows.index == nullptr || rows.begin >= rows.end) return nullptr;
    const std::uint32_t count = rows.end - rows.begin;
    if (count > rows.end / kMostFilteredShare || count > lookups) return nullptr;
    Made* made = nullptr;
    for (Made& filter : filters) {
        if (filter.index == rows.index) made = &filter;
    }
    if (made != nullptr && made->begin == rows.begin && made->end == rows.end) return &made->keys;
    if (made == nullptr) made = &filters.emplace_back(Made{rows.index, 0, 0, {}});
    made->begin = rows.begin;
    made->end = rows.end;
    made->keys.reset(count);
    for (std::uint32_t position = rows.begin; position < rows.end; ++position) {
        made->keys.add(rows.index->rowKeyHashOf(position));
    }
    return &made->keys;
}
