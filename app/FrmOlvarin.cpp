#include "app/FrmOlvarin.h"

#include <algorithm>
#include <iostream>
#include <stdexcept>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/CheckGroup.h"
#include "app/ErrorBox.h"
#include "app/Heartbeat.h"
#include "app/IntervalTimer.h"
#include "app/MaskEdit.h"
#include "app/RadioGroup.h"
#include "app/RegistrySettings.h"
#include "app/StatusFile.h"
#include "app/StopSignals.h"
#include "base/Clock.h"
#include "base/DateTimeFormat.h"
#include "base/NumberText.h"
#include "base/Platform.h"
#include "db/ClientDataSet.h"
#include "engine/Categories.h"
#include "engine/DownloadRun.h"

namespace app {

namespace {

constexpr int kBarHeight = 41;
constexpr int kDefaultInterval = 5000;
constexpr const char* kRunFailedLine = "Data Tran Error ....";

const QStringList& categoryCaptions() {
    static const QStringList captions = [] {
        QStringList list;
        for (const engine::Category& c : engine::categories()) list << QString::fromUtf8(c.caption);
        return list;
    }();
    return captions;
}

QFont pixelFont(const QString& family, int pixels) {
    QFont font(family);
    font.setPixelSize(pixels);
    return font;
}

template <typename T>
T* named(T* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QFrame* panel(QWidget* parent, const char* name) {
    auto* frame = named(new QFrame(parent), name);
    frame->setFrameShape(QFrame::NoFrame);
    return frame;
}

QPlainTextEdit* memo(QWidget* parent, const char* name) {
    auto* edit = named(new QPlainTextEdit(parent), name);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setFont(pixelFont(QStringLiteral("Arial"), 14));
    return edit;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, QRect place) {
    auto* b = named(new QPushButton(caption, parent), name);
    b->setCursor(Qt::PointingHandCursor);
    b->setGeometry(place);
    return b;
}

}  // namespace

TFormOlvarin::TFormOlvarin(FormStartOptions options, QWidget* parent)
    : QWidget(parent), options_(std::move(options)), formData_(registryFilesFromSettings()) {
    if (options_.storeConfigDir.empty()) options_.storeConfigDir = base::executableDir();
    createControls();
    formData_.setConnectingHook([](bool connecting) {
        if (connecting)
            QApplication::setOverrideCursor(Qt::BusyCursor);
        else
            QApplication::restoreOverrideCursor();
    });
    runFormCreate();
    connectHandlers();
}

TFormOlvarin::~TFormOlvarin() {
    setBusyCursor(false);
}

// ---- controls ----------------------------------------------------------------

void TFormOlvarin::createControls() {
    setObjectName(QStringLiteral("FormOlvarin"));
    setWindowTitle(QStringLiteral("總部下傳分部作業"));
    setFont(pixelFont(QStringLiteral("Arial"), 14));
    resize(598, 390);
    move(240, 161);

    Timer1 = named(new IntervalTimer(this), "Timer1");
    Timer1->setInterval(kDefaultInterval);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(createTopBar());
    layout->addWidget(createMiddle(), 1);
    layout->addWidget(createBottomBar());
}

QFrame* TFormOlvarin::createTopBar() {
    bsSkinPanel1 = panel(this, "bsSkinPanel1");
    bsSkinPanel1->setFixedHeight(kBarHeight);
    bsSkinPanel1->setFrameShape(QFrame::StyledPanel);

    bsSkinStdLabel1 =
        named(new QLabel(QStringLiteral("總店資料下傳"), bsSkinPanel1), "bsSkinStdLabel1");
    QFont heading = bsSkinStdLabel1->font();
    heading.setBold(true);
    bsSkinStdLabel1->setFont(heading);
    bsSkinStdLabel1->move(9, 12);
    bsSkinStdLabel1->adjustSize();

    Ed_Store = named(new QLineEdit(QStringLiteral("Ed_Store"), bsSkinPanel1), "Ed_Store");
    Ed_Store->setGeometry(208, 8, 121, 23);

    Label1 = named(new QLabel(QStringLiteral("批次間格"), bsSkinPanel1), "Label1");
    QFont labelFont(QStringList{QStringLiteral("細明體"), QStringLiteral("PMingLiU"),
                                QStringLiteral("Noto Serif CJK TC")});
    labelFont.setPixelSize(13);
    Label1->setFont(labelFont);
    Label1->move(408, 13);
    Label1->adjustSize();

    bsSkinEdit1 =
        named(new QLineEdit(QString::number(kDefaultInterval), bsSkinPanel1), "bsSkinEdit1");
    bsSkinEdit1->setGeometry(466, 9, 46, 23);

    CheckBox1 = named(new QCheckBox(QStringLiteral("Auto"), bsSkinPanel1), "CheckBox1");
    CheckBox1->setGeometry(520, 10, 70, 20);
    return bsSkinPanel1;
}

QFrame* TFormOlvarin::createMiddle() {
    bsSkinPanel2 = panel(this, "bsSkinPanel2");
    auto* row = new QHBoxLayout(bsSkinPanel2);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    bsSkinPanel4 = panel(bsSkinPanel2, "bsSkinPanel4");
    bsSkinPanel4->setFixedWidth(185);
    auto* left = new QVBoxLayout(bsSkinPanel4);
    left->setContentsMargins(4, 4, 4, 4);
    bsSkinCheckGroup1 =
        named(new CheckGroup(QStringLiteral("接收檔案"), categoryCaptions(), bsSkinPanel4),
              "bsSkinCheckGroup1");
    bsSkinCheckGroup1->nameItems();
    left->addWidget(bsSkinCheckGroup1);
    row->addWidget(bsSkinPanel4);

    bsSkinPanel5 = panel(bsSkinPanel2, "bsSkinPanel5");
    auto* right = new QVBoxLayout(bsSkinPanel5);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    bsSkinPanel6 = panel(bsSkinPanel5, "bsSkinPanel6");
    bsSkinPanel6->setFixedHeight(kBarHeight);
    auto* modeRow = new QHBoxLayout(bsSkinPanel6);
    modeRow->setContentsMargins(4, 4, 4, 2);
    bsSkinRadioGroup1 = named(
        new RadioGroup({QStringLiteral("全部"), QStringLiteral("異動"), QStringLiteral("指定")},
                       bsSkinPanel6),
        "bsSkinRadioGroup1");
    bsSkinRadioGroup1->nameItems();
    bsSkinRadioGroup1->setItemIndex(engine::kModeChanged);
    modeRow->addWidget(bsSkinRadioGroup1);
    right->addWidget(bsSkinPanel6);
    right->addWidget(createWorkArea(), 1);
    row->addWidget(bsSkinPanel5, 1);
    return bsSkinPanel2;
}

QFrame* TFormOlvarin::createWorkArea() {
    bsSkinPanel7 = panel(bsSkinPanel5, "bsSkinPanel7");
    auto* column = new QVBoxLayout(bsSkinPanel7);
    column->setContentsMargins(4, 2, 4, 0);
    column->setSpacing(0);

    bsSkinPageControl1 = named(new QTabWidget(bsSkinPanel7), "bsSkinPageControl1");
    bsSkinPageControl1->setStyleSheet(
        QStringLiteral("QTabBar::tab { height: 20px; min-width: 36px; }"));
    bsSkinTabSheet1 = named(new QWidget, "bsSkinTabSheet1");
    bsSkinTabSheet2 = named(new QWidget, "bsSkinTabSheet2");

    Memo1 = memo(bsSkinTabSheet1, "Memo1");
    Memo1->setReadOnly(true);
    QPalette log = Memo1->palette();
    log.setColor(QPalette::Base, Qt::black);
    log.setColor(QPalette::Text, QColor(0xd8, 0xd8, 0xd8));
    Memo1->setPalette(log);
    Memo2 = memo(bsSkinTabSheet2, "Memo2");
    for (auto [sheet, edit] :
         {std::pair{bsSkinTabSheet1, Memo1}, std::pair{bsSkinTabSheet2, Memo2}}) {
        auto* fill = new QVBoxLayout(sheet);
        fill->setContentsMargins(0, 0, 0, 0);
        fill->addWidget(edit);
    }
    bsSkinPageControl1->addTab(bsSkinTabSheet1, QString());
    bsSkinPageControl1->addTab(bsSkinTabSheet2, QString());
    bsSkinPageControl1->setCurrentIndex(0);
    column->addWidget(bsSkinPageControl1, 1);
    column->addWidget(createButtonRow());
    return bsSkinPanel7;
}

QFrame* TFormOlvarin::createButtonRow() {
    bsSkinPanel8 = panel(bsSkinPanel7, "bsSkinPanel8");
    bsSkinPanel8->setFixedHeight(kBarHeight);

    CheckBox2 = named(new QCheckBox(QStringLiteral("指定日期"), bsSkinPanel8), "CheckBox2");
    CheckBox2->setGeometry(4, 10, 90, 20);
    CheckBox2->setChecked(true);

    MaskEdit1 = named(new MaskEdit(bsSkinPanel8), "MaskEdit1");
    MaskEdit1->setEditMask(QStringLiteral("!0000/99/99;1;_"));
    MaskEdit1->setGeometry(96, 8, 96, 24);

    bsSkinButton1 = button(bsSkinPanel8, "bsSkinButton1", QStringLiteral("確定"), {221, 8, 75, 25});
    bsSkinButton2 = button(bsSkinPanel8, "bsSkinButton2", QStringLiteral("離開"), {317, 8, 75, 25});
    return bsSkinPanel8;
}

QFrame* TFormOlvarin::createBottomBar() {
    bsSkinPanel3 = panel(this, "bsSkinPanel3");
    bsSkinPanel3->setFixedHeight(kBarHeight);
    bsSkinPanel3->setFrameShape(QFrame::StyledPanel);
    auto* column = new QVBoxLayout(bsSkinPanel3);
    column->setContentsMargins(0, 0, 0, 0);
    column->addStretch(1);
    bsSkinGauge1 = named(new QProgressBar(bsSkinPanel3), "bsSkinGauge1");
    bsSkinGauge1->setOrientation(Qt::Horizontal);
    bsSkinGauge1->setTextVisible(false);
    bsSkinGauge1->setFixedHeight(20);
    column->addWidget(bsSkinGauge1);
    showGauge();
    return bsSkinPanel3;
}

void TFormOlvarin::connectHandlers() {
    connect(bsSkinButton1, &QPushButton::clicked, this,
            [this] { runGuarded([this] { bsSkinButton1Click(bsSkinButton1); }); });
    connect(bsSkinButton2, &QPushButton::clicked, this,
            [this] { runGuarded([this] { bsSkinButton2Click(bsSkinButton2); }); });
    connect(bsSkinRadioGroup1, &RadioGroup::clicked, this,
            [this] { runGuarded([this] { bsSkinRadioGroup1Click(bsSkinRadioGroup1); }); });
    connect(bsSkinCheckGroup1, &CheckGroup::captionToggled, this,
            [this] { runGuarded([this] { bsSkinCheckGroup1Checked(bsSkinCheckGroup1); }); });
    connect(CheckBox1, &QCheckBox::toggled, this,
            [this] { runGuarded([this] { CheckBox1Click(CheckBox1); }); });
    connect(bsSkinEdit1, &QLineEdit::textChanged, this,
            [this] { runGuarded([this] { bsSkinEdit1Change(bsSkinEdit1); }); });
    connect(Timer1, &IntervalTimer::timeout, this,
            [this] { runGuarded([this] { Timer1Timer(Timer1); }); });
}

// ---- start-up and ending -----------------------------------------------------

void TFormOlvarin::runFormCreate() {
    try {
        FormCreate(this);
    } catch (...) {
        reportStartupError(currentExceptionMessage());
    }
}

void TFormOlvarin::reportStartupError(const QString& message) {
    startupError_ = message.toStdString();
    if (!options_.startupErrorsToLog) {
        showErrorBox(message);
        return;
    }
    appendLog(message.toStdString());
    std::cerr << message.toStdString() << std::endl;
}

void TFormOlvarin::FormCreate(QObject*) {
    {
        db::ClientDataSet storeConfig("", nullptr);
        storeConfig.loadFromFile(options_.storeConfigDir + kStoreConfigFileName);
        storeId_ = storeConfig.fieldByName("storeid").asString();
        stockId_ = storeConfig.fieldByName("stock_id").asString();
    }
    MaskEdit1->setText(
        QString::fromStdString(base::formatDateTime(base::now(), base::kShortDatePattern)));
    Ed_Store->setText(QString::fromStdString(storeId_));
}

void TFormOlvarin::FormShow(QObject*) {
    const QStringList arguments = options_.arguments.value_or(QCoreApplication::arguments().mid(1));
    runParameter_ = arguments.isEmpty() ? std::string() : arguments.front().toStdString();
    if (runParameter_ != kUnattendedParameter) return;
    for (int i = 0; i < bsSkinCheckGroup1->count(); ++i) bsSkinCheckGroup1->setChecked(i, true);
    Timer1->setEnabled(true);
}

void TFormOlvarin::FormClose(QObject*, QCloseEvent*) {
    QCoreApplication::quit();
}

void TFormOlvarin::bsSkinButton2Click(QObject*) {
    close();
}

void TFormOlvarin::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) runGuarded([this] { FormShow(this); });
}

