#include "driver/ResultWriter.h"

#include "data/RelationText.h"

namespace {

constexpr std::size_t kChunkSize = 1 << 20;

bool isLongString(ValueId value, const ValuePool& pool) {
    return !ValuePool::isInteger(value) && pool.stringValue(value).size() >= kChunkSize;
}

}  // namespace

void writeResults(const std::function<void(std::string_view)>& write,
                  const std::vector<std::pair<std::string, Rule>>& rules,
                  const std::vector<RelationTable>& idb, const ValuePool& pool) {
    std::string text;
    text.reserve(kChunkSize + 4096);
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const std::vector<std::string> head = rules[i].second.headColumnNames();
        appendRelationHeader(text, rules[i].second.getName(),
                             std::vector<std::string_view>(head.begin(), head.end()));
        idb[i].forEachRow([&](const ValueId* row, std::size_t arity) {
            if (arity == 0) return;
            for (std::size_t v = 0; v < arity; ++v) {
                if (v > 0) text += ',';
                if (isLongString(row[v], pool)) {
                    // Written from the pool as it is, without a copy in the chunk.
                    text += '\'';
                    write(text);
                    text.clear();
                    write(pool.stringValue(row[v]));
                    text += '\'';
                } else {
                    pool.appendText(row[v], text);
                }
            }
            text += '\n';
            if (text.size() >= kChunkSize) {
                write(text);
                text.clear();
            }
        });
        text += '\n';
    }
    write(text);
}
