#pragma once

#include "report/display_status.h"
#include "stage/stage_play.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QTimer>

#include <functional>

namespace tv {

class LiveShow;
class ReportWriter;
class Stage;
class StageClock;
class WallClock;

// Keeps a display's report folder: status.json rewritten on every change
// and at least every DisplayStatus::kStatusIntervalS, and screen.jpg, the
// stage as the viewer sees it (upright on a turned panel), at most
// kScreenSide pixels on its long side, every kScreenshotMs and after each
// change, written only when it differs from the last.
class ReportKeeper final : public QObject {
    Q_OBJECT
public:
    struct Identity {
        QString name;    // the display's
        QString version; // the program's
    };
    struct Screen {
        QString name;
        QSize pixels;
        int rotation = 0;
    };
    ReportKeeper(ReportWriter& writer, Stage& stage, LiveShow& live, WallClock& wall,
                 StageClock& clock, Identity identity, QObject* parent = nullptr);

    void setScreen(const Screen& screen);
    // Writes the figures for monitoring to `path` with each status too.
    void setMetricsFile(const QString& path) { metricsFile_ = path; }
    // What status.json says now (with the sequence of the last one written).
    DisplayStatus status() const;
    // The stage as the viewer sees it, scaled down for the report.
    QImage screenshot() const;
    // Hands status.json and screen.jpg to the writer now, as the timers do.
    void writeStatus();
    void writeScreenshot();

    static constexpr int kScreenshotMs = 5 * 60 * 1000;
    static constexpr int kScreenSide = 480;
    // How long after a change the status waits for others, and the
    // screenshot for the new windows to be drawn.
    static constexpr int kSettleMs = 500;
    static constexpr int kScreenSettleMs = 2000;

private:
    void changed();
    void played(const StagePlay& play);
    QDateTime wallTime(qint64 wallMs) const;
    QDateTime stageTime(qint64 stageMs) const;

    ReportWriter& writer_;
    Stage& stage_;
    LiveShow& live_;
    WallClock& wall_;
    StageClock& clock_;
    Identity identity_;
    Screen screen_;
    qint64 startedStageMs_;
    qint64 sequence_ = 0; // of the last status written
    QTimer statusTimer_;
    QTimer screenTimer_;
    QTimer statusSoon_;
    QTimer screenSoon_;
    QByteArray lastScreen_; // the last screenshot written, as JPEG
    QString metricsFile_;
};

} // namespace tv
