#pragma once
// Win32: the DLL's process-wide state that its COM objects share (the module, the live-object
// count, the menu bitmaps, the open recycle-bin menu), and its COM classes.
#include "vandel/win32/windows.h"

#include <objbase.h>
#include <shlobj.h>

#include <atomic>
#include <string>

namespace olvex::zyshell {

// Objects of the DLL that exist; DllCanUnloadNow answers from it.
extern std::atomic<long> live_objects;
// The menu object that filled a recycle-bin menu; null while none is open.
extern std::atomic<const void*> bin_menu_owner;

// The DLL's module handle, as DllMain stored it.
HINSTANCE module();
// Returns the DLL's folder with a trailing separator; empty when it could not be read.
const std::wstring& module_folder();
// Returns whether every language file loaded at the DLL's start.
bool languages_loaded();
// The DLL's start, done once per process by the first class request: the program folder, the
// string scrambler's key, the language files. DllMain does none of it: it runs under the
// loader's lock.
void start_once();

// Returns the bitmap of an icon group for a menu item, grey for a disabled one; made once per
// group and state and kept until the DLL unloads. Null when it can't be made.
HBITMAP menu_bitmap(int group, bool grey);

// The common base of the DLL's COM objects: each one counts as live while it exists.
class ShellBase {
public:
    ShellBase() { ++live_objects; }
    virtual ~ShellBase() { --live_objects; }
    ShellBase(const ShellBase&) = delete;
    ShellBase& operator=(const ShellBase&) = delete;
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};

// Returns a new menu object of the kind (0 files and folders, 1 drives, 2 Recycle Bin) with no
// reference yet; throws bad_alloc.
ShellBase* new_menu(int kind);

}  // namespace olvex::zyshell
