#include "console/argv_parser.h"

#include "vandel/strings.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace vandel {

namespace {

template <class S>
S lit(const char* text) {
    return S(text, text + std::strlen(text));
}

template <class S>
S trimmed(const S& text) {
    return trim(text, true, true);
}

template <class S>
bool same_ignoring_case(const S& a, const S& b) {
    return a.size() == b.size() && to_lower(a) == to_lower(b);
}

bool is_digit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// Rank of a character's class: punctuation, digits, lower case, upper case, then non-ASCII.
int char_class(wchar_t c) {
    if (static_cast<uint32_t>(c) >= 0x80) return 4;
    if (is_digit(c)) return 1;
    if (c >= L'a' && c <= L'z') return 2;
    if (c >= L'A' && c <= L'Z') return 3;
    return 0;
}

wchar_t fold(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 0x20) : c;
}

int compare_pass(const std::wstring& a, const std::wstring& b, bool fold_case, bool numbers, bool length_tiebreak) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (numbers && is_digit(a[i]) && is_digit(b[j])) {
            // Digit runs compare by value; a double holds any run without overflow.
            double x = 0, y = 0;
            for (; i < a.size() && is_digit(a[i]); ++i) x = x * 10 + (a[i] - L'0');
            for (; j < b.size() && is_digit(b[j]); ++j) y = y * 10 + (b[j] - L'0');
            if (x != y) return x < y ? -1 : 1;
            continue;
        }
        wchar_t x = a[i], y = b[j];
        if (fold_case) {
            x = fold(x);
            y = fold(y);
        }
        if (x != y) {
            const int cx = char_class(x), cy = char_class(y);
            if (cx != cy) return cx < cy ? -1 : 1;
            return x < y ? -1 : 1;
        }
        ++i;
        ++j;
    }
    if (length_tiebreak) {
        const size_t left_a = a.size() - i, left_b = b.size() - j;
        if (left_a != left_b) return left_a < left_b ? -1 : 1;
    }
    return 0;
}

}  // namespace

int natural_compare(const std::wstring& a, const std::wstring& b, int mode, bool length_tiebreak) {
    if (mode != 3) return compare_pass(a, b, mode == 2, false, length_tiebreak);
    if (const int r = compare_pass(a, b, true, true, false)) return r;
    if (a == b) return 0;
    return compare_pass(a, b, false, false, length_tiebreak);
}

template <class S>
argv_parser<S>::argv_parser() {
    reset();
    windows_style_ = true;
}

template <class S>
argv_parser<S>::~argv_parser() = default;

template <class S>
void argv_parser<S>::reset() {
    user_pointer_ = nullptr;
    definition_error_ = false;
    tokens_.clear();
    for (auto& entry : definitions_) {
        entry.second.given = false;
        entry.second.value.clear();
    }
    free_arguments_.clear();
    groups_.clear();
    errors_.clear();
}

template <class S>
bool argv_parser<S>::add_option_by_name(int id, const S& name, int kind) {
    return add_option(id, name, S(), kind, S());
}

template <class S>
bool argv_parser<S>::add_flag_option(int id, const S& short_name, const S& long_name, const S& description) {
    return add_option(id, short_name, long_name, 1, description);
}

template <class S>
bool argv_parser<S>::add_option(int id, const S& first, const S& second, int kind, const S& description) {
    auto refuse = [this] {
        definition_error_ = true;
        return false;
    };
    if (id == INT_MAX || kind == 0) return refuse();

    // A bare name is short when it is one character long; an empty name takes the other class.
    auto by_length = [](const S& n) { return trimmed(n).size() == 1 ? token_short : token_long; };
    S name1, name2;
    int class1 = classify_token(first, by_length(first), name1);
    int class2 = classify_token(second, by_length(second), name2);
    if (name1.empty() && !name2.empty()) class1 = class2 == token_short ? token_long : token_short;
    if (name2.empty() && !name1.empty()) class2 = class1 == token_short ? token_long : token_short;
    if (name1 == name2 || class1 == class2) return refuse();
    S short_name = class1 == token_short ? name1 : name2;
    S long_name = class1 == token_short ? name2 : name1;
    const S blank(1, ' ');
    if (short_name.find(blank) != S::npos || long_name.find(blank) != S::npos) return refuse();
    if (short_name.size() > 1 || long_name.size() == 1) return refuse();

    option_definition<S> d;
    d.kind = kind;
    d.short_name = short_name;
    d.long_name = long_name;
    d.description = trimmed(description);
    const S bar = lit<S>(">|");
    const size_t end = d.description.find(bar);
    if (!d.description.empty() && d.description[0] == '<' && end != S::npos) {
        d.placeholder = d.description.substr(1, end - 1);
        d.description = d.description.substr(end + bar.size());
    }

    for (const auto& entry : definitions_) {
        if (entry.first == id) continue;
        const auto& other = entry.second;
        if (!short_name.empty() && other.short_name == short_name) return refuse();
        if (!long_name.empty() && same_ignoring_case(other.long_name, long_name)) return refuse();
    }
    definitions_[id] = d;
    parse_arguments();
    return true;
}

