#include "app/HelpViewer.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace hk {

HelpViewer::HelpViewer(QString helpFile, QWidget* parent)
    : QWidget(parent, Qt::Window),
      helpFile_(std::move(helpFile)),
      browser_(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("Помощь"));
    browser_->setObjectName(QStringLiteral("HelpText"));
    browser_->setOpenLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(620, 520);
}

void HelpViewer::ShowContents() { Open(QStringLiteral("contents")); }

void HelpViewer::ShowContext(int context) { Open(QStringLiteral("context-%1").arg(context)); }

QString HelpViewer::ShownText() const { return browser_->toPlainText(); }

void HelpViewer::Open(const QString& anchor) {
    anchor_ = anchor;
    if (!QFileInfo::exists(helpFile_)) {
        browser_->setHtml(QStringLiteral("<h3>Справка недоступна</h3><p>Файл справки не найден: "
                                         "%1</p>")
                              .arg(helpFile_.toHtmlEscaped()));
    } else {
        QUrl url = QUrl::fromLocalFile(helpFile_);
        url.setFragment(anchor);
        browser_->setSource(url);
        browser_->scrollToAnchor(anchor);
    }
    show();
    raise();
    activateWindow();
}

}  // namespace hk
