#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "data/Comparison.h"
#include "data/ValuePool.h"
#include "rules/RuleBody.h"

// A value known when a check or lookup runs: a rule constant or the slot of a bound variable.
struct PlanOperand {
    bool isConstant;
    std::uint32_t value;  // a ValueId for a constant, a slot number otherwise
};

// slot op operand, checked as soon as everything it reads is bound.
struct PlanCheck {
    std::uint32_t leftSlot;
    Comparison op;
    PlanOperand right;
};

// How a reference finds its candidate rows: all rows of its range when nothing is known, the
// part's own row set when every column is known, else an index on the known columns.
enum class PlanLookup { Scan, WholeRow, Index };

// One relation reference, matched in body order. The row length must equal the arity; the
// key columns select rows through an index; repeated variables first bound here must agree.
struct PlanReference {
    std::string name;
    std::uint32_t arity = 0;
    PlanLookup lookup = PlanLookup::Scan;
    std::vector<std::uint32_t> keyColumns;
    std::vector<PlanOperand> keySources;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sameColumns;  // (column, earlier column)
    std::vector<std::pair<std::uint32_t, std::uint32_t>> bindings;     // (column, slot)
    std::vector<PlanCheck> checks;
};

// A comparison of a variable that no reference binds with a constant. The first one for a
// variable binds it (only "=", "<=", ">=" can); later ones test it. They keep their order.
struct PlanAssignment {
    std::uint32_t slot;
    Comparison op;
    ValueId constant;
    bool isBinding;
};

// Why a body can never give a row, and which element says so: the position of a reference, a
// head column, or a comparison in its list.
struct NoRowsReason {
    enum class Kind {
        NoReference,              // the body has no reference at all
        MissingRelation,          // a reference names neither a stored relation nor a rule
        UnboundHeadVariable,      // a named head column that the body does not bind
        ContradictoryComparison,  // X<c or X>c of a variable that nothing else binds
        UnboundComparedVariable,  // a comparison of two variables, one of which nothing binds
    };
    Kind kind;
    std::size_t element = 0;
};

// A body compiled once for evaluation: variables become slots (in the order of the body's
// result columns), and each comparison is placed where its variables are first all bound.
// Matching references in body order keeps combinations in the order of plain enumeration.
class RuleBodyPlan {
public:
    RuleBodyPlan(const RuleBody& body, const std::vector<std::string>& headColumns,
                 ValuePool& pool);

    // True when no combination can ever satisfy the body or reach the head; the reasons say why.
    bool isNeverSatisfied() const { return !reasons.empty(); }
    const std::vector<NoRowsReason>& getNoRowsReasons() const { return reasons; }
    std::uint32_t getSlotCount() const { return slotCount; }
    const std::vector<PlanReference>& getReferences() const { return references; }
    const std::vector<PlanAssignment>& getAssignments() const { return assignments; }
    const std::vector<PlanCheck>& getFinalChecks() const { return finalChecks; }
    // The slot of each value of a head row.
    const std::vector<std::uint32_t>& getProjection() const { return projection; }

private:
    // Slots by variable name, as views of slotNames; used while planning only.
    using SlotNames = std::unordered_map<std::string_view, std::uint32_t>;

    void planReferences(const RuleBody& body, const SlotNames& slots, ValuePool& pool);
    void planLookups();
    void planComparisons(const RuleBody& body, const SlotNames& slots, ValuePool& pool);
    void planProjection(const std::vector<std::string>& headColumns);
    // The slot of a variable, or slotCount for a name that no reference or constant binds.
    std::uint32_t slotOf(const SlotNames& slots, std::string_view name) const;

    std::vector<std::string> slotNames;
    std::uint32_t slotCount = 0;
    // Per slot: the reference that binds it, or a negative mark (unbound, assigned).
    std::vector<int> boundBy;
    std::vector<PlanReference> references;
    std::vector<PlanAssignment> assignments;
    std::vector<PlanCheck> finalChecks;
    std::vector<std::uint32_t> projection;
    std::vector<NoRowsReason> reasons;
};
