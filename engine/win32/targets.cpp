// Windows target provider: drive strings and types, device and volume control codes, volume
// locks and dismounts, and the shell's recycle bin.
#include "engine/drives.h"
#include "engine/targets.h"
#include "vandel/convert.h"
#include "vandel/file_stream.h"
#include "vandel/files.h"
#include "vandel/strings.h"
#include "vandel/win32/system_folders.h"
#include "vandel/win32/windows.h"

#include <shellapi.h>
#include <winioctl.h>

#include <algorithm>

namespace olvex {

namespace {

using vandel::win32::scoped_handle;

const wchar_t device_prefix[] = L"\\\\.\\PhysicalDrive";

bool is_drive_root(const std::wstring& root) { return root.size() == 2 && root[1] == L':'; }

// Opens a device or volume for queries only.
scoped_handle open_query(const std::wstring& path, DWORD access) {
    return scoped_handle(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     0, nullptr));
}

bool check_verify(const std::wstring& path) {
    scoped_handle h = open_query(path, FILE_READ_ATTRIBUTES);
    DWORD got = 0;
    return h && DeviceIoControl(h.get(), IOCTL_STORAGE_CHECK_VERIFY2, nullptr, 0, nullptr, 0, &got, nullptr);
}

// The serial number from the storage descriptor, read only within the bytes the system returned.
std::wstring device_serial(HANDLE h) {
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    char buffer[1024] = {};
    DWORD got = 0;
    if (!DeviceIoControl(h, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, buffer, sizeof buffer, &got,
                         nullptr) ||
        got >= sizeof buffer || got < sizeof(STORAGE_DEVICE_DESCRIPTOR))
        return std::wstring();
    const auto* d = reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(buffer);
    const DWORD at = d->SerialNumberOffset;
    if (at == 0 || at >= got) return std::wstring();
    const char* start = buffer + at;
    const char* end = std::find(start, static_cast<const char*>(buffer) + got, '\0');
    return vandel::trim(vandel::widen(std::string(start, end)), true, true);
}

bool disk_length(HANDLE h, uint64_t& out) {
    GET_LENGTH_INFORMATION info{};
    DWORD got = 0;
    if (!DeviceIoControl(h, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &info, sizeof info, &got, nullptr)) return false;
    out = static_cast<uint64_t>(info.Length.QuadPart);
    return true;
}

bool control(HANDLE h, DWORD code) {
    DWORD got = 0;
    return DeviceIoControl(h, code, nullptr, 0, nullptr, 0, &got, nullptr) != 0;
}

class windows_targets : public target_provider {
public:
    std::vector<std::wstring> volume_roots() override {
        std::vector<std::wstring> out;
        std::wstring buffer(1024, L'\0');
        DWORD n = GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (n > buffer.size()) {
            buffer.assign(n, L'\0');
            n = GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data());
        }
        if (n == 0 || n > buffer.size()) return out;
        for (size_t at = 0; at < n && buffer[at] != L'\0';) {
            const size_t end = buffer.find(L'\0', at);
            out.push_back(drive_root_text(buffer.substr(at, end - at)));
            at = end + 1;
        }
        return out;
    }

    std::wstring volume_root(const std::wstring& path) override { return drive_root_text(path); }

    std::wstring volume_device(const std::wstring& root) override {
        return is_drive_root(root) ? L"\\\\.\\" + root : std::wstring();
    }

    int32_t volume_kind(const std::wstring& root) override {
        if (root.empty()) return kind_none;
        switch (GetDriveTypeW((root + L"\\").c_str())) {
        case DRIVE_FIXED:
            return kind_fixed;
        case DRIVE_REMOVABLE:
            return check_verify(L"\\\\.\\" + root) ? kind_removable : kind_none;
        case DRIVE_REMOTE:
            return kind_remote;
        case DRIVE_CDROM:
            return kind_optical;
        case DRIVE_RAMDISK:
            return kind_ram;
        case DRIVE_NO_ROOT_DIR:
            return kind_none;
        default:
            return kind_unknown;
        }
    }

    std::wstring volume_label(const std::wstring& root) override {
        wchar_t name[MAX_PATH + 1] = {};
        if (!GetVolumeInformationW((root + L"\\").c_str(), name, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0))
            return std::wstring();
        return name;
    }

    bool volume_devices(const std::wstring& root, std::vector<int32_t>& out) override {
        scoped_handle h = open_query(L"\\\\.\\" + root, 0);
        if (!h) return false;
        // Room for 17 extents; a volume of more extents gives none.
        union {
            VOLUME_DISK_EXTENTS extents;
            char bytes[sizeof(VOLUME_DISK_EXTENTS) + 16 * sizeof(DISK_EXTENT)];
        } answer{};
        DWORD got = 0;
        if (!DeviceIoControl(h.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, &answer, sizeof answer, &got,
                             nullptr))
            return false;
        for (DWORD i = 0; i < answer.extents.NumberOfDiskExtents && i < 17; ++i)
            out.push_back(static_cast<int32_t>(answer.extents.Extents[i].DiskNumber));
        return true;
    }

    std::wstring system_volume_root() override {
        static const std::wstring root = [] {
            const std::wstring folder = vandel::win32::windows_directory();
            return folder.empty() ? std::wstring() : drive_root_text(folder);
        }();
        return root;
    }

