#include "driver/ResultWriter.h"

#include "data/RelationText.h"
#include "driver/OutputChunks.h"

void writeResults(const std::function<void(std::string_view)>& write,
                  const std::vector<std::pair<std::string, Rule>>& rules,
                  const std::vector<RelationTable>& idb, const ValuePool& pool) {
    OutputChunks out(write);
    std::string header;
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const std::vector<std::string> head = rules[i].second.headColumnNames();
        header.clear();
        appendRelationHeader(header, rules[i].second.getName(),
                             std::vector<std::string_view>(head.begin(), head.end()));
        out.append(std::string_view(header));
        idb[i].forEachRow([&](const ValueId* row, std::size_t arity) {
            if (arity == 0) return;
            for (std::size_t v = 0; v < arity; ++v) {
                if (v > 0) out.append(',');
                pool.appendText(row[v], out);
            }
            out.append('\n');
        });
        out.append('\n');
    }
    out.flush();
}
