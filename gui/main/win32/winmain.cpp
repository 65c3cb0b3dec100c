// Win32 entry of zygui: the wide command line becomes the process's arguments, and an 8-bit copy
// in the system code page goes to Qt.
#include "vandel/folders.h"
#include "vandel/win32/windows.h"

#include <shellapi.h>

#include <string>
#include <vector>

int zygui_main(int argc, char** argv);

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int argc = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!wide) return -1;
    // The wide arguments are the ones that count: paths outside the code page survive them.
    vandel::capture_process_args(argc, wide);
    std::vector<std::string> narrow(static_cast<size_t>(argc));
    for (int i = 0; i < argc; ++i) {
        const int size = WideCharToMultiByte(CP_ACP, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        if (size > 0) {
            std::string bytes(static_cast<size_t>(size), '\0');
            WideCharToMultiByte(CP_ACP, 0, wide[i], -1, &bytes[0], size, nullptr, nullptr);
            bytes.resize(static_cast<size_t>(size - 1));
            narrow[static_cast<size_t>(i)] = bytes;
        }
    }
    LocalFree(wide);
    std::vector<char*> argv;
    for (std::string& arg : narrow) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    return zygui_main(argc, argv.data());
}
