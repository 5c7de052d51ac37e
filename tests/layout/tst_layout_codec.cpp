#include "layout/layout_reader.h"
#include "layout/layout_writer.h"
#include "layout/scaling.h"
#include "support/random_layout.h"

#include <QTest>

#include <array>

using namespace tv;

Q_DECLARE_METATYPE(tv::TwipsRect)

namespace {

LayoutWindow window(TwipsRect rect, QStringList names = {}, int index = 0)
{
    return {rect, names, QStringLiteral("Picture%1").arg(index - 1), index};
}

QByteArray encoded(const LayoutDescription& layout)
{
    const auto result = encodeLayout(layout);
    if (const auto* refusal = std::get_if<SaveRefusal>(&result))
        qWarning() << refusal->message;
    return std::get_if<QByteArray>(&result) ? std::get<QByteArray>(result) : QByteArray();
}

QByteArray slotOf(const QByteArray& name)
{
    QByteArray slot = name;
    slot.resize(kNameSlotBytes, '\0');
    return slot;
}

} // namespace

class LayoutCodecTest : public QObject {
    Q_OBJECT
private slots:
    void scalerChange_data();
    void scalerChange();
    void emptyLayout();
    void videoOnly();
    void picturesFillSlotsDensely();
    void nameSlots();
    void listStarts_data();
    void listStarts();
    void refusals_data();
    void refusals();
    void coordinatesComeBackRoundedDown();
    void refusedFiles_data();
    void refusedFiles();
    void tenPicturesAfterAnEmptyPlaylist();
    void paddingIsNoPartOfAName();
    void randomLayoutsSaveAlike();
    void listLengthsBothSidesAgree();
};

void LayoutCodecTest::scalerChange_data()
{
    QTest::addColumn<int>("coordinate");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("percentage"); // -1: no byte value
    QTest::newRow("3600 x") << 3600 << "x" << 50;
    QTest::newRow("2025 y") << 2025 << "y" << 50;
    QTest::newRow("7200 width") << 7200 << "width" << 100;
    QTest::newRow("36 x, half to even 0") << 36 << "x" << 0;
    QTest::newRow("108 x, half to even 2") << 108 << "x" << 2;
    QTest::newRow("4050 height") << 4050 << "height" << 100;
    QTest::newRow("-36 x rounds to 0") << -36 << "x" << 0;
    QTest::newRow("-37 x is below a byte") << -37 << "x" << -1;
    QTest::newRow("18360 x is 255") << 18360 << "x" << 255;
    QTest::newRow("18396 x rounds to 256") << 18396 << "x" << -1;
    QTest::newRow("other kind") << 3600 << "z" << 0;
}

void LayoutCodecTest::scalerChange()
{
    QFETCH(int, coordinate);
    QFETCH(QString, kind);
    QFETCH(int, percentage);
    const auto scaled = ScalerChange(static_cast<std::int16_t>(coordinate), kind);
    QCOMPARE(scaled ? int(*scaled) : -1, percentage);
}

void LayoutCodecTest::emptyLayout()
{
    QCOMPARE(encoded(LayoutDescription{}), QByteArray(81, '\0'));
}

void LayoutCodecTest::videoOnly()
{
    LayoutDescription layout;
    layout.video = window({3600, 2025, 3600, 2025}, {"a.jpg", "b.avi"}, 1);
    const QByteArray bytes = encoded(layout);
    QCOMPARE(bytes.size(), 161);
    QCOMPARE(bytes.left(6), QByteArray::fromHex("010032323232"));
    QCOMPARE(bytes.mid(6, 64), QByteArray(64, '\0'));
    QCOMPARE(bytes.mid(70, 11), QByteArray::fromHex("0002000000000000000000"));
    QCOMPARE(bytes.mid(81, 40), slotOf(QByteArray::fromHex("61002e006a0070006700")));
}

