#include "os/clock.h"

namespace kov::os {

namespace {

constexpr char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
constexpr char kDays[] = "SunMonTueWedThuFriSat";

void two_digits(std::string& out, int v) {
    if (v < 0) v = 0;
    out.push_back(static_cast<char>('0' + (v / 10) % 10));
    out.push_back(static_cast<char>('0' + v % 10));
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

}  // namespace

std::string format_time(const host::LocalTime& t) {
    std::string s;
    int dow = t.day_of_week >= 0 && t.day_of_week <= 6 ? t.day_of_week : 0;
    int month = t.month >= 1 && t.month <= 12 ? t.month : 1;
    s.append(kDays + 3 * dow, 3);
    s.push_back('.');
    two_digits(s, t.day);
    s.push_back(' ');
    s.append(kMonths + 3 * (month - 1), 3);
    s.push_back(' ');
    two_digits(s, t.year / 100);
    two_digits(s, t.year % 100);
    s.push_back(',');
    two_digits(s, t.hour);
    s.push_back(':');
    two_digits(s, t.minute);
    s.push_back(':');
    two_digits(s, t.second);
    return s;
}

void parse_time_assignment(std::string_view s, host::LocalTime& t) {
    size_t i = 0;
    auto skip_blanks = [&] { while (i < s.size() && s[i] == ' ') ++i; };
    // A decimal number with the blanks around it (no digits give 0).
    auto number = [&] {
        skip_blanks();
        int v = 0;
        while (i < s.size() && is_digit(s[i])) {
            if (v < 100000) v = v * 10 + (s[i] - '0');
            ++i;
        }
        skip_blanks();
        return v;
    };
    for (;;) {
        while (i < s.size() && !is_digit(s[i])) ++i;
        if (i >= s.size()) return;
        int first = number();
        if (i < s.size() && s[i] == ':') {
            // The time part ends the scan whatever follows.
            ++i;
            t.hour = first;
            int minute = number();
            if (i < s.size() && s[i] == ':') {
                ++i;
                t.minute = minute;
                int second = number();
                if (i >= s.size()) {
                    t.second = second;
                    t.millisecond = 0;
                }
            }
            return;
        }
        t.day = first;
        if (i + 3 > s.size()) return;
        int month = 0;
        for (int m = 0; m < 12 && !month; ++m) {
            const char* name = kMonths + 3 * m;
            if (lower(s[i]) == lower(name[0]) && lower(s[i + 1]) == name[1] && lower(s[i + 2]) == name[2]) month = m + 1;
        }
        if (!month) return;
        t.month = month;
        i += 3;
        t.year = number();
    }
}

}  // namespace kov::os
