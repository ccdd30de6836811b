#pragma once

#include "core/scene/evaluated.h"

#include <QWidget>

#include <array>
#include <vector>

class QLabel;
class QListWidget;

// The drawn tracks of the animation, each with a box to show or hide it and greyed in a
// frame where it is hidden; the tracks that mark clips listed apart; and the selected
// track's values in the current frame after carrying forward.
class TrackPanel : public QWidget {
    Q_OBJECT

public:
    explicit TrackPanel(QWidget *parent = nullptr);

    // Lists the tracks; a track of the same name as before keeps its box and selection.
    void setTracks(const qor::EvaluatedAnimation &animation);
    // Greys the tracks hidden in `frame` and shows the selected track's values there.
    void showFrame(const qor::EvaluatedAnimation &animation, int frame);

    std::vector<bool> hiddenTracks() const; // by track index
    int selectedTrack() const;              // a track index, or -1

signals:
    void tracksChanged(); // shown, hidden or selected

private:
    static constexpr int fieldCount = 11;

    void showValues(const qor::TrackState *state);

    QListWidget *list_;
    QListWidget *clipList_;
    std::vector<size_t> trackOfRow_;
    size_t trackCount_ = 0;
    std::array<QLabel *, fieldCount> values_{};
};
