#include "os/file_names.h"

#include <algorithm>
#include <vector>

#include "host/filesystem.h"
#include "os/file_errors.h"

namespace kov::os {

namespace {

constexpr size_t kMaxName = 255;

bool is_separator(char c) { return c == '\\' || c == '/'; }

uint8_t lower(uint8_t c) { return c >= 'A' && c <= 'Z' ? static_cast<uint8_t>(c + 32) : c; }

bool same_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(static_cast<uint8_t>(a[i])) != lower(static_cast<uint8_t>(b[i]))) return false;
    return true;
}

}  // namespace

size_t translate_escape(std::string_view s, size_t i, std::string& out) {
    ++i;   // the "|"
    if (i >= s.size()) return i;
    uint8_t c = static_cast<uint8_t>(s[i]);
    if (c == '!') {
        // Bit 7 set on the (possibly escaped) character that follows.
        std::string next;
        size_t after = i + 1;
        if (after < s.size()) {
            if (s[after] == '|') {
                after = translate_escape(s, after, next);
            } else {
                next.push_back(s[after]);
                ++after;
            }
        }
        for (char n : next) out.push_back(static_cast<char>(static_cast<uint8_t>(n) | 0x80));
        return after;
    }
    if (c >= '@' && c <= '_') out.push_back(static_cast<char>(c - 64));
    else if (c == '?') out.push_back(127);
    else out.push_back(static_cast<char>(c));
    return i + 1;
}

void add_default_extension(FileName& name, std::string_view ext) {
    if (ext.empty() || name.empty || name.has_dot) return;
    if (name.text.size() >= kMaxName + 1 - 4) raise(FileErr::BadName);
    name.text += ext;
    name.has_dot = true;
    name.leaf_empty = false;
}

FileName parse_file_name(std::string_view text, NameEnd end, std::string_view default_ext) {
    FileName name;
    size_t i = 0;
    if (end != NameEnd::String)
        while (i < text.size() && text[i] == ' ') ++i;
    bool quoted = end == NameEnd::Word && i < text.size() && text[i] == '"';
    if (quoted) ++i;
    bool closed = false;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\r' || (end == NameEnd::String && c == 0)) break;
        if (quoted && c == '"') {
            closed = true;
            ++i;
            break;
        }
        if (!quoted && end == NameEnd::Word && c == ' ') break;
        std::string piece;
        if (c == '|') {
            i = translate_escape(text, i, piece);
        } else {
            piece.push_back(c);
            ++i;
        }
        for (char t : piece) {
            if (name.text.size() >= kMaxName) raise(FileErr::BadName);
            name.text.push_back(t);
            name.empty = false;
            if (is_separator(t)) {
                name.leaf_empty = true;
                name.has_dot = false;
            } else if (t == ':') {
                // A drive (or a device such as COM1:) restarts the tracking.
                name.drive = name.text.size() >= 2 ? name.text[name.text.size() - 2] : 0;
                name.empty = true;
                name.leaf_empty = true;
                name.has_dot = false;
            } else {
                name.leaf_empty = false;
                if (t == '.') name.has_dot = true;
            }
        }
    }
    if (quoted && !closed) raise(FileErr::BadString);
    name.consumed = i;
    add_default_extension(name, default_ext);
    return name;
}

std::string host_path(std::string_view name) {
    std::string path(name);
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')))
        path.erase(0, 2);
    std::replace(path.begin(), path.end(), '\\', '/');
    // A final "." only keeps the default extension away ("DATA." is the
    // file DATA); "." and ".." stay directories.
    size_t leaf = path.find_last_of('/') + 1;
    std::string_view last(path.data() + leaf, path.size() - leaf);
    if (last != "." && last != "..")
        while (path.size() > leaf + 1 && path.back() == '.') path.pop_back();
    return path;
}

std::string resolve_existing(const std::string& path) {
    if (path.empty() || host::path_exists(path)) return path;
    size_t slash = path.find_last_of('/');
    std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
    std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = leaf.find_last_of('.');
    if (dot == std::string::npos || dot == 0) return path;
    std::string_view stem(leaf.data(), dot + 1);
    std::string_view ext(leaf.data() + dot + 1, leaf.size() - dot - 1);
    std::vector<host::DirEntry> entries;
    if (host::list_directory(dir, entries) != 0) return path;
    std::vector<std::string> matches;
    for (const host::DirEntry& e : entries) {
        if (e.directory || e.name.size() != leaf.size()) continue;
        std::string_view n(e.name);
        if (n.substr(0, stem.size()) == stem && same_ignoring_case(n.substr(stem.size()), ext))
            matches.push_back(e.name);
    }
    if (matches.empty()) return path;
    std::sort(matches.begin(), matches.end());
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + matches.front();
}

}  // namespace kov::os
