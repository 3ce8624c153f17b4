#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/Comparison.h"
#include "data/GrowingArray.h"
#include "data/TaggedSlots.h"
#include "data/Value.h"
#include "data/ValueText.h"

// A value as the engine holds it, in 32 bits. Integers from -2^30 to 2^30 - 1 are held in the
// id itself and cost nothing more; other integers and strings are interned, each once, and their
// ids number them. Equal values (same class, same value) always get the same id, so ids compare
// and hash as values do.
using ValueId = std::uint32_t;

// Interns the values of the run that do not fit in an id. Integer 5 and string '5' are
// different values.
//
// A pool may keep its values in several shards, picked by the values' hashes, each numbering its
// own values in the order it first meets them; an id then holds its shard and that number.
// Values of different shards never meet, so a loader may intern each shard's values on a thread
// of its own, and as long as it takes each shard's values in input order the ids are the same
// whatever thread interns them. One shard, as on one thread, numbers values as they come.
class ValuePool {
public:
    static constexpr unsigned kMostShardBits = 6;

    // 2^shardBits shards, at most 2^kMostShardBits.
    explicit ValuePool(unsigned shardBits = 0);
    std::size_t shardCount() const { return std::size_t{1} << shardBits; }
    // The shard of a value with this hash. The hash is mixed again so that the slot bits it
    // leaves a shard's table still vary.
    std::size_t shardOf(std::uint32_t tag) const {
        const std::uint32_t mixed = tag * std::uint32_t{0x9E3779B1u};
        return static_cast<std::size_t>(std::uint64_t{mixed} >> shardShift);
    }

    ValueId internInteger(std::int64_t value) {
        return isInline(value) ? inlineId(value) : internInteger(value, integerTag(value));
    }
    ValueId internString(std::string_view value) { return internString(value, stringTag(value)); }
    ValueId intern(const Value& value) {
        return value.isInteger() ? internInteger(value.integerValue())
                                 : internString(value.stringValue());
    }

    // Whether the integer is held in its id, without interning.
    static constexpr bool isInline(std::int64_t value) {
        return value >= -kInlineOffset && value < kInlineOffset;
    }
    static constexpr ValueId inlineId(std::int64_t value) {
        return static_cast<ValueId>(value + kInlineOffset);
    }

    // The same with the hash computed beforehand, after prefetch has asked the memory for its
    // slot: a loader with many values at hand hides the cache misses of large tables. For
    // integers that are not inline.
    static std::uint32_t integerTag(std::int64_t value) {
        // The upper half of a multiplicative hash spreads nearby integers over the whole table.
        return static_cast<std::uint32_t>(
            (static_cast<std::uint64_t>(value) * 0x9E3779B97F4A7C15ull) >> 32);
    }
    static std::uint32_t stringTag(std::string_view value);
    // The prefetches are inlined always: the compiler takes a call that only prefetches for one
    // without effect and may drop it.
    [[gnu::always_inline]] void prefetchInteger(std::uint32_t tag) const {
        shards[shardOf(tag)].integerSlots.prefetch(tag);
    }
    [[gnu::always_inline]] void prefetchString(std::uint32_t tag) const {
        shards[shardOf(tag)].stringSlots.prefetch(tag);
    }
    // Once the slot has come, the entry it leads to; a second stage for a batch of strings.
    [[gnu::always_inline]] void prefetchStringEntry(std::uint32_t tag) const {
        const Shard& shard = shards[shardOf(tag)];
        const std::size_t number = shard.stringSlots.numberAt(shard.stringSlots.homeSlot(tag));
        if (number != TaggedSlots::kNone) __builtin_prefetch(&shard.strings[number]);
    }
    // Interning changes only the shard of the tag: calls for different shards may run at once.
    ValueId internInteger(std::int64_t value, std::uint32_t tag);
    ValueId internString(std::string_view value, std::uint32_t tag);

