#pragma once
// A record's page (or two records compared) as a person reads it, with
// «Печать...» and «Сохранить PDF...». Both use Qt's own PDF writer and text
// document (QtGui; the Windows build of Qt has no print support module):
// «Сохранить PDF...» writes an A4 PDF where the operator says, «Печать...»
// writes it to the temporary folder and opens it with the system's viewer,
// which prints it.

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

class QLabel;
class QTextBrowser;

namespace hk {

// `html` as an A4 PDF in `path`; false with the reason in `error` when the
// file cannot be written.
bool WritePdf(const QString& html, const QString& path, QString& error);

class RecordViewer : public QWidget {
    Q_OBJECT
public:
    explicit RecordViewer(QWidget* parent = nullptr);

    void ShowPage(const QString& title, const QString& html);
    const QString& Html() const { return html_; }

    void Print();
    void SavePdf();

    // Replaces the save dialog and the system's viewer (tests).
    using PdfChooser = std::function<std::optional<QString>()>;
    void SetPdfChooser(PdfChooser chooser) { pdfChooser_ = std::move(chooser); }
    using Opener = std::function<bool(const QString& file)>;
    void SetOpener(Opener opener) { opener_ = std::move(opener); }

private:
    QString html_;
    QString title_;
    QTextBrowser* text_ = nullptr;
    QLabel* status_ = nullptr;
    PdfChooser pdfChooser_;
    Opener opener_;
};

}  // namespace hk
