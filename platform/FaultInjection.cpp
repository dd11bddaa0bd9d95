#include "platform/FaultInjection.h"

#include <csignal>

namespace yomida {

FaultPlan& Faults() {
    static FaultPlan plan;
    return plan;
}

int CountWriteFault() {
    FaultPlan& plan = Faults();
    const int call = plan.writesSoFar++;
    if (call == plan.killAtWrite) {
        std::raise(SIGKILL);
    }
    return call == plan.failAtWrite ? plan.writeErrno : 0;
}

}  // namespace yomida
