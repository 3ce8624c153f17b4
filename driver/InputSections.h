#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

// Splits an input into its parts as the lines come: the rule lines up to the first empty line,
// then blocks of a header line and row lines, each block ended by an empty line. Every line is
// accepted. nextLine() gives the lines in turn (nothing at the end). The handler gets
// ruleLine, header and row for each line with its number, counted from 1, each valid only
// during the call, and echoLine (a line and its line end) and echo with the pieces of the echo
// that starts the output.
template <typename NextLine, typename Handler>
void readSections(NextLine&& nextLine, Handler& handler) {
    std::size_t number = 0;
    auto take = [&]() -> std::optional<std::string_view> {
        std::optional<std::string_view> line = nextLine();
        if (line) ++number;
        return line;
    };
    std::optional<std::string_view> line;
    while ((line = take()) && !line->empty()) {
        handler.echoLine(*line);
        handler.ruleLine(*line, number);
    }
    // The empty line that ends the rules is not echoed. Any line after an empty line is a
    // header, even another empty line.
    while (line && (line = take())) {
        handler.echo("\n");
        handler.echoLine(*line);
        handler.header(*line, number);
        while ((line = take()) && !line->empty()) {
            handler.echoLine(*line);
            handler.row(*line, number);
        }
    }
    handler.echo("\n");
}
