// The zygui program: the process's start hands its command line to the application object.
#include "gui/shell/zyapp.h"
#include "vandel/folders.h"
#include "vandel/string_scrambler.h"

// Returns the process's exit code; -1 when anything escapes. Windows reaches it through WinMain.
int zygui_main(int argc, char** argv) {
    try {
        vandel::capture_process_args(argc, argv);
        vandel::string_scrambler::instance().set_key(vandel::string_scrambler::system_key);
        return olvex::zyapp::instance().run(argc, argv);
    } catch (...) {
        return -1;
    }
}

#ifndef _WIN32
int main(int argc, char** argv) { return zygui_main(argc, argv); }
#endif
