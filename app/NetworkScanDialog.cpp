#include "app/NetworkScanDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/ListFolder.h"
#include "app/NetworkScanDesign.h"
#include "device/LinkSearch.h"
#include "gui/DesignControls.h"
#include "gui/Fonts.h"
#include "gui/JobThread.h"
#include "gui/Text.h"

namespace hk {
namespace {

const QString kStart = QStringLiteral("Начать опрос");
const QString kStop = QStringLiteral("Остановить");

}  // namespace

NetworkScanDialog::NetworkScanDialog(MainState& state, SerialLink& link, ViewHooks& view,
                                     JobThread& jobs, QWidget* parent)
    : QDialog(parent),
      state_(state),
      link_(link),
      view_(view),
      jobs_(jobs),
      jobView_(std::make_unique<JobScanView>(
          jobs, static_cast<device::DeviceView&>(*this),
          [this](const ScanProgress& progress) { ShowProgress(progress); })) {
    setObjectName(QStringLiteral("NetworkScan"));
    setWindowTitle(QStringLiteral("Опрос сети"));
    setFont(WindowFont(11));
    resize(design::kNetworkScanWidth, design::kNetworkScanHeight);
    MakeLaidOutControls(this, new QVBoxLayout(this), design::kNetworkScanControls);
    linkLabel_ = DesignChild<QLabel>(this, "ScanLink");
    firstNumber_ = DesignChild<QSpinBox>(this, "FirstNumber");
    lastNumber_ = DesignChild<QSpinBox>(this, "LastNumber");
    for (QSpinBox* box : {firstNumber_, lastNumber_}) box->setRange(0, device::kLastNetNumber);
    speeds_ = DesignChild<QComboBox>(this, "ScanSpeed");
    speeds_->addItem(QStringLiteral("Все скорости"));
    for (std::size_t i = 1; i < device::SpeedItems.size(); ++i)
        speeds_->addItem(QString::fromUtf8(device::SpeedItems[i]));
    startButton_ = DesignChild<QPushButton>(this, "StartScan");
    underTest_ = DesignChild<QLabel>(this, "UnderTest");
    underTest_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    timeLeft_ = DesignChild<QLabel>(this, "TimeLeft");
    progress_ = DesignChild<QProgressBar>(this, "ScanProgress");
    table_ = DesignChild<QTableWidget>(this, "ScanTable");
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    status_ = DesignChild<QLabel>(this, "ScanStatus");
    status_->setWordWrap(true);
    auto* save = DesignChild<QPushButton>(this, "SaveCsv");
    auto* copy = DesignChild<QPushButton>(this, "CopyTable");
    auto* close = DesignChild<QPushButton>(this, "CloseScan");

    connect(startButton_, &QPushButton::clicked, this, [this] { StartOrStop(); });
    connect(save, &QPushButton::clicked, this, [this] { SaveCsv(); });
    connect(copy, &QPushButton::clicked, this, [this] { CopyTable(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        if (running_ || row < 0 || row >= static_cast<int>(found_.size())) return;
        const device::FoundController& f = found_[static_cast<std::size_t>(row)];
        if (chosen_) chosen_(f.number, f.speedIndex);
        accept();
    });
}

void NetworkScanDialog::Open(const device::LinkChoice& link, const QString& summary,
                             Chosen chosen) {
    choice_ = link;
    chosen_ = std::move(chosen);
    linkLabel_->setText(QStringLiteral("Линия: ") + summary);
    const device::ScanRange range = device::DefaultScanRange(link.protocol);
    for (QSpinBox* box : {firstNumber_, lastNumber_}) {
        box->setDisplayIntegerBase(link.hexView ? 16 : 10);
        box->setPrefix(link.hexView ? QStringLiteral("0x") : QString());
    }
    firstNumber_->setValue(range.firstNumber);
    lastNumber_->setValue(range.lastNumber);
    speeds_->setCurrentIndex(0);
    table_->setRowCount(0);
    found_.clear();
    progress_->setValue(0);
    underTest_->clear();
    timeLeft_->clear();
    status_->clear();
    exec();
}

NetworkScanDialog::~NetworkScanDialog() = default;

void NetworkScanDialog::reject() {
    if (running_) {
        // The attempt under way finishes, then the window closes.
        closeAfterScan_ = true;
        StartOrStop();
        return;
    }
    QDialog::reject();
}

void NetworkScanDialog::StartOrStop() {
    if (running_) {
        // Taken by the scan at its next attempt.
        status_->setText(QStringLiteral("Опрос остановится после текущей попытки."));
        jobs_.Post([this] { session_.StopRequest = true; });
        return;
    }
    Run();
}

void NetworkScanDialog::Run() {
    device::ScanRange range;
    range.firstNumber = std::min(firstNumber_->value(), lastNumber_->value());
    range.lastNumber = std::max(firstNumber_->value(), lastNumber_->value());
    if (speeds_->currentIndex() > 0)
        range.firstSpeed = range.lastSpeed = speeds_->currentIndex() - 1;
    table_->setRowCount(0);
    found_.clear();
    status_->clear();
    session_ = {};
    running_ = true;
    startButton_->setText(kStop);
    for (QWidget* w : std::initializer_list<QWidget*>{firstNumber_, lastNumber_, speeds_})
        w->setEnabled(false);
    progress_->setRange(0, range.Numbers() * range.Speeds());
    progress_->setValue(0);
    timeLeft_->clear();
    struct Outcome {
        bool portOpened = false;
        bool stopped = false;
    };
    auto outcome = std::make_shared<Outcome>();
    const device::LinkChoice line = choice_;
    jobs_.Post(
        [this, range, line, outcome] {
            if (link_.Log) link_.Log->BeginJob("Опрос сети, " + line.portName);
            state_.PortReady = device::OpenForSearch(link_, line);
            outcome->portOpened = state_.PortReady;
            if (!outcome->portOpened) return;
            device::DeviceContext c{link_, session_, *jobView_};
            device::NetworkScan scan(c, range, line.hexView,
                                     [this](const device::FoundController& f) {
                                         jobs_.ToWindow([this, f] { AddRow(f); });
                                     });
            jobView_->Follow(&scan);
            scan.Run();
            jobView_->Follow(nullptr);
            outcome->stopped = scan.Stopped();
            const ScanProgress last{scan.AttemptsTotal(), scan.AttemptsLeft(), 0};
            jobs_.ToWindow([this, last] { ShowProgress(last); });
        },
        [this, outcome] { Ended(outcome->portOpened, outcome->stopped); });
}

void NetworkScanDialog::Ended(bool portOpened, bool stopped) {
    if (portOpened) {
        QString text =
            stopped ? QStringLiteral("Опрос остановлен. ") : QStringLiteral("Опрос закончен. ");
        text += found_.empty() ? QStringLiteral("Ни один КВАРД не ответил.")
                               : QStringLiteral(
                                     "Найдено КВАРД: %1. Двойной щелчок по строке "
                                     "переносит её номер и скорость в окно обмена.")
                                     .arg(found_.size());
        status_->setText(text);
    }
    running_ = false;
    underTest_->clear();
    startButton_->setText(kStart);
    for (QWidget* w : std::initializer_list<QWidget*>{firstNumber_, lastNumber_, speeds_})
        w->setEnabled(true);
    if (closeAfterScan_) {
        closeAfterScan_ = false;
        QDialog::reject();
    }
}

void NetworkScanDialog::AddRow(const device::FoundController& f) {
    found_.push_back(f);
    const int row = table_->rowCount();
    table_->insertRow(row);
    const QString cells[] = {
        FromUtf8(device::NetNumberText(static_cast<std::uint8_t>(f.number), choice_.hexView)),
        QString::number(BaudRates[static_cast<std::size_t>(f.speedIndex)]),
        FromUtf8(device::KitTitle(f.kit)), FromUtf8(device::ControllerStateText(f))};
    for (int column = 0; column < 4; ++column)
        table_->setItem(row, column, new QTableWidgetItem(cells[column]));
}

void NetworkScanDialog::ShowProgress(const ScanProgress& p) {
    progress_->setRange(0, p.attemptsTotal);
    progress_->setValue(p.attemptsTotal - p.attemptsLeft);
    timeLeft_->setText(p.attemptsLeft > 0 ? FromUtf8(device::TimeLeftText(p.msLeft)) : QString());
}

void NetworkScanDialog::ProcessMessages() { view_.ProcessMessages(); }

void NetworkScanDialog::SetStatusText(const std::string& text) { status_->setText(FromUtf8(text)); }

void NetworkScanDialog::SetNumberLabel(const std::string& text) {
    numberUnderTest_ = FromUtf8(text);
    underTest_->setText(numberUnderTest_);
}

void NetworkScanDialog::SetSpeedLabel(const std::string& text) {
    underTest_->setText(numberUnderTest_ + QStringLiteral(", ") + FromUtf8(text));
}

void NetworkScanDialog::SaveCsv() {
    std::optional<QString> path;
    if (saveChooser_) {
        path = saveChooser_();
    } else {
        // Where the lists go, not the program's own data folder.
        const QString chosen = QFileDialog::getSaveFileName(
            this, QStringLiteral("Сохранить таблицу опроса"), ListDialogFolder(state_),
            QStringLiteral("Таблица CSV (*.csv)"));
        if (!chosen.isEmpty()) path = QDir::toNativeSeparators(chosen);
    }
    if (!path) return;
    KeepListFolder(state_, *path);
    // Whole or not at all: a failed save leaves a file of that name as it was.
    QSaveFile file(*path);
    const QByteArray bytes =
        QByteArray::fromStdString(device::ScanTableCsv(found_, choice_.hexView));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        view_.ShowError(("Таблица не сохранена в файл «" + *path + "»: " + file.errorString() +
                         ". Выберите другую папку или другое имя.")
                            .toStdString());
}

void NetworkScanDialog::CopyTable() {
    // The file's separator, without the file's byte order mark.
    QApplication::clipboard()->setText(QString::fromStdString(device::ScanTableCsv(
        found_, choice_.hexView, {.separator = device::kSystemCsv.separator})));
}

}  // namespace hk