void LayoutCodecTest::picturesFillSlotsDensely()
{
    // Windows 2 and 4 in use, window 3 deleted: slots 1 and 2.
    LayoutDescription layout;
    layout.pictures << window({0, 0, 7200, 4050}, {}, 2) << window({720, 405, 1440, 810}, {}, 4);
    layout.switchTimes = {10, 300};
    const QByteArray bytes = encoded(layout);
    QCOMPARE(bytes.size(), 81);
    QCOMPARE(bytes.left(2), QByteArray::fromHex("0002"));
    QCOMPARE(bytes.mid(6, 8), QByteArray::fromHex("000064640a0a1414"));
    QCOMPARE(bytes.mid(14, 36), QByteArray(36, '\0'));
    QCOMPARE(bytes.mid(50, 4), QByteArray::fromHex("000a012c"));
    QCOMPARE(bytes.mid(54, 16), QByteArray(16, '\0'));
}

void LayoutCodecTest::nameSlots()
{
    WriteFile out;
    const QString twenty = QStringLiteral("exactly-twenty-chars");
    out.PutName(twenty);
    out.PutName(QStringLiteral("a.jpg"));
    QCOMPARE(out.bytes().size(), 80);
    QByteArray units;
    for (QChar c : twenty)
        units.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    QCOMPARE(out.bytes().left(40), units);
    QCOMPARE(out.bytes().mid(40), slotOf(QByteArray::fromHex("61002e006a0070006700")));
}

void LayoutCodecTest::listStarts_data()
{
    QTest::addColumn<int>("video"); // -1: no video window
    QTest::addColumn<QList<int>>("pictures");
    QTest::addColumn<QByteArray>("starts");
    QTest::newRow("running count")
        << 2 << QList<int>{3, 1} << QByteArray::fromHex("0002050600000000000000");
    QTest::newRow("an empty playlist starts the count again")
        << 2 << QList<int>{0, 3} << QByteArray::fromHex("0002000300000000000000");
    QTest::newRow("no video window")
        << -1 << QList<int>{4} << QByteArray::fromHex("0000040000000000000000");
    // The sum after slot 10 is stored nowhere, so it may pass 255.
    QTest::newRow("200 names in slot 9 and 100 in slot 10")
        << -1 << QList<int>{0, 0, 0, 0, 0, 0, 0, 0, 200, 100}
        << QByteArray::fromHex("00000000000000000000c8");
    QTest::newRow("300 names in slot 10 alone") << 5 << QList<int>{1, 1, 1, 1, 1, 1, 1, 1, 1, 300}
                                                << QByteArray::fromHex("000506070809 0a0b0c0d0e");
}

void LayoutCodecTest::listStarts()
{
    QFETCH(int, video);
    QFETCH(QList<int>, pictures);
    QFETCH(QByteArray, starts);
    auto names = [](int count) {
        QStringList list;
        for (int i = 0; i < count; ++i)
            list << QStringLiteral("n%1.jpg").arg(i);
        return list;
    };
    LayoutDescription layout;
    if (video >= 0)
        layout.video = window({0, 0, 100, 100}, names(video), 1);
    for (int i = 0; i < pictures.size(); ++i)
        layout.pictures << window({0, 0, 100, 100}, names(pictures[i]), i + 2);
    const QByteArray bytes = encoded(layout);
    QCOMPARE(bytes.mid(70, 11), starts);
    // The reader gives every window its own names back.
    const auto decoded = std::get<LayoutDescription>(decodeLayout(bytes));
    for (int i = 0; i < pictures.size(); ++i)
        QCOMPARE(decoded.pictures[i].names, names(pictures[i]));
}

void LayoutCodecTest::refusals_data()
{
    QTest::addColumn<TwipsRect>("rect");
    QTest::addColumn<int>("names");
    QTest::addColumn<QString>("reason");
    QTest::newRow("partly left of the canvas") << TwipsRect{-100, 0, 500, 500} << 0 << "Picture1";
    QTest::newRow("partly above the canvas") << TwipsRect{0, -30, 500, 500} << 0 << "outside";
    QTest::newRow("far beyond the canvas") << TwipsRect{0, 0, 20000, 500} << 0 << "outside";
    QTest::newRow("beyond 16 bits") << TwipsRect{40000, 0, 100, 100} << 0 << "outside";
    QTest::newRow("too many names") << TwipsRect{0, 0, 100, 100} << 256 << "too many names";
}