template <class S>
void argv_parser<S>::add_exclusive_ids(bool required, int id1, int id2, int id3, int id4, int id5, int id6,
                                       int id7, int id8) {
    std::vector<int> ids;
    for (int id : {id1, id2, id3, id4, id5, id6, id7, id8}) {
        if (id == INT_MAX) break;
        ids.push_back(id);
    }
    add_exclusive_group(required, ids);
}

template <class S>
void argv_parser<S>::add_exclusive_group(bool required, const std::vector<int>& ids) {
    if (ids.empty()) return;
    exclusive_group g;
    g.required = required;
    g.ids = ids;
    groups_.push_back(g);
}

template <class S>
bool argv_parser<S>::error_code() const {
    return definition_error_;
}

template <class S>
S argv_parser<S>::option_name(int id, bool long_form) const {
    const auto it = definitions_.find(id);
    if (it == definitions_.end()) return S();
    const S long_name = display_name(it->second.long_name, false);
    const S short_name = display_name(it->second.short_name, true);
    if (long_form) return long_name.empty() ? short_name : long_name;
    return short_name.empty() ? long_name : short_name;
}

template <class S>
int argv_parser<S>::join_arguments(const std::vector<S>& arguments, size_t first) {
    tokens_.clear();
    free_arguments_.clear();

    std::vector<S> collected;
    bool pending = false;
    S joining;
    for (size_t i = first; i < arguments.size(); ++i) {
        const S text = trimmed(arguments[i]);
        if (text.empty()) continue;
        if (text.size() == 1 && (text[0] == '=' || text[0] == ':')) {
            if (!pending) {
                pending = true;
                joining = value_separator();
            }
            continue;
        }
        const bool option = is_option_token(text);
        if (!pending && text.size() > 1 && (text[0] == '=' || text[0] == ':')) {
            pending = true;
            joining.clear();
        }
        // Without "/" options a free argument is a path: it joins nothing and nothing joins it.
        const bool may_join = slash_options_ || (!collected.empty() && is_option_token(collected.back()));
        if (pending && !collected.empty() && !option && may_join) {
            collected.back() += joining + text;
            pending = false;
            joining.clear();
            continue;
        }
        collected.push_back(slash_options_ || option ? text : arguments[i]);
        const size_t at = separator_position(text);
        pending = at != S::npos && at + 1 == text.size() && (slash_options_ || option);
        joining.clear();
    }

    for (const S& t : collected) {
        if (!is_option_token(t)) {
            free_arguments_.push_back(t);
            continue;
        }
        S name;
        option_token<S> token;
        token.short_form = classify_token(t, token_plain, name) == token_short;
        const size_t at = separator_position(name);
        if (at != S::npos && at > 0) {
            token.value = trimmed(name.substr(at + 1));
            name = name.substr(0, at);
        }
        token.name = trimmed(name);
        if (!token.name.empty()) tokens_.push_back(token);
    }
    return parse_arguments();
}

template <class S>
int argv_parser<S>::parse(int count, const typename S::value_type* const* arguments, int first) {
    std::vector<S> list;
    for (int i = 0; arguments && i < count; ++i)
        if (arguments[i]) list.emplace_back(arguments[i]);
    return join_arguments(list, first < 0 ? 0 : static_cast<size_t>(first));
}

template <class S>
void* argv_parser<S>::user_pointer() const {
    return user_pointer_;
}

template <class S>
bool argv_parser<S>::is_set(int id) const {
    const auto it = definitions_.find(id);
    return it != definitions_.end() && it->second.given;
}

template <class S>
bool argv_parser<S>::value(int id, S& out) const {
    const auto it = definitions_.find(id);
    if (it == definitions_.end()) return false;
    out = it->second.value;
    return it->second.given;
}

template <class S>
bool argv_parser<S>::option_description(int id, option_definition<S>& out) const {
    const auto it = definitions_.find(id);
    if (it == definitions_.end()) {
        out = option_definition<S>();
        return false;
    }
    out = it->second;
    out.short_name = display_name(out.short_name, true);
    out.long_name = display_name(out.long_name, false);
    return out.given;
}

