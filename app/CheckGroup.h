#pragma once

#include <vector>

#include <QFrame>
#include <QStringList>

class QCheckBox;

namespace app {

// A check list with a check box in its caption. Each toggle of the caption box
// first enables the entries (box now ticked) or disables them (box now unticked),
// then emits captionToggled(). Ticking entries from the program emits nothing.
// The entries are children of the list; their object names are the list's name
// followed by "_item" and the index.
class CheckGroup : public QFrame {
    Q_OBJECT
  public:
    CheckGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

    QCheckBox* captionBox() const { return captionBox_; }
    int count() const { return static_cast<int>(items_.size()); }
    // nullptr outside the list.
    QCheckBox* item(int index) const;
    QString itemCaption(int index) const;      // empty outside the list
    bool isChecked(int index) const;           // false outside the list
    void setChecked(int index, bool checked);  // ignored outside the list

    // Names the entries after the list (call after setObjectName).
    void nameItems();

  signals:
    void captionToggled();

  private:
    void onCaptionToggled(bool checked);

    QCheckBox* captionBox_;
    std::vector<QCheckBox*> items_;
};

}  // namespace app
