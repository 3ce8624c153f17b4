#include "data/ValuePool.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <stdexcept>

std::uint32_t ValuePool::stringTag(std::string_view value) {
    return static_cast<std::uint32_t>(std::hash<std::string_view>{}(value));
}

ValuePool::ValuePool(unsigned bits)
    : shardBits(std::min(bits, kMostShardBits)),
      shardShift(32 - shardBits),
      shardMask((ValueId{1} << shardBits) - 1),
      mostPerShard(kMaxInterned >> shardBits),
      shards(std::make_unique<Shard[]>(shardCount())) {}

ValueId ValuePool::internInteger(std::int64_t value, std::uint32_t tag) {
    if (isInline(value)) return inlineId(value);
    const std::size_t shardNumber = shardOf(tag);
    Shard& shard = shards[shardNumber];
    const std::size_t slot = shard.integerSlots.find(
        tag, [&](std::size_t number) { return shard.largeIntegers[number] == value; });
    std::size_t number = shard.integerSlots.numberAt(slot);
    if (number == TaggedSlots::kNone) {
        number = shard.largeIntegers.size();
        if (number == mostPerShard) throw std::length_error("too many distinct integers");
        shard.largeIntegers.push_back(value);
        shard.integerSlots.fill(slot, tag, number, [&shard](std::size_t old) {
            return integerTag(shard.largeIntegers[old]);
        });
    }
    return idOf(kFirstLargeInteger, shardNumber, number);
}

ValueId ValuePool::internString(std::string_view value, std::uint32_t tag) {
    if (value.size() > UINT32_MAX) throw std::length_error("string too long");
    StringEntry entry = probeOf(value);
    const std::size_t shardNumber = shardOf(tag);
    Shard& shard = shards[shardNumber];
    const std::size_t slot = shard.stringSlots.find(
        tag, [&](std::size_t number) { return shard.isString(number, entry, value); });
    std::size_t number = shard.stringSlots.numberAt(slot);
    if (number == TaggedSlots::kNone) {
        number = shard.strings.size();
        if (number == mostPerShard) throw std::length_error("too many distinct strings");
        if (value.size() > kShortString) {
            const std::size_t start = shard.text.size();
            std::memcpy(entry.head + kStartOffset, &start, sizeof start);
            shard.text.append(value.data(), value.size());
        }
        shard.strings.push_back(entry);
        shard.stringSlots.fill(slot, tag, number, [&shard](std::size_t old) {
            return stringTag(shard.stringAt(old));
        });
    }
    return idOf(kFirstString, shardNumber, number);
}
