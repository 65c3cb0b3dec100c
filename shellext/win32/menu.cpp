// Win32: the context-menu object that Explorer creates per menu: it gathers the selection and
// the system's facts, inserts the entries the menu model chose and carries out a command.
#include "services/command_bridge.h"
#include "services/session.h"
#include "services/shell_extension.h"
#include "services/shell_open.h"
#include "shellext/menu_model.h"
#include "shellext/win32/server.h"
#include "vandel/file_stream.h"
#include "vandel/files.h"
#include "vandel/strings.h"
#include "vandel/win32/system_folders.h"

#include <shellapi.h>
#include <shlwapi.h>

namespace olvex::zyshell {

namespace {

// The abstract context-menu base: a handler that takes no selection and offers no help texts.
class CCxtMenu : public ShellBase, public IShellExtInit, public IContextMenu {
public:
    HRESULT STDMETHODCALLTYPE Initialize(PCIDLIST_ABSOLUTE, IDataObject*, HKEY) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR, UINT, UINT*, LPSTR, UINT) override { return S_FALSE; }
};

// Returns the drive number (0 = A) of the Windows folder, found once; -1 when unknown.
int system_drive() {
    static const int drive = [] {
        const std::wstring folder = vandel::win32::windows_directory();
        return folder.empty() ? -1 : PathGetDriveNumberW(folder.c_str());
    }();
    return drive;
}

// Returns what the recycle bin of root (all drives when empty) holds.
int bin_state(const std::wstring& root) {
    SHQUERYRBINFO info{};
    info.cbSize = sizeof info;
    if (FAILED(SHQueryRecycleBinW(root.empty() ? nullptr : root.c_str(), &info))) return shell_menu::bin_unknown;
    return info.i64NumItems != 0 ? shell_menu::bin_full : shell_menu::bin_empty;
}

// Returns whether the volume of the path's drive opens for raw reading; true for a path without
// drive letter (nothing to raise rights for).
bool volume_readable(const std::wstring& path) {
    const int drive = PathGetDriveNumberW(path.c_str());
    if (drive < 0) return true;
    const std::wstring volume = std::wstring(L"\\\\.\\") + static_cast<wchar_t>(L'A' + drive) + L":";
    vandel::file_stream s(volume, vandel::open_read | vandel::open_share_read_write | vandel::open_device);
    return s.is_open();
}

// Opens a page of the help folder "zy-help" beside the program's folder (the DLL's folder).
bool open_help_page(const std::wstring& page) {
    const std::wstring program = vandel::remove_trailing_separator(module_folder());
    const std::wstring help = vandel::directory_part(program) + L"zy-help\\";
    return open_location(location_web, help + vandel::replace_all(page, L"/", L"\\", 0));
}

// Inserts the entries into menu from position at on; first_id is the id of offset 0.
void insert_entries(HMENU menu, UINT at, const std::vector<shell_menu::entry>& entries, UINT first_id) {
    for (const shell_menu::entry& e : entries) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        std::wstring text = e.text;
        HMENU sub = nullptr;
        if (e.type == shell_menu::entry_type::separator) {
            info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE;
            info.fType = MFT_SEPARATOR;
        } else {
            info.fMask = MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_FTYPE;
            info.fType = MFT_STRING;
            info.fState = e.state;
            info.dwTypeData = text.data();
            info.cch = static_cast<UINT>(text.size());
            if (e.type == shell_menu::entry_type::item) {
                info.wID = first_id + e.offset;
            } else {
                sub = CreateMenu();
                if (sub == nullptr) continue;
                info.fMask |= MIIM_SUBMENU;
                info.hSubMenu = sub;
            }
            if (e.icon != shell_menu::no_icon) {
                if (HBITMAP bitmap = menu_bitmap(e.icon, (e.state & shell_menu::state_disabled) != 0)) {
                    info.fMask |= MIIM_BITMAP;
                    info.hbmpItem = bitmap;
                }
            }
        }
        if (!InsertMenuItemW(menu, at, TRUE, &info)) {
            if (sub != nullptr) DestroyMenu(sub);
            continue;
        }
        ++at;
        if (sub != nullptr) insert_entries(sub, 0, e.children, first_id);
    }
}

