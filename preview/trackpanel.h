#pragma once

#include "core/evaluated.h"

#include <QWidget>

#include <array>
#include <vector>

class QLabel;
class QListWidget;

// The tracks of the animation, each with a box to show or hide it, and the selected track's
// values in the current frame after carrying forward.
class TrackPanel : public QWidget {
    Q_OBJECT

public:
    explicit TrackPanel(QWidget *parent = nullptr);

    // Lists the tracks; a track of the same name as before keeps its box and selection.
    void setTracks(const qor::EvaluatedAnimation &animation);
    void showValues(const qor::TrackState *state);

    std::vector<bool> hiddenTracks() const;
    int selectedTrack() const;

signals:
    void tracksChanged(); // shown, hidden or selected

private:
    static constexpr int fieldCount = 11;

    QListWidget *list_;
    std::array<QLabel *, fieldCount> values_{};
};
