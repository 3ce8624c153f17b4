#pragma once

#include <string>
#include <string_view>
#include <vector>

// The header line of a printed relation: name(col1,col2,...) and a line end. A trailing comma
// left by an empty last column name is dropped once, so no columns and one unnamed column
// both print as name().
void appendRelationHeader(std::string& text, std::string_view name,
                          const std::vector<std::string_view>& columnNames);
