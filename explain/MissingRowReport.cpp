#include "explain/MissingRowReport.h"

#include "explain/DerivationTree.h"

namespace {

std::string joined(const std::vector<std::string>& items, const std::string& before,
                   const std::string& separator, bool isMore, const std::string& more) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += separator;
        text += before + items[i];
    }
    return isMore ? text + more : text;
}

// Text between backquotes, then more text.
std::string quoted(const std::string& name, const char* after) {
    std::string text = "`";
    text += name;
    text += '`';
    text += after;
    return text;
}

// Why a line can never give a row, whatever the relations hold.
std::string reasonText(const NoRowsReason& reason, const RuleBody& body, const Rule& rule) {
    using Kind = NoRowsReason::Kind;
    switch (reason.kind) {
        case Kind::NoReference:
            return "it refers to no relation, so it gives no rows";
        case Kind::MissingRelation:
            return quoted(body.getRelationElements()[reason.element].getName(),
                          " is neither a stored relation nor a rule, so it gives no rows");
        case Kind::UnboundHeadVariable:
            return "the head variable " +
                   quoted(rule.getColumns()[reason.element].name,
                          " is bound by no reference of it, so it gives no rows");
        case Kind::ContradictoryComparison:
            return quoted(body.getDataFilters()[reason.element].toString(),
                          " holds for no value of a variable that nothing else binds");
        case Kind::UnboundComparedVariable:
            return quoted(body.getAttributeFilters()[reason.element].toString(),
                          " compares a variable that no reference binds, so it never holds");
    }
    return "it gives no rows";
}

std::string verdictText(const MissingRowVerdict& verdict, const Rule& rule) {
    const RuleBody& body = rule.getBodies()[verdict.body];
    std::string text = "line " + std::to_string(body.getInputLine()) + ": ";
    switch (verdict.kind) {
        case MissingRowVerdict::Kind::NeverGivesRows:
            for (std::size_t i = 0; i < verdict.reasons.size(); ++i) {
                if (i > 0) text += "; ";
                text += reasonText(verdict.reasons[i], body, rule);
            }
            return text;
        case MissingRowVerdict::Kind::GivesRow:
            return text + "every element is satisfied";
        case MissingRowVerdict::Kind::ElementFails:
            break;
    }
    for (const MissingRowVerdict::Step& step : verdict.steps) {
        text += step.element + " gives " + joined(step.values, "", " or ", step.isMore, " or more");
        text += "; ";
    }
    const std::string word = verdict.isComparison ? "not " : "no ";
    return text + joined(verdict.instances, word, ", ", verdict.isMoreInstances, ", and more");
}

std::string jsonList(const std::vector<std::string>& items) {
    std::string json = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) json += ',';
        json += jsonString(items[i]);
    }
    return json + "]";
}

}  // namespace

std::string missingRowText(const std::string& row, const Rule& rule,
                           const std::vector<MissingRowVerdict>& verdicts) {
    std::string text = row + "  not derived\n";
    for (const MissingRowVerdict& verdict : verdicts)
        text += "  " + verdictText(verdict, rule) + "\n";
    return text;
}

std::string missingRowJson(const std::string& row, const Rule& rule,
                           const std::vector<MissingRowVerdict>& verdicts) {
    std::string json = "{\"row\":" + jsonString(row) + ",\"derived\":false,\"lines\":[\n";
    for (std::size_t v = 0; v < verdicts.size(); ++v) {
        const MissingRowVerdict& verdict = verdicts[v];
        const RuleBody& body = rule.getBodies()[verdict.body];
        if (v > 0) json += ",\n";
        json += "{\"line\":" + std::to_string(body.getInputLine()) +
                ",\"why\":" + jsonString(verdictText(verdict, rule));
        if (verdict.kind == MissingRowVerdict::Kind::ElementFails) {
            json += ",\"steps\":[";
            for (std::size_t s = 0; s < verdict.steps.size(); ++s) {
                const MissingRowVerdict::Step& step = verdict.steps[s];
                if (s > 0) json += ',';
                json += "{\"element\":" + jsonString(step.element) +
                        ",\"values\":" + jsonList(step.values) +
                        ",\"more\":" + (step.isMore ? "true" : "false") + "}";
            }
            json += "],\"failing\":" + jsonString(verdict.failing) +
                    ",\"instances\":" + jsonList(verdict.instances) +
                    ",\"more\":" + (verdict.isMoreInstances ? "true" : "false");
        }
        json += "}";
    }
    return json + "\n]}\n";
}
