#pragma once

#include <functional>

#include <QString>

namespace app {

// The default error box: the one place that shows an error that escaped a handler.
// Everything that reports such an error to the user comes through here.

// The text the box shows: the message, with a full stop added when its last
// character comes after "." in character order ("Disk full" -> "Disk full.").
QString errorBoxText(const QString& message);

// Shows the error box for message, modal over the active window, and returns when
// the user has dismissed it. With a hook set, the hook receives the box's text
// instead and nothing is shown.
void showErrorBox(const QString& message);

// Replaces the box (tests, unattended start-up); an empty hook restores the box.
using ErrorBoxHook = std::function<void(const QString& text)>;
void setErrorBoxHook(ErrorBoxHook hook);

// The message of the exception being handled (call inside a catch block).
QString currentExceptionMessage();

// Runs a handler; an error escaping it goes to the error box. Never throws.
void runGuarded(const std::function<void()>& handler) noexcept;

}  // namespace app