void TFormOlvarin::closeEvent(QCloseEvent* event) {
    runGuarded([&] { FormClose(this, event); });
    QWidget::closeEvent(event);
}

// ---- the window's own handlers -----------------------------------------------

void TFormOlvarin::bsSkinRadioGroup1Click(QObject*) {
    bsSkinPageControl1->setCurrentWidget(bsSkinRadioGroup1->itemIndex() == engine::kModeSpecified
                                             ? bsSkinTabSheet2
                                             : bsSkinTabSheet1);
}

void TFormOlvarin::bsSkinCheckGroup1Checked(QObject*) {
    for (int i = 0; i < bsSkinCheckGroup1->count(); ++i) bsSkinCheckGroup1->setChecked(i, true);
}

// ---- runs --------------------------------------------------------------------

// Every run ends by telling the status file and headquarters how it went, before an
// error reaches the error box or the timer's log.
void TFormOlvarin::bsSkinButton1Click(QObject*) {
    const engine::RunRequest request = runRequest();
    StatusFileRun status(storeId_);
    OnStop stopped([&status] { status.finish(false); });  // a stopped run did not succeed
    try {
        requireStoreId();
        engine::runDownload(request, *this, formData_, {.tally = status.tally()});
    } catch (...) {
        stopped.dismiss();
        status.finish(false);
        // A run without a store id touches no database, headquarters' included.
        if (!storeId_.empty()) {
            reportToHeadquarters(formData_.SQLCon_Source, status.outcome(),
                                 currentExceptionMessage().toStdString(), request.mode);
        }
        throw;
    }
    stopped.dismiss();
    status.finish(true);
    reportToHeadquarters(formData_.SQLCon_Source, status.outcome(), {}, request.mode);
}

