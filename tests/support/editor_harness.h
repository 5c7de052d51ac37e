#pragma once

#include "decode/media_backend.h"
#include "editor/split.h"
#include "support/editor_driver.h"
#include "support/scripted_dialogs.h"

#include <QSettings>
#include <QTemporaryDir>

#include <memory>

namespace tv::test {

// A loaded, shown editor with scripted dialogs and a driver, fresh per test.
// The editor's remembered settings are kept in a folder of the test's own,
// empty at the start, never in the user's.
struct EditorHarness {
    ScriptedDialogs dialogs;
    std::unique_ptr<Split> form;
    std::unique_ptr<EditorDriver> driver;
    std::unique_ptr<QTemporaryDir> settings;

    void open()
    {
        preferFfmpegBackend();
        settings = std::make_unique<QTemporaryDir>();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings->path());
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
