#include "driver/ProgramReader.h"

ProgramReader::ProgramReader(ValuePool& values, OutputChunks& echo) : pool(values), echoed(echo) {}

void ProgramReader::header(std::string_view line, std::size_t number) {
    finishRows();  // before the relation it fills can move
    rows.emplace(edb.emplace_back(line, number), pool);
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
