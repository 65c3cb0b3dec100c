// Explorer played for real under Wine: the extension registered in the private prefix, the DLL
// loaded by COM, menus filled into real popup menus and read back, help texts, commands that
// start a stand-in zygui beside the DLL, and the DLL's unloading. The parent test lays out an
// installation in its C: sandbox (DLL, this program, the stand-in, the language folder) and runs
// the copy of this program there as the child that plays Explorer.
#include "services/command_bridge.h"
#include "services/interlang.h"
#include "services/session.h"
#include "services/shell_extension.h"
#include "tests/support/child.h"
#include "tests/support/env.h"
#include "tests/support/sandbox.h"
#include "tests/support/standin.h"
#include "tests/support/wine.h"
#include "vandel/convert.h"
#include "vandel/files.h"
#include "vandel/folders.h"
#include "vandel/numbers.h"
#include "vandel/registry_key.h"

#include "vandel/win32/windows.h"

#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

namespace olvex {
namespace {

using namespace oblivar::test;

const char* const root_variable = "OBLIVAR_SHELL_HOST_ROOT";

// What the host did, for the report at the end.
struct tally {
    int calls = 0;
    int items = 0;
    int launches = 0;
} counts;

HRESULT counted(HRESULT hr) {
    ++counts.calls;
    return hr;
}

// A data object that holds a CF_HDROP list, as Explorer hands the selection over.
class drop_data : public IDataObject {
public:
    explicit drop_data(const std::vector<std::wstring>& paths) {
        std::wstring names;
        for (const std::wstring& p : paths) names += p + L'\0';
        names += L'\0';
        const size_t bytes = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
        global_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
        auto* drop = static_cast<DROPFILES*>(GlobalLock(global_));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = TRUE;
        std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
        GlobalUnlock(global_);
    }
    ~drop_data() { GlobalFree(global_); }
    drop_data(const drop_data&) = delete;
    drop_data& operator=(const drop_data&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the test's stack: the count only shows that the menu gives back what it takes.
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (format->cfFormat != CF_HDROP || (format->tymed & TYMED_HGLOBAL) == 0) return DV_E_FORMATETC;
        const SIZE_T size = GlobalSize(global_);
        HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
        std::memcpy(GlobalLock(copy), GlobalLock(global_), size);
        GlobalUnlock(global_);
        GlobalUnlock(copy);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = copy;
        medium->pUnkForRelease = nullptr;
        ++get_data_calls;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        return format->cfFormat == CF_HDROP ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

    ULONG refs = 1;
    int get_data_calls = 0;

private:
    HGLOBAL global_ = nullptr;
};

CLSID clsid_of(const wchar_t* text) {
    CLSID id{};
    EXPECT_EQ(CLSIDFromString(text, &id), NOERROR);
    return id;
}

// A menu object of one class, as Explorer makes it: through COM, then Initialize.
struct menu_object {
    IShellExtInit* init = nullptr;
    IContextMenu* menu = nullptr;

    menu_object(const wchar_t* clsid, IDataObject* data) {
        const CLSID id = clsid_of(clsid);
        EXPECT_EQ(counted(CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                           reinterpret_cast<void**>(&init))),
                  S_OK);
        if (init == nullptr) return;
        EXPECT_EQ(counted(init->Initialize(nullptr, data, nullptr)), S_OK);
        EXPECT_EQ(counted(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu))), S_OK);
    }
    ~menu_object() {
        if (menu != nullptr) {
            EXPECT_EQ(menu->Release(), 1u);
        }
        if (init != nullptr) {
            EXPECT_EQ(init->Release(), 0u);
        }
    }
    menu_object(const menu_object&) = delete;
    menu_object& operator=(const menu_object&) = delete;
};

constexpr UINT first_id = 100;
constexpr UINT last_id = 0x7FFF;

