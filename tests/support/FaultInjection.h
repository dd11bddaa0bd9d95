#pragma once

namespace yomida {

// Faults for the file layer's test seam: a write, the creation of a file or a rename fails, or
// the process ends in the middle of writing, so tests can show that no file the user owns is
// ever left half written.
struct FaultPlan {
    int failAtWrite = -1;  // the write call (0, 1, …) that fails with `writeErrno`
    int writeErrno = 0;
    int killAtWrite = -1;  // the write call at which the process is killed
    int createErrno = 0;   // creating any file for writing fails with this
    int renameErrno = 0;   // renaming a finished file into place fails with this
    int writesSoFar = 0;
};

// The plan in force; the first call puts it into the file layer's hooks.
FaultPlan& Faults();

}  // namespace yomida