// Without a store id a run would claim the queue rows of store '' and end with
// "Done..." having downloaded nothing: it fails before either database is touched.
void TFormOlvarin::requireStoreId() const {
    if (!storeId_.empty()) return;
    throw std::runtime_error(
        noStoreIdMessage(options_.storeConfigDir + kStoreConfigFileName, startupError_));
}

void TFormOlvarin::CheckBox1Click(QObject*) {
    Timer1->setEnabled(CheckBox1->isChecked());
}

void TFormOlvarin::bsSkinEdit1Change(QObject*) {
    const int32_t interval = base::toInt32Or(bsSkinEdit1->text().toStdString(), kDefaultInterval);
    Timer1->setInterval(static_cast<uint32_t>(interval));  // a negative count wraps, as unsigned
}

void TFormOlvarin::Timer1Timer(QObject*) {
    Timer1->setEnabled(false);
    appendLog(base::logTimestamp());
    try {
        bsSkinButton1Click(Timer1);
        Timer1->setEnabled(true);
        lastTimerRunFailed_ = false;
    } catch (...) {
        const QString message = currentExceptionMessage();
        appendLog(kRunFailedLine);
        appendLog(message.toStdString());
        Timer1->setEnabled(true);
        lastTimerRunFailed_ = true;
    }
    appendLog(base::logTimestamp());
    if (runParameter_ == kUnattendedParameter)
        close();
    else
        Timer1->setEnabled(true);
}

