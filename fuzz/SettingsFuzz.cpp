#include <cstdint>

#include "FuzzSupport.h"
#include "app/MainWindowLogic.h"
#include "download/DownloadManager.h"
#include "support/ScriptedUi.h"

// Any settings file starts the program and is written back without a crash.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace yomida;
    static ScriptedUi ui;
    static FixedClock clock{std::chrono::year_month_day{
        std::chrono::year{2003}, std::chrono::month{5}, std::chrono::day{7}}};
    static PosixTcpConnector tcp;
    static DownloadManager downloads(clock, tcp);
    fuzz::WriteFile(fuzz::ScratchFolder() / "yomida.INI", data, size);
    MainWindowLogic form(ui, clock, downloads);
    if (form.FormCreate(fuzz::ScratchFolder() / "yomida")) {
        form.FormClose();
    }
    ui.messages.clear();
    return 0;
}
