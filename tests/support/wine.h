#pragma once
// Whether the test process runs under Wine: tests that change machine-wide state (HKLM) run only
// there, in the test run's private prefix, never on a real Windows machine.

namespace oblivar::test {

// True inside a Wine process; false on Windows itself and on POSIX.
bool running_under_wine();

}  // namespace oblivar::test
