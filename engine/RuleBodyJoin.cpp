#include "engine/RuleBodyJoin.h"

#include <algorithm>

RuleBodyJoin::RuleBodyJoin(const RuleBodyPlan& bodyPlan, const ValuePool& values)
    : plan(bodyPlan),
      pool(values),
      slots(bodyPlan.getSlotCount(), 0),
      head(bodyPlan.getProjection().size(), 0),
      positions(bodyPlan.getReferences().size(), 0) {
    std::size_t longestKey = 0;
    for (const PlanReference& reference : bodyPlan.getReferences()) {
        longestKey = std::max(longestKey, reference.keySources.size());
        Level& level = levels.emplace_back();
        level.isWholeRowKey = reference.lookup == PlanLookup::WholeRow;
        level.isList = reference.lookup != PlanLookup::Scan;
    }
    key.resize(longestKey);
    const std::vector<PlanReference>& plannedReferences = bodyPlan.getReferences();
    screenKeys.resize(plannedReferences.size());
    for (std::size_t k = 0; k + 1 < plannedReferences.size(); ++k) {
        const PlanReference& own = plannedReferences[k];
        const PlanReference& next = plannedReferences[k + 1];
        levels[k].isScreenable =
            own.sameColumns.empty() && own.checks.empty() && next.lookup == PlanLookup::Index;
        if (!levels[k].isScreenable) continue;
        for (const PlanOperand& operand : next.keySources) {
            KeyPart part{KeyPart::Source::Constant, operand.value};
            if (!operand.isConstant) part.source = KeyPart::Source::Slot;
            for (const auto& [column, slot] : own.bindings) {
                if (!operand.isConstant && slot == operand.value) {
                    part = {KeyPart::Source::Row, column};
                }
            }
            screenKeys[k].push_back(part);
        }
    }
    isProjectionOnly = bodyPlan.getAssignments().empty() && bodyPlan.getFinalChecks().empty();
    if (isProjectionOnly) projectionOnly = bodyPlan.getProjection();
    const std::vector<PlanReference>& references = bodyPlan.getReferences();
    if (isProjectionOnly && !references.empty()) {
        const PlanReference& last = references.back();
        isLastLevelPlain = last.sameColumns.empty() && last.checks.empty();
        for (std::uint32_t value = 0; value < projectionOnly.size(); ++value) {
            for (const auto& [column, slot] : last.bindings) {
                if (slot == projectionOnly[value]) lastLevelColumns.emplace_back(value, column);
            }
        }
    }
    batchHeads.resize(kBatchRows * head.size());
    batchPositions.resize(kBatchRows * positions.size());
}

// Prepares reference k's candidates: the index list for the values now known, cut to the
// allowed range by binary search, or the whole range when nothing is known.
bool RuleBodyJoin::open(std::size_t k, const ReferenceRows& source) {
    const PlanReference& reference = plan.getReferences()[k];
    Level& level = levels[k];
    if (!level.isList) {
        level.next = source.begin;
        level.end = source.end;
        return true;
    }
    ValueId* keyValue = key.data();
    for (const PlanOperand& operand : reference.keySources) {
        *keyValue++ = operand.isConstant ? operand.value : slots[operand.value];
    }
    if (level.isWholeRowKey) {
        // Key columns are in column order, so the key is the row itself.
        const std::size_t position = source.part->find(key.data());
        if (position == RelationPart::kNotFound || position < source.begin ||
            position >= source.end) {
            return false;
        }
        level.only = static_cast<std::uint32_t>(position);
        level.listNext = &level.only;
        level.listEnd = &level.only + 1;
        return true;
    }
    const RelationIndex& index = *source.index;
    const std::uint32_t hash = index.hashOf(key.data());
    if (source.keyFilter != nullptr && !source.keyFilter->mayHold(hash)) return false;
    const std::uint32_t group = index.findGroup(key.data(), hash);
    if (group == RelationIndex::kNoGroup) return false;
    const std::uint32_t firstPosition = index.firstPosition(group);
    const std::uint32_t lastPosition = index.lastPosition(group);
    if (lastPosition < source.begin || firstPosition >= source.end) return false;
    if (firstPosition == lastPosition) {  // a key of one row, within the range
        level.only = firstPosition;
        level.listNext = &level.only;
        level.listEnd = &level.only + 1;
        return true;
    }
    // Ranges usually start at the first row or at the newest ones and end at the last row, so
    // the group's bounds answer most of the time without a search or a look at its list.
    const std::span<const std::uint32_t> list = index.positions(group, level.only);
    const std::uint32_t* first = list.data();
    const std::uint32_t* last = first + list.size();
    level.listNext =
        firstPosition >= source.begin ? first : std::lower_bound(first, last, source.begin);
    level.listEnd =
        lastPosition < source.end ? last : std::lower_bound(level.listNext, last, source.end);
    return level.listNext != level.listEnd;
}
