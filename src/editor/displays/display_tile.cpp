#include "editor/displays/display_tile.h"

#include "report/report_summary.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace tv {

namespace {

QLabel* plainLabel(const QString& objectName, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText); // names and reasons come from other machines
    label->setWordWrap(true);
    return label;
}

} // namespace

DisplayTile::DisplayTile(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("displayTile"));
    setFrameShape(QFrame::StyledPanel);
    setLineWidth(2);
    setFixedWidth(kScreenSide + 24);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Maximum);
    auto* layout = new QVBoxLayout(this);
    screen_ = plainLabel(QStringLiteral("displayScreen"), this);
    screen_->setFixedSize(kScreenSide, kScreenSide * 9 / 16);
    screen_->setAlignment(Qt::AlignCenter);
    screen_->setStyleSheet(QStringLiteral("background: black; color: grey"));
    name_ = plainLabel(QStringLiteral("displayName"), this);
    QFont bold = name_->font();
    bold.setBold(true);
    name_->setFont(bold);
    states_ = plainLabel(QStringLiteral("displayStates"), this);
    playing_ = plainLabel(QStringLiteral("displayPlaying"), this);
    problems_ = plainLabel(QStringLiteral("displayProblems"), this);
    for (QWidget* part : {static_cast<QWidget*>(screen_), static_cast<QWidget*>(name_),
                          static_cast<QWidget*>(states_), static_cast<QWidget*>(playing_),
                          static_cast<QWidget*>(problems_)})
        layout->addWidget(part);
    layout->addStretch();
}

QColor DisplayTile::stateColour(const QList<StatusState>& states)
{
    bool look = false;
    for (const StatusState& state : states) {
        switch (state.kind) {
        case StatusState::Kind::Ok:
            break;
        case StatusState::Kind::Clock:
        case StatusState::Kind::Waiting:
        case StatusState::Kind::NextNotWhole:
            look = true;
            break;
        default:
            return QColor(0xc6, 0x28, 0x28);
        }
    }
    return look ? QColor(0xb2, 0x6a, 0x00) : QColor(0x2e, 0x7d, 0x32);
}

void DisplayTile::showReport(const DisplayReport& report, const QList<StatusState>& states)
{
    const QImage shot = QImage::fromData(report.screen, "JPG");
    if (shot.isNull()) {
        screen_->setPixmap({});
        screen_->setText(QStringLiteral("no screenshot"));
    } else {
        screen_->setPixmap(QPixmap::fromImage(
            shot.scaled(screen_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
    name_->setText(report.status && !report.status->display.isEmpty() &&
                           report.status->display != report.name
                       ? QStringLiteral("%1 (%2)").arg(report.name, report.status->display)
                       : report.name);
    QStringList said;
    for (const StatusState& state : states)
        said << stateText(state);
    states_->setText(said.join(QStringLiteral(", ")));
    const QColor colour = stateColour(states);
    states_->setStyleSheet(QStringLiteral("color: %1; font-weight: bold").arg(colour.name()));
    setStyleSheet(QStringLiteral("#displayTile { border: 2px solid %1 }").arg(colour.name()));
    playing_->setText(report.status ? playingText(*report.status) : report.unreadable);
    QStringList problems;
    if (report.status)
        for (const DisplayStatus::Problem& problem : report.status->problems)
            if (!problem.cleared.isValid())
                problems << QStringLiteral("%1: %2").arg(problem.item, problem.reason);
    problems_->setText(problems.mid(0, 3).join(QLatin1Char('\n')) +
                       (problems.size() > 3 ? QStringLiteral("\n…") : QString()));
    problems_->setVisible(!problems.isEmpty());
}

} // namespace tv
