#include "data/RelationLoader.h"

#include "data/Literal.h"
#include "data/RowHashing.h"

RelationLoader::RelationLoader(RelationTable& target, ValuePool& values)
    : table(target), pool(values) {}

void RelationLoader::addLine(std::string_view line) {
    if (line.empty()) return;
    // A long line is loaded on its own, its strings read where they stand instead of copied.
    const bool isLong = line.size() >= kLongLine;
    if (isLong) {
        flush();
        borrowedLine = line;
    }
    forEachCommaPiece(line, [&](std::string_view piece) {
        if (!piece.empty() && piece.front() == '\'') {
            const std::string_view value = stringLiteralView(piece);
            // An empty value may point nowhere; it starts anywhere.
            std::size_t start =
                value.empty() ? 0 : static_cast<std::size_t>(value.data() - line.data());
            if (!isLong) {
                start = text.size();
                text.append(value);
            }
            fields.push_back(Field{static_cast<std::int64_t>(start), value.size(), 0, true});
        } else {
            fields.push_back(Field{integerLiteralValue(piece), 0, 0, false});
        }
    });
    rowEnds.push_back(fields.size());
    if (isLong || rowEnds.size() == kBatchRows) flush();
}

void RelationLoader::finish() { flush(); }

void RelationLoader::flush() {
    const std::string_view strings = borrowedLine.empty() ? std::string_view(text) : borrowedLine;
    auto stringOf = [strings](const Field& field) {
        return strings.substr(static_cast<std::size_t>(field.number), field.length);
    };
    for (Field& field : fields) {
        if (field.isString) {
            field.tag = ValuePool::stringTag(stringOf(field));
            pool.prefetchString(field.tag);
        } else if (!ValuePool::isInline(field.number)) {
            field.tag = ValuePool::integerTag(field.number);
            pool.prefetchInteger(field.tag);
        }
    }
    for (const Field& field : fields) {
        if (field.isString) pool.prefetchStringEntry(field.tag);
    }
    cells.clear();
    for (const Field& field : fields) {
        if (field.isString) {
            cells.push_back(pool.internString(stringOf(field), field.tag));
        } else if (ValuePool::isInline(field.number)) {
            cells.push_back(ValuePool::inlineId(field.number));
        } else {
            cells.push_back(pool.internInteger(field.number, field.tag));
        }
    }
    rowTags.clear();
    std::size_t start = 0;
    for (const std::size_t end : rowEnds) {
        const auto tag =
            static_cast<std::uint32_t>(hashValueIds(cells.data() + start, end - start));
        table.prefetchRow(end - start, tag);
        rowTags.push_back(tag);
        start = end;
    }
    start = 0;
    for (std::size_t row = 0; row < rowEnds.size(); ++row) {
        table.insert(cells.data() + start, rowEnds[row] - start, rowTags[row]);
        start = rowEnds[row];
    }
    fields.clear();
    rowEnds.clear();
    text.clear();
    borrowedLine = {};
}
