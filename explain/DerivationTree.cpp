#include "explain/DerivationTree.h"

#include <map>
#include <set>
#include <tuple>

namespace {

// Past this level lines keep their indentation and say their level instead: a chain of
// thousands of levels stays readable and its output grows with the rows, not their square.
constexpr std::size_t kIndentedLevels = 40;

std::string indentOf(std::size_t level) {
    if (level <= kIndentedLevels) return std::string(2 * (level - 1), ' ');
    return std::string(2 * (kIndentedLevels - 1), ' ') + "[level " + std::to_string(level) + "] ";
}

using PlaceKey = std::tuple<bool, std::size_t, std::size_t, std::size_t>;

PlaceKey keyOf(const RowPlace& place) {
    return {place.isStored, place.relation, place.arity, place.position};
}

std::size_t utf8Length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

bool isUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8Length(static_cast<unsigned char>(text[i]));
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

}  // namespace

std::string jsonString(std::string_view text) {
    const bool isValid = isUtf8(text);
    std::string json = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 0x20 || (byte >= 0x80 && !isValid)) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            json += escaped;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

DerivationTree::DerivationTree(DerivationSearch& derivations,
                               const std::vector<std::pair<std::string, Rule>>& ruleList,
                               const std::vector<StoredRelation>& stored,
                               const std::vector<RelationTable>& derived, const ValuePool& values,
                               std::function<std::string(std::size_t)> lineText)
    : search(derivations),
      rules(ruleList),
      edb(stored),
      idb(derived),
      pool(values),
      ruleLineText(std::move(lineText)) {}

const ValueId* DerivationTree::rowOf(const RowPlace& place) const {
    const RelationTable& table =
        place.isStored ? edb[place.relation].getRows() : idb[place.relation];
    return table.findPart(place.arity)->row(place.position);
}

std::string DerivationTree::rowText(const RowPlace& place) const {
    std::string text = place.isStored ? edb[place.relation].getName() : rules[place.relation].first;
    text += '(';
    const ValueId* row = rowOf(place);
    for (std::size_t i = 0; i < place.arity; ++i) {
        if (i > 0) text += ',';
        pool.appendText(row[i], text);
    }
    return text + ')';
}

std::string DerivationTree::valuesJson(const RowPlace& place) const {
    std::string json = "[";
    const ValueId* row = rowOf(place);
    for (std::size_t i = 0; i < place.arity; ++i) {
        if (i > 0) json += ',';
        if (ValuePool::isInteger(row[i])) {
            json += std::to_string(pool.integerValue(row[i]));
        } else {
            json += jsonString(pool.stringValue(row[i]));
        }
    }
    return json + "]";
}

std::size_t DerivationTree::storedLineOf(const RowPlace& place) const {
    const StoredRelation& relation = edb[place.relation];
    return relation.lineOfRow(relation.getRows().numberOf(place.arity, place.position));
}

std::size_t DerivationTree::ruleLineOf(const RowPlace& place, const Derivation& derivation) const {
    return rules[place.relation].second.getBodies()[derivation.body].getInputLine();
}

void DerivationTree::printText(const RowPlace& root, std::size_t depth, std::FILE* out) {
    struct Pending {
        RowPlace place;
        std::size_t level;
    };
    std::vector<Pending> stack{{root, 1}};
    std::set<PlaceKey> expanded;
    std::string line;
    while (!stack.empty()) {
        const Pending at = stack.back();
        stack.pop_back();
        line = indentOf(at.level) + rowText(at.place) + "  ";
        std::size_t cutRows = 0;
        if (at.place.isStored) {
            line += "stored, line " + std::to_string(storedLineOf(at.place));
        } else if (expanded.count(keyOf(at.place)) > 0) {
            line += "shown above";
        } else {
            const Derivation derivation =
                search.firstDerivation(at.place.relation, at.place.arity, at.place.position);
            if (derivation.body == Derivation::kNoBody) {
                line += "derived, but its derivation was not found";
            } else {
                const std::size_t ruleLine = ruleLineOf(at.place, derivation);
                line += "line " + std::to_string(ruleLine) + ": " + ruleLineText(ruleLine) +
                        ", iteration " + std::to_string(derivation.iteration);
            }
            if (depth != 0 && at.level >= depth) {
                cutRows = derivation.children.size();
            } else {
                expanded.insert(keyOf(at.place));
                for (auto child = derivation.children.rbegin(); child != derivation.children.rend();
                     ++child) {
                    stack.push_back({*child, at.level + 1});
                }
            }
        }
        line += '\n';
        if (cutRows > 0) {
            line += indentOf(at.level + 1) + "... " + std::to_string(cutRows) +
                    (cutRows == 1 ? " row" : " rows") + " below, cut by --depth " +
                    std::to_string(depth) + "\n";
        }
        std::fwrite(line.data(), 1, line.size(), out);
    }
}

void DerivationTree::printJson(const RowPlace& root, std::size_t depth, std::FILE* out) {
    struct Pending {
        RowPlace place;
        std::size_t level;
        std::size_t id;
    };
    std::map<PlaceKey, std::size_t> ids{{keyOf(root), 0}};
    std::vector<Pending> stack{{root, 1, 0}};
    std::string json = "{\"row\":" + jsonString(rowText(root)) + ",\"rows\":[\n";
    bool isFirst = true;
    while (!stack.empty()) {
        const Pending at = stack.back();
        stack.pop_back();
        if (!isFirst) json += ",\n";
        isFirst = false;
        const std::string name =
            at.place.isStored ? edb[at.place.relation].getName() : rules[at.place.relation].first;
        json += "{\"id\":" + std::to_string(at.id) + ",\"text\":" + jsonString(rowText(at.place)) +
                ",\"relation\":" + jsonString(name) + ",\"values\":" + valuesJson(at.place);
        if (at.place.isStored) {
            json +=
                ",\"source\":\"stored\",\"line\":" + std::to_string(storedLineOf(at.place)) + "}";
        } else {
            const Derivation derivation =
                search.firstDerivation(at.place.relation, at.place.arity, at.place.position);
            json += ",\"source\":\"rule\"";
            if (derivation.body != Derivation::kNoBody) {
                const std::size_t ruleLine = ruleLineOf(at.place, derivation);
                json += ",\"line\":" + std::to_string(ruleLine) +
                        ",\"rule\":" + jsonString(ruleLineText(ruleLine)) +
                        ",\"iteration\":" + std::to_string(derivation.iteration);
            }
            if (depth != 0 && at.level >= depth && !derivation.children.empty()) {
                json += ",\"cut\":true}";
            } else {
                json += ",\"children\":[";
                std::vector<Pending> fresh;
                for (std::size_t k = 0; k < derivation.children.size(); ++k) {
                    const RowPlace& child = derivation.children[k];
                    const auto [found, isNew] = ids.emplace(keyOf(child), ids.size());
                    if (k > 0) json += ',';
                    json += std::to_string(found->second);
                    if (isNew) fresh.push_back({child, at.level + 1, found->second});
                }
                json += "]}";
                stack.insert(stack.end(), fresh.rbegin(), fresh.rend());
            }
        }
        if (json.size() > (std::size_t{1} << 16)) {
            std::fwrite(json.data(), 1, json.size(), out);
            json.clear();
        }
    }
    json += "\n]}\n";
    std::fwrite(json.data(), 1, json.size(), out);
}
