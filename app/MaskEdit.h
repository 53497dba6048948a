#pragma once

#include <vector>

#include <QLineEdit>
#include <QString>

namespace app {

// An edit box with an edit mask of the form "<mask>;<keep literals>;<blank>", as in
// "!0000/99/99;1;_": '0' is a required digit, '9' an optional digit, '!' is a flag
// (blanks of optional positions lead), '\' makes the next character a literal, and
// every other character is a literal that is part of the text. The box always
// holds the mask's full length; typing overwrites, Backspace and Delete blank a
// position. While the box has the focus, blank positions show the blank character;
// text() reads them as blanks ("    /  /  " for an empty date field).
//
// Leaving the box after a change while a required position is blank beeps, keeps
// the focus in the box and raises kInvalidInputMessage through the default error
// box. Escape abandons the changes made since the box got the focus.
class MaskEdit : public QLineEdit {
    Q_OBJECT
  public:
    static constexpr const char* kInvalidInputMessage =
        "Invalid input value.  Use escape key to abandon changes";

    explicit MaskEdit(QWidget* parent = nullptr);

    void setEditMask(const QString& mask);
    const QString& editMask() const { return mask_; }

    // The text with the literals and with blanks for unfilled positions. (Hides
    // QLineEdit::text(), which gives what the box shows.)
    QString text() const { return value_; }
    // Puts text into the positions of the mask, character by character; a
    // character that does not fit its position leaves the position blank.
    void setText(const QString& text);

    // Whether the user changed the text since the box got the focus.
    bool isModified() const { return modified_; }
    // Whether every required position holds a character.
    bool isComplete() const;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    enum class Slot { Literal, RequiredDigit, OptionalDigit };

    bool isEditable(int pos) const;
    int nextEditable(int pos) const;      // pos itself or the next editable one
    int previousEditable(int pos) const;  // before pos, or -1
    void clearRange(int from, int to);    // blanks the editable positions in [from, to)
    void typeText(const QString& typed);
    bool typeChar(QChar c, int& pos);
    void abandonChanges();
    void validateOnExit();
    void showValue(int cursor);

    QString mask_;
    std::vector<Slot> slots_;
    QString literals_;  // the literal of each position, blank at editable positions
    QChar blank_ = QLatin1Char('_');
    QString value_;
    QString valueOnEnter_;
    bool modified_ = false;
    bool editing_ = false;  // between focus in and focus out
};

}  // namespace app
