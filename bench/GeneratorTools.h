#pragma once

// What the workload writers share: buffered output to stdout and random numbers whose sequence
// is the same on every machine.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <unordered_set>

// Collects text and writes it to standard output in large pieces.
class Output {
public:
    Output() { buffer.reserve(kFlushAt + 4096); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    ~Output() { flush(); }

    Output& operator<<(std::string_view text) {
        buffer.append(text);
        if (buffer.size() >= kFlushAt) flush();
        return *this;
    }
    Output& operator<<(std::int64_t number) {
        return *this << std::string_view(std::to_string(number));
    }
    Output& operator<<(char c) { return *this << std::string_view(&c, 1); }

    void flush() {
        if (!buffer.empty() &&
            std::fwrite(buffer.data(), 1, buffer.size(), stdout) != buffer.size()) {
            std::exit(1);
        }
        buffer.clear();
    }

private:
    static constexpr std::size_t kFlushAt = 1 << 20;
    std::string buffer;
};

class Random {
public:
    explicit Random(std::uint64_t seed) : engine(seed) {}

    // Uniform in [0, bound): draws below 2^64 mod bound are rejected, so every residue is equally
    // likely.
    std::int64_t below(std::int64_t bound) {
        const auto range = static_cast<std::uint64_t>(bound);
        const std::uint64_t rejectBelow = (0 - range) % range;
        std::uint64_t draw = engine();
        while (draw < rejectBelow) draw = engine();
        return static_cast<std::int64_t>(draw % range);
    }
    bool percent(std::int64_t chance) { return below(100) < chance; }

private:
    std::mt19937_64 engine;
};

// A set of directed pairs of node numbers below 2^31.
class PairSet {
public:
    bool insert(std::int64_t from, std::int64_t to) {
        return pairs.insert(static_cast<std::uint64_t>(from) << 32 | static_cast<std::uint64_t>(to))
            .second;
    }

private:
    std::unordered_set<std::uint64_t> pairs;
};
