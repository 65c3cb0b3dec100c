// The olvex program: the process's start hands its command line to the console.
#include "console/console.h"
#include "vandel/folders.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
    try {
        vandel::capture_process_args(argc, argv);
        return olvex::console::instance().run();
    } catch (...) {
        return -1;
    }
}
