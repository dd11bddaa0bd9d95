#pragma once

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/UFRMmain.h"
#include "platform/ScriptedUi.h"

namespace yomida::test {

// The main window's logic on 2003/05/07 with a scripted Ui, in a fresh folder.
class FormFixture : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedUi ui;
    FixedClock clock{std::chrono::year_month_day{std::chrono::year{2003}, std::chrono::month{5},
                                                 std::chrono::day{7}}};
    Scrambler scrambler;
    TFRMmain form{ui, scrambler, clock};

    // Starts the window as the program does, the program living in the test's folder.
    void Start() { ASSERT_TRUE(form.FormCreate(dir / "yomida")); }
};

}  // namespace yomida::test
