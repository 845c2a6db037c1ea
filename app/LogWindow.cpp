#include "app/LogWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include "base/TextForm.h"
#include "gui/Fonts.h"
#include "gui/Widgets.h"
#include "link/ViewHooks.h"
#include "log/ExchangeLog.h"

namespace hk {
namespace {

constexpr int kLookEveryMs = 200;
constexpr int kShownLines = 200'000;  // the window forgets the oldest beyond these

}  // namespace

LogWindow::LogWindow(ExchangeLog& log, ViewHooks& view, QWidget* parent)
    : QWidget(parent, Qt::Window), log_(log), view_(view) {
    setObjectName(QStringLiteral("LogWindow"));
    setWindowTitle(QStringLiteral("Журнал обмена"));
    setFont(WindowFont(11));
    resize(760, 420);

    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("LogText"));
    text_->setAccessibleName(QStringLiteral("Журнал обмена"));
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setMaximumBlockCount(kShownLines);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* save = MakeButton("SaveLog", QStringLiteral("Сохранить..."),
                            QStringLiteral("Сохранить журнал в текстовый файл"), this);
    auto* copy = MakeButton("CopyLog", QStringLiteral("Копировать"),
                            QStringLiteral("Копировать весь журнал в буфер обмена"), this);
    auto* clear =
        MakeButton("ClearLog", QStringLiteral("Очистить"),
                   QStringLiteral("Очистить окно журнала (файлы журнала остаются)"), this);
    files_ = new QLabel(this);
    files_->setObjectName(QStringLiteral("LogFiles"));
    files_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addWidget(copy);
    buttons->addWidget(clear);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(files_);
    layout->addLayout(buttons);

    connect(save, &QPushButton::clicked, this, [this] { Save(); });
    connect(copy, &QPushButton::clicked, this, [this] { CopyAll(); });
    connect(clear, &QPushButton::clicked, this, [this] { ClearAll(); });
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);

    timer_ = new QTimer(this);
    timer_->setInterval(kLookEveryMs);
    connect(timer_, &QTimer::timeout, this, [this] { TakeNewLines(); });
}

void LogWindow::ShowOver(QWidget* owner) {
    // Parented to the window asking, so that it stays usable over a modal dialog.
    if (owner && parentWidget() != owner) setParent(owner, Qt::Window);
    TakeNewLines();
    show();
    raise();
    activateWindow();
    timer_->start();
}

void LogWindow::TakeNewLines() {
    log_.Flush();
    if (LogFiles* files = log_.Files()) {
        const std::string problem = files->Problem();
        files_->setText(problem.empty() ? QStringLiteral("Файлы журнала: ") +
                                              QString::fromStdString(files->Folder())
                                        : QString::fromStdString(problem));
    }
    const std::vector<std::string> lines = log_.LinesFrom(next_);
    if (lines.empty()) return;
    QScrollBar* bar = text_->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    const int kept = bar->value();
    QString add;
    for (const std::string& line : lines) {
        if (!add.isEmpty()) add += QLatin1Char('\n');
        add += QString::fromStdString(line);
    }
    text_->appendPlainText(add);
    bar->setValue(following ? bar->maximum() : kept);
}

void LogWindow::Save() {
    std::optional<QString> path;
    if (saveChooser_) {
        path = saveChooser_();
    } else {
        const QString chosen =
            QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить журнал"), QString(),
                                         QStringLiteral("Журнал обмена (*.log *.txt)"));
        if (!chosen.isEmpty()) path = QDir::toNativeSeparators(chosen);
    }
    if (!path) return;
    QFile file(*path);
    // Lines ended as the log's own files end them (CR LF on Windows).
    const QByteArray lineEnd = QByteArray::fromStdString(std::string(LineEndOf(kWindowsForm)));
    const QByteArray bytes = text_->toPlainText().toUtf8().replace('\n', lineEnd) + lineEnd;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size() || !file.flush()) {
        view_.ShowError(("Журнал не сохранён в файл «" + *path + "»: " + file.errorString() +
                         ". Выберите другую папку или другое имя.")
                            .toStdString());
    }
}

void LogWindow::CopyAll() { QApplication::clipboard()->setText(text_->toPlainText()); }

void LogWindow::ClearAll() {
    log_.Clear();
    next_ = log_.End();
    text_->clear();
}

}  // namespace hk