struct menu_read {
    HRESULT result = E_FAIL;
    std::wstring text;              // the layout, as render() in the model's test
    std::vector<HBITMAP> bitmaps;   // every picture, in menu order
};

// Returns the layout of menu: "-" separators, "offset:text" items, ">text{...}" submenus, "*"
// for an entry with a picture, "!" for a disabled one.
std::wstring read_entries(HMENU menu, std::vector<HBITMAP>& bitmaps) {
    std::wstring out;
    const int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_BITMAP | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 255;
        EXPECT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info));
        ++counts.items;
        if (!out.empty()) out += L" | ";
        if (info.fType & MFT_SEPARATOR) {
            EXPECT_EQ(info.hbmpItem, nullptr);
            out += L"-";
            continue;
        }
        if (info.hSubMenu != nullptr) {
            EXPECT_EQ(info.wID, 0u);
            out += L">";
        } else {
            out += vandel::int_to_text<std::wstring>(info.wID - first_id, 1) + L":";
        }
        out += text;
        if (info.hbmpItem != nullptr) {
            out += L"*";
            bitmaps.push_back(info.hbmpItem);
        }
        if (info.fState & MFS_DISABLED) out += L"!";
        if (info.hSubMenu != nullptr) out += L"{" + read_entries(info.hSubMenu, bitmaps) + L"}";
    }
    return out;
}

menu_read query(IContextMenu* menu, UINT flags = CMF_NORMAL, UINT last = last_id) {
    menu_read r;
    HMENU popup = CreatePopupMenu();
    r.result = counted(menu->QueryContextMenu(popup, 0, first_id, last, flags));
    r.text = read_entries(popup, r.bitmaps);
    DestroyMenu(popup);
    return r;
}

const HRESULT filled = MAKE_HRESULT(SEVERITY_SUCCESS, 0, 17);

// The pixels of a menu picture that are opaque, and of them those in colour.
struct picture_pixels {
    int opaque = 0;
    int coloured = 0;
};

picture_pixels pixels_of(HBITMAP bitmap) {
    picture_pixels out;
    DIBSECTION dib{};
    if (GetObjectW(bitmap, sizeof dib, &dib) != static_cast<int>(sizeof dib) || dib.dsBm.bmBits == nullptr)
        return out;
    const auto* px = static_cast<const RGBQUAD*>(dib.dsBm.bmBits);
    for (int i = 0; i < dib.dsBm.bmWidth * dib.dsBm.bmHeight; ++i) {
        if (px[i].rgbReserved == 0) continue;
        ++out.opaque;
        out.coloured += px[i].rgbRed != px[i].rgbGreen || px[i].rgbGreen != px[i].rgbBlue;
    }
    return out;
}

// The program's submenu as read back, for an elevation state.
std::wstring program(int elevation) {
    return std::wstring(L">Oblivar*{9:Options...* | 8:Page File Wiping...*") + (elevation == 0 ? L"!" : L"") +
           L" | 7:Open the Main Window* | - | 15:User Guide* | 10:Check for Updates* | 13:Oblivar Community* | "
           L"14:Oblivar News* | 16:About Oblivar*}";
}

std::wstring bin_items(int user, int admin, int elevation) {
    return L"{" + vandel::int_to_text<std::wstring>(user, 1) + L":As Current User*" + (elevation == 2 ? L"!" : L"") +
           L" | " + vandel::int_to_text<std::wstring>(admin, 1) + L":As Administrator*" +
           (elevation == 0 ? L"!" : L"") + L"}";
}

HRESULT invoke(IContextMenu* menu, UINT offset, HWND window) {
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.hwnd = window;
    info.lpVerb = MAKEINTRESOURCEA(offset);
    info.nShow = SW_SHOWNORMAL;
    return counted(menu->InvokeCommand(&info));
}

