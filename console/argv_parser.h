#pragma once
// The command-line option parser: options defined by id with a one-letter short name, a long
// name, a kind and a help text; a command line split into option tokens and free arguments,
// matched against the definitions; errors collected, never thrown.
//
// Styles. The Windows style shows options as "/name" and writes values after ":"; the other
// style shows "-x" and "--name" and writes values after "=". Both accept "-", "--" and "/" as
// prefixes and both separators on input, unless "/" options are turned off (POSIX programs,
// where "/" begins a path): then only "-" and "--" start an option, free arguments are kept as
// typed and never joined to each other.
#include <climits>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace vandel {

// How usage_text lays out its lines.
struct usage_layout {
    int indent = 2;    // blanks before the names
    int width = 20;    // the widest name column allowed beyond the indent
    bool sorted = true;
    bool dotted = false;
};

template <class S>
struct option_definition {
    int kind = 1;      // 1 a flag, 2 takes a value
    S short_name;      // without prefix, one character
    S long_name;       // without prefix, two characters or more
    S description;
    S placeholder;     // the value's name in the help
    bool given = false;
    S value;
};

template <class S>
struct option_token {
    S name;            // prefix removed, trimmed
    S value;           // trimmed; empty when none
    bool short_form = false;
};

// Error types: 0 unknown option, 1 used twice, 2 a long name typed as a short one, 3 exclusive
// options together, 4 value missing, 5 a required group absent, 6 unexpected value.
template <class S>
struct parse_error {
    S name;            // the display name the message shows
    int type = 0;
};

struct exclusive_group {
    int uses = 0;
    bool required = false;
    std::vector<int> ids;
};

// Token classes of classify_token.
enum : int { token_plain = 0, token_short = 1, token_long = 2 };

// Returns negative, zero or positive as a orders before, with or after b. Mode 1 compares
// case-sensitively, mode 2 with a-z read as A-Z, mode 3 first as mode 2 with digit runs read as
// numbers and then, for a tie, as mode 1. Punctuation sorts before digits, digits before letters,
// lower case before upper case, other characters after ASCII; with length_tiebreak the shorter
// of two otherwise equal strings first.
int natural_compare(const std::wstring& a, const std::wstring& b, int mode, bool length_tiebreak);

template <class S>
class argv_parser {
public:
    argv_parser();
    argv_parser(const argv_parser&) = delete;
    argv_parser& operator=(const argv_parser&) = delete;
    virtual ~argv_parser();

    // Clears the parse state, the groups and the definition error; keeps the definitions.
    virtual void reset();
    // Defines an option with one name (its class from its prefix, or from its length).
    virtual bool add_option_by_name(int id, const S& name, int kind);
    virtual bool add_flag_option(int id, const S& short_name, const S& long_name, const S& description);
    // Returns false, and sets the definition error, when the definition is refused: INT_MAX as
    // id, kind 0, two names of one class, equal names, a blank in a name, a short name longer
    // than one character, a long name of one, or a name another option already has. A
    // description "<NAME>|text" carries the value's placeholder.
    virtual bool add_option(int id, const S& short_name, const S& long_name, int kind, const S& description);
    // Collects the ids up to the first INT_MAX into a group.
    virtual void add_exclusive_ids(bool required, int id1, int id2 = INT_MAX, int id3 = INT_MAX,
                                   int id4 = INT_MAX, int id5 = INT_MAX, int id6 = INT_MAX,
                                   int id7 = INT_MAX, int id8 = INT_MAX);
    // Appends a group unless ids is empty.
    virtual void add_exclusive_group(bool required, const std::vector<int>& ids);
    // Returns true when a definition was refused.
    virtual bool error_code() const;
    // Returns the long display name (long_form) or the short one; the other when that is empty.
    virtual S option_name(int id, bool long_form) const;
    // Tokenises arguments[first..] and matches them; returns the number of errors.
    virtual int join_arguments(const std::vector<S>& arguments, size_t first);
    // join_arguments over the non-null strings of the array.
    virtual int parse(int count, const typename S::value_type* const* arguments, int first);
    virtual void* user_pointer() const;
    // Returns whether the option is present; false for an undefined id.
    virtual bool is_set(int id) const;
    // Copies the option's value into out; returns whether the option is present.
    virtual bool value(int id, S& out) const;
    // Copies the definition with display names into out; returns whether the option is present.
    // An undefined id gives kind 1 and empty texts.
    virtual bool option_description(int id, option_definition<S>& out) const;
    virtual const std::vector<S>& free_arguments() const;
    // Returns the present options in id order, then the free arguments, joined by blanks.
    virtual S command_line(bool short_preferred) const;
    virtual const std::vector<parse_error<S>>& errors() const;
    // Returns the message of the error's type with its name in place of "%name".
    virtual S format_error(const parse_error<S>& error) const;
    // Returns the message of an error type with "%name" standing for the name; empty for others.
    virtual S option_error_text(int type) const;
    // Returns the header, a blank line and one line per visible option.
    virtual S usage_text(const S& header, const usage_layout& layout) const;

    void set_windows_style(bool on) { windows_style_ = on; }
    bool windows_style() const { return windows_style_; }
    // Whether "/" starts an option (on by default).
    void set_slash_options(bool on) { slash_options_ = on; }
    bool slash_options() const { return slash_options_; }

    // Returns the class of text (trimmed) and puts the text without its prefix into name; a text
    // without prefix is of class default_class.
    int classify_token(const S& text, int default_class, S& name) const;
    // Returns true when the trimmed text begins with an option prefix.
    bool is_option_token(const S& text) const;
    // Returns the position of the first "=" or ":"; npos when there is none.
    static size_t separator_position(const S& text);
    // ":" in the Windows style, else "=".
    S value_separator() const;
    // Returns name with the style's prefix; unchanged when empty or already prefixed.
    S display_name(const S& name, bool short_form) const;

protected:
    // Matches the tokens against the definitions; returns the number of errors.
    int parse_arguments();

private:
    void add_error(int type, const S& name);
    void apply_match(int id, option_definition<S>& d, const option_token<S>& token, const S& shown);

    bool windows_style_ = true;
    bool definition_error_ = false;
    std::map<int, option_definition<S>> definitions_;
    void* user_pointer_ = nullptr;
    std::vector<option_token<S>> tokens_;
    std::vector<parse_error<S>> errors_;
    std::vector<S> free_arguments_;
    std::vector<exclusive_group> groups_;
    bool slash_options_ = true;
};

extern template class argv_parser<std::wstring>;

}  // namespace vandel
