#include "app/ErrorBox.h"

#include <exception>
#include <iostream>

#include <QApplication>
#include <QMessageBox>

namespace app {
namespace {

ErrorBoxHook& hook() {
    static ErrorBoxHook h;
    return h;
}

}  // namespace

QString errorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.')) return message + QLatin1Char('.');
    return message;
}

void showErrorBox(const QString& message) {
    const QString text = errorBoxText(message);
    if (hook()) {
        hook()(text);
        return;
    }
    QMessageBox::critical(QApplication::activeWindow(), QCoreApplication::applicationName(), text);
}

void setErrorBoxHook(ErrorBoxHook h) {
    hook() = std::move(h);
}

QString currentExceptionMessage() {
    try {
        throw;
    } catch (const std::exception& e) {
        return QString::fromStdString(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

void runGuarded(const std::function<void()>& handler) noexcept {
    try {
        handler();
    } catch (...) {
        try {
            showErrorBox(currentExceptionMessage());
        } catch (...) {
            std::cerr << "An error occurred while showing an error." << std::endl;
        }
    }
}

}  // namespace app
