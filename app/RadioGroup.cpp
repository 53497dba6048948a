#include "app/RadioGroup.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QRadioButton>

namespace app {

RadioGroup::RadioGroup(const QStringList& items, QWidget* parent)
    : QFrame(parent), group_(new QButtonGroup(this)) {
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 2, 12, 2);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        group_->addButton(button, i);
        layout->addWidget(button, 1);
    }
    connect(group_, &QButtonGroup::idClicked, this, [this] { emit clicked(); });
}

int RadioGroup::itemIndex() const {
    return group_->checkedId();
}

void RadioGroup::setItemIndex(int index) {
    if (QRadioButton* button = item(index)) button->setChecked(true);
}

int RadioGroup::count() const {
    return static_cast<int>(group_->buttons().size());
}

QRadioButton* RadioGroup::item(int index) const {
    return qobject_cast<QRadioButton*>(group_->button(index));
}

void RadioGroup::nameItems() {
    for (int i = 0; i < count(); ++i) {
        item(i)->setObjectName(objectName() + QStringLiteral("_item") + QString::number(i));
    }
}

}  // namespace app