    bool is_system_volume(const std::wstring& root) override {
        const std::wstring system = system_volume_root();
        return system.empty() || root == system;
    }

    std::vector<int32_t> device_numbers() override {
        std::vector<int32_t> out;
        for (int32_t n = 0; n <= max_device_number; ++n)
            if (check_verify(device_path(n))) out.push_back(n);
        return out;
    }

    int32_t device_number(const std::wstring& path) override {
        const std::wstring prefix = vandel::to_lower(std::wstring(device_prefix));
        const std::wstring p = vandel::to_lower(path);
        if (p.compare(0, prefix.size(), prefix) != 0 || p.size() == prefix.size()) return -1;
        const std::wstring digits = p.substr(prefix.size());
        if (digits.size() > 2 || !std::all_of(digits.begin(), digits.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
            return -1;
        const int32_t n = std::stoi(digits);
        return n <= max_device_number ? n : -1;
    }

    std::wstring device_path(int32_t number) override {
        if (number < 0 || number > max_device_number) return std::wstring();
        return device_prefix + std::to_wstring(number);
    }

    int32_t device_details(int32_t number, device_figures& out) override {
        scoped_handle h = open_query(device_path(number), 0);
        if (!h) return GetLastError() == ERROR_FILE_NOT_FOUND ? 2 : 1;
        DISK_GEOMETRY_EX geometry{};
        DWORD got = 0;
        if (!DeviceIoControl(h.get(), IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, &geometry, sizeof geometry, &got,
                             nullptr))
            return 1;
        out.size = static_cast<uint64_t>(geometry.DiskSize.QuadPart);
        out.sector_size = geometry.Geometry.BytesPerSector;
        out.serial = device_serial(h.get());
        return 0;
    }

    bool is_system_device(int32_t number) override {
        const std::wstring root = system_volume_root();
        std::vector<int32_t> numbers;
        if (root.empty() || !volume_devices(root, numbers) || numbers.empty()) return true;
        return std::find(numbers.begin(), numbers.end(), number) != numbers.end();
    }

    std::wstring identity(const vandel::file_stream& target) override {
        HANDLE h = target.handle();
        uint64_t length = 0;
        if (!h || h == INVALID_HANDLE_VALUE || !disk_length(h, length)) return std::wstring();
        const std::wstring path = target.path();
        if (const int32_t n = device_number(path); n >= 0) {
            STORAGE_DEVICE_NUMBER sdn{};
            DWORD got = 0;
            if (!DeviceIoControl(h, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &sdn, sizeof sdn, &got, nullptr) ||
                sdn.DeviceNumber != static_cast<DWORD>(n) || is_system_device(n))
                return std::wstring();
            return L"disk " + std::to_wstring(n) + L" " + std::to_wstring(length) + L" " + device_serial(h);
        }
        const std::wstring root = path.size() == 6 && path.compare(0, 4, L"\\\\.\\") == 0 ? path.substr(4) : L"";
        DWORD serial = 0;
        if (!is_drive_root(root) || is_system_volume(root) ||
            !GetVolumeInformationByHandleW(h, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
            return std::wstring();
        return L"volume " + root + L" " + volume_serial_text(serial) + L" " + std::to_wstring(length);
    }

    bool take_device_volumes(int32_t, const std::vector<std::wstring>& roots, target_holds& holds) override {
        for (const std::wstring& root : roots) {
            holds.push_back(std::make_unique<vandel::file_stream>());
            vandel::file_stream& volume = *holds.back();
            if (!is_drive_root(root) ||
                !volume.open(L"\\\\.\\" + root, vandel::open_device | vandel::open_share_read_write | vandel::open_read_write))
                return false;
            control(volume.handle(), FSCTL_LOCK_VOLUME);
            if (!control(volume.handle(), FSCTL_DISMOUNT_VOLUME)) return false;
        }
        return true;
    }

    bool take_volume(const std::wstring&, vandel::file_stream& target, target_holds&) override {
        HANDLE h = target.handle();
        const bool taken = control(h, FSCTL_LOCK_VOLUME) || control(h, FSCTL_DISMOUNT_VOLUME);
        if (taken) control(h, FSCTL_ALLOW_EXTENDED_DASD_IO);
        return taken;
    }

    std::wstring recycle_bin_folder(const std::wstring& root) override {
        const std::wstring top = vandel::add_trailing_separator(root);
        for (const wchar_t* name : {L"$Recycle.Bin\\", L"RECYCLER\\"})
            if (vandel::is_directory(top + name)) return top + name;
        return std::wstring();
    }

    int64_t recycle_bin_items(const std::wstring& root) override {
        SHQUERYRBINFO info{};
        info.cbSize = sizeof info;
        if (SHQueryRecycleBinW((root + L"\\").c_str(), &info) != S_OK) return -1;
        return info.i64NumItems;
    }

    error_code empty_recycle_bin(const std::wstring& root) override {
        const int64_t items = recycle_bin_items(root);
        if (items < 0) return err_not_available;
        if (SHEmptyRecycleBinW(nullptr, (root + L"\\").c_str(), SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND) !=
                S_OK &&
            items > 0)
            return err_failed;
        return err_ok;
    }
};

}  // namespace

namespace detail {

target_provider& system_targets() {
    static windows_targets provider;
    return provider;
}

}  // namespace detail

}  // namespace olvex
