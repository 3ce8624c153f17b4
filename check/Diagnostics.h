#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// A place in the input: its line and the byte of that line, both counted from 1.
struct InputPlace {
    std::size_t line;
    std::size_t column;
};

// What the checker found: each finding with the notes that explain it, written in input order
// in the form editors and build tools read.
class Diagnostics {
public:
    // Adds a finding; notes added next belong to it.
    void warn(InputPlace place, std::string text);
    void note(InputPlace place, std::string text);

    std::size_t count() const { return findings.size(); }
    // Every finding, ordered by place (findings at one place in the order found), each followed
    // by its notes; written to out, or as text.
    void write(std::FILE* out, std::string_view inputName);
    std::string text(std::string_view inputName);

private:
    // Gathers the text, handing it to out (when given) in large pieces.
    void write(std::FILE* out, std::string_view inputName, std::string& text);

    struct Note {
        InputPlace place;
        std::string text;
    };
    struct Finding {
        InputPlace place;
        std::string text;
        std::vector<Note> notes;
    };
    std::vector<Finding> findings;
};

// Code or input text as a diagnostic shows it: between backquotes.
std::string quoted(std::string_view text);

// A number and a noun that agrees with it: "1 column", "2 columns".
std::string counted(std::size_t number, std::string_view noun);

// The one form of a diagnostic line: "FILE:LINE:COLUMN: KIND: TEXT" and a line end.
std::string formatDiagnostic(std::string_view file, InputPlace place, std::string_view kind,
                             std::string_view text);
