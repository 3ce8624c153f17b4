#include <algorithm>

#include "tests/reference/PlainEvaluation.h"
#include "tests/reference/model/Data.h"

namespace {

// The values bound so far in one combination, each labelled with its variable. Labels belong
// to positions of this row, never to the shared value objects: a value may stand in one
// combination under two variables (a self-join taking the same row twice).
class CandidateRow {
public:
    const Data* lookup(const std::string& variable) const {
        for (std::size_t i = 0; i < labels.size(); ++i) {
            if (*labels[i] == variable) return values[i];
        }
        return nullptr;
    }
    void bind(const std::string& variable, const Data* value) {
        labels.push_back(&variable);
        values.push_back(value);
    }
    const std::vector<const Data*>& valuesView() const { return values; }

private:
    std::vector<const std::string*> labels;
    std::vector<const Data*> values;
};

std::string joinNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += name + ",";
    if (!text.empty()) text.pop_back();
    return text;
}

// A row of the referenced relation matches when it has one value per argument and every
// constant argument equals the value at its position; constants holds each argument's
// constant (nullptr for a variable).
bool isMatchingRow(const DataRow& row, const std::vector<const Data*>& constants) {
    if (row.size() != constants.size()) return false;
    for (std::size_t i = 0; i < constants.size(); ++i) {
        if (constants[i] != nullptr && !constants[i]->equals(*row.get(i))) return false;
    }
    return true;
}

const Relation* findRelation(const std::vector<Relation>& relations, const std::string& name) {
    for (const Relation& relation : relations) {
        if (relation.nameView() == name) return &relation;
    }
    return nullptr;
}

}  // namespace

// Visits every combination of one row per reference, the last reference varying fastest, and
// keeps the candidate rows that pass every check, in that order. Deliberately exhaustive.
Relation evaluatePlainly(const RuleBody& body, const std::vector<Relation>& relations,
                         RunStore& store) {
    Relation result;
    if (body.getRelationElements().empty()) return result;
    result.parseColumns(joinNames(body.variableNames()), store);

    std::vector<const Relation*> elements;
    std::vector<std::vector<const Data*>> constants;
    for (const RuleRelationElement& reference : body.getRelationElements()) {
        const Relation* found = findRelation(relations, reference.nameView());
        // A reference that names nothing leaves no combination to form.
        if (found == nullptr || found->rowsView().empty()) return result;
        elements.push_back(found);
        std::vector<const Data*>& own = constants.emplace_back();
        for (const RuleColumn& column : reference.columnsView()) {
            own.push_back(column.isConstant() ? store.makeValue(column.getValue(), nullptr)
                                              : nullptr);
        }
    }
    std::vector<const Data*> filterConstants;
    for (const RuleFilterData& filter : body.getDataFilters()) {
        filterConstants.push_back(store.makeValue(filter.getValue(), nullptr));
    }

    std::vector<std::size_t> counter(elements.size(), 0);
    while (counter[0] < elements[0]->rowsView().size()) {
        std::vector<const DataRow*> combination;
        for (std::size_t k = 0; k < elements.size(); ++k) {
            combination.push_back(elements[k]->rowsView()[counter[k]]);
        }
        ++counter.back();
        for (std::size_t k = counter.size() - 1; k > 0; --k) {
            if (counter[k] < elements[k]->rowsView().size()) break;
            counter[k] = 0;
            ++counter[k - 1];
        }

        CandidateRow candidate;
        bool ok = true;
        for (std::size_t k = 0; k < combination.size() && ok; ++k) {
            const DataRow& row = *combination[k];
            const RuleRelationElement& reference = body.getRelationElements()[k];
            ok = isMatchingRow(row, constants[k]);
            for (std::size_t p = 0; p < row.size() && ok; ++p) {
                const RuleColumn& column = reference.columnsView()[p];
                if (column.isConstant()) continue;
                const Data* bound = candidate.lookup(column.nameView());
                if (bound != nullptr) {
                    ok = bound->equals(*row.get(p));
                } else {
                    candidate.bind(column.nameView(), row.get(p));
                }
            }
        }
        for (std::size_t f = 0; f < body.getDataFilters().size() && ok; ++f) {
            const RuleFilterData& filter = body.getDataFilters()[f];
            const Data* bound = candidate.lookup(filter.leftView());
            if (bound != nullptr) {
                ok = compareValues(*bound, filter.getOp(), *filterConstants[f]);
            } else if (filter.getOp() == Comparison::Less ||
                       filter.getOp() == Comparison::Greater) {
                // Binding the constant would give a row that contradicts its own comparison.
                ok = false;
            } else {
                candidate.bind(filter.leftView(), filterConstants[f]);
            }
        }
        for (std::size_t f = 0; f < body.getAttributeFilters().size() && ok; ++f) {
            const RuleFilterAttribute& filter = body.getAttributeFilters()[f];
            const Data* left = candidate.lookup(filter.leftView());
            const Data* right = candidate.lookup(filter.rightView());
            ok =
                left != nullptr && right != nullptr && compareValues(*left, filter.getOp(), *right);
        }
        if (!ok) continue;

        DataRow row;
        for (const Data* value : candidate.valuesView()) row.add(value);
        if (!result.contains(&row)) {
            DataRow& stored = store.makeRow();
            stored = row;
            result.addRow(&stored);
        }
    }
    return result;
}
