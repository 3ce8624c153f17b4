#include "driver/ProgramReader.h"

#include <utility>

ProgramReader::ProgramReader(ValuePool& values, OutputChunks& echo) : pool(values), echoed(echo) {}

ProgramReader::ProgramReader(ValuePool& values, OutputChunks& echo,
                             const RelationLoader::Threads& threads)
    : pool(values), echoed(echo), blockThreads(&threads) {}

void ProgramReader::header(std::string_view line, std::size_t number) {
    finishRows();  // before the relation it fills can move
    StoredRelation& relation = edb.emplace_back(line, number);
    if (blockThreads == nullptr) {
        rows.emplace(relation, pool);
        return;
    }
    // Row lines follow their header one by one.
    RelationLoader::LineHandler notAsWritten;
    if (rowNotAsWritten) {
        notAsWritten = [this, number](std::string_view row, std::size_t place) {
            rowNotAsWritten(row, number + 1 + place);
        };
    }
    rows.emplace(relation, pool, *blockThreads, std::move(notAsWritten));
}

void ProgramReader::finishRows() {
    if (rows) rows->finish();
    rows.reset();
}

std::optional<Program> ProgramReader::finish(InputLines& input) {
    if (input.isFailed()) return std::nullopt;
    finishRows();
    for (StoredRelation& relation : edb) relation.getRows().releaseRowSets();
    return Program{rules.take(), std::move(edb)};
}
