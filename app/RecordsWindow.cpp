#include "app/RecordsWindow.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/JobRecords.h"
#include "app/KeptChoices.h"
#include "app/RecordViewer.h"
#include "base/Utf8Path.h"
#include "gui/Fonts.h"
#include "gui/Widgets.h"
#include "records/RecordBuild.h"
#include "records/RecordHistory.h"
#include "records/RecordHtml.h"

namespace hk {
namespace {

constexpr int kLastNumber = 127;

enum Column { kTime, kDevice, kJob, kVerdict, kFile, kColumns };

QString Text(const std::string& text) { return QString::fromStdString(text); }

QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

// «07.12.2026 11:23:45» of the record's local time.
QString ShownTime(const std::string& iso) {
    if (iso.size() < 19) return Text(iso);
    return Text(iso.substr(8, 2) + "." + iso.substr(5, 2) + "." + iso.substr(0, 4) + " " +
                iso.substr(11, 8));
}

QString FileName(const std::string& path) {
    return Text(Utf8FromPath(PathFromUtf8(path).filename()));
}

}  // namespace

RecordsWindow::RecordsWindow(MainState& state, JobRecords& records, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), records_(records) {
    setObjectName(QStringLiteral("RecordsWindow"));
    setWindowTitle(QStringLiteral("Акты наладки"));
    setFont(WindowFont(11));
    resize(820, 460);

    folderField_ = new QLineEdit(this);
    folderField_->setObjectName(QStringLiteral("RecordFolder"));
    folderField_->setReadOnly(true);
    folderField_->setAccessibleName(QStringLiteral("Папка актов"));
    auto* folderButton =
        MakeButton("RecordFolderButton", QStringLiteral("Папка..."),
                   QStringLiteral("Выбрать папку, куда записываются акты наладки"), this);
    operatorField_ = new QLineEdit(this);
    operatorField_->setObjectName(QStringLiteral("OperatorField"));
    operatorField_->setAccessibleName(QStringLiteral("Наладчик"));
    operatorField_->setPlaceholderText(Text(records::SystemUserName()));
    operatorField_->setText(Text(records_.Operator()));
    portFilter_ = new QComboBox(this);
    portFilter_->setObjectName(QStringLiteral("PortFilter"));
    portFilter_->setAccessibleName(QStringLiteral("Порт"));
    numberFilter_ = new QLineEdit(this);
    numberFilter_->setObjectName(QStringLiteral("NumberFilter"));
    numberFilter_->setAccessibleName(QStringLiteral("Сетевой номер"));
    numberFilter_->setPlaceholderText(QStringLiteral("все"));
    numberFilter_->setMaximumWidth(80);

    table_ = new QTableWidget(0, kColumns, this);
    table_->setObjectName(QStringLiteral("RecordsTable"));
    table_->setAccessibleName(QStringLiteral("Акты наладки"));
    table_->setHorizontalHeaderLabels({QStringLiteral("Время"), QStringLiteral("Устройство"),
                                       QStringLiteral("Работа"), QStringLiteral("Итог"),
                                       QStringLiteral("Файл")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);

    auto* open = MakeButton("OpenRecordButton", QStringLiteral("Открыть"),
                            QStringLiteral("Показать выбранный акт (печать, PDF)"), this);
    auto* compare = MakeButton("CompareButton", QStringLiteral("Сравнить"),
                               QStringLiteral("Что изменилось на устройстве между двумя "
                                              "выбранными актами, канал за каналом"),
                               this);
    auto* refresh = MakeButton("RefreshButton", QStringLiteral("Обновить"),
                               QStringLiteral("Прочитать папку актов заново"), this);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("RecordsStatus"));
    status_->setWordWrap(true);

    auto* settings = new QGridLayout;
    settings->addWidget(Caption(QStringLiteral("Папка актов:"), folderField_, this), 0, 0);
    settings->addWidget(folderField_, 0, 1, 1, 4);
    settings->addWidget(folderButton, 0, 5);
    settings->addWidget(Caption(QStringLiteral("Наладчик:"), operatorField_, this), 1, 0);
    settings->addWidget(operatorField_, 1, 1);
    settings->addWidget(Caption(QStringLiteral("Порт:"), portFilter_, this), 1, 2);
    settings->addWidget(portFilter_, 1, 3);
    settings->addWidget(Caption(QStringLiteral("Номер:"), numberFilter_, this), 1, 4);
    settings->addWidget(numberFilter_, 1, 5);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(open);
    buttons->addWidget(compare);
    buttons->addWidget(refresh);
    buttons->addWidget(status_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(settings);
    layout->addWidget(table_);
    layout->addLayout(buttons);

    connect(folderButton, &QPushButton::clicked, this, [this] { ChooseFolder(); });
    connect(operatorField_, &QLineEdit::editingFinished, this, [this] { OperatorChanged(); });
    connect(portFilter_, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });
    connect(numberFilter_, &QLineEdit::textChanged, this, [this] { Refresh(); });
    connect(open, &QPushButton::clicked, this, [this] { OpenSelected(); });
    connect(compare, &QPushButton::clicked, this, [this] { CompareSelected(); });
    connect(refresh, &QPushButton::clicked, this, [this] { Refresh(); });
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row) { OpenRow(row); });
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
}

