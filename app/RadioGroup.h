#pragma once

#include <QFrame>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace app {

// A row of radio buttons, one column per item, with an item index. A click of
// the user on an item emits clicked() after the index has changed.
class RadioGroup : public QFrame {
    Q_OBJECT
  public:
    RadioGroup(const QStringList& items, QWidget* parent = nullptr);

    int itemIndex() const;  // -1 when none is selected
    void setItemIndex(int index);
    int count() const;
    QRadioButton* item(int index) const;  // nullptr outside the list

    // Names the items after the group (call after setObjectName).
    void nameItems();

  signals:
    void clicked();

  private:
    QButtonGroup* group_;
};

}  // namespace app
