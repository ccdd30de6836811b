#include "core/scene/attachment.h"
#include "core/scene/evaluated.h"

#include <QtTest>

#include <limits>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(qor::Reanim)

namespace {

constexpr float unset = qor::unsetValue;
using Field = float qor::TrackState::*;

// A track whose frames give `f` as listed; frame `imageAt` also names an image.
qor::ReanimTrack track(const QByteArray &name, std::initializer_list<float> shown, int imageAt = -1)
{
    qor::ReanimTrack made{name.toStdString(), {}};
    for (const float f : shown) {
        qor::ReanimTransform &frame = made.transforms.emplace_back();
        frame.f = f;
        if (int(made.transforms.size()) - 1 == imageAt)
            frame.i = "IMAGE_REANIM_PART";
    }
    return made;
}

qor::Reanim animation(std::vector<qor::ReanimTrack> tracks)
{
    qor::Reanim reanim;
    reanim.tracks = std::move(tracks);
    return reanim;
}

// What a frame's text asks to attach: name, clip, rate and end, written as "NAME|CLIP|FPS|END"
// (FPS 0 for the file's own rate), or "-" for no attachment.
QString describe(const std::optional<qor::Attachment> &attachment)
{
    if (!attachment)
        return u"-"_s;
    constexpr const char *ends[] = {"loop", "hold", "once"};
    return QString::fromStdString(attachment->name + '|' + attachment->clip + '|')
           + QString::number(attachment->fps.value_or(0.0f)) + u'|' + QLatin1String(ends[int(attachment->end)]);
}

} // namespace