void RecordsWindow::ShowOver(QWidget* owner) {
    if (owner && parentWidget() != owner) setParent(owner, Qt::Window);
    Refresh();
    show();
    raise();
    activateWindow();
}

void RecordsWindow::Say(const QString& text) { status_->setText(text); }

void RecordsWindow::Refresh() {
    const std::string folder = records_.Folder();
    folderField_->setText(QDir::toNativeSeparators(Text(folder)));
    entries_ = records::ListRecords(folder);
    // The port filter offers the ports the records name; its choice stays.
    const QString chosen = portFilter_->currentIndex() > 0 ? portFilter_->currentText() : QString();
    {
        const QSignalBlocker quiet(portFilter_);
        portFilter_->clear();
        portFilter_->addItem(QStringLiteral("все"));
        for (const std::string& port : records::RecordPorts(entries_))
            portFilter_->addItem(Text(port));
        const int at = chosen.isEmpty() ? 0 : portFilter_->findText(chosen);
        portFilter_->setCurrentIndex(at < 0 ? 0 : at);
    }
    std::optional<int> number;
    bool numberOk = true;
    const QString typed = numberFilter_->text().trimmed();
    if (!typed.isEmpty()) {
        const int value = typed.toInt(&numberOk);
        if (numberOk && value >= 0 && value <= kLastNumber)
            number = value;
        else
            numberOk = false;
    }
    const std::string port =
        portFilter_->currentIndex() > 0 ? portFilter_->currentText().toStdString() : std::string();
    rows_ = records::FilterRecords(entries_, port, number);
    table_->setRowCount(static_cast<int>(rows_.size()));
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
        const records::RecordEntry& e = *rows_[static_cast<std::size_t>(r)];
        const bool known = records::Known(e);
        const QString cells[kColumns] = {known ? ShownTime(e.record.timeLocal) : QString(),
                                         known ? Text(records::DeviceTitle(e.record)) : QString(),
                                         known ? Text(records::JobTitle(e.record.job)) : QString(),
                                         Text(records::RowVerdict(e)), FileName(e.json)};
        for (int c = 0; c < kColumns; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == kVerdict && e.problem != records::ReadProblem::None)
                item->setForeground(QColor(0xB0, 0x00, 0x00));
            table_->setItem(r, c, item);
        }
    }
    table_->resizeColumnsToContents();
    if (!numberOk)
        Say(QStringLiteral("Номер: от 0 до ") + QString::number(kLastNumber) +
            QStringLiteral(" (отбор по номеру не применён)"));
    else if (rows_.empty())
        Say(QStringLiteral("Актов нет"));
    else
        Say(QStringLiteral("Актов: ") + QString::number(rows_.size()));
}

void RecordsWindow::ChooseFolder() {
    const QString current = Text(records_.Folder());
    std::optional<QString> folder;
    if (folderChooser_) {
        folder = folderChooser_(current);
    } else {
        const QString chosen =
            QFileDialog::getExistingDirectory(this, QStringLiteral("Папка актов наладки"), current);
        if (!chosen.isEmpty()) folder = chosen;
    }
    if (!folder) return;
    const std::string dir = WithTrailingSeparator(folder->toStdString());
    records_.SetFolder(dir);
    KeepText(state_, kKeepRecordFolder, Text(dir));
    Refresh();
}

void RecordsWindow::OperatorChanged() {
    const QString name = operatorField_->text().trimmed();
    records_.SetOperator(name.toStdString());
    KeepText(state_, kKeepOperator, name);
}

void RecordsWindow::ShowPage(const QString& title, const QString& html) {
    if (!viewer_) viewer_ = new RecordViewer(this);
    viewer_->ShowPage(title, html);
}

void RecordsWindow::OpenRow(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    const records::RecordEntry& e = *rows_[static_cast<std::size_t>(row)];
    std::string why;
    const std::string page = records::PageToShow(e, why);
    if (page.empty()) {
        Say(Text(why));
        return;
    }
    ShowPage(QStringLiteral("Акт наладки: ") + Text(records::DeviceTitle(e.record)) +
                 QStringLiteral(", ") + ShownTime(e.record.timeLocal),
             Text(page));
}

void RecordsWindow::CompareRows(int first, int second) {
    const int count = static_cast<int>(rows_.size());
    if (first < 0 || second < 0 || first >= count || second >= count || first == second) return;
    const records::RecordEntry& a = *rows_[static_cast<std::size_t>(first)];
    const records::RecordEntry& b = *rows_[static_cast<std::size_t>(second)];
    if (const std::string refusal = records::ComparisonRefusal(a, b); !refusal.empty()) {
        Say(Text(refusal));
        return;
    }
    ShowPage(QStringLiteral("Сравнение актов: ") + Text(records::DeviceTitle(a.record)),
             Text(records::CompareEntries(a, b)));
}

void RecordsWindow::OpenSelected() {
    const auto selected = table_->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        Say(QStringLiteral("Выберите акт в списке"));
        return;
    }
    OpenRow(selected.first().row());
}

void RecordsWindow::CompareSelected() {
    const auto selected = table_->selectionModel()->selectedRows();
    if (selected.size() != 2) {
        Say(QStringLiteral("Выберите два акта одного устройства (Ctrl+щелчок)"));
        return;
    }
    CompareRows(selected[0].row(), selected[1].row());
}

}  // namespace hk