class ZyMenu : public CCxtMenu {
public:
    explicit ZyMenu(int kind) : kind_(kind), launcher_(L".olvex"), icons_(get_shell_icons() != 0) {
        launcher_.set_program_directory(module_folder());
    }
    ~ZyMenu() override {
        const void* self = this;
        bin_menu_owner.compare_exchange_strong(self, nullptr);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IShellExtInit)) {
            *out = static_cast<IShellExtInit*>(this);
        } else if (IsEqualIID(iid, IID_IContextMenu)) {
            *out = static_cast<IContextMenu*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long left = --refs_;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY) override {
        if (!languages_loaded()) return E_FAIL;
        try {
            paths_.clear();
            path_count_ = 0;
            if (data == nullptr) return S_OK;
            FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
            STGMEDIUM medium{};
            if (FAILED(data->GetData(&format, &medium))) return S_OK;
            struct release_medium {
                STGMEDIUM& m;
                ~release_medium() { ReleaseStgMedium(&m); }
            } release{medium};
            HDROP drop = static_cast<HDROP>(medium.hGlobal);
            const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
            paths_.reserve(static_cast<size_t>(count) * 50);
            for (UINT i = 0; i < count; ++i) {
                const UINT length = DragQueryFileW(drop, i, nullptr, 0);
                std::wstring name(length + 1, L'\0');
                if (length == 0 || DragQueryFileW(drop, i, name.data(), length + 1) != length) continue;
                name.resize(length);
                paths_ += name;
                paths_ += L'\0';
            }
            path_count_ = count;
            return S_OK;
        } catch (...) {
            return E_FAIL;
        }
    }

    HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT index, UINT first_id, UINT last_id,
                                               UINT flags) override {
        if (!shell_menu::may_fill(flags, first_id, last_id, bin_menu_owner.load() != nullptr))
            return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
        try {
            const std::vector<shell_menu::entry> entries = shell_menu::build_menu(facts());
            if (kind_ == shell_menu::kind_recycle_bin && !entries.empty()) {
                const void* none = nullptr;
                // Another thread's bin menu got there first: this one stays empty.
                if (!bin_menu_owner.compare_exchange_strong(none, this))
                    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, shell_menu::command_count);
            }
            insert_entries(menu, index, entries, first_id);
            return MAKE_HRESULT(SEVERITY_SUCCESS, 0, shell_menu::command_count);
        } catch (...) {
            return E_FAIL;
        }
    }

    HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override {
        if (info == nullptr || info->cbSize < sizeof(CMINVOKECOMMANDINFO)) return E_FAIL;
        // A verb given by name: any bit above the low word, on 64 bits too.
        if ((reinterpret_cast<uintptr_t>(info->lpVerb) >> 16) != 0) return E_FAIL;
        try {
            shell_menu::invoke_env env;
            env.volume_readable = volume_readable;
            env.open_page = open_help_page;
            const uint64_t window = reinterpret_cast<uintptr_t>(info->hwnd);
            return shell_menu::invoke(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(info->lpVerb)), paths_, window, launcher_, env) ? S_OK : E_FAIL;
        } catch (...) {
            return E_FAIL;
        }
    }

    HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR offset, UINT flags, UINT*, LPSTR buffer,
                                               UINT size) override {
        try {
            if (flags == GCS_VALIDATEW) return offset == 0 ? S_OK : S_FALSE;
            if (flags != GCS_HELPTEXTW || buffer == nullptr) return E_FAIL;
            std::wstring text;
            if (offset > UINT32_MAX || !shell_menu::help_text(static_cast<uint32_t>(offset), size, text)) return E_FAIL;
            wchar_t* out = reinterpret_cast<wchar_t*>(buffer);
            text.copy(out, text.size());
            out[text.size()] = L'\0';
            return S_OK;
        } catch (...) {
            return E_FAIL;
        }
    }

private:
    shell_menu::facts facts() const {
        shell_menu::facts f;
        f.kind = kind_;
        f.path_count = path_count_;
        f.elevation = cached_elevation_type();
        f.icons = icons_;
        const std::wstring first = shell_menu::first_path(paths_);
        if (kind_ == shell_menu::kind_files && path_count_ > 0) {
            f.first_path_kind = vandel::path_kind(first);
        } else if (kind_ == shell_menu::kind_drives && path_count_ > 0) {
            f.first_drive = PathGetDriveNumberW(first.c_str());
            f.system_drive = system_drive();
            if (path_count_ == 1) f.bin = bin_state(first);
        } else if (kind_ == shell_menu::kind_recycle_bin) {
            f.bin = bin_state(L"");
        }
        return f;
    }

    std::atomic<long> refs_{0};
    int kind_;
    uint32_t path_count_ = 0;
    std::wstring paths_;
    command_bridge launcher_;
    bool icons_;
};

}  // namespace

ShellBase* new_menu(int kind) { return new ZyMenu(kind); }

}  // namespace olvex::zyshell
