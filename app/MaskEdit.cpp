#include "app/MaskEdit.h"

#include <algorithm>
#include <stdexcept>

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QStringList>

#include "app/ErrorBox.h"

namespace app {

MaskEdit::MaskEdit(QWidget* parent) : QLineEdit(parent) {
    setContextMenuPolicy(Qt::NoContextMenu);
    setDragEnabled(false);
    setAcceptDrops(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

void MaskEdit::setEditMask(const QString& mask) {
    mask_ = mask;
    const QStringList parts = mask.split(QLatin1Char(';'));
    if (parts.size() > 2 && !parts[2].isEmpty()) blank_ = parts[2].front();
    slots_.clear();
    literals_.clear();
    const QString& pattern = parts[0];
    for (int i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == QLatin1Char('!')) continue;
        if (c == QLatin1Char('0') || c == QLatin1Char('9')) {
            slots_.push_back(c == QLatin1Char('0') ? Slot::RequiredDigit : Slot::OptionalDigit);
            literals_ += QLatin1Char(' ');
            continue;
        }
        const QChar literal = (c == QLatin1Char('\\') && i + 1 < pattern.size()) ? pattern[++i] : c;
        slots_.push_back(Slot::Literal);
        literals_ += literal;
    }
    setMaxLength(static_cast<int>(slots_.size()));
    value_ = literals_;
    modified_ = false;
    showValue(0);
}

void MaskEdit::setText(const QString& text) {
    QString value = literals_;
    const int n = std::min<int>(text.size(), value.size());
    for (int i = 0; i < n; ++i) {
        if (isEditable(i) && text[i].isDigit()) value[i] = text[i];
    }
    value_ = value;
    modified_ = false;
    valueOnEnter_ = value_;
    showValue(0);
}

bool MaskEdit::isComplete() const {
    for (size_t i = 0; i < slots_.size(); ++i) {
        if (slots_[i] == Slot::RequiredDigit && value_[static_cast<int>(i)] == QLatin1Char(' ')) {
            return false;
        }
    }
    return true;
}

bool MaskEdit::isEditable(int pos) const {
    return pos >= 0 && pos < static_cast<int>(slots_.size()) &&
           slots_[static_cast<size_t>(pos)] != Slot::Literal;
}

int MaskEdit::nextEditable(int pos) const {
    while (pos < static_cast<int>(slots_.size()) && !isEditable(pos)) ++pos;
    return pos;
}

int MaskEdit::previousEditable(int pos) const {
    --pos;
    while (pos >= 0 && !isEditable(pos)) --pos;
    return pos;
}

void MaskEdit::clearRange(int from, int to) {
    for (int i = std::max(from, 0); i < std::min<int>(to, value_.size()); ++i) {
        if (isEditable(i) && value_[i] != QLatin1Char(' ')) {
            value_[i] = QLatin1Char(' ');
            modified_ = true;
        }
    }
}

bool MaskEdit::typeChar(QChar c, int& pos) {
    if (pos < static_cast<int>(slots_.size()) && !isEditable(pos) && c == literals_[pos]) {
        ++pos;  // typing the separator steps over it
        return true;
    }
    pos = nextEditable(pos);
    if (pos >= static_cast<int>(slots_.size()) || !c.isDigit()) return false;
    if (value_[pos] != c) {
        value_[pos] = c;
        modified_ = true;
    }
    pos = nextEditable(pos + 1);
    return true;
}

void MaskEdit::typeText(const QString& typed) {
    int pos = cursorPosition();
    if (hasSelectedText()) {
        pos = selectionStart();
        clearRange(pos, pos + selectionLength());
    }
    for (QChar c : typed) {
        if (!typeChar(c, pos)) break;
    }
    showValue(pos);
}

void MaskEdit::abandonChanges() {
    value_ = valueOnEnter_;
    modified_ = false;
    showValue(0);
    selectAll();
}

void MaskEdit::keyPressEvent(QKeyEvent* event) {
    if (slots_.empty()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    if (key == Qt::Key_Escape && modified_) {
        abandonChanges();
        event->accept();
        return;
    }
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
        int pos = cursorPosition();
        if (hasSelectedText()) {
            pos = selectionStart();
            clearRange(pos, pos + selectionLength());
        } else if (key == Qt::Key_Backspace) {
            pos = previousEditable(pos);
            if (pos < 0)
                pos = 0;
            else
                clearRange(pos, pos + 1);
        } else {
            clearRange(nextEditable(pos), nextEditable(pos) + 1);
        }
        showValue(pos);
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        typeText(QGuiApplication::clipboard()->text());
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Cut) || event->matches(QKeySequence::Undo) ||
        event->matches(QKeySequence::Redo)) {
        event->accept();
        return;
    }
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && typed.front().isPrint() &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (printable) {
        typeText(typed);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);  // cursor movement, selection, copy
}

void MaskEdit::focusInEvent(QFocusEvent* event) {
    // After a refused exit the box gets the focus back with its changes kept.
    if (!modified_) valueOnEnter_ = value_;
    editing_ = true;
    showValue(cursorPosition());
    QLineEdit::focusInEvent(event);
}

void MaskEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    editing_ = false;
    showValue(cursorPosition());
    const Qt::FocusReason reason = event->reason();
    const bool leaving = reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
                         reason != Qt::MenuBarFocusReason;
    if (leaving && modified_ && !isComplete()) runGuarded([this] { validateOnExit(); });
}

void MaskEdit::validateOnExit() {
    QApplication::beep();
    setFocus(Qt::OtherFocusReason);
    throw std::runtime_error(kInvalidInputMessage);
}

void MaskEdit::showValue(int cursor) {
    QString shown = value_;
    if (editing_) {
        for (int i = 0; i < shown.size(); ++i) {
            if (isEditable(i) && shown[i] == QLatin1Char(' ')) shown[i] = blank_;
        }
    }
    if (shown != QLineEdit::text()) QLineEdit::setText(shown);
    setCursorPosition(std::clamp(cursor, 0, static_cast<int>(shown.size())));
}

}  // namespace app
