#pragma once
// The translation table: every text of the windows and menus looked up by its key in the
// current language, filled from language files (names ending in ".lang.txt"). One table per
// process; any thread may use it. An update (begin_update to end_update) belongs to the thread
// that began it: the other threads wait until it ends and never see a table half loaded.
//
// A language file holds KEY:, LANG: and TEXT: lines; a line that starts with none of them
// continues the last KEY or TEXT (joined by one blank). "#" and "//" start comment lines.
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vandel {
class seekable_stream;
}

namespace olvex {

class interlang {
public:
    // Table states.
    static constexpr int empty = 0;
    static constexpr int loading = 1;
    static constexpr int ready = 2;

    // Lookup modes: fall back to the primary language, then the key; give the key; give nothing.
    static constexpr int fallback_primary = 0;
    static constexpr int fallback_key = 1;
    static constexpr int fallback_none = 2;

    // Returns the process's table, built on first use.
    static interlang& instance();

    interlang();
    virtual ~interlang();
    interlang(const interlang&) = delete;
    interlang& operator=(const interlang&) = delete;

    // Empties the table: state 0, the current language the user locale's.
    void clear();
    // Starts loading (state 1); texts already held stay. Throws logic_error "invalid state" when
    // this thread is loading already; another thread's update is waited for.
    void begin_update();
    // Ends loading (state 2); a current language without texts falls back to the primary one,
    // then to the first language loaded. Throws logic_error "invalid state" unless loading.
    void end_update();
    // While loading: the current language (empty: the user locale's) and the primary one.
    void set_languages(const std::wstring& current, const std::wstring& primary);
    // Holds an update open for its scope: begins it and ends it when it goes, also when a throw
    // or a failed test assertion leaves early, since every other thread waits while it is open.
    class update_scope {
    public:
        // Throws as begin_update does.
        explicit update_scope(interlang& table) : table_(table) { table_.begin_update(); }
        ~update_scope();
        update_scope(const update_scope&) = delete;
        update_scope& operator=(const update_scope&) = delete;

    private:
        interlang& table_;
    };

    // begin_update, set_languages and end_update as one step that no reader sees half done.
    // Returns false, changing nothing, when the table is ready with the languages that step
    // would give. Throws logic_error "invalid state" when this thread is loading.
    bool select_languages(const std::wstring& current, const std::wstring& primary);
    // While loading: stores the text, its escapes resolved, under the working key and language;
    // throws logic_error "invalid state" without both.
    void store_text(const std::wstring& text);

    // While loading: reads a language file from the stream's position. Returns false with line
    // set to the line of the first error (-1 when the encoding can't be established); texts
    // stored before it stay.
    bool parse_language_file(vandel::seekable_stream& stream, int& line);
    // Returns parse_language_file of the file; false with line 0 when it can't be opened.
    bool load_file(const std::wstring& path, int& line);

    // Returns whether a text of that language was loaded; an empty code never matches.
    bool has_language(const std::wstring& code) const;
    // Returns true with the text of key in language; otherwise false, out as the mode says.
    bool lookup(const std::wstring& language, const std::wstring& key, int mode, std::wstring* out) const;
    // Returns the text of key in language (empty: the current one), falling back to the primary
    // language and then the key; the key itself while empty. Throws logic_error "invalid state"
    // while loading.
    std::wstring translate(const std::wstring& key, const std::wstring& language = {}) const;
    // translate with every "%1" replaced by argument.
    std::wstring translate_arg(const std::wstring& key, const std::wstring& argument,
                               const std::wstring& language = {}) const;
    // The singular key for a count of 1, else the plural key, with the count for "%1".
    std::wstring translate_count(const std::wstring& singular, const std::wstring& plural, int64_t count,
                                 const std::wstring& language = {}) const;

    // Fills out with the languages in the order first loaded and returns their number (0 while
    // empty). Throws logic_error "invalid state" while loading.
    int languages(std::vector<std::wstring>& out) const;
    // Returns the current language (empty while empty). Throws logic_error "invalid state" while
    // loading.
    std::wstring current_language() const;
    // The same as 8-bit text ("?" for what does not fit).
    std::string current_language_narrow() const;
    int state() const;

    // Writes the check report for translators (keys some language lacks, keys the primary
    // language no longer has; at most limit findings when limit > 0). Returns true when there
    // was no finding (also, leaving out alone, while empty), false for findings or no languages.
    // Throws logic_error "invalid state" while loading.
    bool translation_report(std::wstring& out, int limit) const;

private:
    // The table's lock, taken once no other thread's update is open.
    std::unique_lock<std::mutex> acquire() const;
    void clear_locked();
    // The language in force for a choice: current when it has texts, else primary, else the
    // first language loaded (current when there is none).
    std::wstring settled_language(const std::wstring& current, const std::wstring& primary) const;
    void require_state(bool ok) const;
    void store_text_locked(const std::wstring& text);
    bool parse_locked(vandel::seekable_stream& stream, int& line);
    std::wstring translate_locked(const std::wstring& key, const std::wstring& language) const;
    bool lookup_locked(const std::wstring& language, const std::wstring& key, int mode, std::wstring* out) const;
    bool has_language_locked(const std::wstring& code) const;

    mutable std::mutex mutex_;
    mutable std::condition_variable update_ended_;
    std::thread::id updater_;
    std::map<std::wstring, std::map<std::wstring, std::wstring>> texts_;
    std::vector<std::wstring> languages_;
    std::wstring current_;
    std::wstring primary_;
    std::wstring working_key_;
    std::wstring working_language_;
    int state_ = empty;
};

// Appends the folder's language files (full paths, not hidden, unsorted) to out. Returns true
// when there is at least one; false also when the folder can't be listed.
bool find_language_files(const std::wstring& folder, std::vector<std::wstring>& out);
// Loads one file into the table in its own update. Returns empty, or an error text that ends
// with the file's path.
std::wstring load_language_file(const std::wstring& path, interlang& table);
// The text of key in the current language of the process's table (interlang::translate).
std::wstring tr(const std::wstring& key);
// tr with every "%1" replaced by argument.
std::wstring tr_arg(const std::wstring& key, const std::wstring& argument);

// Loads every language file of the folder. Returns empty, the error text of the first file that
// failed, or a text saying that there were no files to load.
std::wstring load_language_files(const std::wstring& folder, interlang& table);

}  // namespace olvex
