#include "vandel/settings.h"

#include "vandel/numbers.h"
#include "vandel/strings.h"

namespace vandel {

namespace {

template <class S>
S ascii(const char* text) {
    return S(text, text + std::char_traits<char>::length(text));
}

const char* const type_names[] = {"str", "int", "float", "bool"};

template <class S>
void type_name_of(int type, S& out) {
    out = type >= 1 && type <= 4 ? ascii<S>(type_names[type - 1]) : S();
}

template <class S>
int type_of(const S& text) {
    for (int t = 1; t <= 4; ++t)
        if (text == ascii<S>(type_names[t - 1])) return t;
    return 0;
}

template <class S>
S line_of(const S& name, const S& text, int type) {
    S line = trim(name, true, true);
    if (line.empty()) return line;
    // The reader takes a type only from what follows the name's first dot: "A.B.str" would come
    // back as a value named "A.B.str". A dotted name keeps its name, as a str value.
    const auto dot = line.find(typename S::value_type('.'));
    if (dot != S::npos && type_of(trim(line.substr(dot + 1), true, true)) == 0) type = settings_absent;
    if (type >= 1 && type <= 4) {
        line += typename S::value_type('.');
        line += ascii<S>(type_names[type - 1]);
    }
    line += typename S::value_type('=');
    line += text;
    return line;
}

template <class S>
int split_line(const S& line, S& name, S& text) {
    name.clear();
    text.clear();
    const auto eq = line.find(typename S::value_type('='));
    if (eq == S::npos) return 0;
    S n = trim(line.substr(0, eq), true, true);
    if (n.empty()) return 0;
    text = trim(line.substr(eq + 1), true, true);
    int type = settings_str;
    const auto dot = n.find(typename S::value_type('.'));
    if (dot != S::npos) {
        const int t = type_of(trim(n.substr(dot + 1), true, true));
        if (t != 0) {
            type = t;
            n = trim(n.substr(0, dot), true, true);
        }
    }
    // ".int=5" names no value either.
    if (n.empty()) {
        text.clear();
        return 0;
    }
    name = n;
    return type;
}

template <class S>
bool bool_of(const S& text, bool def) {
    const S t = to_lower(trim(text, true, true).substr(0, 10));
    if (t == ascii<S>("true") || t == ascii<S>("yes") || t == ascii<S>("1")) return true;
    if (t == ascii<S>("false") || t == ascii<S>("no") || t == ascii<S>("0")) return false;
    int32_t v = 0;
    return parse_int32(t, v, 0) > 0 ? v != 0 : def;
}

template <class S>
int float_of(const S& text, double& out) {
    // parse_double has no "no grouping": an empty group means the locale's, which could eat the
    // very "." it should read. A NUL never stands inside a number's text.
    double point_value = 0, locale_value = 0;
    const int with_point = parse_double(text, point_value, ascii<S>("."), S(1, typename S::value_type(0)));
    const int with_locale = parse_double(text, locale_value, S(), S());
    if (with_locale > with_point && with_locale > 0) {
        out = locale_value;
        return with_locale;
    }
    if (with_point > 0) out = point_value;
    return with_point != 0 ? with_point : with_locale;
}

}  // namespace

void settings_type_name(int type, std::wstring& out) { type_name_of(type, out); }
void settings_type_name(int type, std::string& out) { type_name_of(type, out); }

int parse_settings_type(const std::wstring& text) { return type_of(text); }
int parse_settings_type(const std::string& text) { return type_of(text); }

std::wstring settings_line(const std::wstring& name, const std::wstring& text, int type) {
    return line_of(name, text, type);
}
std::string settings_line(const std::string& name, const std::string& text, int type) {
    return line_of(name, text, type);
}

int split_settings_line(const std::wstring& line, std::wstring& name, std::wstring& text) {
    return split_line(line, name, text);
}
int split_settings_line(const std::string& line, std::string& name, std::string& text) {
    return split_line(line, name, text);
}

bool parse_bool(const std::wstring& text, bool def) { return bool_of(text, def); }
bool parse_bool(const std::string& text, bool def) { return bool_of(text, def); }

template <class S>
S settings_float_text(double value) {
    return format_double(value, 0, 100, ascii<S>("."), S());
}
template std::wstring settings_float_text<std::wstring>(double);
template std::string settings_float_text<std::string>(double);

int parse_settings_float(const std::wstring& text, double& out) { return float_of(text, out); }
int parse_settings_float(const std::string& text, double& out) { return float_of(text, out); }

}  // namespace vandel
