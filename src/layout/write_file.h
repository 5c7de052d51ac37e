#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace tv {

// Appends the fields of a layout file in sequence; nothing is ever sought or
// rewritten.
class WriteFile {
public:
    // One single-byte field.
    void PutByte(std::uint8_t value);
    // One name slot: the name's UTF-16LE code units, then zero bytes up to 40.
    void PutName(const QString& name);

    const QByteArray& bytes() const { return bytes_; }

private:
    QByteArray bytes_;
};

} // namespace tv