void LayoutCodecTest::refusals()
{
    QFETCH(TwipsRect, rect);
    QFETCH(int, names);
    QFETCH(QString, reason);
    LayoutDescription layout;
    QStringList list;
    for (int i = 0; i < names; ++i)
        list << "x.jpg";
    layout.pictures << window(rect, list, 2);
    const auto result = encodeLayout(layout);
    QVERIFY(std::holds_alternative<SaveRefusal>(result));
    QVERIFY2(std::get<SaveRefusal>(result).message.contains(reason),
             qPrintable(std::get<SaveRefusal>(result).message));
}

void LayoutCodecTest::coordinatesComeBackRoundedDown()
{
    LayoutDescription layout;
    layout.video = window({100, 100, 3600, 2025}, {}, 1);
    const auto decoded = std::get<LayoutDescription>(decodeLayout(encoded(layout)));
    QCOMPARE(decoded.video->rect, (TwipsRect{72, 81, 3600, 2025}));
    QCOMPARE(twipsDown(255), 10327.0f);
    // A portrait canvas is 2278.125 twips across: a byte is 22.78125 of them.
    QCOMPARE(twipsAcross(1, ScreenShape::Portrait), 22.78125f);
    QCOMPARE(twipsAcross(100, ScreenShape::Portrait), 2278.125f);
    QCOMPARE(twipsDown(100, ScreenShape::Portrait), 4050.0f);
    QCOMPARE(ScalerChange(2278, "width", ScreenShape::Portrait), std::uint8_t(100));
}

void LayoutCodecTest::refusedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    auto head = [](int video, int pictures, int firstStart) {
        QByteArray bytes(81, '\0');
        bytes[0] = char(video);
        bytes[1] = char(pictures);
        bytes[71] = char(firstStart);
        return bytes;
    };
    QTest::newRow("empty file") << QByteArray() << "shorter";
    QTest::newRow("80 bytes") << QByteArray(80, '\0') << "shorter";
    QTest::newRow("half a name slot") << QByteArray(101, '\0') << "whole slots";
    QTest::newRow("first byte 2") << head(2, 0, 0) << "first byte";
    QTest::newRow("eleven pictures") << head(0, 11, 0) << "at most 10";
    QTest::newRow("a name nobody owns") << head(0, 0, 0) + QByteArray(40, 'a') << "account";
    QTest::newRow("video names without a video window")
        << head(0, 1, 1) + QByteArray(40, 'a') << "account";
    QTest::newRow("fewer names than listed") << head(1, 0, 2) + QByteArray(40, 'a') << "account";
    QByteArray tenPictures = head(0, 10, 0) + QByteArray(int(kLargestLayoutFile) - 81 + 40, '\0');
    QTest::newRow("longer than any layout") << tenPictures << "longer";
    tenPictures[1] = 9;
    QTest::newRow("longer, with fewer pictures") << tenPictures << "account";
}

void LayoutCodecTest::refusedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const auto result = decodeLayout(bytes);
    QVERIFY(std::holds_alternative<ReadRefusal>(result));
    QVERIFY2(std::get<ReadRefusal>(result).message.contains(reason),
             qPrintable(std::get<ReadRefusal>(result).message));
}

void LayoutCodecTest::tenPicturesAfterAnEmptyPlaylist()
{
    // The list starts restart after the empty second playlist, so the tenth
    // list can only be told from the names left over.
    LayoutDescription layout;
    for (int slot = 1; slot <= 10; ++slot) {
        QStringList names;
        for (int i = 0; slot != 2 && i < slot; ++i)
            names << QStringLiteral("s%1n%2.jpg").arg(slot).arg(i);
        layout.pictures << window({0, 0, 720, 405}, names, slot + 1);
    }
    const QByteArray bytes = encoded(layout);
    const auto decoded = decodeLayout(bytes);
    QVERIFY(std::holds_alternative<LayoutDescription>(decoded));
    const auto& pictures = std::get<LayoutDescription>(decoded).pictures;
    QCOMPARE(pictures.size(), 10);
    for (int slot = 1; slot <= 10; ++slot)
        QCOMPARE(pictures[slot - 1].names, layout.pictures[slot - 1].names);
}

void LayoutCodecTest::paddingIsNoPartOfAName()
{
    LayoutDescription layout;
    layout.video = window({0, 0, 72, 81}, {"a.jpg", QString::fromUtf16(u"a\0b", 3)}, 1);
    const QByteArray bytes = encoded(layout);
    const auto decoded = std::get<LayoutDescription>(decodeLayout(bytes));
    QCOMPARE(decoded.video->names, layout.video->names);
    QCOMPARE(encoded(decoded), bytes);
}

