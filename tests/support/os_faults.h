#pragma once

// Faults that the operating system itself produces, for tests of the real file
// code: a file-size limit, and a genuinely full file system.

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace tv::test {

// While it lives, this process cannot make a file longer than `bytes`: a write
// beyond it fails with "File too large" instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limited = old_;
        limited.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool active() const { return active_; }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = SIG_DFL;
    bool active_ = false;
};

// A tmpfs of `bytes` mounted on a fresh folder; only root may mount one.
class SmallFileSystem {
public:
    explicit SmallFileSystem(qint64 bytes)
    {
        if (geteuid() != 0) {
            why_ = QStringLiteral("mounting a small tmpfs needs root");
            return;
        }
        const QByteArray options = "size=" + QByteArray::number(bytes);
        mounted_ = ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", 0,
                           options.constData()) == 0;
        if (!mounted_)
            why_ = QStringLiteral("tmpfs could not be mounted: ") + qt_error_string(errno);
    }
    ~SmallFileSystem()
    {
        if (mounted_)
            ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool mounted() const { return mounted_; }
    QString whyNot() const { return why_; }
    QString filePath(const QString& name) const { return dir_.filePath(name); }

    // Writes a file until the file system refuses more; true when it is full.
    bool fill(const QString& name) const
    {
        QFile filler(filePath(name));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(512, 'f');
        while (filler.write(block) > 0) {
        }
        return filler.error() != QFileDevice::NoError;
    }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
    QString why_;
};

// While it lives, this process may have at most `count` files open: an open
// beyond it fails with "Too many open files".
class OpenFileLimit {
public:
    explicit OpenFileLimit(rlim_t count)
    {
        getrlimit(RLIMIT_NOFILE, &old_);
        rlimit limited = old_;
        limited.rlim_cur = count;
        active_ = setrlimit(RLIMIT_NOFILE, &limited) == 0;
    }
    ~OpenFileLimit() { setrlimit(RLIMIT_NOFILE, &old_); }
    OpenFileLimit(const OpenFileLimit&) = delete;
    OpenFileLimit& operator=(const OpenFileLimit&) = delete;
    bool active() const { return active_; }

private:
    rlimit old_{};
    bool active_ = false;
};

} // namespace tv::test
