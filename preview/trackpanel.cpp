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

TrackPanel::TrackPanel(QWidget *parent) : QWidget(parent), list_(new QListWidget(this))
{
    list_->setObjectName(QStringLiteral("trackList"));
    auto *form = new QFormLayout;
    for (int n = 0; n < fieldCount; ++n) {
        values_[size_t(n)] = new QLabel(this);
        values_[size_t(n)]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(QLatin1String(fieldNames[n]), values_[size_t(n)]);
    }
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
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
    for (const qor::EvaluatedTrack &track : animation.tracks) {
        auto *item = new QListWidgetItem(qorqt::fromName(track.name), list_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(hiddenByName.value(item->text()) ? Qt::Unchecked : Qt::Checked);
        if (track.marksClip)
            item->setToolTip(tr("Marks a clip; not drawn"));
        if (!selected.isEmpty() && item->text() == selected)
            list_->setCurrentItem(item);
    }
    emit tracksChanged();
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
    std::vector<bool> hidden(size_t(list_->count()));
    for (int row = 0; row < list_->count(); ++row)
        hidden[size_t(row)] = list_->item(row)->checkState() == Qt::Unchecked;
    return hidden;
}

int TrackPanel::selectedTrack() const
{
    return list_->currentRow();
}
