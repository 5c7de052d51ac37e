#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QThread;

namespace tv {

// Watches a playing show's layout file and media folder on a thread of its
// own, so that no look at a file, on a share that hangs or not, ever holds up
// the show. File system events are followed, and a look every two seconds
// catches what a file system does not report (network shares). A changed
// layout is read, with the reader's own bounds, only once two looks 500 ms
// apart find it the same: a writer may still be at work.
class ShowWatcher final : public QObject {
    Q_OBJECT
public:
    ShowWatcher(const QString& layoutPath, const QString& mediaFolder);
    // Asks the thread to end and does not wait for it: it is freed by the
    // event loop once it has ended.
    ~ShowWatcher() override;

    static constexpr int kSettleMs = 500;
    static constexpr int kLookMs = 2000;

public slots:
    // Reads the layout again at once (SIGHUP).
    void reloadNow();

signals:
    // The layout file's bytes, read after they last changed; or why the file
    // could not be read.
    void layoutRead(const QByteArray& bytes, const QString& refusal);
    // A file of the media folder came, went or changed.
    void mediaChanged();

private:
    class Looker;
    QThread* thread_;
    Looker* looker_;
};

} // namespace tv
