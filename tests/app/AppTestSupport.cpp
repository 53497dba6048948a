#include "AppTestSupport.h"

#include <fstream>
#include <stdexcept>

#include <QApplication>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTest>

#include "app/ErrorBox.h"
#include "base/Clock.h"

namespace apptest {

TempFolder::TempFolder() {
    if (!dir_.isValid()) throw std::runtime_error("cannot create a temporary folder");
}

std::string TempFolder::path() const {
    return dir_.path().toStdString() + "/";
}

void TempFolder::writeFile(const std::string& name, const std::string& content) const {
    std::ofstream out(file(name), std::ios::binary);
    out << content;
}

ErrorBoxRecorder::ErrorBoxRecorder() {
    app::setErrorBoxHook([this](const QString& text) { texts_ << text; });
}

ErrorBoxRecorder::~ErrorBoxRecorder() {
    app::setErrorBoxHook({});
}

FixedClock::FixedClock() {
    base::setClock([] { return base::LocalDateTime{2024, 3, 5, 10, 20, 30}; });
}

FixedClock::~FixedClock() {
    base::setClock({});
}

RegistrySettings::RegistrySettings(const std::string& connectionsFile,
                                   const std::string& driversFile) {
    QSettings settings(QStringLiteral("olvarin"), QStringLiteral("olvarin"));
    settings.setValue(QStringLiteral("Connection Registry File"),
                      QString::fromStdString(connectionsFile));
    settings.setValue(QStringLiteral("Driver Registry File"), QString::fromStdString(driversFile));
}

RegistrySettings::~RegistrySettings() {
    QSettings settings(QStringLiteral("olvarin"), QStringLiteral("olvarin"));
    settings.clear();
}

db::TableData textTable(const std::vector<std::string>& fieldNames,
                        const std::vector<std::vector<std::string>>& rows) {
    db::TableData table;
    for (const auto& name : fieldNames) {
        db::ColumnInfo field;
        field.name = name;
        field.type = db::FieldType::VarChar;
        field.size = 20;
        table.fields.push_back(field);
    }
    for (const auto& row : rows) {
        std::vector<db::Value> values;
        for (const auto& v : row) values.push_back(db::Value::text(v));
        table.rows.push_back(std::move(values));
    }
    return table;
}

void writeStoreConfig(const TempFolder& folder, const std::vector<std::vector<std::string>>& rows) {
    db::saveTableFile(folder.file("Quelmar.dat"), textTable({"storeid", "stock_id"}, rows));
}

std::unique_ptr<app::TFormOlvarin> makeWindow(const TempFolder& folder,
                                              const QStringList& arguments) {
    app::FormStartOptions options;
    options.storeConfigDir = folder.path();
    options.arguments = arguments;
    return std::make_unique<app::TFormOlvarin>(options);
}

void showAndActivate(QWidget& window) {
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        throw std::runtime_error("the window did not activate");
}

QStringList lines(const QPlainTextEdit& memo) {
    QStringList result = memo.toPlainText().split(QLatin1Char('\n'));
    if (result == QStringList{QString()}) result.clear();
    return result;
}

std::string binaryDir() {
    return OLVARIN_BINARY_DIR;
}

}  // namespace apptest
