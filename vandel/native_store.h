#pragma once
// The registry settings store: the values of one company and application as the values of the
// key "Software\<company>\<application>" of the current user's or the machine's hive. Every call
// reads or writes the registry at once; only the modified flags live in the object.
//
// Integers and bools are stored as REG_DWORD (or REG_QWORD beyond 32 bits) and read back as int;
// texts and floats as REG_SZ and read back as str. Value names follow the registry: no case.
// On systems without a registry every open fails (see registry_key.h for the backend).
#include "vandel/registry_key.h"
#include "vandel/settings.h"

#include <map>
#include <memory>
#include <string>

namespace vandel {

// Returns "Software\" + company + "\" + application, without the part that is empty.
std::wstring registry_settings_path(const std::wstring& company, const std::wstring& application);

class native_store : public store_interface<std::wstring> {
public:
    // A closed store over the process-wide registry backend, or over the one given (which must
    // outlive it).
    native_store();
    explicit native_store(registry_backend& backend);
    native_store(const native_store&) = delete;
    native_store& operator=(const native_store&) = delete;
    ~native_store() override;

    bool copy_from(const settings_interface<std::wstring>& other) override;
    bool value_modified(const std::wstring& name) const override;
    bool modified() const override;
    bool set_value_modified(const std::wstring& name, bool flag) override;
    bool set_modified(bool flag) override;
    // Deletes and re-creates the key; false (key kept open) when the key can't be deleted.
    bool clear() override;
    int64_t count() const override;
    bool erase(const std::wstring& name) override;
    int type(const std::wstring& name) const override;
    std::wstring get_string(const std::wstring& name, const std::wstring& def) const override;
    // False when not writable, the write failed or text is above 8190 units.
    bool set_string(const std::wstring& name, const std::wstring& text) override;
    // A numeric value as it is, a string by its leading integer (radix 0).
    int64_t get_int(const std::wstring& name, int64_t def, int64_t min, int64_t max) const override;
    bool set_int(const std::wstring& name, int64_t value) override;
    double get_float(const std::wstring& name, double def) const override;
    bool set_float(const std::wstring& name, double value) override;
    // Only numbers count: a string "true" gives def.
    bool get_bool(const std::wstring& name, bool def) const override;
    bool set_bool(const std::wstring& name, bool value) override;
    bool names(std::vector<std::wstring>& out) const override;
    // Lines of the str and int values only, in the registry's order.
    bool to_lines(std::vector<std::wstring>& out, bool with_types) const override;
    bool from_lines(const std::vector<std::wstring>& lines, bool keep) override;

    // Modes 2 and 4 create the key when missing; every value then counts as modified until
    // the flags are cleared.
    bool open(int mode, const std::wstring& company, const std::wstring& application) override;
    int mode() const override { return mode_; }
    // Asks the registry to make the key durable.
    bool flush() override;
    void close() override;
    // Deletes the application's key, then the company's key (which fails while it holds others;
    // the result is then false).
    bool remove(const std::wstring& company, const std::wstring& application, bool per_user) override;
    std::wstring company() const override { return company_; }
    std::wstring application() const override { return application_; }

private:
    // Orders value names as the registry compares them: without case.
    struct no_case {
        bool operator()(const std::wstring& a, const std::wstring& b) const;
    };

    // Reads a numeric value, or a string by its leading integer; false when there is none.
    bool read_int(const std::wstring& name, int64_t& out) const;
    // Records a write: the store's and the value's flags.
    void written(const std::wstring& name);

    std::unique_ptr<registry_key> key_;
    int mode_ = 0;
    bool modified_ = false;
    bool default_flag_ = false;
    std::wstring company_;
    std::wstring application_;
    std::map<std::wstring, bool, no_case> flags_;
};

}  // namespace vandel
