#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "data/RelationLoader.h"
#include "data/StoredRelation.h"
#include "data/ValuePool.h"
#include "driver/InputLines.h"
#include "driver/InputSections.h"
#include "driver/OutputChunks.h"
#include "driver/RuleListBuilder.h"
#include "rules/Rule.h"

// A program as read: its rules in order of first appearance and its stored relations (the
// edb) in input order.
struct Program {
    std::vector<std::pair<std::string, Rule>> rules;
    std::vector<StoredRelation> edb;
};

// Reads a program as its lines stream past: rule lines into rules, each row straight into its
// relation's table with its values in the pool, and the echo out in chunks. No copy of the
// input text is kept. Once read, stored relations give back the hash sets that found their
// rows.
class ProgramReader {
public:
    ProgramReader(ValuePool& pool, OutputChunks& echo);
    // Loads rows in blocks on threads that must outlive the reader (see RelationLoader).
    ProgramReader(ValuePool& pool, OutputChunks& echo, const RelationLoader::Threads& threads);

    // Nothing when the input could not be read to its end.
    std::optional<Program> read(InputLines& input) {
        NoOtherReader none;
        return read(input, none);
    }
    // The same, handing the lines to a checker (a handler of readSections) as well: every line
    // but the rows read as written, which no row check would find fault with.
    template <typename Other>
    std::optional<Program> read(InputLines& input, Other& other) {
        Both<Other> both{*this, other};
        // Rows loaded in blocks are told to be read as written at once; the others reach the
        // other handler when their block is loaded, before the next header.
        if constexpr (!std::is_same_v<Other, NoOtherReader>) {
            rowNotAsWritten = [&other](std::string_view line, std::size_t number) {
                other.row(line, number);
            };
        }
        readSections([&input] { return input.next(); }, both);
        std::optional<Program> program = finish(input);
        rowNotAsWritten = nullptr;
        return program;
    }

    // The steps of reading, in the order the lines give them.
    void echo(std::string_view text) { echoed.append(text); }
    void echoLine(std::string_view line) { echoed.appendLine(line); }
    void ruleLine(std::string_view line, std::size_t number) { rules.addLine(line, number); }
    void header(std::string_view line, std::size_t number);
    // Whether the row line is read as written (see RelationLoader::addLine).
    bool row(std::string_view line, std::size_t) { return rows->addLine(line); }

private:
    struct NoOtherReader {
        void echo(std::string_view) {}
        void echoLine(std::string_view) {}
        void ruleLine(std::string_view, std::size_t) {}
        void header(std::string_view, std::size_t) {}
        void row(std::string_view, std::size_t) {}
    };
    template <typename Other>
    struct Both {
        ProgramReader& reader;
        Other& other;
        void echo(std::string_view text) { reader.echo(text); }
        void echoLine(std::string_view line) { reader.echoLine(line); }
        void ruleLine(std::string_view line, std::size_t number) {
            reader.ruleLine(line, number);
            other.ruleLine(line, number);
        }
        void header(std::string_view line, std::size_t number) {
            reader.header(line, number);
            other.header(line, number);
        }
        // A row read as written is one the other handler's checks pass: it is not shown them.
        void row(std::string_view line, std::size_t number) {
            if (!reader.row(line, number)) other.row(line, number);
        }
    };

    std::optional<Program> finish(InputLines& input);
    void finishRows();

    ValuePool& pool;
    OutputChunks& echoed;
    const RelationLoader::Threads* blockThreads = nullptr;
    // Takes a row line not read as written and its number, from a loader that reads blocks.
    std::function<void(std::string_view, std::size_t)> rowNotAsWritten;
    RuleListBuilder rules;
    std::vector<StoredRelation> edb;
    std::optional<RelationLoader> rows;
};