    static bool isInteger(ValueId id) { return id < kFirstString; }
    std::int64_t integerValue(ValueId id) const {
        if (id < kFirstLargeInteger) return std::int64_t{id} - kInlineOffset;
        const ValueId number = id - kFirstLargeInteger;
        return shards[number & shardMask].largeIntegers[number >> shardBits];
    }
    // Valid until the next string is interned.
    std::string_view stringValue(ValueId id) const {
        const ValueId number = id - kFirstString;
        return shards[number & shardMask].stringAt(number >> shardBits);
    }

    // left op right with the value semantics: false between an integer and a string.
    bool compare(ValueId left, Comparison op, ValueId right) const {
        if (op == Comparison::Equal) return left == right;
        const bool isLeftInteger = isInteger(left);
        if (isLeftInteger != isInteger(right)) return false;
        if (isLeftInteger) return comparisonHolds(op, integerValue(left) <=> integerValue(right));
        return comparisonHolds(op, stringValue(left).compare(stringValue(right)) <=> 0);
    }
    // Appends the value's printed form to output.
    template <typename Text>
    void appendText(ValueId id, Text& output) const {
        if (isInteger(id)) {
            appendIntegerText(output, integerValue(id));
        } else {
            appendStringText(output, stringValue(id));
        }
    }

private:
    // The id ranges: inline integers, then interned integers, then strings.
    static constexpr std::int64_t kInlineOffset = std::int64_t{1} << 30;
    static constexpr ValueId kFirstLargeInteger = ValueId{1} << 31;
    static constexpr ValueId kFirstString = kFirstLargeInteger + (ValueId{1} << 30);
    // Each class of interned values has 2^30 ids, shared out evenly between the shards.
    static constexpr std::size_t kMaxInterned = std::size_t{1} << 30;

    ValueId idOf(ValueId first, std::size_t shard, std::size_t number) const {
        return first + static_cast<ValueId>(number << shardBits | shard);
    }

    // A string of up to twelve bytes is held whole in its entry, so that telling whether an
    // entry holds a value needs one memory access; a longer one keeps its first four bytes and
    // where it starts in text.
    struct StringEntry {
        std::uint32_t length;
        char head[12];
    };
    static constexpr std::size_t kShortString = sizeof StringEntry{}.head;
    static constexpr std::size_t kStartOffset = 4;

    // The entry a string would have, with the start of a long one left zero: a short string's
    // entry equals it whole, a long one's in length and first bytes.
    static StringEntry probeOf(std::string_view value) {
        StringEntry probe{static_cast<std::uint32_t>(value.size()), {}};
        const std::size_t copied = value.size() <= kShortString ? value.size() : kStartOffset;
        if (copied != 0) std::memcpy(probe.head, value.data(), copied);
        return probe;
    }

    // The values of one shard, numbered from 0 in each class; aligned so that finding a shard is
    // a shift.
    struct alignas(256) Shard {
        std::string_view stringAt(std::size_t number) const {
            const StringEntry& entry = strings[number];
            if (entry.length <= kShortString) return std::string_view(entry.head, entry.length);
            std::size_t start = 0;
            std::memcpy(&start, entry.head + kStartOffset, sizeof start);
            return std::string_view(text.data() + start, entry.length);
        }
        bool isString(std::size_t number, const StringEntry& probe, std::string_view value) const {
            const StringEntry& entry = strings[number];
            if (probe.length <= kShortString) return std::memcmp(&entry, &probe, sizeof entry) == 0;
            return std::memcmp(&entry, &probe, sizeof entry.length + kStartOffset) == 0 &&
                   stringAt(number) == value;
        }

        GrowingArray<std::int64_t> largeIntegers;  // the interned integers by number
        GrowingArray<StringEntry> strings;         // the interned strings by number
        GrowingArray<char> text;                   // the bytes of the long strings
        TaggedSlots integerSlots;                  // interned integers' numbers by hash
        TaggedSlots stringSlots;                   // strings' numbers by hash
    };

    unsigned shardBits;
    unsigned shardShift;  // 32 - shardBits: one shard takes no bit of the hash
    ValueId shardMask;
    std::size_t mostPerShard;
    std::unique_ptr<Shard[]> shards;
};
