// Win32 registry backend: the advapi32 calls of the registry key wrapper, nothing else.
#include "vandel/registry_key.h"
#include "vandel/win32/windows.h"

namespace vandel {

namespace {

HKEY root_of(int scope) {
    switch (scope) {
    case registry_classes_root: return HKEY_CLASSES_ROOT;
    case registry_current_user: return HKEY_CURRENT_USER;
    case registry_local_machine: return HKEY_LOCAL_MACHINE;
    case registry_users: return HKEY_USERS;
    case registry_current_config: return HKEY_CURRENT_CONFIG;
    default: return nullptr;
    }
}

HKEY as_key(registry_backend::handle h) { return static_cast<HKEY>(h); }

using delete_key_ex_fn = LSTATUS(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);

// RegDeleteKeyExW exists from Vista on; older systems only know RegDeleteKeyW (no views).
delete_key_ex_fn find_delete_key_ex() {
    for (const wchar_t* module : {L"kernel32", L"advapi32"}) {
        HMODULE m = GetModuleHandleW(module);
        if (!m) continue;
        if (FARPROC f = GetProcAddress(m, "RegDeleteKeyExW")) return reinterpret_cast<delete_key_ex_fn>(
            reinterpret_cast<void (*)()>(f));
    }
    return nullptr;
}

class advapi32_registry final : public registry_backend {
public:
    long open_key(int scope, const std::wstring& path, uint32_t access, handle& out) override {
        HKEY root = root_of(scope);
        if (!root) return ERROR_INVALID_HANDLE;
        HKEY k = nullptr;
        const LSTATUS rc = RegOpenKeyExW(root, path.c_str(), 0, access, &k);
        if (rc == ERROR_SUCCESS) out = k;
        return rc;
    }

    long create_key(int scope, const std::wstring& path, uint32_t access, handle& out) override {
        HKEY root = root_of(scope);
        if (!root) return ERROR_INVALID_HANDLE;
        HKEY k = nullptr;
        const LSTATUS rc =
            RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &k, nullptr);
        if (rc == ERROR_SUCCESS) out = k;
        return rc;
    }

    void close_key(handle key) override { RegCloseKey(as_key(key)); }

    long delete_key(int scope, const std::wstring& path, uint32_t view_flag) override {
        HKEY root = root_of(scope);
        if (!root) return ERROR_INVALID_HANDLE;
        if (delete_key_ex_fn f = find_delete_key_ex()) return f(root, path.c_str(), view_flag, 0);
        return RegDeleteKeyW(root, path.c_str());
    }

    long set_value(handle key, const std::wstring& name, uint32_t type, const void* data, uint32_t size) override {
        return RegSetValueExW(as_key(key), name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    }

    long query_value(handle key, const std::wstring& name, uint32_t* type, void* data, uint32_t* size) override {
        DWORD t = 0, n = size ? *size : 0;
        const LSTATUS rc = RegQueryValueExW(as_key(key), name.c_str(), nullptr, type ? &t : nullptr,
                                            static_cast<BYTE*>(data), size ? &n : nullptr);
        if (type) *type = t;
        if (size) *size = n;
        return rc;
    }

    long delete_value(handle key, const std::wstring& name) override {
        return RegDeleteValueW(as_key(key), name.c_str());
    }

    long flush_key(handle key) override { return RegFlushKey(as_key(key)); }

    long value_count(handle key, uint32_t& count) override {
        DWORD n = 0;
        const LSTATUS rc = RegQueryInfoKeyW(as_key(key), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &n,
                                            nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_SUCCESS) count = n;
        return rc;
    }

    long value_name(handle key, uint32_t index, uint32_t capacity, std::wstring& out) override {
        std::wstring buf(capacity, L'\0');
        DWORD n = capacity;
        const LSTATUS rc = RegEnumValueW(as_key(key), index, buf.data(), &n, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_SUCCESS) out.assign(buf.data(), n);
        return rc;
    }
};

}  // namespace

registry_backend& system_registry_backend() {
    static advapi32_registry backend;
    return backend;
}

}  // namespace vandel
