#include "editor/model/placement_notes.h"

#include "editor/model/layout_model.h"

#include <QStringList>

#include <algorithm>

namespace tv {

namespace {

// Typed pixels reach the twips through single precision: two windows typed
// to meet may overlap by a ten-thousandth of a twip. Far below a screen
// pixel (3.75 twips), so nothing that shows is missed.
constexpr double kSlack = 0.01;

struct Span {
    double left, top, right, bottom;
};

Span spanOf(const TwipsRect& rect)
{
    // A negative extent covers nothing; the window is where its origin is.
    return {rect.Left, rect.Top, rect.Left + std::max(0.0f, rect.Width),
            rect.Top + std::max(0.0f, rect.Height)};
}

// The name as the canvas's name tag shows it: the video window's line feed
// as a blank.
QString shownName(QString name)
{
    return name.replace(QLatin1Char('\n'), QLatin1Char(' ')).trimmed();
}

// Short enough for the line under the canvas: several edges name the
// screen no more, the plural says it.
QString edgeSentence(const QString& name, const ScreenEdges& edges)
{
    QStringList names;
    if (edges.left)
        names << QStringLiteral("left");
    if (edges.right)
        names << QStringLiteral("right");
    if (edges.top)
        names << QStringLiteral("top");
    if (edges.bottom)
        names << QStringLiteral("bottom");
    if (names.size() == 4)
        return QStringLiteral("%1 reaches past every edge of the screen").arg(name);
    if (names.size() == 1)
        return QStringLiteral("%1 reaches past the %2 edge of the screen").arg(name, names.first());
    const QString last = names.takeLast();
    return QStringLiteral("%1 reaches past the %2 and %3 edges")
        .arg(name, names.join(QStringLiteral(", ")), last);
}

} // namespace

QList<PlacedWindow> placedWindows(const LayoutState& state)
{
    QList<PlacedWindow> windows;
    for (int index = kVideoWindow; index < kLayoutIndices; ++index)
        if (state.table.inUse(index)) {
            const WindowState& window = state.windows[static_cast<std::size_t>(index)];
            windows.append({index, window.name, window.rect});
        }
    return windows;
}

QList<PlacementFinding> placementFindings(const QList<PlacedWindow>& windows, int current,
                                          ScreenShape shape)
{
    // The display draws the video window at the bottom and the picture
    // windows over it, each slot above the ones before: window order is
    // stacking order, whatever order the canvas shows them in.
    QList<PlacedWindow> ordered = windows;
    std::stable_sort(
        ordered.begin(), ordered.end(),
        [](const PlacedWindow& a, const PlacedWindow& b) { return a.index < b.index; });
    const double width = frameOf(shape).widthTwips;
    const double height = frameOf(shape).heightTwips;
    QList<PlacementFinding> findings;
    for (qsizetype upper = 0; upper < ordered.size(); ++upper) {
        const PlacedWindow& window = ordered[upper];
        const Span span = spanOf(window.rect);
        ScreenEdges edges;
        edges.left = span.left < -kSlack;
        edges.right = span.right > width + kSlack;
        edges.top = span.top < -kSlack;
        edges.bottom = span.bottom > height + kSlack;
        if (edges.any()) {
            // Nothing of it on the screen: it is not cut off, it is missing.
            const bool wholly = span.left >= width - kSlack || span.right <= kSlack ||
                                span.top >= height - kSlack || span.bottom <= kSlack;
            const QString name = shownName(window.name);
            findings.append({window.index, edges, 0,
                             wholly ? QStringLiteral("%1 lies off the screen").arg(name)
                                    : edgeSentence(name, edges)});
        }
        // A picture over the video window is how a logo or a caption is put
        // on a clip, and the canvas already shows it so: only a picture that
        // hides part of another picture is worth a word.
        if (window.index < kFirstPictureWindow)
            continue;
        for (qsizetype lower = 0; lower < upper; ++lower) {
            const PlacedWindow& below = ordered[lower];
            if (below.index < kFirstPictureWindow)
                continue;
            const Span under = spanOf(below.rect);
            const double across =
                std::min(span.right, under.right) - std::max(span.left, under.left);
            const double down = std::min(span.bottom, under.bottom) - std::max(span.top, under.top);
            // Windows that only meet along an edge cover nothing of each other.
            if (across <= kSlack || down <= kSlack)
                continue;
            const bool all = span.left <= under.left + kSlack &&
                             span.right >= under.right - kSlack && span.top <= under.top + kSlack &&
                             span.bottom >= under.bottom - kSlack;
            findings.append({window.index,
                             {},
                             below.index,
                             QStringLiteral("%1 covers %2 %3")
                                 .arg(shownName(window.name),
                                      all ? QStringLiteral("all of") : QStringLiteral("part of"),
                                      shownName(below.name))});
        }
    }
    // The window being worked on is the one the user is looking at: what
    // concerns it leads, so the note answers for each move as it is made.
    std::stable_partition(findings.begin(), findings.end(), [current](const PlacementFinding& f) {
        return current != 0 && (f.window == current || f.covered == current);
    });
    return findings;
}

QString placementNote(const QList<PlacementFinding>& findings)
{
    if (findings.isEmpty())
        return {};
    if (findings.size() == 1)
        return findings.first().text;
    return QStringLiteral("%1 (and %2 more)").arg(findings.first().text).arg(findings.size() - 1);
}

} // namespace tv
