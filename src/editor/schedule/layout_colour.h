#pragma once

#include <QColor>
#include <QHash>
#include <QStringList>

namespace tv {

// The colours a schedule's layouts are drawn in: each name gets a colour of
// its own from a set of clearly different ones, worked out from the names
// alone (not their order), so a week looks the same in every run and after
// edits that keep the names. `off` is near black, and no layout is red,
// which marks rules that overlap.
class LayoutColours {
public:
    explicit LayoutColours(QStringList names = {});

    QColor of(const QString& target) const;

private:
    QHash<QString, QColor> colours_;
};

// A colour drawn pale, for what holds but does not play.
QColor fadedColour(const QColor& colour);

} // namespace tv
