#include "app/main_form.h"

#include "base/twips.h"
#include "editor/canvas/screen_centring.h"
#include "editor/controls/form_controls.h"
#include "editor/layout_file_commands.h"
#include "editor/split.h"

#include <QKeyEvent>
#include <QPushButton>

namespace tv {

namespace {
constexpr int kClientWidthTwips = 4680;
constexpr int kClientHeightTwips = 3195;
} // namespace

Main::Main(ModalDialogs& dialogs) : QWidget(nullptr), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("\u542F\u52A8"));
    setFont(formFont(font()));
    resize(twipsToPixels(kClientWidthTwips), twipsToPixels(kClientHeightTwips));

    Command1 = makeButton(this, "Command1", QStringLiteral("Command1"), {675, 315, 1500, 555});
    Command1->setFocus();
    connect(Command1, &QPushButton::clicked, this, &Main::Command1_Click);

    Form_Load();
}

Main::~Main() = default;

void Main::Form_Load()
{
    centreOnPrimaryScreen(this);
}

void Main::openLayout(const QString& path)
{
    Command1_Click();
    editor_->layoutFile().openLayoutFile(path);
}

void Main::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Command1->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Main::Command1_Click()
{
    if (!editor_)
        editor_ = std::make_unique<Split>(dialogs_);
    editor_->showForm();
}

} // namespace tv
