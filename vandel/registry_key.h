#pragma once
// The one way into the Windows registry: an object holding at most one open key, with typed
// reads and writes of its values. The system calls sit behind registry_backend, so the same
// wrapper runs over advapi32 (Windows), over no registry at all (other systems: every open and
// create fails) or over a test's in-memory registry.
//
// Misuse and value-level failures throw standard exceptions with short texts; failures to open,
// create or delete keys are false results.
#include <cstdint>
#include <string>

namespace vandel {

// Roots of a key (registry_key::scope). Any other number names no root; the system refuses it.
enum registry_scope : int {
    registry_classes_root = 1,
    registry_current_user = 2,
    registry_local_machine = 3,
    registry_users = 4,
    registry_current_config = 5,
};

// Registry views: 0 the caller's default, 1 the 32-bit view, 2 the 64-bit view.
enum registry_view : int { registry_default_view = 0, registry_32_view = 1, registry_64_view = 2 };

// Kinds of value (registry_key::value_type); 0 is every other type.
enum registry_value_kind : int {
    registry_other_kind = 0,
    registry_dword_kind = 1,
    registry_qword_kind = 2,
    registry_string_kind = 3,
    registry_expand_string_kind = 4,
    registry_multi_string_kind = 5,
    registry_binary_kind = 6,
};

// The system's value types and access masks, with the numbers of the Win32 API.
namespace reg {
constexpr uint32_t type_none = 0;
constexpr uint32_t type_sz = 1;
constexpr uint32_t type_expand_sz = 2;
constexpr uint32_t type_binary = 3;
constexpr uint32_t type_dword = 4;
constexpr uint32_t type_dword_big_endian = 5;
constexpr uint32_t type_multi_sz = 7;
constexpr uint32_t type_qword = 11;

constexpr uint32_t key_read = 0x20019;
constexpr uint32_t key_write = 0x20006;
constexpr uint32_t key_all_access = 0xF003F;
constexpr uint32_t wow64_64key = 0x100;
constexpr uint32_t wow64_32key = 0x200;

// Result codes of the backend calls (Win32 error codes).
constexpr long ok = 0;
constexpr long file_not_found = 2;
constexpr long access_denied = 5;
constexpr long invalid_handle = 6;
constexpr long not_implemented = 120;
constexpr long more_data = 234;
constexpr long no_more_items = 259;
constexpr long key_deleted = 1018;
}  // namespace reg

// The registry calls the wrapper makes, one per Win32 function it uses. Each returns reg::ok or
// a Win32 error code. Names and paths are UTF-16 units; value data are the bytes as stored
// (little-endian numbers, UTF-16LE texts).
class registry_backend {
public:
    using handle = void*;
    virtual ~registry_backend();

    // RegOpenKeyExW: opens scope\path (an empty path opens the root) with the access mask.
    virtual long open_key(int scope, const std::wstring& path, uint32_t access, handle& out) = 0;
    // RegCreateKeyExW (non-volatile, default security): opens the key, creating it and the
    // missing keys on its path.
    virtual long create_key(int scope, const std::wstring& path, uint32_t access, handle& out) = 0;
    // RegCloseKey.
    virtual void close_key(handle key) = 0;
    // RegDeleteKeyExW with the view flag (RegDeleteKeyW where that is missing): deletes a key
    // that has no sub-keys.
    virtual long delete_key(int scope, const std::wstring& path, uint32_t view_flag) = 0;
    // RegSetValueExW.
    virtual long set_value(handle key, const std::wstring& name, uint32_t type, const void* data, uint32_t size) = 0;
    // RegQueryValueExW: type, data and size may each be null; *size is the buffer's size on the
    // way in and the value's size on the way out. A buffer too small gives reg::more_data.
    virtual long query_value(handle key, const std::wstring& name, uint32_t* type, void* data, uint32_t* size) = 0;
    // RegDeleteValueW.
    virtual long delete_value(handle key, const std::wstring& name) = 0;
    // RegFlushKey.
    virtual long flush_key(handle key) = 0;
    // RegQueryInfoKeyW, the number of values only.
    virtual long value_count(handle key, uint32_t& count) = 0;
    // RegEnumValueW into a buffer of capacity units (terminator included): a longer name gives
    // reg::more_data, an index past the end reg::no_more_items.
    virtual long value_name(handle key, uint32_t index, uint32_t capacity, std::wstring& out) = 0;
};

// Returns the system's registry: advapi32 on Windows; elsewhere a backend on which every call
// fails with reg::not_implemented.
registry_backend& system_registry_backend();

// The process-wide backend that registry_key objects use unless given one. Tests install an
// in-memory registry here; nullptr restores the system's. Returns the backend installed before.
registry_backend* set_registry_backend(registry_backend* backend);
// Returns the installed backend (the system's unless a test installed another).
registry_backend& current_registry_backend();

class registry_key {
public:
    // A closed key over the process-wide backend, or over the one given (which must outlive it).
    registry_key();
    explicit registry_key(registry_backend& backend);
    registry_key(const registry_key&) = delete;
    registry_key& operator=(const registry_key&) = delete;
    virtual ~registry_key();

