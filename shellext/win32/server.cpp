// Win32: the COM server's outer layer: DllMain, the two exports, the class factory and the
// DLL's start.
#include "shellext/win32/server.h"

#include "services/interlang.h"
#include "services/shell_extension.h"
#include "services/shell_languages.h"
#include "shellext/menu_model.h"
#include "vandel/folders.h"
#include "vandel/string_scrambler.h"

#include <mutex>
#include <new>

namespace olvex::zyshell {

std::atomic<long> live_objects{0};
std::atomic<const void*> bin_menu_owner{nullptr};

namespace {

HINSTANCE module_handle = nullptr;
std::once_flag started;
std::wstring dll_folder;
std::atomic<bool> languages_ok{false};

std::wstring own_file_name() {
    std::wstring name(520, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(module_handle, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0) return {};
        if (n < name.size()) return name.substr(0, n);
        name.resize(name.size() * 2);  // cut short: a deeper install folder
    }
}

// Returns the menu kind of a class identifier; -1 for one the DLL does not serve.
int kind_of(REFCLSID clsid) {
    static const struct {
        const wchar_t* text;
        int kind;
    } classes[] = {{shell_clsid_files, shell_menu::kind_files},
                   {shell_clsid_drives, shell_menu::kind_drives},
                   {shell_clsid_recycle_bin, shell_menu::kind_recycle_bin}};
    for (const auto& c : classes) {
        CLSID id;
        if (CLSIDFromString(c.text, &id) == NOERROR && IsEqualCLSID(id, clsid)) return c.kind;
    }
    return -1;
}

// The menu's language: the user's option, else the locale's, English as the fallback. Read at
// every class request, so a changed option applies to the next menu. Explorer builds menus on
// several threads: the choice is one step of the table, and none when the language stays.
void choose_language() {
    std::wstring code;
    try {
        code = get_shell_language();
    } catch (...) {
        return;  // the table keeps its languages
    }
    interlang::instance().select_languages(code, L"en");
}

class CMenuFactory : public ShellBase, public IClassFactory {
public:
    explicit CMenuFactory(int kind) : kind_(kind) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long left = --refs_;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        try {
            ShellBase* menu = new_menu(kind_);
            const HRESULT hr = menu->QueryInterface(iid, out);
            if (FAILED(hr)) {
                delete menu;
                *out = nullptr;
            }
            return hr;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    std::atomic<long> refs_{0};
    int kind_;
};

}  // namespace

HINSTANCE module() { return module_handle; }
const std::wstring& module_folder() { return dll_folder; }
bool languages_loaded() { return languages_ok; }

void start_once() {
    std::call_once(started, [] {
        vandel::capture_program_directory();
        vandel::string_scrambler::instance().set_key(vandel::string_scrambler::system_key);
        languages_ok = load_shell_languages(own_file_name(), dll_folder);
    });
}

}  // namespace olvex::zyshell

using namespace olvex::zyshell;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    // Only the handle: everything else waits for the first class request, outside the loader's
    // lock (registry, files and other DLLs are not safe here).
    if (reason == DLL_PROCESS_ATTACH && module_handle == nullptr) module_handle = instance;
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    try {
        if (!olvex::is_shell_extension_enabled()) return CLASS_E_CLASSNOTAVAILABLE;
        const int kind = kind_of(clsid);
        if (kind < 0) return CLASS_E_CLASSNOTAVAILABLE;
        start_once();
        choose_language();
        CMenuFactory* factory = new CMenuFactory(kind);
        const HRESULT hr = factory->QueryInterface(iid, out);
        if (FAILED(hr)) delete factory;
        return hr;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return live_objects == 0 ? S_OK : S_FALSE;
}
