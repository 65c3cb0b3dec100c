// The zygui program: the process's start hands its command line to the application object.
#include "vandel/folders.h"

#include <QApplication>

int main(int argc, char** argv) {
    try {
        vandel::capture_process_args(argc, argv);
        return 0;
    } catch (...) {
        return -1;
    }
}