    // 0 closed, 1 open for reading, 2 open for reading and writing.
    int mode() const { return mode_; }
    // The root of the open key (0 while closed).
    int scope() const { return scope_; }
    // The sub-key path of the open key (empty while closed).
    const std::wstring& path() const { return path_; }
    // The view added to every open, create and key deletion; close keeps it.
    int view() const { return view_; }
    void set_view(int view) { view_ = view; }

    // Returns true with scope\path open in mode 1 or 2 (the key held before closed); false with
    // everything as it was. Throws invalid_argument "invalid argument" for a path above 254
    // units or a mode other than 1 and 2. An empty path opens the root.
    bool open(int scope, const std::wstring& path, int mode);
    // Returns true with the key opened (created when missing) in mode 2; false with everything
    // as it was. Throws invalid_argument "invalid argument" for an empty path or one above 254.
    bool create(int scope, const std::wstring& path);
    void close();
    // Returns true when the key (which must have no sub-keys) was deleted. When scope and path
    // name this object's own key it is closed first, whatever the outcome. Throws
    // invalid_argument "invalid argument" for a path above 254 units.
    bool delete_key(int scope, const std::wstring& path);

    // Mode 2 only (mode 0 throws logic_error "invalid state", mode 1 logic_error
    // "read-only error").
    // Returns true with the key deleted and created again empty; false when either failed (a
    // failed deletion leaves this object closed).
    bool clear();
    // Return true when the system call succeeded.
    bool delete_value(const std::wstring& name);
    bool flush();
    // Write a value; a system failure throws runtime_error "failed". A text above 8190 units
    // throws length_error "invalid size".
    void write_string_typed(const std::wstring& name, const std::wstring& text, uint32_t type);
    void write_string(const std::wstring& name, const std::wstring& text);
    void write_dword(const std::wstring& name, int32_t value);
    void write_qword(const std::wstring& name, int64_t value);

    // Mode 1 or 2 (mode 0 throws logic_error "invalid state").
    // Returns whether the value exists and can be queried.
    bool value_exists(const std::wstring& name) const;
    // Return the value's kind and byte size; a missing value throws runtime_error "not found".
    int value_type(const std::wstring& name) const;
    uint32_t value_size(const std::wstring& name) const;
    // Returns a DWORD, or a QWORD within the int32 range as its low 32 bits (outside:
    // range_error "range error"). Other kinds throw runtime_error "invalid type", a value of
    // the wrong size or a failed query runtime_error "failed".
    uint32_t read_dword(const std::wstring& name) const;
    // Returns a QWORD, or a DWORD as a sign-extended int32; errors as read_dword.
    int64_t read_qword(const std::wstring& name) const;
    // Returns a string value without its final NUL (empty for an empty or odd-sized value), a
    // DWORD or QWORD as signed decimal text; other kinds throw runtime_error "invalid type".
    std::wstring read_string(const std::wstring& name) const;
    // Returns the number of values; a failure throws runtime_error "failed".
    uint32_t value_count() const;
    // Returns the name of the value at index in the registry's order (empty for the default
    // value). Throws out_of_range "invalid index" outside 0..value_count()-1, runtime_error
    // "failed" when the query fails or the name is longer than 254 units.
    std::wstring value_name(int index) const;

private:
    void require_readable() const;
    void require_writable() const;
    uint32_t view_flag() const;
    // Queries exactly size bytes of a value of type; throws "failed" for anything else.
    void read_exact(const std::wstring& name, uint32_t type, uint8_t* out, uint32_t size) const;

    registry_backend* backend_;
    int mode_ = 0;
    int scope_ = 0;
    int view_ = 0;
    registry_backend::handle handle_ = nullptr;
    std::wstring path_;
};

}  // namespace vandel
