#pragma once

#include "editor/split.h"
#include "support/editor_driver.h"
#include "support/scripted_dialogs.h"

#include <memory>

namespace tv::test {

// A loaded, shown editor with scripted dialogs and a driver, fresh per test.
struct EditorHarness {
    ScriptedDialogs dialogs;
    std::unique_ptr<Split> form;
    std::unique_ptr<EditorDriver> driver;

    void open()
    {
        form = std::make_unique<Split>(dialogs);
        form->showForm();
        driver = std::make_unique<EditorDriver>(*form);
    }
    void close()
    {
        driver.reset();
        form.reset();
        dialogs = ScriptedDialogs{};
    }
};

} // namespace tv::test