void LayoutCodecTest::randomLayoutsSaveAlike()
{
    QRandomGenerator random(20261207);
    for (int n = 0; n < 3000; ++n) {
        const LayoutDescription layout = test::randomLayout(random);
        const QByteArray first = encoded(layout);
        QVERIFY2(!first.isEmpty(), qPrintable(QString::number(n)));
        const auto decoded = decodeLayout(first);
        QVERIFY2(std::holds_alternative<LayoutDescription>(decoded),
                 qPrintable(QString::number(n)));
        QCOMPARE(encoded(std::get<LayoutDescription>(decoded)), first);
        // The same bytes are hundredths of a portrait screen just as well:
        // read in its twips, they are written back unchanged.
        const auto portrait = decodeLayout(first, ScreenShape::Portrait);
        QVERIFY(std::holds_alternative<LayoutDescription>(portrait));
        QCOMPARE(std::get<LayoutDescription>(portrait).shape, ScreenShape::Portrait);
        QCOMPARE(encoded(std::get<LayoutDescription>(portrait)), first);
    }
}

// Whatever lists the writer writes read back list for list; lists it refuses
// do not read back from a file laid out by hand as the format describes, list
// starts cut to their byte. The largest file and one name more come first,
// then lengths drawn near where a byte or the file ends.
void LayoutCodecTest::listLengthsBothSidesAgree()
{
    QList<QList<int>> cases{{-1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2805},
                            {-1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2806},
                            {255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 1530},
                            {2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2805}};
    QRandomGenerator random(2805);
    while (cases.size() < 400) {
        const auto near = [&](int end) {
            const int pick = random.bounded(5);
            return pick < 2 ? 0 : pick == 2 ? random.bounded(30) : end + random.bounded(-2, 3);
        };
        QList<int> lengths{random.bounded(2) == 0 ? -1 : near(255)}; // -1: no video window
        const int pictures = random.bounded(2) == 0 ? kPictureSlots : random.bounded(kPictureSlots);
        for (int slot = 1, sum = std::max(lengths[0], 0); slot <= pictures; ++slot) {
            lengths << std::max(near(slot < kPictureSlots ? 255 : int(kMostNames) - sum), 0);
            sum += lengths.last();
        }
        cases << lengths;
    }
    std::array<int, 2> verdicts{};
    for (const QList<int>& lengths : cases) {
        LayoutDescription layout;
        for (int list = 0; list < lengths.size(); ++list) {
            const LayoutWindow listed = window({}, QStringList(std::max(lengths[list], 0), "n"));
            if (list > 0)
                layout.pictures << listed;
            else if (lengths[0] >= 0)
                layout.video = listed;
        }
        const auto result = encodeLayout(layout);
        const bool written = std::holds_alternative<QByteArray>(result);
        QByteArray bytes = written ? std::get<QByteArray>(result) : QByteArray(kHeadBytes, '\0');
        if (!written) {
            bytes[0] = char(layout.video.has_value());
            bytes[1] = char(layout.pictures.size());
            int running = std::max(lengths[0], 0);
            for (int slot = 1; slot <= kPictureSlots; ++slot) {
                bytes[kListStartOffset + slot] = char(running & 255);
                const int length = lengths.value(slot);
                running = length == 0 ? 0 : running + length;
            }
            bytes += QByteArray(kNameSlotBytes * nameCount(listLengths(layout)), 'n');
        }
        const auto decoded = decodeLayout(bytes);
        const auto* read = std::get_if<LayoutDescription>(&decoded);
        const bool same = read && read->video.has_value() == layout.video.has_value() &&
                          read->pictures.size() == layout.pictures.size() &&
                          listLengths(*read) == listLengths(layout);
        QString shown;
        QDebug(&shown) << lengths << "written" << written;
        QVERIFY2(same == written, qPrintable(shown));
        ++verdicts[written];
    }
    QVERIFY2(verdicts[0] > 25 && verdicts[1] > 25, "both verdicts often enough to say something");
}

QTEST_APPLESS_MAIN(LayoutCodecTest)
#include "tst_layout_codec.moc"
