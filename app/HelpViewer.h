#pragma once
// The help window: the program's own HTML help, its contents page and one
// topic per help context number. A missing help file is reported inside the
// window itself.

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace hk {

class HelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit HelpViewer(QString helpFile, QWidget* parent = nullptr);

    // The contents page.
    void ShowContents();
    // The topic of a help context number (2, 4, 6, 7, 8).
    void ShowContext(int context);
    QString CurrentAnchor() const { return anchor_; }
    QString ShownText() const;

private:
    void Open(const QString& anchor);

    QString helpFile_;
    QString anchor_;
    QTextBrowser* browser_;
};

}  // namespace hk
