#pragma once

// Writes a small Motion-JPEG AVI clip, so tests and samples need no encoder.

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QList>
#include <QtEndian>

namespace tv::test {

namespace avi {

inline void put32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

inline void put16(QByteArray& out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

inline QByteArray chunk(const char* id, const QByteArray& data)
{
    QByteArray out(id, 4);
    put32(out, quint32(data.size()));
    out += data;
    if (data.size() % 2)
        out.append('\0');
    return out;
}

inline QByteArray list(const char* type, const QByteArray& data)
{
    return chunk("LIST", QByteArray(type, 4) + data);
}

} // namespace avi

// The frames in order, each as JPEG, at `fps` frames a second.
inline QByteArray mjpegAvi(const QList<QImage>& frames, int fps)
{
    using namespace avi;
    const quint32 width = quint32(frames.first().width());
    const quint32 height = quint32(frames.first().height());
    QList<QByteArray> jpegs;
    quint32 largest = 0;
    for (const QImage& frame : frames) {
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        frame.convertToFormat(QImage::Format_RGB32).save(&buffer, "JPG", 90);
        largest = std::max(largest, quint32(jpeg.size()));
        jpegs << jpeg;
    }
    const quint32 count = quint32(jpegs.size());

    QByteArray avih;
    put32(avih, quint32(1000000 / fps));
    put32(avih, largest * quint32(fps));
    put32(avih, 0);
    put32(avih, 0x10); // has an index
    put32(avih, count);
    put32(avih, 0);
    put32(avih, 1);
    put32(avih, largest);
    put32(avih, width);
    put32(avih, height);
    for (int i = 0; i < 4; ++i)
        put32(avih, 0);

    QByteArray strh("vidsMJPG", 8);
    put32(strh, 0);
    put16(strh, 0);
    put16(strh, 0);
    put32(strh, 0);
    put32(strh, 1);
    put32(strh, quint32(fps));
    put32(strh, 0);
    put32(strh, count);
    put32(strh, largest);
    put32(strh, 0xffffffff);
    put32(strh, 0);
    put16(strh, 0);
    put16(strh, 0);
    put16(strh, quint16(width));
    put16(strh, quint16(height));

    QByteArray strf;
    put32(strf, 40);
    put32(strf, width);
    put32(strf, height);
    put16(strf, 1);
    put16(strf, 24);
    strf += QByteArray("MJPG", 4);
    put32(strf, width * height * 3);
    for (int i = 0; i < 4; ++i)
        put32(strf, 0);

    QByteArray movi;
    QByteArray index;
    for (const QByteArray& jpeg : jpegs) {
        index += QByteArray("00dc", 4);
        put32(index, 0x10); // a key frame
        put32(index, quint32(4 + movi.size()));
        put32(index, quint32(jpeg.size()));
        movi += chunk("00dc", jpeg);
    }

    const QByteArray header =
        list("hdrl", chunk("avih", avih) + list("strl", chunk("strh", strh) + chunk("strf", strf)));
    const QByteArray body =
        QByteArray("AVI ", 4) + header + list("movi", movi) + chunk("idx1", index);
    return chunk("RIFF", body);
}

inline bool writeMjpegAvi(const QString& path, const QList<QImage>& frames, int fps)
{
    QFile file(path);
    const QByteArray bytes = mjpegAvi(frames, fps);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace tv::test