template <class S>
const std::vector<S>& argv_parser<S>::free_arguments() const {
    return free_arguments_;
}

template <class S>
S argv_parser<S>::command_line(bool short_preferred) const {
    std::vector<S> items;
    for (const auto& entry : definitions_) {
        const auto& d = entry.second;
        if (!d.given) continue;
        const bool use_short = d.long_name.empty() || (short_preferred && !d.short_name.empty());
        S item = use_short ? display_name(d.short_name, true) : display_name(d.long_name, false);
        if (d.kind == 2) item += value_separator() + d.value;
        items.push_back(item);
    }
    items.insert(items.end(), free_arguments_.begin(), free_arguments_.end());
    S line;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i) line += ' ';
        line += items[i];
    }
    return line;
}

template <class S>
const std::vector<parse_error<S>>& argv_parser<S>::errors() const {
    return errors_;
}

template <class S>
S argv_parser<S>::format_error(const parse_error<S>& error) const {
    const S text = option_error_text(error.type);
    if (error.name.empty()) return text;
    return replace_all(text, lit<S>("%name"), error.name, 0);
}

template <class S>
S argv_parser<S>::option_error_text(int type) const {
    switch (type) {
    case 0: return lit<S>("Unknown option \"%name\".");
    case 1: return lit<S>("Option \"%name\" used more than once");
    case 2: return lit<S>("Ambiguous input. Did you mean \"%name\"?");
    case 3: return lit<S>("The option \"%name\" was used with a previous mutually exclusive value.");
    case 4: return lit<S>("A value is required for option \"%name\".");
    case 5: return lit<S>("Invalid input. Expected input options were absent.");
    case 6: return lit<S>("Unexpected value following option \"%name\".");
    default: return S();
    }
}

template <class S>
S argv_parser<S>::usage_text(const S& header, const usage_layout& layout) const {
    const S br = lit<S>("{!br!}"), sp = lit<S>("{!sp!}");
    S out = trimmed(header);
    if (!out.empty()) out += lit<S>("\n\n");

    const size_t indent = layout.indent > 0 ? static_cast<size_t>(layout.indent) : 0;
    size_t column = 0;
    std::vector<S> lines;
    for (const auto& entry : definitions_) {
        const auto& d = entry.second;
        if (d.description == lit<S>("!")) continue;
        S line(indent, ' ');
        const S short_shown = display_name(d.short_name, true), long_shown = display_name(d.long_name, false);
        line += short_shown;
        if (!short_shown.empty() && !long_shown.empty()) line += lit<S>(", ");
        line += long_shown;
        // POSIX help writes a value the way it is typed: --name=VALUE.
        if (d.kind == 2 && !d.placeholder.empty())
            line += windows_style_ ? lit<S>(" ") + value_separator() + lit<S>(" <") + d.placeholder + lit<S>(">")
                                   : value_separator() + d.placeholder;
        line += ' ';
        if (!d.description.empty()) {
            if (layout.dotted) line += lit<S>("... ");
            column = std::max(column, line.size());
            line += br + d.description;
        }
        if (layout.sorted) line = d.short_name + d.long_name + sp + line;
        lines.push_back(line);
    }
    column = std::min(column, indent + static_cast<size_t>(layout.width > 0 ? layout.width : 0));

    if (layout.sorted) {
        std::stable_sort(lines.begin(), lines.end(),
                         [](const S& a, const S& b) { return natural_compare(a, b, 3, true) < 0; });
        for (S& line : lines) line.erase(0, line.find(sp) + sp.size());
    }
    for (S& line : lines) {
        const size_t at = line.find(br);
        if (at != S::npos) {
            S head = line.substr(0, at);
            // No blanks before a line break in POSIX help.
            if (at > column && !windows_style_) head = trim(head, false, true);
            const S gap = at <= column ? S(column - at, ' ') : S(1, '\n') + S(column, ' ');
            line = head + gap + line.substr(at + br.size());
        } else if (!windows_style_) {
            line = trim(line, false, true);
        }
        out += line + S(1, '\n');
    }
    return out;
}

template <class S>
int argv_parser<S>::classify_token(const S& text, int default_class, S& name) const {
    const S t = trimmed(text);
    if (t.size() >= 2 && t[0] == '-' && t[1] == '-') {
        name = t.substr(2);
        return token_long;
    }
    if (!t.empty() && t[0] == '-') {
        name = t.substr(1);
        return token_short;
    }
    if (slash_options_ && !t.empty() && t[0] == '/') {
        name = t.substr(1);
        const bool one_letter = name.size() <= 1 || name[1] == ':' || name[1] == '=' || name[1] == ' ';
        return one_letter ? token_short : token_long;
    }
    name = t;
    return default_class;
}

