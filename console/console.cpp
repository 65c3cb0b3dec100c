#include "console/console.h"

#include "engine/drives.h"
#include "engine/engine.h"
#include "engine/path_macros.h"
#include "services/log_names.h"
#include "services/settings.h"
#include "vandel/clock.h"
#include "vandel/files.h"
#include "vandel/folders.h"
#include "vandel/os_text.h"
#include "vandel/strings.h"
#include "vandel/version.h"

#include <mutex>

namespace olvex {

namespace {

const wchar_t* const product_name = L"Oblivar";
const wchar_t* const product_title = L"Secure Data Eraser for the Command Line";
const wchar_t* const product_version = L"5.2.0 Vostral";
const wchar_t* const rights_notice = L"Copyright (C) Tarnhollow. All rights reserved.";
const wchar_t* const web_site = L"https://oblivar.tarnhollow.example/guide";

std::wstring quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

// The help's examples: a heading and the command line after the program name, with "%w", "%s",
// "%y", "%l" and "%d" standing for the display names of --wipe, --scheme, --verify, --vol-list
// and --dev-list and "%=" for the value separator.
struct help_example {
    const wchar_t* heading;
    const wchar_t* command;
};
#ifdef _WIN32
const help_example help_examples[] = {
    {L"  Wipe all files in Temp directory:\n", L"%w%=file C:\\Temp\\*\n"},
    {L"  Wipe named file with GOST scheme:\n", L"%w%=file %s%=gost \"C:\\Temp\\My File.txt\"\n"},
    {L"  Clean free space on C: drive:\n", L"%w%=fspc C:\n"},
    {L"  Wipe recycler on C: drive:\n", L"%w%=rcyc C:\n"},
    {L"  Wipe volume J: with a verification pass:\n", L"%w%=vol %y%=last J:\n"},
    {L"  Wipe physical device ID 1:\n", L"%w%=dev 1\n"},
    {L"  List all volumes:\n", L"%l\n"},
    {L"  List all physical devices:\n", L"%d\n"},
};
#else
const help_example help_examples[] = {
    {L"  Wipe all files in Temp directory:\n", L"%w%=file /home/me/Temp/*\n"},
    {L"  Wipe named file with GOST scheme:\n", L"%w%=file %s%=gost \"/home/me/Temp/My File.txt\"\n"},
    {L"  Clean free space on the /home volume:\n", L"%w%=fspc /home\n"},
    {L"  Wipe recycler on the /home volume:\n", L"%w%=rcyc /home\n"},
    {L"  Wipe volume /media/usb with a verification pass:\n", L"%w%=vol %y%=last /media/usb\n"},
    {L"  Wipe physical device ID 1:\n", L"%w%=dev 1\n"},
    {L"  List all volumes:\n", L"%l\n"},
    {L"  List all physical devices:\n", L"%d\n"},
};
#endif

// What --mod-time accepts, told after the options in POSIX help (empty elsewhere).
#ifdef _WIN32
const wchar_t* const mod_time_forms = L"";
#else
const wchar_t* const mod_time_forms =
    L"--mod-time takes an age or a date (files modified before it are wiped):\n"
    L"  age   a number and a unit: 90d, 2weeks, \"12 hours\"; units s, m (min), h, d,\n"
    L"        w, mon (31 days), y (366 days)\n"
    L"  date  YYYY-MM-DD, YYYYMMDD, YYYY-MM, YYYY-DDD (day of the year); \"/\" for \"-\"\n"
    L"  time  after a date: Thh, Thh:mm or Thh:mm:ss, with Z (UTC) or an offset such\n"
    L"        as +02:00; local time without one\n";
#endif

// A value read from a table of words; -1 when the word is not listed.
struct word_value {
    const wchar_t* word;
    int value;
};
template <size_t N>
int lookup(const word_value (&table)[N], const std::wstring& word) {
    for (const auto& row : table)
        if (word == row.word) return row.value;
    return -1;
}

const word_value job_words[] = {
    {L"file", job_files},    {L"files", job_files},        {L"vol", job_volumes},    {L"volume", job_volumes},
    {L"dev", job_devices},   {L"device", job_devices},     {L"rcyc", job_recycler},  {L"recycler", job_recycler},
    {L"fspc", job_free_space}, {L"clean", job_free_space}, {L"space", job_free_space},
};
const word_value scheme_words[] = {
    {L"zero", 0},     {L"ran", 1},     {L"random", 1},  {L"gost", 2},      {L"gost-r50739-95", 2},
    {L"dod", 3},      {L"dod5220", 3}, {L"dod5220-22m", 3}, {L"vrn", 4},   {L"vorna", 4},
    {L"vrn+", 5},     {L"vorna+", 5},  {L"vrn++", 6},   {L"vorna++", 6},   {L"vsitr", 7},
    {L"schn", 8},     {L"schneier", 8}, {L"gutm", 9},   {L"gutmann", 9},
};
constexpr uint32_t verify_first = 0x40000000, verify_last = 0x80000000;
const word_value throttle_words[] = {
    {L"high", 100}, {L"max", 100}, {L"fast", 100}, {L"med", 65}, {L"low", 30}, {L"slow", 30}, {L"min", 30},
};

// Watches for interrupts while it lives.
class interrupt_scope {
public:
    interrupt_scope(console_io& io, std::function<void()> on_interrupt) : io_(io) {
        io_.watch_interrupts(std::move(on_interrupt));
    }
    ~interrupt_scope() { io_.stop_watching(); }
    interrupt_scope(const interrupt_scope&) = delete;
    interrupt_scope& operator=(const interrupt_scope&) = delete;

private:
    console_io& io_;
};

}  // namespace

console& console::instance() {
    static console the_console(standard_io());
    return the_console;
}

console::console(console_io& io) : io_(io) {}

console::~console() {
    try {
        log_.close();
        settings_.reset();
    } catch (...) {
    }
}

int console::run() {
    std::vector<std::wstring> arguments;
    vandel::command_line_args(arguments);
    return run(arguments);
}

int console::run(const std::vector<std::wstring>& arguments) {
    argv_user parser;
    parser.join_arguments(arguments, 1);
    apply_silent(parser);
    portable = is_portable_copy();
    settings_ = std::make_unique<settings>();
    settings_->open(portable ? 2 : 0);
    return dispatch(parser);
}

void console::apply_silent(argv_user& parser) {
    if (!parser.errors().empty() || !parser.is_set(opt_silent)) return;
    if ((!parser.is_set(opt_wipe) || parser.is_set(opt_skip_confirm)) && !parser.is_set(opt_key_to_exit)) {
        silent = true;
        io_.detach();
        return;
    }
    print(L"\nIgnoring " + quoted(parser.option_name(opt_silent, true)) +
          L" flag as it conflicts with other input options.\n\n");
}

int console::dispatch(argv_user& parser) {
    std::wstring error;
    int result = 2;
    std::wstring value;
    auto lowered = [&](int id) {
        parser.value(id, value);
        return vandel::to_lower(value);
    };

    log_outcome log = log_outcome::none;
    std::wstring log_error;
    if (!parser.errors().empty()) {
        error = vandel::printable_name(parser.format_error(parser.errors()[0]));
    } else {
        const bool wipe = parser.is_set(opt_wipe);
        if (wipe) log = open_log(parser, log_error);
        int commands = 0;
        for (int id : {opt_wipe, opt_dev_list, opt_vol_list, opt_help, opt_version}) commands += parser.is_set(id);
        if (commands > 1) error = L"Mutually exclusive input flags specified";

        if (!wipe || !error.empty()) {
            if (parser.is_set(opt_vol_list)) {
                list_volumes();
                result = 0;
            } else if (parser.is_set(opt_dev_list)) {
                list_devices();
                result = 0;
            } else if (parser.is_set(opt_version)) {
                print_version();
                result = 0;
            } else if (parser.is_set(opt_help)) {
                print_help(parser);
                result = 0;
            } else {
                error = L"A primary input command, such as " + quoted(parser.option_name(opt_wipe, true)) +
                        L", must be specified";
            }
        } else if (const int type = lookup(job_words, lowered(opt_wipe)); type < 0) {
            error = L"Absent or invalid " + quoted(parser.option_name(opt_wipe, true)) + L" option";
        } else {
            // The first of the value checks: a later failing one speaks instead.
            error = log_error;
            job_options options;
            options.job_type = type;
            if (parser.is_set(opt_scheme)) {
                const int scheme = lookup(scheme_words, lowered(opt_scheme));
                if (scheme < 0) error = L"Invalid wiping scheme value";
                else options.scheme = static_cast<uint32_t>(scheme);
            }
            if (parser.is_set(opt_verify)) {
                const std::wstring v = lowered(opt_verify);
                if (v == L"first") options.scheme |= verify_first;
                else if (v == L"last") options.scheme |= verify_last;
                else if (v == L"both") options.scheme |= verify_first | verify_last;
                else if (v != L"none") error = L"Invalid verify scheme";
            }
            if (parser.is_set(opt_rename)) {
                const int count = parse_int_option(lowered(opt_rename));
                if (count < 0 || count > 26) error = L"Invalid file rename value";
                else options.rename_count = count;
            }
            if (parser.is_set(opt_tolerence)) {
                const double percent = parse_real_option(lowered(opt_tolerence), -1);
                if (!(percent >= 0 && percent <= 50)) error = L"Invalid error tolerance value";
                else options.tolerance = percent;
            }
            if (parser.value(opt_mod_time, value)) {
                const int age = parse_time_span(value);
                const int64_t cutoff = age >= 1 ? vandel::now_s() - age : parse_date_time(value);
                // A cutoff of 0 would mean "no limit": a moment that early is refused too.
                if (cutoff <= 0) error = L"Invalid date-time value";
                else options.modified_before = cutoff;
            }
            if (parser.is_set(opt_throttle)) {
                const std::wstring v = lowered(opt_throttle);
                int speed = lookup(throttle_words, v);
                if (speed < 0) speed = parse_int_option(v);
                if (speed < 1 || speed > 100) error = L"Invalid throttle value";
                else options.speed = speed;
            }
            if (type != job_recycler && parser.free_arguments().empty()) error = L"Invalid file or device path(s)";
            if (type == job_files) {
                for (const std::wstring& path : parser.free_arguments()) {
                    if (is_system_root_folder(path))
                        error = L"Wiping the root folder of the system volume is prohibited";
                    else if (ends_in_dots(path))
                        error = L"A path may not end in \".\" or \"..\": name the folder itself";
                }
            }

            options.log_limit = -1;
            options.simulate = parser.is_set(opt_simulation);
            options.abort_on_error = parser.is_set(opt_abort_on_error);
            options.empty_recycler = parser.is_set(opt_empty_recycler);
            options.verbose = parser.is_set(opt_verbose);
            options.leave_dirs = parser.is_set(opt_leave_dirs);
            if (error.empty() && log == log_outcome::failed) {
                // The user asked for this log: no wipe goes unrecorded.
                print(L"ERROR - Failed to create log file: " + vandel::printable_name(log_name_) +
                      L"\nNothing was wiped.\n\n");
                result = 1;
            } else if (error.empty()) {
                result = run_job(parser.free_arguments(), options, parser.is_set(opt_skip_confirm));
            }
        }
    }

    if (!error.empty()) {
        print(L"\nInput error:\n\n");
        if (error.size() < 40 && error.find(L'\n') == std::wstring::npos) print(L"  ");
        print(error + L"\n\n");
        print(L"Use " + quoted(parser.option_name(opt_help, true)) + L" for help information\n\n");
        result = 2;
    }
    if (parser.is_set(opt_key_to_exit)) io_.wait_for_key();
    return result;
}

console::log_outcome console::open_log(argv_user& parser, std::wstring& error) {
    std::wstring target = settings_ ? settings_->get_log_location() : std::wstring();
    std::wstring output;
    const bool explicit_output = parser.value(opt_output, output);
    if (explicit_output) target = vandel::to_lower(output) == L"none" ? std::wstring() : output;
    if (target.empty()) return log_outcome::none;

    const bool with_user = settings_ && settings_->get_log_user();
    const bool bom = parser.is_set(opt_bom);
    // A log is always a new file: in a folder, the next free name; an explicit file that exists
    // is refused, never emptied.
    if (open_new_log_file(target, with_user, bom, log_, log_name_)) return log_outcome::open;
    // Only --output may name the file itself; a log folder from the settings must exist.
    if (log_name_.empty() && explicit_output) {
        log_name_ = expand_path_macros(target);
        if (vandel::path_kind(log_name_) != vandel::kind_missing) {
            error = L"The log file exists already: " + vandel::printable_name(log_name_);
            return log_outcome::exists;
        }
        if (create_log_file(log_name_, bom, log_)) return log_outcome::open;
    }
    if (log_name_.empty()) log_name_ = expand_path_macros(target);
    if (explicit_output) return log_outcome::failed;
    print(L"WARNING - Failed to open log file: " + vandel::printable_name(log_name_) + L"\n\n");
    return log_outcome::none;
}

int console::run_job(const std::vector<std::wstring>& paths, job_options options, bool skip_confirm) {
    std::wstring list;
    for (size_t i = 0; i < paths.size(); ++i) {
        if (i) list += L'\0';
        list += paths[i];
    }
    engine job;
    // An interrupt asks for the abort as the GUI's abort button does: the file under way keeps
    // its name, and the job ends aborted with its report, on the console and in the log.
    std::mutex abort_mutex;
    bool started = false, interrupted = false;
    const interrupt_scope watch(io_, [&] {
        const std::lock_guard<std::mutex> lock(abort_mutex);
        interrupted = true;
        if (started) job.abort();
    });
    const error_code set_up = job.start_job(list, options, std::wstring(1, L'\0'));
    if (set_up != err_ok) {
        print(L"FAILED: " + error_text(set_up) + L"\n");
        return 2;
    }
    {
        const std::lock_guard<std::mutex> lock(abort_mutex);
        started = true;
        if (interrupted) job.abort();
    }
    if (skip_confirm) {
        job.confirm_start();
    } else {
        print_until_analysed(job);
        job_status snapshot;
        if (job.get_progress(snapshot) == state_waiting && snapshot.ready) {
            if (confirm_start(L"Start now? [y/n]: ")) job.confirm_start();
            else job.abort();
        }
    }
    print(L"\n");
    print_until_analysed(job);
    switch (job.get_state()) {
    case state_done: return 0;
    case state_aborted: return 3;
    default: return 1;  // failed, and partly done: not everything chosen was erased
    }
}

void console::print_until_analysed(engine& job) {
    std::vector<std::wstring> lines;
    auto print_lines = [&] {
        job.get_log_lines(lines, true);
        for (const std::wstring& line : lines) print(line + L"\n");
    };
    for (;;) {
        // The log is printed every 500 ms; the job's end (or its wait for the start) is seen at
        // once, so the program takes no longer than its job.
        job.wait_while_busy(500);
        job_status snapshot;
        const int32_t state = job.get_progress(snapshot);
        print_lines();
        if (state == state_waiting && snapshot.ready) return;
        if (!is_active_state(state)) break;
    }
    // The worker writes its totals report after the final state: wait for it to end.
    job.join();
    print_lines();
}

bool console::confirm_start(const std::wstring& prompt) {
    for (;;) {
        print(prompt, true);
        std::wstring answer;
        if (!read_line(answer)) {
            print(L"\n");
            return false;
        }
        // "echo y | olvex" in cmd sends "y " and the line end: blanks around the word don't count.
        answer = vandel::trim(answer, true, true);
        for (const wchar_t* yes : {L"y", L"Y", L"yes", L"YES", L"Yes"})
            if (answer == yes) return true;
        for (const wchar_t* no : {L"n", L"N", L"no", L"NO", L"No"})
            if (answer == no) return false;
    }
}

void console::list_devices() {
    print(L"\nPhysical Devices...\n\n");
    bool listed = false;
    for (const std::wstring& number : list_physical_devices(true)) {
        drive_info info;
        const bool read = query_device_info(number, info, true);
        if (info.id.empty()) continue;  // gone since it was listed
        listed = true;
        print(L"DRIVE ID " + info.id + L"\n");
        print(L"  Name: " + vandel::printable_name(info.path) + L"\n");
        if (!read) {
            print(L"  Could not be opened\n\n");
            continue;
        }
        print(L"  Type: " + drive_type_text(info.kind, L"(unknown)") + L"\n");
        print(L"  Capacity: " + vandel::format_bytes<std::wstring>(info.size) + L"\n");
        print(L"  Sector size: " + vandel::format_bytes<std::wstring>(info.sector_size) + L"\n");
        std::vector<std::wstring> roots;
        for (const std::wstring& root : info.volumes)
            roots.push_back(vandel::printable_name(vandel::add_trailing_separator(root)));
        print(L"  Hosted volumes: " + (roots.empty() ? std::wstring(L"(none)") : vandel::join(roots, L", ")) + L"\n");
        if (info.is_system) print(L"  NB. This device hosts the system volume\n");
        print(L"\n");
    }
    if (!listed) print(L"NONE\n\n");
}

void console::list_volumes() {
    print(L"\nDrive Volumes...\n\n");
    bool listed = false;
    for (const std::wstring& root : olvex::list_volumes()) {
        drive_info info;
        if (!query_volume_info(root, info, true)) continue;
        listed = true;
        print(L"VOLUME " + vandel::printable_name(vandel::add_trailing_separator(info.id)) + L"\n");
        print(L"  Name: " + vandel::printable_name(info.path) + L"\n");
        print(L"  Type: " + drive_type_text(info.kind, L"(unknown)") + L"\n");
        print(L"  Capacity: " + vandel::format_bytes<std::wstring>(info.size) + L"\n");
        print(L"  File system: " + vandel::printable_name(info.file_system) + L"\n");
        print(L"  Device IDs: " + (info.devices.empty() ? std::wstring(L"(none)") : vandel::join(info.devices, L", ")) +
              L"\n");
        if (info.is_system) print(L"  NB. This is the system volume\n");
        print(L"\n");
    }
    if (!listed) print(L"NONE\n\n");
}

void console::print_version() {
    print(L"\n");
    print(std::wstring(product_name) + L" - ");
    print(std::wstring(product_title) + L" (64-bit)" + L"\n");
    print(L"Version: ");
    print(std::wstring(product_version) + L"\n");
    print(L"\n");
    print(rights_notice);
    print(L"\n\n");
}

void console::print_help(argv_user& parser) {
    std::wstring module;
    vandel::module_path(module);
    const std::wstring name = vandel::printable_name(vandel::file_name_part(module, false));
    print(L"\n");
    print(product_name);
    print(L"\n");
    print(parser.usage_text(L"Usage: " + name + L" [options] PATHS", usage_layout_defaults()));
    print(L"\n");
    if (*mod_time_forms) {
        print(mod_time_forms);
        print(L"\n");
    }
    print(L"Examples:\n");
    print(L"\n");
    for (const help_example& example : help_examples) {
        std::wstring command = example.command;
        const struct {
            const wchar_t* key;
            std::wstring text;
        } names[] = {
            {L"%w", parser.option_name(opt_wipe, true)},     {L"%s", parser.option_name(opt_scheme, true)},
            {L"%y", parser.option_name(opt_verify, true)},   {L"%l", parser.option_name(opt_vol_list, true)},
            {L"%d", parser.option_name(opt_dev_list, true)}, {L"%=", parser.value_separator()},
        };
        for (const auto& n : names) command = vandel::replace_all(command, n.key, n.text, 0);
        print(example.heading);
        print(L"    " + name + L" " + command);
        print(L"\n");
    }
    print(L"Exit codes: 0 - OK, 1 - Failed, 2 - Input error, 3 - User aborted\n");
    print(L"\n");
    print(L"See the online userguide at " + std::wstring(web_site) + L" for further information.\n");
    print(L"\n");
}

void console::print(const std::wstring& text, bool flush) {
    if (!silent) io_.write(text, flush);
    if (log_.is_open()) {
        std::wstring line = text;
        if (!line.empty() && line.back() == L'\n') line.pop_back();
        log_.write_line(line);
    }
}

bool console::read_line(std::wstring& line) {
    return io_.read_line(line);
}

}  // namespace olvex