class tst_Evaluate : public QObject {
    Q_OBJECT

private slots:
    void carriesForward_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QList<float>>("given");
        QTest::addColumn<QList<float>>("shown");
        const auto row = [](const char *name, int field, QList<float> given, QList<float> shown) {
            QTest::newRow(name) << field << given << shown;
        };
        row("x defaults to 0 and keeps its last value", 0, {unset, 5, unset, -3, unset}, {0, 5, 5, -3, -3});
        row("y defaults to 0", 1, {unset, 7}, {0, 7});
        row("kx defaults to 0", 2, {unset, 90, unset}, {0, 90, 90});
        row("ky defaults to 0", 3, {unset}, {0});
        row("sx defaults to 1", 4, {unset, 2, unset}, {1, 2, 2});
        row("sy defaults to 1, 0 is a value", 5, {unset, 0, unset}, {1, 0, 0});
        row("f: hidden stays hidden until shown", 6, {-1, unset, 0, unset}, {-1, -1, 0, 0});
        row("a defaults to 1", 7, {unset, 0.5f, unset}, {1, 0.5f, 0.5f});
        row("a value next to the unset one is a value", 0, {-9999.99f, unset}, {-9999.99f, -9999.99f});
    }

    void carriesForward()
    {
        QFETCH(int, field);
        QFETCH(QList<float>, given);
        QFETCH(QList<float>, shown);
        static constexpr Field stateFields[] = {&qor::TrackState::x,  &qor::TrackState::y,  &qor::TrackState::kx,
                                                &qor::TrackState::ky, &qor::TrackState::sx, &qor::TrackState::sy,
                                                &qor::TrackState::f,  &qor::TrackState::a};
        static constexpr float qor::ReanimTransform::*frameFields[] = {
            &qor::ReanimTransform::x,  &qor::ReanimTransform::y,  &qor::ReanimTransform::kx, &qor::ReanimTransform::ky,
            &qor::ReanimTransform::sx, &qor::ReanimTransform::sy, &qor::ReanimTransform::f,  &qor::ReanimTransform::a};
        qor::ReanimTrack made;
        for (const float value : given)
            made.transforms.emplace_back().*frameFields[field] = value;
        QList<float> carried;
        for (const qor::TrackState &state : qor::carryForward(made))
            carried.append(state.*stateFields[field]);
        QCOMPARE(carried, shown);
    }

    void emptyNamesKeepThePreviousOnes()
    {
        qor::ReanimTrack made;
        made.transforms.resize(3);
        made.transforms[0].i = "A";
        made.transforms[0].font = "F";
        made.transforms[1].text = "hello";
        made.transforms[2].i = "B";
        const auto states = qor::carryForward(made);
        QCOMPARE(states[1].image, "A");
        QCOMPARE(states[2].image, "B");
        QCOMPARE(states[2].font, "F");
        QCOMPARE(states[2].text, "hello");
        QVERIFY(states[0].text.empty());
    }

    void clips_data()
    {
        QTest::addColumn<qor::Reanim>("reanim");
        QTest::addColumn<QStringList>("clips");
        QTest::newRow("one run") << animation({track("anim_idle", {-1, 0, unset, -1})}) << QStringList{u"idle 1 2"_s};
        QTest::newRow("two runs span the gap")
            << animation({track("anim_walk", {0, -1, -1, 0, -1})}) << QStringList{u"walk 0 4"_s};
        QTest::newRow("unset f in the first frame shows")
            << animation({track("anim_blink", {unset, -1})}) << QStringList{u"blink 0 1"_s};
        QTest::newRow("never shown") << animation({track("anim_never", {-1, unset})}) << QStringList{};
        QTest::newRow("no frames") << animation({track("anim_empty", {})}) << QStringList{};
        QTest::newRow("names an image") << animation({track("anim_head", {0, 0}, 1)}) << QStringList{};
        QTest::newRow("no anim_ prefix") << animation({track("idle", {0}), track("Anim_x", {0})}) << QStringList{};
        QTest::newRow("empty clip name") << animation({track("anim_", {-1, 0})}) << QStringList{u" 1 1"_s};
        QTest::newRow("in track order, beside drawn tracks")
            << animation({track("anim_b", {-1, -1, 0}), track("body", {0, 0, 0}, 0), track("anim_a", {0})})
            << QStringList{u"b 2 1"_s, u"a 0 1"_s};
    }

    void clips()
    {
        QFETCH(qor::Reanim, reanim);
        QFETCH(QStringList, clips);
        const qor::EvaluatedAnimation evaluated = qor::evaluate(reanim);
        QStringList found;
        for (const qor::Clip &clip : evaluated.clips)
            found.append(u"%1 %2 %3"_s.arg(QLatin1String(clip.name)).arg(clip.firstFrame).arg(clip.frameCount));
        QCOMPARE(found, clips);
    }

    // What can be placed: x, y, kx, ky, sx, sy numbers, and x, y, sx, sy within 2^24 units.
    void placeable_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("unplaceable");
        const float inf = std::numeric_limits<float>::infinity();
        const float nan = std::numeric_limits<float>::quiet_NaN();
        QTest::newRow("2^24 is placed") << 0 << 16777216.0f << QString();
        QTest::newRow("the next float past it is not") << 0 << 16777218.0f << u"x is 16777218"_s;
        QTest::newRow("nor far below") << 1 << -1e30f << u"y is -1.00000002e+30"_s;
        QTest::newRow("NaN") << 1 << nan << u"y is nan"_s;
        QTest::newRow("an infinite skew") << 2 << inf << u"kx is inf"_s;
        QTest::newRow("a skew of any size turns") << 3 << 1e30f << QString();
        QTest::newRow("a scale past 2^24") << 4 << -2e7f << u"sx is -20000000"_s;
        QTest::newRow("an infinite scale") << 5 << -inf << u"sy is -inf"_s;
        QTest::newRow("f and a are not placement") << 6 << nan << QString();
        QTest::newRow("nor is a") << 7 << inf << QString();
    }
    void placeable()
    {
        QFETCH(int, field);
        QFETCH(float, value);
        QFETCH(QString, unplaceable);
        static constexpr Field fields[] = {&qor::TrackState::x,  &qor::TrackState::y,  &qor::TrackState::kx,
                                           &qor::TrackState::ky, &qor::TrackState::sx, &qor::TrackState::sy,
                                           &qor::TrackState::f,  &qor::TrackState::a};
        qor::TrackState state;
        state.*fields[field] = value;
        QCOMPARE(state.placeable(), unplaceable.isEmpty());
        QCOMPARE(QString::fromStdString(qor::unplaceableValue(state)), unplaceable);
    }

    void framesPastATracksEndAreNotThere()
    {
        const auto evaluated = qor::evaluate(animation({track("a", {0}), track("b", {0, 0, 0})}));
        QCOMPARE(evaluated.frameCount, 3);
        QVERIFY(evaluated.state(0, 0));
        QVERIFY(!evaluated.state(0, 1));
        QVERIFY(!evaluated.state(1, -1));
        QVERIFY(!evaluated.state(2, 0));
    }

    void attachmentTexts_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("a name") << "attacher__Child"_ba << u"Child||0|loop"_s;
        QTest::newRow("a clip") << "attacher__Child__anim_walk"_ba << u"Child|walk|0|loop"_s;
        QTest::newRow("a clip without anim_") << "attacher__Child__walk"_ba << u"Child|walk|0|loop"_s;
        QTest::newRow("tags in any case and spacing") << "attacher__C[ 7.5 ][ HOLD ]"_ba << u"C||7.5|hold"_s;
        QTest::newRow("no positive rate, unknown words") << "attacher__C[0][-3][fast][once]"_ba << u"C||0|once"_s;
        QTest::newRow("an unclosed tag") << "attacher__C[once"_ba << u"C||0|once"_s;
        QTest::newRow("no name") << "attacher__"_ba << u"-"_s;
        QTest::newRow("another text") << "hello attacher__C"_ba << u"-"_s;
    }

    void attachmentTexts()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, expected);
        QCOMPARE(describe(qor::parseAttachment(text.toStdString())), expected);
    }

    void attachedFrames_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("elapsed");
        QTest::addColumn<int>("expected"); // -1 once it is gone
        QTest::newRow("loops at its own 12 fps in 24") << "attacher__C"_ba << 9 << 0;
        QTest::newRow("10 fps in 30 lands on frame 1") << "attacher__C[10]"_ba << 3 << 1;
        QTest::newRow("hold") << "attacher__C[24][hold]"_ba << 50 << 3;
        QTest::newRow("once") << "attacher__C[24][once]"_ba << 4 << -1;
    }

    void attachedFrames()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, elapsed);
        QFETCH(int, expected);
        const auto attachment = qor::parseAttachment(text.toStdString());
        QVERIFY(attachment);
        const float parent = attachment->fps == 10.0f ? 30.0f : 24.0f;
        QCOMPARE(qor::attachedFrame(*attachment, elapsed, parent, 12.0f, 4).value_or(-1), expected);
    }
};

QTEST_APPLESS_MAIN(tst_Evaluate)
#include "tst_evaluate.moc"