HRESULT help(IContextMenu* menu, UINT_PTR offset, UINT flags, std::wstring& text, UINT size = 256) {
    std::vector<wchar_t> buffer(size + 1, L'#');
    const HRESULT hr = counted(menu->GetCommandString(offset, flags, nullptr, reinterpret_cast<LPSTR>(buffer.data()), size));
    text = hr == S_OK ? std::wstring(buffer.data()) : std::wstring();
    return hr;
}

using dll_get_class_object = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using dll_can_unload_now = HRESULT(STDAPICALLTYPE*)();

HRESULT can_unload() {
    HMODULE dll = GetModuleHandleW(L"zyshell.dll");
    if (dll == nullptr) return E_UNEXPECTED;
    auto f = reinterpret_cast<dll_can_unload_now>(reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
    return f ? counted(f()) : E_UNEXPECTED;
}

std::wstring root() { return get_env(root_variable).value_or(L""); }
std::wstring in_root(const std::wstring& rel) { return root() + L"\\" + rel; }

// Undoes the registration however the child ends.
struct registration {
    registration() {
        vandel::registry_key approved;
        EXPECT_TRUE(approved.create(vandel::registry_local_machine, shell_approved_key()));
        ok = install_shell_extension();
    }
    ~registration() { uninstall_shell_extension(); }
    bool ok = false;
};

TEST(shell_host, child_plays_explorer) {
    if (!is_child_test()) GTEST_SKIP() << "runs as the child of shell_host.explorer_menus";
    ASSERT_FALSE(root().empty());
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    vandel::capture_program_directory();
    std::wstring bin;
    ASSERT_TRUE(vandel::program_directory(bin));
    const int elevation = cached_elevation_type();
    HWND window = CreateWindowExW(0, L"STATIC", L"host", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    const uint64_t window_value = reinterpret_cast<uintptr_t>(window);
    HBITMAP kept_bitmap = nullptr;
    {
        registration reg;
        ASSERT_TRUE(reg.ok);
        ASSERT_TRUE(is_shell_extension_enabled());

        // Files and folders.
        const std::wstring file = in_root(L"data\\a file.txt"), folder = in_root(L"data\\folder");
        drop_data one_file({file});
        size_t runs = 0;
        // Carries out a command and returns the stand-in run it started (empty when none came).
        const auto run_of = [&](IContextMenu* menu, UINT offset) {
            EXPECT_EQ(invoke(menu, offset, window), S_OK) << offset;
            const std::vector<standin_run> seen = wait_for_standin_runs(bin, ++runs);
            EXPECT_EQ(seen.size(), runs) << offset;
            return seen.size() == runs ? seen.back() : standin_run{};
        };
        {
            menu_object m(shell_clsid_files, &one_file);
            ASSERT_NE(m.menu, nullptr);
            EXPECT_EQ(one_file.get_data_calls, 1);
            const menu_read r = query(m.menu);
            EXPECT_EQ(r.result, filled);
            EXPECT_EQ(r.text, L"- | 0:Wipe File* | " + program(elevation) + L" | -");
            ASSERT_EQ(r.bitmaps.size(), 10u);
            // Cached per icon and state: the same handles again, and a disabled item's differs.
            const menu_read again = query(m.menu);
            EXPECT_EQ(again.bitmaps, r.bitmaps);
            kept_bitmap = r.bitmaps[0];
            for (HBITMAP b : r.bitmaps) {
                DIBSECTION dib{};
                ASSERT_EQ(GetObjectW(b, sizeof dib, &dib), static_cast<int>(sizeof dib));
                EXPECT_EQ(dib.dsBm.bmWidth, GetSystemMetrics(SM_CXSMICON));
                EXPECT_EQ(dib.dsBm.bmHeight, GetSystemMetrics(SM_CYSMICON));
                EXPECT_EQ(dib.dsBm.bmBitsPixel, 32);
                // Drawn with alpha: some pixels opaque, the corners clear.
                const auto* px = static_cast<const RGBQUAD*>(dib.dsBm.bmBits);
                const int n = dib.dsBm.bmWidth * dib.dsBm.bmHeight;
                int opaque = 0;
                for (int i = 0; i < n; ++i) opaque += px[i].rgbReserved == 0xFF;
                EXPECT_GT(opaque, n / 8);
                EXPECT_EQ(px[0].rgbReserved, 0);
            }

            EXPECT_EQ(query(m.menu, CMF_DEFAULTONLY).result, MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0));
            EXPECT_EQ(query(m.menu, CMF_DEFAULTONLY).text, L"");
            EXPECT_EQ(query(m.menu, CMF_NORMAL, first_id + 15).text, L"");  // 16 ids: too few

            std::wstring text;
            EXPECT_EQ(help(m.menu, 0, GCS_VALIDATEW, text), S_OK);
            EXPECT_EQ(help(m.menu, 1, GCS_VALIDATEW, text), S_FALSE);
            EXPECT_EQ(help(m.menu, 0, GCS_HELPTEXTW, text), S_OK);
            EXPECT_EQ(text, L"Overwrite the selected files and folders, then delete them");
            const UINT exact = static_cast<UINT>(text.size() + 1);
            EXPECT_EQ(help(m.menu, 0, GCS_HELPTEXTW, text, exact), S_OK);
            EXPECT_EQ(help(m.menu, 0, GCS_HELPTEXTW, text, exact - 1), E_FAIL);
            EXPECT_EQ(help(m.menu, 16, GCS_HELPTEXTW, text), S_OK);
            EXPECT_EQ(text, L"About Oblivar");
            EXPECT_EQ(help(m.menu, 11, GCS_HELPTEXTW, text), E_FAIL);
            EXPECT_EQ(help(m.menu, 17, GCS_HELPTEXTW, text), E_FAIL);
            EXPECT_EQ(help(m.menu, 0, GCS_VERBW, text), E_FAIL);
            EXPECT_EQ(help(m.menu, 0, GCS_HELPTEXTA, text), E_FAIL);

            // Commands: each starts the stand-in beside the DLL with its request.
            const standin_run run0 = run_of(m.menu, 0);
            EXPECT_EQ(run0.command, 0x101u);
            EXPECT_EQ(run0.window, window_value);
            EXPECT_EQ(run0.data, file + L'\0');
            const standin_run run7 = run_of(m.menu, 7);
            EXPECT_EQ(run7.args,
                      (std::vector<std::wstring>{L"-hndl", vandel::int_to_text<std::wstring>(window_value, 3)}));
            const standin_run run9 = run_of(m.menu, 9);
            EXPECT_EQ(run9.command, 0x111u);
            EXPECT_EQ(run9.data, L"");

            CMINVOKECOMMANDINFO by_name{};
            by_name.cbSize = sizeof by_name;
            by_name.lpVerb = "open";
            EXPECT_EQ(counted(m.menu->InvokeCommand(&by_name)), E_FAIL);
            EXPECT_EQ(counted(m.menu->InvokeCommand(nullptr)), E_FAIL);
            EXPECT_EQ(invoke(m.menu, 17, window), E_FAIL);
            EXPECT_EQ(invoke(m.menu, 11, window), S_OK);  // reserved: nothing happens
        }
        EXPECT_EQ(one_file.refs, 1u);

        {
            drop_data one_folder({folder});
            menu_object m(shell_clsid_files, &one_folder);
            EXPECT_EQ(query(m.menu).text, L"- | 0:Wipe Folder* | " + program(elevation) + L" | -");
        }
        {
            // A long selection travels in an ".olvex" file that the receiver reads and deletes.
            std::vector<std::wstring> many;
            std::wstring list;
            for (int i = 0; list.size() <= max_inline_data; ++i) {
                many.push_back(in_root(L"data\\file number " + vandel::int_to_text<std::wstring>(i, 1) + L".txt"));
                list += many.back() + L'\0';
            }
            drop_data selection(many);
            menu_object m(shell_clsid_files, &selection);
            EXPECT_EQ(query(m.menu).text, L"- | 0:Wipe Selected Items* | " + program(elevation) + L" | -");
            const standin_run run0 = run_of(m.menu, 0);
            EXPECT_EQ(run0.command, 0x101u);
            EXPECT_EQ(run0.data, list);
            EXPECT_TRUE(run0.tfn_existed);
            EXPECT_EQ(run0.tfn.substr(run0.tfn.size() - std::min<size_t>(6, run0.tfn.size())), L".olvex");
            EXPECT_FALSE(path_exists(run0.tfn));
        }

        // Drives: C: holds the Windows folder.
        HBITMAP disabled_wipe_drive = nullptr;
        {
            drop_data system_drive({L"C:\\"});
            menu_object m(shell_clsid_drives, &system_drive);
            const menu_read r = query(m.menu);
            EXPECT_EQ(r.result, filled);
            EXPECT_EQ(r.text.rfind(L"- | 1:Wipe Drive*! | 2:Wipe Free Space* | >Wipe Recycle Bin", 0), 0u)
                << vandel::to_utf8(r.text, '?');
            EXPECT_NE(r.text.find(bin_items(3, 5, elevation) + L" | " + program(elevation) + L" | -"),
                      std::wstring::npos)
                << vandel::to_utf8(r.text, '?');
            ASSERT_FALSE(r.bitmaps.empty());
            disabled_wipe_drive = r.bitmaps[0];
            const standin_run run2 = run_of(m.menu, 2);
            EXPECT_EQ(run2.command, 0x104u);
            EXPECT_EQ(run2.data, std::wstring(L"C:\\") + L'\0');
        }
        {
            drop_data two_drives({L"C:\\", L"Q:\\"});
            menu_object m(shell_clsid_drives, &two_drives);
            EXPECT_EQ(query(m.menu).text, L"- | 1:Wipe Drive*! | 2:Wipe Free Space* | >Wipe Recycle Bin*!" +
                                              bin_items(3, 5, elevation) + L" | " + program(elevation) + L" | -");
        }
        {
            // Another drive can be wiped. (Wine answers a bin query for any root from its one
            // bin, so a bin that can't be queried shows only in the menu model's test.)
            drop_data no_such_drive({L"Q:\\"});
            menu_object m(shell_clsid_drives, &no_such_drive);
            const menu_read r = query(m.menu);
            EXPECT_EQ(r.text.rfind(L"- | 1:Wipe Drive* | 2:Wipe Free Space* | >Wipe Recycle Bin", 0), 0u)
                << vandel::to_utf8(r.text, '?');
            // The disabled item's picture is the grey form of this one: the same shape, no colour.
            ASSERT_FALSE(r.bitmaps.empty());
            const picture_pixels grey = pixels_of(disabled_wipe_drive), colour = pixels_of(r.bitmaps[0]);
            EXPECT_NE(r.bitmaps[0], disabled_wipe_drive);
            EXPECT_GT(colour.coloured, 0);
            EXPECT_EQ(grey.opaque, colour.opaque);
            EXPECT_EQ(grey.coloured, 0);
            // A volume that can't be read raw asks for administrator rights ("runas", which Wine
            // grants without a prompt): the request arrives all the same.
            const standin_run run1 = run_of(m.menu, 1);
            EXPECT_EQ(run1.command, 0x102u);
            EXPECT_EQ(run1.data, std::wstring(L"Q:\\") + L'\0');
        }

        // The Recycle Bin: while its menu exists, no other menu of the process gets entries.
        {
            menu_object bin_menu(shell_clsid_recycle_bin, nullptr);
            const menu_read r = query(bin_menu.menu);
            EXPECT_EQ(r.result, filled);
            EXPECT_EQ(r.text.substr(0, 27), L"- | >Wipe All Recycle Bins*");
            EXPECT_NE(r.text.find(bin_items(4, 6, elevation) + L" | " + program(elevation) + L" | -"),
                      std::wstring::npos)
                << vandel::to_utf8(r.text, '?');
            menu_object files_menu(shell_clsid_files, &one_file);
            const menu_read blocked = query(files_menu.menu);
            EXPECT_EQ(blocked.result, MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0));
            EXPECT_EQ(blocked.text, L"");
            EXPECT_EQ(query(bin_menu.menu).text, L"");
            const standin_run run4 = run_of(bin_menu.menu, 4);
            EXPECT_EQ(run4.command, 0x105u);
            EXPECT_EQ(run4.data, L"");
        }
        {
            menu_object m(shell_clsid_files, &one_file);
            EXPECT_EQ(query(m.menu).result, filled);  // the bin menu is gone
        }

        // Options: icons off, a translation that hides the item, the extension switched off.
        ASSERT_TRUE(set_shell_icons(false));
        {
            menu_object m(shell_clsid_files, &one_file);
            const menu_read r = query(m.menu);
            EXPECT_TRUE(r.bitmaps.empty());
            EXPECT_EQ(r.text.find(L"*"), std::wstring::npos);
        }
        ASSERT_TRUE(set_shell_icons(true));
        ASSERT_TRUE(set_shell_language(L"xx"));
        {
            menu_object m(shell_clsid_files, &one_file);
            EXPECT_EQ(query(m.menu).text, L"- | - | " + program(elevation) + L" | -");
        }
        ASSERT_TRUE(set_shell_language(L"zz"));  // no such language: English
        {
            menu_object m(shell_clsid_files, &one_file);
            EXPECT_EQ(query(m.menu).text, L"- | 0:Wipe File* | " + program(elevation) + L" | -");
        }

        // The class factory and the counts.
        HMODULE dll = GetModuleHandleW(L"zyshell.dll");
        ASSERT_NE(dll, nullptr);
        auto get_class = reinterpret_cast<dll_get_class_object>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
        ASSERT_NE(get_class, nullptr);
        EXPECT_EQ(can_unload(), S_OK);
        IClassFactory* factory = nullptr;
        ASSERT_EQ(counted(get_class(clsid_of(shell_clsid_drives), IID_IClassFactory, reinterpret_cast<void**>(&factory))),
                  S_OK);
        EXPECT_EQ(can_unload(), S_FALSE);
        void* made = reinterpret_cast<void*>(1);
        EXPECT_EQ(counted(factory->CreateInstance(factory, IID_IContextMenu, &made)), CLASS_E_NOAGGREGATION);
        EXPECT_EQ(made, nullptr);
        EXPECT_EQ(counted(factory->CreateInstance(nullptr, IID_IClassFactory, &made)), E_NOINTERFACE);
        EXPECT_EQ(counted(factory->LockServer(TRUE)), S_OK);
        EXPECT_EQ(factory->Release(), 0u);
        EXPECT_EQ(can_unload(), S_OK);
        void* none = reinterpret_cast<void*>(1);
        EXPECT_EQ(counted(get_class(clsid_of(L"{00000000-1111-2222-3333-444444444444}"), IID_IClassFactory, &none)),
                  CLASS_E_CLASSNOTAVAILABLE);
        EXPECT_EQ(none, nullptr);

        // Menus and help texts built on four threads at once while a fifth switches the menu's
        // language back and forth: every call succeeds, and the live count ends at zero.
        std::atomic<int> failed{0}, calls{0}, builders_done{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&, get_class] {
                CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
                drop_data selection({file});
                const auto ok = [&](bool good) {
                    ++calls;
                    if (!good) ++failed;
                    return good;
                };
                for (int i = 0; i < 100; ++i) {
                    IClassFactory* f = nullptr;
                    if (!ok(SUCCEEDED(get_class(clsid_of(shell_clsid_files), IID_IClassFactory,
                                                reinterpret_cast<void**>(&f))))) {
                        continue;
                    }
                    IShellExtInit* init = nullptr;
                    IContextMenu* m = nullptr;
                    if (ok(f->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init)) == S_OK) &&
                        ok(init->Initialize(nullptr, &selection, nullptr) == S_OK) &&
                        ok(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&m)) == S_OK)) {
                        HMENU popup = CreatePopupMenu();
                        ok(m->QueryContextMenu(popup, 0, first_id, last_id, CMF_NORMAL) == filled);
                        ok(GetMenuItemCount(popup) == 4);
                        DestroyMenu(popup);
                        wchar_t text[256] = {};
                        ok(m->GetCommandString(0, GCS_HELPTEXTW, nullptr, reinterpret_cast<LPSTR>(text), 256) ==
                               S_OK &&
                           text[0] != L'\0');
                    }
                    if (m != nullptr) m->Release();
                    if (init != nullptr) init->Release();
                    f->Release();
                }
                CoUninitialize();
                ++builders_done;
            });
        }
        threads.emplace_back([&] {
            for (int n = 0; builders_done < 4; ++n) {
                ++calls;
                if (!set_shell_language(n % 2 == 0 ? L"xx" : L"en")) ++failed;
            }
        });
        for (std::thread& t : threads) t.join();
        counts.calls += calls;
        EXPECT_EQ(failed, 0) << "of " << calls << " calls";
        EXPECT_EQ(can_unload(), S_OK);

        ASSERT_TRUE(set_shell_enabled(false));
        EXPECT_EQ(counted(get_class(clsid_of(shell_clsid_files), IID_IClassFactory, &none)), CLASS_E_CLASSNOTAVAILABLE);
        ASSERT_TRUE(set_shell_enabled(true));

        // Every run the stand-in recorded came from a command above.
        EXPECT_EQ(standin_runs(bin).size(), runs);
        counts.launches = static_cast<int>(runs);
    }
    // Unloading the DLL frees its bitmaps.
    EXPECT_EQ(GetObjectType(kept_bitmap), static_cast<DWORD>(OBJ_BITMAP));
    CoFreeUnusedLibrariesEx(0, 0);
    CoUninitialize();
    EXPECT_EQ(GetModuleHandleW(L"zyshell.dll"), nullptr);
    EXPECT_EQ(GetObjectType(kept_bitmap), 0u);
    DestroyWindow(window);
    std::printf("shell host: %d calls into the DLL, %d menu entries read, %d launches of the stand-in\n",
                counts.calls, counts.items, counts.launches);
}

