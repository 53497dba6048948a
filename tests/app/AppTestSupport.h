#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QStringList>
#include <QTemporaryDir>

#include "app/FrmOlvarin.h"
#include "db/TableFile.h"

class QPlainTextEdit;
class QWidget;

namespace apptest {

// The day every window test runs on: 2024/03/05 10:20:30.
inline constexpr const char* kToday = "2024/03/05";

// A fresh folder, removed afterwards. path() ends with a separator.
class TempFolder {
  public:
    TempFolder();
    std::string path() const;
    std::string file(const std::string& name) const { return path() + name; }
    void writeFile(const std::string& name, const std::string& content) const;

  private:
    QTemporaryDir dir_;
};

// Collects what the default error box would show while it lives.
class ErrorBoxRecorder {
  public:
    ErrorBoxRecorder();
    ~ErrorBoxRecorder();
    const QStringList& texts() const { return texts_; }

  private:
    QStringList texts_;
};

// Fixes the clock at kToday while it lives.
class FixedClock {
  public:
    FixedClock();
    ~FixedClock();
};

// The per-user settings of the program point at these files while it lives (the
// settings live in a folder of the test run, see the test main).
class RegistrySettings {
  public:
    RegistrySettings(const std::string& connectionsFile, const std::string& driversFile);
    ~RegistrySettings();
};

// A table of text fields with the given rows.
db::TableData textTable(const std::vector<std::string>& fieldNames,
                        const std::vector<std::vector<std::string>>& rows);
// "Quelmar.dat" with storeid and stock_id and the given rows.
void writeStoreConfig(const TempFolder& folder, const std::vector<std::vector<std::string>>& rows);

// A window reading its store configuration from folder, with the given arguments.
std::unique_ptr<app::TFormOlvarin> makeWindow(const TempFolder& folder,
                                              const QStringList& arguments = {});
// Shows the window and waits until it is exposed and active.
void showAndActivate(QWidget& window);

QStringList lines(const QPlainTextEdit& memo);

// The folder of the built programs (olvarin, olvarin-storecfg).
std::string binaryDir();

}  // namespace apptest
