#pragma once
// The configuration file store of an installed copy: the values of one company and application
// in one settings file under the application-data folder, per user (roaming) or machine-wide,
// held in memory while open. The file keeps the format it was loaded in (binary, or text lines);
// a new file is binary.
//
// Nothing is ever lost: an existing file that can't be read or parsed fails the open (after a
// few tries) and is never overwritten; saving writes a temporary file and replaces the old one.
#include "vandel/map_settings.h"

#include <memory>
#include <string>

namespace vandel {

// Returns the settings file's name: the application trimmed, "\", "/" and control characters
// made "_", ".cfg" added when it has no extension; company_folder gets the company treated
// alike with a separator appended (empty for an empty company). Empty when the application is
// empty, and for names made only of dots, which would leave the folder.
std::wstring settings_file_name(const std::wstring& company, const std::wstring& application,
                                std::wstring& company_folder);

// Returns the settings file's full path: the roaming application-data folder for modes 1 and
// 2, the machine-wide one otherwise, then the company folder (created for modes 2 and 4) and the
// file name. Empty when the application is empty or a folder is missing.
std::wstring settings_file_path(const std::wstring& company, const std::wstring& application, int mode);

class file_store : public store_interface<std::wstring> {
public:
    file_store();
    file_store(const file_store&) = delete;
    file_store& operator=(const file_store&) = delete;
    // Flushes an open store; never throws.
    ~file_store() override;

    bool copy_from(const settings_interface<std::wstring>& other) override;
    bool value_modified(const std::wstring& name) const override;
    bool modified() const override;
    bool set_value_modified(const std::wstring& name, bool flag) override;
    bool set_modified(bool flag) override;
    bool clear() override;
    int64_t count() const override;
    bool erase(const std::wstring& name) override;
    int type(const std::wstring& name) const override;
    std::wstring get_string(const std::wstring& name, const std::wstring& def) const override;
    bool set_string(const std::wstring& name, const std::wstring& text) override;
    int64_t get_int(const std::wstring& name, int64_t def, int64_t min, int64_t max) const override;
    bool set_int(const std::wstring& name, int64_t value) override;
    double get_float(const std::wstring& name, double def) const override;
    bool set_float(const std::wstring& name, double value) override;
    bool get_bool(const std::wstring& name, bool def) const override;
    bool set_bool(const std::wstring& name, bool value) override;
    bool names(std::vector<std::wstring>& out) const override;
    bool to_lines(std::vector<std::wstring>& out, bool with_types) const override;
    bool from_lines(const std::vector<std::wstring>& lines, bool keep) override;

    // Returns true with the file's values held: a missing or empty file gives an empty store in
    // the writable modes 2 and 4, false in the read-only ones. An existing file that can't be
    // opened or parsed fails the open after a few tries, the store closed. A binary string
    // above 10 MiB throws runtime_error "read string size too large" (the store closed).
    bool open(int mode, const std::wstring& company, const std::wstring& application) override;
    int mode() const override { return mode_; }
    // Saves when the values changed since the last load or save; false when not writable or
    // the save failed (the change stays recorded for the next flush).
    bool flush() override;
    // Flushes (its result unseen: flush first to learn it), then forgets the values.
    void close() override;
    // Deletes the file of company and application, then their company folder when that is
    // empty. True when the file is gone (or was never there).
    bool remove(const std::wstring& company, const std::wstring& application, bool per_user) override;
    std::wstring company() const override { return company_; }
    std::wstring application() const override { return application_; }

    // Writes the values to the file in its format, replacing it whole; false when not writable
    // or any step failed.
    bool save();
    // The settings file's full path (of the last successful open).
    const std::wstring& path() const { return path_; }
    // 1 when the file was loaded as text, 0 when binary or new.
    int format() const { return format_; }

private:
    bool held() const { return values_ != nullptr; }
    bool held_writable() const { return values_ != nullptr && writable(); }

    std::unique_ptr<map_settings<std::wstring>> values_;
    int mode_ = 0;
    int format_ = 0;
    std::wstring path_;
    std::wstring company_;
    std::wstring application_;
};

}  // namespace vandel