std::wstring own_folder() { return vandel::directory_part(own_program_path()); }

TEST(shell_host, explorer_menus) {
    if (!running_under_wine()) GTEST_SKIP() << "registers the extension machine-wide: runs only in the private Wine prefix";
    sandbox sb;
    const std::wstring bin = sb.path(L"bin");
    make_dirs(bin);
    make_dirs(sb.path(L"zy-langs"));
    make_dirs(sb.path(L"data\\folder"));
    write_bytes(sb.path(L"data\\a file.txt"), "secret\n");
    write_bytes(bin + L"\\zyshell.dll", read_bytes(own_folder() + ZYSHELL_DLL));
    write_bytes(bin + L"\\shell_host.exe", read_bytes(own_program_path()));
    install_standin(bin);
    write_bytes(sb.path(L"zy-langs\\english.lang.txt"), read_bytes(own_folder() + L"zy-langs\\english.lang.txt"));
    write_bytes(sb.path(L"zy-langs\\hidden.lang.txt"), "KEY: CXT_WIPE_FILE\nLANG: xx\nTEXT: --\n");
    scoped_env where(root_variable, sb.root());
    EXPECT_EQ(run_child_test("shell_host.child_plays_explorer", bin + L"\\shell_host.exe"), 0);
}

}  // namespace
}  // namespace olvex
