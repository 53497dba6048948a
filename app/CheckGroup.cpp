#include "app/CheckGroup.h"

#include <QCheckBox>
#include <QVBoxLayout>

namespace app {
namespace {

// Twelve entries and the caption fit the window's 390-pixel height.
constexpr int kEntryHeight = 21;

}  // namespace

CheckGroup::CheckGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QFrame(parent), captionBox_(new QCheckBox(caption, this)) {
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 6);
    layout->setSpacing(0);
    QFont captionFont = captionBox_->font();
    captionFont.setBold(true);
    captionBox_->setFont(captionFont);
    captionBox_->setFixedHeight(kEntryHeight + 2);
    layout->addWidget(captionBox_);
    layout->addSpacing(4);
    for (const QString& text : items) {
        auto* box = new QCheckBox(text, this);
        box->setFixedHeight(kEntryHeight);
        items_.push_back(box);
        layout->addWidget(box);
    }
    layout->addStretch(1);
    connect(captionBox_, &QCheckBox::toggled, this, &CheckGroup::onCaptionToggled);
}

QCheckBox* CheckGroup::item(int index) const {
    return index >= 0 && index < count() ? items_[static_cast<size_t>(index)] : nullptr;
}

QString CheckGroup::itemCaption(int index) const {
    const QCheckBox* box = item(index);
    return box ? box->text() : QString();
}

bool CheckGroup::isChecked(int index) const {
    const QCheckBox* box = item(index);
    return box && box->isChecked();
}

void CheckGroup::setChecked(int index, bool checked) {
    if (QCheckBox* box = item(index)) box->setChecked(checked);
}

void CheckGroup::nameItems() {
    captionBox_->setObjectName(objectName() + QStringLiteral("_caption"));
    for (int i = 0; i < count(); ++i) {
        items_[static_cast<size_t>(i)]->setObjectName(objectName() + QStringLiteral("_item") +
                                                      QString::number(i));
    }
}

void CheckGroup::onCaptionToggled(bool checked) {
    for (QCheckBox* box : items_) box->setEnabled(checked);
    emit captionToggled();
}

}  // namespace app
