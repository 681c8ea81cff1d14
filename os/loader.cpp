#include "os/loader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace kov::os {

namespace {

// Unicode characters of the Windows-1252 codes 128-159; 0 marks the five
// codes the code page leaves undefined.
constexpr uint16_t kHigh1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

bool has_extension(const std::string& name) {
    size_t slash = name.find_last_of('/');
    size_t dot = name.find_last_of('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

// Decodes one UTF-8 sequence at `s[i]`; returns its length, 0 when the
// bytes there are not a valid shortest-form sequence.
size_t utf8_sequence(std::string_view s, size_t i, uint32_t& cp) {
    auto b = [&](size_t k) { return static_cast<uint8_t>(s[i + k]); };
    uint8_t c = b(0);
    size_t len;
    uint32_t min;
    if (c < 0x80) { cp = c; return 1; }
    if ((c & 0xE0) == 0xC0) { len = 2; cp = c & 0x1F; min = 0x80; }
    else if ((c & 0xF0) == 0xE0) { len = 3; cp = c & 0x0F; min = 0x800; }
    else if ((c & 0xF8) == 0xF0) { len = 4; cp = c & 0x07; min = 0x10000; }
    else return 0;
    if (i + len > s.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((b(k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

std::string os_error_text(int err) { return err ? std::strerror(err) : "read error"; }

// Reads at most `max_bytes` + 1 bytes from `in`: one more than fits tells
// "too big" without reading the rest of an endless stream.
LoadStatus read_stream(std::istream& in, size_t max_bytes, std::vector<uint8_t>& bytes,
                       const std::string& path, std::string& message) {
    bytes.clear();
    char chunk[65536];
    for (;;) {
        size_t want = std::min(sizeof chunk, max_bytes + 1 - bytes.size());
        errno = 0;
        in.read(chunk, static_cast<std::streamsize>(want));
        std::streamsize got = in.gcount();
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (bytes.size() > max_bytes) {
            message = path + ": too big (more than " + std::to_string(max_bytes) + " bytes)";
            bytes.clear();
            return LoadStatus::TooBig;
        }
        if (in.bad() || (in.fail() && !in.eof())) {
            message = path + ": " + os_error_text(errno);
            bytes.clear();
            return LoadStatus::ReadError;
        }
        if (in.eof()) return LoadStatus::Ok;
    }
}

}  // namespace

int windows1252_from_unicode(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    // The five undefined codes stand for themselves both ways.
    if (cp >= 0x80 && cp < 0xA0 && !kHigh1252[cp - 0x80]) return static_cast<int>(cp);
    for (int k = 0; k < 32; ++k) {
        if (kHigh1252[k] && kHigh1252[k] == cp) return 0x80 + k;
    }
    return -1;
}

uint32_t unicode_from_windows1252(uint8_t c) {
    if (c >= 0x80 && c < 0xA0 && kHigh1252[c - 0x80]) return kHigh1252[c - 0x80];
    return c;
}

void append_utf8(std::string& out, uint8_t c) {
    uint32_t cp = unicode_from_windows1252(c);
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

bool looks_like_text(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) {
        if (b < 32 && b != '\t' && b != '\r' && b != '\n') return false;
    }
    return true;
}

bool prepare_text(std::string& text, std::string_view file_name, std::string& error) {
    if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    if (text.size() >= 2 && text[0] == '#' && text[1] == '!') {
        size_t end = text.find_first_of("\r\n");
        text.erase(0, end == std::string::npos ? text.size() : end);
    }
    // Valid UTF-8 throughout? Only then is it converted.
    bool non_ascii = false;
    for (size_t i = 0; i < text.size();) {
        uint32_t cp;
        size_t n = utf8_sequence(text, i, cp);
        if (n == 0) return true;   // not UTF-8: the bytes are Windows-1252 already
        if (n > 1) non_ascii = true;
        i += n;
    }
    if (!non_ascii) return true;
    std::string out;
    out.reserve(text.size());
    size_t line = 1;
    for (size_t i = 0; i < text.size();) {
        uint32_t cp;
        size_t n = utf8_sequence(text, i, cp);
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) ++line;
        int code = windows1252_from_unicode(cp);
        if (code < 0) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(cp));
            error = std::string(file_name) + ":" + std::to_string(line) + ": character " + hex +
                    " has no Windows-1252 code";
            return false;
        }
        out.push_back(static_cast<char>(code));
        i += n;
    }
    text = std::move(out);
    return true;
}

std::vector<std::string> candidate_names(const std::string& name) {
    if (name == "-" || name.empty() || has_extension(name)) return {name};
    return {name + ".kov", name + ".KOV", name + ".bas", name};
}

LoadStatus read_bounded(const std::string& path, size_t max_bytes, std::vector<uint8_t>& bytes,
                        std::string& message) {
    if (path == "-") {
        std::cin.clear();
        return read_stream(std::cin, max_bytes, bytes, "<stdin>", message);
    }
    std::error_code ec;
    auto st = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(st)) {
        message = path + ": " + os_error_text(ec ? ec.value() : ENOENT);
        return LoadStatus::NotFound;
    }
    if (std::filesystem::is_directory(st)) {
        message = path + ": is a directory";
        return LoadStatus::IsDirectory;
    }
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        message = path + ": " + os_error_text(errno);
        return LoadStatus::NotFound;
    }
    return read_stream(f, max_bytes, bytes, path, message);
}

LoadedProgram load_program(const LoadRequest& request, const Tokeniser& tokenise) {
    LoadedProgram result;
    std::string name = request.name;
    if (request.separators == Separators::AlsoBackslash) std::replace(name.begin(), name.end(), '\\', '/');
    // Text is read up to twice the image room: comments and blanks
    // shrink when tokenised, and the image is checked again afterwards.
    size_t read_limit = request.max_image_bytes > (SIZE_MAX / 4) ? SIZE_MAX / 4 : request.max_image_bytes * 2;
    std::vector<std::string> names = candidate_names(name);
    std::vector<uint8_t> bytes;
    std::string message;
    LoadStatus status = LoadStatus::NotFound;
    for (const std::string& candidate : names) {
        status = read_bounded(candidate, read_limit, bytes, message);
        if (status == LoadStatus::NotFound) continue;
        result.path = candidate;
        break;
    }
    if (status == LoadStatus::NotFound) {
        result.status = status;
        if (names.size() == 1) {
            result.message = message;
        } else {
            result.message = "cannot open " + name + " (tried";
            for (size_t k = 0; k < names.size(); ++k) result.message += (k ? ", " : " ") + names[k];
            result.message += ")";
        }
        return result;
    }
    result.status = status;
    if (status != LoadStatus::Ok) {
        result.message = message;
        return result;
    }
    const std::string shown = result.path == "-" ? "<stdin>" : result.path;
    if (looks_like_text(bytes)) {
        std::string text(bytes.begin(), bytes.end());
        std::vector<uint8_t>().swap(bytes);
        std::string error;
        if (!prepare_text(text, shown, error)) {
            result.status = LoadStatus::BadText;
            result.message = error;
            return result;
        }
        Tokenised t = tokenise(text, shown);
        if (!t.error.empty()) {
            result.status = LoadStatus::BadText;
            result.message = t.error;
            return result;
        }
        result.text = true;
        result.image = std::move(t.image);
        result.text_lines = std::move(t.text_lines);
    } else {
        result.image = std::move(bytes);
    }
    if (result.image.size() > request.max_image_bytes) {
        result.status = LoadStatus::TooBig;
        result.message = shown + ": too big: " + std::to_string(result.image.size()) + " bytes (at most " +
                         std::to_string(request.max_image_bytes) + ")";
        result.image.clear();
        result.text_lines.clear();
        return result;
    }
    result.status = LoadStatus::Ok;
    return result;
}

}  // namespace kov::os
