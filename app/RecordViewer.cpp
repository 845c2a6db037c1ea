#include "app/RecordViewer.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/Fonts.h"
#include "gui/Widgets.h"

namespace hk {
namespace {

constexpr qreal kMarginMm = 15;

// A file name from the page's title: letters, digits and dashes.
QString FileStem(const QString& title) {
    QString stem;
    for (const QChar c : title) stem += c.isLetterOrNumber() ? c : QChar('-');
    return stem.isEmpty() ? QStringLiteral("akt") : stem;
}

}  // namespace

bool WritePdf(const QString& html, const QString& path, QString& error) {
    {
        // The PDF writer says nothing of a file it cannot make: ask first.
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly)) {
            error = probe.errorString();
            return false;
        }
    }
    {
        QPdfWriter writer(path);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                              QPageLayout::Millimeter);
        writer.setTitle(QStringLiteral("Акт наладки"));
        writer.setCreator(QStringLiteral("HayesKvd"));
        QTextDocument document;
        document.setDefaultFont(WindowFont(11));
        document.setHtml(html);
        document.print(&writer);
    }
    if (QFileInfo(path).size() == 0) {
        error = QStringLiteral("файл PDF пуст");
        return false;
    }
    return true;
}

RecordViewer::RecordViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("RecordViewer"));
    setFont(WindowFont(11));
    resize(820, 680);
    text_ = new QTextBrowser(this);
    text_->setObjectName(QStringLiteral("RecordText"));
    text_->setAccessibleName(QStringLiteral("Акт наладки"));
    text_->setOpenLinks(false);
    auto* print = MakeButton("PrintButton", QStringLiteral("Печать..."),
                             QStringLiteral("Открыть акт в PDF в программе просмотра системы, "
                                            "чтобы напечатать его"),
                             this);
    auto* save = MakeButton("SavePdfButton", QStringLiteral("Сохранить PDF..."),
                            QStringLiteral("Сохранить акт в файл PDF (лист A4)"), this);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("ViewerStatus"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(print);
    buttons->addWidget(save);
    buttons->addWidget(status_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addLayout(buttons);
    connect(print, &QPushButton::clicked, this, [this] { Print(); });
    connect(save, &QPushButton::clicked, this, [this] { SavePdf(); });
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
}

void RecordViewer::ShowPage(const QString& title, const QString& html) {
    title_ = title;
    html_ = html;
    setWindowTitle(title);
    text_->setHtml(html);
    status_->clear();
    show();
    raise();
    activateWindow();
}

void RecordViewer::SavePdf() {
    std::optional<QString> path;
    if (pdfChooser_) {
        path = pdfChooser_();
    } else {
        const QString chosen = QFileDialog::getSaveFileName(
            this, QStringLiteral("Сохранить акт в PDF"), QDir::home().filePath(FileStem(title_)),
            QStringLiteral("PDF (*.pdf)"));
        if (!chosen.isEmpty()) path = chosen;
    }
    if (!path) return;
    QString error;
    if (WritePdf(html_, *path, error))
        status_->setText(QStringLiteral("Сохранено: ") + QDir::toNativeSeparators(*path));
    else
        status_->setText(QStringLiteral("PDF не сохранён в «") + QDir::toNativeSeparators(*path) +
                         QStringLiteral("»: ") + error);
}

void RecordViewer::Print() {
    const QString path = QDir::temp().filePath(FileStem(title_) + QStringLiteral(".pdf"));
    QString error;
    if (!WritePdf(html_, path, error)) {
        status_->setText(QStringLiteral("PDF для печати не записан: ") + error);
        return;
    }
    const bool opened =
        opener_ ? opener_(path) : QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    status_->setText(opened ? QStringLiteral("Акт открыт для печати: ") +
                                  QDir::toNativeSeparators(path)
                            : QStringLiteral("Нет программы для просмотра PDF; акт в PDF: ") +
                                  QDir::toNativeSeparators(path));
}

}  // namespace hk
