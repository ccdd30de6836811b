#include "preview/trackpanel.h"

#include "qt/qtcore.h"

#include <QFormLayout>
#include <QHash>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace {

const char *const fieldNames[] = {"x", "y", "kx", "ky", "sx", "sy", "f", "a", "image", "font", "text"};

QString number(float value)
{
    return QString::number(double(value), 'g', 7);
}

} // namespace

TrackPanel::TrackPanel(QWidget *parent)
    : QWidget(parent), list_(new QListWidget(this)), clipList_(new QListWidget(this))
{
    list_->setObjectName(QStringLiteral("trackList"));
    clipList_->setObjectName(QStringLiteral("clipTrackList"));
    clipList_->setSelectionMode(QAbstractItemView::NoSelection);
    clipList_->setToolTip(tr("Tracks that mark clips; not drawn"));
    clipList_->setMaximumHeight(list_->fontMetrics().height() * 5);
    auto *form = new QFormLayout;
    for (int n = 0; n < fieldCount; ++n) {
        values_[size_t(n)] = new QLabel(this);
        values_[size_t(n)]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(QLatin1String(fieldNames[n]), values_[size_t(n)]);
    }
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Tracks"), this));
    layout->addWidget(list_, 1);
    layout->addWidget(new QLabel(tr("Clips"), this));
    layout->addWidget(clipList_);
    layout->addLayout(form);
    connect(list_, &QListWidget::itemChanged, this, &TrackPanel::tracksChanged);
    connect(list_, &QListWidget::currentRowChanged, this, &TrackPanel::tracksChanged);
    showValues(nullptr);
}

void TrackPanel::setTracks(const qor::EvaluatedAnimation &animation)
{
    QHash<QString, bool> hiddenByName;
    for (int row = 0; row < list_->count(); ++row)
        hiddenByName.insert(list_->item(row)->text(), list_->item(row)->checkState() == Qt::Unchecked);
    const QString selected = list_->currentItem() ? list_->currentItem()->text() : QString();
    const QSignalBlocker quiet(list_);
    list_->clear();
    clipList_->clear();
    trackOfRow_.clear();
    trackCount_ = animation.tracks.size();
    for (size_t track = 0; track < animation.tracks.size(); ++track) {
        const qor::EvaluatedTrack &each = animation.tracks[track];
        if (each.marksClip) {
            clipList_->addItem(qorqt::fromName(each.name));
            continue;
        }
        auto *item = new QListWidgetItem(qorqt::fromName(each.name), list_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(hiddenByName.value(item->text()) ? Qt::Unchecked : Qt::Checked);
        trackOfRow_.push_back(track);
        if (!selected.isEmpty() && item->text() == selected)
            list_->setCurrentItem(item);
    }
    emit tracksChanged();
}

void TrackPanel::showFrame(const qor::EvaluatedAnimation &animation, int frame)
{
    const QColor shown = list_->palette().color(QPalette::Text);
    const QColor hidden = list_->palette().color(QPalette::Disabled, QPalette::Text);
    const QSignalBlocker quiet(list_);
    for (int row = 0; row < list_->count() && size_t(row) < trackOfRow_.size(); ++row) {
        const qor::TrackState *state = animation.state(trackOfRow_[size_t(row)], frame);
        const bool visible = state && state->shown();
        list_->item(row)->setForeground(visible ? shown : hidden);
        list_->item(row)->setToolTip(visible ? QString() : tr("Hidden in this frame"));
    }
    const int selected = selectedTrack();
    showValues(selected >= 0 ? animation.state(size_t(selected), frame) : nullptr);
}

void TrackPanel::showValues(const qor::TrackState *state)
{
    if (!state) {
        for (QLabel *label : values_)
            label->setText(QStringLiteral("-"));
        return;
    }
    const float fields[] = {state->x, state->y, state->kx, state->ky, state->sx, state->sy, state->f, state->a};
    for (size_t n = 0; n < std::size(fields); ++n)
        values_[n]->setText(number(fields[n]));
    values_[8]->setText(qorqt::fromName(state->image));
    values_[9]->setText(qorqt::fromName(state->font));
    values_[10]->setText(qorqt::fromName(state->text));
}

std::vector<bool> TrackPanel::hiddenTracks() const
{
    std::vector<bool> hidden(trackCount_);
    for (int row = 0; row < list_->count() && size_t(row) < trackOfRow_.size(); ++row)
        hidden[trackOfRow_[size_t(row)]] = list_->item(row)->checkState() == Qt::Unchecked;
    return hidden;
}

int TrackPanel::selectedTrack() const
{
    const int row = list_->currentRow();
    return row >= 0 && size_t(row) < trackOfRow_.size() ? int(trackOfRow_[size_t(row)]) : -1;
}
