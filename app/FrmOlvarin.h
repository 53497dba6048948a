#pragma once

#include <optional>
#include <string>

#include <QStringList>
#include <QWidget>

#include "app/StoreConfigFile.h"
#include "engine/FormData.h"
#include "engine/RunReport.h"
#include "engine/RunRequest.h"

class QCheckBox;
class QCloseEvent;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QShowEvent;
class QTabWidget;

namespace app {

class CheckGroup;
class IntervalTimer;
class MaskEdit;
class RadioGroup;

// The command-line argument that selects the unattended single run.
inline constexpr const char* kUnattendedParameter = "a";

// How the window starts; the defaults are those of the program.
struct FormStartOptions {
    // The folder holding the store configuration, with its trailing separator.
    std::string storeConfigDir;  // empty: the executable's folder
    // The command-line arguments after the program's name.
    std::optional<QStringList> arguments;  // none: the application's own
    // Start-up errors go to the log and standard error instead of the error box
    // (an unattended start must not wait for a person).
    bool startupErrorsToLog = false;
};

// The main window: its controls, the store configuration read at start-up, the
// unattended runs, and what a download run is asked and tells.
class TFormOlvarin : public QWidget, public engine::RunReport {
    Q_OBJECT
  public:
    // Creates the controls at their design values and runs FormCreate; an error
    // of FormCreate is reported and creation goes on.
    explicit TFormOlvarin(FormStartOptions options = {}, QWidget* parent = nullptr);
    ~TFormOlvarin() override;

    // Start-up values, read once.
    const std::string& StoreId() const { return storeId_; }
    const std::string& StockId() const { return stockId_; }
    const std::string& RunParameter() const { return runParameter_; }

    // The program's exit status after the unattended single run: 1 when the last
    // timer run failed, else 0.
    int exitStatus() const { return lastTimerRunFailed_ ? 1 : 0; }

    engine::FormData& formData() { return formData_; }

    // Event handlers; Sender is the component that raised the event.
    void FormCreate(QObject* Sender);
    void FormShow(QObject* Sender);
    void FormClose(QObject* Sender, QCloseEvent* Action);
    void bsSkinButton1Click(QObject* Sender);
    void bsSkinButton2Click(QObject* Sender);
    void bsSkinRadioGroup1Click(QObject* Sender);
    void bsSkinCheckGroup1Checked(QObject* Sender);
    void CheckBox1Click(QObject* Sender);
    void bsSkinEdit1Change(QObject* Sender);
    void Timer1Timer(QObject* Sender);

    // What a run started now is asked to do: the controls as they stand.
    engine::RunRequest runRequest() const;

    // engine::RunReport
    void clearLog() override;
    // Also writes the line to standard output, where a scheduler keeps it.
    void appendLog(const std::string& line) override;
    void setGauge(int value, int maximum) override;
    void refresh() override;
    void setBusyCursor(bool busy) override;
    // The gauge as the last run left it.
    int gaugeMax() const { return gaugeMax_; }
    int gaugeValue() const { return gaugeValue_; }

    // The controls, by their component names (also their object names).
    QFrame* bsSkinPanel1;
    QLabel* bsSkinStdLabel1;
    QLineEdit* Ed_Store;
    QLabel* Label1;
    QLineEdit* bsSkinEdit1;
    QCheckBox* CheckBox1;
    QFrame* bsSkinPanel2;
    QFrame* bsSkinPanel4;
    CheckGroup* bsSkinCheckGroup1;
    QFrame* bsSkinPanel5;
    QFrame* bsSkinPanel6;
    RadioGroup* bsSkinRadioGroup1;
    QFrame* bsSkinPanel7;
    QTabWidget* bsSkinPageControl1;
    QWidget* bsSkinTabSheet1;
    QPlainTextEdit* Memo1;
    QWidget* bsSkinTabSheet2;
    QPlainTextEdit* Memo2;
    QFrame* bsSkinPanel8;
    QCheckBox* CheckBox2;
    MaskEdit* MaskEdit1;
    QPushButton* bsSkinButton1;
    QPushButton* bsSkinButton2;
    QFrame* bsSkinPanel3;
    QProgressBar* bsSkinGauge1;
    IntervalTimer* Timer1;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void createControls();
    QFrame* createTopBar();
    QFrame* createMiddle();
    QFrame* createWorkArea();
    QFrame* createButtonRow();
    QFrame* createBottomBar();
    void connectHandlers();
    void runFormCreate();
    void reportStartupError(const QString& message);
    void requireStoreId() const;
    void showGauge();

    FormStartOptions options_;
    engine::FormData formData_;
    std::string storeId_;
    std::string stockId_;
    std::string startupError_;  // start-up's error message, empty when it had none
    std::string runParameter_;
    int gaugeMax_ = 100;
    int gaugeValue_ = 50;
    bool busyCursor_ = false;
    bool lastTimerRunFailed_ = false;
};

}  // namespace app
