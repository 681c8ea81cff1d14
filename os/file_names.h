// File names as programs write them: "|" escapes, the default extension,
// "\" as a separator, drive letters, and the lookup that finds an
// existing file whose extension differs only in case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kov::os {

// What follows a name in the text it is taken from.
enum class NameEnd : uint8_t {
    String,    // a string argument: the whole string (up to a CR)
    Word,      // a star-command argument: up to a blank (or the closing quote)
    Line,      // a star-command argument taking the rest of the line
};

struct FileName {
    std::string text;        // the name as parsed, extension added
    bool empty = true;       // nothing at all was given
    bool leaf_empty = true;  // nothing after the last separator
    bool has_dot = false;    // a "." after the last separator
    char drive = 0;          // the letter before a ":", 0 for none
    size_t consumed = 0;     // characters of the input taken
};

// Translates the "|" escape starting at s[i] (s[i] is the "|"), appending
// the character it stands for; returns the index after it.
size_t translate_escape(std::string_view s, size_t i, std::string& out);

// Parses a name: "|" escapes translated, the facts tracked, and
// `default_ext` (for example ".KOV"; empty for none) appended when the
// name is not empty and has no "." after its last separator. A name of
// 256 characters or more, or one too long for its extension, raises
// 204 "Bad name"; an unterminated quoted word 253 "Bad string".
FileName parse_file_name(std::string_view text, NameEnd end, std::string_view default_ext);

// Appends `ext` under the default-extension rule (204 "Bad name" when the
// name is 252 characters or longer).
void add_default_extension(FileName& name, std::string_view ext);

// The platform path for a name: "\" becomes "/", a leading drive ("C:")
// is dropped (there is one tree of directories), and dots ending the
// name go ("DATA." names the file DATA).
std::string host_path(std::string_view name);

// An existing file for `path`: the path itself when it exists, else an
// entry of its directory whose name differs only in the case of its
// extension (DATA.KOV finds DATA.kov), else `path` unchanged.
std::string resolve_existing(const std::string& path);

}  // namespace kov::os
