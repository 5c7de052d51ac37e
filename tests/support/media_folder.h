#pragma once

#include <QFile>
#include <QTemporaryDir>

namespace tv::test {

// A temporary media folder holding empty-content files of given lengths.
class MediaFolder {
public:
    bool add(const QString& name, qint64 size) { return put(dir_.filePath(name), size); }
    static bool put(const QString& path, qint64 size)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.resize(size);
    }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

} // namespace tv::test
