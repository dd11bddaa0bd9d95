#include "support/FaultInjection.h"

#include <csignal>

#include "platform/FileHooks.h"

namespace yomida {
namespace {

FaultPlan& Plan() {
    static FaultPlan plan;
    return plan;
}

int CountWrite() {
    FaultPlan& plan = Plan();
    const int call = plan.writesSoFar++;
    if (call == plan.killAtWrite) {
        std::raise(SIGKILL);
    }
    return call == plan.failAtWrite ? plan.writeErrno : 0;
}

}  // namespace

FaultPlan& Faults() {
    static const bool installed = [] {
        FileHooks& hooks = TestFileHooks();
        hooks.beforeWrite = CountWrite;
        hooks.beforeCreate = [] { return Plan().createErrno; };
        hooks.beforeRename = [] { return Plan().renameErrno; };
        return true;
    }();
    (void)installed;
    return Plan();
}

}  // namespace yomida
