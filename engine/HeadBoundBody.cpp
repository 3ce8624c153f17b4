#include "engine/HeadBoundBody.h"

#include <utility>

namespace {

std::string referenceText(const std::vector<std::string>& columns) {
    std::string text = "head(";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i > 0) text += ',';
        text += columns[i];
    }
    return text + ")";
}

}  // namespace

std::vector<std::string> valuedHeadColumns(const Rule& rule) {
    std::vector<std::string> names;
    for (const RuleHeadColumn& column : rule.getColumns()) {
        if (!column.name.empty()) names.push_back(column.name);
    }
    return names;
}

HeadBoundBody::HeadBoundBody(const std::vector<std::string>& headColumns,
                             const std::vector<std::string>& elements,
                             std::vector<ResolvedReference> references,
                             const std::vector<std::string>& projection, ValuePool& pool)
    : found(std::move(references)), headRow("") {
    std::string text = referenceText(headColumns);
    for (const std::string& element : elements) text += "," + element;
    body = std::make_unique<RuleBody>(text);
    plan = std::make_unique<RuleBodyPlan>(*body, projection, pool);
    join = std::make_unique<RuleBodyJoin>(*plan, pool);
    sources.resize(plan->getReferences().size());
    indexNumbers.assign(sources.size(), ~std::size_t{0});
}

bool HeadBoundBody::prepareReference(std::size_t k, RelationTable* table, std::size_t visible) {
    const PlanReference& reference = plan->getReferences()[k];
    RelationPart* part = table->findPart(reference.arity);
    if (part == nullptr || visible == 0) return false;
    ReferenceRows& rows = sources[k];
    rows.part = part;
    rows.begin = 0;
    rows.end = static_cast<std::uint32_t>(visible);
    rows.index = nullptr;
    if (reference.lookup == PlanLookup::WholeRow) {
        part->restoreRowSet();
    } else if (reference.lookup == PlanLookup::Index) {
        if (indexNumbers[k] == ~std::size_t{0})
            indexNumbers[k] = part->ensureIndex(reference.keyColumns);
        rows.index = &part->updateIndex(indexNumbers[k]);
    }
    return true;
}
