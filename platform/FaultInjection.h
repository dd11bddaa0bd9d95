#pragma once

namespace yomida {

// Test hooks in the file layer: they make a write, the creation of a file or a rename fail, or
// end the process in the middle of writing, so tests can show that no file the user owns is
// ever left half written. The program itself never sets them.
struct FaultPlan {
    int failAtWrite = -1;  // the write call (0, 1, …) that fails with `writeErrno`
    int writeErrno = 0;
    int killAtWrite = -1;  // the write call at which the process is killed
    int createErrno = 0;   // creating any file for writing fails with this
    int renameErrno = 0;   // renaming a finished file into place fails with this
    int writesSoFar = 0;
};

FaultPlan& Faults();

// Counts one write call against the plan: kills the process or returns the errno to fail with
// (0 to go on).
int CountWriteFault();

}  // namespace yomida
