#include "check/Diagnostics.h"

#include <algorithm>
#include <utility>

void Diagnostics::warn(InputPlace place, std::string text) {
    findings.push_back({place, std::move(text), {}});
}

void Diagnostics::note(InputPlace place, std::string text) {
    findings.back().notes.push_back({place, std::move(text)});
}

std::string Diagnostics::text(std::string_view inputName) {
    std::string text;
    write(nullptr, inputName, text);
    return text;
}

void Diagnostics::write(std::FILE* out, std::string_view inputName) {
    std::string text;
    write(out, inputName, text);
}

void Diagnostics::write(std::FILE* out, std::string_view inputName, std::string& text) {
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        return a.place.line != b.place.line ? a.place.line < b.place.line
                                            : a.place.column < b.place.column;
    });
    for (const Finding& finding : findings) {
        text += formatDiagnostic(inputName, finding.place, "warning", finding.text);
        for (const Note& note : finding.notes) {
            text += formatDiagnostic(inputName, note.place, "note", note.text);
        }
        if (out != nullptr && text.size() > (std::size_t{1} << 16)) {
            std::fwrite(text.data(), 1, text.size(), out);
            text.clear();
        }
    }
    if (out != nullptr) std::fwrite(text.data(), 1, text.size(), out);
}

std::string formatDiagnostic(std::string_view file, InputPlace place, std::string_view kind,
                             std::string_view text) {
    std::string line(file);
    line += ':';
    line += std::to_string(place.line);
    line += ':';
    line += std::to_string(place.column);
    line += ": ";
    line += kind;
    line += ": ";
    line += text;
    line += '\n';
    return line;
}

std::string quoted(std::string_view text) {
    std::string shown;
    shown.reserve(text.size() + 2);
    shown += '`';
    shown.append(text);
    shown += '`';
    return shown;
}

std::string counted(std::size_t number, std::string_view noun) {
    std::string text = std::to_string(number);
    text += ' ';
    text.append(noun);
    if (number != 1) text += 's';
    return text;
}
