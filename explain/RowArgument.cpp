#include "explain/RowArgument.h"

#include "data/RelationLoader.h"
#include "data/StoredRelation.h"

std::optional<RowArgument> RowArgument::parse(std::string_view text, ValuePool& pool) {
    const std::size_t open = text.find('(');
    if (open == std::string_view::npos || open == 0 || text.back() != ')') return std::nullopt;
    const std::string_view fields = text.substr(open + 1, text.size() - open - 2);
    if (fields.empty()) return std::nullopt;
    // The row is read by the loader of stored rows, as a one-row relation of its own, so that
    // its values are exactly those a row line with the same text would give.
    StoredRelation relation(text, 0);
    RelationLoader loader(relation, pool);
    loader.addLine(fields);
    loader.finish();
    const RelationPart* part =
        relation.getRows().partCount() > 0 ? &relation.getRows().partAt(0) : nullptr;
    if (part == nullptr || part->size() != 1) return std::nullopt;
    RowArgument row{std::string(text.substr(0, open)), {}};
    row.values.assign(part->row(0), part->row(0) + part->getArity());
    return row;
}