// ---- engine::RunReport -------------------------------------------------------

engine::RunRequest TFormOlvarin::runRequest() const {
    engine::RunRequest request;
    request.storeId = storeId_;
    request.mode = bsSkinRadioGroup1->itemIndex();
    for (size_t i = 0; i < request.ticked.size(); ++i)
        request.ticked[i] = bsSkinCheckGroup1->isChecked(static_cast<int>(i));
    request.dateFilterOn = CheckBox2->isChecked();
    request.filterDate = MaskEdit1->text().toStdString();
    request.bulk = bulkDownloadFromSettings();
    request.bulkThreshold = bulkThresholdFromSettings();
    return request;
}

void TFormOlvarin::clearLog() {
    Memo1->clear();
}

void TFormOlvarin::appendLog(const std::string& line) {
    Memo1->appendPlainText(QString::fromStdString(line));
    std::cout << line << std::endl;
}

void TFormOlvarin::setGauge(int value, int maximum) {
    gaugeValue_ = value;
    gaugeMax_ = maximum;
    showGauge();
}

// QProgressBar drops values outside its range, so the gauge keeps its own
// numbers and shows them clamped.
void TFormOlvarin::showGauge() {
    const int maximum = std::max(gaugeMax_, 1);
    bsSkinGauge1->setRange(0, maximum);
    bsSkinGauge1->setValue(std::clamp(gaugeValue_, 0, maximum));
}

void TFormOlvarin::refresh() {
    repaint();
}

void TFormOlvarin::setBusyCursor(bool busy) {
    if (busy == busyCursor_) return;
    busyCursor_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

}  // namespace app
