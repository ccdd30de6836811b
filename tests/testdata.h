#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <bit>

#include <array>
#include <vector>

// Bytes written out by hand for the tests, and small file helpers.
namespace testdata {

// The 107-byte body of one track "anim", one frame with x = 1 and image "IMG", fps 12.
inline QByteArray workedExampleBody()
{
    return QByteArray::fromHex("C0B493B3" "00000000" "01000000" "00004041" "00000000" "0C000000"
                               "B8F96208" "60977508" "01000000"
                               "04000000" "616E696D" "2C000000"
                               "0000803F" "00401CC6" "00401CC6" "00401CC6" "00401CC6" "00401CC6"
                               "00401CC6" "00401CC6" "00000000" "00000000" "3CAEB800"
                               "03000000" "494D47" "00000000" "00000000");
}

inline const QByteArray workedExampleText = "<fps>12</fps>\n<track>\n<name>anim</name>\n"
                                            "<t><x>1.000</x><i>IMG</i></t>\n</track>\n";

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A fresh temporary folder as the working directory, where the window keeps its ini files;
// the previous working directory comes back when it goes.
class WorkingFolder {
public:
    WorkingFolder() : entered(QDir::setCurrent(folder.path())) {}
    ~WorkingFolder() { QDir::setCurrent(previous); }
    WorkingFolder(const WorkingFolder &) = delete;
    WorkingFolder &operator=(const WorkingFolder &) = delete;

    QString path() const { return folder.path(); }
    QString filePath(const QString &name) const { return folder.filePath(name); }

    const QString previous = QDir::currentPath();
    const QTemporaryDir folder;
    const bool entered;
};

inline constexpr float unset = -10000.0f;

struct Frame {
    std::array<float, 8> fields{unset, unset, unset, unset, unset, unset, unset, unset};
    QByteArray image{};
    QByteArray font{};
    QByteArray text{};
};

struct Track {
    QByteArray name;
    std::vector<Frame> frames;
};

// A body laid out word by word, independently of the serializer under test.
inline QByteArray buildBody(float fps, const std::vector<Track> &tracks)
{
    QByteArray body;
    struct {
        QByteArray &body;
        void u32(quint32 word) { body.append(reinterpret_cast<const char *>(&(word = qToLittleEndian(word))), 4); }
        void f32(float value) { u32(std::bit_cast<quint32>(value)); }
        void bytes(const QByteArray &run) { body.append(run); }
    } out{body};
    for (const quint32 word : {0xB393B4C0u, 0u, quint32(tracks.size())})
        out.u32(word);
    out.f32(fps);
    out.u32(0);
    out.u32(12);
    for (const Track &track : tracks) {
        out.u32(0x0862F9B8);
        out.u32(0x08759760);
        out.u32(quint32(track.frames.size()));
    }
    for (const Track &track : tracks) {
        out.u32(quint32(track.name.size()));
        out.bytes(track.name);
        out.u32(44);
        for (const Frame &frame : track.frames) {
            for (const float field : frame.fields)
                out.f32(field);
            for (const quint32 word : {0u, 0u, 0x00B8AE3Cu})
                out.u32(word);
        }
        for (const Frame &frame : track.frames) {
            for (const QByteArray *string : {&frame.image, &frame.font, &frame.text}) {
                out.u32(quint32(string->size()));
                out.bytes(*string);
            }
        }
    }
    return body;
}

// Names of markup, blanks and Latin-1 bytes; frames of unset, whole and thousandths values.
inline QByteArray randomName(QRandomGenerator &random, int maxLength)
{
    static const QByteArray alphabet = QByteArray("abcXYZ_09 .&<>\"'") + "\xE9\xFF\xA0\x80";
    QByteArray name;
    for (int n = random.bounded(maxLength + 1); n > 0; --n)
        name.append(alphabet[random.bounded(int(alphabet.size()))]);
    return name;
}

inline std::vector<Track> randomTracks(QRandomGenerator &random)
{
    std::vector<Track> tracks(size_t(random.bounded(6)));
    for (Track &track : tracks) {
        track.name = randomName(random, 12);
        track.frames.resize(size_t(random.bounded(5)));
        for (Frame &frame : track.frames) {
            // Unset, whole, or thousandths as the text carries them.
            for (float &field : frame.fields)
                field = random.bounded(3) == 0 ? unset : float(random.bounded(-1000000, 1000000)) / 1000.0f;
            frame.image = random.bounded(2) ? randomName(random, 10) : QByteArray();
            frame.font = random.bounded(4) == 0 ? randomName(random, 6) : QByteArray();
            frame.text = random.bounded(4) == 0 ? randomName(random, 20) : QByteArray();
        }
    }
    return tracks;
}

} // namespace testdata
