#pragma once

#include <string>
#include <string_view>

// Byte-string helpers shared by every layer. Case folding covers the ASCII letters only;
// other bytes (UTF-8 included) pass through untouched.

std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);  // equal, ignoring ASCII case
bool StartsWithText(std::string_view text, std::string_view prefix);  // ignoring ASCII case
bool Contains(std::string_view text, std::string_view part);          // case-sensitive

// Copy of the text with every a replaced by b.
std::string ReplaceChar(std::string_view text, char a, char b);
std::string ToBackslashes(std::string_view text);
std::string ToForwardSlashes(std::string_view text);
