#include "display/report_writer.h"

#include "files/save_files.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace tv {

ReportWriter::ReportWriter(QString folder, QObject* parent)
    : QObject(parent), folder_(std::move(folder)), thread_([this] { run(); })
{
}

ReportWriter::~ReportWriter()
{
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
        waiting_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

void ReportWriter::replace(const QString& name, QByteArray bytes)
{
    {
        const std::lock_guard lock(mutex_);
        waiting_.insert(name, std::move(bytes));
    }
    wake_.notify_all();
}

void ReportWriter::flush()
{
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return quit_ || (waiting_.isEmpty() && !writing_); });
}

void ReportWriter::run()
{
    SaveFiles files;
    if (!QFileInfo(folder_).isSymLink())
        QDir().mkpath(folder_);
    diskFree_ = QStorageInfo(folder_).bytesAvailable();
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || !waiting_.isEmpty(); });
        if (quit_)
            break;
        const QString name = waiting_.firstKey();
        const QByteArray bytes = waiting_.take(name);
        writing_ = true;
        lock.unlock();

        QString why;
        // The folder is the display's own: made when missing, and never
        // reached through a link, which might lead into the show.
        const QFileInfo folder(folder_);
        if (folder.isSymLink())
            why = QStringLiteral("the report folder %1 is a link").arg(folder_);
        else if (!folder.isDir() && !QDir().mkpath(folder_))
            why = QStringLiteral("the report folder %1 cannot be made").arg(folder_);
        else if (QString error; !files.writeScratch(QDir(folder_).filePath(name), bytes, &error))
            why = error;
        diskFree_ = QStorageInfo(folder_).bytesAvailable();
        if (why != lastTrouble_) {
            lastTrouble_ = why;
            QMetaObject::invokeMethod(this, [this, why] { emit trouble(why); });
        }

        lock.lock();
        writing_ = false;
        done_.notify_all();
    }
    done_.notify_all();
}

} // namespace tv
