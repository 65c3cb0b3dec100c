#include "services/interlang.h"

#include "vandel/convert.h"
#include "vandel/file_stream.h"
#include "vandel/files.h"
#include "vandel/locale.h"
#include "vandel/numbers.h"
#include "vandel/strings.h"

#include <stdexcept>

namespace olvex {

namespace {

std::wstring language_code(const std::wstring& code) { return vandel::to_lower(vandel::trim(code, true, true)); }

std::wstring locale_language() { return language_code(vandel::current_locale().language()); }

bool starts_with(const std::wstring& text, const wchar_t* prefix) { return text.rfind(prefix, 0) == 0; }

// The directive's argument: what follows its name, leading blanks removed.
std::wstring argument(const std::wstring& line, size_t name_length) {
    return vandel::trim(line.substr(name_length), true, false);
}

// Keeps a stream's text format while a parse changes it.
class format_scope {
public:
    explicit format_scope(vandel::stream& s)
        : s_(s), form_(s.text_form()), order_(s.byte_order()), kind_(s.text_kind()), ending_(s.line_ending()) {}
    ~format_scope() {
        s_.set_text_form(form_);
        s_.set_byte_order(order_);
        s_.set_text_kind(kind_);
        s_.set_line_ending(ending_);
    }
    format_scope(const format_scope&) = delete;
    format_scope& operator=(const format_scope&) = delete;

private:
    vandel::stream& s_;
    int32_t form_, order_, kind_, ending_;
};

}  // namespace

interlang& interlang::instance() {
    static interlang table;
    return table;
}

interlang::interlang() { clear(); }

interlang::~interlang() = default;

void interlang::require_state(bool ok) const {
    if (!ok) throw std::logic_error("invalid state");
}

std::unique_lock<std::mutex> interlang::acquire() const {
    std::unique_lock<std::mutex> l(mutex_);
    update_ended_.wait(l, [this] { return state_ != loading || updater_ == std::this_thread::get_id(); });
    return l;
}

void interlang::clear() {
    auto l = acquire();
    clear_locked();
    update_ended_.notify_all();
}

void interlang::clear_locked() {
    state_ = empty;
    updater_ = std::thread::id();
    texts_.clear();
    languages_.clear();
    primary_.clear();
    working_key_.clear();
    working_language_.clear();
    current_ = locale_language();
}

void interlang::begin_update() {
    auto l = acquire();
    require_state(state_ != loading);
    state_ = loading;
    updater_ = std::this_thread::get_id();
    working_key_.clear();
    working_language_.clear();
}

void interlang::end_update() {
    auto l = acquire();
    require_state(state_ == loading);
    current_ = settled_language(current_, primary_);
    working_key_.clear();
    working_language_.clear();
    state_ = ready;
    updater_ = std::thread::id();
    update_ended_.notify_all();
}

interlang::update_scope::~update_scope() {
    try {
        table_.end_update();
    } catch (const std::logic_error&) {
        // Ended already (clear() ends any update): nothing is left open.
    }
}

std::wstring interlang::settled_language(const std::wstring& current, const std::wstring& primary) const {
    if (has_language_locked(current)) return current;
    if (has_language_locked(primary)) return primary;
    return languages_.empty() ? current : languages_.front();
}

void interlang::set_languages(const std::wstring& current, const std::wstring& primary) {
    auto l = acquire();
    require_state(state_ == loading);
    current_ = language_code(current);
    if (current_.empty()) current_ = locale_language();
    primary_ = language_code(primary);
}

bool interlang::select_languages(const std::wstring& current, const std::wstring& primary) {
    auto l = acquire();
    require_state(state_ != loading);
    std::wstring code = language_code(current);
    if (code.empty()) code = locale_language();
    const std::wstring fallback = language_code(primary);
    code = settled_language(code, fallback);
    if (state_ == ready && code == current_ && fallback == primary_) return false;
    current_ = code;
    primary_ = fallback;
    working_key_.clear();
    working_language_.clear();
    state_ = ready;
    return true;
}

void interlang::store_text(const std::wstring& text) {
    auto l = acquire();
    store_text_locked(text);
}

void interlang::store_text_locked(const std::wstring& text) {
    require_state(state_ == loading && !working_key_.empty() && !working_language_.empty());
    texts_[working_key_][working_language_] = text.size() < 2 ? text : vandel::unescape(text, false);
    if (!has_language_locked(working_language_)) languages_.push_back(working_language_);
}

bool interlang::parse_language_file(vandel::seekable_stream& stream, int& line) {
    auto l = acquire();
    require_state(state_ == loading);
    const std::wstring saved_key = working_key_, saved_language = working_language_;
    working_key_.clear();
    working_language_.clear();
    bool ok = false;
    {
        format_scope format(stream);
        ok = parse_locked(stream, line);
    }
    working_key_ = saved_key;
    working_language_ = saved_language;
    return ok;
}

bool interlang::parse_locked(vandel::seekable_stream& stream, int& line) {
    enum directive { none, key, lang, text };
    line = -1;
    if (!stream.detect_encoding(2048)) return false;
    stream.set_line_ending(2);  // LF ends a line; a CR before it is dropped

    directive last = none;
    std::wstring pending_key, pending_language, pending_text;
    bool text_pending = false;
    line = 0;
    try {
        while (stream.remaining() > 0) {
            ++line;
            std::wstring raw;
            if (stream.read_line(raw, -1) <= 0) return false;
            const std::wstring s = vandel::trim(raw, true, true);

            if (s.empty() || s[0] == L'#' || starts_with(s, L"//")) {
                // A comment neither starts nor ends anything.
            } else if (starts_with(s, L"KEY:")) {
                if (!pending_key.empty()) return false;
                pending_key = argument(s, 4);
                last = key;
            } else if (starts_with(s, L"LANG:")) {
                pending_language = language_code(argument(s, 5));
                last = lang;
            } else if (starts_with(s, L"TEXT:")) {
                if (text_pending) return false;
                pending_text = argument(s, 5);
                text_pending = true;
                last = text;
            } else if (last == key && !pending_key.empty()) {
                pending_key += L' ' + s;
            } else if (last == text && !pending_text.empty()) {
                pending_text += L' ' + s;
            } else {
                return false;
            }
            if (last == none) continue;

            // A text (or a key) may go on over the following lines while bytes follow.
            const bool more = stream.remaining() >= 2;
            if (!(last == text && more)) {
                if (text_pending) {
                    if (working_key_.empty() || working_language_.empty()) return false;
                    store_text_locked(pending_text);
                    pending_text.clear();
                }
                text_pending = false;
                if (last == key && more) continue;
            }
            if (!pending_key.empty()) working_key_ = pending_key;
            if (last == lang && !pending_language.empty()) working_language_ = pending_language;
            pending_key.clear();
            pending_language.clear();
        }
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

bool interlang::load_file(const std::wstring& path, int& line) {
    vandel::file_stream file;
    if (!file.open(path, vandel::open_read)) {
        line = 0;
        return false;
    }
    return parse_language_file(file, line);
}

bool interlang::has_language(const std::wstring& code) const {
    auto l = acquire();
    return has_language_locked(code);
}

bool interlang::has_language_locked(const std::wstring& code) const {
    if (code.empty()) return false;
    for (const std::wstring& c : languages_)
        if (c == code) return true;
    return false;
}

bool interlang::lookup(const std::wstring& language, const std::wstring& key, int mode, std::wstring* out) const {
    auto l = acquire();
    return lookup_locked(language, key, mode, out);
}

bool interlang::lookup_locked(const std::wstring& language, const std::wstring& key, int mode,
                              std::wstring* out) const {
    const auto k = texts_.find(key);
    if (k != texts_.end()) {
        const auto t = k->second.find(language);
        if (t != k->second.end()) {
            if (out) *out = t->second;
            return true;
        }
    }
    if (mode == fallback_primary && language != primary_) return lookup_locked(primary_, key, fallback_key, out);
    if (out) {
        if (mode == fallback_primary || mode == fallback_key)
            *out = key;
        else
            out->clear();
    }
    return false;
}

std::wstring interlang::translate(const std::wstring& key, const std::wstring& language) const {
    auto l = acquire();
    return translate_locked(key, language);
}

std::wstring interlang::translate_locked(const std::wstring& key, const std::wstring& language) const {
    require_state(state_ != loading);
    if (state_ == empty) return key;
    std::wstring out;
    lookup_locked(language.empty() ? current_ : language, key, fallback_primary, &out);
    return out;
}

std::wstring interlang::translate_arg(const std::wstring& key, const std::wstring& arg,
                                      const std::wstring& language) const {
    return vandel::replace_all(translate(key, language), L"%1", arg, 0);
}

std::wstring interlang::translate_count(const std::wstring& singular, const std::wstring& plural, int64_t count,
                                        const std::wstring& language) const {
    if (count == 1) return translate_arg(singular, L"1", language);
    return translate_arg(plural, vandel::int_to_text<std::wstring>(static_cast<uint64_t>(count), 0), language);
}

int interlang::languages(std::vector<std::wstring>& out) const {
    auto l = acquire();
    out.clear();
    require_state(state_ != loading);
    if (state_ == empty) return 0;
    out = languages_;
    return static_cast<int>(out.size());
}

std::wstring interlang::current_language() const {
    auto l = acquire();
    require_state(state_ != loading);
    return state_ == ready ? current_ : std::wstring();
}

std::string interlang::current_language_narrow() const { return vandel::narrow(current_language(), '?'); }

int interlang::state() const {
    auto l = acquire();
    return state_;
}

bool interlang::translation_report(std::wstring& out, int limit) const {
    auto l = acquire();
    require_state(state_ != loading);
    if (state_ == empty) return true;
    out.clear();
    if (languages_.empty()) {
        out = L"ERROR: Data does not contain any translations\n\n";
        return false;
    }
    const std::wstring& reference = primary_.empty() ? languages_.front() : primary_;
    std::vector<std::wstring> new_keys, obsolete_keys;
    int findings = 0;
    bool truncated = false;
    for (const auto& [k, texts] : texts_) {
        if (texts.size() == languages_.size()) continue;
        if (limit > 0 && findings == limit) {
            truncated = true;
            break;
        }
        ++findings;
        const auto ref = texts.find(reference);
        if (ref == texts.end()) {
            obsolete_keys.push_back(k);
            continue;
        }
        std::wstring missing;
        for (const std::wstring& code : languages_)
            if (texts.find(code) == texts.end()) missing += L" " + code;
        new_keys.push_back(L"# " + ref->second + L"\nKEY: " + k + L"\nTEXT: <translation needed for languages:" +
                           missing + L">");
    }
    out = L"NEW TRANSLATION KEYS\nThese need to be added to languages indicated...\n\n";
    for (const std::wstring& entry : new_keys) out += entry + L"\n\n";
    if (new_keys.empty()) out += L"(None - all OK)\n\n";
    out += L"\nOBSOLETE KEYS\nThese are no longer present in the primary language,\n"
           L"and can be safely removed from other language files...\n\n";
    for (const std::wstring& k : obsolete_keys) out += k + L"\n";
    if (obsolete_keys.empty()) out += L"(None - all OK)\n\n";
    if (truncated) out += L"NOTE. More items were found, but the report was truncated.\n\n";
    return findings == 0;
}

bool find_language_files(const std::wstring& folder, std::vector<std::wstring>& out) {
    std::vector<std::wstring> files;
    if (vandel::list_directory(folder, files, vandel::list_files | vandel::list_full_paths) < 0) return false;
    bool found = false;
    for (const std::wstring& f : files) {
        if (f.size() > 9 && vandel::to_lower(f.substr(f.size() - 9)) == L".lang.txt") {
            out.push_back(f);
            found = true;
        }
    }
    return found;
}

std::wstring load_language_file(const std::wstring& path, interlang& table) {
    std::wstring error;
    try {
        table.begin_update();
        int line = 0;
        if (!table.load_file(path, line)) {
            error = line == 0 ? L"Language File Error\nThe following file could not be opened.\n"
                              : L"Language File Error\nThere is a syntax error at line " +
                                    vandel::int_to_text<std::wstring>(static_cast<uint64_t>(int64_t{line}), 0) +
                                    L" in the following file.\n";
        }
    } catch (const std::exception&) {
        error = L"Language File Error\nThere was an unexpected problem reading the following file.\n";
    }
    try {
        table.end_update();
    } catch (const std::exception&) {
        // The table was not loading: begin_update refused, and the error says so.
    }
    return error.empty() ? error : error + path;
}

std::wstring tr(const std::wstring& key) { return interlang::instance().translate(key); }

std::wstring tr_arg(const std::wstring& key, const std::wstring& argument) {
    return interlang::instance().translate_arg(key, argument);
}

std::wstring load_language_files(const std::wstring& folder, interlang& table) {
    std::vector<std::wstring> files;
    if (!find_language_files(folder, files)) return L"Language File Error\nFailed to load language files.";
    std::wstring first_error;
    for (const std::wstring& f : files) {
        const std::wstring error = load_language_file(f, table);
        if (first_error.empty()) first_error = error;
    }
    return first_error;
}

}  // namespace olvex