template <class S>
bool argv_parser<S>::is_option_token(const S& text) const {
    const S t = trimmed(text);
    return !t.empty() && (t[0] == '-' || (slash_options_ && t[0] == '/'));
}

template <class S>
size_t argv_parser<S>::separator_position(const S& text) {
    const size_t equals = text.find('='), colon = text.find(':');
    return std::min(equals, colon);
}

template <class S>
S argv_parser<S>::value_separator() const {
    return S(1, windows_style_ ? ':' : '=');
}

template <class S>
S argv_parser<S>::display_name(const S& name, bool short_form) const {
    if (name.empty() || name[0] == '-' || name[0] == '/') return name;
    if (windows_style_) return S(1, '/') + name;
    return (short_form ? lit<S>("-") : lit<S>("--")) + name;
}

template <class S>
void argv_parser<S>::add_error(int type, const S& name) {
    parse_error<S> e;
    e.name = name;
    e.type = type;
    errors_.push_back(e);
}

template <class S>
void argv_parser<S>::apply_match(int id, option_definition<S>& d, const option_token<S>& token, const S& shown) {
    if (d.given) {
        add_error(1, shown);
        return;
    }
    if (d.kind == 2 && token.value.empty()) {
        add_error(4, shown);
        d.given = true;
    } else if (d.kind != 2 && !token.value.empty()) {
        add_error(6, shown);
        return;
    } else {
        d.given = true;
        d.value = token.value;
    }
    for (auto& g : groups_)
        if (std::find(g.ids.begin(), g.ids.end(), id) != g.ids.end() && ++g.uses == 2) add_error(3, shown);
}

template <class S>
int argv_parser<S>::parse_arguments() {
    errors_.clear();
    for (auto& entry : definitions_) {
        entry.second.given = false;
        entry.second.value.clear();
    }
    for (auto& g : groups_) g.uses = 0;

    auto find_long = [this](const S& name) {
        for (auto it = definitions_.begin(); it != definitions_.end(); ++it)
            if (!it->second.long_name.empty() && same_ignoring_case(it->second.long_name, name)) return it;
        return definitions_.end();
    };
    auto find_short = [this](const S& name) {
        for (auto it = definitions_.begin(); it != definitions_.end(); ++it)
            if (!it->second.short_name.empty() && it->second.short_name == name) return it;
        return definitions_.end();
    };

    for (const auto& token : tokens_) {
        if (token.short_form && !token.value.empty() && token.name.size() > 1) {
            add_error(6, display_name(token.name, true));
            continue;
        }
        if (!token.short_form) {
            const auto it = find_long(token.name);
            if (it != definitions_.end())
                apply_match(it->first, it->second, token, display_name(it->second.long_name, false));
            else
                add_error(0, display_name(token.name, false));
            continue;
        }
        // A long name typed after one dash is a likely slip, not a run of short letters.
        const auto as_long = find_long(token.name);
        if (windows_style_ || token.name.size() == 1) {
            const auto it = find_short(token.name);
            if (it != definitions_.end()) {
                apply_match(it->first, it->second, token, display_name(it->second.short_name, true));
            } else if (as_long != definitions_.end() && as_long->second.short_name.empty()) {
                apply_match(as_long->first, as_long->second, token, display_name(as_long->second.long_name, false));
            } else if (as_long != definitions_.end()) {
                add_error(2, display_name(as_long->second.long_name, false));
            } else {
                add_error(0, display_name(token.name, true));
            }
            continue;
        }
        if (as_long != definitions_.end()) {
            add_error(2, display_name(as_long->second.long_name, false));
            continue;
        }
        S unmatched;
        for (const auto letter : token.name) {
            const auto it = find_short(S(1, letter));
            if (it != definitions_.end()) {
                apply_match(it->first, it->second, token, display_name(it->second.short_name, true));
                continue;
            }
            if (!unmatched.empty()) unmatched += ',';
            unmatched += letter;
        }
        if (!unmatched.empty()) add_error(0, display_name(unmatched, true));
    }
    for (const auto& g : groups_)
        if (g.required && g.uses == 0) add_error(5, S());
    return static_cast<int>(errors_.size());
}

template class argv_parser<std::wstring>;

}  // namespace vandel
